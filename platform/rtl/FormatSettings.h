// platform/rtl/FormatSettings.h — the process-wide format settings and the
// date-time writers and readers that use them.
//
// FormatSettings() is made once, on first use, from the user's locale
// (UserLocale()) through ICU. Under the C or POSIX locale it holds English
// names, "." as decimal and "," as thousand separator, and the fixed date and
// time patterns documented at TFormatSettings::Invariant(). Tests may change
// the record freely; operations that need their own settings take a
// TFormatSettings argument.
//
// In the date and time formats "/" stands for DateSeparator and ":" for
// TimeSeparator, so a locale's short date is held as "dd/mm/yyyy" with
// DateSeparator "." and written as 15.01.2024.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
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
  // The short date format keeps the day, month and year fields of ICU's short
  // date pattern ("d", "dd", "M", "MM"; every run of "y" as "yyyy"); quoted
  // words and the era are left out, and the first character that separates
  // two fields becomes DateSeparator and is written "/" wherever it occurs:
  // ICU's "dd.MM.yy" is held as "dd/MM/yyyy" with DateSeparator ".".
  static TFormatSettings FromLocale(const std::string& IcuLocaleName);

  friend bool operator==(const TFormatSettings&, const TFormatSettings&) = default;
};

// The locale the user asked for, as the process-wide record and the user's
// default format settings are made from it: the first non-empty of the
// environment variables LC_ALL, LC_TIME and LANG, without codeset and
// modifier ("de_DE.UTF-8@euro" gives "de_DE"); "C" when none is set and for
// "C", "POSIX" and their codeset forms. Read anew on every call.
std::string UserLocale();
// Replaces UserLocale()'s answer until called with std::nullopt.
void SetUserLocaleForTesting(std::optional<std::string> Locale);

// The format settings of a locale, for callers that name one: "de-DE" and
// "de_DE" alike. "C" and "POSIX" give Invariant(). A name whose language ICU
// has no data for, and the empty name, give the user's default settings
// (FromLocale(UserLocale())) rather than ICU's root data, as the system does
// for a locale it does not know. Records are kept per name, so repeated calls
// are cheap; the answer is a copy.
TFormatSettings LocaleFormatSettings(const std::string& LocaleName);
// The same for a Windows locale id (0x0407 German - Germany), mapped by ICU;
// an id ICU cannot map gives the user's default settings.
TFormatSettings LocaleFormatSettings(uint32_t LCID);

// The process-wide record, FromLocale(UserLocale()), made on first use.
TFormatSettings& FormatSettings();
// Makes the process-wide record anew from UserLocale() (load time, tests).
// Not safe while other threads read the record.
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
//     12-hour time (hour 1 to 12). A record whose TimeAMString and
//     TimePMString are both empty reads the 24-hour clock only: "AM" and
//     "PM" are then no part of a time.
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

// The ISO 8601 reader, extended form: "yyyy-mm-ddThh:nn", optionally ":ss"
// and optionally "." with a decimal fraction of the second (whole
// milliseconds; digits past the third are dropped), then optionally a zone:
// "Z", "+hh:mm", "-hh:mm", "+hhmm", "-hhmm", "+hh" or "-hh". The result is
// UTC: an offset is subtracted ("12:00+02:00" is 10:00 UTC); "Z" and a text
// without any zone give the written time unchanged. Nothing else may stand
// before or after; hours 0..23, and the date must exist, before and after
// the offset is applied (0001-01-01..9999-12-31). The Try form answers
// false and leaves Value alone; the other raises EConvertError.
//   TryISO8601ToDate(u"2024-01-15T12:00:00.250Z", v) -> 45306.5 + 250 ms
bool TryISO8601ToDate(const UnicodeString& S, TDateTime& Value);
TDateTime ISO8601ToDate(const UnicodeString& S);
