#include "system/internal/kxInternalDateTime.h"

#include <charconv>
#include <string_view>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"
#include "system/kxConstants.h"

namespace kxInternal::TkxDateTime {

namespace detail {
namespace {

constexpr uint16_t kListReaderWindow = 70;

// The separator of a format: the format lower-cased, the letters removed, the
// first character left; 0 when only letters remain.
char16_t SeparatorOf(const UnicodeString& format, std::u16string_view letters) {
  for (const char16_t lower : LowerText(format))
    if (letters.find(lower) == std::u16string_view::npos) return lower;
  return 0;
}

// Every "yyyy" in any case becomes "yy".
UnicodeString ShortenYears(const UnicodeString& format) {
  UnicodeString out;
  for (size_t i = 0; i < format.size();) {
    bool four = i + 4 <= format.size();
    for (size_t k = 0; four && k < 4; ++k) four = (format[i + k] | 0x20) == u'y';
    if (four) {
      out += u"yy";
      i += 4;
    } else {
      out += format[i++];
    }
  }
  return out;
}

bool Contains(const UnicodeString& text, char16_t c) { return text.find(c) != UnicodeString::npos; }

void AppendDigits(UnicodeString& out, int64_t value, int width) {
  const UnicodeString digits = IntToStr(value);
  for (int pad = width - static_cast<int>(digits.size()); pad > 0; --pad) out += u'0';
  out += digits;
}

// The calendar fields of a value; raises EConvertError outside the calendar.
struct Fields {
  uint16_t Year, Month, Day, Hour, Min, Sec, MSec;
};

Fields Decode(TDateTime value) {
  Fields f{};
  DecodeDateTime(value, f.Year, f.Month, f.Day, f.Hour, f.Min, f.Sec, f.MSec);
  return f;
}

// "yyyymmddhhnnsszzz"
UnicodeString CompactStamp(TDateTime value) {
  const Fields f = Decode(value);
  UnicodeString out;
  AppendDigits(out, f.Year, 4);
  AppendDigits(out, f.Month, 2);
  AppendDigits(out, f.Day, 2);
  AppendDigits(out, f.Hour, 2);
  AppendDigits(out, f.Min, 2);
  AppendDigits(out, f.Sec, 2);
  AppendDigits(out, f.MSec, 3);
  return out;
}

[[noreturn]] void RaiseInvalid(const UnicodeString& text) {
  throw EConvertError(u"'" + text + u"' is not a valid date and time");
}

// Calendar fields of any size to a value; EConvertError naming the text when
// they do not make a date and time.
TDateTime BuildDateTime(const UnicodeString& text, int64_t y, int64_t mo, int64_t d, int64_t h,
                        int64_t mi, int64_t s) {
  auto fits = [](int64_t v) { return v >= 0 && v <= 9999; };
  TDateTime result;
  if (!fits(y) || !fits(mo) || !fits(d) || !fits(h) || !fits(mi) || !fits(s) ||
      !TryEncodeDateTime(static_cast<uint16_t>(y), static_cast<uint16_t>(mo),
                         static_cast<uint16_t>(d), static_cast<uint16_t>(h),
                         static_cast<uint16_t>(mi), static_cast<uint16_t>(s), 0, result))
    RaiseInvalid(text);
  return result;
}

// Characters from..from+count-1 (1-based), as much of them as there is.
UnicodeString Part(const UnicodeString& s, size_t from, size_t count) {
  return from - 1 < s.size() ? s.substr(from - 1, count) : UnicodeString();
}

// The platform's integer reader in decimal only: it would read "x1" and
// "$1" as hexadecimal.
bool TryDecimal32(const UnicodeString& part, int32_t& value) {
  return part.find_first_of(u"$xX") == UnicodeString::npos && TryStrToInt(part, value);
}

// The same, raising EConvertError for no number.
int64_t PlatformInteger(const UnicodeString& part) {
  int32_t value;
  if (!TryDecimal32(part, value))
    throw EConvertError(u"'" + part + u"' is not a valid integer value");
  return value;
}

bool ReadHex32(const UnicodeString& part, int32_t& value) {
  return !part.empty() && TryStrToInt(u"$" + part, value);
}

// The name upper-cased in ASCII begins with the prefix (already upper-cased);
// a unit beyond ASCII matches no byte of the prefix.
bool NameBeginsWith(std::u16string_view name, const std::string& prefix) {
  if (prefix.size() > name.size()) return false;
  const UnicodeString head = AsciiUpper(name.substr(0, prefix.size()));
  for (size_t i = 0; i < prefix.size(); ++i)
    if (head[i] > 0x7F || head[i] != static_cast<char16_t>(prefix[i])) return false;
  return true;
}

}  // namespace

TFormatSettings ReaderSettings() {
  TFormatSettings fs;
  fs.DecimalSeparator = 0;
  fs.ThousandSeparator = 0;
  fs.DateSeparator = 0;
  fs.TimeSeparator = 0;
  fs.ListSeparator = 0;
  fs.CurrencyDecimals = 0;
  fs.TwoDigitYearCenturyWindow = 0;
  return fs;
}

std::vector<UnicodeString> ToUtf16List(const std::vector<AnsiString>& List) {
  std::vector<UnicodeString> out;
  out.reserve(List.size());
  for (const AnsiString& s : List) out.push_back(ToUtf16(s));
  return out;
}

namespace {

// What tells the date list reader from the time list reader.
struct TListKind {
  std::u16string_view Letters;  // deleted from a format to find its separator
  char16_t Fallback;            // the separator of a format of letters alone
  std::u16string_view DigitForm;        // "yyyymmdd": digits without separators,
  std::u16string_view DigitFormFormat;  // read as this format
  size_t Inserts[2];                    // after these characters, in this order
  bool (*Read)(const UnicodeString& text, const UnicodeString& format, char16_t separator,
               TDateTime& value);
};

bool ReadDate(const UnicodeString& text, const UnicodeString& format, char16_t separator,
              TDateTime& value) {
  TFormatSettings fs = ReaderSettings();
  fs.DateSeparator = separator;
  fs.TwoDigitYearCenturyWindow = kListReaderWindow;
  fs.ShortDateFormat = format.size() == text.size() + 2 ? ShortenYears(format) : format;
  return TryStrToDate(text, value, fs);
}

bool ReadTime(const UnicodeString& text, const UnicodeString& format, char16_t separator,
              TDateTime& value) {
  TFormatSettings fs = ReaderSettings();
  fs.TimeSeparator = separator;
  fs.ShortTimeFormat = format;
  fs.LongTimeFormat = format;
  return TryStrToTime(text, value, fs);
}

constexpr TListKind kDates{u"dmy", u'.', u"yyyymmdd", u"yyyy.mm.dd", {6, 4}, &ReadDate};
constexpr TListKind kTimes{u"hnsz", u':', u"hhnnss", u"hh:nn:ss", {4, 2}, &ReadTime};

TDateTime ReadWithFormats(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                          TDateTime Default, TReaderRules Rules, const TListKind& kind) {
  UnicodeString text(TrimBlanks(Str));
  for (const UnicodeString& given : Formats) {
    UnicodeString format = given;
    char16_t separator = SeparatorOf(format, kind.Letters);
    if (separator == 0) {
      separator = kind.Fallback;
      if (Rules.WholeDigitForms && format == kind.DigitForm && text.size() == format.size()) {
        // The text keeps its separators for the formats that follow.
        format = kind.DigitFormFormat;
        for (const size_t after : kind.Inserts) text.insert(after, 1, separator);
      }
    }
    TDateTime value;
    if (Contains(text, separator) && kind.Read(text, format, separator, value)) return value;
  }
  return Default;
}

}  // namespace

TDateTime StrToDateExt(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                       TDateTime Default, TReaderRules Rules) {
  return ReadWithFormats(Str, Formats, Default, Rules, kDates);
}

TDateTime StrToTimeExt(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                       TDateTime Default, TReaderRules Rules) {
  return ReadWithFormats(Str, Formats, Default, Rules, kTimes);
}

TDateTime StrToDateTime_YYYYMMDDHHNNSS(const UnicodeString& Str, TPartReader ReadPart) {
  return BuildDateTime(Str, ReadPart(Part(Str, 1, 4)), ReadPart(Part(Str, 5, 2)),
                       ReadPart(Part(Str, 7, 2)), ReadPart(Part(Str, 9, 2)),
                       ReadPart(Part(Str, 11, 2)), ReadPart(Part(Str, 13, 2)));
}

AnsiString SecToTimeExt(int32_t S, TZeroFill Fill) {
  // C++ division truncates toward zero, as the parts of a duration must.
  const int32_t m = S / 60;
  const int32_t seconds = S - 60 * m;
  const int32_t h = m / 60;
  const int32_t minutes = m - 60 * h;
  const int32_t days = h / 24;
  const int32_t hours = h - 24 * days;
  const UnicodeString clock = Fill(IntToStr(hours), 2) + u":" + Fill(IntToStr(minutes), 2) +
                              u":" + Fill(IntToStr(seconds), 2);
  if (days <= 0) return ToUtf8(clock);
  if (days == 1) return ToUtf8(u"1 day " + clock);
  return ToUtf8(IntToStr(days) + u" days " + clock);
}

}  // namespace detail

using detail::ReaderSettings;

namespace {

constexpr detail::TReaderRules kTwinRules{false};

UnicodeString OwnZeroFill(const UnicodeString& digits, int32_t max) {
  UnicodeString out;
  for (int32_t pad = max - static_cast<int32_t>(digits.size()); pad > 0 && out.size() < 61; --pad)
    out += u'0';
  return out + digits;
}

}  // namespace

TDateTime StrToDate(const UnicodeString& Str, TDateTime Default) {
  TDateTime value;
  return TryStrToDate(Str, value, FormatSettings()) ? value : Default;
}

TDateTime StrToDateExt(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                       TDateTime Default) {
  return detail::StrToDateExt(Str, Formats, Default, kTwinRules);
}

TDateTime StrToDateExt(const UnicodeString& Str, const std::vector<AnsiString>& Formats,
                       TDateTime Default) {
  return StrToDateExt(Str, detail::ToUtf16List(Formats), Default);
}

TDateTime StrToTimeExt(const UnicodeString& Str, const std::vector<UnicodeString>& Formats,
                       TDateTime Default) {
  return detail::StrToTimeExt(Str, Formats, Default, kTwinRules);
}

TDateTime StrToDateTimeExt(const UnicodeString& Str, const std::vector<UnicodeString>& DateFormats,
                           const std::vector<UnicodeString>& TimeFormats, TDateTime Default) {
  const UnicodeString text(TrimBlanks(Str));
  for (const UnicodeString& dateFormat : DateFormats) {
    for (const UnicodeString& timeFormat : TimeFormats) {
      char16_t dateSeparator = detail::SeparatorOf(dateFormat, u"dmy");
      char16_t timeSeparator = detail::SeparatorOf(timeFormat, u"hns");
      if (dateSeparator == 0) dateSeparator = u'.';
      if (timeSeparator == 0) timeSeparator = u':';
      if (!detail::Contains(text, dateSeparator) && !detail::Contains(text, timeSeparator))
        continue;
      TFormatSettings fs = ReaderSettings();
      fs.DateSeparator = dateSeparator;
      fs.TimeSeparator = timeSeparator;
      fs.ShortDateFormat = dateFormat;
      fs.LongTimeFormat = timeFormat;
      fs.TwoDigitYearCenturyWindow = detail::kListReaderWindow;
      TDateTime value;
      if (TryStrToDateTime(text, value, fs)) return value;
    }
  }
  return Default;
}

TDateTime StrToDateTimeExt(const UnicodeString& Str, const std::vector<AnsiString>& DateFormats,
                           const std::vector<AnsiString>& TimeFormats, TDateTime Default) {
  return StrToDateTimeExt(Str, detail::ToUtf16List(DateFormats),
                          detail::ToUtf16List(TimeFormats), Default);
}

TDateTime StrToDate_ISO(const UnicodeString& Str) {
  return StrToDateExt(Str, std::vector<UnicodeString>{u"yyyy-mm-dd"}, TDateTime(0.0));
}

TDateTime StrToDateTime_YYYYMMDD(const UnicodeString& Str) {
  const int64_t year = detail::PlatformInteger(detail::Part(Str, 1, 4));
  const int64_t month = detail::PlatformInteger(detail::Part(Str, 5, 2));
  const int64_t day = detail::PlatformInteger(detail::Part(Str, 7, 2));
  return detail::BuildDateTime(Str, year, month, day, 0, 0, 0);
}

TDateTime StrToDateTime_YYYYMMDDHHNNSS(const UnicodeString& Str) {
  return detail::StrToDateTime_YYYYMMDDHHNNSS(Str, &detail::PlatformInteger);
}

AnsiString TimeStampToStr(const TTimeStamp& Stamp, bool CompMode) {
  if (CompMode) return ToUtf8(u"#" + IntToStr(Stamp.Date) + u"#" + IntToStr(Stamp.Time));
  return ToUtf8(IntToHex(Stamp.Date, 8) + u"h" + IntToHex(Stamp.Time, 8) + u"h");
}

AnsiString DateTimeToTimeStampStr(TDateTime MyDateTime, bool CompMode) {
  return TimeStampToStr(DateTimeToTimeStamp(MyDateTime), CompMode);
}

bool StrToTimeStamp(const UnicodeString& StampStr, TTimeStamp& TimeStamp) {
  const UnicodeString text(TrimBlanks(StampStr));
  int32_t day = 0, msec = 0;
  bool read = false;
  const size_t hash = text.find(u'#');
  if (hash == UnicodeString::npos) {
    const size_t h1 = text.find(u'h');
    const size_t h2 = h1 == UnicodeString::npos ? h1 : text.find(u'h', h1 + 1);
    read = h2 != UnicodeString::npos && detail::ReadHex32(text.substr(0, h1), day) &&
           detail::ReadHex32(text.substr(h1 + 1, h2 - h1 - 1), msec);
  } else {
    const UnicodeString rest = text.substr(hash + 1);
    const size_t second = rest.find(u'#');
    read = second != UnicodeString::npos && detail::TryDecimal32(rest.substr(0, second), day) &&
           detail::TryDecimal32(rest.substr(second + 1), msec);
  }
  if (read) {
    TimeStamp = {msec, day};
    return true;
  }
  TimeStamp = {0, 0};
  if (hash != UnicodeString::npos || detail::Contains(text, u'h')) return false;
  // Any other text is a date, read as the value texts read dates; a text
  // that matches nothing is day 0 and still a success.
  try {
    const TDateTime value = StrToDateTimeExt(
        text, std::vector<UnicodeString>{u"yyyy-mm-dd", ShortDateFormat(), u"dd.mm.yyyy"},
        std::vector<UnicodeString>{u"hh:nn:ss", FormatSettings().LongTimeFormat}, TDateTime(0.0));
    TimeStamp = DateTimeToTimeStamp(value);
    return true;
  } catch (...) {
    TimeStamp = {0, 0};
    return false;
  }
}

TDateTime TimeStampStrToDateTime(const UnicodeString& StampStr) {
  TTimeStamp stamp;
  StrToTimeStamp(UnicodeString(TrimBlanks(StampStr)), stamp);
  return TimeStampToDateTime(stamp);
}

UnicodeString CreateTimeStampStr() { return detail::CompactStamp(kx::platform::Now()); }

UnicodeString CreateGMTTimeStampStr() { return detail::CompactStamp(GMTNow()); }

UnicodeString DateTimeToISOStr(TDateTime MyDateTime) {
  const detail::Fields f = detail::Decode(MyDateTime);
  const char16_t separator = FormatSettings().TimeSeparator;
  UnicodeString out;
  detail::AppendDigits(out, f.Year, 4);
  out += u'-';
  detail::AppendDigits(out, f.Month, 2);
  out += u'-';
  detail::AppendDigits(out, f.Day, 2);
  out += u' ';
  detail::AppendDigits(out, f.Hour, 2);
  if (separator != 0) out += separator;
  detail::AppendDigits(out, f.Min, 2);
  if (separator != 0) out += separator;
  detail::AppendDigits(out, f.Sec, 2);
  return out;
}

TDateTime LocaleDateTimeToGMT(TDateTime AValue) { return LocalTimeToUtc(AValue); }

TDateTime GMTToLocaleDateTime(TDateTime AValue) { return UtcToLocalTime(AValue); }

TDateTime GMTNow() { return LocaleDateTimeToGMT(kx::platform::Now()); }

AnsiString SecToTimeExt(int32_t S) { return detail::SecToTimeExt(S, &OwnZeroFill); }

AnsiString SecToLangTime(uint32_t S) {
  const uint32_t parts[] = {S / 86400, S / 3600 % 24, S / 60 % 60, S % 60};
  static const char* const kUnits[] = {" day", " hour", " minute", " second"};
  std::string text;
  for (size_t i = 0; i < 4; ++i) {
    if (parts[i] == 0) continue;
    const std::string part = ToUtf8(UIntToStr(parts[i])) + kUnits[i] + (parts[i] == 1 ? "" : "s");
    text = std::string(TrimBlanks(text + part)) + "# ";
  }
  text.erase(text.size() >= 2 ? text.size() - 2 : 0);
  const size_t last = text.rfind('#');
  if (last != std::string::npos) {
    text.erase(last, 1);
    text.insert(last, " and");
    for (char& c : text)
      if (c == '#') c = ',';
  }
  return text;
}

int32_t GetDayNumberFromStr(const AnsiString& DayName) {
  // An empty prefix would begin every name.
  if (DayName.empty()) return 0;
  const std::string prefix = AsciiUpper(DayName);
  for (size_t day = 0; day < kxConstants::WeekdayNames.size(); ++day) {
    const auto& names = kxConstants::WeekdayNames[day];
    if (detail::NameBeginsWith(names.English, prefix) ||
        detail::NameBeginsWith(names.German, prefix))
      return static_cast<int32_t>(day + 1);
  }
  return 0;
}

bool StrIsToday(const AnsiString& DayName) {
  return GetDayNumberFromStr(DayName) == DayOfWeek(kx::platform::Now());
}

int32_t GetQuarter() {
  uint16_t year, month, day;
  DecodeDate(kx::platform::Now(), year, month, day);
  return (month - 1) / 3 + 1;
}

UnicodeString ShortDateFormat() { return ShortDateFormat(LocaleFormatSettings(UserLocale())); }

UnicodeString ShortDateFormat(const TFormatSettings& LocaleFormat) {
  UnicodeString out;
  for (const char16_t c : LocaleFormat.ShortDateFormat) {
    if (c != u'/') out += c;
    else if (LocaleFormat.DateSeparator != 0) out += LocaleFormat.DateSeparator;
  }
  return out;
}

UnicodeString ShortDateFormat(const UnicodeString& Locale) {
  const UnicodeString trimmed(TrimBlanks(Locale));
  if (trimmed.size() != 2 && trimmed.size() != 3)
    return ShortDateFormat(LocaleFormatSettings(ToUtf8(trimmed)));
  const UnicodeString key = UpperText(Locale);
  for (const kxConstants::TkxLanguageEntry& row : kxConstants::LanguageTable) {
    if (row.LCID.empty()) continue;
    if (key == row.Iso639_1 || key == row.Iso639_2B || key == row.Iso639_2T ||
        key == row.WinAbbreviation) {
      const std::string hex = ToUtf8(row.LCID);
      uint32_t lcid = 0;
      std::from_chars(hex.data(), hex.data() + hex.size(), lcid, 16);
      return ShortDateFormat(LocaleFormatSettings(lcid));
    }
  }
  throw Exception(u"LCID for locale " + key + u" not found!");
}

}  // namespace kxInternal::TkxDateTime
