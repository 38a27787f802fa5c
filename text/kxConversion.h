// text/kxConversion.h — numbers and Booleans to text and back.
//
// Every number writer here uses "." as decimal point, whatever the locale, and
// returns 8-bit text holding ASCII; only LocaleStrToFloat reads with the
// locale's separators. The readers never raise unless RaiseException says so:
// StrToInt and HexToInt answer ErrorVal (or 0 where said), the decimal readers
// Default.
//
// Fixed notation (RealToStr, FloatToStr) writes the value's first 18
// significant digits rounded half up at the last written decimal, on the
// decimal digits rather than the binary value: 0.125 with two decimals is
// "0.13", 1.005 is "1.00" (the double lies just below 1.005). The sign comes
// from the value, so a negative value that rounds to zero keeps its "-"
// ("-0.00"). From 1E36 on (a decimal exponent above 35) the value is written in
// the 10-character exponent form instead (" 1.0E+0036"). Not-a-number is
// "Nan", the infinities "+Inf" and "-Inf".
#pragma once

#include <cstdint>

#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"

namespace TkxConversion {

// ---- Integers ----------------------------------------------------------------

// The integer in Str; ErrorVal (widened with its sign) when there is none.
// - A text with "." is read by StrToReal(Str, false, 0.0): a whole value is
//   the result, a fraction gives ErrorVal, a text StrToReal cannot read gives
//   0 (so "1.000.000" is 0), a whole value beyond the 64-bit range ErrorVal.
// - Otherwise an empty text is 0, not ErrorVal.
// - Otherwise leading blanks (U+0020), an optional sign, decimal digits or
//   hexadecimal ones after "$", "x", "X", "0x" or "0X"; anything left over
//   (a trailing blank too) and overflow give ErrorVal.
//   StrToInt(u" 12", 7) == 12;  StrToInt(u"12 ", 7) == 7;  StrToInt(u"3.0", 7) == 3
//   StrToInt(u"$1F", 7) == 31;  StrToInt(u"1,5", 7) == 7
int64_t StrToInt(const UnicodeString& Str, int32_t ErrorVal);

// Decimal text, "-" for negative values.
AnsiString IntToStr(int64_t Int);

// The hexadecimal value of Str (no prefix needed): StrToInt("$" + Str).
// An empty text is 0; a text with "." is 0 (see StrToInt).
//   HexToInt(u"ff", 0) == 255;  HexToInt(u"zz", 9) == 9
int64_t HexToInt(const UnicodeString& Str, int32_t ErrorVal);

// ---- Decimals: writers ---------------------------------------------------------

// Decimals -1: the 23-character exponent form, a blank or "-", 15 significant
// digits, "E", the exponent's sign and four digits:
//   RealToStr(1234.5, -1) == " 1.23450000000000E+0003"
// Decimals 0..37: rounded with TkxMath::RoundTo (half away from zero), then
// fixed notation with exactly Decimals decimals (no point for 0):
//   RealToStr(1.25, 1) == "1.3";  RealToStr(-2.5, 0) == "-3"
// Any other negative Decimals: rounded with RoundTo to |Decimals| decimals,
// then the 10-character exponent form with two significant digits:
//   RealToStr(1234.5, -2) == " 1.2E+0003"
// Values outside -37..37 count as the nearest end of that range. In both
// exponent forms a value next to the largest double has its digits cut rather
// than rounded up, which would carry it beyond the range: the text must read.
AnsiString RealToStr(double RVal, int8_t Decimals);

// Value in fixed notation with min(Decimals, 7) decimals, then trailing zeros
// removed down to MinDecimals decimals (zeros added up to MinDecimals when
// there are fewer), the point too when no decimal is left:
//   (3.1005, 7, 2) -> "3.1005";  (10.5, 7, 2) -> "10.50";  (0.1234567891, 7, 2) -> "0.1234568"
//   (-0.00000001, 7, 2) -> "-0.00";  (2.0, 7, 0) -> "2"
// Decimals of 0 or less write a whole number without a point, whatever
// MinDecimals; a negative MinDecimals counts as 0. The exponent form of
// values from 1E36 on, "Nan", "+Inf" and "-Inf" are written unchanged (no
// zeros added or removed). Every finite value's text reads back with
// StrToReal.
AnsiString FloatToStr(double Value, int32_t Decimals, int8_t MinDecimals);

// The number text of a value by its type code: the integer codes (2, 3 and 16
// to 20) in decimal; currency (6) as FloatToStr(v, 4, 2); every other code
// converted to a double by the variant rules, as FloatToStr(v, 7, 2) (a
// Boolean true is -1, Empty 0). Raises the variant conversion errors: Null, a
// text that is no number, an array.
AnsiString FloatToStr(const Variant& Value);

// ---- Decimals: readers --------------------------------------------------------

// Reads a decimal number whose decimal separator may be "," or ".":
// - both present: one "," after the last "." is the decimal separator and the
//   "." are removed (1.234,5); one "." after the last "," is, and the "," are
//   removed (1,234.5); any other mix is read as it stands (and fails);
// - only ",": every "," becomes "." (12,5; but 1,234,567 becomes 1.234.567,
//   which does not read);
// - then the decimal reader: leading blanks, optional sign, digits, optional
//   "." and digits, optional exponent; nothing may follow (a trailing blank
//   fails). No "inf" or "nan".
// An empty text gives Default. A text that does not read gives Default or,
// with RaiseException, EConvertError "float string conversion exception for
// value " + '"' + the text after the rewrite above + '"'.
//   StrToReal(u"1.234.567,8", false, 0) == 1234567.8
double StrToReal(const UnicodeString& Str, bool RaiseException, double Default);

// Texts with "E" or "e" are read by the plain decimal reader ("." only),
// failing with Exception "cannot convert " + Str + " to float"; every other
// text by TkxStrToFloatConverter::StrToFloat without OCR replacements, whose
// EConvertError messages then apply. The two readers differ by design on
// thousands groups: StrToFloat(u"1,234,567") is 1234567 where StrToReal fails.
double StrToFloat(const UnicodeString& Str, bool RaiseException, double Default);

// Reads Str with the separators of the process's format settings
// (FormatSettings(), which stands for the system's locale): every thousand
// separator is removed (none when the settings hold 0), then the decimal
// reader runs with the settings' decimal separator. When that fails:
// TryAlternativeConversion gives StrToFloat(Str, RaiseException, Default) on
// the untouched text; else Default, or Exception "cannot convert " + Str +
// " to float" with RaiseException.
double LocaleStrToFloat(const UnicodeString& Str, bool RaiseException, double Default,
                        bool TryAlternativeConversion);

// ---- Booleans -------------------------------------------------------------------

// "True" or "False".
UnicodeString BoolToStr(bool BoolVal);
// TrueStr or FalseStr.
UnicodeString BoolToStrExt(bool BoolVal, const UnicodeString& TrueStr, const UnicodeString& FalseStr);
// BoolToStr(BoolInt != 0).
UnicodeString IntBoolToStr(int32_t BoolInt);

// True for the yes-words, after removing blanks and control characters at
// both ends and upper-casing a-z: "JA", "YES", "OK", "1", "X", "TRUE", "WAHR",
// "RICHTIG", "KORREKT", "RIGHT", "YAP", "OUI", "CORRECT", "JAU", "YO", "JO",
// "YEP", "YEPP", "YAPP", "YUP", "Y". Everything else is false.
bool StrToBool(const UnicodeString& BoolStr);

// When TrueStr and FalseStr differ (trimmed, upper-cased): true exactly when
// BoolStr equals TrueStr that way; any other text is false. When they are
// equal (both empty, say): StrToBool(BoolStr).
//   StrToBoolExt(u"on", u"ON", u"OFF") == true;  StrToBoolExt(u"yes", u"ON", u"OFF") == false
bool StrToBoolExt(const UnicodeString& BoolStr, const UnicodeString& TrueStr,
                  const UnicodeString& FalseStr);

// "1" or "0".
AnsiString BoolToSingleByteStr(bool BoolVal);
// "X" for true, "" for false.
AnsiString BoolToSingleByteStrX(bool BoolVal);
// True exactly for "1", "X" and "x"; nothing is trimmed.
bool SingleByteStrToBool(const UnicodeString& BoolVal);

// 1 or 0; any value but 0 is true.
int32_t BoolToInt(bool BoolVal);
bool IntToBool(int32_t BoolInt);

// ---- Code pages ----------------------------------------------------------------

// OEM text (CP850) to ANSI text (UTF-8), and back. A character that CP850
// lacks becomes "?", as does a byte that is not valid UTF-8. The result ends
// at the first zero byte of the text.
//   AsciiToAnsi("\x81" "ber") == "\xC3\xBC" "ber";  AnsiToAscii("\xE2\x82\xAC") == "?"
AnsiString AsciiToAnsi(const AnsiString& AText);
AnsiString AnsiToAscii(const AnsiString& AText);

}  // namespace TkxConversion
