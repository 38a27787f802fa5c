// platform/rtl/StringList.h — the platform's string list: an ordered list of
// texts, each with an optional object, with sorting, names and values, and
// the line, comma and delimited text forms.
//
// One template serves both kinds of text: TStringList holds UTF-16 texts,
// TStringListT<AnsiString> 8-bit ones (UTF-8; comparisons decode through the
// codec). Indices are 0-based; a bad index raises EStringListError
// "List index out of bounds (5)".
//
// Comparison. Sorting, Find, IndexOf and IndexOfName compare with the
// locale-aware collation of Collation.h: AnsiCompareText while CaseSensitive
// is false (the default), AnsiCompareStr otherwise. Under the C locale that is
// ICU's root order, so a sorted list reads a, b, B, c and not B, a, b, c.
//
// Sorted lists keep their order by themselves: Add puts a text at its place
// and applies Duplicates (dupIgnore: nothing is added and the index of the
// equal text is returned; dupError: EStringListError "String list does not
// allow duplicates"; dupAccept: the new text goes before the equal ones).
// Operations that would break the order (Insert, SetStrings, Move, setting a
// value) raise "Operation not allowed on sorted list" and change nothing.
// Exchange and CustomSort are the caller's responsibility: Exchange is
// allowed, CustomSort does nothing on a sorted list.
//
// Objects are not owned unless the list is made with OwnsObjects true (or told
// by SetOwnsObjects). An owning list deletes an entry's object when it deletes
// the entry (Delete, Clear, SetText and the other setters that clear, the
// destructor); SetObjects replaces the reference and does not delete the old
// object, so SetObjects(i, nullptr) followed by Delete(i) takes an object back
// out. An owned object must appear in one entry of one owning list only:
// AddStrings and Assign copy references, not objects.
//
// Events. OnChanging fires before and OnChange after every change, but only
// outside BeginUpdate/EndUpdate; a bracket fires one OnChanging at its outer
// BeginUpdate and one OnChange at its outer EndUpdate. An error raised by a
// handler passes to the caller of the changing operation. Handlers must not
// change the list they are told about.
//
// Lists are objects with an identity (events, owned objects): they are
// neither copied nor moved; use Assign. Constructors are explicit, so a text
// never silently becomes a list.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/rtl/Collation.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Text.h"

enum TDuplicates : uint8_t { dupIgnore, dupAccept, dupError };

namespace kx::platform::detail {
[[noreturn]] void RaiseListIndexError(int32_t Index);
[[noreturn]] void RaiseListCapacityError(int32_t Capacity);
[[noreturn]] void RaiseSortedListError();
[[noreturn]] void RaiseDuplicateStringError();
}  // namespace kx::platform::detail

template <class S>
class TStringListT : public TObject {
 public:
  using StringType = S;
  using CharType = typename S::value_type;
  using TNotifyEvent = std::function<void(TStringListT& Sender)>;
  // Answers <0, 0 or >0 as the entry at Index1 sorts before, with or after
  // the one at Index2.
  using TStringListSortCompare =
      std::function<int32_t(const TStringListT& List, int32_t Index1, int32_t Index2)>;

  // Empty, unsorted, case-insensitive, dupIgnore, "," "\"" "=".
  explicit TStringListT(bool OwnsObjects = false) : ownsObjects_(OwnsObjects) {}
  TStringListT(const TStringListT&) = delete;
  TStringListT& operator=(const TStringListT&) = delete;
  // Deletes the owned objects; fires no event.
  ~TStringListT() override { DeleteOwned(items_); }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

  // --- entries ---------------------------------------------------------

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }

  const S& Strings(int32_t Index) const {
    CheckIndex(Index);
    return items_[static_cast<size_t>(Index)].FString;
  }
  const S& operator[](int32_t Index) const { return Strings(Index); }
  // Replaces the text and keeps the object. Not on a sorted list.
  void SetStrings(int32_t Index, const S& Value) {
    if (sorted_) kx::platform::detail::RaiseSortedListError();
    CheckIndex(Index);
    S copy = Value;
    Changing();
    CheckIndex(Index);
    items_[static_cast<size_t>(Index)].FString = std::move(copy);
    Changed();
  }

  TObject* Objects(int32_t Index) const {
    CheckIndex(Index);
    return items_[static_cast<size_t>(Index)].FObject;
  }
  // Replaces the reference only; see the ownership rules above.
  void SetObjects(int32_t Index, TObject* AObject) {
    CheckIndex(Index);
    Changing();
    CheckIndex(Index);
    items_[static_cast<size_t>(Index)].FObject = AObject;
    Changed();
  }

  // Appends, or on a sorted list inserts at the text's place; answers the
  // index. On a sorted list with dupIgnore and an equal text present nothing
  // is stored (not the object either: the caller keeps it).
  int32_t Add(const S& Value) { return AddObject(Value, nullptr); }
  int32_t AddObject(const S& Value, TObject* AObject) {
    int32_t index = Count();
    if (sorted_ && Find(Value, index)) {
      if (duplicates_ == dupIgnore) return index;
      if (duplicates_ == dupError) kx::platform::detail::RaiseDuplicateStringError();
    }
    InsertItem(index, Value, AObject);
    return index;
  }
  void Append(const S& Value) { Add(Value); }

  // 0 <= Index <= Count; Count appends. Not on a sorted list.
  void Insert(int32_t Index, const S& Value) { InsertObject(Index, Value, nullptr); }
  void InsertObject(int32_t Index, const S& Value, TObject* AObject) {
    if (sorted_) kx::platform::detail::RaiseSortedListError();
    if (Index < 0 || Index > Count()) kx::platform::detail::RaiseListIndexError(Index);
    InsertItem(Index, Value, AObject);
  }

  void Delete(int32_t Index) {
    CheckIndex(Index);
    Changing();
    CheckIndex(Index);
    TObject* object = items_[static_cast<size_t>(Index)].FObject;
    items_.erase(items_.begin() + Index);
    if (ownsObjects_) delete object;
    Changed();
  }

  // Nothing happens (no event) on an empty list.
  void Clear() {
    if (items_.empty()) return;
    Changing();
    std::vector<TStringItem> old;
    old.swap(items_);
    DeleteOwned(old);
    Changed();
  }

  void Exchange(int32_t Index1, int32_t Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(items_[static_cast<size_t>(Index1)], items_[static_cast<size_t>(Index2)]);
    Changed();
  }

  // Moves the entry (text and object) at CurIndex so that it ends up at
  // NewIndex. Both indices must name entries. Not on a sorted list.
  void Move(int32_t CurIndex, int32_t NewIndex) {
    if (CurIndex == NewIndex) return;
    if (sorted_) kx::platform::detail::RaiseSortedListError();
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    Changing();
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    const auto from = items_.begin() + CurIndex;
    const auto to = items_.begin() + NewIndex;
    if (CurIndex < NewIndex)
      std::rotate(from, from + 1, to + 1);
    else
      std::rotate(to, from, from + 1);
    Changed();
  }

  // Appends (or sorts in) every entry of Source with its object reference.
  void AddStrings(const TStringListT& Source) {
    Updating([&] {
      const int32_t n = Source.Count();  // Source may be this list
      for (int32_t i = 0; i < n; ++i) {
        S text = Source.Strings(i);
        AddObject(text, Source.Objects(i));
      }
    });
  }

  // Clear, take Source's delimiter, quote char, strict-delimiter flag and
  // name-value separator, then AddStrings(Source). Sorted, CaseSensitive,
  // Duplicates and OwnsObjects stay this list's own. Assigning a list to
  // itself changes nothing.
  void Assign(const TStringListT& Source) {
    if (&Source == this) return;
    Updating([&] {
      Clear();
      delimiter_ = Source.delimiter_;
      quoteChar_ = Source.quoteChar_;
      strictDelimiter_ = Source.strictDelimiter_;
      nameValueSeparator_ = Source.nameValueSeparator_;
      AddStrings(Source);
    });
  }

  // Same count and the same texts, compared exactly (case counts).
  bool Equals(const TStringListT& Other) const {
    if (Count() != Other.Count()) return false;
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].FString != Other.items_[i].FString) return false;
    return true;
  }

  // A hint: room for Value entries. Below Count raises
  // "List capacity out of bounds (n)".
  int32_t Capacity() const { return static_cast<int32_t>(items_.capacity()); }
  void SetCapacity(int32_t Value) {
    if (Value < Count()) kx::platform::detail::RaiseListCapacityError(Value);
    items_.reserve(static_cast<size_t>(Value));
  }

  // --- searching ----------------------------------------------------------

  // The first index whose text compares equal, -1 when none; a binary search
  // on a sorted list.
  virtual int32_t IndexOf(const S& Value) const {
    if (sorted_) {
      int32_t index;
      return Find(Value, index) ? index : -1;
    }
    for (int32_t i = 0; i < Count(); ++i)
      if (CompareStrings(items_[static_cast<size_t>(i)].FString, Value) == 0) return i;
    return -1;
  }

  // The first index whose text has a name-value separator and whose name
  // compares equal to Name; -1 when none. Linear, also on a sorted list.
  virtual int32_t IndexOfName(const S& Name) const {
    for (int32_t i = 0; i < Count(); ++i) {
      const S& text = items_[static_cast<size_t>(i)].FString;
      const size_t sep = text.find(nameValueSeparator_);
      if (sep != S::npos && CompareStrings(text.substr(0, sep), Name) == 0) return i;
    }
    return -1;
  }

  // The first index holding exactly this reference, -1 when none.
  int32_t IndexOfObject(const TObject* AObject) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].FObject == AObject) return static_cast<int32_t>(i);
    return -1;
  }

  // Binary search of a sorted list (on an unsorted list the answer means
  // nothing). True when an equal text exists; Index is then its position
  // (under dupAccept the first of the equal texts), else the position where
  // Value belongs.
  bool Find(const S& Value, int32_t& Index) const {
    bool found = false;
    int32_t lo = 0;
    int32_t hi = Count() - 1;
    while (lo <= hi) {
      const int32_t mid = lo + (hi - lo) / 2;
      const int32_t c = CompareStrings(items_[static_cast<size_t>(mid)].FString, Value);
      if (c < 0) {
        lo = mid + 1;
      } else {
        hi = mid - 1;
        if (c == 0) {
          found = true;
          if (duplicates_ != dupAccept) lo = mid;
        }
      }
    }
    Index = lo;
    return found;
  }

  // --- order ----------------------------------------------------------------

  void Sort() {
    if (sorted_ || Count() < 2) return;
    SortByText();
  }

  // Sorts with Compare (a quicksort: not stable). Does nothing on a sorted
  // list or one with fewer than two entries. If Compare raises, the error
  // passes on and the list is left partly sorted.
  void CustomSort(const TStringListSortCompare& Compare) {
    if (sorted_ || Count() < 2) return;
    SortItems([&](int32_t a, int32_t b) { return Compare(*this, a, b); });
  }

  bool Sorted() const { return sorted_; }
  // True sorts the list first; false only clears the flag.
  void SetSorted(bool Value) {
    if (sorted_ == Value) return;
    if (Value) Sort();
    sorted_ = Value;
  }

  bool CaseSensitive() const { return caseSensitive_; }
  // A sorted list is sorted again under the new comparison.
  void SetCaseSensitive(bool Value) {
    if (caseSensitive_ == Value) return;
    caseSensitive_ = Value;
    if (sorted_ && Count() > 1) SortByText();
  }

  TDuplicates Duplicates() const { return duplicates_; }
  // Applies to later additions to a sorted list; texts already in the list
  // stay.
  void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }

  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool Value) { ownsObjects_ = Value; }

  // --- names and values -----------------------------------------------------
  // An entry "name=value" (with NameValueSeparator in place of "="); the name
  // ends at the first separator.

  // The name of the entry; empty when it has no separator.
  S Names(int32_t Index) const {
    const S& text = Strings(Index);
    const size_t sep = text.find(nameValueSeparator_);
    return sep == S::npos ? S() : text.substr(0, sep);
  }

  // The value of the first entry named Name (compared as IndexOfName does);
  // empty when there is none.
  S Values(const S& Name) const { return ValueFromIndex(IndexOfName(Name)); }

  // A non-empty Value replaces the value of the first entry named Name, or
  // appends "Name=Value". An empty Value deletes that entry (also on a sorted
  // list); otherwise a sorted list raises.
  void SetValues(const S& Name, const S& Value) {
    const int32_t index = IndexOfName(Name);
    if (Value.empty()) {
      if (index >= 0) Delete(index);
      return;
    }
    if (sorted_) kx::platform::detail::RaiseSortedListError();
    S text = Name;
    text += nameValueSeparator_;
    text += Value;
    if (index < 0)
      Add(text);
    else
      SetStrings(index, text);
  }

  // The part after the first separator; empty for an entry without one and
  // for a negative Index.
  S ValueFromIndex(int32_t Index) const {
    if (Index < 0) return S();
    const S& text = Strings(Index);
    const size_t sep = text.find(nameValueSeparator_);
    return sep == S::npos ? S() : text.substr(sep + 1);
  }

  // Like SetValues for the entry at Index: a non-empty Value makes it
  // Names(Index) + separator + Value (a negative Index appends
  // separator + Value); an empty Value deletes it.
  void SetValueFromIndex(int32_t Index, const S& Value) {
    if (Value.empty()) {
      if (Index >= 0) Delete(Index);
      return;
    }
    if (sorted_) kx::platform::detail::RaiseSortedListError();
    S text = Index < 0 ? S() : Names(Index);
    text += nameValueSeparator_;
    text += Value;
    if (Index < 0)
      Add(text);
    else
      SetStrings(Index, text);
  }

  CharType NameValueSeparator() const { return nameValueSeparator_; }
  void SetNameValueSeparator(CharType Value) { nameValueSeparator_ = Value; }

  // --- text forms -----------------------------------------------------------

  // Every entry followed by CR LF, the last one too; "" for an empty list.
  S Text() const {
    S result;
    for (const auto& item : items_) {
      result += item.FString;
      result += kCR;
      result += kLF;
    }
    return result;
  }

  // Clears the list and adds the lines of Value: CR LF, LF and CR each end a
  // line (LF CR ends two), a final line break adds no empty line.
  void SetText(const S& Value) {
    Updating([&] {
      Clear();
      const size_t n = Value.size();
      size_t p = 0;
      while (p < n) {
        const size_t start = p;
        while (p < n && Value[p] != kCR && Value[p] != kLF) ++p;
        Add(Value.substr(start, p - start));
        // Past the CR or LF that ended the line, and past an LF after a CR.
        if (p < n && Value[p++] == kCR && p < n && Value[p] == kLF) ++p;
      }
    });
  }

  // The entries joined by Delimiter. An entry is written in QuoteChar (with
  // every QuoteChar inside doubled) when it holds the delimiter, the quote
  // char or, unless StrictDelimiter, a character at or below the blank.
  // A list of one empty entry gives two quote chars; other empty entries are
  // written as nothing:
  //   {"a b", "c"} -> "\"a b\",c";  {""} -> "\"\"";  {"a", ""} -> "a,"
  S DelimitedText() const { return WriteDelimited(delimiter_, quoteChar_); }

  // Clears the list and adds the items of Value. Without StrictDelimiter,
  // blanks and control characters (NUL included) around an item are
  // skipped and also end an unquoted item; with it only the delimiter
  // separates and blanks belong to the items. An item that starts with
  // QuoteChar runs to the next single quote char (a doubled one stands for
  // one; without a closing one, to the end). An empty item between two
  // delimiters, and one after a delimiter that ends the text, is added:
  //   "a b,c" -> {a, b, c};  "a,,b" -> {a, "", b};  "a," -> {a, ""};  " " -> {}
  void SetDelimitedText(const S& Value) { ReadDelimited(Value); }

  // DelimitedText with "," and "\"" (StrictDelimiter applies). Reading leaves
  // Delimiter and QuoteChar as they are; writing sets them to "," and "\""
  // for good.
  S CommaText() const { return WriteDelimited(CharType(','), CharType('"')); }
  void SetCommaText(const S& Value) {
    delimiter_ = CharType(',');
    quoteChar_ = CharType('"');
    ReadDelimited(Value);
  }

  CharType Delimiter() const { return delimiter_; }
  void SetDelimiter(CharType Value) { delimiter_ = Value; }
  CharType QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(CharType Value) { quoteChar_ = Value; }
  bool StrictDelimiter() const { return strictDelimiter_; }
  void SetStrictDelimiter(bool Value) { strictDelimiter_ = Value; }

  // --- updates --------------------------------------------------------------

  void BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
  }
  // An EndUpdate without a BeginUpdate is ignored.
  void EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0) SetUpdateState(false);
  }

 protected:
  // A derived list that keeps an index of its own (a hashed list) answers
  // IndexOf and IndexOfName from it and drops it in Changed, which is called
  // after every change, inside an update too.

  // <0, 0, >0 by the list's collation (see the top of this file).
  virtual int32_t CompareStrings(const S& S1, const S& S2) const {
    return caseSensitive_ ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
  }
  // Called before and after every change, also inside an update; they fire
  // the events only outside one.
  virtual void Changing() {
    if (updateCount_ == 0 && OnChanging) OnChanging(*this);
  }
  virtual void Changed() {
    if (updateCount_ == 0 && OnChange) OnChange(*this);
  }
  // Called at the start (true) and the end (false) of an outer update.
  virtual void SetUpdateState(bool Updating) {
    if (Updating)
      Changing();
    else
      Changed();
  }

 private:
  struct TStringItem {
    S FString;
    TObject* FObject = nullptr;
  };

  static constexpr CharType kCR = CharType(13);
  static constexpr CharType kLF = CharType(10);

  static bool IsBlankOrControl(CharType c) {
    return static_cast<std::make_unsigned_t<CharType>>(c) <= 0x20;
  }

  void CheckIndex(int32_t Index) const {
    if (Index < 0 || Index >= Count()) kx::platform::detail::RaiseListIndexError(Index);
  }

  void DeleteOwned(std::vector<TStringItem>& items) {
    if (!ownsObjects_) return;
    for (auto& item : items) {
      delete item.FObject;
      item.FObject = nullptr;
    }
  }

  void InsertItem(int32_t Index, const S& Value, TObject* AObject) {
    TStringItem item{Value, AObject};  // copied first: Value may be an entry
    Changing();
    if (Index > Count()) kx::platform::detail::RaiseListIndexError(Index);
    items_.insert(items_.begin() + Index, std::move(item));
    Changed();
  }

  // Runs f inside BeginUpdate/EndUpdate. When f raises, the update still
  // ends, and the error that passes on is f's.
  template <class F>
  void Updating(F&& f) {
    BeginUpdate();
    try {
      f();
    } catch (...) {
      if (updateCount_ > 0 && --updateCount_ == 0) {
        try {
          SetUpdateState(false);
        } catch (...) {
        }
      }
      throw;
    }
    EndUpdate();
  }

  void SortByText() {
    SortItems([this](int32_t a, int32_t b) {
      return CompareStrings(items_[static_cast<size_t>(a)].FString,
                            items_[static_cast<size_t>(b)].FString);
    });
  }

  template <class Compare>
  void SortItems(Compare&& compare) {
    Changing();
    try {
      QuickSort(0, Count() - 1, compare);
    } catch (...) {
      // The list may have changed already: tell the observers, keep the error.
      try {
        Changed();
      } catch (...) {
      }
      throw;
    }
    Changed();
  }

  // The pivot is an index that follows its entry when that entry is swapped.
  // The scans are bounded by the range, which changes nothing for a
  // consistent comparison and keeps an inconsistent one inside the list. The
  // smaller part is sorted by recursion and the larger one by the loop, so
  // the depth stays logarithmic; the parts are disjoint, so the result is the
  // same as in any other order.
  template <class Compare>
  void QuickSort(int32_t L, int32_t R, Compare& compare) {
    while (L < R) {
      int32_t i = L;
      int32_t j = R;
      int32_t p = L + (R - L) / 2;
      do {
        while (i < R && compare(i, p) < 0) ++i;
        while (j > L && compare(j, p) > 0) --j;
        if (i <= j) {
          if (i != j) std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
          if (p == i)
            p = j;
          else if (p == j)
            p = i;
          ++i;
          --j;
        }
      } while (i <= j);
      if (j - L < R - i) {
        if (L < j) QuickSort(L, j, compare);
        L = i;
      } else {
        if (i < R) QuickSort(i, R, compare);
        R = j;
      }
    }
  }

  S WriteDelimited(CharType delimiter, CharType quote) const {
    if (items_.size() == 1 && items_[0].FString.empty()) return S{quote, quote};
    S result;
    for (size_t i = 0; i < items_.size(); ++i) {
      const S& text = items_[i].FString;
      bool quoted = false;
      for (CharType c : text) {
        if (c == quote || c == delimiter || (!strictDelimiter_ && IsBlankOrControl(c))) {
          quoted = true;
          break;
        }
      }
      if (quoted) {
        result += quote;
        for (CharType c : text) {
          if (c == quote) result += quote;
          result += c;
        }
        result += quote;
      } else {
        result += text;
      }
      if (i + 1 < items_.size()) result += delimiter;
    }
    return result;
  }

  void ReadDelimited(const S& Value) {
    Updating([&] {
      Clear();
      const CharType delimiter = delimiter_;
      const CharType quote = quoteChar_;
      const bool strict = strictDelimiter_;
      const size_t n = Value.size();
      size_t p = 0;
      auto skipBlanks = [&] {
        if (!strict)
          while (p < n && IsBlankOrControl(Value[p])) ++p;
      };
      skipBlanks();
      // Every round consumes at least one character: an item stops only at a
      // delimiter or (not strict) a blank, and both are skipped below.
      while (p < n) {
        S item;
        if (Value[p] == quote) {
          ++p;
          while (p < n) {
            if (Value[p] == quote) {
              if (p + 1 < n && Value[p + 1] == quote) {
                item += quote;
                p += 2;
                continue;
              }
              ++p;
              break;
            }
            item += Value[p++];
          }
        } else {
          const size_t start = p;
          while (p < n && Value[p] != delimiter && (strict || !IsBlankOrControl(Value[p]))) ++p;
          item = Value.substr(start, p - start);
        }
        Add(item);
        skipBlanks();
        if (p < n && Value[p] == delimiter) {
          if (p + 1 == n) Add(S());
          ++p;
          skipBlanks();
        }
      }
    });
  }

  std::vector<TStringItem> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  bool ownsObjects_ = false;
  bool strictDelimiter_ = false;
  TDuplicates duplicates_ = dupIgnore;
  CharType delimiter_ = CharType(',');
  CharType quoteChar_ = CharType('"');
  CharType nameValueSeparator_ = CharType('=');
  int32_t updateCount_ = 0;
};

// The platform's UTF-16 string list.
using TStringList = TStringListT<UnicodeString>;
// Parameters typed "string list" take this.
using TStrings = TStringList;
