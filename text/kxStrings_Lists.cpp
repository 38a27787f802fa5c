#include "text/kxStrings_Lists.h"

#include <algorithm>
#include <vector>

#include "platform/rtl/Trim.h"
#include "text/kxStrings_Edit.h"
#include "text/kxStrings_Replace.h"
#include "text/kxStrings_Search.h"

namespace TkxStringLists {
namespace {

enum class Element { Names, Value, Line };

Element ElementMode(const UnicodeString& StringListElement) {
  if (StringListElement == u"NAMES") return Element::Names;
  if (StringListElement == u"VALUE") return Element::Value;
  return Element::Line;
}

// The value of line Index: by its position, or (ByName) the value of the
// first line that has the same name.
UnicodeString ValueOf(const TStrings& List, int32_t Index, bool ByName) {
  return ByName ? List.GetValue(List.GetName(Index)) : List.GetValueFromIndex(Index);
}

UnicodeString ElementOf(const TStrings& List, int32_t Index, Element Mode, bool ByName) {
  switch (Mode) {
    case Element::Names:
      return List.GetName(Index);
    case Element::Value:
      return ValueOf(List, Index, ByName);
    case Element::Line:
      break;
  }
  return List.Strings(Index);
}

bool IsEqual(const UnicodeString& Element, const UnicodeString& SearchFlag, bool IgnoreCase) {
  return TkxStrings::EqualsW(Element, SearchFlag, false, IgnoreCase);
}

// Equal (only with WholeWord) or contained.
bool Matches(const UnicodeString& Element, const UnicodeString& SearchFlag, bool IgnoreCase,
             bool WholeWord) {
  return (WholeWord && IsEqual(Element, SearchFlag, IgnoreCase)) ||
         TkxStrings::Contains(Element, SearchFlag, IgnoreCase);
}

// One replacing step on line Index; ByName reads and writes values through
// the first line with the line's name and, with WholeWord, leaves lines
// whose element is not equal alone.
void ReplaceLine(TStrings& List, int32_t Index, const UnicodeString& SearchFlag,
                 const UnicodeString& ReplaceFlag, bool IgnoreCase, bool WholeWord, Element Mode,
                 bool ByName) {
  const UnicodeString element = ElementOf(List, Index, Mode, ByName);
  UnicodeString replaced;
  if (WholeWord && IsEqual(element, SearchFlag, IgnoreCase))
    replaced = ReplaceFlag;
  else if (ByName && WholeWord)
    return;
  else
    replaced = TkxStrings::ReplaceW(element, SearchFlag, ReplaceFlag, IgnoreCase);
  switch (Mode) {
    case Element::Names:
      List.Put(Index, replaced + u"=" + ValueOf(List, Index, ByName));
      return;
    case Element::Value:
      if (ByName)
        List.SetValue(List.GetName(Index), replaced);
      else
        List.SetValueFromIndex(Index, replaced);
      return;
    case Element::Line:
      List.Put(Index, replaced);
      return;
  }
}

// Every line once, in order. A step that deletes lines (an empty value
// deletes its line) leaves the index where it is, so the line that moves up
// is visited next and the loop never runs past the end; lines a step adds at
// the end are not visited.
TStrings& ReplaceInLines(TStrings& List, const UnicodeString& SearchFlag,
                         const UnicodeString& ReplaceFlag, bool IgnoreCase, bool WholeWord,
                         const UnicodeString& StringListElement, bool ByName) {
  const Element mode = ElementMode(StringListElement);
  int32_t end = List.Count();
  int32_t i = 0;
  while (i < end && i < List.Count()) {
    const int32_t before = List.Count();
    ReplaceLine(List, i, SearchFlag, ReplaceFlag, IgnoreCase, WholeWord, mode, ByName);
    const int32_t after = List.Count();
    if (after < before)
      end -= before - after;
    else
      ++i;
  }
  return List;
}

// Deletes the lines that match, last to first, by their own indices: a list
// that ignores case may hold "A" and "a", and a match on "a" must not take
// "A" with it.
TStrings& DeleteMatching(TStrings& List, const UnicodeString& SearchFlag, bool IgnoreCase,
                         bool WholeWord, const UnicodeString& StringListElement, bool ByName) {
  const Element mode = ElementMode(StringListElement);
  std::vector<int32_t> found;
  for (int32_t i = 0; i < List.Count(); ++i)
    if (Matches(ElementOf(List, i, mode, ByName), SearchFlag, IgnoreCase, WholeWord))
      found.push_back(i);
  for (auto it = found.rbegin(); it != found.rend(); ++it) List.Delete(*it);
  return List;
}

}  // namespace

TObject* GetObjectByNameFromStringList(const UnicodeString& Key, const TStrings& StringList) {
  const int32_t index = StringList.IndexOf(Key);
  return index < 0 ? nullptr : StringList.GetObject(index);
}

int32_t FindValueInStringList(const UnicodeString& SearchString, const TStrings& StringList,
                              bool TrimBefore, bool IgnoreCase, bool Inverse) {
  const int32_t n = StringList.Count();
  for (int32_t k = 0; k < n; ++k) {
    const int32_t i = Inverse ? n - 1 - k : k;
    if (TkxStrings::EqualsW(SearchString, StringList.GetValueFromIndex(i), TrimBefore, IgnoreCase))
      return i;
  }
  return -1;
}

TStrings& ReplaceInStringList(TStrings& StringList, const UnicodeString& SearchFlag,
                              const UnicodeString& ReplaceFlag, bool IgnoreCase, bool WholeWord,
                              const UnicodeString& StringListElement) {
  return ReplaceInLines(StringList, SearchFlag, ReplaceFlag, IgnoreCase, WholeWord,
                        StringListElement, false);
}

TStrings& ReplaceInWideStringList(TStrings& StringList, const UnicodeString& SearchFlag,
                                  const UnicodeString& ReplaceFlag, bool IgnoreCase,
                                  bool WholeWord, const UnicodeString& StringListElement) {
  return ReplaceInLines(StringList, SearchFlag, ReplaceFlag, IgnoreCase, WholeWord,
                        StringListElement, true);
}

TStrings& DeleteWhenEqualsInStringList(TStrings& StringList, const UnicodeString& SearchFlag,
                                       bool IgnoreCase, bool WholeWord,
                                       const UnicodeString& StringListElement) {
  return DeleteMatching(StringList, SearchFlag, IgnoreCase, WholeWord, StringListElement, false);
}

TStrings& DeleteWhenEqualsInWideStringList(TStrings& StringList, const UnicodeString& SearchFlag,
                                           bool IgnoreCase, bool WholeWord,
                                           const UnicodeString& StringListElement) {
  return DeleteMatching(StringList, SearchFlag, IgnoreCase, WholeWord, StringListElement, true);
}

TStrings& DeleteWhenNotEqualsInStringList(TStrings& StringList,
                                          const UnicodeString& SearchFlagCommaSeparated,
                                          bool IgnoreCase, bool WholeWord,
                                          const UnicodeString& StringListElement) {
  const Element mode = ElementMode(StringListElement);
  TStringList searches;
  searches.SetCommaText(SearchFlagCommaSeparated);
  // A flag per line: a line equal to a kept one only under the collation is
  // not kept for that.
  std::vector<bool> keep(static_cast<size_t>(StringList.Count()), false);
  for (int32_t i = 0; i < StringList.Count(); ++i) {
    const UnicodeString element = ElementOf(StringList, i, mode, false);
    for (int32_t s = 0; s < searches.Count(); ++s) {
      if (Matches(element, searches.Strings(s), IgnoreCase, WholeWord)) {
        keep[static_cast<size_t>(i)] = true;
        break;
      }
    }
  }
  for (int32_t i = StringList.Count() - 1; i >= 0; --i)
    if (!keep[static_cast<size_t>(i)]) StringList.Delete(i);
  return StringList;
}

UnicodeString AddValues(const TStringsT<UnicodeString>& List, int32_t BeginIndex,
                        int32_t EndIndex, bool WithCRLF) {
  const int32_t first = std::max(BeginIndex, 0);
  const int32_t last = std::min(EndIndex, List.Count() - 1);
  UnicodeString result;
  for (int32_t i = first; i <= last; ++i) {
    result += List.Get(i);
    if (WithCRLF) result += u"\r\n";
  }
  return WithCRLF ? TkxStrings::DeleteFlagWhenBeginOrEnd(result, u"\r\n", LAST_POS) : result;
}

UnicodeString GetCompleteContentWithoutCRLFAtEnd(const TStrings& StringList) {
  return AddValues(StringList, 0, StringList.Count() - 1, false);
}

void RemoveEmptyLines(TStrings& Strings) {
  for (int32_t i = Strings.Count() - 1; i >= 0; --i)
    if (TrimBlanks(Strings.Strings(i)).empty()) Strings.Delete(i);
}

}  // namespace TkxStringLists
