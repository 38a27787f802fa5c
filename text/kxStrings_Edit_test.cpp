#include "text/kxStrings_Edit.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace {

using namespace TkxStrings;
using namespace std::string_literals;

std::vector<UnicodeString> Entries(const TStrings& list) {
  std::vector<UnicodeString> out;
  for (int32_t i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

// ---- Substrings --------------------------------------------------------------

TEST(SubStringW, CutRuleWithAndWithoutEnd) {
  struct Case { std::u16string content; int32_t from, to; bool tb, ta; std::u16string want; };
  const Case range[] = {
      {u"abcdef", 2, 4, false, false, u"bc"},
      {u"abcdef", 0, 3, false, false, u"abc"},   // start below 1 keeps the count
      {u"abcdef", 1, 3, false, false, u"ab"},
      {u"abcdef", -2, 1, false, false, u"abc"},
      {u"abcdef", 4, 4, false, false, u""},      // count 0
      {u"abcdef", 5, 2, false, false, u""},      // negative count
      {u"abcdef", 5, 99, false, false, u"ef"},   // stops at the end
      {u"abcdef", 7, 9, false, false, u""},      // starts beyond the end
      {u"abcdef", INT_MIN, INT_MAX, false, false, u"abcdef"},  // no overflow
      {u"  ab cd ", 1, 4, true, false, u"ab "},  // trimmed before cutting
      {u"  ab cd ", 1, 4, true, true, u"ab"},
      {u"  ab cd ", 1, 4, false, true, u"a"},
  };
  for (const auto& c : range)
    EXPECT_EQ(SubStringW(c.content, c.from, c.to, c.tb, c.ta), c.want)
        << ToUtf8(c.content) << " " << c.from << ".." << c.to;

  struct FromCase { std::u16string content; int32_t from; bool tb, ta; std::u16string want; };
  const FromCase tail[] = {
      {u"abcdef", 3, false, false, u"cdef"},
      {u"abcdef", 0, false, false, u"abcdef"},
      {u"abcdef", 6, false, false, u"f"},
      {u"abcdef", 7, false, false, u""},
      {u" ab c ", 2, false, true, u"ab c"},
      {u" ab c ", 2, true, false, u"b c"},
  };
  for (const auto& c : tail)
    EXPECT_EQ(SubStringW(c.content, c.from, c.tb, c.ta), c.want) << ToUtf8(c.content) << " " << c.from;
}

// The three-number slip SubStringW(s, 2, 4, true) must not compile as
// From 2 with the flags 4 and true.
template <class S>
concept SubStringWTakes = requires(const S& s) { SubStringW(s, 2, 4, true); };
template <class S>
concept SubStringATakes = requires(const S& s) { SubStringA(s, 2, 4, true); };
static_assert(!SubStringWTakes<UnicodeString>);
static_assert(!SubStringATakes<AnsiString>);

TEST(SubStringA, SameRulesOnBytes) {
  EXPECT_EQ(SubStringA("abcdef", 2, 4, false, false), "bc");
  EXPECT_EQ(SubStringA("abcdef", 0, 3, false, false), "abc");
  EXPECT_EQ(SubStringA("abcdef", 7, false, false), "");
  // Bytes from 0x80 up are not blanks, however char is signed.
  EXPECT_EQ(SubStringA(" \xC3\xA4x\xFF\t", 1, 99, true, false), "\xC3\xA4x\xFF");
  EXPECT_EQ(SubStringA(" a\0b "s, 1, true, true), "a\0b"s);
}

TEST(Add, InsertsAfterPosClampedToTheText) {
  struct Case { int32_t pos; std::u16string want; };
  const Case cases[] = {{2, u"ab-cd"}, {0, u"-abcd"}, {-5, u"-abcd"}, {4, u"abcd-"}, {9, u"abcd-"}};
  for (const auto& c : cases) EXPECT_EQ(Add(u"abcd", u"-", c.pos), c.want) << c.pos;
  EXPECT_EQ(Add(u"", u"x", 3), u"x");
}

// ---- Text between markers ----------------------------------------------------

TEST(GetBetween, FirstEndMarkerAfterTheStartMarker) {
  struct Case { std::string str, f, l, want; };
  const Case cases[] = {
      {"x[a]y[b]", "[", "]", "a"},
      {"]x[ a ]", "[", "]", "a"},          // an end marker before the start is passed
      {"x[a", "[", "]", ""},                 // no end marker after the start
      {"x]a", "[", "]", ""},                 // no start marker
      {"key: value ", ":", "", "value"},    // empty end marker: the rest, trimmed
      {"key value", ":", "", ""},           // ... but nothing without a start marker
      {"k=\"v\"", "\"", "\"", "v"},         // equal markers: the end is after the start
      {"<<a>>", "<<", ">>", "a"},
      {"abc", "", "c", ""},                  // an empty start marker is never found
  };
  for (const auto& c : cases) EXPECT_EQ(GetBetween(c.str, c.f, c.l), c.want) << c.str;
}

TEST(GetBetweenW, LastEndMarkerOfAnyLength) {
  struct Case { std::u16string str, f, l, want; };
  const Case cases[] = {
      {u"x[a]y[b]", u"[", u"]", u"a]y[b"},
      {u"x]a[b", u"[", u"]", u""},            // the last end marker stands before the start
      {u"x[a", u"[", u"]", u""},
      {u"<!-- a --> b -->", u"<!--", u"-->", u"a --> b"},  // several units
      {u"\"v\"", u"\"", u"\"", u"v"},
      {u"\"v", u"\"", u"\"", u""},            // the only quote is the start marker
      {u"key: value ", u":", u"", u"value"},
      {u"key value", u":", u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(GetBetweenW(c.str, c.f, c.l), c.want) << ToUtf8(c.str);
}

TEST(GetBetweenW, RecordFormWithMarkerPositions) {
  struct Case {
    std::u16string content, start, stop;
    int32_t fromStart, fromEnd;
    std::u16string want;
    int32_t begin, end;
  };
  const Case cases[] = {
      {u"<a><b>", u"<", u">", 1, 1, u"a", 1, 3},
      {u"<a><b>", u"<", u">", 4, 4, u"b", 4, 6},
      {u"<a><b>", u"<", u">", 2, 2, u"b", 4, 6},   // end search moves behind the start marker
      {u"<a><b>", u"<", u">", 1, 5, u"a><b", 1, 6},
      {u"[[ x ]]", u"[[", u"]]", 1, 1, u"x", 1, 6},
      {u"<a>", u"<", u">", 3, 2, u"", 0, 0},       // start search after end search
      {u"<a>", u"<", u">", 1, 4, u"", 0, 0},       // beyond the end
      {u"<a>", u"<", u">", 0, 1, u"", 0, 3},       // start search below 1 finds nothing
      {u"ab<", u"<", u">", 1, 1, u"", 3, 0},       // start marker ends the text
      {u"a<b>", u"<", u">", 1, 1, u"b", 2, 4},
      {u"a< b ", u"<", u"", 1, 1, u"b", 2, 0},     // empty stop marker: the rest
      {u"a b", u"<", u"", 1, 1, u"", 0, 0},        // ... not without a start marker
      {u"a<b", u"<", u">", 1, 1, u"", 2, 0},
  };
  for (const auto& c : cases) {
    const TBetweenSearchResult r = GetBetweenW(c.content, c.start, c.stop, c.fromStart, c.fromEnd);
    EXPECT_EQ(r.ResultString, c.want) << ToUtf8(c.content) << " " << c.fromStart << "/" << c.fromEnd;
    EXPECT_EQ(r.BeginPos, c.begin) << ToUtf8(c.content) << " " << c.fromStart << "/" << c.fromEnd;
    EXPECT_EQ(r.EndPos, c.end) << ToUtf8(c.content) << " " << c.fromStart << "/" << c.fromEnd;
  }
}

TEST(GetCharsBeforeString, UpToCountCharsBeforeTheHit) {
  struct Case { std::u16string content, search; int32_t from, count; bool ic; std::u16string want; };
  const Case cases[] = {
      {u"ab:c", u":", 1, 5, false, u"ab"},
      {u"abcd:e", u":", 1, 2, false, u"cd"},
      {u"a:b:c", u":", 3, 9, false, u"a:b"},   // from position 3 finds the second ":"
      {u"abXc", u"x", 1, 1, true, u"b"},
      {u"abXc", u"x", 1, 1, false, u""},
      {u":a", u":", 1, 3, false, u""},
      {u"ab:c", u":", 1, 0, false, u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetCharsBeforeString(c.content, c.search, c.from, c.count, c.ic), c.want)
        << ToUtf8(c.content);
}

// ---- Words and elements --------------------------------------------------------

TEST(GetLastWords, LastWordsInTextOrder) {
  struct Case { std::u16string content; int32_t count; std::u16string want; };
  const Case cases[] = {
      {u"one two three", 2, u"two three"},
      {u"one two three", 5, u"one two three"},
      {u"one two three", 0, u"one two three"},
      {u"  one \t\r\n two   ", 1, u"two"},
      {u"say \"hello  world\" now", 2, u"hello  world now"},
      {u"a \"\" \" \" b", 2, u"a b"},          // quoted empty and blank words are skipped
      {u"it's \"x\"\"y\"", 1, u"x\"y"},
      {u"", 3, u""},
  };
  for (const auto& c : cases) EXPECT_EQ(GetLastWords(c.content, c.count), c.want) << ToUtf8(c.content);
}

TEST(GetLastElement, TextAfterTheLastSeparator) {
  struct Case { std::u16string content, sep; bool ignoreLast; std::u16string want; };
  const Case cases[] = {
      {u"a/b/c", u"/", false, u"c"},
      {u"a/b/ c ", u"/", false, u"c"},
      {u"a/b/", u"/", false, u""},
      {u"a/b/", u"/", true, u"b"},
      {u"a/b/c", u"/", true, u"c"},            // one unit after the separator is not "at the end"
      {u"abc", u"/", true, u"abc"},
      {u"/", u"/", true, u""},
      {u" abc ", u"", false, u"abc"},
      {u"a::b", u"::", false, u":b"},          // the rest of a longer separator stays
      {u"a::b::", u"::", true, u":b"},
      {u"a/B", u"b", false, u"a/B"},           // case-sensitive
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetLastElement(c.content, c.sep, c.ignoreLast), c.want) << ToUtf8(c.content);
}

// ---- Splitting -----------------------------------------------------------------

TEST(SplitStringW, EveryPartBetweenSeparators) {
  struct Case { std::u16string source, at; std::vector<UnicodeString> want; };
  const Case cases[] = {
      {u"a,,b", u",", {u"a", u"", u"b"}},
      {u"a,", u",", {u"a", u""}},
      {u",", u",", {u"", u""}},
      {u"abc", u",", {u"abc"}},
      {u"", u",", {}},
      {u"a,b", u"", {}},
      {u"a::b:c", u"::", {u"a", u"b:c"}},
      {u"xa", u"aa", {u"xa"}},                // a separator straddling the end is no separator
      {u"aaa", u"aa", {u"", u"a"}},
  };
  for (const auto& c : cases) {
    TStringList list;
    EXPECT_TRUE(SplitStringW(c.source, c.at, list)) << ToUtf8(c.source);
    EXPECT_EQ(Entries(list), c.want) << ToUtf8(c.source) << " at " << ToUtf8(c.at);
  }
}

TEST(SplitStringW, AppendsToTheListAndStopsAtAnError) {
  TStringList list;
  list.Add(u"kept");
  ASSERT_TRUE(SplitStringW(u"a;b", u";", list));
  EXPECT_EQ(Entries(list), (std::vector<UnicodeString>{u"kept", u"a", u"b"}));

  TStringList sorted;
  sorted.SetSorted(true);
  sorted.SetDuplicates(dupError);
  EXPECT_FALSE(SplitStringW(u"b;a;b;c", u";", sorted));
  EXPECT_EQ(Entries(sorted), (std::vector<UnicodeString>{u"a", u"b"}));  // parts before the error stay
}

TEST(SplitStringW, PartsJoinedGiveTheSource) {
  std::mt19937 rng(7);
  const std::u16string alphabet = u"ab,;";
  const std::u16string separators[] = {u",", u"ab", u"a,a", u";;"};
  for (int round = 0; round < 2000; ++round) {
    std::u16string source;
    const int n = 1 + static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) source += alphabet[rng() % alphabet.size()];
    const std::u16string& at = separators[rng() % std::size(separators)];
    TStringList list;
    ASSERT_TRUE(SplitStringW(source, at, list));
    std::u16string joined;
    for (int32_t i = 0; i < list.Count(); ++i) joined += (i ? at : u"") + list.Strings(i);
    ASSERT_EQ(joined, source) << "at " << ToUtf8(at);
  }
}

TEST(SplitString, EightBitIntoBothKindsOfList) {
  TStringList wide;
  EXPECT_TRUE(SplitString("gr\xC3\xBC\xC3\x9F/\xFF/", "/", wide));
  EXPECT_EQ(Entries(wide), (std::vector<UnicodeString>{u"grüß", u"\xDCFF", u""}));

  TAnsiStringList narrow;
  narrow.Add("kept");
  EXPECT_TRUE(SplitString("/GET/a\0b/\xFF"s, "/", narrow));
  ASSERT_EQ(narrow.Count(), 5);
  const std::string want[] = {"kept", "", "GET", "a\0b"s, "\xFF"};
  for (int32_t i = 0; i < narrow.Count(); ++i) EXPECT_EQ(narrow.Strings(i), want[i]) << i;

  TAnsiStringList empty;
  EXPECT_TRUE(SplitString("", "/", empty));
  EXPECT_EQ(empty.Count(), 0);
}

TEST(SplitFirstString, AtTheFirstSeparator) {
  UnicodeString l = u"old", r = u"old";
  EXPECT_TRUE(SplitFirstStringW(u"key=value=x", u"=", l, r));
  EXPECT_EQ(l, u"key");
  EXPECT_EQ(r, u"value=x");
  EXPECT_FALSE(SplitFirstStringW(u"keyvalue", u"=", l, r));
  EXPECT_EQ(l, u"keyvalue");
  EXPECT_EQ(r, u"");
  EXPECT_FALSE(SplitFirstStringW(u"a=b", u"", l, r));
  EXPECT_EQ(l, u"a=b");

  // The source may be one of the outputs.
  UnicodeString s = u"a::b";
  UnicodeString rest;
  EXPECT_TRUE(SplitFirstStringW(s, u"::", rest, s));
  EXPECT_EQ(rest, u"a");
  EXPECT_EQ(s, u"b");
  UnicodeString t = u"ab";
  EXPECT_FALSE(SplitFirstStringW(t, u"=", rest, t));
  EXPECT_EQ(rest, u"ab");
  EXPECT_EQ(t, u"");

  AnsiString al, ar;
  EXPECT_TRUE(SplitFirstString("a=", "=", al, ar));
  EXPECT_EQ(al, "a");
  EXPECT_EQ(ar, "");
  EXPECT_FALSE(SplitFirstString("a", "A", al, ar));
  EXPECT_EQ(al, "a");
}

TEST(SplitAtNumbers, AfterLastAndBeforeFirst) {
  struct Case { std::u16string content; bool allow; int32_t type; bool ok; std::u16string before, behind; };
  const Case cases[] = {
      {u"12.5 EUR", false, 0, true, u"12.5", u" EUR"},
      {u"12,50.", false, 5, true, u"12,50", u"."},
      {u"12,50.", true, 5, true, u"12,50.", u""},     // currency separators
      {u"1.2.2024/x", true, 2, true, u"1.2.2024/", u"x"},
      {u"1.2.2024/x", true, 5, true, u"1.2.2024", u"/x"},
      {u"1-", false, 2, true, u"1", u"-"},            // only with AllowTypicleTypeSeparators
      {u"abc", true, 2, false, u"keep", u"keep"},
      {u"", false, 0, false, u"keep", u"keep"},
  };
  for (const auto& c : cases) {
    UnicodeString before = u"keep", behind = u"keep";
    EXPECT_EQ(SplitAfterLastNumber(c.content, before, behind, c.allow, c.type), c.ok) << ToUtf8(c.content);
    EXPECT_EQ(before, c.before) << ToUtf8(c.content);
    EXPECT_EQ(behind, c.behind) << ToUtf8(c.content);
  }

  UnicodeString before = u"keep", behind = u"keep";
  EXPECT_TRUE(SplitBeforeFirstNumber(u"abc12d3", before, behind));
  EXPECT_EQ(before, u"abc");
  EXPECT_EQ(behind, u"12d3");
  EXPECT_TRUE(SplitBeforeFirstNumber(u"7", before, behind));
  EXPECT_EQ(before, u"");
  EXPECT_EQ(behind, u"7");
  before = behind = u"keep";
  EXPECT_FALSE(SplitBeforeFirstNumber(u"abc", before, behind));
  EXPECT_EQ(before, u"keep");
  EXPECT_EQ(behind, u"keep");
}

// ---- Padding -------------------------------------------------------------------

TEST(FillIntNull, ZerosInFrontOfEverythingAtMost61) {
  struct Case { int64_t nr; int32_t max; std::string want; };
  const Case cases[] = {
      {7, 3, "007"},
      {12345, 3, "12345"},
      {0, 1, "0"},
      {-5, 4, "00-5"},                     // in front of the minus sign
      {5, -1, "5"},
      {1, 100, std::string(61, '0') + "1"},
      {INT64_MIN, 21, "0-9223372036854775808"},
      {INT64_MAX, 0, "9223372036854775807"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FillIntNull(c.nr, c.max), c.want) << c.nr << " " << c.max;
    EXPECT_EQ(FillIntNullW(c.nr, c.max), ToUtf16(c.want)) << c.nr << " " << c.max;
  }
  EXPECT_EQ(FillStrNull("ab", 4), "00ab");
  EXPECT_EQ(FillStrNullW(u"äb", 3), u"0äb");
  EXPECT_EQ(FillStrNullW(u"", INT_MAX), UnicodeString(61, u'0'));
}

TEST(FillBlank, BlanksUpToLengthNeverCut) {
  EXPECT_EQ(FillBlankFront("ab", 4), "  ab");
  EXPECT_EQ(FillBlankBack("ab", 4), "ab  ");
  EXPECT_EQ(FillBlankFront(u"ab", 4), u"  ab");
  EXPECT_EQ(FillBlankBack(u"ab", 4), u"ab  ");
  EXPECT_EQ(FillBlankFront("abc", 2), "abc");
  EXPECT_EQ(FillBlankBack(u"abc", -3), u"abc");
  EXPECT_EQ(FillBlankBack(u"", 100), UnicodeString(100, u' '));  // no 61 limit here
}

TEST(FillEachPosition, ElementEveryLetterCountUnits) {
  struct Case { std::u16string content, element; int32_t count, times; bool back; std::u16string want; };
  const Case cases[] = {
      {u"1234567", u".", 3, 2, true, u"1.234.567"},
      {u"123456", u".", 3, 5, true, u".123.456"},
      {u"123456", u".", 3, 1, true, u"123.456"},
      {u"123456", u".", 3, 5, false, u"123.456."},
      {u"1234567", u".", 3, 5, false, u"123.456.7"},
      {u"1234567", u"ab", 2, 2, true, u"123ab45ab67"},   // the element keeps its order backward
      {u"12345", u"-", 1, 2, false, u"1-2-345"},
      {u"12345", u"-", 0, 9, false, u"12345"},
      {u"12345", u"-", 2, 0, false, u"12345"},
      {u"", u"-", 1, 9, false, u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FillEachPosition(c.content, c.element, c.count, c.times, c.back), c.want)
        << ToUtf8(c.content) << " " << c.count << " " << c.times << " " << c.back;
}

// ---- Plurals -------------------------------------------------------------------

TEST(ShowPlural, OnlyOneIsSingular) {
  for (const int32_t count : {0, 2, -1, INT_MIN}) {
    EXPECT_EQ(ShowPluralS(count), "s") << count;
    EXPECT_EQ(Sps(count), "s") << count;
    EXPECT_EQ(ShowPluralSW(count), u"s") << count;
    EXPECT_EQ(SpsW(count), u"s") << count;
    EXPECT_EQ(ShowPluralStr(count, "en"), "en") << count;
    EXPECT_EQ(ShowPluralStrW(count, u"en"), u"en") << count;
  }
  EXPECT_EQ(ShowPluralS(1), "");
  EXPECT_EQ(Sps(1), "");
  EXPECT_EQ(ShowPluralSW(1), u"");
  EXPECT_EQ(SpsW(1), u"");
  EXPECT_EQ(ShowPluralStr(1, "en"), "");
  EXPECT_EQ(ShowPluralStrW(1, u"en"), u"");
}

// ---- Flags and suffixes --------------------------------------------------------

TEST(AppendW, FrontOrBackWithOptionalRuleText) {
  EXPECT_EQ(AppendW(u"b", u"c", u"x", true, REPLACE_LAST), u"bcx");
  EXPECT_EQ(AppendW(u"b", u"c", u"x", false, REPLACE_LAST), u"bc");
  EXPECT_EQ(AppendW(u"b", u"c", u"x", true, REPLACE_FIRST), u"xcb");
  EXPECT_EQ(AppendW(u"b", u"c", u"x", false, REPLACE_FIRST), u"cb");
}

TEST(AddWhenNotBeginOrEnd, AddsMissingFlags) {
  struct Case { std::u16string content, flag; TSEARCH_TYPE pos; std::u16string want; };
  const Case cases[] = {
      {u"path", u"/", EACH_POS, u"/path/"},
      {u"/path/", u"/", EACH_POS, u"/path/"},
      {u"path", u"/", FIRST_POS, u"/path"},
      {u"path", u"/", LAST_POS, u"path/"},
      {u" /path", u"/", FIRST_POS, u" /path"},   // the front test ignores blanks
      {u"path ", u"/", LAST_POS, u"path /"},     // the end test does not
      {u"Path", u"p", FIRST_POS, u"pPath"},      // case-sensitive
      {u"", u"/", EACH_POS, u"/"},               // the added front flag is also the end
      {u"path", u"", EACH_POS, u"path"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AddWhenNotBeginOrEnd(c.content, c.flag, c.pos), c.want) << ToUtf8(c.content) << " " << c.pos;
}

TEST(DeleteFlagWhenBeginOrEnd, RemovesFlagsAtTheVeryEnds) {
  struct Case { std::u16string content, flag; TSEARCH_TYPE pos; std::u16string want; };
  const Case cases[] = {
      {u"/path/", u"/", EACH_POS, u"path"},
      {u"/path/", u"/", FIRST_POS, u"path/"},
      {u"/path/", u"/", LAST_POS, u"/path"},
      {u"//path", u"/", FIRST_POS, u"/path"},    // one flag only
      {u"/", u"/", EACH_POS, u""},
      {u"-", u"-", FIRST_POS, u""},
      {u"--", u"--", EACH_POS, u""},
      {u" /path", u"/", FIRST_POS, u" /path"},   // a leading blank is not the flag
      {u"/path ", u"/", EACH_POS, u"path "},
      {u"/Path", u"/p", FIRST_POS, u"/Path"},
      {u"/path/", u"", EACH_POS, u"/path/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DeleteFlagWhenBeginOrEnd(c.content, c.flag, c.pos), c.want) << ToUtf8(c.content) << " " << c.pos;
    EXPECT_EQ(DeleteFlagWhenBeginOrEndA(ToUtf8(c.content), ToUtf8(c.flag), c.pos), ToUtf8(c.want))
        << ToUtf8(c.content) << " " << c.pos;
  }
}

TEST(CheckStringSuffix, AppendsAMissingSuffix) {
  struct Case { std::u16string str, suffix, want; };
  const Case cases[] = {
      {u"abc", u"/", u"abc/"},
      {u"abc/", u"/", u"abc/"},
      {u"", u"/", u""},                  // an empty path stays empty
      {u"abc", u"", u"abc"},
      {u"b", u"ab", u"bab"},             // shorter than the suffix
      {u"x.TXT", u".txt", u"x.TXT.txt"},  // case-sensitive
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckStringSuffixW(c.str, c.suffix), c.want) << ToUtf8(c.str);
    EXPECT_EQ(CheckStringSuffix(ToUtf8(c.str), ToUtf8(c.suffix)), ToUtf8(c.want)) << ToUtf8(c.str);
  }
}

// ---- Clearing and bytes --------------------------------------------------------

TEST(ClearString, ZerosInPlaceLengthKept) {
  struct Case { int32_t len; std::string want; };
  const Case cases[] = {
      {3, "\0\0\0ret"s},
      {0, std::string(6, '\0')},
      {99, std::string(6, '\0')},
      {-1, "secret"},
  };
  for (const auto& c : cases) {
    std::string s = "secret";
    const char* buffer = s.data();
    EXPECT_TRUE(ClearString(s, c.len));
    EXPECT_EQ(s, c.want) << c.len;
    EXPECT_EQ(s.data(), buffer) << "cleared in place";

    UnicodeString w = u"secret";
    EXPECT_TRUE(ClearStringW(w, c.len));
    EXPECT_EQ(w, ToUtf16(c.want)) << c.len;
  }
  std::string empty;
  EXPECT_TRUE(ClearString(empty, 0));
  EXPECT_EQ(empty, "");
}

TEST(ClearLeadingZeros, FromTheFirstNonZero) {
  EXPECT_EQ(ClearLeadingZeros("000123"), "123");
  EXPECT_EQ(ClearLeadingZeros("000"), "000");
  EXPECT_EQ(ClearLeadingZeros(""), "");
  EXPECT_EQ(ClearLeadingZeros("0a0"), "a0");
  EXPECT_EQ(ClearLeadingZerosW(u"00 1"), u" 1");
  EXPECT_EQ(ClearLeadingZerosW(u"0"), u"0");
}

TEST(ByteArray, ExactBytesBothWays) {
  const std::string bytes = "a\0\xFF\x80z"s;
  const TbyteArray array = StringToByteArray(bytes);
  EXPECT_EQ(array, (TbyteArray{'a', 0, 0xFF, 0x80, 'z'}));
  EXPECT_EQ(ByteArrayToString(array), bytes);
  EXPECT_TRUE(StringToByteArray("").empty());
  EXPECT_EQ(ByteArrayToString({}), "");
}

}  // namespace
