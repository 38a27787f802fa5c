#include "text/kxStrings_Search.h"

#include <algorithm>
#include <string>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Trim.h"

namespace TkxStrings {

namespace {

using U16View = std::u16string_view;

int32_t ToPos(size_t index) { return static_cast<int32_t>(index + 1); }

// 0-based index where a search from the 1-based FromPos starts.
size_t StartIndex(int32_t FromPos) { return FromPos < 1 ? 0 : static_cast<size_t>(FromPos) - 1; }

UnicodeString Upper(U16View text) { return UpperText(text); }

// 1-based position of the first Search in Content at or after index start, or
// 0; an empty Search is never found.
template <class View>
int32_t FindFrom(View Content, View Search, size_t start) {
  if (Search.empty() || start >= Content.size()) return 0;
  const size_t at = Content.find(Search, start);
  return at == View::npos ? 0 : ToPos(at);
}

template <class View>
int32_t FindLast(View Content, View Search) {
  if (Search.empty()) return 0;
  const size_t at = Content.rfind(Search);
  return at == View::npos ? 0 : ToPos(at);
}

// Overlapping hits: each next search starts one unit after the previous hit.
template <class View>
int32_t CountOverlapping(View Text, View Find) {
  if (Find.empty()) return 0;
  int32_t count = 0;
  for (size_t at = Text.find(Find); at != View::npos; at = Text.find(Find, at + 1)) ++count;
  return count;
}

// 0-based index of the last unit of Text equal to the one-unit Z, or npos.
template <class View>
size_t LastUnit(View Z, View Text) {
  if (Z.size() != 1) return View::npos;
  return Text.rfind(Z[0]);
}

// Only the compared piece of Content is upper-cased: the mapping keeps the
// length, so the piece stands at the same place in the upper-cased text.
bool StartsWith(U16View Content, U16View Begin, bool IgnoreCase) {
  if (Begin.empty() || Begin.size() > Content.size()) return false;
  const U16View head = Content.substr(0, Begin.size());
  if (head == Begin) return true;
  return IgnoreCase && Upper(head) == Upper(Begin);
}

bool EndsWithView(U16View Content, U16View End, bool IgnoreCase) {
  if (End.empty() || End.size() > Content.size()) return false;
  const U16View tail = Content.substr(Content.size() - End.size());
  if (tail == End) return true;
  return IgnoreCase && Upper(tail) == Upper(End);
}

bool EqualsView(U16View a, U16View b, bool IgnoreCase) {
  if (a == b) return true;
  return IgnoreCase && a.size() == b.size() && Upper(a) == Upper(b);
}

// True when Test holds for any entry of List, tried in index order.
template <class Test>
bool AnyEntry(const TStrings& List, Test test) {
  for (int32_t i = 0; i < List.Count(); ++i)
    if (test(U16View(List.Strings(i)))) return true;
  return false;
}

int32_t WordCount(U16View Content) {
  const U16View t = TrimBlanks(Content);
  if (t.empty()) return 0;
  int32_t words = 1;
  for (size_t i = 1; i < t.size(); ++i)
    if (t[i] == u' ' && t[i - 1] != u' ') ++words;
  return words;
}

}  // namespace

// ---- Finding ---------------------------------------------------------------

int32_t PosW(const UnicodeString& Content, const UnicodeString& SearchString, int32_t FromPos,
             bool IgnoreCase) {
  const size_t start = StartIndex(FromPos);
  if (SearchString.empty() || start >= Content.size() ||
      SearchString.size() > Content.size() - start)
    return 0;
  if (!IgnoreCase) return FindFrom<U16View>(Content, SearchString, start);
  return FindFrom<U16View>(UpperText(Content), UpperText(SearchString), start);
}

int32_t PosA(const AnsiString& Content, const AnsiString& SearchString, int32_t FromPos,
             bool IgnoreCase) {
  const size_t start = StartIndex(FromPos);
  if (SearchString.empty() || start >= Content.size() ||
      SearchString.size() > Content.size() - start)
    return 0;
  if (!IgnoreCase) return FindFrom<std::string_view>(Content, SearchString, start);
  return FindFrom<std::string_view>(AsciiUpper(Content), AsciiUpper(SearchString), start);
}

bool Contains(const UnicodeString& Content, const UnicodeString& SearchString, bool IgnoreCase) {
  return PosW(Content, SearchString, 1, IgnoreCase) > 0;
}

bool ContainsBetween(const UnicodeString& Content, const UnicodeString& SearchString,
                     int32_t FromPos, int32_t ToPos, bool IgnoreCase) {
  const int64_t count = int64_t{ToPos} - FromPos;
  const size_t start = StartIndex(FromPos);
  if (count <= 0 || start >= Content.size()) return false;
  const U16View piece = U16View(Content).substr(start, static_cast<size_t>(count));
  if (!IgnoreCase) return FindFrom<U16View>(piece, SearchString, 0) > 0;
  return Contains(UnicodeString(piece), SearchString, true);
}

int32_t GetLastPosW(const UnicodeString& Content, const UnicodeString& SearchString,
                    bool IgnoreCase) {
  if (SearchString.empty() || SearchString.size() > Content.size()) return 0;
  if (!IgnoreCase) return FindLast<U16View>(Content, SearchString);
  return FindLast<U16View>(UpperText(Content), UpperText(SearchString));
}

int32_t LastPos(const AnsiString& SubStr, const AnsiString& S) {
  return FindLast<std::string_view>(S, SubStr);
}

int32_t RightPosW(const UnicodeString& Z, const UnicodeString& Text) {
  const size_t at = LastUnit<U16View>(Z, Text);
  return at == U16View::npos ? -1 : static_cast<int32_t>(Text.size() - at);
}

int32_t RightPosWL(const UnicodeString& Z, const UnicodeString& Text) {
  const size_t at = LastUnit<U16View>(Z, Text);
  return at == U16View::npos ? -1 : ToPos(at);
}

int32_t RightPos(const AnsiString& Z, const AnsiString& Text) {
  const size_t at = LastUnit<std::string_view>(Z, Text);
  return at == std::string_view::npos ? -1 : static_cast<int32_t>(Text.size() - at);
}

int32_t RightPosL(const AnsiString& Z, const AnsiString& Text) {
  const size_t at = LastUnit<std::string_view>(Z, Text);
  return at == std::string_view::npos ? -1 : ToPos(at);
}

int32_t OptPos(const std::vector<AnsiString>& SubStr, const AnsiString& S) {
  if (SubStr.empty()) return -1;
  auto first = [&S](const AnsiString& e) { return FindFrom<std::string_view>(S, e, 0); };
  int32_t r = 0;
  int32_t next = first(SubStr[0]);
  for (size_t i = 0; i < SubStr.size(); ++i) {
    r = next;
    next = i + 1 < SubStr.size() ? first(SubStr[i + 1]) : r;
    if (r > 0 && (next >= r || next <= 0)) return r;
  }
  return r;
}

int32_t PartPos(const UnicodeString& Source, const UnicodeString& CheckStr,
                const UnicodeString& Delimiter) {
  if (Delimiter.empty()) return -1;
  U16View rest(Source);
  UnicodeString needle;
  for (size_t at = rest.find(Delimiter); at != U16View::npos; at = rest.find(Delimiter)) {
    needle.assign(rest.substr(0, at));
    needle.append(Delimiter);
    rest.remove_prefix(at + 1);
    const int32_t found = FindFrom<U16View>(CheckStr, needle, 0);
    if (found > 0) return found;
  }
  return -1;
}

// ---- Beginnings and endings ------------------------------------------------

bool BeginWith(const UnicodeString& Content, const UnicodeString& BeginString, bool IgnoreCase,
               bool TrimBefore) {
  if (TrimBefore) return StartsWith(TrimBlanks(Content), TrimBlanks(BeginString), IgnoreCase);
  return StartsWith(Content, BeginString, IgnoreCase);
}

// The 8-bit IgnoreCase tests compare UTF-16 forms and never convert them back:
// a round trip through 8-bit could merge different characters into one byte
// sequence and so make different texts equal. A byte-for-byte match is
// accepted first, so ignoring case never rejects what matches exactly (a
// BeginString that ends inside a multi-byte character included).
bool BeginWithA(const AnsiString& Content, const AnsiString& BeginString, bool IgnoreCase,
                bool TrimBefore) {
  std::string_view c(Content), b(BeginString);
  if (TrimBefore) {
    c = TrimBlanks(c);
    b = TrimBlanks(b);
  }
  if (b.empty()) return false;
  if (c.starts_with(b)) return true;
  return IgnoreCase && StartsWith(ToUtf16(c), ToUtf16(b), true);
}

bool EndsWith(const UnicodeString& Content, const UnicodeString& EndString, bool IgnoreCase) {
  return EndsWithView(Content, EndString, IgnoreCase);
}

bool EndsWith(const UnicodeString& Content, const TStrings& EndString, bool IgnoreCase) {
  return AnyEntry(EndString, [&](U16View entry) { return EndsWithView(Content, entry, IgnoreCase); });
}

bool EndsWithA(const AnsiString& Content, const AnsiString& EndString, bool IgnoreCase) {
  if (EndString.empty()) return false;
  if (std::string_view(Content).ends_with(EndString)) return true;
  return IgnoreCase && EndsWithView(ToUtf16(Content), ToUtf16(EndString), true);
}

bool BeginWithOneOfElements(const UnicodeString& Content, const TStrings& BeginStrings,
                            bool IgnoreCase, bool TrimBefore) {
  const U16View c = TrimBefore ? TrimBlanks(Content) : U16View(Content);
  return AnyEntry(BeginStrings, [&](U16View entry) {
    return StartsWith(c, TrimBefore ? TrimBlanks(entry) : entry, IgnoreCase);
  });
}

bool EndsWithOneOfElements(const UnicodeString& Content, const TStrings& EndStrings,
                           bool IgnoreCase, bool TrimBefore) {
  const U16View c = TrimBefore ? TrimBlanks(Content) : U16View(Content);
  return AnyEntry(EndStrings, [&](U16View entry) {
    return EndsWithView(c, TrimBefore ? TrimBlanks(entry) : entry, IgnoreCase);
  });
}

// ---- Equality, validity, ordering ------------------------------------------

bool EqualsW(const UnicodeString& String1, const UnicodeString& String2, bool TrimBefore,
             bool IgnoreCase) {
  if (TrimBefore) return EqualsView(TrimBlanks(String1), TrimBlanks(String2), IgnoreCase);
  return EqualsView(String1, String2, IgnoreCase);
}

bool EqualsAnsi(const AnsiString& String1, const AnsiString& String2, bool TrimBefore,
                bool IgnoreCase) {
  std::string_view a(String1), b(String2);
  if (TrimBefore) {
    a = TrimBlanks(a);
    b = TrimBlanks(b);
  }
  if (a == b) return true;
  return IgnoreCase && UpperText(ToUtf16(a)) == UpperText(ToUtf16(b));
}

bool IsNotValid(const UnicodeString& Content, const TStrings& NotAllowedStrings, bool TrimBefore,
                bool IgnoreCase) {
  const U16View c = TrimBefore ? TrimBlanks(Content) : U16View(Content);
  return AnyEntry(NotAllowedStrings, [&](U16View entry) {
    return EqualsView(c, TrimBefore ? TrimBlanks(entry) : entry, IgnoreCase);
  });
}

int32_t StrCompW(const UnicodeString& Value1, const UnicodeString& Value2, bool UseTrim,
                 bool UseUpper, bool UseDESC) {
  U16View a(Value1), b(Value2);
  if (UseTrim) {
    a = TrimBlanks(a);
    b = TrimBlanks(b);
  }
  UnicodeString upperA, upperB;
  if (UseUpper) {
    upperA = Upper(a);
    upperB = Upper(b);
    a = upperA;
    b = upperB;
  }
  const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  int64_t diff;
  if (ia != a.end() && ib != b.end())
    diff = int64_t{*ia} - int64_t{*ib};
  else
    diff = static_cast<int64_t>(a.size()) - static_cast<int64_t>(b.size());
  // Lengths beyond the 32-bit range would overflow the difference: keep its sign.
  diff = std::clamp<int64_t>(diff, -INT32_MAX, INT32_MAX);
  return static_cast<int32_t>(UseDESC ? -diff : diff);
}

// ---- Emptiness and length --------------------------------------------------

bool IsEmptyW(const UnicodeString& Content, bool UseTrim) {
  return UseTrim ? TrimBlanks(Content).empty() : Content.empty();
}

bool IsNotEmptyW(const UnicodeString& Content, bool UseTrim) { return !IsEmptyW(Content, UseTrim); }

bool IsEmptyA(const AnsiString& Content, bool UseTrim) {
  return UseTrim ? TrimBlanks(Content).empty() : Content.empty();
}

bool IsNotEmptyA(const AnsiString& Content, bool UseTrim) { return !IsEmptyA(Content, UseTrim); }

bool IsLengthBiggerAsW(const UnicodeString& Content, int32_t Count, bool TrimBefore) {
  const size_t length = TrimBefore ? TrimBlanks(Content).size() : Content.size();
  return static_cast<int64_t>(length) > Count;
}

bool IsLenghtSmallerAsW(const UnicodeString& Content, int32_t Count, bool TrimBefore) {
  const size_t length = TrimBefore ? TrimBlanks(Content).size() : Content.size();
  return static_cast<int64_t>(length) < Count;
}

// ---- Counting ----------------------------------------------------------------

int32_t GetStrCount(const AnsiString& Text, const AnsiString& Find) {
  return CountOverlapping<std::string_view>(Text, Find);
}

int32_t GetStrCountW(const UnicodeString& Text, const UnicodeString& Find) {
  return CountOverlapping<U16View>(Text, Find);
}

int32_t GetStrCountExW(const UnicodeString& Text, const UnicodeString& Find, bool IgnoreCase) {
  if (!IgnoreCase || Find.empty() || Find.size() > Text.size()) return GetStrCountW(Text, Find);
  return CountOverlapping<U16View>(LowerText(Text), LowerText(Find));
}

int32_t GetIncludedElementCountW(const UnicodeString& Content, const TStrings& SearchElements) {
  if (Content.empty()) return 0;
  const UnicodeString upper = UpperText(Content);
  int32_t count = 0;
  for (int32_t i = 0; i < SearchElements.Count(); ++i) {
    const UnicodeString& entry = SearchElements.Strings(i);
    if (entry.empty() || entry.size() > upper.size()) continue;
    if (U16View(upper).find(UpperText(entry)) != U16View::npos) ++count;
  }
  return count;
}

int32_t GetWordCount(const UnicodeString& Content) { return WordCount(Content); }

int32_t GetWordCountAfter(const UnicodeString& Content, const UnicodeString& SearchElement,
                          int32_t DefaultValue) {
  const int32_t at = PosW(Content, SearchElement, 1, true);
  if (at == 0) return DefaultValue;
  return WordCount(U16View(Content).substr(static_cast<size_t>(at - 1) + SearchElement.size()));
}

}  // namespace TkxStrings
