// platform/rtl/NumberText.h — the platform's readers and writers of numbers.
//
// No function here consults the C or C++ locale: digits are read and written
// with std::from_chars/std::to_chars under the rules below, and the only
// locale-dependent character, the decimal separator, is either an argument or
// taken from the process-wide FormatSettings() record where a function says so.
//
// Integer reader (TryStrToInt, TryStrToInt64 and the forms built on them):
//   - leading blanks (U+0020 only) are skipped;
//   - an optional "+" or "-";
//   - decimal digits 0-9, or hexadecimal digits (either case) after one of the
//     prefixes "$", "x", "X", "0x", "0X";
//   - nothing may follow: a trailing blank, a second sign or any other
//     character fails, as does a text without a digit ("", "-", "$").
//   A decimal value outside the target's range fails. A hexadecimal text is a
//   bit pattern of the target's width: up to 8 significant digits for 32 bits,
//   16 for 64 bits, so "$FFFFFFFF" reads as -1 into int32_t, the inverse of
//   IntToHex. A sign before a hexadecimal text negates that pattern.
//     TryStrToInt(u"  -12", v) -> true, v == -12
//     TryStrToInt(u"12 ", v)   -> false (trailing blank)
//     TryStrToInt(u"0x1f", v)  -> true, v == 31
//
// Decimal reader (TryStrToFloat, StrToFloat):
//   - leading blanks (U+0020 only) are skipped;
//   - an optional "+" or "-";
//   - digits, optionally the decimal separator and more digits; at least one
//     digit in all (".5" and "5." read, "." does not);
//   - optionally an exponent: "e" or "E", an optional sign, at least one digit;
//   - nothing may follow (a trailing blank fails).
//   Only the given decimal separator is accepted ("1.5" does not read when the
//   separator is ","), and there is no thousand separator. "INF" and "NAN" are
//   not numbers to this reader. A value too large for a double fails; a value
//   too small becomes zero (with its sign). The text is checked against this
//   grammar first and only then converted, correctly rounded.
//
// General writer (FloatToStr): the shortest text that shows the value rounded
// to 15 significant digits (half away from zero, on the exact binary value).
// Let X be the decimal exponent of that rounded value written as d.ddd x 10^X:
//   - when -5 < X < 15, fixed notation: 0.1 -> "0.1", 1/3 -> "0.333333333333333",
//     123456789012345 -> "123456789012345", 0.0001 -> "0.0001";
//   - otherwise scientific notation with the mantissa's trailing zeros removed,
//     "E", "-" for a negative exponent (no "+"), and no leading zeros in the
//     exponent: 1e15 -> "1E15", 1e-5 -> "1E-5", 123456789012345678 ->
//     "1.23456789012346E17", -2.5e-7 -> "-2.5E-7".
//   Negative zero writes "0". Not-a-number writes "NAN", infinities "INF" and
//   "-INF" (which the decimal reader does not read back).
//   The one-argument FloatToStr always writes "." (it never depends on the
//   locale); pass a separator or a settings record for any other. The
//   one-argument readers do follow FormatSettings(), so a text meant to be
//   read back is written and read with the same separator argument.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Text.h"

// --- Integers -------------------------------------------------------------

bool TryStrToInt(const UnicodeString& S, int32_t& Value);
bool TryStrToInt64(const UnicodeString& S, int64_t& Value);
// The same grammar into 0 .. 2^64-1: no "-", decimal up to
// 18446744073709551615, up to 16 hexadecimal digits.
bool TryStrToUInt64(const UnicodeString& S, uint64_t& Value);

// Raise EConvertError "'<S>' is not a valid integer value".
int32_t StrToInt(const UnicodeString& S);
int64_t StrToInt64(const UnicodeString& S);

// Default when S does not read.
int32_t StrToIntDef(const UnicodeString& S, int32_t Default);
int64_t StrToInt64Def(const UnicodeString& S, int64_t Default);

// Decimal text, "-" for negative values: IntToStr(-7) == u"-7".
UnicodeString IntToStr(int32_t Value);
UnicodeString IntToStr(int64_t Value);
UnicodeString UIntToStr(uint64_t Value);

// Upper-case hexadecimal digits, at least Digits of them (zeros in front;
// Digits above 32 counts as 32).
// Negative values are written as their two's complement in the argument's
// width: IntToHex(int32_t(-1), 2) == u"FFFFFFFF", IntToHex(255, 4) == u"00FF".
UnicodeString IntToHex(int32_t Value, int32_t Digits);
UnicodeString IntToHex(int64_t Value, int32_t Digits);
UnicodeString IntToHex(uint64_t Value, int32_t Digits);

// --- Decimals ---------------------------------------------------------------

// The decimal reader with the given separator, with Settings.DecimalSeparator,
// or with FormatSettings().DecimalSeparator (the two-argument form).
bool TryStrToFloat(const UnicodeString& S, double& Value, char16_t DecimalSeparator);
bool TryStrToFloat(const UnicodeString& S, double& Value, const TFormatSettings& Settings);
bool TryStrToFloat(const UnicodeString& S, double& Value);

// Raise EConvertError "'<S>' is not a valid floating point value".
double StrToFloat(const UnicodeString& S, char16_t DecimalSeparator);
double StrToFloat(const UnicodeString& S, const TFormatSettings& Settings);
double StrToFloat(const UnicodeString& S);  // FormatSettings().DecimalSeparator

// The general writer: "." / the given separator / Settings.DecimalSeparator.
UnicodeString FloatToStr(double Value);
UnicodeString FloatToStr(double Value, char16_t DecimalSeparator);
UnicodeString FloatToStr(double Value, const TFormatSettings& Settings);

// The general writer with another number of significant digits (1 to 17;
// values outside are clamped): fixed notation while -5 < X < Precision, else
// scientific, as above. FloatToStr is FloatToStrGeneral(Value, 15, ...); a
// single-precision value is written with 7 (0.1f -> "0.1").
UnicodeString FloatToStrGeneral(double Value, int32_t Precision, char16_t DecimalSeparator);

// Fixed notation (FloatToFixedText): the value's first 18 significant digits
// (std::to_chars, scientific with 17 decimals) rounded half up at the last
// written decimal, carrying as far as needed. The rounding works on those
// decimal digits, not on the binary value, so it is not the ties-to-even of
// std::to_chars or printf: 0.125 with 2 decimals is "0.13", 2.5 with 0 is "3";
// 1.005 with 2 is "1.00", because the double nearest to 1.005 is
// 1.00499999999999989... . Exactly Decimals decimals after "." (no point for
// 0; Decimals below 0 count as 0, above 350 as 350). The sign comes from the
// value, not from the digits, so a negative value that rounds to zero keeps
// its "-": -0.00000001 with 2 decimals is "-0.00" (negative zero is "0.00").
// A value whose decimal exponent exceeds 35 (from 1E36 on) is written as
// FloatToExponentText(Value, 2) instead. Not-a-number is "Nan", the
// infinities "+Inf" and "-Inf".
//   FloatToFixedText(10.5, 3) == "10.500";  FloatToFixedText(-2.5, 0) == "-3"
AnsiString FloatToFixedText(double Value, int32_t Decimals);

// Exponent form (FloatToExponentText): a blank or "-", the first significant
// digit, "." and the next Digits - 1 digits (no point when Digits is 1), "E",
// "+" or "-" and the decimal exponent in exactly four digits. The digits are
// the first 18 significant ones rounded half up to Digits (1 to 18; outside
// clamped). Zero writes zeros with the exponent +0000. "Nan", "+Inf", "-Inf"
// as above. Rounding never carries a value beyond the largest double, where
// the text would not read back: near it the digits are cut instead
// (1.7976931348623157E308 with 2 digits is " 1.7E+0308", not " 1.8E+0308").
//   FloatToExponentText(1234.5, 15) == " 1.23450000000000E+0003"
//   FloatToExponentText(-0.000999, 2) == "-1.0E-0003"
AnsiString FloatToExponentText(double Value, int32_t Digits);

namespace numbertext_detail {
// The decimal reader's grammar, shared with the currency reader: the parts of
// a text that matches it. Exponent saturates at +-1e9 (far beyond any range).
struct DecimalText {
  bool Negative = false;
  std::u16string_view IntDigits;   // may be empty, leading zeros kept
  std::u16string_view FracDigits;  // may be empty
  int64_t Exponent = 0;
};
bool ScanDecimal(std::u16string_view S, char16_t DecimalSeparator, DecimalText& Out);
}  // namespace numbertext_detail
