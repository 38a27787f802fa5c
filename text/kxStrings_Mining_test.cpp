#include "text/kxStrings_Mining.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/regex/RegExpr.h"
#include "tests/support/ListLines.h"

namespace {

using namespace TkxStrings;

TEST(GetAllNumbers, RunsOfDigitsAndAllowedSigns) {
  struct Case { std::u16string content; bool point, comma; std::u16string want; };
  const Case cases[] = {
      {u"Preis 12.50, Menge 3", true, true, u"12.50|3"},
      {u"Preis 12.50, Menge 3", false, true, u"12|50|3"},
      {u"Preis 12.50, Menge 3", false, false, u"12|50|3"},
      {u"12..", true, false, u"12."},  // only one sign is cut
      {u"1,2,", false, true, u"1,2"},
      {u".5", true, false, u"5"},      // a number starts with a digit
      {u"kein", true, true, u""},
      {std::u16string(201, u'1') + u"23", false, false,
       std::u16string(201, u'1') + u"|23"},  // 201 characters at most per number
  };
  for (const auto& c : cases) {
    TStringList list;
    EXPECT_EQ(&GetAllNumbers(c.content, c.point, c.comma, list), &list);
    EXPECT_EQ(ListLines(list), c.want) << ToUtf8(c.content);
  }
}

TEST(GetAllIDs, PrefixSuffixIgnoredCharactersAndLength) {
  struct Case {
    std::u16string content, begin, end, ignore;
    int32_t min, max;
    std::u16string want;
  };
  const Case cases[] = {
      {u"Rechnung RE 2021-0042 vom", u"RE", u"", u"-, ", 5, 10, u"RE20210042"},
      {u"Rechnung RE 2021-0042 vom", u"RE", u"", u"-, ", 5, 9, u""},  // the prefix counts
      {u"RE 2021-0042", u"RE", u"", u"-, ", 10, 10, u"RE20210042"},   // inclusive
      {u"Nr. 12/34 x Nr. 5", u"Nr\\.", u"", u"/, ", 3, 20, u"Nr.1234|Nr.5"},
      {u"A12B A34C", u"A", u"B", u"", 1, 10, u"A12B"},
      {u"RE12 re34", u"RE|re", u"", u"", 1, 10, u"RE12|re34"},  // pattern text, not escaped
      {u"RE1-2", u"RE", u"", u"", 1, 10, u"RE1"},
  };
  for (const auto& c : cases) {
    TStringList list;
    GetAllIDs(c.content, c.begin, c.end, c.ignore, c.min, c.max, list);
    EXPECT_EQ(ListLines(list), c.want) << ToUtf8(c.content) << " / " << ToUtf8(c.begin);
  }

  // The engine's compile errors reach the caller.
  TStringList list;
  EXPECT_THROW(GetAllIDs(u"RE1", u"RE(", u"", u"", 1, 10, list), ERegExpr);
  EXPECT_THROW(GetAllIDs(u"RE1", u"RE", u"", u"-,\\", 1, 10, list), ERegExpr);
}

TEST(GetAllCurrencies, MatchesBecomeIsoCodes) {
  struct Case { std::u16string content, want; };
  const Case cases[] = {
      {u"100 Euro und 50 $", u"EUR|USD"},  // "EUR" wins inside "EURO"
      {u"5 € 7 US$ 3 CHF", u"EUR|USD|CHF"},
      {u"in Franken, Rubel, Yen und Yuan", u"CHF|RUB|JPY|CNY"},
      {u"12 JPY 9 CNY 1 RUB 2 usd", u"USD|RUB|JPY|CNY"},  // grouped by currency
      {u"SFr. 10", u""},  // mixed-case alternatives never meet upper-cased text
      {u"nichts", u""},
      // The long names become their code whole.
      {u"amerikanische Dollar", u"USD"},
      {u"Schweizer Franken", u"CHF"},
      {u"russischer Rubel", u"RUB"},
      {u"japanischer Yen", u"JPY"},
      {u"chinesischer Yuan", u"CNY"},
  };
  for (const auto& c : cases) {
    TStringList list;
    EXPECT_EQ(&GetAllCurrencies(c.content, list), &list);
    EXPECT_EQ(ListLines(list), c.want) << ToUtf8(c.content);
  }

  // Earlier entries are rewritten too, and those left empty go.
  TStringList list;
  list.Add(u"EURO");
  list.Add(u" ");
  list.Add(u"Dollar");
  GetAllCurrencies(u"Yen", list);
  EXPECT_EQ(ListLines(list), u"EUR|Dollar|JPY");
}

TEST(GetDezimalSign, VotesOfTheCandidates) {
  struct Case { std::u16string content; bool o, l; std::u16string want; };
  const Case cases[] = {
      {u"1.234,56 und 12,50", false, false, u","},
      {u"12.50 und 3.75", false, false, u"."},
      {u"1,234.56", false, false, u"."},
      {u"1.234.567", false, false, u","},   // two points: no vote
      {u"12.5 und 1,25", false, false, u","},  // 1 against 2
      {u"12.5 und 1,2", false, false, u","},   // a tie
      {u"keine Zahl", false, false, u","},
      {u"Betrag 1O5.99", true, false, u"."},
      {u"l2.50", false, true, u"."},
      // Blanks around a sign go: "12,50" gets two votes, "3.5" one.
      {u"12 , 50 und 3 . 5", true, false, u","},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetDezimalSign(c.content, c.o, c.l, false), c.want) << ToUtf8(c.content);
  EXPECT_EQ(GetDezimalSign(u"12.50", false, false, true), u".");  // WithoutMinusValues: no effect
}

TEST(StandardizeMinusInNumeric, MinusToOneEnd) {
  struct Case { std::u16string content; TSEARCH_TYPE position; bool want; std::u16string after; };
  const Case cases[] = {
      {u" 12- ", FIRST_POS, true, u"-12"},
      {u" 12- ", LAST_POS, true, u"12-"},
      {u" 12- ", EACH_POS, true, u"12-"},
      {u"-12", LAST_POS, true, u"12-"},
      {u"-12-", FIRST_POS, true, u"-12"},
      {u" 12 ", FIRST_POS, true, u"12"},
      {u"1-2", FIRST_POS, false, u"1-2"},
      {u" --1 ", FIRST_POS, false, u"--1"},  // one minus per end only
  };
  for (const auto& c : cases) {
    UnicodeString text = c.content;
    EXPECT_EQ(StandardizeMinusInNumeric(text, c.position), c.want) << ToUtf8(c.content);
    EXPECT_EQ(text, c.after) << ToUtf8(c.content);
  }
}

TEST(GetEachFragment, LowerCaseWords) {
  struct Case { std::u16string content; bool lower; std::u16string ignore, want; };
  const Case cases[] = {
      {u"Don't stop", true, u"', ", u"don|t|stop"},
      {u"Don't stop", false, u"", u"Don't|stop"},
      {u"a  b", false, u"", u"a|b"},
      {u" a ", false, u"", u"|a|"},            // a blank at an end gives an empty piece
      {u"a-b;c", false, u"-,;", u"a|b|c"},
      {u"aXbxc", false, u"x", u"aXb|c"},        // case-sensitive
      {u"\u00C4RGER", true, u"", u"\u00E4rger"},
      {u"", true, u"", u""},
  };
  for (const auto& c : cases) {
    TStringList list;
    EXPECT_EQ(&GetEachFragment(c.content, c.lower, c.ignore, list), &list);
    EXPECT_EQ(ListLines(list), c.want) << ToUtf8(c.content);
  }
}

}  // namespace
