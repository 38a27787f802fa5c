// platform/rtl/FormatSettings.h — the process-wide format settings and the
// date-time writers and readers that use them.
//
// FormatSettings() is made once, on first use, from the process locale through
// ICU. Under the C or POSIX locale it holds English names, "." as decimal and
// "," as thousand separator, and the fixed date and time patterns documented at
// TFormatSettings::Invariant(). Tests may change the record freely; operations
// that need their own settings take a TFormatSettings argument.
//
// In the date and time formats "/" stands for DateSeparator and ":" for
// TimeSeparator, so a locale's short date is held as "dd/mm/yyyy" with
// DateSeparator "." and written as 15.01.2024.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Text.h"

struct TFormatSettings {
  char16_t DecimalSeparator = u'.';
  char16_t ThousandSeparator = u',';
  char16_t DateSeparator = u'/';
  char16_t TimeSeparator = u':';
  char16_t ListSeparator = u',';
  UnicodeString ShortDateFormat;
  UnicodeString LongDateFormat;
  UnicodeString ShortTimeFormat;
  UnicodeString LongTimeFormat;
  UnicodeString TimeAMString;
  UnicodeString TimePMString;
  UnicodeString CurrencyString;
  uint8_t CurrencyFormat = 0;
  uint8_t NegCurrFormat = 0;
  uint8_t CurrencyDecimals = 2;
  std::array<UnicodeString, 12> ShortMonthNames;
  std::array<UnicodeString, 12> LongMonthNames;
  // Index 0 is Sunday, as DayOfWeek() - 1.
  std::array<UnicodeString, 7> ShortDayNames;
  std::array<UnicodeString, 7> LongDayNames;
  // A year read with one or two digits is placed in the 100 years that begin
  // this many years before the current year (50 in 2026: 76 -> 1976,
  // 75 -> 2075); 0 means the current century.
  uint16_t TwoDigitYearCenturyWindow = 50;

  // The settings of the C/POSIX locale; fixed, whatever the machine:
  //   DecimalSeparator "."   ThousandSeparator ","   ListSeparator ","
  //   DateSeparator "-"      ShortDateFormat "yyyy-mm-dd"
  //   LongDateFormat "dddd, d mmmm yyyy"
  //   TimeSeparator ":"      ShortTimeFormat "hh:nn"  LongTimeFormat "hh:nn:ss"
  //   TimeAMString "AM"      TimePMString "PM"
  //   CurrencyString U+00A4, CurrencyFormat 0 ("¤1"), NegCurrFormat 1 ("-¤1"),
  //   CurrencyDecimals 2; English month and day names ("January"/"Jan",
  //   "Sunday"/"Sun"); TwoDigitYearCenturyWindow 50.
  static TFormatSettings Invariant();
  // The settings of a locale name ("de_DE", "en-US", "fr", "de_DE.UTF-8");
  // "C", "POSIX", "C.UTF-8" and "" give Invariant(), unknown names ICU's root
  // locale data. Date and time patterns are ICU's short and full date and
  // short and medium time patterns in the letters of FormatDateTime, always
  // with a four-digit year; a 12-hour clock is written with "AMPM", the
  // locale's TimeAMString/TimePMString. ICU has no list separator: it is ";"
  // where the decimal separator is ",", else ",".
  static TFormatSettings FromLocale(const std::string& IcuLocaleName);

  friend bool operator==(const TFormatSettings&, const TFormatSettings&) = default;
};

// The process-wide record. Made from the process locale on first use: the
// LC_TIME locale of the process when a program has set one, else the first of
// the environment variables LC_ALL, LC_TIME, LANG that is set.
TFormatSettings& FormatSettings();
// Makes the process-wide record anew from the process locale (load time,
// tests). Not safe while other threads read the record.
void ResetFormatSettings();

// The platform's date-time formatting with its format letters: d dd ddd dddd
// ddddd (short date) dddddd (long date), m mm mmm mmmm (m after h or hh is
// minutes), yy yyyy, h hh, n nn, s ss, z zzz, t (short time) tt (long time),
// am/pm a/p ampm, c (short date and long time, time left out at midnight),
// "/" and ":" as the settings' separators, "..." and '...' literals.
// Letters are read without regard to case; "y" writes the two-digit year and
// "yyy" or more the four-digit one; "h" is a 12-hour clock when an am/pm
// marker precedes it, or when the first unquoted "a" after it (before another
// "h") starts one; "am/pm" and "a/p" write their letters as cased in the
// format, "ampm" the settings' strings.
// Every other character is copied. An empty format means "c". Formats nest
// one level ("ddddd" inside the short date format writes nothing), so a
// settings record naming itself cannot loop.
//   FormatDateTime(u"yyyy-mm-dd hh:mm", v) == u"2024-01-15 08:05"
// Raises EConvertError when a date letter meets a value outside the calendar
// (see DecodeDate).
UnicodeString FormatDateTime(const UnicodeString& Format, TDateTime Value);
UnicodeString FormatDateTime(const UnicodeString& Format, TDateTime Value,
                             const TFormatSettings& Settings);

// "c" format: short date, then the long time unless it is midnight.
UnicodeString DateTimeToStr(TDateTime Value);
UnicodeString DateTimeToStr(TDateTime Value, const TFormatSettings& Settings);
UnicodeString DateToStr(TDateTime Value);
UnicodeString DateToStr(TDateTime Value, const TFormatSettings& Settings);
UnicodeString TimeToStr(TDateTime Value);
UnicodeString TimeToStr(TDateTime Value, const TFormatSettings& Settings);

// Readers driven by the settings' ShortDateFormat (order of day, month and
// year), DateSeparator and TimeSeparator, with the platform's leniency (blanks
// around parts, one- or two-digit fields, two-digit years by the century
// window, an optional AM/PM). The Try forms answer false and leave Value
// alone; the others raise EConvertError with "'<text>' is not a valid date"
// (time, date and time). The whole text must be read.
//   Date: two or three numbers of 1 to 4 digits, each separated by
//     DateSeparator, optionally one more DateSeparator at the end. The order
//     is that of the first of d, m, y in ShortDateFormat (DMY, MDY, YMD; MDY
//     when none). Two numbers are day and month (month and day unless the
//     order is DMY) of the current year. A year of one or two digits is placed
//     by TwoDigitYearCenturyWindow relative to the clock's current year.
//   Time: hour, TimeSeparator, minute, optionally TimeSeparator and second,
//     optionally "." (or DecimalSeparator) and a fraction of the second
//     (".5" is 500 ms; digits past the millisecond are dropped). An AM or PM
//     string (the settings' or "AM"/"PM", any case) before or after makes it a
//     12-hour time (hour 1 to 12).
//   Date and time: a date, at least one blank, a time; or a date or a time
//     alone. Before 1899-12-30 the time counts back from the day (see
//     EncodeDateTime).
bool TryStrToDate(const UnicodeString& S, TDateTime& Value, const TFormatSettings& Settings);
bool TryStrToTime(const UnicodeString& S, TDateTime& Value, const TFormatSettings& Settings);
bool TryStrToDateTime(const UnicodeString& S, TDateTime& Value, const TFormatSettings& Settings);
TDateTime StrToDate(const UnicodeString& S);
TDateTime StrToTime(const UnicodeString& S);
TDateTime StrToDateTime(const UnicodeString& S);
TDateTime StrToDate(const UnicodeString& S, const TFormatSettings& Settings);
TDateTime StrToTime(const UnicodeString& S, const TFormatSettings& Settings);
TDateTime StrToDateTime(const UnicodeString& S, const TFormatSettings& Settings);
