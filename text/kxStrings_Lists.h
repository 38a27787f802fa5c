// text/kxStrings_Lists.h — TkxStringLists: searching, replacing, deleting and
// joining the lines of a string list.
//
// An element mode (StringListElement, compared exactly) says which part of a
// line an operation looks at: "NAMES" the part before the first name-value
// separator (empty for a line without one), "VALUE" the part after it, any
// other text (the empty one too) the whole line. Comparisons are those of
// kxStrings_Search.h: EqualsW without trimming, Contains (an empty search
// text is never contained), IgnoreCase through the UpperText forms.
//
// The operations raise nothing of their own; they hand back the list they
// were given.
#pragma once

#include <cstdint>

#include "platform/rtl/Object.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"

namespace TkxStringLists {

// The object of the first line equal to Key as a whole (StringList.IndexOf,
// so by the list's own comparison), null when there is none.
TObject* GetObjectByNameFromStringList(const UnicodeString& Key, const TStrings& StringList);

// The index of the first line, from the first (or with Inverse from the
// last), whose value (ValueFromIndex) equals SearchString by
// EqualsW(SearchString, value, TrimBefore, IgnoreCase); -1 when none does.
int32_t FindValueInStringList(const UnicodeString& SearchString, const TStrings& StringList,
                              bool TrimBefore, bool IgnoreCase, bool Inverse);

// Replaces SearchFlag by ReplaceFlag in the chosen element of every line.
// With WholeWord, an element equal to SearchFlag is replaced as a whole;
// every other element has each occurrence replaced (ReplaceW with
// IgnoreCase). Every line is written back, "=" always being the separator
// written: a name R gives the line R + "=" + value; a value R is set with
// SetValueFromIndex; a whole line becomes R. A value that becomes empty
// deletes its line, and the line after it is visited next.
//   {"k=v"}, "k" -> "key", "NAMES" gives {"key=v"};  {"abc"}, "b" -> "x" gives {"axc"}
TStrings& ReplaceInStringList(TStrings& StringList, const UnicodeString& SearchFlag,
                              const UnicodeString& ReplaceFlag, bool IgnoreCase, bool WholeWord,
                              const UnicodeString& StringListElement);

// As ReplaceInStringList, but values are read with GetValue(name of the line)
// and written with SetValue(name of the line, ...), that is through the first
// line with the same name; and with WholeWord only elements equal to
// SearchFlag change (every other line stays as it is).
TStrings& ReplaceInWideStringList(TStrings& StringList, const UnicodeString& SearchFlag,
                                  const UnicodeString& ReplaceFlag, bool IgnoreCase,
                                  bool WholeWord, const UnicodeString& StringListElement);

// Deletes every line whose element equals SearchFlag (only with WholeWord)
// or contains it. Values are read with ValueFromIndex.
TStrings& DeleteWhenEqualsInStringList(TStrings& StringList, const UnicodeString& SearchFlag,
                                       bool IgnoreCase, bool WholeWord,
                                       const UnicodeString& StringListElement);
// The same with values read by GetValue(name of the line).
TStrings& DeleteWhenEqualsInWideStringList(TStrings& StringList, const UnicodeString& SearchFlag,
                                           bool IgnoreCase, bool WholeWord,
                                           const UnicodeString& StringListElement);

// Keeps only the lines whose element equals (only with WholeWord) or contains
// one of the search texts, read from SearchFlagCommaSeparated by the
// comma-text rules (a blank also ends an unquoted item); every other line is
// deleted. No search text keeps nothing.
//   {"x=a1", "y=b", "z=c"}, "a,b", "VALUE" keeps {"x=a1", "y=b"}
TStrings& DeleteWhenNotEqualsInStringList(TStrings& StringList,
                                          const UnicodeString& SearchFlagCommaSeparated,
                                          bool IgnoreCase, bool WholeWord,
                                          const UnicodeString& StringListElement);

// The lines BeginIndex to EndIndex (clamped to the list) joined: by CR LF
// with WithCRLF, else with nothing between them. BeginIndex above EndIndex
// gives "".
//   {"a", "b", "c"}, 1, 5, true == u"b\r\nc"
UnicodeString AddValues(const TStringsT<UnicodeString>& List, int32_t BeginIndex,
                        int32_t EndIndex, bool WithCRLF);

// Every line, with nothing between them.
UnicodeString GetCompleteContentWithoutCRLFAtEnd(const TStrings& StringList);

// Deletes every line that is empty after trimming (blanks and control
// characters only).
void RemoveEmptyLines(TStrings& Strings);

}  // namespace TkxStringLists
