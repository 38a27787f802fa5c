#include "system/kxConstants.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kxConstants::LanguageTable;
using kxConstants::TkxLanguageEntry;

std::u16string Row(const TkxLanguageEntry& e) {
  std::u16string out;
  for (std::u16string_view cell :
       {e.Iso639_1, e.Name, e.Iso639_2B, e.Iso639_2T, e.WinAbbreviation, e.LCID}) {
    out += cell;
    out += u'|';
  }
  return out;
}

TEST(LanguageTable, CountsOfItsKindsOfRows) {
  ASSERT_EQ(LanguageTable.size(), 261u);
  int withLcid = 0, withNeither = 0, withIso639_2AndLcid = 0, lcidWithoutAbbreviation = 0;
  for (const auto& e : LanguageTable) {
    withLcid += !e.WinAbbreviation.empty() && !e.LCID.empty();
    withNeither += e.WinAbbreviation.empty() && e.LCID.empty();
    withIso639_2AndLcid += (!e.Iso639_2B.empty() || !e.Iso639_2T.empty()) && !e.LCID.empty();
    lcidWithoutAbbreviation += e.WinAbbreviation.empty() != e.LCID.empty();
    EXPECT_EQ(e.Iso639_1.size(), 2u) << ToUtf8(Row(e));
    EXPECT_TRUE(e.LCID.empty() || e.LCID.size() == 4u) << ToUtf8(Row(e));
  }
  EXPECT_EQ(withLcid, 129);
  EXPECT_EQ(withNeither, 132);
  EXPECT_EQ(withIso639_2AndLcid, 43);
  EXPECT_EQ(lcidWithoutAbbreviation, 0);
}

TEST(LanguageTable, RowsAndOrderAsGiven) {
  // The first and last rows, rows callers look up, the codes that differ from
  // the standard's, and the two names that end with a blank.
  EXPECT_EQ(Row(LanguageTable.front()), u"AA|Afar|AAR||||");
  EXPECT_EQ(Row(LanguageTable.back()), u"VI|Vietnamese - Viet Nam|||VIT|042A|");
  auto find = [](std::u16string_view name) -> const TkxLanguageEntry* {
    for (const auto& e : LanguageTable)
      if (e.Name == name) return &e;
    return nullptr;
  };
  struct Case { const char16_t* name; const char16_t* row; };
  const Case cases[] = {
      {u"German", u"DE|German|GER|DEU|DEU|0407|"},
      {u"English", u"EN|English|ENG||ENG|0809|"},
      {u"French", u"FR|French|FRE|FRA|FRA|040C|"},
      {u"Arabic - Algeria", u"AN|Arabic - Algeria|ARG||ARG|1401|"},
      {u"Haitian Haitian Creole ", u"HT|Haitian Haitian Creole |HAT||||"},
      {u"Afrikaans - South Africa ", u"AF|Afrikaans - South Africa |||AFK|0436|"},
      {u"Norwegian - Norway (Bokm\u00E5l)", u"NO|Norwegian - Norway (Bokm\u00E5l)|NOR||NOR|0414|"},
  };
  for (const auto& c : cases) {
    const TkxLanguageEntry* e = find(c.name);
    ASSERT_NE(e, nullptr) << ToUtf8(c.name);
    EXPECT_EQ(Row(*e), c.row);
  }
  EXPECT_EQ(find(u"Haitian Haitian Creole"), nullptr);

  // "ES" has a row per country; the first one in table order comes first.
  int es = 0;
  const TkxLanguageEntry* firstEs = nullptr;
  for (const auto& e : LanguageTable) {
    if (e.Iso639_1 != u"ES") continue;
    if (es++ == 0) firstEs = &e;
  }
  EXPECT_GT(es, 1);
  ASSERT_NE(firstEs, nullptr);
  EXPECT_EQ(firstEs->Name, u"Spanish");
  EXPECT_EQ(Row(*find(u"Malay - Malaysia")), u"ML|Malay - Malaysia|||MSL|043E|");
}

TEST(WeekdayNames, SundayFirstInFiveLanguages) {
  using kxConstants::WeekdayNames;
  ASSERT_EQ(WeekdayNames.size(), 7u);
  EXPECT_EQ(WeekdayNames[0].English, u"Sunday");
  EXPECT_EQ(WeekdayNames[0].Polish, u"niedziela");
  EXPECT_EQ(WeekdayNames[1].German, u"Montag");
  EXPECT_EQ(WeekdayNames[1].Italian, u"luned\u00EC");
  EXPECT_EQ(WeekdayNames[1].Polish, u"poniedzialek");  // without diacritics
  EXPECT_EQ(WeekdayNames[5].French, u"vendredi");
  EXPECT_EQ(WeekdayNames[6].Italian, u"sabato");
  EXPECT_EQ(WeekdayNames[6].German, u"Samstag");
}

}  // namespace
