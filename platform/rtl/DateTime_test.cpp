#include "platform/rtl/DateTime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"

// Failing comparisons show the number, not the bytes.
void PrintTo(TDateTime value, std::ostream* os) { *os << "TDateTime(" << value.Val << ")"; }

namespace {

struct Fields {
  uint16_t y, mo, d, h, mi, s, ms;
  friend bool operator==(const Fields&, const Fields&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Fields& f) {
    return os << f.y << '-' << f.mo << '-' << f.d << ' ' << f.h << ':' << f.mi << ':' << f.s
              << '.' << f.ms;
  }
};

Fields Decoded(double value) {
  Fields f{};
  DecodeDateTime(TDateTime(value), f.y, f.mo, f.d, f.h, f.mi, f.s, f.ms);
  return f;
}

TEST(DateTime, EncodeAndDecodeAreInverse) {
  struct Case { Fields f; double value; };
  const Case cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
      {{1899, 12, 31, 0, 0, 0, 0}, 1.0},
      {{1899, 12, 30, 6, 0, 0, 0}, 0.25},
      // Before day 0 the time counts back from the negative day number.
      {{1899, 12, 29, 6, 0, 0, 0}, -1.25},
      {{1899, 12, 29, 18, 0, 0, 0}, -1.75},
      {{1800, 6, 15, 18, 30, 0, 0}, -36357.0 - 18.5 / 24},
      {{1900, 2, 28, 0, 0, 0, 0}, 60.0},
      {{1900, 3, 1, 0, 0, 0, 0}, 61.0},   // 1900 is no leap year
      {{2000, 2, 29, 0, 0, 0, 0}, 36585.0},  // 2000 is one
      {{2024, 1, 15, 12, 0, 0, 0}, 45306.5},
      {{2024, 1, 15, 12, 0, 0, 250}, 45306.5 + 250.0 / 86400000},
      {{1, 1, 1, 0, 0, 0, 0}, -693593.0},
      {{9999, 12, 31, 23, 59, 59, 999}, 2958465.0 + 86399999.0 / 86400000},
  };
  for (const auto& c : cases) {
    const TDateTime encoded = EncodeDateTime(c.f.y, c.f.mo, c.f.d, c.f.h, c.f.mi, c.f.s, c.f.ms);
    EXPECT_NEAR(encoded.Val, c.value, 1e-9) << c.f;
    EXPECT_EQ(Decoded(encoded.Val), c.f) << c.value;
    EXPECT_EQ(Decoded(c.value), c.f) << c.value;
  }
}

TEST(DateTime, EveryMillisecondOfADaySurvivesTheRoundTrip) {
  // On both sides of day 0 and at the far end of the calendar, where a double
  // has the fewest bits left for the fraction.
  for (const uint16_t year : {1899, 1900, 1, 9999}) {
    const uint16_t month = year == 1899 ? 12 : 1;
    const uint16_t day = year == 1899 ? 29 : 1;
    for (int64_t ms = 0; ms < 86'400'000; ms += 997) {
      const Fields f{year, month, day, uint16_t(ms / 3600000), uint16_t(ms / 60000 % 60),
                     uint16_t(ms / 1000 % 60), uint16_t(ms % 1000)};
      ASSERT_EQ(Decoded(EncodeDateTime(f.y, f.mo, f.d, f.h, f.mi, f.s, f.ms).Val), f);
    }
  }
}

TEST(DateTime, DecodingRoundsToWholeMillisecondsAndCarriesIntoTheNextDay) {
  struct Case { double value; Fields want; double dateOf, timeOf; int32_t dow; };
  const double ms = 1.0 / 86400000;
  const Case cases[] = {
      {0.99999999, {1899, 12, 30, 23, 59, 59, 999}, 0.0, 86399999 * ms, 7},
      {0.999999999, {1899, 12, 31, 0, 0, 0, 0}, 1.0, 0.0, 1},
      {45306.9999999999, {2024, 1, 16, 0, 0, 0, 0}, 45307.0, 0.0, 3},
      // 1899-12-29 23:59:59.9999 rounds to the next calendar day, 1899-12-30,
      // not back to 1899-12-28.
      {-1.999999999, {1899, 12, 30, 0, 0, 0, 0}, 0.0, 0.0, 7},
      {-0.5, {1899, 12, 30, 12, 0, 0, 0}, 0.0, 0.5, 7},  // same as 0.5
      {-1.25, {1899, 12, 29, 6, 0, 0, 0}, -1.0, 0.25, 6},
      {0.4 * ms, {1899, 12, 30, 0, 0, 0, 0}, 0.0, 0.0, 7},
      {0.6 * ms, {1899, 12, 30, 0, 0, 0, 1}, 0.0, ms, 7},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Decoded(c.value), c.want) << c.value;
    Fields t{};
    DecodeTime(TDateTime(c.value), t.h, t.mi, t.s, t.ms);
    EXPECT_EQ((Fields{0, 0, 0, t.h, t.mi, t.s, t.ms}),
              (Fields{0, 0, 0, c.want.h, c.want.mi, c.want.s, c.want.ms})) << c.value;
    EXPECT_EQ(DateOf(TDateTime(c.value)).Val, c.dateOf) << c.value;
    EXPECT_NEAR(TimeOf(TDateTime(c.value)).Val, c.timeOf, 1e-15) << c.value;
    EXPECT_EQ(DayOfWeek(TDateTime(c.value)), c.dow) << c.value;
  }
  EXPECT_FALSE(std::signbit(DateOf(TDateTime(-0.5)).Val));
}

TEST(DateTime, FieldsOutOfRangeAreRejected) {
  struct DateCase { uint16_t y, m, d; bool ok; };
  const DateCase dates[] = {
      {2024, 2, 29, true},  {2023, 2, 29, false}, {1900, 2, 29, false}, {2000, 2, 29, true},
      {2024, 4, 31, false}, {2024, 13, 1, false}, {2024, 0, 1, false},  {2024, 1, 0, false},
      {0, 1, 1, false},     {1, 1, 1, true},      {9999, 12, 31, true}, {10000, 1, 1, false},
  };
  for (const auto& c : dates) {
    TDateTime v(-7.0);
    EXPECT_EQ(TryEncodeDate(c.y, c.m, c.d, v), c.ok) << c.y << '-' << c.m << '-' << c.d;
    if (c.ok) {
      EXPECT_NO_THROW(EncodeDate(c.y, c.m, c.d));
    } else {
      EXPECT_EQ(v.Val, -7.0);  // untouched
      EXPECT_THROW(EncodeDate(c.y, c.m, c.d), EConvertError);
      EXPECT_THROW(EncodeDateTime(c.y, c.m, c.d, 0, 0, 0, 0), EConvertError);
    }
  }
  struct TimeCase { uint16_t h, m, s, ms; bool ok; };
  const TimeCase times[] = {
      {23, 59, 59, 999, true}, {24, 0, 0, 0, false}, {0, 60, 0, 0, false},
      {0, 0, 60, 0, false},    {0, 0, 0, 1000, false},
  };
  for (const auto& c : times) {
    TDateTime v;
    EXPECT_EQ(TryEncodeTime(c.h, c.m, c.s, c.ms, v), c.ok) << c.h << ':' << c.m << ':' << c.s;
    EXPECT_EQ(TryEncodeDateTime(2024, 1, 1, c.h, c.m, c.s, c.ms, v), c.ok);
    if (!c.ok) {
      EXPECT_THROW(EncodeTime(c.h, c.m, c.s, c.ms), EConvertError);
    }
  }
}

TEST(DateTime, ValuesOutsideTheCalendarRaiseInsteadOfDecodingGarbage) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const double v : {nan, inf, -inf, 1e10, 2958466.0, -693594.0, 1e300}) {
    uint16_t y, m, d;
    EXPECT_THROW(DecodeDate(TDateTime(v), y, m, d), EConvertError) << v;
  }
  for (const double v : {nan, inf}) {
    uint16_t h, n, s, z;
    EXPECT_THROW(DecodeTime(TDateTime(v), h, n, s, z), EConvertError);
    EXPECT_THROW(DateOf(TDateTime(v)), EConvertError);
    EXPECT_THROW(DayOfWeek(TDateTime(v)), EConvertError);
  }
  // The time of day of a value beyond the calendar is still defined.
  uint16_t h, n, s, z;
  DecodeTime(TDateTime(1e10 + 0.5), h, n, s, z);
  EXPECT_EQ(h, 12);
}

TEST(DateTime, CalendarHelpers) {
  struct Case { uint16_t y, m, days; bool leap; };
  const Case cases[] = {
      {2024, 2, 29, true}, {2023, 2, 28, false}, {1900, 2, 28, false}, {2000, 2, 29, true},
      {2023, 4, 30, false}, {2023, 12, 31, false}, {2023, 0, 0, false}, {2023, 13, 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DaysInAMonth(c.y, c.m), c.days) << c.y << '-' << c.m;
    EXPECT_EQ(IsLeapYear(c.y), c.leap) << c.y;
  }
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 1, 15)), 2);  // Monday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);      // Monday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 1, 13)), 7);  // Saturday
}

// --- Time stamps ------------------------------------------------------------

TEST(TimeStamp, BothConversionsInWholeMilliseconds) {
  struct Case { double value; TTimeStamp stamp; };
  const double ms = 1.0 / 86400000;
  const Case cases[] = {
      {0.0, {0, 693594}},
      {45306.5, {43'200'000, 738'900}},                       // 2024-01-15 12:00
      {45306.5 + 250 * ms, {43'200'250, 738'900}},
      {-1.25, {21'600'000, 693'593}},                         // 1899-12-29 06:00
      {-693593.0, {0, 1}},                                    // 0001-01-01
      {2958465.0 + 86399999 * ms, {86'399'999, 3'652'059}},  // 9999-12-31 23:59:59.999
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DateTimeToTimeStamp(TDateTime(c.value)), c.stamp) << c.value;
    EXPECT_NEAR(TimeStampToDateTime(c.stamp).Val, c.value, 1e-12) << c.value;
  }
  // Rounding to the nearest millisecond; -0.25 and 0.25 share a stamp.
  EXPECT_EQ(DateTimeToTimeStamp(TDateTime(0.6 * ms)), (TTimeStamp{1, 693594}));
  EXPECT_EQ(DateTimeToTimeStamp(TDateTime(-0.25)), (TTimeStamp{21'600'000, 693594}));
}

TEST(TimeStamp, InvalidStampsAndValuesRaise) {
  for (const TTimeStamp bad : {TTimeStamp{0, 0}, TTimeStamp{-1, 1}, TTimeStamp{86'400'000, 1},
                               TTimeStamp{0, -5}}) {
    try {
      TimeStampToDateTime(bad);
      ADD_FAILURE() << bad.Time << " " << bad.Date;
    } catch (const EConvertError& e) {
      EXPECT_EQ(ToUtf8(e.Message).rfind("Invalid time stamp (day ", 0), 0u) << ToUtf8(e.Message);
    }
  }
  EXPECT_EQ(TimeStampToDateTime({86'399'999, 1}).Val, -693593.0 - 86399999.0 / 86400000);
  for (const double v : {std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity(), 1e300, 3e9, -3e9})
    EXPECT_THROW(DateTimeToTimeStamp(TDateTime(v)), EConvertError) << v;
}

TEST(TimeStamp, DayNumbersAndWeekdaysAgreeWithTheChronoCalendar) {
  using namespace std::chrono;
  const sys_days firstDay{year{1} / January / 1};
  for (int64_t day = -693'593; day <= 2'958'465; day += 997) {
    const TDateTime value(static_cast<double>(day) + (day < 0 ? -0.75 : 0.75));
    uint16_t y, m, d;
    DecodeDate(value, y, m, d);
    const sys_days civil{year{y} / month{m} / std::chrono::day{d}};
    ASSERT_EQ(DateTimeToTimeStamp(value).Date, (civil - firstDay).count() + 1) << day;
    ASSERT_EQ(civil.time_since_epoch().count() + 25569, day) << day;
    ASSERT_EQ(DayOfWeek(value), static_cast<int32_t>(weekday{civil}.c_encoding()) + 1) << day;
    ASSERT_EQ(TimeStampToDateTime(DateTimeToTimeStamp(value)), value) << day;
  }
}

// --- Clock ------------------------------------------------------------------

class ClockTest : public ::testing::Test {
 protected:
  void TearDown() override {
    kx::platform::SetClockForTesting(nullptr);
    setenv("TZ", "UTC", 1);
  }
};

TEST_F(ClockTest, TestClockDrivesNowDateAndTime) {
  const TDateTime fixed = EncodeDateTime(2026, 6, 15, 13, 45, 30, 250);
  kx::platform::SetClockForTesting([fixed] { return fixed; });
  EXPECT_EQ(Now(), fixed);
  EXPECT_EQ(Date(), EncodeDate(2026, 6, 15));
  EXPECT_NEAR(Time().Val, EncodeTime(13, 45, 30, 250).Val, 1e-12);

  // Before 1899-12-30 the time part still comes out positive.
  kx::platform::SetClockForTesting([] { return TDateTime(-1.25); });
  EXPECT_EQ(Date().Val, -1.0);
  EXPECT_EQ(Time().Val, 0.25);
}

TEST_F(ClockTest, SystemClockGivesLocalTimeUnderTz) {
  kx::platform::SetClockForTesting([] { return TDateTime(1.0); });
  kx::platform::SetClockForTesting(nullptr);  // restores the system clock

  const std::time_t before = std::time(nullptr);
  const double utc = Now().Val;
  // Unix time as a date-time in UTC; a minute of slack for a loaded machine,
  // where a wrong zone is off by hours.
  constexpr double kSlack = 60.0 / 86400;
  EXPECT_NEAR(utc, 25569.0 + before / 86400.0, kSlack);

  setenv("TZ", "XYZ-2", 1);  // two hours east of UTC
  const double east = Now().Val;
  EXPECT_NEAR(east - utc, 2.0 / 24, kSlack);
}

}  // namespace

namespace {

// Unix seconds of a UTC value (whole seconds).
int64_t UnixSeconds(TDateTime utc) { return std::llround((utc.Val - 25569.0) * 86400.0); }

// GNU date's UTC offsets ("+0100") for the Unix times, under the zone.
std::vector<std::string> OffsetsByDate(const char* zone, const std::vector<int64_t>& times) {
  const std::string file = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                           "/utc_offsets.txt";
  {
    std::ofstream out(file);
    for (int64_t t : times) out << '@' << t << '\n';
  }
  std::vector<std::string> offsets;
  const std::string command = std::string("TZ=") + zone + " date -f " + file + " +%z 2>/dev/null";
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char line[64];
    while (std::fgets(line, sizeof line, pipe)) offsets.emplace_back(line, 5);
    pclose(pipe);
  }
  return offsets;
}

// "+0130" for an offset of days.
std::string OffsetText(double days) {
  const long minutes = std::lround(days * 1440);
  const long a = std::labs(minutes);
  std::string out(1, minutes < 0 ? '-' : '+');
  for (const long part : {a / 60, a % 60}) {
    out += static_cast<char>('0' + part / 10 % 10);
    out += static_cast<char>('0' + part % 10);
  }
  return out;
}

}  // namespace

TEST(UnixMs, BothWaysOnOneClock) {
  struct Case { TDateTime value; int64_t ms; };
  const Case cases[] = {
      {EncodeDateTime(1970, 1, 1, 0, 0, 0, 0), 0},
      {EncodeDateTime(1970, 1, 1, 12, 0, 0, 1), 43'200'001},
      {EncodeDateTime(1969, 12, 31, 23, 59, 59, 999), -1},
      {EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -2'209'226'400'000},  // a negative value
      {EncodeDateTime(1, 1, 1, 0, 0, 0, 0), -62'135'596'800'000},
      {EncodeDateTime(9999, 12, 31, 23, 59, 59, 999), 253'402'300'799'999},
  };
  for (const Case& c : cases) {
    int64_t ms = 0;
    ASSERT_TRUE(kx::platform::DateTimeToUnixMs(c.value, ms)) << c.value.Val;
    EXPECT_EQ(ms, c.ms) << c.value.Val;
    EXPECT_NEAR(kx::platform::UnixMsToDateTime(c.ms).Val, c.value.Val, 1e-9) << c.ms;
  }
  int64_t ms = 0;
  for (const double outside : {std::nan(""), HUGE_VAL, -693'594.0, 2'958'466.0, 1e9})
    EXPECT_FALSE(kx::platform::DateTimeToUnixMs(TDateTime(outside), ms)) << outside;
}

TEST_F(ClockTest, LocalAndUtcUseTheOffsetOfTheInstant) {
  setenv("TZ", "Europe/Berlin", 1);
  struct Case { TDateTime local, utc; };
  const Case cases[] = {
      {EncodeDateTime(2024, 1, 15, 12, 0, 0, 0), EncodeDateTime(2024, 1, 15, 11, 0, 0, 0)},
      {EncodeDateTime(2024, 7, 1, 12, 0, 0, 250), EncodeDateTime(2024, 7, 1, 10, 0, 0, 250)},
      {EncodeDateTime(2024, 7, 1, 1, 30, 0, 0), EncodeDateTime(2024, 6, 30, 23, 30, 0, 0)},
      {EncodeDateTime(2024, 3, 31, 3, 0, 0, 0), EncodeDateTime(2024, 3, 31, 1, 0, 0, 0)},
      {EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), EncodeDateTime(1899, 12, 29, 5, 0, 0, 0)},
      {EncodeDateTime(1, 1, 1, 12, 0, 0, 0), EncodeDateTime(1, 1, 1, 11, 6, 32, 0)},  // local mean time
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(LocalTimeToUtc(c.local).Val, c.utc.Val, 1e-9) << c.local.Val;
    EXPECT_NEAR(UtcToLocalTime(c.utc).Val, c.local.Val, 1e-9) << c.utc.Val;
  }
  // The hour that the spring change skips moves forward by the gap.
  EXPECT_NEAR(LocalTimeToUtc(EncodeDateTime(2024, 3, 31, 2, 30, 0, 0)).Val,
              EncodeDateTime(2024, 3, 31, 1, 30, 0, 0).Val, 1e-9);
  // Outside the calendar: the offset in force now (one or two hours here).
  const double far = LocalTimeToUtc(TDateTime(1e9)).Val - 1e9;
  EXPECT_TRUE(std::fabs(far + 1.0 / 24) < 1e-6 || std::fabs(far + 2.0 / 24) < 1e-6) << far;
  EXPECT_TRUE(std::isnan(UtcToLocalTime(TDateTime(std::nan(""))).Val));
}

TEST_F(ClockTest, OffsetsAgreeWithGnuDate) {
  // Zones with an hour, a half hour and a southern summer; a day and a bit
  // apart over thirty years, so every change is crossed near its hour.
  for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe"}) {
    setenv("TZ", zone, 1);
    std::vector<int64_t> times;
    std::vector<std::string> ours;
    for (double utc = EncodeDate(1995, 1, 1).Val; utc < EncodeDate(2026, 1, 1).Val; utc += 1.37) {
      const TDateTime u(std::floor(utc * 86400) / 86400);
      const TDateTime local = UtcToLocalTime(TDateTime(u));
      times.push_back(UnixSeconds(u));
      ours.push_back(OffsetText(local.Val - u.Val));
      // A local time of the repeated autumn hour may go back to either
      // instant, but always to one that shows the same local time.
      ASSERT_NEAR(UtcToLocalTime(LocalTimeToUtc(local)).Val, local.Val, 1e-9) << zone << " " << u.Val;
    }
    const std::vector<std::string> theirs = OffsetsByDate(zone, times);
    if (theirs.size() != times.size()) GTEST_SKIP() << "GNU date with " << zone << " not usable here";
    for (size_t i = 0; i < times.size(); ++i) ASSERT_EQ(ours[i], theirs[i]) << zone << " @" << times[i];
  }
}
