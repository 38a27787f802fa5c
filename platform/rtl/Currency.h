// platform/rtl/Currency.h — Currency: a fixed-point number with four decimals.
//
// The value is held as an int64_t counting ten-thousandths, so amounts add and
// print exactly: the range is -922337203685477.5808 to 922337203685477.5807.
// It is a type of its own with no implicit conversions, so that a currency and
// a plain integer or double never mix by accident; a Currency is made with
// FromRaw (the scaled integer) or FromDouble.
//
// Rounding: wherever a value has to lose digits (FromDouble, reading a text
// with more than four decimals) it is rounded to the nearest ten-thousandth,
// and an exact half goes to the even neighbour, the platform's rounding for
// currency: 0.00005 -> 0.0000, 0.00015 -> 0.0002, 0.000051 -> 0.0001.
#pragma once

#include <compare>
#include <cstdint>

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Text.h"

class Currency {
 public:
  constexpr Currency() = default;  // zero

  // The scaled integer: FromRaw(15000) is 1.5.
  static constexpr Currency FromRaw(int64_t Raw) {
    Currency c;
    c.raw_ = Raw;
    return c;
  }
  // The double rounded to four decimals (half to even, computed on the exact
  // binary value: FromDouble(1.00005) is 1.0001, because the double nearest to
  // 1.00005 lies just above it). NaN, infinities and values outside the range
  // fail: TryFromDouble answers false, FromDouble raises EConvertError.
  static bool TryFromDouble(double Value, Currency& Result);
  static Currency FromDouble(double Value);

  constexpr int64_t Raw() const { return raw_; }
  // The nearest double to the exact decimal value.
  double ToDouble() const { return static_cast<double>(raw_) / 10000.0; }

  friend constexpr bool operator==(Currency a, Currency b) = default;
  friend constexpr auto operator<=>(Currency a, Currency b) = default;

 private:
  int64_t raw_ = 0;
};

// Reads a currency text exactly, without a double in between, with the grammar
// of the decimal reader (NumberText.h): leading blanks, optional sign, digits,
// optional decimal separator and digits, optional exponent, nothing after.
// Decimals beyond the fourth are rounded (half to even); a value outside the
// range fails. The separator is the given one, Settings.DecimalSeparator, or
// FormatSettings().DecimalSeparator.
//   TryStrToCurr(u"-12.34567", c, u'.') -> true, c.Raw() == -123457
//   TryStrToCurr(u"1.5E3", c, u'.')     -> true, c.Raw() == 15000000
bool TryStrToCurr(const UnicodeString& S, Currency& Value, char16_t DecimalSeparator);
bool TryStrToCurr(const UnicodeString& S, Currency& Value, const TFormatSettings& Settings);
bool TryStrToCurr(const UnicodeString& S, Currency& Value);
// Raises EConvertError "'<S>' is not a valid floating point value".
Currency StrToCurr(const UnicodeString& S);
Currency StrToCurr(const UnicodeString& S, const TFormatSettings& Settings);

// The exact decimal text: no trailing zeros, no separator for a whole amount,
// "-" for a negative value; "." unless a separator or settings are given.
//   CurrToStr(Currency::FromRaw(15000)) == u"1.5"
//   CurrToStr(Currency::FromRaw(-5)) == u"-0.0005"
UnicodeString CurrToStr(Currency Value);
UnicodeString CurrToStr(Currency Value, char16_t DecimalSeparator);
UnicodeString CurrToStr(Currency Value, const TFormatSettings& Settings);
