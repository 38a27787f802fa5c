#include "platform/rtl/Currency.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"

// The product of a double (53 significant bits) and 10,000 (= 16 x 625, ten
// significant bits) needs 63 bits: a long double of at least that precision
// holds it exactly, so the rounding below sees the exact scaled value.
static_assert(std::numeric_limits<long double>::digits >= 63,
              "Currency::FromDouble needs an exact 63-bit product");

bool Currency::TryFromDouble(double Value, Currency& Result) {
  if (!std::isfinite(Value)) return false;
  const long double scaled = static_cast<long double>(Value) * 10000.0L;
  long double whole = std::floor(scaled);
  const long double fraction = scaled - whole;  // exact
  if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0.0L)) whole += 1.0L;
  // int64_t holds [-2^63, 2^63); both bounds are exact in a long double.
  if (whole < -9223372036854775808.0L || whole >= 9223372036854775808.0L) return false;
  Result = FromRaw(static_cast<int64_t>(whole));
  return true;
}

Currency Currency::FromDouble(double Value) {
  Currency c;
  if (!TryFromDouble(Value, c))
    throw EConvertError(u"Floating point value " + FloatToStr(Value) + u" is out of the currency range");
  return c;
}

bool TryStrToCurr(const UnicodeString& S, Currency& Value, char16_t DecimalSeparator) {
  numbertext_detail::DecimalText parts;
  if (!numbertext_detail::ScanDecimal(S, DecimalSeparator, parts)) return false;

  // The digits as one integer D with the value D x 10^(Exponent - fraction
  // length); the result counts ten-thousandths, so the point moves four more.
  std::u16string digits(parts.IntDigits);
  digits += parts.FracDigits;
  const size_t lead = digits.find_first_not_of(u'0');
  if (lead == std::u16string::npos) {
    Value = Currency();
    return true;
  }
  digits.erase(0, lead);
  const int64_t shift = parts.Exponent - static_cast<int64_t>(parts.FracDigits.size()) + 4;

  // Keep the digits in front of the (shifted) point; more than 19 of them
  // cannot fit whatever they are.
  const int64_t kept = static_cast<int64_t>(digits.size()) + shift;
  if (kept > 19) return false;
  uint64_t magnitude = 0;
  const int64_t fromDigits = std::min<int64_t>(kept, static_cast<int64_t>(digits.size()));
  for (int64_t k = 0; k < fromDigits; ++k) magnitude = magnitude * 10 + (digits[static_cast<size_t>(k)] - u'0');
  for (int64_t k = fromDigits; k < kept; ++k) {
    if (magnitude > std::numeric_limits<uint64_t>::max() / 10) return false;
    magnitude *= 10;
  }

  // Round on the dropped digits: above a half up, a half exactly to even.
  if (kept < static_cast<int64_t>(digits.size())) {
    const size_t first = kept < 0 ? 0 : static_cast<size_t>(kept);
    // A first dropped digit that lies beyond the text (kept < 0) is a zero.
    const char16_t firstDropped = kept < 0 ? u'0' : digits[first];
    const bool restNonZero =
        kept < 0 || digits.find_first_not_of(u'0', first + 1) != std::u16string::npos;
    bool up = false;
    if (firstDropped > u'5') up = true;
    else if (firstDropped == u'5') up = restNonZero || (magnitude & 1) != 0;
    if (up) ++magnitude;
  }

  const uint64_t limit = parts.Negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (magnitude > limit) return false;
  Value = Currency::FromRaw(parts.Negative ? static_cast<int64_t>(0 - magnitude)
                                           : static_cast<int64_t>(magnitude));
  return true;
}

bool TryStrToCurr(const UnicodeString& S, Currency& Value, const TFormatSettings& Settings) {
  return TryStrToCurr(S, Value, Settings.DecimalSeparator);
}

bool TryStrToCurr(const UnicodeString& S, Currency& Value) {
  return TryStrToCurr(S, Value, FormatSettings().DecimalSeparator);
}

Currency StrToCurr(const UnicodeString& S, const TFormatSettings& Settings) {
  Currency c;
  if (!TryStrToCurr(S, c, Settings.DecimalSeparator))
    throw EConvertError(u"'" + S + u"' is not a valid floating point value");
  return c;
}

Currency StrToCurr(const UnicodeString& S) { return StrToCurr(S, FormatSettings()); }

UnicodeString CurrToStr(Currency Value, char16_t DecimalSeparator) {
  const int64_t raw = Value.Raw();
  const uint64_t magnitude = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  UnicodeString out;
  if (raw < 0) out.push_back(u'-');
  out += UIntToStr(magnitude / 10000);
  uint64_t fraction = magnitude % 10000;
  if (fraction != 0) {
    out.push_back(DecimalSeparator);
    for (uint64_t unit = 1000; fraction != 0; unit /= 10) {
      out.push_back(static_cast<char16_t>(u'0' + fraction / unit));
      fraction %= unit;
    }
  }
  return out;
}

UnicodeString CurrToStr(Currency Value) { return CurrToStr(Value, u'.'); }

UnicodeString CurrToStr(Currency Value, const TFormatSettings& Settings) {
  return CurrToStr(Value, Settings.DecimalSeparator);
}
