#include "platform/regex/RegExpr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Process.h"

namespace {

struct Found {
  std::u16string text;
  int32_t pos, len;
  bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& f) {
  return out << '"' << ToUtf8(f.text) << "\"@" << f.pos << '+' << f.len;
}

// Every match of the Exec/ExecNext loop.
std::vector<Found> AllMatches(const std::u16string& pattern, const std::u16string& text) {
  TRegExpr r;
  r.SetExpression(pattern);
  std::vector<Found> all;
  for (bool more = r.Exec(text); more; more = r.ExecNext())
    all.push_back({r.Match(), r.MatchPos(), r.MatchLen()});
  return all;
}

std::vector<std::u16string> Texts(const std::vector<Found>& found) {
  std::vector<std::u16string> texts;
  for (const Found& f : found) texts.push_back(f.text);
  return texts;
}

TEST(TRegExpr, ExecThenExecNextGivesEveryMatch) {
  EXPECT_EQ(AllMatches(u"\\d+", u"a1 b22 c333"),
            (std::vector<Found>{{u"1", 2, 1}, {u"22", 5, 2}, {u"333", 9, 3}}));
  // After an empty match the search goes on one unit further; the end of the
  // text is a place for one too.
  EXPECT_EQ(AllMatches(u"\\d*", u"a12"),
            (std::vector<Found>{{u"", 1, 0}, {u"12", 2, 2}, {u"", 4, 0}}));
  EXPECT_EQ(AllMatches(u"x*", u""), (std::vector<Found>{{u"", 1, 0}}));
  EXPECT_TRUE(AllMatches(u"z", u"abc").empty());

  TRegExpr r;
  EXPECT_FALSE(r.ExecNext());  // no Exec yet
  r.SetExpression(u"b");
  EXPECT_TRUE(r.Exec(u"abc"));
  EXPECT_FALSE(r.ExecNext());
  EXPECT_FALSE(r.ExecNext());  // stays at the end
  EXPECT_EQ(r.Match(), u"");
  EXPECT_EQ(r.MatchPos(), 0);
  EXPECT_TRUE(r.Exec(u"bb"));  // a new Exec starts again at the front
  EXPECT_EQ(r.MatchPos(), 1);
  r.SetExpression(u"c");  // a new expression forgets the text and the match
  EXPECT_EQ(r.MatchLen(), 0);
  EXPECT_FALSE(r.ExecNext());
  EXPECT_EQ(r.Expression(), u"c");
}

// What the text mining's patterns rely on.
TEST(TRegExpr, DefaultsThatPatternsRelyOn) {
  struct Case { std::u16string pattern, text; std::vector<std::u16string> want; };
  const Case cases[] = {
      // A "-" after a range, and escaped "," and "." in a class, are literals.
      {u"[0-9- ]+", u"a 12-3b", {u" 12-3"}},
      {u"[0-9\\,\\.]+", u"x1,5.2y", {u"1,5.2"}},
      {u"[./\\-]", u"a-b", {u"-"}},
      // Ordered alternation: the first alternative that matches wins.
      {u"EUR|EURO|\u20AC", u"EURO \u20AC", {u"EUR", u"\u20AC"}},
      // Greedy repetition that backtracks.
      {u"a.*b", u"a1b2b3", {u"a1b2b"}},
      {u"[0-9]{1,3}5", u"12345", {u"2345"}},
      {u"[0-9]{1,2}[./\\-]{1,1}[0-9]{1,2}[./\\-]{1,1}(1|2)[0-9]{3,3}", u"am 12.05.2010 und",
       {u"12.05.2010"}},
      // "." takes CR and LF.
      {u"a.b", u"a\rb a\nb", {u"a\rb", u"a\nb"}},
      // Literals beyond ASCII.
      {u"m\u00E4rz|ao\u00FB|d\u00E9c|\u20AC", u"5. m\u00E4rz, 3 ao\u00FB, d\u00E9c 10 \u20AC",
       {u"m\u00E4rz", u"ao\u00FB", u"d\u00E9c", u"\u20AC"}},
      // Case-sensitive; "\d" is "0"-"9" only.
      {u"x", u"X", {}},
      {u"\\d+", u"\u0661\u06623", {u"3"}},
      // One unit is one character: a surrogate pair is two, a lone
      // surrogate an ordinary one.
      {u"^..$", u"\U0001F600", {u"\U0001F600"}},
      {u"x\xD800", u"ax\xD800z", {u"x\xD800"}},
      // "^" is the start of the whole text, "$" its end or before a final LF.
      {u"^b", u"a\nb", {}},
      {u"b$", u"ab\n", {u"b"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Texts(AllMatches(c.pattern, c.text)), c.want)
        << ToUtf8(c.pattern) << " / " << ToUtf8(c.text);
}

TEST(TRegExpr, PatternsThatDoNotCompileRaiseEveryTime) {
  TRegExpr r;
  r.SetExpression(u"a(b");
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      r.Exec(u"ab");
      ADD_FAILURE() << "no exception";
    } catch (const ERegExpr& e) {
      EXPECT_EQ(e.Message,
                u"regular expression error: missing closing parenthesis at offset 3 in a(b");
    }
  }
  const auto cached = kx::platform::CachedRegExprsForTesting();
  EXPECT_EQ(std::find(cached.begin(), cached.end(), u"a(b"), cached.end());

  r.SetExpression(u"");
  EXPECT_THROW(r.Exec(u"ab"), ERegExpr);
  TRegExpr never;
  EXPECT_THROW(never.Exec(u"ab"), ERegExpr);  // no expression set
}

TEST(TRegExpr, SearchesThatHitTheEnginesLimitRaise) {
  const std::u16string as(40, u'a');
  TRegExpr r;
  r.SetExpression(u"(a+)+\\d");
  EXPECT_THROW(r.Exec(as), ERegExpr);
  // Also in the middle of a loop, after a first match.
  r.SetExpression(u"x|(a+)+\\d");
  ASSERT_TRUE(r.Exec(u"x" + as));
  EXPECT_THROW(r.ExecNext(), ERegExpr);
  EXPECT_FALSE(r.ExecNext());
}

TEST(TRegExpr, CacheKeepsTheMostRecentlyUsedPatterns) {
  auto pattern = [](int i) { return u"cache" + ToUtf16(std::to_string(i)); };
  auto run = [](const std::u16string& p) {
    TRegExpr r;
    r.SetExpression(p);
    return r.Exec(u"-" + p + u"-");
  };
  auto cached = [](const std::u16string& p) {
    const auto all = kx::platform::CachedRegExprsForTesting();
    return std::find(all.begin(), all.end(), p) != all.end();
  };
  for (int i = 0; i < 64; ++i) ASSERT_TRUE(run(pattern(i)));
  EXPECT_EQ(kx::platform::CachedRegExprsForTesting().front(), pattern(63));
  EXPECT_TRUE(cached(pattern(0)));
  ASSERT_TRUE(run(pattern(0)));  // used again: the most recent now
  ASSERT_TRUE(run(pattern(64)));
  EXPECT_EQ(kx::platform::CachedRegExprsForTesting().size(), 64u);
  EXPECT_TRUE(cached(pattern(0)));
  EXPECT_FALSE(cached(pattern(1)));  // the least recently used went

  // An object keeps its compiled pattern when the cache drops it.
  TRegExpr held;
  held.SetExpression(u"h\\d");
  ASSERT_TRUE(held.Exec(u"h1 h2"));
  for (int i = 100; i < 200; ++i) ASSERT_TRUE(run(pattern(i)));
  EXPECT_FALSE(cached(u"h\\d"));
  ASSERT_TRUE(held.ExecNext());
  EXPECT_EQ(held.Match(), u"h2");
  ASSERT_TRUE(held.Exec(u"h3"));
}

TEST(TRegExpr, ThreadsShareTheCache) {
  // More patterns than the cache holds, so threads evict each other's.
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t, &wrong] {
      for (int i = 0; i < 300; ++i) {
        const std::u16string digits = ToUtf16(std::to_string((i * 7 + t) % 100));
        TRegExpr r;
        r.SetExpression(u"x" + digits + u"y");
        if (!r.Exec(u"ax" + digits + u"yb") || r.MatchPos() != 2) ++wrong[t];
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

// PCRE2's own grep, as a peer: on one-line texts its -o gives the same
// non-empty matches as our loop (it too goes on one character further after
// an empty match). -u reads the UTF-8 text as characters; none of the texts
// leaves the Basic Multilingual Plane, where a character is one unit.
TEST(TRegExpr, MatchesLikePcre2grep) {
  if (kx::testing::RunBounded({"pcre2grep", "-V"}, kx::testing::kChildTimeoutMs).ExitCode != 0)
    GTEST_SKIP() << "pcre2grep is not there (scripts/setup installs pcre2-utils)";
  const std::u16string patterns[] = {
      // dates, German row
      u"([0-9]{1,2}[./\\-]{1,1}[0-9]{1,2}[./\\-]{1,1}(1|2)[0-9]{3,3})"
      u"|([0-9]{1,2}[./\\-]{1,1}[0-9]{1,2}[./\\-]{1,1}[0-9]{2,2})"
      u"|([0-9]{1,2}[./\\- ]{0,2}(januar|febuar|m\u00E4rz|april|mai|juni|juli|august|september|"
      u"oktober|november|dezember)[./\\- ]{0,2}(1|2)[0-9]{3,3})"
      u"|([0-9]{1,2}[./\\- ]{0,2}(jan|f\u00E9v|mar|avr|mai|jui|jul|ao\u00FB|sep|oct|nov|d\u00E9c)"
      u"[./\\- ]{0,2}(1|2)[0-9]{3,3})",
      // dates, year first, and French full names
      u"((1|2)[0-9]{3,3}[./\\-]{1,1}[0-9]{1,2}[./\\-]{1,1}[0-9]{1,2})",
      u"([0-9]{1,2}[./\\-]{1,1}(janvier|f\u00E9vrier|mars|avril|mai|juin|juillet|ao\u00FBt|"
      u"septembre|octobre|novembre|d\u00E9cembre)[./\\- ]{1,1}(1|2)[0-9]{3,3})",
      // numbers, ids, currencies
      u"[0-9]{1,1}[0-9.,]{0,200}",
      u"(RE)([0-9- ,]{1,30})",
      u"EUR|EURO|\u20AC",
      u"USD|DOLLAR|AMERIKANISCHE.DOLLAR|\\$|US\\$",
      u"CHF|(SFr.)|SFr|FRANKEN|SCHWEIZER.FRANKEN",
      // decimal signs
      u"(([0-9]{1,1})|([l-]{1,1}))(([0-9lO\\,\\.]{0,19})|([0-9lO\\.\\,]{0,19}))"
      u"(([ ]{0,1}[.,]{1,1}[ ]{0,1})([0-9]{0,5})|[ ]{0,1})",
      u"([0-9]{1,1})([0-9,\\.]{0,200})",
      // a few more: empty matches, anchors, classes
      u"\\d*", u"^\\w+|\\w+$", u"[^ ]+ ", u"(?:ab|a)(?:bc|c)",
  };
  const std::u16string texts[] = {
      u"am 5. m\u00E4rz 2010 und 12.05.2010, 3 ao\u00FB 2011 oder 1/2/99 - 7-8-1999 2010-05-12",
      u"le 3-juillet 2009, 14.ao\u00FBt.2012 et 2/f\u00E9vrier 1999",
      u"Preis 12.50, Menge 3; 1O5.99 l2,5 - 1.234,56 und 12,50 , 7 . 5",
      u"100 EURO UND 50 $ US$ 3 SFR. FRANKEN SCHWEIZER FRANKEN \u20AC 5 USD",
      u"Rechnung RE 2021-0042 vom RE12 RE 1,2-3 abc ac",
  };
  std::string input;
  for (const auto& t : texts) input += ToUtf8(t) + "\n";
  for (const auto& pattern : patterns) {
    // Our matches, "line:match" as pcre2grep -n prints them.
    std::string ours;
    for (size_t line = 0; line < std::size(texts); ++line)
      for (const auto& m : Texts(AllMatches(pattern, texts[line])))
        if (!m.empty()) ours += std::to_string(line + 1) + ":" + ToUtf8(m) + "\n";
    const auto theirs = kx::testing::RunBounded(
        {"pcre2grep", "-o", "-n", "-u", "-e", ToUtf8(pattern)}, kx::testing::kChildTimeoutMs,
        input);
    ASSERT_LE(theirs.ExitCode, 1) << theirs.Output;
    // pcre2grep prints a line with only its number for an empty match.
    std::string nonEmpty;
    size_t at = 0;
    while (at < theirs.Output.size()) {
      const size_t end = theirs.Output.find('\n', at);
      const std::string line = theirs.Output.substr(at, end - at);
      if (line.find(':') + 1 < line.size()) nonEmpty += line + "\n";
      at = end == std::string::npos ? theirs.Output.size() : end + 1;
    }
    EXPECT_EQ(ours, nonEmpty) << ToUtf8(pattern);
  }
}

}  // namespace
