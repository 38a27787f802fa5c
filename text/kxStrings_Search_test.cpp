#include "text/kxStrings_Search.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/rtl/Trim.h"

namespace {

using namespace TkxStrings;
using namespace std::string_literals;

void Fill(TStrings& list, std::initializer_list<UnicodeString> entries) {
  for (const auto& e : entries) list.Add(e);
}

TEST(Trim, RemovesUnitsAtOrBelowBlankAndNothingElse) {
  struct Case { std::u16string in, want; };
  const Case cases[] = {
      {u"", u""},
      {u" \t\r\n\x01\x1F", u""},
      {u"\x20\x0B a b \x7F", u"a b \x7F"},  // DEL is above U+0020
      {u"\u00A0a\u00A0", u"\u00A0a\u00A0"},  // no-break space stays
      {u"\u0085a\u3000", u"\u0085a\u3000"},  // NEL and ideographic space stay
      {u"\0a\0"s, u"a"},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimBlanks(c.in), c.want) << ToUtf8(c.in);
}

TEST(Trim, EightBitKeepsEveryByteFromHex80Up) {
  // char is signed here: bytes from 0x80 up must not count as "below blank".
  EXPECT_EQ(TrimBlanks(" \t\xA0x\xFF\r\n"), "\xA0x\xFF");
  EXPECT_EQ(TrimBlanks("\xC2\xA0"), "\xC2\xA0");
  EXPECT_EQ(TrimBlanks("\x01\x20"), "");
}

TEST(PosW, FirstHitAtOrAfterFromPos) {
  struct Case { std::u16string content, search; int32_t from; bool ic; int32_t want; };
  const Case cases[] = {
      {u"abcbc", u"bc", 3, false, 4},
      {u"abcbc", u"bc", 0, false, 2},  // FromPos below 1 counts as 1
      {u"abcbc", u"bc", -7, false, 2},
      {u"abcbc", u"bc", 5, false, 0},  // only one unit left
      {u"abcbc", u"c", 5, false, 5},
      {u"abcbc", u"c", 6, false, 0},   // beyond the end
      {u"abcbc", u"BC", 1, false, 0},
      {u"abcbc", u"BC", 1, true, 2},
      {u"strasse", u"STRASSE", 1, true, 1},
      {u"Straße", u"STRASSE", 1, true, 0},  // "ß" does not become "SS"
      {u"ÄÖÜ", u"öü", 1, true, 2},
      {u"abc", u"", 1, false, 0},      // an empty search text is never found
      {u"abc", u"", 1, true, 0},
      {u"", u"a", 1, false, 0},
      {u"a\0b"s, u"\0b"s, 1, false, 2},
      {u"x\U00010428", u"\U00010400", 1, true, 2},  // pair found by its upper case
  };
  for (const auto& c : cases)
    EXPECT_EQ(PosW(c.content, c.search, c.from, c.ic), c.want)
        << ToUtf8(c.content) << " / " << ToUtf8(c.search) << " from " << c.from;
}

TEST(PosA, IgnoreCaseMapsOnlyAsciiLetters) {
  struct Case { std::string content, search; int32_t from; bool ic; int32_t want; };
  const Case cases[] = {
      {"abcbc", "bc", 3, false, 4},
      {"abcbc", "BC", 0, true, 2},
      {"ABC", "b", 1, true, 2},
      {"abc", "", 1, true, 0},
      {"", "a", 1, false, 0},
      {"café", "CAFÉ", 1, true, 0},     // é and É differ in their bytes
      {"CAFÉ", "café", 1, true, 0},
      {"café", "CAFé", 1, true, 1},
      {"x\xE9", "X\xC9", 1, true, 0},   // raw Latin-1 bytes: no case mapping either
      {"x\xE9", "X\xE9", 1, true, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PosA(c.content, c.search, c.from, c.ic), c.want) << c.content << " / " << c.search;
}

TEST(Contains, FindsAnywhereAndNeverAnEmptyText) {
  EXPECT_TRUE(Contains(u"Hello World", u"o W", false));
  EXPECT_FALSE(Contains(u"Hello World", u"o w", false));
  EXPECT_TRUE(Contains(u"Hello World", u"O W", true));
  EXPECT_FALSE(Contains(u"Hello", u"", false));
  EXPECT_FALSE(Contains(u"", u"", true));
  EXPECT_FALSE(Contains(u"ab", u"abc", true));
}

TEST(ContainsBetween, SearchesOnlyTheRange) {
  struct Case { std::u16string content, search; int32_t from, to; bool ic; bool want; };
  const Case cases[] = {
      {u"abcdef", u"cd", 3, 5, false, true},   // piece "cd"
      {u"abcdef", u"cd", 3, 4, false, false},  // piece "c"
      {u"abcdef", u"de", 3, 5, false, false},
      {u"abcdef", u"c", 0, 3, false, true},    // FromPos 0 counts as 1, count stays 3: "abc"
      {u"abcdef", u"d", 0, 3, false, false},
      {u"abcdef", u"b", -2, 1, false, true},   // count 3 from position 1: "abc"
      {u"abcdef", u"f", 4, 100, false, true},  // the count stops at the end
      {u"abcdef", u"a", 3, 3, false, false},   // count 0: empty piece
      {u"abcdef", u"a", 5, 2, false, false},
      {u"abcdef", u"a", 7, 9, false, false},
      {u"abcdef", u"CD", 2, 6, true, true},
      {u"abcdef", u"CD", 2, 6, false, false},
      {u"abcdef", u"", 1, 6, false, false},
      {u"abcdef", u"a", INT32_MIN, INT32_MAX, false, true},  // huge count: no overflow
      {u"abcdef", u"f", 1, INT32_MAX, false, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ContainsBetween(c.content, c.search, c.from, c.to, c.ic), c.want)
        << ToUtf8(c.search) << " in " << c.from << ".." << c.to;
}

TEST(GetLastPosW, LastHitOverlappingOnesIncluded) {
  EXPECT_EQ(GetLastPosW(u"aaaa", u"aa", false), 3);
  EXPECT_EQ(GetLastPosW(u"a.b.c", u".", false), 4);
  EXPECT_EQ(GetLastPosW(u"xAbyab", u"AB", true), 5);
  EXPECT_EQ(GetLastPosW(u"xAbyab", u"AB", false), 0);
  EXPECT_EQ(GetLastPosW(u"abc", u"", false), 0);
  EXPECT_EQ(GetLastPosW(u"", u"a", true), 0);
}

TEST(LastPos, StartOfTheLastHit) {
  EXPECT_EQ(LastPos("ab", "abcab"), 4);
  EXPECT_EQ(LastPos("aa", "aaaa"), 3);
  EXPECT_EQ(LastPos("AB", "abcab"), 0);
  EXPECT_EQ(LastPos("", "abc"), 0);
  EXPECT_EQ(LastPos("abcd", "abc"), 0);
}

TEST(RightPos, LeftAndRightCountingTwins) {
  struct Case { std::string z, text; int32_t fromLeft, fromRight; };
  const Case cases[] = {
      {".", "a.b.c", 4, 2},
      {".", ".abc", 1, 4},
      {"c", "a.b.c", 5, 1},
      {".", "abc", -1, -1},
      {".", "", -1, -1},
      {"", "abc", -1, -1},    // an empty Z never matches
      {"bc", "abc", -1, -1},  // nor one longer than one unit
  };
  for (const auto& c : cases) {
    const UnicodeString z = ToUtf16(c.z), text = ToUtf16(c.text);
    EXPECT_EQ(RightPosWL(z, text), c.fromLeft) << c.z << " in " << c.text;
    EXPECT_EQ(RightPosW(z, text), c.fromRight) << c.z << " in " << c.text;
    EXPECT_EQ(RightPosL(c.z, c.text), c.fromLeft) << c.z << " in " << c.text;
    EXPECT_EQ(RightPos(c.z, c.text), c.fromRight) << c.z << " in " << c.text;
  }
  // The 8-bit twins count bytes, the UTF-16 twins units.
  EXPECT_EQ(RightPosL(".", "ä.ö"), 3);
  EXPECT_EQ(RightPosWL(u".", u"ä.ö"), 2);
}

TEST(OptPos, FirstElementNotPrecededByTheNext) {
  struct Case { std::vector<std::string> elements; std::string s; int32_t want; };
  const Case cases[] = {
      {{"x", "y", "z"}, "z...x", 5},   // y missing: x taken
      {{"x", "y", "z"}, "..y.x", 3},   // y before x: go on to y, z missing
      {{"x", "y"}, "..y.x", 3},
      {{"x", "y", "z"}, "x.y.z", 1},   // y after x
      {{"x", "y", "z"}, "z.y.x", 1},   // each next one stands before: the last element
      {{"x", "y", "z"}, ".y.x", 2},    // last element absent, but y was taken
      {{"x", "y", "z"}, "abc", 0},     // the last element does not occur
      {{"x", "y", "z"}, ".y.x.", 2},
      {{"q"}, "abq", 3},
      {{"q"}, "abc", 0},
      {{"", "b"}, "ab", 2},            // an empty element is never found
      {{}, "abc", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(OptPos(c.elements, c.s), c.want) << c.s;
}

TEST(PartPos, FirstPartFollowedByDelimiterInCheckStr) {
  struct Case { std::u16string source, check, delim; int32_t want; };
  const Case cases[] = {
      {u"b;a;rest", u"x a;y", u";", 3},
      {u"b;a;rest", u"b;a;", u";", 1},
      {u"a;rest", u"rest;", u";", -1},     // the text after the last delimiter is never tested
      {u"abc", u"abc", u";", -1},          // no delimiter at all
      {u";x", u"z;", u";", 2},             // an empty first part looks for the delimiter alone
      {u"a::b::c", u"xx:b::", u"::", 3},   // the cut leaves ":b::c": its part ":b" is tested
      {u"a;b", u"a;", u"", -1},
      {u"a;b", u"A;", u";", -1},           // case-sensitive
  };
  for (const auto& c : cases)
    EXPECT_EQ(PartPos(c.source, c.check, c.delim), c.want) << ToUtf8(c.source);
}

TEST(BeginWith, TrimBothAndCompareTheStart) {
  struct Case { std::u16string content, begin; bool ic, trim, want; };
  const Case cases[] = {
      {u"  abc", u"a", false, true, true},
      {u"  abc", u"a", false, false, false},
      {u"abc", u"  ab\t", false, true, true},  // the begin text is trimmed as well
      {u"abc", u"  ab\t", false, false, false},
      {u"Abc", u"aB", true, false, true},
      {u"Abc", u"aB", false, false, false},
      {u"abc", u"abc", false, false, true},
      {u"ab", u"abc", false, false, false},
      {u"abc", u"", false, false, false},
      {u"abc", u"   ", false, true, false},   // empty after trimming
      {u"", u"", false, false, false},
      {u"\U00010428x", u"\U00010400", true, false, true},
      {u"\U00010428x", u"\xD801", true, false, true},  // a lone high unit matches as itself
  };
  for (const auto& c : cases)
    EXPECT_EQ(BeginWith(c.content, c.begin, c.ic, c.trim), c.want)
        << ToUtf8(c.content) << " / " << ToUtf8(c.begin);
}

TEST(BeginWithA, EightBitTrimAndCaseThroughUtf16) {
  struct Case { std::string content, begin; bool ic, trim, want; };
  const Case cases[] = {
      {" \tabc", "ab", false, true, true},
      {" \tabc", "ab", false, false, false},
      {"äbc", "ÄB", true, false, true},          // locale mapping, not only a-z
      {"äbc", "ÄB", false, false, false},
      {"\xC2\xA0x", "x", false, true, false},    // a no-break space is not trimmed
      {"\xE9t\xE9", "\xC9", true, false, false},  // raw Latin-1 bytes are no letters
      {"abc", "", true, false, false},
      {"é", "\xC3", true, false, true},           // a byte-for-byte match always counts
      {"ıx", "I", true, false, true},             // dotless i upper-cases to I: fewer bytes
  };
  for (const auto& c : cases)
    EXPECT_EQ(BeginWithA(c.content, c.begin, c.ic, c.trim), c.want) << c.content << " / " << c.begin;
}

TEST(EndsWith, TextAndEightBitTwins) {
  struct Case { std::string content, end; bool ic, want; };
  const Case cases[] = {
      {"abc", "abc", false, true},
      {"bc", "abc", false, false},
      {"abc", "", false, false},
      {"", "", true, false},
      {"xabc", "bc", false, true},
      {"xabc", "BC", false, false},
      {"xabc", "BC", true, true},
      {"xabc ", "bc", false, false},  // no trimming
      {"Grüße", "GRÜßE", true, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EndsWith(ToUtf16(c.content), ToUtf16(c.end), c.ic), c.want) << c.content << " / " << c.end;
    EXPECT_EQ(EndsWithA(c.content, c.end, c.ic), c.want) << c.content << " / " << c.end;
  }
}

TEST(EndsWith, ListAndElementVariants) {
  TStrings ends;
  Fill(ends, {u".txt", u" .XML ", u""});
  EXPECT_TRUE(EndsWith(u"a.txt", ends, false));
  EXPECT_FALSE(EndsWith(u"a.xml", ends, false));
  EXPECT_FALSE(EndsWith(u"a.xml", ends, true));    // the entry keeps its blanks
  EXPECT_TRUE(EndsWithOneOfElements(u"a.xml\r\n", ends, true, true));  // both trimmed
  EXPECT_FALSE(EndsWithOneOfElements(u"a.xml\r\n", ends, true, false));
  EXPECT_FALSE(EndsWithOneOfElements(u"a.doc", ends, true, true));     // "" never matches

  TStrings begins;
  Fill(begins, {u"http:", u" FTP:"});
  EXPECT_TRUE(BeginWithOneOfElements(u"  ftp://x", begins, true, true));
  EXPECT_FALSE(BeginWithOneOfElements(u"  ftp://x", begins, false, true));
  EXPECT_FALSE(BeginWithOneOfElements(u"ftp://x", begins, true, false));
  EXPECT_TRUE(BeginWithOneOfElements(u"http://x", begins, false, false));

  const TStrings empty{};
  EXPECT_FALSE(EndsWith(u"abc", empty, true));
  EXPECT_FALSE(BeginWithOneOfElements(u"abc", empty, true, true));
}

TEST(EqualsW, TrimAndCaseFlags) {
  struct Case { std::u16string a, b; bool trim, ic, want; };
  const Case cases[] = {
      {u"abc", u"abc", false, false, true},
      {u" abc\t", u"abc", false, false, false},
      {u" abc\t", u"\nabc", true, false, true},  // both sides trimmed
      {u"ABC", u"abc", false, false, false},
      {u"ABC", u"abc", false, true, true},
      {u"\u00A0abc", u"abc", true, true, false},  // U+00A0 is not trimmed
      {u"straße", u"STRASSE", false, true, false},
      {u"", u"  ", true, false, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EqualsW(c.a, c.b, c.trim, c.ic), c.want) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
}

TEST(EqualsAnsi, IgnoreCaseNeverMakesDifferentTextsEqual) {
  struct Case { std::string a, b; bool trim, ic, want; };
  const Case cases[] = {
      {"Straße", "STRAßE", false, true, true},
      {"Straße", "STRAßE", false, false, false},
      {" x ", "x", true, false, true},
      {"\xB5", "\xC2\xB5", false, true, false},
      {"µ", "Μ", false, true, true},   // micro sign and Greek capital MU share an upper case
      // Raw Latin-1 bytes (not UTF-8) travel as escape units; a strict
      // conversion of the upper-cased forms back to 8-bit would make both
      // "CAF?" and so equal.
      {"caf\xE9", "CAF\xE8", false, true, false},
      {"caf\xE9", "CAF\xE9", false, true, true},
      {"\xFF", "?", false, true, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EqualsAnsi(c.a, c.b, c.trim, c.ic), c.want) << c.a << " / " << c.b;
}

TEST(IsNotValid, AnyEntryEqual) {
  TStrings bad;
  Fill(bad, {u"con", u"PRN "});
  EXPECT_TRUE(IsNotValid(u"con", bad, false, false));
  EXPECT_FALSE(IsNotValid(u"CON", bad, false, false));
  EXPECT_TRUE(IsNotValid(u"CON", bad, false, true));
  EXPECT_TRUE(IsNotValid(u" prn", bad, true, true));
  EXPECT_FALSE(IsNotValid(u" prn", bad, false, true));
  EXPECT_FALSE(IsNotValid(u"aux", bad, true, true));
}

TEST(StrCompW, AnswersTheDifferenceNotOnlyTheSign) {
  struct Case { std::u16string a, b; bool trim, upper, desc; int32_t want; };
  const Case cases[] = {
      {u"abc", u"abd", false, false, false, -1},
      {u"abc", u"ab", false, false, false, 1},
      {u"abc", u"abd", false, false, true, 1},
      {u"abc", u"ab", false, false, true, -1},
      {u"a", u"c", false, false, false, -2},
      {u"a", u"", false, false, false, 1},
      {u"", u"abcd", false, false, false, -4},      // the difference of the lengths
      {u"abc", u"abc", false, false, true, 0},
      {u"a", u"B", false, false, false, 'a' - 'B'},  // by code unit: lower case sorts after
      {u"a", u"B", false, true, false, 'A' - 'B'},
      {u"  b", u"a", false, false, false, ' ' - 'a'},
      {u"  b", u"a", true, false, false, 1},
      {u"\uFFFF", u"\0"s, false, false, false, 0xFFFF},  // units compare unsigned
  };
  for (const auto& c : cases)
    EXPECT_EQ(StrCompW(c.a, c.b, c.trim, c.upper, c.desc), c.want) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
}

TEST(IsEmpty, TrimOnlyWithUseTrim) {
  EXPECT_TRUE(IsEmptyW(u"", false));
  EXPECT_FALSE(IsEmptyW(u" \t ", false));
  EXPECT_TRUE(IsEmptyW(u" \t ", true));
  EXPECT_FALSE(IsEmptyW(u"\u00A0", true));
  EXPECT_TRUE(IsNotEmptyW(u" \t ", false));
  EXPECT_FALSE(IsNotEmptyW(u" \t ", true));
  EXPECT_FALSE(IsEmptyA(" \r\n", false));
  EXPECT_TRUE(IsEmptyA(" \r\n", true));
  EXPECT_FALSE(IsEmptyA("\xA0", true));  // a byte from 0x80 up is content
  EXPECT_TRUE(IsNotEmptyA("\x01x", true));
  EXPECT_FALSE(IsNotEmptyA("", false));
}

TEST(IsLength, BiggerAndSmallerAfterOptionalTrim) {
  EXPECT_TRUE(IsLengthBiggerAsW(u" ab ", 3, false));
  EXPECT_FALSE(IsLengthBiggerAsW(u" ab ", 3, true));
  EXPECT_FALSE(IsLengthBiggerAsW(u"abc", 3, false));
  EXPECT_TRUE(IsLengthBiggerAsW(u"", -1, false));
  EXPECT_TRUE(IsLenghtSmallerAsW(u" ab ", 3, true));
  EXPECT_FALSE(IsLenghtSmallerAsW(u" ab ", 3, false));
  EXPECT_FALSE(IsLenghtSmallerAsW(u"", 0, false));
}

TEST(GetStrCount, CountsOverlappingHits) {
  struct Case { std::string text, find; int32_t want; };
  const Case cases[] = {
      {"aaaa", "aa", 3},
      {"aaaa", "a", 4},
      {"abab", "ab", 2},
      {"abab", "AB", 0},
      {"abc", "", 0},
      {"", "a", 0},
      {"a", "aa", 0},
  };
  for (const auto& c : cases) {
    const std::string text = c.text;  // const: the count must not need a changeable text
    EXPECT_EQ(GetStrCount(text, c.find), c.want) << c.text << " / " << c.find;
    const UnicodeString wtext = ToUtf16(c.text);
    EXPECT_EQ(GetStrCountW(wtext, ToUtf16(c.find)), c.want) << c.text << " / " << c.find;
    EXPECT_EQ(GetStrCountExW(wtext, ToUtf16(c.find), false), c.want) << c.text << " / " << c.find;
  }
}

TEST(GetStrCountExW, IgnoreCaseComparesLowerCaseFormsAndKeepsTheText) {
  const UnicodeString text = u"AaAa";
  UnicodeString changeable = text;
  EXPECT_EQ(GetStrCountExW(changeable, u"aA", true), 3);
  EXPECT_EQ(changeable, text);  // the caller's text stays as it was
  EXPECT_EQ(GetStrCountExW(text, u"aA", false), 1);
  EXPECT_EQ(GetStrCountExW(text, u"", true), 0);
  // Lower and upper case differ: the Kelvin sign lower-cases to "k" but
  // stays itself in upper case, the long s upper-cases to "S" but stays
  // itself in lower case.
  EXPECT_EQ(GetStrCountExW(u"\u212A", u"k", true), 1);
  EXPECT_EQ(GetStrCountExW(u"\u017F", u"s", true), 0);
  EXPECT_EQ(PosW(u"\u212A", u"k", 1, true), 0);
  EXPECT_EQ(PosW(u"\u017F", u"s", 1, true), 1);
}

TEST(GetIncludedElementCountW, NonEmptyEntriesContainedIgnoringCase) {
  TStrings elements;
  Fill(elements, {u"INVOICE", u"total", u"", u"missing", u"Total"});
  EXPECT_EQ(GetIncludedElementCountW(u"Invoice, total 12", elements), 3);
  EXPECT_EQ(GetIncludedElementCountW(u"", elements), 0);
  EXPECT_EQ(GetIncludedElementCountW(u"x", TStrings()), 0);
}

TEST(GetWordCount, OnlyBlanksSeparate) {
  struct Case { std::u16string content; int32_t want; };
  const Case cases[] = {
      {u"  one   two  ", 2},
      {u"one", 1},
      {u"", 0},
      {u" \t\r\n ", 0},
      {u"one\ttwo\r\nthree", 1},  // tabs and line breaks inside do not separate
      {u"one \t two", 3},         // two runs of blanks around the tab
      {u"a\u00A0b", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(GetWordCount(c.content), c.want) << ToUtf8(c.content);
}

TEST(GetWordCountAfter, WordsAfterTheFirstHit) {
  struct Case { std::u16string content, search; int32_t def, want; };
  const Case cases[] = {
      {u"Total: 3 items", u"total:", -1, 2},
      {u"a b c", u"x", 42, 42},             // no hit: the caller's default
      {u"a b c", u"", 42, 42},
      {u"a b c", u"C", 42, 0},              // at the very end: nothing follows
      {u"a b c  \t", u"c", 42, 0},
      {u"key=1 key=2 3", u"KEY=", -1, 3},   // the first hit counts
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetWordCountAfter(c.content, c.search, c.def), c.want) << ToUtf8(c.content);
}

}  // namespace
