#include "text/kxStrings_Replace.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"

namespace {

using namespace TkxStrings;

// ---- Plain replacing ---------------------------------------------------------

TEST(ReplaceW, OnePassWithGuardAgainstCaseOnlyChanges) {
  struct Case { std::u16string content, search, replace, want; };
  const Case cases[] = {
      {u"aaa", u"a", u"aa", u"aaaaaa"},        // inserted text is not scanned again
      {u"aaaa", u"aa", u"a", u"aa"},           // one pass, no repetition
      {u"aXa", u"x", u"X", u"aXa"},            // equal ignoring case: unchanged
      {u"axa", u"x", u"X", u"axa"},
      {u"Straße", u"ß", u"ss", u"Strasse"},    // not a collator: ß and ss differ
      {u"a.b.c", u".", u"", u"abc"},
      {u"abc", u"", u"x", u"abc"},             // empty search text
      {u"abc", u"d", u"x", u"abc"},
      {u"", u"a", u"b", u""},
      {u"a\U0001F600b", u"\U0001F600", u"-", u"a-b"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceW(c.content, c.search, c.replace), c.want)
        << ToUtf8(c.content) << " / " << ToUtf8(c.search);
}

TEST(ReplaceW, IgnoreCaseHasNoGuardAndFalseKeepsIt) {
  struct Case { std::u16string content, search, replace; bool ic; std::u16string want; };
  const Case cases[] = {
      {u"axa", u"x", u"X", true, u"aXa"},
      {u"aXa", u"x", u"X", true, u"aXa"},
      {u"aXa", u"x", u"X", false, u"aXa"},      // without IgnoreCase: the guarded form
      {u"axa", u"x", u"X", false, u"axa"},
      {u"aaaa", u"AA", u"a", true, u"aa"},
      {u"ÄrgerÄ", u"ä", u"ae", true, u"aergerae"},
      {u"aAa", u"a", u"aa", true, u"aaaaaa"},    // replacement not scanned again
      {u"abc", u"", u"x", true, u"abc"},
      {u"ab", u"abc", u"x", true, u"ab"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceW(c.content, c.search, c.replace, c.ic), c.want)
        << ToUtf8(c.content) << " / " << ToUtf8(c.search) << " ic=" << c.ic;
}

TEST(ReplaceA, IgnoreCaseIsOnePassOverAsciiLettersElseRepeatingPasses) {
  struct Case { std::string content, search, replace; bool ic; std::string want; };
  const Case cases[] = {
      {"aaaa", "aa", "a", false, "a"},       // passes repeat
      {"aaaa", "aa", "a", true, "aa"},       // one pass
      {"aBc", "b", "x", true, "axc"},
      {"\xC3\xA9", "\xC3\x89", "x", true, "\xC3\xA9"},  // é is not É: ASCII letters only
      {"a b   c", "  ", " ", false, "a b c"},
      {"abc", "", "x", true, "abc"},
      {"abc", "", "x", false, "abc"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceA(c.content, c.search, c.replace, c.ic), c.want)
        << c.content << " / " << c.search << " ic=" << c.ic;
}

TEST(FastReplaceA, GuardOnePassAndRepeatedPasses) {
  struct Case { std::string source, from, to, want; };
  const Case cases[] = {
      {"abc", "b", "B", "abc"},              // equal ignoring ASCII case
      {"abc", "b", "b", "abc"},
      {"abc", "", "x", "abc"},
      {"aXa", "a", "aa", "aaXaa"},           // ToStr contains FromStr: one pass
      {"aaaa", "aa", "a", "a"},              // collapses the whole run
      {"x----y", "--", "-", "x-y"},
      {"abab", "ab", "ba", "bbaa"},          // same length: repeats until gone
      {"a1a", "a", "bc", "bc1bc"},
      {"", "a", "b", ""},
      {"\x80\xFF", "\xFF", "\x01", "\x80\x01"},  // raw bytes
  };
  for (const auto& c : cases)
    EXPECT_EQ(FastReplaceA(c.source, c.from, c.to), c.want) << c.source << " / " << c.from;
}

// A rule whose every pass creates a new occurrence would run forever; the
// passes that do not shorten the text are bounded.
TEST(FastReplaceA, EndlessRulesStopAtTheBounds) {
  // Each pass grows "aab" by two and leaves one "ab": stopped after as many
  // passes as the source has bytes (3).
  EXPECT_EQ(FastReplaceA("aab", "ab", "bbaa"), "bbabbaaaa");

  // Here the occurrences multiply: stopped by the pass after which the text is
  // longer than 16 times the 26 source bytes (the ninth), long before 26 passes.
  const std::string grown = FastReplaceA("aaabab" + std::string(20, 'c'), "ab", "bbaaa");
  EXPECT_EQ(grown.size(), 440u);
  EXPECT_NE(grown.find("ab"), std::string::npos);

  // A long endless input ends quickly too, and its memory is bounded: at most
  // 16 times the source, times the growth of the one pass that crosses it.
  const std::string result = FastReplaceA(std::string(2000, 'a') + "b", "ab", "bbaa");
  EXPECT_LE(result.size(), 16u * 2001u * 2u);
}

// ---- Rule-based replacing ----------------------------------------------------

TEST(ReplaceWithoutPos, KeepsTheChosenSeparators) {
  struct Case { std::u16string content, search, replace; TSEARCH_TYPE pos; std::u16string want; };
  const Case cases[] = {
      {u"a-b-c-d", u"-", u"+", FIRST_POS, u"a-b+c+d"},
      {u"a-b-c-d", u"-", u"+", LAST_POS, u"a+b+c-d"},
      {u"a-b-c-d", u"-", u"+", EACH_POS, u"a-b+c-d"},
      {u"a::b::c", u"::", u";", FIRST_POS, u"a::b;c"},
      {u"a-b", u"-", u"+", FIRST_POS, u"a-b"},    // the only separator is first and last
      {u"a-b-", u"-", u"+", FIRST_POS, u"a-b+"},  // trailing separator: an empty last part
      {u"abc", u"-", u"+", EACH_POS, u"abc"},
      {u"", u"-", u"+", EACH_POS, u""},
      // An empty separator keeps the text (splitting would give no parts and
      // lose all of it).
      {u"a-b-c", u"", u"+", EACH_POS, u"a-b-c"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceWithoutPos(c.content, c.search, c.replace, c.pos), c.want)
        << ToUtf8(c.content) << " pos=" << int(c.pos);
}

TEST(ReplaceEachElementW, StepsInOrderOverCommaTexts) {
  struct Case { std::u16string content, source, destination; bool ic; std::u16string want; };
  const Case cases[] = {
      {u"ab", u"a,b", u"b,d", false, u"dd"},                // a step sees the one before
      {u"one two", u"one two", u"1,2", false, u"1 2"},      // a blank ends an entry
      {u"a,b c", u"\"b c\",\",\"", u"X,;", false, u"a;X"},  // quoted entries keep , and blank
      {u"say \"hi\"", u"\"\"\"hi\"\"\"", u"hello", false, u"say hello"},  // doubled quote
      {u"A-a", u"a", u"x", true, u"x-x"},
      {u"A-a", u"a", u"x", false, u"A-x"},
      {u"xX", u"x", u"X", false, u"xX"},                    // the guard of ReplaceW
      {u"a,", u"a,", u"b,c", false, u"b,"},                 // trailing "," adds an empty entry
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceEachElementW(c.content, c.source, c.destination, c.ic), c.want)
        << ToUtf8(c.content) << " / " << ToUtf8(c.source);
}

TEST(ReplaceEachElement, DifferentCountsRaiseTheBaseException) {
  auto expectCountError = [](auto call, const std::u16string& want) {
    try {
      call();
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), u"Exception");
      EXPECT_EQ(e.Message, want);
    }
  };
  expectCountError([] { ReplaceEachElementW(u"abc", u"a,b", u"x", false); },
                   u"the two given listStrings has diverent counts... (2/1)");
  expectCountError([] { ReplaceEachElementW(u"abc", u"a", u"x,", false); },
                   u"the two given listStrings has diverent counts... (1/2)");
  expectCountError([] { ReplaceEachElement("abc", "a b c", "x", true); },
                   u"the two given listStrings has diverent counts... (3/1)");
}

TEST(ReplaceEachElement, EightBitStepsAreReplaceA) {
  EXPECT_EQ(ReplaceEachElement("ab", "a,b", "b,d", false), "dd");
  EXPECT_EQ(ReplaceEachElement("aaaa-AA", "aa", "a", false), "a-AA");  // passes repeat
  EXPECT_EQ(ReplaceEachElement("aaaa-AA", "aa", "a", true), "aa-a");   // one pass, ASCII case
  EXPECT_EQ(ReplaceEachElement("x=3D", "=3d,\" \"", "=,_", true), "x=");
}

TEST(ReplaceEachElementWEx, NameValueEntries) {
  TStringList list;
  list.Add(u"a=b");
  list.Add(u"xyz");    // no separator: changes nothing
  list.Add(u"b=c=d");  // the value is everything after the first separator
  EXPECT_EQ(ReplaceEachElementWEx(u"ab xyz", list, false), u"c=dc=d xyz");
  EXPECT_EQ(ReplaceEachElementWEx(u"AB", list, true), u"c=dc=d");

  TStringList colon;
  colon.SetNameValueSeparator(u':');
  colon.Add(u"x:y");
  colon.Add(u"y=z");  // no ":" in it
  EXPECT_EQ(ReplaceEachElementWEx(u"xy=z", colon, false), u"yy=z");
}

TEST(GetReplacerStringForReplaceEachElement, OneSignPerEntry) {
  EXPECT_EQ(GetReplacerStringForReplaceEachElement(u"a,b,c", u"#"), u"#,#,#");
  EXPECT_EQ(GetReplacerStringForReplaceEachElement(u"abc", u"#"), u"#");
  EXPECT_EQ(GetReplacerStringForReplaceEachElement(u"", u"<x>"), u"<x>");
  // Every comma counts, also one inside quotes.
  EXPECT_EQ(GetReplacerStringForReplaceEachElement(u"\"a,b\",c", u"-"), u"-,-,-");
  // Fits ReplaceEachElementW for a list without quoted commas.
  const std::u16string list = u"red,green,blue";
  EXPECT_EQ(ReplaceEachElementW(u"red or blue", list,
                                GetReplacerStringForReplaceEachElement(list, u"*"), false),
            u"* or *");
}

TEST(ReplaceAfterElement, ReplacesTheFirstSourceAfterEachElement) {
  struct Case { std::u16string content, after, source, destination, want; };
  const Case cases[] = {
      {u"k=v;k=w", u"=", u"v", u"x", u"k=x;k=w"},  // ends at the = no v follows
      {u"no element", u"=", u"v", u"x", u"no element"},
      {u"a=b=c b", u"=", u"b", u"X", u"a=X=c X"},   // goes on after the replaced source
      {u"=x=x", u"=", u"x", u"==", u"======"},      // the inserted text is not searched
      {u"k=v", u"", u"v", u"x", u"k=v"},
      {u"k=v", u"=", u"", u"x", u"k=v"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceAfterElement(c.content, c.after, c.source, c.destination), c.want)
        << ToUtf8(c.content);
}

TEST(ReplaceCharsBeforeString, ReplacesTheCharsBeforeTheHit) {
  struct Case {
    std::u16string content, search, replace;
    int32_t from, count;
    bool ic;
    std::u16string want;
  };
  const Case cases[] = {
      {u"abc:d", u":", u"X", 1, 2, false, u"aX:d"},
      {u"abc:d", u":", u"X", 1, 0, false, u"abcX:d"},   // 0 inserts before the hit
      {u"abc:d", u":", u"X", 1, 9, false, u"X:d"},      // fewer precede: all replaced
      {u"abc:d", u":", u"X", 1, -2, false, u"abcX:d"},  // negative counts as 0
      {u"abc:d", u";", u"X", 1, 2, false, u"abc:d"},    // not found
      {u"a:b:c", u":", u"X", 3, 1, false, u"a:X:c"},    // first hit at or after FromPos
      {u"abcXd", u"x", u"-", 1, 1, true, u"ab-Xd"},
      {u"abcXd", u"x", u"-", 1, 1, false, u"abcXd"},
      {u":d", u":", u"X", 1, 1, false, u"X:d"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceCharsBeforeString(c.content, c.search, c.replace, c.from, c.count, c.ic),
              c.want)
        << ToUtf8(c.content) << " count=" << c.count;
  EXPECT_EQ(RemoveCharsBeforeString(u"abc:d", u":", 1, 2, false), u"a:d");
}

TEST(ReplaceElementWhenInQuotationMarks, OnlyBetweenDoubleQuotes) {
  struct Case { std::u16string content; char16_t search, replace; std::u16string want; };
  const Case cases[] = {
      {u"a,\"b,c\",d", u',', u';', u"a,\"b;c\",d"},
      {u"\"a,b\"x,\"c,d", u',', u';', u"\"a;b\"x,\"c;d"},  // unclosed: inside to the end
      {u"'a,b'", u',', u';', u"'a,b'"},                      // only the double quote toggles
      {u"\"a\"", u'"', u'x', u"\"a\""},                       // quotes themselves stay
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceElementWhenInQuotationMarks(c.content, c.search, c.replace), c.want)
        << ToUtf8(c.content);
}

// ---- Removing ----------------------------------------------------------------

TEST(RemoveMoreThenOn, EveryRunBecomesOne) {
  struct Case { std::u16string content, element, want; };
  const Case cases[] = {
      {u"a//b///c////", u"/", u"a/b/c/"},
      {u"ababab-ab", u"ab", u"ab-ab"},
      {u"ababaaba", u"aba", u"ababa"},  // passes see doubles that a run scan would not
      {u"a//b", u"", u"a//b"},
      {u"", u"/", u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RemoveMoreThenOn(c.content, c.element), c.want) << ToUtf8(c.content);
  EXPECT_EQ(RemoveMoreThenOneBlanks(u"  a   b \t  c"), u" a b \t c");
}

TEST(RemoveMoreThenOn, StartPosKeepsTheHead) {
  struct Case { std::u16string content, element; int32_t start; std::u16string want; };
  const Case cases[] = {
      {u"\\\\server\\\\share\\\\\\dir", u"\\", 2, u"\\\\server\\share\\dir"},
      {u"\\\\server", u"\\", 1, u"\\server"},
      {u"\\\\server", u"\\", -5, u"\\server"},
      {u"a//", u"/", 10, u"a//"},  // StartPos beyond the end
      // Leading blanks: head and rest both come from the text as given, so
      // nothing is doubled where they meet.
      {u" //a//b", u"/", 3, u" //a/b"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RemoveMoreThenOn(c.content, c.element, c.start), c.want)
        << ToUtf8(c.content) << " start=" << c.start;
}

TEST(RemoveBlankBetween, WildcardOnOneSideOrLiteral) {
  struct Case { std::u16string content, from, to, want; };
  const Case cases[] = {
      {u"a : b", u"%ALL%", u":", u"a: b"},
      {u"a : b : c", u":", u"%ALL%", u"a :b :c"},
      {u"a : b", u"a", u":", u"a: b"},
      {u"a : b", u"a", u"b", u"a : b"},
      {u"x %ALL% %ALL% y", u"%ALL%", u"%ALL%", u"x %ALL%%ALL% y"},  // both: literal
      {u"a : b", u"%all%", u":", u"a : b"},                    // marker is case-sensitive
      {u"a  :", u"%ALL%", u":", u"a :"},                       // one pass, one blank
  };
  for (const auto& c : cases)
    EXPECT_EQ(RemoveBlankBetween(c.content, c.from, c.to), c.want)
        << ToUtf8(c.content) << " / " << ToUtf8(c.from) << " / " << ToUtf8(c.to);
}

TEST(ClearIfNotValid, ListedStringsAreCleared) {
  TStringList list;
  list.Add(u"N/A");
  list.Add(u"-");
  EXPECT_EQ(ClearIfNotValid(u"N/A", list, false, false), u"");
  EXPECT_EQ(ClearIfNotValid(u"42", list, false, false), u"42");
  EXPECT_EQ(ClearIfNotValid(u" n/a ", list, false, true), u" n/a ");
  EXPECT_EQ(ClearIfNotValid(u" n/a ", list, true, true), u"");

  EXPECT_EQ(ClearIfNotValid(u"-", u"N/A;-", u";", false, false), u"");
  EXPECT_EQ(ClearIfNotValid(u"42", u"N/A;-", u";", false, false), u"42");
  EXPECT_EQ(ClearIfNotValid(u"N/A", u"", u";", false, false), u"N/A");
}

}  // namespace
