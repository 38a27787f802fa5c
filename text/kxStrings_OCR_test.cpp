#include "text/kxStrings_OCR.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "tests/support/ListLines.h"

namespace {

using namespace TkxStrings;

TEST(PrepareOCRText, LettersDigitsAndSingleBlanks) {
  struct Case { std::string in, want; };
  const Case cases[] = {
      {"a  bb xxxxx d", "bb xx"},  // five in a row become two; lone "a" and "d" go
      {"xxxxxxxx yy", "xx yy"},    // eight become two
      {"xxxx yy", "yy"},             // four become one, which then stands alone
      {"\xC3\x9C" "ber 100 \xE2\x82\xAC", "\xC3\x9C" "ber 100"},  // "Über 100 €": the euro sign goes
      {"Stra\xC3\x9F" "e \xC3\xA4\xC3\xB6\xC3\xBC", "Stra\xC3\x9F" "e \xC3\xA4\xC3\xB6\xC3\xBC"},
      {"Caf\xC3\xA9 au", "Caf au"},  // "é" is no OCR character
      {"ab\tcd\r\nef", "ab cd ef"},  // control characters become blanks
      {"ab\xFF" "cd", "ab cd"},      // a byte that is no UTF-8 is one character
      {"a a bb", "a bb"},            // of two equal lone characters only the first goes
      {"x a\xF0\x9F\x98\x80" "a y", "a"},  // the emoji is one character, one blank
      {"12-34,56", "12 34 56"},
      {"", ""},
      {"   ", ""},
      {"a", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PrepareOCRText(c.in), c.want) << c.in;
}

TEST(GetAbbreviationList, PrefixesSkeletonAndSpelledOutPrefixes) {
  struct Case { std::u16string content; int32_t min; bool point; std::u16string want; };
  const Case cases[] = {
      {u"Bär", 1, false, u"Ba|Bä|Br|B"},  // "Ba" and "Bä" are different candidates
      {u"Bär", 1, true, u"Ba.|Bä.|Br.|B."},
      {u"Angebot", 3, true, u"Angebo.|Angeb.|Angbt.|Ange.|Ang."},
      {u"Angebot", 3, false, u"Angebo|Angeb|Angbt|Ange|Ang"},
      {u"BMW", 1, false, u"BMW|BM|B"},  // the skeleton is longer than every prefix
      {u"BMW", 3, false, u"BMW"},       // the last prefix ("BM") counts whatever MinLength
      {u"BMW", 9, false, u"BMW"},
      {u"Crème", 4, false, u"Cre2|Crèm"},  // "è" is spelled "e2", as it always was
      {u"BÇc", 1, false, u"BÇ|Bc|B"},       // "BC" is the skeleton "Bc" ignoring case
      {u"Öl", 1, false, u"Öl|O|Ö"},
      {u"A", 1, false, u""},
      {u"", 1, true, u""},
      {u"  ", 1, false, u""},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.Add(u"kept");
    EXPECT_EQ(&GetAbbreviationList(c.content, c.min, c.point, list), &list);
    EXPECT_EQ(ListLines(list), u"kept" + (c.want.empty() ? u"" : u"|" + c.want))
        << ToUtf8(c.content) << " " << c.min;
  }
}

TEST(FindSpacedWritingWords, RunsOfSingleCharactersJudgedAgainstSearchWords) {
  struct Case { std::u16string content; std::vector<std::u16string> search; std::u16string want; };
  const Case cases[] = {
      {u"Bitte R E C H N U N G prüfen", {u"RECHNUNG", u"ANGEBOT"}, u"RECHNUNG"},
      {u"Bitte R E C H N U N X prüfen", {u"RECHNUNG"}, u"RECHNUNG"},  // 87.5 against 62.5
      {u"Bitte A N G E B O T prüfen", {u"RECHNUNG", u"ANGEBOT"}, u"ANGEBOT"},
      {u"Bitte A B C D E F G H prüfen", {u"RECHNUNG"}, u""},
      {u"ab Y Z W ende", {u"AB", u"RECHNUNG"}, u"AB"},  // a threshold below 0 takes any run
      {u"ab Y Z W ende", {u"", u"RECHNUNG"}, u""},      // an empty search word is skipped
      {u"ab Y Z W ende", {u""}, u""},
      {u"ab Y Z W ende", {}, u"YZW"},                   // no search words: the run itself
      {u"a b Test", {}, u""},                          // two characters are no run
      {u"A B C de F G H", {}, u"ABC|FGH"},             // a run at the end of the text counts
      {u"Bitte  R  E  C  H", {}, u"RECH"},
      {u" A B C xy", {}, u"ABC"},
      {u"", {}, u""},
  };
  for (const auto& c : cases) {
    TStringList search, found;
    for (const auto& word : c.search) search.Add(word);
    EXPECT_EQ(&FindSpacedWritingWords(c.content, &search, found), &found);
    EXPECT_EQ(ListLines(found), c.want) << ToUtf8(c.content);
  }
}

TEST(FindSpacedWritingWords, WithoutSearchWordsTheRunItself) {
  TStringList found;
  found.Add(u"kept");
  FindSpacedWritingWords(u"Bitte R E C H N U N G prüfen", nullptr, found);
  EXPECT_EQ(ListLines(found), u"kept|RECHNUNG");
}

TEST(GetLengthIgnoreLetters, LengthWithoutTheListedTexts) {
  struct Case { std::u16string content, letters; bool trim; int32_t want; };
  const Case cases[] = {
      {u"12-34.56", u"-,.", false, 6},
      {u"aAbBab", u"a,b", false, 2},  // case-sensitive
      {u"a--b-", u"--,b", false, 2},  // items in list order: "--" first, then "b"
      {u" 12 ", u"", false, 4},
      {u" 12 ", u"", true, 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetLengthIgnoreLetters(c.content, c.letters, c.trim), c.want)
        << ToUtf8(c.content) << " / " << ToUtf8(c.letters);
}

TEST(GetLengthIgnoreLetters, ItemCountNotCommasPlusOneRaises) {
  struct Case { std::u16string letters, counts; };
  const Case cases[] = {
      {u"-, ", u"(1/2)"},         // the blank after the comma is no item
      {u"\",\",y", u"(2/3)"},  // a quoted "," is counted all the same
  };
  for (const auto& c : cases) {
    try {
      GetLengthIgnoreLetters(u"1-2", c.letters, false);
      ADD_FAILURE() << "no exception for " << ToUtf8(c.letters);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, u"the two given listStrings has diverent counts... " + c.counts);
    }
  }
}

}  // namespace
