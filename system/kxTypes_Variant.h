// system/kxTypes_Variant.h — typed values: type names, the value text, tests,
// numeric conversions, arrays and document-model values.
//
// The value text (VarToStrExt / StrToVarExt) is the text of every typed value
// in configuration strings, document XML, hand-over field values and start
// parameters. It is the same on every machine:
//   - empty for Empty and Null;
//   - integers in decimal ("-7");
//   - floating values with "." and two to seven decimals ("0.10", "3.1005"),
//     currency with two to four;
//   - dates "yyyy-mm-dd hh:nn:ss", "yyyy-mm-dd" without a time, "hh:nn:ss"
//     for a time alone (day 0), always with ":" whatever the locale's time
//     separator, so a text written on one machine reads on another;
//   - Booleans "True" and "False".
// Reading gives a value of the type asked for, but not always its code:
// integers come back as 64-bit integers (20), single and currency values as
// doubles (5), texts as the system's UTF-16 text (258).
//
// Type names (GetVarTypeStr / GetVarTypeFromStr) are the Type attribute of
// configuration-string parameters and of document fields and columns.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/json/BsonValue.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "system/kxTypes_Enums.h"
#include "system/kxTypes_Records.h"

// The short date format of the process's format settings as 8-bit text, with
// "/" still standing for the date separator ("dd/mm/yyyy" under a German
// locale, unlike TkxDateTime::ShortDateFormat). Read at each call.
AnsiString ShortDateFormatA();

namespace TkxTypes {

// ---- Type codes and names ------------------------------------------------------

// The value's full 16-bit type code, flags included.
TVarType GetVarType(const Variant& Value);

// "EMPTY", "NULL", "SMALLINT", "INT", "SINGLE", "DOUBLE", "CURRENCY", "DATE",
// "UCS2STR" (8), "DISPATCH", "ERROR", "BOOLEAN", "VARIANT", "UNKNOWN" (13),
// "SHORTINT", "BYTE", "WORD", "LONGWORD", "INT64", "STRARG", "USTRARG",
// "STRING" (256), "ANY", "UCS4STR" (258), "TYPEMASK", "ARRAY", "BYREF";
// every other code (14, 15, 21, a code with the array or reference flag)
// "UNKNOWN".
UnicodeString GetVarTypeStr(TVarType VarType);
// Trimmed, upper-cased (UpperText), then one of the names above or the
// aliases "BOOL" (11), "FLOAT" and "REAL" (5), "TIME" (7). "UNKNOWN" reads as
// 13. Any other text, the empty text included, gives Default.
TVarType GetVarTypeFromStr(const UnicodeString& VarType, TVarType Default);
// kxFDT_Date 7, kxFDT_Float 5, kxFDT_Currency 6, kxFDT_Boolean 11; every
// other value 8 (numeric fields are carried as text).
TVarType GetVarTypeFromFieldDataType(TkxFieldDataType DataType);

// ---- The value text ---------------------------------------------------------------

// The value text (see the top of this file). Codes without a form of their
// own (21, texts, references) are written by VarToStr. Never raises: a value
// without a text (an error value, an array, an opaque reference) or a date
// outside the years 1 to 9999 gives "".
// A date's milliseconds are dropped after rounding the time to the
// millisecond: 2024-01-15 18:00:00.900 gives "2024-01-15 18:00:00".
UnicodeString VarToStrExt(const Variant& Value);
// VarToStrExt, but a date with both a date and a time part is written
// "yyyy-mm-ddThh:nn:ss.zzzZ" (the "Z" is only appended; no conversion to UTC).
UnicodeString VarToJSONStrExt(const Variant& Value);

// Reads a value text as the type VarType asks for. Never raises.
//   0, 1:            "" gives Null, any other text the text (258);
//   integer codes:   TkxConversion::StrToInt(Value, -1) as 64-bit (20):
//                    "" gives 0, "3.0" 3, "abc" and "3.5" -1;
//   4, 5, 6:         TkxConversion::StrToReal(Value, false, 0.0) as a double
//                    (5): "1,5" gives 1.5, unreadable text 0.0;
//   7:               a text with "#" or a lower-case "h" is a time-stamp text
//                    and Null when it is not a valid one; otherwise, or when
//                    the stamp is day 0, the date formats "yyyy-mm-dd", the
//                    user's short date format and "dd.mm.yyyy" with the time
//                    formats "hh:nn:ss" and the settings' long time format;
//                    a text none of them reads gives the date 0 (not Null);
//   11:              TkxConversion::StrToBool ("yes" true, "no" false);
//   any other code:  the text (258), "" included.
Variant StrToVarExt(const UnicodeString& Value, TVarType VarType);
// The type by name: a leading "CDT_" (exactly so, upper case) is removed,
// then GetVarTypeFromStr(VarType, 13); an unknown name thus gives the text.
Variant StrToVarExt(const UnicodeString& Value, const UnicodeString& VarType);

// ---- Tests ---------------------------------------------------------------------------
// By the value's own code; no reference is followed except by VarIsType.

bool IsStringVariant(const Variant& myVar);   // 8, 72, 74, 256, 258
bool IsNumericVariant(const Variant& myVar);  // 2, 3, 16 to 21
bool IsMathVariant(const Variant& myVar);     // 2 to 7, 16 to 21 (dates included)
bool IsFloatVariant(const Variant& myVar);    // 4, 5, 6
bool IsArrayVariant(const Variant& myVar);    // an array of at least one dimension
bool IsBooleanVariant(const Variant& myVar);  // 11
bool IsDateVariant(const Variant& myVar);     // 7
// 2 to 6, 16 to 21 (not dates).
bool IsMathVarType(TVarType VarType);
// After following references (16396) to the end: the code is one of
// AVarTypes. False for an empty list (and for a reference that leads back to
// itself).
bool VarIsType(const Variant& V, const std::vector<int32_t>& AVarTypes);
// Empty or Null.
bool VarIsInitial(const Variant& myVar);

// ---- Conversions -----------------------------------------------------------------
// These raise the platform's conversion errors for a value that does not
// convert (EVariantTypeCastError, EVariantOverflowError).

// The platform's VarToStr (platform/rtl/Variant.h), the same function:
// references followed; Empty and Null give "", every other value its platform
// text (a date in the locale's form, a double with up to 15 digits).
using ::VarToStr;

// Texts (8, 256, 258) are read leniently: the first "," (only the first)
// becomes "."; then the longest leading number (blanks, sign, digits, ".",
// digits, exponent) counts and the rest is ignored; no leading number is 0.
//   "12abc" 12, "abc" 0, "1,234.5" 1.234, "2,5" 2.5.
// VarToInteger:
//   2, 3, 10, 17:    the platform's integer conversion;
//   4 to 7, texts:   rounded to the nearest integer, halves to even
//                    ("2,5" gives 2, "3,5" 4);
//   9, 13:           0;  11: 1 for true, else 0;
//   any other code:  0 for Null, else the platform's conversion.
// A value outside the 32-bit range, or not-a-number, raises
// EVariantOverflowError.
int32_t VarToInteger(const Variant& V);
// VarToInteger with a 64-bit result (20 joins the first group).
int64_t VarToInt64(const Variant& V);
// 2 to 7, 10, 17: the value as a double (a date its day number); texts read
// as above, not rounded (a number beyond the double range gives an infinity);
// 9, 13: 0; 11: 1 or 0; any other code: 0 for Null, else the platform's
// conversion.
double VarToFloat(const Variant& V);
// VarToInteger(V) != 0: the text "True" is false, "0.6" true.
bool VarToBoolean(const Variant& V);
// The platform's conversion (texts read with the process's settings).
TDateTime VarToDateTime(const Variant& V);

// Object references travel as 64-bit integers (20) holding the address.
// ObjectToVar(p) read back with VarToObject gives p.
int64_t VarToIntObject(const Variant& V);  // VarToInt64
TObject* VarToObject(const Variant& V);
Variant ObjectToVar(TObject* Obj);

// The elements of an array of exactly one dimension, each as VarToStr, from
// the low bound on. Anything else raises Exception "invalid array dimension".
TWideStringArray VarArrayAsStringArray(const Variant& V);

// ---- Document-model values -------------------------------------------------------

// The document-model value of AValue, by its own code (AValue is not
// changed): Empty, Null: null; integer codes: Int64; 4, 5, 6: Double; 7: with
// AISO8601DateStrings the string TkxDateTime::DateTimeToISO8601Str, else a
// UTC date-time in milliseconds since 1970 (the value taken as UTC, no zone
// shift); 11: Boolean; every other code: the string of VarToStr. Any error
// (a date outside the years 1 to 9999, a value without text) gives null.
BsonValue VarToBsonValueByRef(Variant& AValue, bool AISO8601DateStrings);
// The Variant of a document-model value, by its kind:
//   Null: Null;  Double: double;  Int32: 3;  Int64: 20;  Boolean: 11;
//   String: with AVarType 7 a date read by TkxDateTime::ISO8601ToDateTime
//           (unreadable: the date 0), else the text (258);
//   Binary: an array of bytes indexed from 0;
//   ObjectId: 24 lower-case hexadecimal digits (258);
//   DateTime: the UTC instant as a date (no zone shift); outside the years
//             1 to 9999 Null;
//   Timestamp: the seconds (upper 32 bits) as 3, the increment dropped;
//   Document, Array and every other kind: Null.
// Never raises. A date written by VarToBsonValueByRef(v, false) reads back
// equal to the millisecond.
Variant BsonValueToVariantByRef(const BsonValue& AValue, TVarType AVarType);
Variant BsonValueToVariant(const BsonValue& AValue, TVarType AVarType);

}  // namespace TkxTypes
