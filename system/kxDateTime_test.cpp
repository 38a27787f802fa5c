#include "system/kxDateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"

// Failing comparisons show the number, not the bytes.
void PrintTo(TDateTime value, std::ostream* os) { *os << "TDateTime(" << value.Val << ")"; }

namespace {

using UList = std::vector<UnicodeString>;
using AList = std::vector<AnsiString>;

TDateTime At(uint16_t y, uint16_t mo, uint16_t d, uint16_t h = 0, uint16_t mi = 0,
             uint16_t s = 0, uint16_t ms = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s, ms);
}

TDateTime Clock(uint16_t h, uint16_t mi, uint16_t s = 0, uint16_t ms = 0) {
  return EncodeTime(h, mi, s, ms);
}

const TDateTime kDefault(-7.0);

// Monday, 15 June 2026, 10:00 local time, the C locale and UTC, unless a test
// says otherwise.
class DateTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetNow(At(2026, 6, 15, 10));
    SetUserLocaleForTesting("C");
    ResetFormatSettings();
  }
  void TearDown() override {
    kx::platform::SetClockForTesting(nullptr);
    SetUserLocaleForTesting(std::nullopt);
    ResetFormatSettings();
    setenv("TZ", "UTC", 1);
  }
  static void SetNow(TDateTime now) {
    kx::platform::SetClockForTesting([now] { return now; });
  }
  static bool HaveGermanLocaleData() {
    return TFormatSettings::FromLocale("de_DE").LongMonthNames[0] == u"Januar";
  }
};

// --- Reading with format lists ---------------------------------------------------

TEST_F(DateTimeTest, StrToDateExtTriesTheFormatsInOrder) {
  struct Case { const char16_t* text; UList formats; TDateTime want; };
  const Case cases[] = {
      // The first format's "-" does not occur in the text: skipped.
      {u" 15.01.2024 ", {u"yyyy-mm-dd", u"dd.mm.yyyy"}, At(2024, 1, 15)},
      // The first reading fails and is swallowed; the second's "/" is absent.
      {u"2024-13-45", {u"yyyy-mm-dd", u"dd/mm/yyyy"}, kDefault},
      {u"20240115", {u"yyyymmdd"}, At(2024, 1, 15)},
      {u"2024011", {u"yyyymmdd"}, kDefault},
      {u"20240115", {u"YYYYMMDD"}, kDefault},  // the digit form is case-sensitive
      // The dots put in for "yyyymmdd" stay for the formats after it.
      {u"00121520", {u"yyyymmdd", u"mm.dd.yy"}, At(2020, 12, 15)},
      // Four-digit years in a format two characters longer than the text.
      {u"15.01.24", {u"dd.mm.yyyy"}, At(2024, 1, 15)},
      {u"15.01.56", {u"dd.mm.yyyy"}, At(1956, 1, 15)},  // window 70 in 2026
      {u"15.01.55", {u"dd.mm.yyyy"}, At(2055, 1, 15)},
      {u"15.01.0024", {u"dd.mm.yyyy"}, At(24, 1, 15)},  // four digits are a year as written
      {u"15.01", {u"dd.mm.yyyy"}, At(2026, 1, 15)},     // two numbers: this year
      {u"01/15", {u"mm/dd/yyyy"}, At(2026, 1, 15)},
      {u"01/15/2024", {u"MM/dd/yyyy"}, At(2024, 1, 15)},  // letters in any case
      {u"2024 - 1 - 15", {u"yyyy-mm-dd"}, At(2024, 1, 15)},
      {u"15.01.2024.", {u"dd.mm.yyyy"}, At(2024, 1, 15)},
      {u"\t15.01.2024\r\n", {u"dd.mm.yyyy"}, At(2024, 1, 15)},
      {u"31.02.2024", {u"dd.mm.yyyy"}, kDefault},
      {u"15.01.2024 12:00", {u"dd.mm.yyyy"}, kDefault},  // a date reader reads dates only
      {u"15.01.2024", {u"ddmmyyyy"}, At(2024, 1, 15)},   // letters alone: "."
      {u"15.01.2024", {}, kDefault},
      {u"", {u"dd.mm.yyyy", u""}, kDefault},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxDateTime::StrToDateExt(c.text, c.formats, kDefault), c.want) << ToUtf8(c.text);

  EXPECT_EQ(TkxDateTime::StrToDateExt(u"15-01-2024", AList{"yyyy.mm.dd", "dd-mm-yyyy"}, kDefault),
            At(2024, 1, 15));
  EXPECT_EQ(TkxDateTime::StrToDate_ISO(u"2024-01-15"), At(2024, 1, 15));
  EXPECT_EQ(TkxDateTime::StrToDate_ISO(u"15.01.2024"), TDateTime(0.0));
}

TEST_F(DateTimeTest, StrToTimeExtAndStrToDateTimeExt) {
  struct TimeCase { const char16_t* text; UList formats; TDateTime want; };
  const TimeCase times[] = {
      {u"123045", {u"hhnnss"}, Clock(12, 30, 45)},
      {u"12345", {u"hhnnss"}, kDefault},
      {u" 8:04 ", {u"hh:nn"}, Clock(8, 4)},
      {u"12.30.45", {u"hh:nn:ss", u"hh.nn.ss"}, Clock(12, 30, 45)},
      {u"12:30:45.250", {u"hh:nn:ss.zzz"}, Clock(12, 30, 45, 250)},
      {u"12:30:45.1239", {u"hh:nn:ss"}, Clock(12, 30, 45, 123)},
      {u"8:04 PM", {u"hh:nn"}, kDefault},  // no AM/PM in the readers' records
      {u"24:00", {u"hh:nn"}, kDefault},
      {u"12:30", {u"hh.nn"}, kDefault},
  };
  for (const auto& c : times)
    EXPECT_EQ(TkxDateTime::StrToTimeExt(c.text, c.formats, kDefault), c.want) << ToUtf8(c.text);

  struct Case { const char16_t* text; UList dates, times; TDateTime want; };
  const Case cases[] = {
      // The first pair is tried (":" occurs) and fails; the second reads.
      {u"2024-01-15 08:30:00", {u"dd.mm.yyyy", u"yyyy-mm-dd"}, {u"hh:nn:ss"}, At(2024, 1, 15, 8, 30)},
      {u"15.01.2024", {u"dd.mm.yyyy"}, {u"hh:nn:ss"}, At(2024, 1, 15)},
      {u"08:30", {u"dd.mm.yyyy"}, {u"hh:nn:ss"}, Clock(8, 30)},
      {u"15.01 8:30", {u"dd.mm.yyyy"}, {u"hh:nn"}, At(2026, 1, 15, 8, 30)},
      {u"15.01.56 23:59:59", {u"dd.mm.yyyy"}, {u"hh:nn:ss"}, At(1956, 1, 15, 23, 59, 59)},
      {u"15/01/2024 08.30", {u"dd/mm/yyyy"}, {u"hh.nn"}, At(2024, 1, 15, 8, 30)},
      {u"20240115", {u"yyyymmdd"}, {u"hh:nn:ss"}, kDefault},  // no digit form here
      {u"15.01.2024", {u"dd.mm.yyyy"}, {}, kDefault},          // no pair at all
      {u"15,01,2024", {u"dd.mm.yyyy"}, {u"hh:nn:ss"}, kDefault},
      {u"2024-01-15 08:30 x", {u"yyyy-mm-dd"}, {u"hh:nn:ss"}, kDefault},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxDateTime::StrToDateTimeExt(c.text, c.dates, c.times, kDefault), c.want)
        << ToUtf8(c.text);
  EXPECT_EQ(TkxDateTime::StrToDateTimeExt(u"15.01.2024 08:30", AList{"dd.mm.yyyy"},
                                          AList{"hh:nn"}, kDefault),
            At(2024, 1, 15, 8, 30));
  EXPECT_EQ(TkxDateTime::StrToDateTime_ISO(u"2024-01-15 08:30:05"), At(2024, 1, 15, 8, 30, 5));
  EXPECT_EQ(TkxDateTime::StrToDateTime_ISO(u"nothing"), TDateTime(0.0));
}

TEST_F(DateTimeTest, StrToDateFollowsTheProcessSettings) {
  EXPECT_EQ(TkxDateTime::StrToDate(u"2024-01-15", kDefault), At(2024, 1, 15));
  EXPECT_EQ(TkxDateTime::StrToDate(u"15.01.2024", kDefault), kDefault);
  FormatSettings().ShortDateFormat = u"dd/mm/yyyy";
  FormatSettings().DateSeparator = u'.';
  EXPECT_EQ(TkxDateTime::StrToDate(u"15.01.2024", kDefault), At(2024, 1, 15));
}

TEST_F(DateTimeTest, FixedDigitForms) {
  EXPECT_EQ(TkxDateTime::StrToDateTime_YYYYMMDD(u"20240115"), At(2024, 1, 15));
  EXPECT_EQ(TkxDateTime::StrToDateTime_YYYYMMDD(u"20240115T0830 ignored"), At(2024, 1, 15));
  EXPECT_EQ(TkxDateTime::StrToDateTime_YYYYMMDD(u"2024011"), At(2024, 1, 1));
  for (const char16_t* bad : {u"", u"2024", u"202401", u"2024x115", u"2024$115", u"20240230", u"20241301"})
    EXPECT_THROW(TkxDateTime::StrToDateTime_YYYYMMDD(bad), EConvertError) << ToUtf8(bad);

  struct Case { const char16_t* text; TDateTime want; };
  const Case cases[] = {
      {u"20240115083005", At(2024, 1, 15, 8, 30, 5)},
      {u"20240115", At(2024, 1, 15)},                 // missing parts count as 0
      {u"2024011508xx05", At(2024, 1, 15, 8, 0, 5)},  // so do parts that are no number
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxDateTime::StrToDateTime_YYYYMMDDHHNNSS(c.text), c.want) << ToUtf8(c.text);
  for (const char16_t* bad : {u"", u"20240015000000", u"20240115240000", u"20240115006000"})
    EXPECT_THROW(TkxDateTime::StrToDateTime_YYYYMMDDHHNNSS(bad), EConvertError) << ToUtf8(bad);
}

// --- Time stamps -------------------------------------------------------------------

TEST_F(DateTimeTest, TimeStampTextsWriteAndReadBack) {
  const TDateTime noon = At(2024, 1, 15, 12);
  EXPECT_EQ(TkxDateTime::DateTimeToTimeStampStr(noon, true), "#738900#43200000");
  EXPECT_EQ(TkxDateTime::DateTimeToTimeStampStr(noon, false), "000B4654h02932E00h");
  EXPECT_EQ(TkxDateTime::DateTimeToTimeStampStr(TDateTime(0.0), false), "000A955Ah00000000h");
  EXPECT_EQ(TkxDateTime::TimeStampToStr({-1, -2}, false), "FFFFFFFEhFFFFFFFFh");
  EXPECT_EQ(TkxDateTime::TimeStampToStr({-1, -2}, true), "#-2#-1");
  for (const TDateTime v : {noon, At(2024, 1, 15, 12, 0, 0, 250), At(1899, 12, 29, 6), At(1, 1, 1),
                            At(9999, 12, 31, 23, 59, 59, 999)}) {
    for (const bool comp : {true, false}) {
      const UnicodeString text = ToUtf16(TkxDateTime::DateTimeToTimeStampStr(v, comp));
      EXPECT_EQ(TkxDateTime::TimeStampStrToDateTime(text), v) << ToUtf8(text);
    }
  }
}

TEST_F(DateTimeTest, StrToTimeStampFormsAndFallback) {
  struct Case { const char16_t* text; bool ok; TTimeStamp want; };
  const Case cases[] = {
      {u"000B4654h02932E00h", true, {43'200'000, 738'900}},
      {u"  000b4654h02932e00h trailing text  ", true, {43'200'000, 738'900}},
      {u"b4654h0h", true, {0, 738'900}},
      {u"#738900#43200000", true, {43'200'000, 738'900}},
      {u"junk#738900#43200000", true, {43'200'000, 738'900}},  // up to the first "#" dropped
      {u"#5#99999999999", false, {0, 0}},                      // beyond 32 bits
      {u"#1#-5", true, {-5, 1}},                               // not range-checked here
      {u"#$10#0", false, {0, 0}},                              // decimal only
      {u"-1h0h", false, {0, 0}},                               // hexadecimal digits only
      {u"abc#", false, {0, 0}},
      {u"#738900", false, {0, 0}},
      {u"000B4654h", false, {0, 0}},
      {u"000B4654h02932E00", false, {0, 0}},
      {u"h02932E00h", false, {0, 0}},
      {u"0G0B4654h02932E00h", false, {0, 0}},
      // Not a stamp: read as a date and time; nothing matched is day 0.
      {u"000B4654H02932E00H", true, {0, 693'594}},
      {u"2024-01-15", true, {0, 738'900}},
      {u"15.01.2024 12:00:00", true, {43'200'000, 738'900}},
      {u"xyz", true, {0, 693'594}},
      {u"", true, {0, 693'594}},
  };
  for (const auto& c : cases) {
    TTimeStamp stamp{-9, -9};
    EXPECT_EQ(TkxDateTime::StrToTimeStamp(c.text, stamp), c.ok) << ToUtf8(c.text);
    EXPECT_EQ(stamp, c.want) << ToUtf8(c.text) << ": " << stamp.Time << ", " << stamp.Date;
  }

  EXPECT_EQ(TkxDateTime::TimeStampStrToDateTime(u"2024-01-15"), At(2024, 1, 15));
  EXPECT_EQ(TkxDateTime::TimeStampStrToDateTime(u"xyz"), TDateTime(0.0));
  for (const char16_t* bad : {u"abc#", u"#738900#86400000", u"#0#0", u"5h"})
    EXPECT_THROW(TkxDateTime::TimeStampStrToDateTime(bad), EConvertError) << ToUtf8(bad);
}

TEST_F(DateTimeTest, CompactTimeStampsOfNow) {
  setenv("TZ", "Europe/Berlin", 1);
  SetNow(At(2026, 6, 15, 10, 5, 9, 7));
  EXPECT_EQ(TkxDateTime::CreateTimeStampStr(), u"20260615100509007");
  EXPECT_EQ(TkxDateTime::CreateGMTTimeStampStr(), u"20260615080509007");
}

// --- ISO 8601 and fixed forms ---------------------------------------------------------

TEST_F(DateTimeTest, ISO8601WriterHasThreeShapesAndFixedSeparators) {
  // "back" is what the reader gives for the text.
  struct Case { TDateTime value; const char16_t* want; TDateTime back; };
  const Case cases[] = {
      {At(2024, 1, 15), u"2024-01-15", At(2024, 1, 15)},
      {TDateTime(0.0), u"1899-12-30", TDateTime(0.0)},
      {TDateTime(0.5), u"12:00:00", TDateTime(0.5)},
      {Clock(8, 4, 3, 999), u"08:04:03", Clock(8, 4, 3)},  // no milliseconds for a time alone
      {At(2024, 1, 15, 12, 0, 0, 250), u"2024-01-15T12:00:00.250Z", At(2024, 1, 15, 12, 0, 0, 250)},
      {At(1899, 12, 29, 6), u"1899-12-29T06:00:00.000Z", At(1899, 12, 29, 6)},
  };
  // A locale whose time separator is "." must not change the ISO text (it
  // would no longer be ISO 8601 nor read back), only the "yyyy-mm-dd
  // hh:nn:ss" writer.
  FormatSettings().TimeSeparator = u'.';
  for (const auto& c : cases) {
    const UnicodeString text = TkxDateTime::DateTimeToISO8601Str(c.value);
    EXPECT_EQ(text, c.want) << c.value.Val;
    EXPECT_NEAR(TkxDateTime::ISO8601ToDateTime(text, true).Val, c.back.Val, 1e-9) << ToUtf8(text);
  }
  EXPECT_EQ(TkxDateTime::DateTimeToISOStr(At(2024, 1, 15, 8, 4, 3)), u"2024-01-15 08.04.03");
  FormatSettings().TimeSeparator = u':';
  EXPECT_EQ(TkxDateTime::DateTimeToISOStr(At(2024, 1, 15, 8, 4, 3)), u"2024-01-15 08:04:03");
  EXPECT_THROW(TkxDateTime::DateTimeToISO8601Str(TDateTime(1e10)), EConvertError);
}

TEST_F(DateTimeTest, ISO8601ReaderPicksItsBranchByTheSeparators) {
  const double ms = 1.0 / 86400000;
  struct Case { const char16_t* text; bool ok; TDateTime want; };
  const Case cases[] = {
      // A time: the digits after "." are whole milliseconds.
      {u"12:00:00.250", true, TDateTime(0.5 + 250 * ms)},
      {u"12:00:00.5", true, TDateTime(0.5 + 5 * ms)},
      {u"12:00:00.x", true, TDateTime(0.5 - ms)},  // no number: -1 ms
      {u"12:00", true, TDateTime(0.5)},
      {u"25:00:00", false, {}},
      // With "T": UTC, an offset applied, "Z" or none as written.
      {u"2024-01-15T12:00:00.250Z", true, At(2024, 1, 15, 12, 0, 0, 250)},
      {u"2024-01-15T12:00:00", true, At(2024, 1, 15, 12)},
      {u"2024-01-15T12:00:00+02:00", true, At(2024, 1, 15, 10)},
      {u"2024-01-15T12:00:00-0130", true, At(2024, 1, 15, 13, 30)},
      {u"2024-01-15T12:00:00+2", false, {}},
      // Otherwise a date, optionally with a time.
      {u"2024-01-15", true, At(2024, 1, 15)},
      {u"2024-01-15 08:30:05", true, At(2024, 1, 15, 8, 30, 5)},
      {u"24-01-15", true, At(2024, 1, 15)},
      {u"56-01-15", true, At(1956, 1, 15)},  // window 70 here too
      {u"15.01.2024", false, {}},
      {u"garbage", false, {}},
      {u"", false, {}},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(TkxDateTime::ISO8601ToDateTime(c.text, false).Val, c.ok ? c.want.Val : 0.0, 1e-9)
        << ToUtf8(c.text);
    if (c.ok) {
      EXPECT_NO_THROW(TkxDateTime::ISO8601ToDateTime(c.text, true)) << ToUtf8(c.text);
    } else {
      EXPECT_THROW(TkxDateTime::ISO8601ToDateTime(c.text, true), EConvertError) << ToUtf8(c.text);
    }
  }
}

// --- Local time and UTC ------------------------------------------------------------------

TEST_F(DateTimeTest, UtcConversionsUseTheOffsetOfTheGivenDate) {
  // Winter now; the summer date still converts with the summer offset.
  setenv("TZ", "Europe/Berlin", 1);
  SetNow(At(2026, 1, 15, 10));
  struct Case { TDateTime local, utc; };
  const Case cases[] = {
      {At(2024, 1, 15, 12), At(2024, 1, 15, 11)},
      {At(2024, 7, 1, 12, 0, 0, 250), At(2024, 7, 1, 10, 0, 0, 250)},
      {At(2024, 10, 27, 3, 30), At(2024, 10, 27, 2, 30)},  // after the autumn change
      {At(2024, 3, 31, 3, 30), At(2024, 3, 31, 1, 30)},    // after the spring change
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(TkxDateTime::LocaleDateTimeToGMT(c.local).Val, c.utc.Val, 1e-9) << c.local.Val;
    EXPECT_NEAR(TkxDateTime::GMTToLocaleDateTime(c.utc).Val, c.local.Val, 1e-9) << c.utc.Val;
  }
  EXPECT_NEAR(TkxDateTime::GMTNow().Val, At(2026, 1, 15, 9).Val, 1e-9);
  SetNow(At(2026, 7, 15, 10));
  EXPECT_NEAR(TkxDateTime::GMTNow().Val, At(2026, 7, 15, 8).Val, 1e-9);
}

// --- Durations, weekdays, quarters, weeks, Unix times --------------------------------------

TEST_F(DateTimeTest, Durations) {
  struct Clock { int32_t s; const char* want; };
  const Clock clocks[] = {
      {0, "00:00:00"},          {59, "00:00:59"},          {3725, "01:02:05"},
      {86399, "23:59:59"},      {86400, "1 day 00:00:00"}, {90000, "1 day 01:00:00"},
      {172800, "2 days 00:00:00"}, {360000, "4 days 04:00:00"},
      // Negative values: every part negative, a whole negative day dropped.
      {-59, "00:00:-59"},       {-3725, "-1:-2:-5"},       {-90000, "-1:00:00"},
      {2147483647, "24855 days 03:14:07"},
  };
  for (const auto& c : clocks) EXPECT_EQ(TkxDateTime::SecToTimeExt(c.s), c.want) << c.s;

  struct Words { uint32_t s; const char* want; };
  const Words words[] = {
      {0, ""},
      {1, "1 second"},
      {2, "2 seconds"},
      {61, "1 minute and 1 second"},
      {3600, "1 hour"},
      {7200, "2 hours"},
      {86400 + 5, "1 day and 5 seconds"},
      {90061, "1 day, 1 hour, 1 minute and 1 second"},
      {93784, "1 day, 2 hours, 3 minutes and 4 seconds"},
      {4294967295u, "49710 days, 6 hours, 28 minutes and 15 seconds"},
  };
  for (const auto& c : words) EXPECT_EQ(TkxDateTime::SecToLangTime(c.s), c.want) << c.s;
}

TEST_F(DateTimeTest, WeekdayNamesTodayAndQuarter) {
  struct Case { const char* name; int32_t want; };
  const Case cases[] = {
      {"S", 1}, {"MO", 2}, {"mon", 2}, {"Montag", 2}, {"di", 3}, {"Mi", 4}, {"thu", 5},
      {"do", 5}, {"freitag", 6}, {"Sa", 7}, {"sonnabend", 0}, {"", 0}, {"lundi", 0},
      {"Mondays", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(TkxDateTime::GetDayNumberFromStr(c.name), c.want) << c.name;

  // Monday, 15 June 2026.
  EXPECT_TRUE(TkxDateTime::StrIsToday("Mo"));
  EXPECT_TRUE(TkxDateTime::StrIsToday("MONTAG"));
  EXPECT_FALSE(TkxDateTime::StrIsToday("Tu"));
  EXPECT_FALSE(TkxDateTime::StrIsToday(""));
  SetNow(At(2026, 6, 14, 23, 59));
  EXPECT_TRUE(TkxDateTime::StrIsToday("sun"));

  const int32_t quarters[] = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
  for (uint16_t month = 1; month <= 12; ++month) {
    SetNow(At(2026, month, 28, 23, 59, 59, 999));
    EXPECT_EQ(TkxDateTime::GetQuarter(), quarters[month - 1]) << month;
  }
}

// ISO week numbers by GNU date for "yyyy-mm-dd" texts; empty when it is not
// usable here.
std::vector<std::string> IsoWeeksByDate(const std::vector<std::string>& dates) {
  const std::string file = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                           "/iso_weeks.txt";
  {
    std::ofstream out(file);
    for (const auto& d : dates) out << d << '\n';
  }
  std::vector<std::string> weeks;
  if (FILE* pipe = popen(("date -f " + file + " '+%a %V' 2>/dev/null").c_str(), "r")) {
    char line[32];
    while (std::fgets(line, sizeof line, pipe)) weeks.emplace_back(line, 6);
    pclose(pipe);
  }
  if (weeks.size() != dates.size()) weeks.clear();
  return weeks;
}

TEST_F(DateTimeTest, WeekToDate) {
  struct Case { int32_t week, year; TDateTime want; };
  const Case cases[] = {
      {1, 2024, At(2024, 1, 1)},
      {0, 2024, At(2024, 1, 1)},    // no week: the Monday on or before 1 January
      {54, 2024, At(2024, 1, 1)},
      {-1, 2021, At(2020, 12, 28)},
      {1, 2021, At(2021, 1, 4)},     // 1 January 2021 is a Friday
      {53, 2021, At(2020, 12, 28)},  // ... and its Monday is in week 53 of 2020
      {52, 2022, At(2021, 12, 27)},
      {53, 2020, At(2020, 12, 28)},
      {53, 2024, At(2026, 12, 28)},  // 2024 and 2025 have 52 weeks
      {52, 2024, At(2024, 12, 23)},
      {1, 2025, At(2024, 12, 30)},
      {1, 1, At(1, 1, 1)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxDateTime::WeekToDate(c.week, c.year), c.want) << c.week << "/" << c.year;
  EXPECT_THROW(TkxDateTime::WeekToDate(1, 0), EConvertError);
  EXPECT_THROW(TkxDateTime::WeekToDate(1, 10000), EConvertError);

  // Every week of thirty years against GNU date: a Monday of that week
  // number, and the first such from the Monday before 1 January on.
  std::vector<std::string> dates;
  std::vector<int32_t> wanted;
  for (int32_t year = 1995; year <= 2030; ++year) {
    for (int32_t week = 1; week <= 53; ++week) {
      const TDateTime d = TkxDateTime::WeekToDate(week, year);
      const TDateTime start = TkxDateTime::WeekToDate(0, year);
      EXPECT_LE(start.Val, d.Val);
      EXPECT_LT(d.Val - start.Val, week == 53 ? 7 * 53 * 7 : 7 * 54) << week << "/" << year;
      dates.push_back(ToUtf8(FormatDateTime(u"yyyy-mm-dd", d)));
      wanted.push_back(week);
    }
  }
  const std::vector<std::string> weeks = IsoWeeksByDate(dates);
  if (weeks.empty()) GTEST_SKIP() << "GNU date is not usable here";
  for (size_t i = 0; i < dates.size(); ++i) {
    const std::string want = std::string("Mon ") + char('0' + wanted[i] / 10) + char('0' + wanted[i] % 10);
    ASSERT_EQ(weeks[i], want) << dates[i];
  }
}

TEST_F(DateTimeTest, UnixTimes) {
  EXPECT_EQ(TkxDateTime::UnixTimeToDateTime(0), At(1970, 1, 1));
  EXPECT_EQ(TkxDateTime::UnixTimeToDateTime(86400 + 43200), At(1970, 1, 2, 12));
  EXPECT_EQ(TkxDateTime::UnixTimeToDateTime(-86400), At(1969, 12, 31));
  EXPECT_EQ(TkxDateTime::UnixTimeToDateTime(1'700'000'000),
            TkxDateTime::UnixTimeToDateTime(1'700'000'000'000));
  EXPECT_NEAR(TkxDateTime::UnixTimeToDateTime(1'700'000'000).Val, At(2023, 11, 14, 22, 13, 20).Val, 1e-9);
  // Up to 999,999,999,999 the value is seconds, above it milliseconds.
  EXPECT_NEAR(TkxDateTime::UnixTimeToDateTime(999'999'999'999).Val, 25569.0 + 999'999'999'999 / 86400.0, 1e-6);
  EXPECT_NEAR(TkxDateTime::UnixTimeToDateTime(1'000'000'000'000).Val, 25569.0 + 1e12 / 86400000.0, 1e-9);
}

// --- Locale date formats ---------------------------------------------------------------

// The order of the fields and the separator of a short date format.
std::string Shape(const UnicodeString& format) {
  std::string shape;
  char16_t separator = 0;
  for (const char16_t c : format) {
    const char16_t lower = c | 0x20;
    if (lower == u'd' || lower == u'm' || lower == u'y') {
      if (shape.empty() || shape.back() != char(lower)) shape += char(lower);
    } else if (separator == 0 && c != u' ' && c != 0x200F) {
      separator = c;
    }
  }
  return shape + " " + ToUtf8(UnicodeString(separator ? 1 : 0, separator));
}

TEST_F(DateTimeTest, ShortDateFormats) {
  // Under C: the invariant pattern.
  EXPECT_EQ(TkxDateTime::ShortDateFormat(), u"yyyy-mm-dd");
  TFormatSettings fs = TFormatSettings::Invariant();
  fs.ShortDateFormat = u"dd/mm/yyyy/";
  fs.DateSeparator = u'.';
  EXPECT_EQ(TkxDateTime::ShortDateFormat(fs), u"dd.mm.yyyy.");  // every "/"
  fs.DateSeparator = 0;
  EXPECT_EQ(TkxDateTime::ShortDateFormat(fs), u"ddmmyyyy");

  try {
    TkxDateTime::ShortDateFormat(u"xx");
    ADD_FAILURE() << "no error for xx";
  } catch (const EConvertError&) {
    ADD_FAILURE() << "a plain Exception is expected";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, u"LCID for locale XX not found!");
    EXPECT_EQ(e.ClassName(), u"Exception");
  }
  // Rows without an LCID do not count; the untrimmed text is looked up.
  for (const char16_t* code : {u"AA", u" de", u"de "})
    EXPECT_THROW(TkxDateTime::ShortDateFormat(code), Exception) << ToUtf8(code);

  if (!HaveGermanLocaleData()) GTEST_SKIP() << "ICU has no locale data here";
  struct Case { const char16_t* locale; const char* shape; };
  const Case cases[] = {
      {u"deu", "dmy ."}, {u"DE", "dmy ."}, {u"ger", "dmy ."}, {u"de-DE", "dmy ."},
      {u"de_DE", "dmy ."}, {u"EN", "dmy /"},  // the first "EN" row is English - United Kingdom
      {u"en-US", "mdy /"}, {u"HUN", "ymd ."}, {u"sv-SE", "ymd -"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Shape(TkxDateTime::ShortDateFormat(c.locale)), c.shape) << ToUtf8(c.locale);

  // The user's format is the process record's, also for an unknown name.
  SetUserLocaleForTesting("de_DE");
  ResetFormatSettings();
  const UnicodeString user = TkxDateTime::ShortDateFormat();
  EXPECT_EQ(user, TkxDateTime::ShortDateFormat(FormatSettings()));
  EXPECT_EQ(Shape(user), "dmy .");
  EXPECT_EQ(TkxDateTime::ShortDateFormat(u"zz-ZZ"), user);
  EXPECT_EQ(TkxDateTime::ShortDateFormat(u""), user);
}

}  // namespace
