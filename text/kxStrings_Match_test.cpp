#include "text/kxStrings_Match.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace {

using TkxStrings::EqualsExW;

// As the file toolkit compares names with masks: "*" and "?", trimmed,
// ignoring case.
TEST(EqualsExW, FileNameMasks) {
  struct Case { std::u16string text, pattern; bool want; };
  const Case cases[] = {
      {u"report.txt", u"*.txt", true},
      {u"REPORT.TXT", u"*.txt", true},
      {u"a.txt.txt", u"*.txt", false},  // the first ".txt" after the start is taken
      {u"banana", u"*a", false},        // the first "a" after the start is taken
      {u"abc", u"a?c", true},
      {u"abbc", u"a?c", false},
      {u"ab", u"ab?", false},
      {u"a.txt", u"*.t?t", true},
      {u"a.txt", u"*.??q", false},
      {u"aab", u"a*a?", true},
      {u"abc", u"*", true},
      {u"", u"*", true},
      {u"abc", u"a**c", false},  // an empty part between two signs matches nothing
      {u"abc", u"abc*", true},
      {u"abcd", u"abc", false},
      {u" abc ", u"abc", true},
      // A one-character sign after a later part needs a character of the text.
      {u"xa", u"*a?", false},
      {u"xab", u"*a?", true},
      // Signs right after the any-run sign are taken up by it.
      {u"a", u"*?a", true},
      {u"\u00C4rger.txt", u"\u00E4*.TXT", true},
      // An empty pattern matches only an empty text.
      {u"", u"", true},
      {u"  ", u"", true},
      {u"a", u"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EqualsExW(c.text, c.pattern, true, true, u"*", u"?"), c.want)
        << ToUtf8(c.text) << " / " << ToUtf8(c.pattern);
}

TEST(EqualsExW, LiteralSignsAreSigns) {
  // Literal signs would convert to bool and pick the "*"/"_" overload,
  // where "?" is no sign.
  EXPECT_TRUE(EqualsExW(u"abc", u"a?c", true, true, u"*", u"?"));
  EXPECT_FALSE(EqualsExW(u"abc", u"a?c", true, true, true, true));
  EXPECT_TRUE(EqualsExW(u"abc", u"a_c", true, true, true, true));
}

TEST(EqualsExW, Signs) {
  struct Case {
    std::u16string text, pattern, more, one;
    bool trim, ignoreCase, want;
  };
  const Case cases[] = {
      // The text may hold the sign itself.
      {u"a_c", u"a_c", u"", u"_", false, false, true},
      {u"a_c", u"a_c", u"*", u"_", false, false, true},
      {u"abc", u"a__", u"", u"_", false, false, true},
      // Only the one-character sign: position by position.
      {u"ab", u"a_c", u"", u"_", false, false, false},
      {u"ab", u"_b", u"", u"_", false, true, true},
      {u"aB", u"_b", u"", u"_", false, false, false},
      // Longer signs: the any-run sign as one piece; the one-character sign
      // with the any-run sign stands for one character, alone only its
      // first unit does and the rest must be in the text.
      {u"xabyz", u"%%ab##z", u"%%", u"##", false, false, true},
      {u"abcd", u"a%%d", u"%%", u"##", false, false, true},
      {u"ab#c", u"a##c", u"", u"##", false, false, true},
      {u"abxc", u"a##c", u"", u"##", false, false, false},
      // Signs are found exactly, also when case is ignored; a letter can be
      // a sign.
      {u"AbC", u"AxC", u"x", u"", false, true, true},
      {u"AbC", u"AXC", u"x", u"", false, true, false},
      {u"abc", u"axc", u"x", u"", false, true, true},
      // A one-character sign equal to the any-run sign is none.
      {u"abbbc", u"a?c", u"?", u"?", false, false, true},
      // No signs: plain equality.
      {u"a*c", u"a*c", u"", u"", false, false, true},
      {u"abc", u"a*c", u"", u"", false, false, false},
      {u" abc", u"abc", u"*", u"?", false, false, false},
      {u"REPORT.TXT", u"*.txt", u"*", u"?", true, false, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EqualsExW(c.text, c.pattern, c.trim, c.ignoreCase, c.more, c.one), c.want)
        << ToUtf8(c.text) << " / " << ToUtf8(c.pattern) << " signs " << ToUtf8(c.more) << " "
        << ToUtf8(c.one);
}

TEST(EqualsExW, PercentIsHundredOrZero) {
  int32_t percent = 55;
  EXPECT_TRUE(EqualsExW(u"abc", u"a*", false, false, true, false, percent));
  EXPECT_EQ(percent, 100);
  EXPECT_FALSE(EqualsExW(u"abc", u"b*", false, false, true, false, percent));
  EXPECT_EQ(percent, 0);
  EXPECT_TRUE(EqualsExW(u"abc", u"a_c", false, false, false, true, percent));
  EXPECT_EQ(percent, 100);
  EXPECT_FALSE(EqualsExW(u"abc", u"a*", false, false, false, true, percent));  // no "*"
  EXPECT_EQ(percent, 0);
}

TEST(EqualsWithDistanceW, LeastAccuracyInPercent) {
  double percent = -1;
  EXPECT_TRUE(TkxStrings::EqualsWithDistanceW(u"ABC", u"abd", false, true, 60, percent));
  EXPECT_NEAR(percent, 66.67, 0.01);
  EXPECT_FALSE(TkxStrings::EqualsWithDistanceW(u"ABC", u"abd", false, true, 70, percent));
  EXPECT_FALSE(TkxStrings::EqualsWithDistanceW(u"ABC", u"abd", false, false, 1, percent));
  EXPECT_EQ(percent, 0);
  EXPECT_TRUE(TkxStrings::EqualsWithDistanceW(u" abc\t", u"abc", true, false, 100, percent));
  EXPECT_EQ(percent, 100);
  EXPECT_FALSE(TkxStrings::EqualsWithDistanceW(u" abc\t", u"abc", false, false, 100, percent));
}

TEST(CheckStringTemplate, ChosenOccurrencesStandInTheTemplate) {
  struct Case {
    std::u16string content, pre, search, post;
    TSEARCH_TYPE type;
    bool want;
  };
  const Case cases[] = {
      {u"net price", u"net ", u"price", u"", EACH_POS, true},
      {u"price, net price", u"net ", u"price", u"", EACH_POS, false},  // too close to the start
      {u"price, net price", u"net ", u"price", u"", LAST_POS, true},
      {u"price, net price", u"net ", u"price", u"", FIRST_POS, false},
      {u"net price, price", u"net ", u"price", u"", FIRST_POS, true},
      {u"price tag", u"", u"price", u" tag", EACH_POS, true},
      {u"price ta", u"", u"price", u" tag", EACH_POS, false},
      {u"Net price", u"net ", u"price", u"", EACH_POS, false},  // exact comparison
      // Overlapping occurrences count: "aa" at 1 and at 2.
      {u"aaa", u"", u"aa", u"a", FIRST_POS, true},
      {u"aaa", u"", u"aa", u"a", EACH_POS, false},
      {u"nothing here", u"x", u"price", u"y", EACH_POS, true},
      {u"abc", u"a", u"", u"c", EACH_POS, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxStrings::CheckStringTemplate(c.content, c.pre, c.search, c.post, c.type), c.want)
        << ToUtf8(c.content) << " / " << ToUtf8(c.search) << " type " << int(c.type);
}

TEST(CheckSearchStringWithStringTemplates, NumberOfTheFirstBareOccurrence) {
  struct Case {
    std::u16string content, search;
    std::vector<std::u16string> templates;
    int32_t want;
  };
  const Case cases[] = {
      {u"the sum of total sum", u"sum", {u"%SEARCH_STRING% of"}, 2},
      {u"the sum of total sum", u"sum", {u"total %SEARCH_STRING%", u"%SEARCH_STRING% of"}, 0},
      {u"no hit", u"sum", {u"%SEARCH_STRING% of"}, 0},
      {u"sum", u"sum", {}, 1},
      {u"sum", u"sum", {u"x%SEARCH_STRING%"}, 1},  // would start before the text
      {u"xsumy", u"sum", {u"umy"}, 0},             // without place-holder: one unit on
      {u"xsumy", u"sum", {u""}, 1},
      {u"aaa", u"aa", {u"%SEARCH_STRING%a"}, 2},   // overlapping occurrences count
      {u"Sum of", u"Sum", {u"%SEARCH_STRING% OF"}, 1},  // exact comparison
  };
  for (const auto& c : cases) {
    TStringList templates;
    for (const auto& t : c.templates) templates.Add(t);
    EXPECT_EQ(TkxStrings::CheckSearchStringWithStringTemplates(c.content, c.search, templates),
              c.want)
        << ToUtf8(c.content) << " / " << ToUtf8(c.search);
  }
}

TEST(PosIgnoreTemplateW, FirstOccurrenceOutsideTheTemplates) {
  struct Case {
    std::u16string content, search;
    int32_t from, to;
    std::vector<std::string> templates;
    bool ignoreCase;
    int32_t want;
  };
  const Case cases[] = {
      {u"net price, price", u"price", 1, 100, {"net %SEARCH_STRING%"}, false, 12},
      {u"NET PRICE, price", u"price", 1, 100, {"net %SEARCH_STRING%"}, true, 12},
      {u"NET price, price", u"price", 1, 100, {"net %SEARCH_STRING%"}, false, 5},
      {u"net price, price", u"price", 1, 100, {"x %SEARCH_STRING%", "%SEARCH_STRING%,"}, false, 12},
      {u"price price", u"price", 2, 100, {}, false, 7},
      {u"price price", u"price", -3, 100, {}, false, 1},
      // The search runs while FromPos < ToPos - length; a later hit
      // beyond ToPos counts as none.
      {u"net price, price", u"price", 1, 16, {"net %SEARCH_STRING%"}, false, 12},
      {u"net price, price", u"price", 1, 15, {"net %SEARCH_STRING%"}, false, 0},
      {u"abcdefgh price", u"price", 1, 8, {}, false, 0},
      {u"ab price", u"price", 1, 7, {}, false, 4},
      // A template that would start before the text excludes nothing.
      {u"ab price", u"price", 1, 100, {"net %SEARCH_STRING%"}, false, 4},
      // Templates are 8-bit texts in UTF-8.
      {u"f\u00FCr Preis, Preis", u"Preis", 1, 100, {"f\xC3\xBCr %SEARCH_STRING%"}, false, 12},
      // Input that ends: nothing to search, and one character after an exclusion.
      {u"", u"price", 1, 100, {"net %SEARCH_STRING%"}, false, 0},
      {u"net price.", u"price", 1, 100, {"net %SEARCH_STRING%"}, false, 0},
      {u"abc", u"", 1, 100, {}, false, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TkxStrings::PosIgnoreTemplateW(c.content, c.search, c.from, c.to, c.templates,
                                             c.ignoreCase),
              c.want)
        << ToUtf8(c.content) << " from " << c.from << " to " << c.to;
    EXPECT_EQ(TkxStrings::ContainsBetweenIgnoreTemplates(c.content, c.search, c.from, c.to,
                                                         c.templates, c.ignoreCase),
              c.want != 0)
        << ToUtf8(c.content);
  }

  // Many exclusions in a row end without the guard firing.
  std::u16string many;
  for (int i = 0; i < 200; ++i) many += u"net price ";
  EXPECT_EQ(TkxStrings::PosIgnoreTemplateW(many + u"price", u"price", 1, 1 << 20,
                                           {"net %SEARCH_STRING%"}, false),
            static_cast<int32_t>(many.size() + 1));
}

TEST(RuleReplace, RulesInOrder) {
  struct Case {
    std::u16string content, search, replace;
    std::vector<std::string> rules;
    int32_t pos1;
    std::u16string want;
  };
  const Case cases[] = {
      {u"abcXYZ", u"abc", u"Q", {"%SEARCH_STRING%"}, 0, u"QXYZ"},
      {u"abcXYZ", u"abc", u"Q", {"%SEARCH_STRING%"}, -1, u"QXYZ"},
      {u"xabc", u"abc", u"Q", {"%SEARCH_STRING%"}, 0, u"xabc"},  // not at position 1
      // The position-1 rule cuts length(SearchText) units, not the template's.
      {u"abcXYZ", u"abc", u"Q", {"%SEARCH_STRING%X"}, 0, u"QXYZ"},
      {u"a-abc abc", u"abc", u"Q", {"-%SEARCH_STRING%"}, -1, u"a-Q abc"},
      {u"a-abc abc", u"abc", u"Q", {"-%SEARCH_STRING%", "%SEARCH_STRING%"}, -1, u"a-Q Q"},
      // Equal ignoring case: nothing is replaced.
      {u"abc", u"abc", u"ABC", {"%SEARCH_STRING%"}, -1, u"abc"},
      // An empty search text never occurs, so the first rule is the last.
      {u"ab", u"", u"X", {"a%SEARCH_STRING%", "b%SEARCH_STRING%"}, -1, u"aXb"},
      {u"abc", u"abc", u"Q", {}, -1, u"abc"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxStrings::RuleReplace(c.content, c.search, c.replace, c.rules, c.pos1), c.want)
        << ToUtf8(c.content) << " rules " << c.rules.size() << " pos1 " << c.pos1;
}

}  // namespace
