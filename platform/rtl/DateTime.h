// platform/rtl/DateTime.h — TDateTime: days since 1899-12-30 (local time),
// the time of day as the fraction.
//
// A distinct type over double, so that a date and a plain number never mix by
// accident (a date Variant and a double Variant stay apart). Conversions to
// and from calendar fields go through whole milliseconds: -1.25 is
// 1899-12-29 06:00 (the fraction counts forward from midnight whatever the
// sign of the day number).
#pragma once

#include <compare>
#include <cstdint>

struct TDateTime {
  double Val = 0.0;

  constexpr TDateTime() = default;
  constexpr explicit TDateTime(double value) : Val(value) {}
  constexpr explicit operator double() const { return Val; }

  friend constexpr auto operator<=>(TDateTime a, TDateTime b) = default;
};

// Calendar fields <-> TDateTime. The Try forms answer false for fields out of
// range (month 13, 30 February, hour 24, year 0 or above 9999); the plain forms
// raise EConvertError.
bool TryEncodeDate(uint16_t Year, uint16_t Month, uint16_t Day, TDateTime& Result);
bool TryEncodeTime(uint16_t Hour, uint16_t Min, uint16_t Sec, uint16_t MSec, TDateTime& Result);
TDateTime EncodeDate(uint16_t Year, uint16_t Month, uint16_t Day);
TDateTime EncodeTime(uint16_t Hour, uint16_t Min, uint16_t Sec, uint16_t MSec);

// Date and time in one value. Before 1899-12-30 the time is subtracted from the
// (negative) day number, so that decoding gives the same fields back:
//   EncodeDateTime(1899, 12, 29, 6, 0, 0, 0) == TDateTime(-1.25)
bool TryEncodeDateTime(uint16_t Year, uint16_t Month, uint16_t Day, uint16_t Hour, uint16_t Min,
                       uint16_t Sec, uint16_t MSec, TDateTime& Result);
TDateTime EncodeDateTime(uint16_t Year, uint16_t Month, uint16_t Day, uint16_t Hour,
                         uint16_t Min, uint16_t Sec, uint16_t MSec);

// The decoders round the time of day to the nearest millisecond; a time that
// rounds up to 24:00 is midnight of the next calendar day
// (0.999999999 -> 1899-12-31 00:00:00.000). DecodeDate and DecodeDateTime
// raise EConvertError for a value outside 0001-01-01..9999-12-31; every
// decoder raises it for NaN and infinities.
void DecodeDate(TDateTime Value, uint16_t& Year, uint16_t& Month, uint16_t& Day);
void DecodeTime(TDateTime Value, uint16_t& Hour, uint16_t& Min, uint16_t& Sec, uint16_t& MSec);
void DecodeDateTime(TDateTime Value, uint16_t& Year, uint16_t& Month, uint16_t& Day,
                    uint16_t& Hour, uint16_t& Min, uint16_t& Sec, uint16_t& MSec);

bool IsLeapYear(uint16_t Year);
// 28 to 31; 0 for a month outside 1..12.
uint16_t DaysInAMonth(uint16_t Year, uint16_t Month);
// 1 = Sunday ... 7 = Saturday, of the calendar day DecodeDate shows.
int32_t DayOfWeek(TDateTime Value);

// The date part (midnight) and the time part (day 0, never negative) of a
// value, split as the decoders split it: DateOf(-1.25) == -1.0,
// TimeOf(-1.25) == 0.25, DateOf(0.999999999) == 1.0.
TDateTime DateOf(TDateTime Value);
TDateTime TimeOf(TDateTime Value);

// The platform's time stamp: milliseconds since midnight (0..86,399,999) and
// days since 0001-01-01 counting that day as 1 (1899-12-30 is day 693594).
struct TTimeStamp {
  int32_t Time = 0;
  int32_t Date = 0;

  friend constexpr bool operator==(const TTimeStamp&, const TTimeStamp&) = default;
};

// Both conversions go through whole milliseconds. To a stamp: the value times
// 86,400,000, rounded to the nearest whole number (half to even); Date is
// 693594 plus that total divided by 86,400,000 (truncated toward zero), Time
// the absolute total modulo 86,400,000. So -1.25 (1899-12-29 06:00) gives
// (21600000, 693593), and -0.25 the same stamp as 0.25.
//   DateTimeToTimeStamp(TDateTime(45306.5)) == TTimeStamp{43200000, 738900}
// Raises EConvertError for NaN, infinities and values whose day number does
// not fit 32 bits.
TTimeStamp DateTimeToTimeStamp(TDateTime Value);
// Back again: t = (Date - 693594) * 86,400,000, then t + Time when t >= 0,
// else t - Time, divided by 86,400,000. A stamp with Time below 0 or from
// 86,400,000 on, or with Date 0 or below, raises EConvertError
// ("Invalid time stamp (day D, millisecond T)").
TDateTime TimeStampToDateTime(const TTimeStamp& Stamp);
