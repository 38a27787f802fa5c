#include "text/kxConversion.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"
#include "text/kxMath.h"
#include "text/kxStrToFloatConverter.h"
#include "text/kxStrings_Search.h"

namespace TkxConversion {

namespace {

constexpr const char16_t* kYesWords[] = {
    u"JA",   u"YES",     u"OK",  u"1",   u"X",  u"TRUE", u"WAHR", u"RICHTIG", u"KORREKT", u"RIGHT", u"YAP",
    u"OUI", u"CORRECT", u"JAU", u"YO",  u"JO", u"YEP",  u"YEPP", u"YAPP",    u"YUP",     u"Y",
};

bool Contains(const UnicodeString& s, char16_t c) { return s.find(c) != UnicodeString::npos; }

UnicodeString CannotConvert(const UnicodeString& Str) {
  return u"cannot convert " + Str + u" to float";
}

AnsiString UpToFirstZero(AnsiString s) {
  const size_t zero = s.find('\0');
  if (zero != AnsiString::npos) s.resize(zero);
  return s;
}

}  // namespace

// ---- Integers ----------------------------------------------------------------

int64_t StrToInt(const UnicodeString& Str, int32_t ErrorVal) {
  if (Contains(Str, u'.')) {
    const double v = StrToReal(Str, false, 0.0);
    if (std::trunc(v) != v) return ErrorVal;
    // A whole double beyond the 64-bit range has no integer to become.
    if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return ErrorVal;
    return static_cast<int64_t>(v);
  }
  if (Str.empty()) return 0;
  int64_t value;
  return ::TryStrToInt64(Str, value) ? value : ErrorVal;
}

AnsiString IntToStr(int64_t Int) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, Int);
  return AnsiString(buf, r.ptr);
}

int64_t HexToInt(const UnicodeString& Str, int32_t ErrorVal) {
  if (Str.empty()) return 0;
  return StrToInt(u"$" + Str, ErrorVal);
}

// ---- Decimals: writers ---------------------------------------------------------

AnsiString RealToStr(double RVal, int8_t Decimals) {
  const int8_t d = std::clamp<int8_t>(Decimals, -37, 37);
  if (d == -1) return ::FloatToExponentText(RVal, 15);
  const double rounded = TkxMath::RoundTo(RVal, d);
  if (d >= 0) return ::FloatToFixedText(rounded, d);
  return ::FloatToExponentText(rounded, 2);
}

AnsiString FloatToStr(double Value, int32_t Decimals, int8_t MinDecimals) {
  const int32_t d = std::clamp(Decimals, 0, 7);
  AnsiString text = ::FloatToFixedText(Value, d);
  // The exponent form, "Nan" and "+Inf"/"-Inf" carry no decimals to pad or
  // strip: a zero removed from an exponent would change the number.
  if (d == 0 || !std::isfinite(Value) || text.find('E') != AnsiString::npos) return text;

  const size_t minDecimals = static_cast<size_t>(std::max<int8_t>(MinDecimals, 0));
  const size_t point = text.find('.');
  size_t decimals = text.size() - point - 1;
  if (decimals < minDecimals) {
    text.append(minDecimals - decimals, '0');
    decimals = minDecimals;
  }
  while (decimals > minDecimals && text.back() == '0') {
    text.pop_back();
    --decimals;
  }
  // "3." would not read back.
  if (decimals == 0) text.pop_back();
  return text;
}

AnsiString FloatToStr(const Variant& Value) {
  switch (Value.VarType()) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      return IntToStr(Value.ToInt64());
    case varCurrency:
      return FloatToStr(Value.ToDouble(), 4, 2);
    default:
      return FloatToStr(Value.ToDouble(), 7, 2);
  }
}

// ---- Decimals: readers --------------------------------------------------------

double StrToReal(const UnicodeString& Str, bool RaiseException, double Default) {
  if (Str.empty()) return Default;
  size_t dots = 0, commas = 0, lastDot = 0, lastComma = 0;
  for (size_t k = 0; k < Str.size(); ++k) {
    if (Str[k] == u'.') {
      ++dots;
      lastDot = k;
    } else if (Str[k] == u',') {
      ++commas;
      lastComma = k;
    }
  }
  UnicodeString text;
  if (dots > 0 && commas > 0) {
    if (lastComma > lastDot && commas == 1) {
      // 1.234,5: "," is the decimal separator.
      for (char16_t c : Str)
        if (c != u'.') text.push_back(c == u',' ? u'.' : c);
    } else if (lastDot > lastComma && dots == 1) {
      // 1,234.5
      for (char16_t c : Str)
        if (c != u',') text.push_back(c);
    } else {
      text = Str;
    }
  } else if (commas > 0) {
    text = Str;
    std::replace(text.begin(), text.end(), u',', u'.');
  } else {
    text = Str;
  }
  double value;
  if (::TryStrToFloat(text, value, u'.')) return value;
  if (RaiseException)
    throw EConvertError(u"float string conversion exception for value \"" + text + u"\"");
  return Default;
}

double StrToFloat(const UnicodeString& Str, bool RaiseException, double Default) {
  if (Contains(Str, u'E') || Contains(Str, u'e')) {
    double value;
    if (::TryStrToFloat(Str, value, u'.')) return value;
    if (RaiseException) throw Exception(CannotConvert(Str));
    return Default;
  }
  return TkxStrToFloatConverter::StrToFloat(Str, Default, RaiseException, false);
}

double LocaleStrToFloat(const UnicodeString& Str, bool RaiseException, double Default,
                        bool TryAlternativeConversion) {
  const TFormatSettings& settings = FormatSettings();
  UnicodeString text = Str;
  if (settings.ThousandSeparator != u'\0')
    text.erase(std::remove(text.begin(), text.end(), settings.ThousandSeparator), text.end());
  double value;
  if (::TryStrToFloat(text, value, settings.DecimalSeparator)) return value;
  if (TryAlternativeConversion) return StrToFloat(Str, RaiseException, Default);
  if (RaiseException) throw Exception(CannotConvert(Str));
  return Default;
}

// ---- Booleans -------------------------------------------------------------------

UnicodeString BoolToStr(bool BoolVal) { return BoolVal ? u"True" : u"False"; }

UnicodeString BoolToStrExt(bool BoolVal, const UnicodeString& TrueStr, const UnicodeString& FalseStr) {
  return BoolVal ? TrueStr : FalseStr;
}

UnicodeString IntBoolToStr(int32_t BoolInt) { return BoolToStr(BoolInt != 0); }

bool StrToBool(const UnicodeString& BoolStr) {
  const std::u16string_view trimmed = TrimBlanks(BoolStr);
  // The longest yes-word has seven letters.
  if (trimmed.size() > 7) return false;
  const UnicodeString word = AsciiUpper(trimmed);
  return std::any_of(std::begin(kYesWords), std::end(kYesWords),
                     [&](const char16_t* yes) { return word == yes; });
}

bool StrToBoolExt(const UnicodeString& BoolStr, const UnicodeString& TrueStr,
                  const UnicodeString& FalseStr) {
  if (TkxStrings::StrCompW(TrueStr, FalseStr, true, true, false) != 0)
    return TkxStrings::StrCompW(BoolStr, TrueStr, true, true, false) == 0;
  return StrToBool(BoolStr);
}

AnsiString BoolToSingleByteStr(bool BoolVal) { return BoolVal ? "1" : "0"; }

AnsiString BoolToSingleByteStrX(bool BoolVal) { return BoolVal ? "X" : ""; }

bool SingleByteStrToBool(const UnicodeString& BoolVal) {
  return BoolVal == u"1" || BoolVal == u"X" || BoolVal == u"x";
}

int32_t BoolToInt(bool BoolVal) { return BoolVal ? 1 : 0; }

bool IntToBool(int32_t BoolInt) { return BoolInt != 0; }

// ---- Code pages ----------------------------------------------------------------

AnsiString AsciiToAnsi(const AnsiString& AText) {
  return ToUtf8(CP850ToUtf16(UpToFirstZero(AText)));
}

AnsiString AnsiToAscii(const AnsiString& AText) {
  return Utf16ToCP850(ToUtf16(UpToFirstZero(AText)));
}

}  // namespace TkxConversion
