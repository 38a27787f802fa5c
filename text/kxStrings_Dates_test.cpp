#include "text/kxStrings_Dates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/Clock.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/support/ListLines.h"

namespace {

using namespace TkxStrings;

// Now is Saturday, 15 June 2024, 12:00.
class DateMining : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = FormatSettings();
    FormatSettings() = TFormatSettings::Invariant();
    kx::platform::SetClockForTesting([this] { return now_; });
  }
  void TearDown() override {
    kx::platform::SetClockForTesting(nullptr);
    FormatSettings() = saved_;
  }

  static void Fill(TStrings& List, const std::vector<std::u16string>& Texts) {
    for (const auto& text : Texts) List.Add(text);
  }

  TDateTime now_ = EncodeDateTime(2024, 6, 15, 12, 0, 0, 0);
  TFormatSettings saved_;
};

TDateTime Day(uint16_t Year, uint16_t Month, uint16_t Day) { return EncodeDate(Year, Month, Day); }

TEST_F(DateMining, FindsDatesByCountry) {
  struct Case { std::u16string content, country; bool withoutNames; std::u16string want; };
  const Case cases[] = {
      {u"Am 5. M\u00E4rz 2010", u"de", true, u"5.03.2010"},
      {u"Am 5. M\u00E4rz 2010", u"de", false, u"5. m\u00E4rz 2010"},  // lower-cased first
      {u"Am 5. M\u00E4rz 2010", u" DE ", true, u"5.03.2010"},         // code trimmed, any case
      {u"12.05.2010", u"xx", false, u"12.05.2010|12.05.2010"},        // five patterns
      {u"12.05.2010", u"", false, u"12.05.2010|12.05.2010"},
      {u"12.05.2010", u"de", false, u"12.05.2010"},
      {u"bis 12/05/10 und 1-2-2011", u"de", false, u"12/05/10|1-2-2011"},
      {u"vom 2010-05-12", u"us", false, u"2010-05-12"},
      {u"vom 2010-05-12", u"de", false, u"10-05-12"},
      {u"le 3-f\u00E9vrier-2011", u"fr", true, u"3-02-2011"},
      {u"el 3-febrero-2011", u"es", true, u"3-02-2011"},
      {u"il 3-febbraio-2011", u"it", true, u"3-02-2011"},
      {u"on 3-february-2011", u"en", false, u""},  // the stored name is "febuary"
      // German names are replaced first, also inside longer names.
      {u"on 3-febuary-2011", u"en", true, u"3-02.y-2011"},
      {u"el 5-junio-2010", u"es", true, u"5-06.o-2010"},
      {u"", u"de", true, u""},
  };
  for (const auto& c : cases) {
    TStringList list;
    EXPECT_EQ(&GetAllDatesW(c.content, c.country, c.withoutNames, list), &list);
    EXPECT_EQ(ListLines(list), c.want) << ToUtf8(c.content) << " / " << ToUtf8(c.country);
  }
}

TEST_F(DateMining, TheListsStaticTypeChoosesTheForm) {
  THashedStringList hashed;
  hashed.Add(u"kept");
  EXPECT_EQ(&GetAllDatesW(u"Am 5. M\u00E4rz 2010", u"de", true, hashed), &hashed);
  EXPECT_EQ(ListLines(hashed), u"kept|5. m\u00E4rz 2010=5.03.2010");

  THashedStringList same;
  GetAllDatesW(u"am 1.2.2010", u"de", false, same);
  EXPECT_EQ(ListLines(same), u"1.2.2010=1.2.2010");

  THashedStringList plain;
  GetAllDatesW(u"Am 5. M\u00E4rz 2010", u"de", true, static_cast<TStrings&>(plain));
  EXPECT_EQ(ListLines(plain), u"5.03.2010");

  THashedStringList clean;
  EXPECT_EQ(&GetCleanDateHashedStringList(OLD_AND_FUTURE, hashed, clean), &clean);
  EXPECT_EQ(ListLines(clean), u"5. m\u00E4rz 2010=2010-03-05");
  EXPECT_TRUE(clean.Sorted());
  EXPECT_EQ(clean.Duplicates(), dupIgnore);
}

TEST_F(DateMining, CleanDatesReadDayMonthYear) {
  struct Case { std::vector<std::u16string> found; TFUTURE_TYPE future; std::vector<TDateTime> want; };
  const Case cases[] = {
      {{u"12/05/10"}, OLD_AND_FUTURE, {Day(2010, 5, 12)}},
      {{u"12.05.71"}, OLD_AND_FUTURE, {Day(1971, 5, 12)}},
      {{u"12.05.70"}, OLD_AND_FUTURE, {Day(2070, 5, 12)}},
      {{u"12.05.70"}, NOT_IN_FUTURE, {}},
      {{u"12.05.70"}, IN_FUTURE, {Day(2070, 5, 12)}},
      {{u"12.05.2010"}, IN_FUTURE, {}},
      {{u"12.05.2010"}, NOT_IN_FUTURE, {Day(2010, 5, 12)}},
      {{u"1.2.2010", u"5.06.2011"}, OLD_AND_FUTURE, {Day(2010, 2, 1), Day(2011, 6, 5)}},
      // Year first is read day first: no date, which counts as 0 and passes.
      {{u"2010-05-12"}, NOT_IN_FUTURE, {TDateTime(0)}},
      {{u"2010-05-12"}, OLD_AND_FUTURE, {TDateTime(0)}},
      {{u"2010-05-12"}, IN_FUTURE, {}},
      {{u"1.2/2010", u"5.3", u"x", u"1.2.3.2010"}, OLD_AND_FUTURE, {}},  // not three parts
      // A two-character year that is no number ends the loop.
      {{u"1.2.2010", u"1.2.xx", u"3.4.2011"}, OLD_AND_FUTURE, {Day(2010, 2, 1)}},
      {{}, OLD_AND_FUTURE, {}},
  };
  for (const auto& c : cases) {
    TStringList found;
    Fill(found, c.found);
    EXPECT_EQ(GetCleanDates(c.future, found), c.want) << ToUtf8(ListLines(found));
  }
}

TEST_F(DateMining, NowItselfIsNotInTheFutureOnlyForTheDateArray) {
  now_ = EncodeDate(2024, 6, 15);
  TStringList found;
  found.Add(u"15.06.2024");
  EXPECT_EQ(GetCleanDates(NOT_IN_FUTURE, found), std::vector<TDateTime>{now_});
  TStringList result;
  GetCleanDateWideStringList(NOT_IN_FUTURE, found, result);
  EXPECT_EQ(result.Count(), 0);
  EXPECT_EQ(GetNewestDate(NOT_IN_FUTURE, found), TDateTime(0));
}

TEST_F(DateMining, CleanTextsAreSortedYearFirstWithoutDuplicates) {
  struct Case { std::vector<std::u16string> found; TFUTURE_TYPE future; std::u16string want; };
  const Case cases[] = {
      {{u"1.2.2010", u"01.02.2010"}, OLD_AND_FUTURE, u"2010-02-01"},
      {{u"5.6.2011", u"1.2.2010", u"3.3.2030"}, NOT_IN_FUTURE, u"2010-02-01|2011-06-05"},
      {{u"5.6.2011", u"1.2.2010", u"3.3.2030"}, IN_FUTURE, u"2030-03-03"},
      // Built from the parts, not the date: a text that is no date passes.
      {{u"2010-05-12"}, NOT_IN_FUTURE, u"2012-05-2010"},
      {{u"123.4.2010"}, OLD_AND_FUTURE, u"2010-04-123"},  // parts are never cut
  };
  for (const auto& c : cases) {
    TStringList found, result;
    Fill(found, c.found);
    EXPECT_EQ(&GetCleanDateWideStringList(c.future, found, result), &result);
    EXPECT_EQ(ListLines(result), c.want);
    EXPECT_TRUE(result.Sorted());
  }
}

TEST_F(DateMining, HashedCleaningReadsTheValueUnderEachName) {
  THashedStringList found, result;
  Fill(found, {u"k=1.2.2010", u"k=5.6.2011", u"j=3.3.2009", u"no value"});
  GetCleanDateHashedStringList(OLD_AND_FUTURE, found, result);
  EXPECT_EQ(ListLines(result), u"j=2009-03-03|k=2010-02-01");
}

TEST_F(DateMining, NewestAndOldest) {
  TStringList found;
  Fill(found, {u"1.2.2010", u"5.6.2011", u"3.3.2009", u"3.3.2030"});
  EXPECT_EQ(GetNewestDate(NOT_IN_FUTURE, found), Day(2011, 6, 5));
  EXPECT_EQ(GetNewestDate(OLD_AND_FUTURE, found), Day(2030, 3, 3));
  EXPECT_EQ(GetOldestDate(NOT_IN_FUTURE, found), Day(2009, 3, 3));

  TStringList none;
  EXPECT_EQ(GetNewestDate(OLD_AND_FUTURE, none), TDateTime(0));
  EXPECT_EQ(GetOldestDate(OLD_AND_FUTURE, none), TDateTime(0));

  // The sorted text is cut by position: "2012-05-2010" reads as 20 May 2012,
  // and a short text gives no date rather than an error.
  TStringList usDate;
  usDate.Add(u"2010-05-12");
  EXPECT_EQ(GetNewestDate(NOT_IN_FUTURE, usDate), Day(2012, 5, 20));
  TStringList shortYear;
  shortYear.Add(u"1.2.3");
  EXPECT_EQ(GetNewestDate(OLD_AND_FUTURE, shortYear), TDateTime(0));
}

TEST_F(DateMining, NewestOfHashedLists) {
  THashedStringList clean;
  Fill(clean, {u"a=2010-02-01", u"b=2030-01-01", u"c=xx", u"d=1899-12-30"});
  EXPECT_EQ(GetNewestDate(NOT_IN_FUTURE, true, clean), Day(2010, 2, 1));
  EXPECT_EQ(GetNewestDate(IN_FUTURE, true, clean), Day(2030, 1, 1));
  EXPECT_EQ(GetNewestDate(OLD_AND_FUTURE, true, clean), Day(2030, 1, 1));

  THashedStringList old;
  old.Add(u"d=1899-12-30");
  EXPECT_EQ(GetNewestDate(OLD_AND_FUTURE, true, old), TDateTime(0));  // never chosen

  THashedStringList found;
  Fill(found, {u"x=1.2.2010", u"y=5.6.2011", u"z=3.3.2030"});
  EXPECT_EQ(GetNewestDate(NOT_IN_FUTURE, false, found), Day(2011, 6, 5));
  EXPECT_EQ(GetNewestDate(OLD_AND_FUTURE, false, found), Day(2030, 3, 3));
  THashedStringList empty;
  EXPECT_EQ(GetNewestDate(OLD_AND_FUTURE, false, empty), TDateTime(0));
}

}  // namespace
