// system/internal/kxInternalDateTime.h — the date class of the internal
// modules (cipher tools, URL-query time stamps).
//
// kxInternal::TkxDateTime has the operations of TkxDateTime (system/
// kxDateTime.h) that the internal modules need, with the same results but for
// these differences:
//   - StrToDateExt has no "yyyymmdd" case: a format of d, m and y letters
//     alone only gets the separator ".", so "20240115" is not read;
//   - StrToTimeExt has no "hhnnss" case: a format of h, n and s letters alone
//     only gets the separator ":";
//   - StrToDateTime_YYYYMMDDHHNNSS reads every part as StrToDateTime_YYYYMMDD
//     does (the platform's integer reader, decimal only), so a non-numeric or
//     missing part raises EConvertError instead of counting as 0.
// It has no ISO 8601 writer or reader, no StrToDateTime_ISO, no WeekToDate
// and no UnixTimeToDateTime. It builds on the platform layer only (and on
// the system's case mapping and constant tables); TkxDateTime shares its
// readers, so both read dates by the same rules. The contracts of the common
// operations are written once, in system/kxDateTime.h.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Text.h"

namespace kxInternal::TkxDateTime {

TDateTime StrToDate(const UnicodeString& Str, TDateTime Default);
TDateTime StrToDateExt(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                       TDateTime Default);
TDateTime StrToDateExt(const UnicodeString& Str, const std::vector<AnsiString>& Formats,
                       TDateTime Default);
TDateTime StrToTimeExt(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                       TDateTime Default);
TDateTime StrToDateTimeExt(const UnicodeString& Str, const std::vector<UnicodeString>& DateFormats,
                           const std::vector<UnicodeString>& TimeFormats, TDateTime Default);
TDateTime StrToDateTimeExt(const UnicodeString& Str, const std::vector<AnsiString>& DateFormats,
                           const std::vector<AnsiString>& TimeFormats, TDateTime Default);
TDateTime StrToDate_ISO(const UnicodeString& Str);
TDateTime StrToDateTime_YYYYMMDD(const UnicodeString& Str);
TDateTime StrToDateTime_YYYYMMDDHHNNSS(const UnicodeString& Str);

AnsiString TimeStampToStr(const TTimeStamp& Stamp, bool CompMode);
AnsiString DateTimeToTimeStampStr(TDateTime MyDateTime, bool CompMode);
bool StrToTimeStamp(const UnicodeString& StampStr, TTimeStamp& TimeStamp);
TDateTime TimeStampStrToDateTime(const UnicodeString& StampStr);
UnicodeString CreateTimeStampStr();
UnicodeString CreateGMTTimeStampStr();
UnicodeString DateTimeToISOStr(TDateTime MyDateTime);

TDateTime LocaleDateTimeToGMT(TDateTime AValue);
TDateTime GMTToLocaleDateTime(TDateTime AValue);
TDateTime GMTNow();

AnsiString SecToTimeExt(int32_t S);
AnsiString SecToLangTime(uint32_t S);
int32_t GetDayNumberFromStr(const AnsiString& DayName);
bool StrIsToday(const AnsiString& DayName);
int32_t GetQuarter();
UnicodeString ShortDateFormat();
UnicodeString ShortDateFormat(const TFormatSettings& LocaleFormat);
UnicodeString ShortDateFormat(const UnicodeString& Locale);

// The readers and writers both classes share; the flags select the one's or
// the other's rules. Not for other callers.
namespace detail {

// Whether the whole-digit formats "yyyymmdd" and "hhnnss" get their
// separators inserted (TkxDateTime) or are taken as they stand (the twin).
struct TReaderRules {
  bool WholeDigitForms;
};

TDateTime StrToDateExt(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                       TDateTime Default, TReaderRules Rules);
TDateTime StrToTimeExt(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                       TDateTime Default, TReaderRules Rules);
std::vector<UnicodeString> ToUtf16List(const std::vector<AnsiString>& List);

// Reads one numeric part of the fixed forms; raises or answers a default.
using TPartReader = int64_t (*)(const UnicodeString& Part);
TDateTime StrToDateTime_YYYYMMDDHHNNSS(const UnicodeString& Str, TPartReader ReadPart);

// Zero-fill of a decimal text to at least two characters.
using TZeroFill = UnicodeString (*)(const UnicodeString& Digits, int32_t Max);
AnsiString SecToTimeExt(int32_t S, TZeroFill Fill);

// A record with no separator, format, name or window set: the readers fill
// in only what each of their steps names.
TFormatSettings ReaderSettings();

}  // namespace detail

}  // namespace kxInternal::TkxDateTime
