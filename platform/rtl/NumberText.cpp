#include "platform/rtl/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/rtl/Exceptions.h"

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The integer reader for a target of Bits (32 or 64) bits, signed or not;
// the result is the value's bit pattern in the low Bits bits.
bool ReadInteger(std::u16string_view s, int Bits, bool Signed, uint64_t& out) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n && s[i] == u' ') ++i;
  bool negative = false;
  if (i < n && (s[i] == u'+' || s[i] == u'-')) {
    negative = s[i] == u'-';
    if (negative && !Signed) return false;
    ++i;
  }
  bool hex = false;
  if (i < n && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i == n) return false;  // no digit

  const uint64_t widthMask = Bits == 64 ? ~uint64_t{0} : (uint64_t{1} << Bits) - 1;
  uint64_t magnitude = 0;
  if (hex) {
    for (; i < n; ++i) {
      const int d = HexValue(s[i]);
      if (d < 0) return false;
      if (magnitude > (widthMask >> 4)) return false;
      magnitude = (magnitude << 4) | static_cast<uint64_t>(d);
    }
  } else {
    const uint64_t limit =
        !Signed ? widthMask : (uint64_t{1} << (Bits - 1)) - (negative ? 0 : 1);
    for (; i < n; ++i) {
      if (!IsDigit(s[i])) return false;
      const uint64_t d = static_cast<uint64_t>(s[i] - u'0');
      if (magnitude > (limit - d) / 10) return false;
      magnitude = magnitude * 10 + d;
    }
  }
  // A sign negates the value (for a hexadecimal text: the bit pattern).
  out = (negative ? 0 - magnitude : magnitude) & widthMask;
  return true;
}

// The decimal reader: grammar first, then a correctly rounded conversion of
// the normalised ASCII form.
bool ReadDecimal(std::u16string_view s, char16_t sep, double& out) {
  numbertext_detail::DecimalText parts;
  if (!numbertext_detail::ScanDecimal(s, sep, parts)) return false;
  const bool negative = parts.Negative;
  const std::u16string_view intDigits = parts.IntDigits;
  const std::u16string_view fracDigits = parts.FracDigits;
  const int64_t exponent = parts.Exponent;

  std::string ascii;
  ascii.reserve(intDigits.size() + fracDigits.size() + 16);
  if (negative) ascii.push_back('-');
  if (intDigits.empty()) {
    ascii.push_back('0');
  } else {
    for (char16_t c : intDigits) ascii.push_back(static_cast<char>(c));
  }
  if (!fracDigits.empty()) {
    ascii.push_back('.');
    for (char16_t c : fracDigits) ascii.push_back(static_cast<char>(c));
  }
  if (exponent != 0) {
    ascii.push_back('e');
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, exponent);
    ascii.append(buf, r.ptr);
  }

  double value = 0.0;
  const char* first = ascii.data();
  const char* last = first + ascii.size();
  auto r = std::from_chars(first, last, value, std::chars_format::general);
  if (r.ec == std::errc() && r.ptr == last) {
    out = value;
    return true;
  }
  if (r.ec != std::errc::result_out_of_range) return false;

  // Out of range: too large fails, too small is zero. The decimal exponent of
  // the first significant digit tells which.
  int64_t magnitude;
  const size_t intLead = intDigits.find_first_not_of(u'0');
  if (intLead != std::u16string_view::npos) {
    magnitude = static_cast<int64_t>(intDigits.size() - intLead) - 1 + exponent;
  } else {
    const size_t fracLead = fracDigits.find_first_not_of(u'0');
    if (fracLead == std::u16string_view::npos) {
      out = negative ? -0.0 : 0.0;
      return true;
    }
    magnitude = -static_cast<int64_t>(fracLead) - 1 + exponent;
  }
  if (magnitude >= 0) return false;
  out = negative ? -0.0 : 0.0;
  return true;
}

UnicodeString Widen(std::string_view ascii) { return UnicodeString(ascii.begin(), ascii.end()); }

// Digits and exponent of a text written by std::to_chars in scientific form.
void SplitScientific(const char* first, const char* last, std::string& mantissa, int& exp10) {
  std::string_view text(first, static_cast<size_t>(last - first));
  const size_t e = text.find('e');
  mantissa.clear();
  for (size_t k = 0; k < e; ++k)
    if (text[k] != '.') mantissa.push_back(text[k]);
  const size_t expStart = e + 1 + (text[e + 1] == '+' ? 1 : 0);
  std::from_chars(text.data() + expStart, text.data() + text.size(), exp10);
}

// Significant digits of |v| (v finite, non-zero) rounded half away from zero
// to Precision digits, trailing zeros removed, and the exponent X of the
// rounded value as d.ddd x 10^X.
void GeneralDigits(double v, int Precision, std::string& digits, int& X) {
  v = std::fabs(v);
  char buf[800];
  std::string mantissa;
  int exp10 = 0;
  bool done = false;
  if (Precision <= 15 && v >= std::numeric_limits<double>::min()) {
    // The shortest round-trip form. With no more than Precision digits it is
    // the rounded value itself: a normal double lies within half an ulp of
    // it, well inside half a step of a grid of at most 15 digits.
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    SplitScientific(buf, r.ptr, mantissa, exp10);
    if (mantissa.size() <= static_cast<size_t>(Precision)) {
      done = true;
    } else if (mantissa.size() != static_cast<size_t>(Precision) + 1 || mantissa.back() != '5') {
      // Not an exact half (an exact half would be its own shortest form, of
      // Precision + 1 digits ending in 5), so to_chars's correct rounding,
      // which breaks ties to even, rounds as half away from zero does.
      r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, Precision - 1);
      SplitScientific(buf, r.ptr, mantissa, exp10);
      done = true;
    }
  }
  if (!done) {
    // The exact decimal expansion (a double has at most 767 significant
    // digits), then rounded half away from zero by hand.
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 780);
    SplitScientific(buf, r.ptr, mantissa, exp10);
    const bool up = mantissa[static_cast<size_t>(Precision)] >= '5';
    mantissa.resize(static_cast<size_t>(Precision));
    if (up) {
      int k = Precision - 1;
      while (k >= 0 && mantissa[static_cast<size_t>(k)] == '9') mantissa[static_cast<size_t>(k--)] = '0';
      if (k < 0) {
        mantissa.insert(mantissa.begin(), '1');
        mantissa.pop_back();
        ++exp10;
      } else {
        ++mantissa[static_cast<size_t>(k)];
      }
    }
  }
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  digits = std::move(mantissa);
  X = exp10;
}

}  // namespace

bool numbertext_detail::ScanDecimal(std::u16string_view s, char16_t sep, DecimalText& out) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n && s[i] == u' ') ++i;
  DecimalText parts;
  if (i < n && (s[i] == u'+' || s[i] == u'-')) {
    parts.Negative = s[i] == u'-';
    ++i;
  }
  const size_t intStart = i;
  while (i < n && IsDigit(s[i])) ++i;
  parts.IntDigits = s.substr(intStart, i - intStart);
  if (i < n && s[i] == sep) {
    ++i;
    const size_t fracStart = i;
    while (i < n && IsDigit(s[i])) ++i;
    parts.FracDigits = s.substr(fracStart, i - fracStart);
  }
  if (parts.IntDigits.empty() && parts.FracDigits.empty()) return false;
  if (i < n && (s[i] == u'e' || s[i] == u'E')) {
    ++i;
    bool expNegative = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
      expNegative = s[i] == u'-';
      ++i;
    }
    if (i == n || !IsDigit(s[i])) return false;
    for (; i < n && IsDigit(s[i]); ++i)
      parts.Exponent = std::min<int64_t>(parts.Exponent * 10 + (s[i] - u'0'), 1'000'000'000);
    if (expNegative) parts.Exponent = -parts.Exponent;
  }
  if (i != n) return false;
  out = parts;
  return true;
}

// --- Integers -------------------------------------------------------------

bool TryStrToInt(const UnicodeString& S, int32_t& Value) {
  uint64_t pattern;
  if (!ReadInteger(S, 32, true, pattern)) return false;
  Value = static_cast<int32_t>(static_cast<uint32_t>(pattern));
  return true;
}

bool TryStrToInt64(const UnicodeString& S, int64_t& Value) {
  uint64_t pattern;
  if (!ReadInteger(S, 64, true, pattern)) return false;
  Value = static_cast<int64_t>(pattern);
  return true;
}

bool TryStrToUInt64(const UnicodeString& S, uint64_t& Value) {
  return ReadInteger(S, 64, false, Value);
}

int32_t StrToInt(const UnicodeString& S) {
  int32_t v;
  if (!TryStrToInt(S, v)) throw EConvertError(u"'" + S + u"' is not a valid integer value");
  return v;
}

int64_t StrToInt64(const UnicodeString& S) {
  int64_t v;
  if (!TryStrToInt64(S, v)) throw EConvertError(u"'" + S + u"' is not a valid integer value");
  return v;
}

int32_t StrToIntDef(const UnicodeString& S, int32_t Default) {
  int32_t v;
  return TryStrToInt(S, v) ? v : Default;
}

int64_t StrToInt64Def(const UnicodeString& S, int64_t Default) {
  int64_t v;
  return TryStrToInt64(S, v) ? v : Default;
}

UnicodeString IntToStr(int32_t Value) { return IntToStr(static_cast<int64_t>(Value)); }

UnicodeString IntToStr(int64_t Value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, Value);
  return Widen(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
}

UnicodeString UIntToStr(uint64_t Value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, Value);
  return Widen(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
}

UnicodeString IntToHex(int32_t Value, int32_t Digits) {
  return IntToHex(static_cast<uint64_t>(static_cast<uint32_t>(Value)), Digits);
}

UnicodeString IntToHex(int64_t Value, int32_t Digits) {
  return IntToHex(static_cast<uint64_t>(Value), Digits);
}

UnicodeString IntToHex(uint64_t Value, int32_t Digits) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  UnicodeString digits;
  do {
    digits.push_back(kHex[Value & 0xF]);
    Value >>= 4;
  } while (Value != 0);
  const size_t want = static_cast<size_t>(std::clamp(Digits, 0, 32));
  if (digits.size() < want) digits.append(want - digits.size(), u'0');
  std::reverse(digits.begin(), digits.end());
  return digits;
}

// --- Decimals ---------------------------------------------------------------

bool TryStrToFloat(const UnicodeString& S, double& Value, char16_t DecimalSeparator) {
  return ReadDecimal(S, DecimalSeparator, Value);
}

bool TryStrToFloat(const UnicodeString& S, double& Value, const TFormatSettings& Settings) {
  return ReadDecimal(S, Settings.DecimalSeparator, Value);
}

bool TryStrToFloat(const UnicodeString& S, double& Value) {
  return ReadDecimal(S, FormatSettings().DecimalSeparator, Value);
}

double StrToFloat(const UnicodeString& S, char16_t DecimalSeparator) {
  double v;
  if (!ReadDecimal(S, DecimalSeparator, v))
    throw EConvertError(u"'" + S + u"' is not a valid floating point value");
  return v;
}

double StrToFloat(const UnicodeString& S, const TFormatSettings& Settings) {
  return StrToFloat(S, Settings.DecimalSeparator);
}

double StrToFloat(const UnicodeString& S) { return StrToFloat(S, FormatSettings().DecimalSeparator); }

UnicodeString FloatToStrGeneral(double Value, int32_t Precision, char16_t DecimalSeparator) {
  if (std::isnan(Value)) return u"NAN";
  if (std::isinf(Value)) return Value < 0 ? u"-INF" : u"INF";
  if (Value == 0.0) return u"0";  // negative zero too
  Precision = std::clamp(Precision, 1, 17);

  std::string digits;
  int X = 0;
  GeneralDigits(Value, Precision, digits, X);
  const int n = static_cast<int>(digits.size());

  UnicodeString out;
  if (Value < 0) out.push_back(u'-');
  if (X > -5 && X < Precision) {
    if (X >= 0) {
      for (int k = 0; k <= X; ++k) out.push_back(k < n ? char16_t(digits[static_cast<size_t>(k)]) : u'0');
      if (n > X + 1) {
        out.push_back(DecimalSeparator);
        for (int k = X + 1; k < n; ++k) out.push_back(char16_t(digits[static_cast<size_t>(k)]));
      }
    } else {
      out.push_back(u'0');
      out.push_back(DecimalSeparator);
      out.append(static_cast<size_t>(-X - 1), u'0');
      out += Widen(digits);
    }
  } else {
    out.push_back(char16_t(digits[0]));
    if (n > 1) {
      out.push_back(DecimalSeparator);
      out += Widen(std::string_view(digits).substr(1));
    }
    out.push_back(u'E');
    out += IntToStr(static_cast<int32_t>(X));
  }
  return out;
}

UnicodeString FloatToStr(double Value) { return FloatToStrGeneral(Value, 15, u'.'); }

UnicodeString FloatToStr(double Value, char16_t DecimalSeparator) {
  return FloatToStrGeneral(Value, 15, DecimalSeparator);
}

UnicodeString FloatToStr(double Value, const TFormatSettings& Settings) {
  return FloatToStrGeneral(Value, 15, Settings.DecimalSeparator);
}

// --- Fixed and exponent notation ------------------------------------------------

namespace {

constexpr int kFixedDigits = 18;
// The first 18 significant digits of the largest double, 1.7976931348623157E308.
constexpr char kMaxDoubleDigits[] = "179769313486231570";

// The first 18 significant digits of |v| (finite, not zero) and the decimal
// exponent X of the value as d.ddd x 10^X.
void Digits18(double v, std::string& digits, int& X) {
  char buf[48];
  const auto r =
      std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, kFixedDigits - 1);
  SplitScientific(buf, r.ptr, digits, X);
}

// Cuts digits to keep digits and rounds half up on the first digit cut off.
// Answers true when the carry ran through every kept digit ("999" -> "1000").
bool RoundDigitsHalfUp(std::string& digits, size_t keep) {
  const bool up = keep < digits.size() && digits[keep] >= '5';
  digits.resize(keep);
  if (!up) return false;
  size_t k = keep;
  while (k > 0 && digits[k - 1] == '9') digits[--k] = '0';
  if (k == 0) {
    digits.insert(digits.begin(), '1');
    return true;
  }
  ++digits[k - 1];
  return false;
}

const char* NonFiniteText(double v) {
  if (std::isnan(v)) return "Nan";
  return v < 0 ? "-Inf" : "+Inf";
}

}  // namespace

AnsiString FloatToExponentText(double Value, int32_t Digits) {
  if (!std::isfinite(Value)) return NonFiniteText(Value);
  const size_t n = static_cast<size_t>(std::clamp(Digits, 1, kFixedDigits));
  std::string digits;
  int X = 0;
  if (Value == 0.0) {
    digits.assign(n, '0');
  } else {
    Digits18(Value, digits, X);
    const std::string all = digits;
    if (RoundDigitsHalfUp(digits, n)) {
      digits.pop_back();
      ++X;
    }
    // Rounding up must not carry the text beyond the largest double, where it
    // would no longer read: there the digits are cut instead.
    if (X >= 308 && digits.compare(0, n, kMaxDoubleDigits, n) > 0) {
      digits = all.substr(0, n);
      X = 308;
    }
  }
  AnsiString out;
  out.push_back(Value < 0 ? '-' : ' ');
  out.push_back(digits[0]);
  if (n > 1) {
    out.push_back('.');
    out.append(digits, 1, n - 1);
  }
  out.push_back('E');
  out.push_back(X < 0 ? '-' : '+');
  char exp[8];
  const auto r = std::to_chars(exp, exp + sizeof exp, X < 0 ? -X : X);
  out.append(4 - static_cast<size_t>(r.ptr - exp), '0');
  out.append(exp, r.ptr);
  return out;
}

AnsiString FloatToFixedText(double Value, int32_t Decimals) {
  if (!std::isfinite(Value)) return NonFiniteText(Value);
  const int D = std::clamp(Decimals, 0, 350);
  // The value in units of 10^-D, as decimal digits; empty for zero.
  std::string units;
  if (Value != 0.0) {
    int X = 0;
    Digits18(Value, units, X);
    if (X > 35) return FloatToExponentText(Value, 2);
    const int kept = X + D + 1;  // digits at or above 10^-D
    if (kept >= kFixedDigits) {
      units.append(static_cast<size_t>(kept - kFixedDigits), '0');
    } else if (kept >= 0) {
      RoundDigitsHalfUp(units, static_cast<size_t>(kept));
    } else {
      units.clear();
    }
  }
  const size_t d = static_cast<size_t>(D);
  if (units.size() < d + 1) units.insert(0, d + 1 - units.size(), '0');
  AnsiString out;
  out.reserve(units.size() + 2);
  if (Value < 0) out.push_back('-');
  out.append(units, 0, units.size() - d);
  if (d > 0) {
    out.push_back('.');
    out.append(units, units.size() - d, d);
  }
  return out;
}
