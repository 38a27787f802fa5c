// platform/rtl/HashedStringList.h — the platform's hashed string list: the
// UTF-16 string list of StringList.h whose IndexOf and IndexOfName answer
// from a hash index instead of comparing entry after entry.
//
// Everything else is the string list's: the order of insertion is kept,
// a text may occur more than once (on an unsorted list Duplicates does not
// apply), and a new list is unsorted, ignores case and owns no objects.
//
// Lookups find the FIRST entry (by index) whose text, or whose name before
// the first NameValueSeparator, equals the key: exactly while CaseSensitive,
// else when both UpperText forms (CaseMapping.h) are equal. This is not the
// collation that sorting and Find use (a hash cannot follow it): a text that
// equals another only under the collation ("straße" and "STRASSE" while case
// is ignored) is found by Find but not by IndexOf, on a sorted hashed list
// too.
//
// The index is built on the first lookup after a change and dropped by every
// change (the list's Changed hook, which runs inside an update too); changing
// CaseSensitive or NameValueSeparator also rebuilds it. Lookups from several
// threads at once are safe while nobody changes the list.
//   THashedStringList l; l.Add(u"b=1"); l.Add(u"A=2"); l.Add(u"a=3");
//   l.IndexOf(u"a=2") == 1;  l.IndexOfName(u"a") == 1;  l.GetValue(u"B") == u"1"
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"

class THashedStringList : public TStringList {
 public:
  explicit THashedStringList(bool OwnsObjects = false);
  ~THashedStringList() override;

  int32_t IndexOf(const UnicodeString& Value) const override;
  int32_t IndexOfName(const UnicodeString& Name) const override;

 protected:
  void Changed() override;

 private:
  struct KeyIndex;
  int32_t Lookup(std::unique_ptr<KeyIndex>& Index, bool ByName, const UnicodeString& Key) const;

  mutable std::mutex lock_;
  mutable std::unique_ptr<KeyIndex> texts_;
  mutable std::unique_ptr<KeyIndex> names_;
};
