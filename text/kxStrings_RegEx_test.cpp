#include "text/kxStrings_RegEx.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CheckRegularExpressionOnStr, FirstMatchThatIsNotBlank) {
  struct Case { std::u16string pattern, content; bool want; };
  const Case cases[] = {
      {u"\\d+", u"ab12", true},
      {u"\\s+", u"a b\tc", false},         // only blanks match
      {u" *x", u"  x", true},              // the match counts untrimmed
      {u"X", u"x", false},                 // case-sensitive
      {u"a.b", u"a\nb", true},             // "." takes a line break
      {u"a..b", u"a\r\nb", true},          // CR LF is two characters
      {u"^..$", u"\U0001F600", true},      // so is a surrogate pair
      {u"x\xD800", u"ax\xD800z", true},    // a lone surrogate is an ordinary unit
      {u"^b", u"a\nb", false},             // "^" is the start of the whole text
      {u"z", u"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxStrings::CheckRegularExpressionOnStr(c.pattern, c.content), c.want)
        << ToUtf8(c.pattern) << " / " << ToUtf8(c.content);
}

TEST(GetAllRegExResults, AddsEveryMatchToTheList) {
  TStringList wide;
  wide.Add(u"kept");
  TStrings& same = TkxStrings::GetAllRegExResults(u"a1 b22 c333", u"\\d+", wide);
  EXPECT_EQ(&same, &wide);
  EXPECT_EQ(wide.CommaText(), u"kept,1,22,333");

  // Matches that are blank after trimming are left out; others stay untrimmed.
  TStringList spaced;
  TkxStrings::GetAllRegExResults(u"a  b c", u" *[a-z]? *", spaced);
  EXPECT_EQ(spaced.Count(), 3);
  EXPECT_EQ(spaced.Get(0), u"a  ");

  TAnsiStringList narrow;
  narrow.Add("kept");
  TkxStrings::GetAllRegExResults("x\xC3\xA4y \xC3\xA4\xC3\xA4", "\xC3\xA4+", narrow);
  ASSERT_EQ(narrow.Count(), 3);
  EXPECT_EQ(narrow.Get(1), "\xC3\xA4");
  EXPECT_EQ(narrow.Get(2), "\xC3\xA4\xC3\xA4");  // one character per code point, not per byte
}

TEST(GetFirstRegExResultAndIndexFromList, PatternsInOrder) {
  TStringList patterns;
  patterns.Add(u"");
  patterns.Add(u"x+");
  patterns.Add(u"\\d+");
  patterns.Add(u"[a-z]+");
  struct Case { int32_t start; std::u16string want; int32_t index; };
  const Case cases[] = {
      {0, u"12", 2}, {-5, u"12", 2},  // below 0 counts as 0
      {3, u"ab", 3}, {4, u"", -1}, {99, u"", -1},
  };
  for (const auto& c : cases) {
    int32_t found = 7;
    EXPECT_EQ(TkxStrings::GetFirstRegExResultAndIndexFromList(u"ab12", patterns, c.start, found), c.want)
        << c.start;
    EXPECT_EQ(found, c.index) << c.start;
  }
  int32_t found = 7;
  EXPECT_EQ(TkxStrings::GetFirstRegExResultAndIndexFromList(u"ab12", patterns, found), u"12");
  EXPECT_EQ(found, 2);
}

TEST(GetFromRegularExpressionEx, ReducesMatchesToOneElement) {
  struct Case { int32_t element; std::u16string want; };
  const Case cases[] = {
      {2, u"12,345"},
      // The outer elements cut at one end only (nothing before the first,
      // nothing after the last).
      {1, u"aa,a"},
      {3, u"bb,b"},
  };
  for (const auto& c : cases) {
    TStringList results;
    TkxStrings::GetFromRegularExpressionEx(u"(a+)(\\d+)(b+)", u"xaa12bbx a345b", c.element, 0, 0,
                                           results);
    EXPECT_EQ(results.CommaText(), c.want) << c.element;
  }

  // Entries that were there are reduced too; a cut that does not match
  // leaves an entry as it is.
  TStringList results;
  results.Add(u"a7b");
  results.Add(u"zz");
  TkxStrings::GetFromRegularExpressionEx("(a+)(\\d+)(b+)", "aa1b", 2, 0, 0, results);
  EXPECT_EQ(results.CommaText(), u"7,zz,1");
}

TEST(GetFromRegularExpressionEx, Failures) {
  TStringList results;
  // Too large, and below 1: no element has that number.
  for (const int32_t element : {4, 0, -1}) {
    try {
      TkxStrings::GetFromRegularExpressionEx(u"(a+)(\\d+)(b+)", u"xaa12bbx", element, 0, 0,
                                             results);
      ADD_FAILURE() << "no exception for " << element;
    } catch (const ERegExpr&) {
      ADD_FAILURE() << "wrong class for " << element;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, u"elementNo not found...") << element;
    }
  }
  EXPECT_EQ(results.Count(), 0);
  EXPECT_THROW(TkxStrings::GetFromRegularExpressionEx(u"(a+)(", u"aa", 1, 0, 0, results), ERegExpr);
}

TEST(EqualsRegExW, SearchedNotAnchored) {
  struct Case { std::u16string text, pattern; bool want; };
  const Case cases[] = {
      {u"abc", u"b", true},
      {u"abc", u"^b", false},
      {u"a c", u" ", true},      // a blank match counts here
      {u"abc", u"x*", false},    // the first match is empty
  };
  for (const auto& c : cases) {
    int32_t percent = 55;
    EXPECT_EQ(TkxStrings::EqualsRegExW(c.text, c.pattern, percent), c.want) << ToUtf8(c.pattern);
    EXPECT_EQ(percent, c.want ? 100 : 0) << ToUtf8(c.pattern);
  }
}

TEST(RegEx, PatternsThatDoNotCompileRaise) {
  TStringList list;
  TAnsiStringList narrow;
  int32_t n = 0;
  for (const std::u16string bad : {u"(", u"[a-", u"*", u""}) {
    EXPECT_THROW(TkxStrings::CheckRegularExpressionOnStr(bad, u"abc"), ERegExpr) << ToUtf8(bad);
    EXPECT_THROW(TkxStrings::GetAllRegExResults(u"abc", bad, list), ERegExpr) << ToUtf8(bad);
    EXPECT_THROW(TkxStrings::GetAllRegExResults("abc", ToUtf8(bad), narrow), ERegExpr) << ToUtf8(bad);
    EXPECT_THROW(TkxStrings::EqualsRegExW(u"abc", bad, n), ERegExpr) << ToUtf8(bad);
  }
  TStringList patterns;
  patterns.Add(u"x");
  patterns.Add(u"(");
  EXPECT_THROW(TkxStrings::GetFirstRegExResultAndIndexFromList(u"abc", patterns, n), ERegExpr);
  EXPECT_EQ(list.Count(), 0);
  // A search the engine gives up on is an error, not "no match".
  EXPECT_THROW(TkxStrings::CheckRegularExpressionOnStr(u"(a+)+\\d", std::u16string(40, u'a')),
               ERegExpr);
}

}  // namespace
