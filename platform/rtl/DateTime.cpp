#include "platform/rtl/DateTime.h"

#include <charconv>
#include <cmath>

#include "platform/rtl/Exceptions.h"

namespace {

constexpr int64_t kMSecsPerDay = 86'400'000;
// Day numbers of 0001-01-01 and 9999-12-31.
constexpr int64_t kMinDay = -693'593;
constexpr int64_t kMaxDay = 2'958'465;
// 1970-01-01, the origin of the civil-day arithmetic below.
constexpr int64_t kUnixEpochDay = 25'569;

// Days since 1970-01-01 of a proleptic Gregorian date (any year).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = yoe + era * 400 + (m <= 2);
}

UnicodeString NumberText(double value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return ToUtf16(std::string_view(buf, r.ptr - buf));
}

// A value split into its calendar day number and the milliseconds since that
// day's midnight, rounded to whole milliseconds with the carry into the next
// day. For a negative value the day is its integer part and the time counts
// forward from that day's midnight by the absolute fraction.
struct DayAndMSec {
  double Day;
  int64_t MSec;
};

DayAndMSec Split(TDateTime value) {
  const double v = value.Val;
  if (!std::isfinite(v))
    throw EConvertError(u"'" + NumberText(v) + u"' is not a valid date and time value");
  double day = std::trunc(v);
  // nearbyint: round half to even, as the conversion to whole milliseconds
  // has always done.
  auto ms = static_cast<int64_t>(std::nearbyint(std::fabs(v - day) * kMSecsPerDay));
  if (ms >= kMSecsPerDay) {
    ms -= kMSecsPerDay;
    day += 1.0;
  }
  return {day + 0.0, ms};  // + 0.0 turns -0.0 into 0.0
}

int64_t CheckedDay(TDateTime value, double day) {
  if (day < kMinDay || day > kMaxDay)
    throw EConvertError(u"'" + NumberText(value.Val) +
                        u"' is outside the range of dates (0001-01-01 to 9999-12-31)");
  return static_cast<int64_t>(day);
}

void DecodeDay(int64_t day, uint16_t& Year, uint16_t& Month, uint16_t& Day) {
  int64_t y, m, d;
  CivilFromDays(day - kUnixEpochDay, y, m, d);
  Year = static_cast<uint16_t>(y);
  Month = static_cast<uint16_t>(m);
  Day = static_cast<uint16_t>(d);
}

void DecodeMSec(int64_t ms, uint16_t& Hour, uint16_t& Min, uint16_t& Sec, uint16_t& MSec) {
  Hour = static_cast<uint16_t>(ms / 3'600'000);
  Min = static_cast<uint16_t>(ms / 60'000 % 60);
  Sec = static_cast<uint16_t>(ms / 1000 % 60);
  MSec = static_cast<uint16_t>(ms % 1000);
}

}  // namespace

bool IsLeapYear(uint16_t Year) {
  return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
}

uint16_t DaysInAMonth(uint16_t Year, uint16_t Month) {
  static constexpr uint16_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Month < 1 || Month > 12) return 0;
  return Month == 2 && IsLeapYear(Year) ? 29 : kDays[Month - 1];
}

bool TryEncodeDate(uint16_t Year, uint16_t Month, uint16_t Day, TDateTime& Result) {
  if (Year < 1 || Year > 9999 || Day < 1 || Day > DaysInAMonth(Year, Month)) return false;
  Result = TDateTime(static_cast<double>(DaysFromCivil(Year, Month, Day) + kUnixEpochDay));
  return true;
}

bool TryEncodeTime(uint16_t Hour, uint16_t Min, uint16_t Sec, uint16_t MSec, TDateTime& Result) {
  if (Hour > 23 || Min > 59 || Sec > 59 || MSec > 999) return false;
  const int64_t ms = ((Hour * 60 + Min) * 60 + Sec) * int64_t{1000} + MSec;
  Result = TDateTime(static_cast<double>(ms) / kMSecsPerDay);
  return true;
}

bool TryEncodeDateTime(uint16_t Year, uint16_t Month, uint16_t Day, uint16_t Hour, uint16_t Min,
                       uint16_t Sec, uint16_t MSec, TDateTime& Result) {
  TDateTime date, time;
  if (!TryEncodeDate(Year, Month, Day, date) || !TryEncodeTime(Hour, Min, Sec, MSec, time))
    return false;
  Result = TDateTime(date.Val >= 0 ? date.Val + time.Val : date.Val - time.Val);
  return true;
}

TDateTime EncodeDate(uint16_t Year, uint16_t Month, uint16_t Day) {
  TDateTime r;
  if (!TryEncodeDate(Year, Month, Day, r))
    throw EConvertError(u"Invalid date: year " + NumberText(Year) + u", month " +
                        NumberText(Month) + u", day " + NumberText(Day));
  return r;
}

TDateTime EncodeTime(uint16_t Hour, uint16_t Min, uint16_t Sec, uint16_t MSec) {
  TDateTime r;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, r))
    throw EConvertError(u"Invalid time: hour " + NumberText(Hour) + u", minute " +
                        NumberText(Min) + u", second " + NumberText(Sec) + u", millisecond " +
                        NumberText(MSec));
  return r;
}

TDateTime EncodeDateTime(uint16_t Year, uint16_t Month, uint16_t Day, uint16_t Hour,
                         uint16_t Min, uint16_t Sec, uint16_t MSec) {
  const TDateTime date = EncodeDate(Year, Month, Day);
  const TDateTime time = EncodeTime(Hour, Min, Sec, MSec);
  return TDateTime(date.Val >= 0 ? date.Val + time.Val : date.Val - time.Val);
}

void DecodeDate(TDateTime Value, uint16_t& Year, uint16_t& Month, uint16_t& Day) {
  const DayAndMSec s = Split(Value);
  DecodeDay(CheckedDay(Value, s.Day), Year, Month, Day);
}

void DecodeTime(TDateTime Value, uint16_t& Hour, uint16_t& Min, uint16_t& Sec, uint16_t& MSec) {
  DecodeMSec(Split(Value).MSec, Hour, Min, Sec, MSec);
}

void DecodeDateTime(TDateTime Value, uint16_t& Year, uint16_t& Month, uint16_t& Day,
                    uint16_t& Hour, uint16_t& Min, uint16_t& Sec, uint16_t& MSec) {
  const DayAndMSec s = Split(Value);
  DecodeDay(CheckedDay(Value, s.Day), Year, Month, Day);
  DecodeMSec(s.MSec, Hour, Min, Sec, MSec);
}

int32_t DayOfWeek(TDateTime Value) {
  // Day 0, 1899-12-30, was a Saturday.
  double r = std::fmod(Split(Value).Day + 6.0, 7.0);
  if (r < 0) r += 7.0;
  return static_cast<int32_t>(r) + 1;
}

TDateTime DateOf(TDateTime Value) { return TDateTime(Split(Value).Day); }

TDateTime TimeOf(TDateTime Value) {
  return TDateTime(static_cast<double>(Split(Value).MSec) / kMSecsPerDay);
}

namespace {
// Day 0 (1899-12-30) as a time-stamp day.
constexpr int64_t kStampDayOfZero = 693'594;
}  // namespace

TTimeStamp DateTimeToTimeStamp(TDateTime Value) {
  const double total = std::nearbyint(Value.Val * kMSecsPerDay);
  // Beyond 2^62 ms the day number is far outside 32 bits anyway; the check
  // keeps the conversion to an integer defined.
  if (!std::isfinite(total) || std::fabs(total) > 4.0e18)
    throw EConvertError(u"'" + NumberText(Value.Val) + u"' is not a valid date and time value");
  const auto ms = static_cast<int64_t>(total);
  const int64_t date = kStampDayOfZero + ms / kMSecsPerDay;
  if (date < INT32_MIN || date > INT32_MAX)
    throw EConvertError(u"'" + NumberText(Value.Val) + u"' is outside the range of time stamps");
  const int64_t absMs = ms < 0 ? -ms : ms;
  return {static_cast<int32_t>(absMs % kMSecsPerDay), static_cast<int32_t>(date)};
}

TDateTime TimeStampToDateTime(const TTimeStamp& Stamp) {
  if (Stamp.Time < 0 || Stamp.Time >= kMSecsPerDay || Stamp.Date <= 0)
    throw EConvertError(u"Invalid time stamp (day " + NumberText(Stamp.Date) + u", millisecond " +
                        NumberText(Stamp.Time) + u")");
  int64_t t = (Stamp.Date - kStampDayOfZero) * kMSecsPerDay;
  t = t >= 0 ? t + Stamp.Time : t - Stamp.Time;
  return TDateTime(static_cast<double>(t) / kMSecsPerDay);
}
