#include "system/kxDateTime.h"

#include <chrono>
#include <cmath>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "system/internal/kxInternalDateTime.h"
#include "text/kxConversion.h"
#include "text/kxStrings_Edit.h"

namespace TkxDateTime {

namespace twin = kxInternal::TkxDateTime;

namespace {

constexpr twin::detail::TReaderRules kRules{true};
constexpr double kMSecsPerDay = 86'400'000.0;
// 1970-01-01 as a date-time.
constexpr double kUnixEpoch = 25'569.0;

int64_t ConversionInteger(const UnicodeString& part) { return TkxConversion::StrToInt(part, 0); }

void AppendDigits(UnicodeString& out, int value, int width) {
  const UnicodeString digits = IntToStr(int32_t{value});
  for (int pad = width - static_cast<int>(digits.size()); pad > 0; --pad) out += u'0';
  out += digits;
}

// Three numbers joined by a fixed separator, the first of width digits, the
// others of two: "yyyy-mm-dd" and "hh:nn:ss" as ISO 8601 writes them.
UnicodeString Joined(int first, int width, char16_t separator, int second, int third) {
  UnicodeString out;
  AppendDigits(out, first, width);
  out += separator;
  AppendDigits(out, second, 2);
  out += separator;
  AppendDigits(out, third, 2);
  return out;
}

// ISO 8601 week number of a day (days since 1970-01-01).
unsigned IsoWeek(std::chrono::sys_days day) {
  using namespace std::chrono;
  // The week belongs to the year of its Thursday.
  const sys_days thursday = day + days{3 - static_cast<int>((weekday{day}.c_encoding() + 6) % 7)};
  const sys_days firstOfYear = sys_days{year_month_day{thursday}.year() / January / 1};
  return static_cast<unsigned>((thursday - firstOfYear).count() / 7 + 1);
}

bool ReadIso(const UnicodeString& text, TDateTime& value) {
  size_t colons = 0, dashes = 0, tees = 0;
  for (const char16_t c : text) {
    colons += c == u':';
    dashes += c == u'-';
    tees += c == u'T';
  }
  TFormatSettings fs = twin::detail::ReaderSettings();
  fs.TimeSeparator = u':';
  fs.LongTimeFormat = u"hh:nn:ss";
  if (colons > 0 && dashes == 0) {
    UnicodeString time = text;
    int64_t msec = 0;
    if (const size_t dot = text.find(u'.'); dot != UnicodeString::npos) {
      msec = TkxConversion::StrToInt(text.substr(dot + 1), -1);
      time.erase(dot);
    }
    if (!TryStrToTime(time, value, fs)) return false;
    value = TDateTime(value.Val + static_cast<double>(msec) / kMSecsPerDay);
    return true;
  }
  if (tees > 0) return TryISO8601ToDate(text, value);
  fs.DateSeparator = u'-';
  fs.ShortDateFormat = u"yyyy-mm-dd";
  fs.TwoDigitYearCenturyWindow = 70;
  return TryStrToDateTime(text, value, fs);
}

}  // namespace

TDateTime StrToDate(const UnicodeString& Str, TDateTime Default) {
  return twin::StrToDate(Str, Default);
}

TDateTime StrToDateExt(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                       TDateTime Default) {
  return twin::detail::StrToDateExt(Str, Formats, Default, kRules);
}

TDateTime StrToDateExt(const UnicodeString& Str, const std::vector<AnsiString>& Formats,
                       TDateTime Default) {
  return StrToDateExt(Str, twin::detail::ToUtf16List(Formats), Default);
}

TDateTime StrToTimeExt(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                       TDateTime Default) {
  return twin::detail::StrToTimeExt(Str, Formats, Default, kRules);
}

TDateTime StrToDateTimeExt(const UnicodeString& Str, const std::vector<UnicodeString>& DateFormats,
                           const std::vector<UnicodeString>& TimeFormats, TDateTime Default) {
  return twin::StrToDateTimeExt(Str, DateFormats, TimeFormats, Default);
}

TDateTime StrToDateTimeExt(const UnicodeString& Str, const std::vector<AnsiString>& DateFormats,
                           const std::vector<AnsiString>& TimeFormats, TDateTime Default) {
  return twin::StrToDateTimeExt(Str, DateFormats, TimeFormats, Default);
}

TDateTime StrToDate_ISO(const UnicodeString& Str) {
  return StrToDateExt(Str, std::vector<UnicodeString>{u"yyyy-mm-dd"}, TDateTime(0.0));
}

TDateTime StrToDateTime_ISO(const UnicodeString& Str) {
  return StrToDateTimeExt(Str, std::vector<UnicodeString>{u"yyyy-mm-dd"},
                          std::vector<UnicodeString>{u"hh:nn:ss"}, TDateTime(0.0));
}

TDateTime StrToDateTime_YYYYMMDD(const UnicodeString& Str) {
  return twin::StrToDateTime_YYYYMMDD(Str);
}

TDateTime StrToDateTime_YYYYMMDDHHNNSS(const UnicodeString& Str) {
  return twin::detail::StrToDateTime_YYYYMMDDHHNNSS(Str, &ConversionInteger);
}

AnsiString TimeStampToStr(const TTimeStamp& Stamp, bool CompMode) {
  return twin::TimeStampToStr(Stamp, CompMode);
}

AnsiString DateTimeToTimeStampStr(TDateTime MyDateTime, bool CompMode) {
  return twin::DateTimeToTimeStampStr(MyDateTime, CompMode);
}

bool StrToTimeStamp(const UnicodeString& StampStr, TTimeStamp& TimeStamp) {
  return twin::StrToTimeStamp(StampStr, TimeStamp);
}

TDateTime TimeStampStrToDateTime(const UnicodeString& StampStr) {
  return twin::TimeStampStrToDateTime(StampStr);
}

UnicodeString CreateTimeStampStr() { return twin::CreateTimeStampStr(); }

UnicodeString CreateGMTTimeStampStr() { return twin::CreateGMTTimeStampStr(); }

UnicodeString DateTimeToISO8601Str(TDateTime MyDateTime) {
  const double whole = std::trunc(MyDateTime.Val);
  const bool hasTime = MyDateTime.Val - whole != 0.0;
  const bool hasDate = whole != 0.0;
  uint16_t y, mo, d, h, n, s, ms;
  if (hasTime && hasDate) {
    DecodeDateTime(MyDateTime, y, mo, d, h, n, s, ms);
    UnicodeString out = Joined(y, 4, u'-', mo, d) + u"T" + Joined(h, 2, u':', n, s) + u".";
    AppendDigits(out, ms, 3);
    return out + u"Z";
  }
  if (hasTime) {
    DecodeTime(MyDateTime, h, n, s, ms);
    return Joined(h, 2, u':', n, s);
  }
  DecodeDate(MyDateTime, y, mo, d);
  return Joined(y, 4, u'-', mo, d);
}

TDateTime ISO8601ToDateTime(const UnicodeString& ADateTime, bool ARaiseExceptions) {
  TDateTime value;
  if (ReadIso(ADateTime, value)) return value;
  if (ARaiseExceptions)
    throw EConvertError(u"'" + ADateTime + u"' is not a valid ISO 8601 date and time");
  return TDateTime(0.0);
}

UnicodeString DateTimeToISOStr(TDateTime MyDateTime) { return twin::DateTimeToISOStr(MyDateTime); }

TDateTime LocaleDateTimeToGMT(TDateTime AValue) { return twin::LocaleDateTimeToGMT(AValue); }

TDateTime GMTToLocaleDateTime(TDateTime AValue) { return twin::GMTToLocaleDateTime(AValue); }

TDateTime GMTNow() { return twin::GMTNow(); }

AnsiString SecToTimeExt(int32_t S) {
  return twin::detail::SecToTimeExt(S, &TkxStrings::FillStrNullW);
}

AnsiString SecToLangTime(uint32_t S) { return twin::SecToLangTime(S); }

int32_t GetDayNumberFromStr(const AnsiString& DayName) { return twin::GetDayNumberFromStr(DayName); }

bool StrIsToday(const AnsiString& DayName) { return twin::StrIsToday(DayName); }

int32_t GetQuarter() { return twin::GetQuarter(); }

TDateTime WeekToDate(int32_t Week, int32_t Year) {
  using namespace std::chrono;
  if (Year < 1 || Year > 9999)
    throw EConvertError(u"Invalid year " + IntToStr(Year) + u" for a week date");
  const sys_days firstOfYear{year{Year} / January / 1};
  // Weeks begin on Monday.
  sys_days start = firstOfYear - days{(weekday{firstOfYear}.c_encoding() + 6) % 7};
  if (Week >= 1 && Week <= 53)
    while (IsoWeek(start) != static_cast<unsigned>(Week)) start += days{7};
  return TDateTime(static_cast<double>(start.time_since_epoch().count()) + kUnixEpoch);
}

TDateTime UnixTimeToDateTime(int64_t UnixTime) {
  const double days = UnixTime > 999'999'999'999 ? static_cast<double>(UnixTime) / kMSecsPerDay
                                                 : static_cast<double>(UnixTime) / 86'400.0;
  return TDateTime(days + kUnixEpoch);
}

UnicodeString ShortDateFormat() { return twin::ShortDateFormat(); }

UnicodeString ShortDateFormat(const TFormatSettings& LocaleFormat) {
  return twin::ShortDateFormat(LocaleFormat);
}

UnicodeString ShortDateFormat(const UnicodeString& Locale) { return twin::ShortDateFormat(Locale); }

}  // namespace TkxDateTime
