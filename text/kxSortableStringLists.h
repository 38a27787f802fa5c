// text/kxSortableStringLists.h — TkxObjectHashList: a list of objects under
// text keys, on the hashed string list (platform/rtl/HashedStringList.h).
//
// Each entry is a key (the entry's text) with an object. Keys are found as
// the hashed list finds texts: the FIRST entry whose key equals, exactly
// while CaseSensitive, else by the UpperText forms (the default ignores
// case). A key may be stored more than once; lookups keep finding the first.
//
// An owning list (AOwnObjects, or SetOwnObjects) deletes an entry's object
// whenever it removes the entry: Remove, Put with DestroyInstance, Clear,
// Delete, the string list's own clearing setters and the destructor, from
// the last entry to the first. An object must then sit in one entry of one
// list only. The string list underneath never owns anything itself.
#pragma once

#include <cstdint>

#include "platform/rtl/HashedStringList.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Text.h"

// The orders SortW can sort by.
//   NUMBER: the keys read as decimal numbers with the process's decimal
//     separator; a key that does not read counts as equal to every other;
//   ALPHA_NUM...: by UTF-16 code units, ascending or DESC(ending), after
//     TRIM(ming) and UPPER-casing only "a"-"z" where the name says so ("B"
//     sorts before "a" unless upper-cased);
//   DATE: the keys read as dates under the process's short date format and
//     date separator; a key that is no date raises EConvertError.
enum TSORT_TYPE : uint8_t {
  NUMBER,
  ALPHA_NUM,
  ALPHA_NUM_TRIM,
  ALPHA_NUM_UPPER,
  ALPHA_NUM_DESC,
  ALPHA_NUM_TRIM_UPPER_DESC,
  DATE
};

namespace kx::text::detail {

// The ownership of TkxObjectHashList on every path of the string list that
// removes entries. It stands apart so that the keyed list's own Clear, which
// answers a count, can hide the string list's Clear while a call through the
// string list still frees what it must.
class OwningHashedList : public THashedStringList {
 public:
  explicit OwningHashedList(bool OwnObjects);
  ~OwningHashedList() override;

  bool OwnObjects() const { return FOwnObjects; }
  void SetOwnObjects(bool Value) { FOwnObjects = Value; }

  // Deletes the entry, then its object when the list owns it.
  void Delete(int32_t Index) override;
  // Deletes every entry, from the last to the first.
  void Clear() override;

 protected:
  // Clear; answers the number of entries there were.
  int32_t DeleteAll();

 private:
  // Not for this list: it owns through FOwnObjects alone.
  using THashedStringList::OwnsObjects;
  using THashedStringList::SetOwnsObjects;

  bool FOwnObjects;
};

}  // namespace kx::text::detail

class TkxObjectHashList : public kx::text::detail::OwningHashedList {
 public:
  TkxObjectHashList();
  explicit TkxObjectHashList(bool AOwnObjects);

  // The string list's access by index stays available beside the keyed one.
  using OwningHashedList::Get;
  using OwningHashedList::Put;

  // Appends the entry (Key, Value); with DestroyInstance the first entry
  // with Key is removed first (Remove). Without it a second Put of a key adds
  // a second entry.
  void Put(const UnicodeString& Key, TObject* Value, bool DestroyInstance);
  // The object of the first entry with Key; null when there is none (and
  // when that entry holds null).
  TObject* Get(const UnicodeString& Key) const;
  // Removes the first entry with Key and answers its object, null when there
  // is none. On an owning list the object has been deleted: test the answer
  // for null only, never use it.
  TObject* Remove(const UnicodeString& Key);
  // An entry with Key exists (its object may be null).
  bool Contains(const UnicodeString& Key) const;
  // An entry with Key exists and its object is not null.
  bool IsValueNotNil(const UnicodeString& Key) const;
  // Removes every entry, the last first; answers how many there were. (A
  // template only so that it hides the string list's Clear instead of
  // overriding it; call it as Clear().)
  template <class = void>
  int32_t Clear() {
    return DeleteAll();
  }

  // The object of the first entry whose key is at least MaxDistance percent
  // alike to Key (TkxMath::GetDamerauLevenshteinAccuracy), both trimmed
  // first with TrimBefore and with "a"-"z" upper-cased with IgnoreCase; null
  // when none is. RealDistance holds the similarity of the last entry
  // compared (unchanged for an empty list); MaxDistance is only read.
  TObject* GetFirstAboutDistance(const UnicodeString& Key, bool TrimBefore, bool IgnoreCase,
                                 double& MaxDistance, double& RealDistance) const;

  // Sorts the entries by SortType with the string list's quicksort (not
  // stable) and answers true; a value outside TSORT_TYPE answers false and
  // changes nothing. Does nothing on a sorted list. DATE raises
  // EConvertError at the first key that is no date, leaving the list partly
  // sorted.
  //   NUMBER on {"10", "9", "100"} gives {"9", "10", "100"};
  //   ALPHA_NUM gives {"10", "100", "9"}; ALPHA_NUM_DESC on {"a", "b", "B"}
  //   gives {"b", "a", "B"}
  bool SortW(TSORT_TYPE SortType);
};
