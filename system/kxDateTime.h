// system/kxDateTime.h — dates and times: reading with lists of candidate
// formats, time-stamp texts, ISO 8601 texts, local time and UTC, durations,
// weekday names, quarters, week dates, Unix times and locale date formats.
//
// TDateTime counts days from 1899-12-30 00:00 (local time unless said);
// TTimeStamp and the conversions between the two are in platform/rtl/
// DateTime.h. Every "now" comes from the platform clock (platform/rtl/
// Clock.h), so tests can fix it.
//
// Readers with a format list never raise: they answer Default. They trim the
// text (every unit at or below U+0020 at both ends) and try the formats in
// list order. Each attempt reads with a settings record of its own in which
// only the separators, the formats and the two-digit-year window are set
// (no names, no AM/PM: a 24-hour clock). The separator of a format is the
// first character left after lower-casing it and deleting the letters d, m,
// y (dates) or h, n, s (times; z as well in StrToTimeExt); "." for a date
// format and ":" for a time format of letters alone. An attempt is made only
// when its separator occurs in the text.
// Dates are two or three numbers of one to four digits (blanks allowed around
// them, one trailing separator allowed) in the order of the first of d, m, y
// in the format, any case; two numbers are day and month of the current year
// (month and day unless d comes first of the three). A year written with one or
// two digits lies in the 100 years that begin 70 years before the current
// year (in 2026: 56 is 1956, 55 is 2055). Times are hours, minutes and
// optional seconds (0-23, 0-59, 0-59), optionally "." and a fraction of the
// second kept to whole milliseconds.
//
// Writers write fixed patterns; ":" in them stands for the time separator of
// the process-wide format settings (FormatSettings()) unless said.
//
// kxInternal::TkxDateTime (system/internal/kxInternalDateTime.h) has most of
// these operations with a few differences, listed there.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Text.h"

namespace TkxDateTime {

// ---- Reading -------------------------------------------------------------------

// Str read by the platform's date reader under FormatSettings(); Default when
// it does not read.
TDateTime StrToDate(const UnicodeString& Str, TDateTime Default);

// The first format that reads the trimmed Str, else Default. Two rules of
// their own:
// - the format "yyyymmdd" exactly (case matters) meets a text of exactly 8
//   characters: "." is put after the sixth and then the fourth character and
//   the format is taken as "yyyy.mm.dd". The changed text stays changed for
//   the formats after it;
// - a format exactly two characters longer than the text has every "yyyy"
//   (any case) taken as "yy" for that attempt.
//   StrToDateExt(u" 15.01.2024 ", {u"yyyy-mm-dd", u"dd.mm.yyyy"}, d) == 2024-01-15
//   StrToDateExt(u"20240115", {u"yyyymmdd"}, d) == 2024-01-15
//   StrToDateExt(u"2024-13-45", {u"yyyy-mm-dd", u"dd/mm/yyyy"}, d) == d
// The 8-bit formats are UTF-8 and converted first.
TDateTime StrToDateExt(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                       TDateTime Default);
TDateTime StrToDateExt(const UnicodeString& Str, const std::vector<AnsiString>& Formats,
                       TDateTime Default);

// The time of the trimmed Str by the first format that reads it, else
// Default. The format "hhnnss" exactly meets a text of exactly 6 characters:
// ":" is put after the fourth and then the second character ("123045" is
// 12:30:45). No day part.
TDateTime StrToTimeExt(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                       TDateTime Default);

// Every date format with every time format, in that nesting: an attempt is
// made when the text holds the date format's separator or the time format's
// separator (letters h, n, s; no z), and reads a date, a date with blanks
// and a time, or a time alone. Default when no pair reads, also when either
// list is empty.
//   StrToDateTimeExt(u"2024-01-15 08:30:00", {u"dd.mm.yyyy", u"yyyy-mm-dd"},
//                    {u"hh:nn:ss"}, d) == 2024-01-15 08:30
TDateTime StrToDateTimeExt(const UnicodeString& Str, const std::vector<UnicodeString>& DateFormats,
                           const std::vector<UnicodeString>& TimeFormats, TDateTime Default);
TDateTime StrToDateTimeExt(const UnicodeString& Str, const std::vector<AnsiString>& DateFormats,
                           const std::vector<AnsiString>& TimeFormats, TDateTime Default);

// StrToDateExt(Str, {"yyyy-mm-dd"}, 0) and
// StrToDateTimeExt(Str, {"yyyy-mm-dd"}, {"hh:nn:ss"}, 0).
TDateTime StrToDate_ISO(const UnicodeString& Str);
TDateTime StrToDateTime_ISO(const UnicodeString& Str);

// Characters 1-4 year, 5-6 month, 7-8 day, each read by the platform's
// integer reader as a decimal number (leading blanks and a sign allowed, no
// hexadecimal); later characters are ignored. EConvertError for a part that
// is empty or no number and for a date that does not exist.
TDateTime StrToDateTime_YYYYMMDD(const UnicodeString& Str);
// Characters 1-4 year, 5-6 month, 7-8 day, 9-10 hour, 11-12 minute, 13-14
// second, each read by TkxConversion::StrToInt with 0 for what is missing or
// no number ("20240115" is midnight). EConvertError when the fields make no
// date and time (month 0, hour 24).
TDateTime StrToDateTime_YYYYMMDDHHNNSS(const UnicodeString& Str);

// ---- Time stamps ------------------------------------------------------------------

// The time-stamp text, 8-bit: with CompMode "#" Date "#" Time in decimal
// ("#738900#43200000"), else Date and Time as 8 upper-case hexadecimal digits
// each followed by "h" ("000B4654h02932E00h"); negative numbers as their
// 32-bit two's complement.
AnsiString TimeStampToStr(const TTimeStamp& Stamp, bool CompMode);
// The stamp of the value (DateTimeToTimeStamp, which raises EConvertError for
// values beyond 32-bit day numbers) written as above.
AnsiString DateTimeToTimeStampStr(TDateTime MyDateTime, bool CompMode);

// Reads a time-stamp text; never raises. The text is trimmed, then:
// - without "#": the parts before the first "h" (day) and between the first
//   and the second "h" (milliseconds) are 32-bit hexadecimal numbers, digits
//   in either case; only a lower-case "h" ends a part; text after the second
//   "h" is ignored;
// - with "#": everything up to the first "#" is dropped; the part before the
//   next "#" is the day, everything after it the milliseconds, 32-bit decimal
//   numbers (a sign allowed).
// Both read: TimeStamp = (Time, Date) as read, not range-checked; true.
// Otherwise a text holding "#" or "h" gives (0, 0) and false, and any other
// text is read as a date and time with the date formats "yyyy-mm-dd",
// ShortDateFormat() and "dd.mm.yyyy" and the time formats "hh:nn:ss" and
// FormatSettings().LongTimeFormat, default 0: its stamp and true, also when
// nothing matched (day 0, 1899-12-30).
//   StrToTimeStamp(u"abc#", s) == false, s == (0, 0)
//   StrToTimeStamp(u"xyz", s) == true, s == (0, 693594)
bool StrToTimeStamp(const UnicodeString& StampStr, TTimeStamp& TimeStamp);
// The value of StrToTimeStamp's stamp: EConvertError for a text it cannot
// read ((0, 0) is no valid stamp) and for a stamp out of range.
TDateTime TimeStampStrToDateTime(const UnicodeString& StampStr);

// "yyyymmddhhnnsszzz" of the local time now and of GMTNow().
UnicodeString CreateTimeStampStr();
UnicodeString CreateGMTTimeStampStr();

// ---- ISO 8601 and fixed forms ----------------------------------------------------------

// The value written without any zone conversion, always with "-", "T", ":"
// and ".", whatever the locale's separators:
// - a date part and a time part: "yyyy-mm-ddThh:nn:ss.zzzZ" ("Z" is only
//   appended);
// - a time part alone (integer part 0): "hh:nn:ss", no milliseconds;
// - no time part (fraction 0; day 0 too): "yyyy-mm-dd".
// EConvertError for a value outside 0001-01-01..9999-12-31.
UnicodeString DateTimeToISO8601Str(TDateTime MyDateTime);

// Reads the three forms DateTimeToISO8601Str writes, chosen by counting
// ":", "-" and "T" in the text:
// - a ":" and no "-": a time "hh:nn[:ss]"; the characters after the first
//   "." are a whole number of milliseconds read by TkxConversion::StrToInt
//   with -1 for no number (".5" adds 5 ms, ".x" subtracts 1 ms);
// - else with "T": the ISO 8601 reader of FormatSettings.h, whose result is
//   UTC: an offset ("+02:00") is subtracted, "Z" or no zone leaves the time
//   as written;
// - else a date "yyyy-mm-dd", optionally blanks and "hh:nn[:ss]".
// A text that does not read raises EConvertError with ARaiseExceptions,
// else gives 0.
TDateTime ISO8601ToDateTime(const UnicodeString& ADateTime, bool ARaiseExceptions);

// "yyyy-mm-dd hh:nn:ss" with the process's time separator. EConvertError for
// a value outside the calendar.
UnicodeString DateTimeToISOStr(TDateTime MyDateTime);

// ---- Local time and UTC -------------------------------------------------------------

// Local time to UTC and back with the offset in force at that instant
// (LocalTimeToUtc and UtcToLocalTime of platform/rtl/Clock.h). EOSError when
// the time-zone rules cannot convert it.
TDateTime LocaleDateTimeToGMT(TDateTime AValue);
TDateTime GMTToLocaleDateTime(TDateTime AValue);
// UTC now.
TDateTime GMTNow();

// ---- Durations, weekdays, quarters, weeks, Unix times --------------------------------

// Seconds as clock text, 8-bit; the parts truncate toward zero and are padded
// to two digits (a longer or negative number is not cut):
//   59 -> "00:00:59"; 3725 -> "01:02:05"; 90000 -> "1 day 01:00:00";
//   172800 -> "2 days 00:00:00"; -3725 -> "-1:-2:-5"
AnsiString SecToTimeExt(int32_t S);
// Seconds as English words, 8-bit: days, hours, minutes and seconds that are
// not 0, "s" unless 1, joined with ", " and " and " before the last:
//   0 -> ""; 61 -> "1 minute and 1 second";
//   93784 -> "1 day, 2 hours, 3 minutes and 4 seconds"
AnsiString SecToLangTime(uint32_t S);
// 1 (Sunday) to 7 (Saturday) of the first weekday whose English or German
// name begins with DayName, without regard to ASCII case; days in order,
// English before German within a day. 0 for no match and for "".
//   "S" -> 1; "mon" -> 2; "freitag" -> 6; "Sa" -> 7; "lundi" -> 0
int32_t GetDayNumberFromStr(const AnsiString& DayName);
// GetDayNumberFromStr(DayName) is the weekday of the local date now.
bool StrIsToday(const AnsiString& DayName);
// 1 to 4: the quarter of the local month now.
int32_t GetQuarter();
// The Monday on or before 1 January of Year; for Week 1..53 the first Monday
// from there on, in steps of 7 days, whose ISO 8601 week number is Week. So
// WeekToDate(1, 2024) is 2024-01-01, a Week that only the previous year has
// gives its Monday in December, and a week 53 that Year lacks is found in the
// next year that has one. Other weeks give the starting Monday.
// EConvertError for a Year outside 1..9999.
TDateTime WeekToDate(int32_t Week, int32_t Year);
// Seconds since 1970-01-01, or milliseconds when above 999,999,999,999, as a
// date-time without any zone conversion.
//   UnixTimeToDateTime(0) == 25569.0 (1970-01-01)
TDateTime UnixTimeToDateTime(int64_t UnixTime);

// ---- Locale date formats --------------------------------------------------------------

// The short date format of the user's locale (UserLocale()) with its real
// separator, the same as the process record's: "dd.MM.yyyy" under de_DE,
// "yyyy-mm-dd" under C.
UnicodeString ShortDateFormat();
// The record's ShortDateFormat with every "/" replaced by its DateSeparator
// (left out when that is 0).
UnicodeString ShortDateFormat(const TFormatSettings& LocaleFormat);
// Locale of 2 or 3 characters after trimming: the text (untrimmed) upper-cased
// is looked up in the language table (system/kxConstants.h) among the rows
// with an LCID, as ISO 639-1, ISO 639-2/B, ISO 639-2/T code or Windows
// abbreviation; the first such row's LCID gives the format ("EN" is English -
// United Kingdom, 0809). No row raises Exception "LCID for locale " + the
// upper-cased text + " not found!". Any other length is a locale name
// ("de-DE", "de_DE", trimmed); a name without locale data gives the user's
// format.
UnicodeString ShortDateFormat(const UnicodeString& Locale);

}  // namespace TkxDateTime
