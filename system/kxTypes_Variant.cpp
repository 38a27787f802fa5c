#include "system/kxTypes_Variant.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Trim.h"
#include "system/kxDateTime.h"
#include "text/kxConversion.h"
#include "text/kxStrings_Search.h"

AnsiString ShortDateFormatA() { return ToUtf8(FormatSettings().ShortDateFormat); }

namespace TkxTypes {

namespace {

// ---- Code groups -------------------------------------------------------------------

bool IsIntegerCode(TVarType t) {
  return t == varSmallint || t == varInteger || (t >= varShortInt && t <= varInt64);
}
bool IsFloatingCode(TVarType t) { return t == varSingle || t == varDouble || t == varCurrency; }

// ---- Writing -------------------------------------------------------------------------

UnicodeString Widen(std::string_view Ascii) { return UnicodeString(Ascii.begin(), Ascii.end()); }

void AppendDigits(UnicodeString& Out, uint32_t Value, int Width) {
  char16_t buf[10];
  int n = 0;
  do {
    buf[n++] = static_cast<char16_t>(u'0' + Value % 10);
    Value /= 10;
  } while (Value != 0);
  for (int i = n; i < Width; ++i) Out += u'0';
  while (n > 0) Out += buf[--n];
}

// The date text of the value text. The pattern follows the double's integral
// part I and fraction F: F = 0 a date, I = 0 a time, else both. The fields
// come from the decoder, which rounds to whole milliseconds; the milliseconds
// are then dropped (Json writes them). The time separator is always ":", so
// that the text reads back on any machine. Raises EConvertError for a value
// outside the calendar.
UnicodeString DateText(double Value, bool Json) {
  const double whole = std::trunc(Value);
  const bool hasDate = whole != 0.0;
  const bool hasTime = Value - whole != 0.0;
  uint16_t y, mo, d, h, mi, s, ms;
  UnicodeString out;
  out.reserve(24);
  if (!hasTime || hasDate) {
    DecodeDateTime(TDateTime(Value), y, mo, d, h, mi, s, ms);
    AppendDigits(out, y, 4);
    out += u'-';
    AppendDigits(out, mo, 2);
    out += u'-';
    AppendDigits(out, d, 2);
    if (!hasTime) return out;
    out += Json ? u'T' : u' ';
  } else {
    DecodeTime(TDateTime(Value), h, mi, s, ms);
  }
  AppendDigits(out, h, 2);
  out += u':';
  AppendDigits(out, mi, 2);
  out += u':';
  AppendDigits(out, s, 2);
  if (Json && hasDate) {
    out += u'.';
    AppendDigits(out, ms, 3);
    out += u'Z';
  }
  return out;
}

UnicodeString ValueText(const Variant& Value, bool Json) {
  try {
    const TVarType t = Value.VarType();
    if (t == varEmpty || t == varNull) return UnicodeString();
    if (IsIntegerCode(t)) return Widen(TkxConversion::IntToStr(Value.ToInt64()));
    if (IsFloatingCode(t)) return Widen(TkxConversion::FloatToStr(Value));
    if (t == varDate) return DateText(Value.ToDateTime().Val, Json);
    if (t == varBoolean) return TkxConversion::BoolToStr(Value.ToBoolean());
    return TkxTypes::VarToStr(Value);
  } catch (...) {
    return UnicodeString();
  }
}

// ---- Reading numbers from text ------------------------------------------------------

// The longest leading number of Text, the first "," read as ".": blanks,
// sign, digits, ".", digits, exponent; the rest is ignored. 0 when there is
// no digit. A magnitude beyond the double range gives an infinity, one below
// it a zero.
double LeadingNumber(std::u16string_view Text) {
  const size_t comma = Text.find(u',');
  auto at = [&](size_t i) { return i == comma ? u'.' : Text[i]; };
  auto digit = [&](size_t i) { return i < Text.size() && at(i) >= u'0' && at(i) <= u'9'; };
  size_t p = 0;
  while (p < Text.size() && Text[p] == u' ') ++p;
  bool negative = false;
  if (p < Text.size() && (Text[p] == u'+' || Text[p] == u'-')) negative = Text[p++] == u'-';

  // The digits without the sign. firstExponent, one more than the decimal
  // exponent of the first significant digit, tells huge from tiny should the
  // value leave the double range.
  std::string number;
  size_t intDigits = 0, fracDigits = 0;
  int64_t firstExponent = 0;
  bool significant = false;
  for (; digit(p); ++p, ++intDigits) {
    number += static_cast<char>(at(p));
    if (!significant && at(p) != u'0') significant = true;
    if (significant) ++firstExponent;
  }
  if (p < Text.size() && at(p) == u'.') {
    number += '.';
    for (++p; digit(p); ++p, ++fracDigits) {
      number += static_cast<char>(at(p));
      if (!significant && at(p) != u'0') significant = true;
      if (!significant) --firstExponent;
    }
  }
  if (intDigits + fracDigits == 0) return 0.0;
  if (p < Text.size() && (at(p) == u'e' || at(p) == u'E')) {
    size_t q = p + 1;
    const bool minus = q < Text.size() && Text[q] == u'-';
    if (q < Text.size() && (Text[q] == u'+' || Text[q] == u'-')) ++q;
    if (digit(q)) {
      int64_t exponent = 0;  // saturated: far beyond any double either way
      for (; digit(q); ++q) exponent = std::min<int64_t>(exponent * 10 + (at(q) - u'0'), 1'000'000);
      if (minus) exponent = -exponent;
      char buf[16];
      number += 'e';
      number.append(buf, std::to_chars(buf, buf + sizeof buf, exponent).ptr);
      firstExponent += exponent;
    }
  }
  double value = 0.0;
  if (std::from_chars(number.data(), number.data() + number.size(), value).ec ==
      std::errc::result_out_of_range)
    value = firstExponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return negative ? -value : value;
}

[[noreturn]] void RaiseOverflow(const Variant& V, TVarType Target) {
  throw EVariantOverflowError(u"Overflow while converting variant of type (" +
                              VarTypeAsText(V.VarType()) + u") into type (" +
                              VarTypeAsText(Target) + u")");
}

// The nearest whole number to Value, halves to even, within [Low, High];
// not-a-number and values beyond raise EVariantOverflowError.
int64_t RoundChecked(const Variant& V, double Value, double Low, double HighExclusive,
                     TVarType Target) {
  const double r = std::nearbyint(Value);
  if (!(r >= Low && r < HighExclusive)) RaiseOverflow(V, Target);
  return static_cast<int64_t>(r);
}

// ---- Dates and UTC milliseconds -------------------------------------------------------

constexpr int64_t kMsPerDay = 86'400'000;
constexpr int64_t kUnixEpochDay = 719'163;  // 1970-01-01 in time-stamp days
constexpr int64_t kLastDay = 3'652'059;     // 9999-12-31

bool ValidStamp(const TTimeStamp& S) { return S.Time >= 0 && S.Time < kMsPerDay && S.Date > 0; }

// Milliseconds since 1970-01-01 of a value taken as UTC, through the time
// stamp (so the platform's rule for days before 1899-12-30 holds). False
// outside the years 1 to 9999.
bool DateTimeToUnixMs(TDateTime Value, int64_t& Ms) {
  if (!(std::fabs(Value.Val) < 3e6)) return false;  // NaN, infinities, far beyond 9999
  const TTimeStamp s = DateTimeToTimeStamp(Value);
  if (s.Date < 1 || s.Date > kLastDay) return false;
  Ms = (s.Date - kUnixEpochDay) * kMsPerDay + s.Time;
  return true;
}

bool UnixMsToDateTime(int64_t Ms, TDateTime& Value) {
  int64_t day = Ms / kMsPerDay;
  int64_t time = Ms % kMsPerDay;
  if (time < 0) {
    time += kMsPerDay;
    --day;
  }
  const int64_t date = day + kUnixEpochDay;
  if (date < 1 || date > kLastDay) return false;
  Value = TimeStampToDateTime(TTimeStamp{static_cast<int32_t>(time), static_cast<int32_t>(date)});
  return true;
}

// The date of a value text; Null for a text with "#" or "h" that is no valid
// time stamp. Raises nothing for ordinary misses.
Variant DateFromText(const UnicodeString& Value) {
  double value = 0.0;
  if (Value.find_first_of(u"#h") != UnicodeString::npos) {
    TTimeStamp stamp;
    if (!TkxDateTime::StrToTimeStamp(Value, stamp) || !ValidStamp(stamp)) return Variant::Null();
    value = TimeStampToDateTime(stamp).Val;
  }
  if (value == 0.0) {
    // The date formats "yyyy-mm-dd", the user's short date format and
    // "dd.mm.yyyy", each with every time format. The first format, the one
    // the value text is written in, is tried alone first (NaN marks "not
    // read"), so the user's format is looked up only when needed; the order
    // of the attempts is the same.
    const TDateTime notRead(std::numeric_limits<double>::quiet_NaN());
    const std::vector<UnicodeString> timeFormats = {u"hh:nn:ss", FormatSettings().LongTimeFormat};
    static const std::vector<UnicodeString> iso = {u"yyyy-mm-dd"};
    value = TkxDateTime::StrToDateTimeExt(Value, iso, timeFormats, notRead).Val;
    if (std::isnan(value)) {
      const std::vector<UnicodeString> others = {TkxDateTime::ShortDateFormat(), u"dd.mm.yyyy"};
      value = TkxDateTime::StrToDateTimeExt(Value, others, timeFormats, TDateTime()).Val;
    }
  }
  return Variant::FromDate(TDateTime(value));
}

}  // namespace

// ---- Type codes and names ------------------------------------------------------

TVarType GetVarType(const Variant& Value) { return Value.VarType(); }

namespace {

// The type names both ways: a code's name is its first row; the rows after
// the canonical ones are other names that read as the same code.
struct VarTypeName {
  std::u16string_view Text;
  TVarType Code;
};
constexpr VarTypeName kVarTypeNames[] = {
    {u"EMPTY", varEmpty},       {u"NULL", varNull},        {u"SMALLINT", varSmallint},
    {u"INT", varInteger},       {u"SINGLE", varSingle},    {u"DOUBLE", varDouble},
    {u"CURRENCY", varCurrency}, {u"DATE", varDate},        {u"UCS2STR", varOleStr},
    {u"DISPATCH", varDispatch}, {u"ERROR", varError},      {u"BOOLEAN", varBoolean},
    {u"VARIANT", varVariant},   {u"UNKNOWN", varUnknown},  {u"SHORTINT", varShortInt},
    {u"BYTE", varByte},         {u"WORD", varWord},        {u"LONGWORD", varLongWord},
    {u"INT64", varInt64},       {u"STRARG", varStrArg},    {u"USTRARG", varUStrArg},
    {u"STRING", varString},     {u"ANY", varAny},          {u"UCS4STR", varUString},
    {u"TYPEMASK", varTypeMask}, {u"ARRAY", varArray},      {u"BYREF", varByRef},
    // other names
    {u"BOOL", varBoolean},      {u"FLOAT", varDouble},     {u"REAL", varDouble},
    {u"TIME", varDate},
};

}  // namespace

UnicodeString GetVarTypeStr(TVarType VarType) {
  for (const VarTypeName& n : kVarTypeNames)
    if (n.Code == VarType) return UnicodeString(n.Text);
  return u"UNKNOWN";  // every unnamed code
}

TVarType GetVarTypeFromStr(const UnicodeString& VarType, TVarType Default) {
  const UnicodeString key = UpperText(TrimBlanks(VarType));
  for (const VarTypeName& n : kVarTypeNames)
    if (n.Text == key) return n.Code;
  return Default;
}

TVarType GetVarTypeFromFieldDataType(TkxFieldDataType DataType) {
  switch (DataType) {
    case kxFDT_Date: return varDate;
    case kxFDT_Float: return varDouble;
    case kxFDT_Currency: return varCurrency;
    case kxFDT_Boolean: return varBoolean;
    default: return varOleStr;
  }
}

// ---- The value text ---------------------------------------------------------------

UnicodeString VarToStrExt(const Variant& Value) { return ValueText(Value, false); }

UnicodeString VarToJSONStrExt(const Variant& Value) { return ValueText(Value, true); }

Variant StrToVarExt(const UnicodeString& Value, TVarType VarType) {
  try {
    if (VarType == varEmpty || VarType == varNull)
      return Value.empty() ? Variant::Null() : Variant::FromUString(Value);
    if (IsIntegerCode(VarType)) return Variant::FromInt64(TkxConversion::StrToInt(Value, -1));
    if (IsFloatingCode(VarType))
      return Variant::FromDouble(TkxConversion::StrToReal(Value, false, 0.0));
    if (VarType == varDate) return DateFromText(Value);
    if (VarType == varBoolean) return Variant::FromBoolean(TkxConversion::StrToBool(Value));
    return Variant::FromUString(Value);
  } catch (...) {
    return Variant::Null();
  }
}

Variant StrToVarExt(const UnicodeString& Value, const UnicodeString& VarType) {
  const bool prefixed = VarType.starts_with(u"CDT_");
  const UnicodeString name = prefixed ? VarType.substr(4) : VarType;
  return StrToVarExt(Value, GetVarTypeFromStr(name, varUnknown));
}

// ---- Tests ---------------------------------------------------------------------------

bool IsStringVariant(const Variant& myVar) {
  const TVarType t = myVar.VarType();
  return t == varOleStr || t == varStrArg || t == varUStrArg || t == varString || t == varUString;
}

bool IsNumericVariant(const Variant& myVar) {
  const TVarType t = myVar.VarType();
  return t == varSmallint || t == varInteger || (t >= varShortInt && t <= varUInt64);
}

bool IsMathVariant(const Variant& myVar) {
  const TVarType t = myVar.VarType();
  return (t >= varSmallint && t <= varDate) || (t >= varShortInt && t <= varUInt64);
}

bool IsFloatVariant(const Variant& myVar) { return IsFloatingCode(myVar.VarType()); }

bool IsArrayVariant(const Variant& myVar) {
  return myVar.IsArray() && VarArrayDimCount(myVar) >= 1;
}

bool IsBooleanVariant(const Variant& myVar) { return myVar.VarType() == varBoolean; }

bool IsDateVariant(const Variant& myVar) { return myVar.VarType() == varDate; }

bool IsMathVarType(TVarType VarType) {
  return (VarType >= varSmallint && VarType <= varCurrency) ||
         (VarType >= varShortInt && VarType <= varUInt64);
}

bool VarIsType(const Variant& V, const std::vector<int32_t>& AVarTypes) {
  const Variant* v = &V;
  try {
    v = &VarDeref(V);
  } catch (const EVariantError&) {
    return false;
  }
  for (int32_t code : AVarTypes)
    if (code == v->VarType()) return true;
  return false;
}

bool VarIsInitial(const Variant& myVar) { return myVar.IsEmpty() || myVar.IsNull(); }

// ---- Conversions -----------------------------------------------------------------

namespace {

// VarToInteger and VarToInt64: texts read leniently and rounded; opaque
// references and Null 0; a Boolean 1 or 0; every other code (integers,
// floating values, currency, dates, the rest) by the platform's conversion,
// which rounds halves to even and raises on overflow.
int64_t WholeNumber(const Variant& V, TVarType Target) {
  const bool wide = Target == varInt64;
  switch (V.VarType()) {
    case varOleStr: case varString: case varUString:
      return wide ? RoundChecked(V, LeadingNumber(V.ToString()), -9223372036854775808.0,
                                 9223372036854775808.0, Target)
                  : RoundChecked(V, LeadingNumber(V.ToString()), -2147483648.0, 2147483648.0,
                                 Target);
    case varDispatch: case varUnknown: case varNull:
      return 0;
    case varBoolean:
      return V.ToBoolean() ? 1 : 0;
    default:
      return wide ? V.ToInt64() : V.ToInteger();
  }
}

}  // namespace

int32_t VarToInteger(const Variant& V) {
  return static_cast<int32_t>(WholeNumber(V, varInteger));
}

int64_t VarToInt64(const Variant& V) { return WholeNumber(V, varInt64); }

double VarToFloat(const Variant& V) {
  switch (V.VarType()) {
    case varOleStr: case varString: case varUString:
      return LeadingNumber(V.ToString());
    case varDispatch: case varUnknown: case varNull:
      return 0.0;
    case varBoolean:
      return V.ToBoolean() ? 1.0 : 0.0;
    default:  // numbers, dates (their day number), the rest by the platform
      return V.ToDouble();
  }
}

bool VarToBoolean(const Variant& V) { return VarToInteger(V) != 0; }

TDateTime VarToDateTime(const Variant& V) { return V.ToDateTime(); }

int64_t VarToIntObject(const Variant& V) { return VarToInt64(V); }

TObject* VarToObject(const Variant& V) {
  return reinterpret_cast<TObject*>(static_cast<intptr_t>(VarToInt64(V)));
}

Variant ObjectToVar(TObject* Obj) {
  return Variant::FromInt64(static_cast<int64_t>(reinterpret_cast<intptr_t>(Obj)));
}

TWideStringArray VarArrayAsStringArray(const Variant& V) {
  if (VarArrayDimCount(V) != 1) throw Exception(u"invalid array dimension");
  const int64_t low = VarArrayLowBound(V, 1);
  const int64_t high = VarArrayHighBound(V, 1);
  TWideStringArray result;
  result.reserve(static_cast<size_t>(high - low + 1));
  for (int64_t i = low; i <= high; ++i)
    result.push_back(TkxTypes::VarToStr(VarArrayGet(V, static_cast<int32_t>(i))));
  return result;
}

// ---- Document-model values -------------------------------------------------------

BsonValue VarToBsonValueByRef(Variant& AValue, bool AISO8601DateStrings) {
  try {
    const TVarType t = AValue.VarType();
    if (t == varEmpty || t == varNull) return BsonValue::Null();
    if (IsIntegerCode(t)) return BsonValue::Int64(VarToInt64(AValue));
    if (IsFloatingCode(t)) return BsonValue::Double(VarToFloat(AValue));
    if (t == varDate) {
      const TDateTime d = AValue.ToDateTime();
      if (AISO8601DateStrings) return BsonValue::String(TkxDateTime::DateTimeToISO8601Str(d));
      int64_t ms;
      return DateTimeToUnixMs(d, ms) ? BsonValue::DateTime(ms) : BsonValue::Null();
    }
    if (t == varBoolean) return BsonValue::Boolean(VarToBoolean(AValue));
    return BsonValue::String(TkxTypes::VarToStr(AValue));
  } catch (...) {
    return BsonValue::Null();
  }
}

Variant BsonValueToVariantByRef(const BsonValue& AValue, TVarType AVarType) {
  try {
    switch (AValue.Kind()) {
      case BsonKind::Double:
        return Variant::FromDouble(AValue.AsDouble());
      case BsonKind::String:
        if (AVarType == varDate)
          return Variant::FromDate(TkxDateTime::ISO8601ToDateTime(AValue.AsString(), false));
        return Variant::FromUString(AValue.AsString());
      case BsonKind::Binary:
        return Variant::FromByteArray(AValue.BinaryData());
      case BsonKind::ObjectId: {
        static constexpr char16_t kHex[] = u"0123456789abcdef";
        UnicodeString hex;
        for (uint8_t b : AValue.AsObjectId()) {
          hex += kHex[b >> 4];
          hex += kHex[b & 15];
        }
        return Variant::FromUString(hex);
      }
      case BsonKind::Boolean:
        return Variant::FromBoolean(AValue.AsBoolean());
      case BsonKind::DateTime: {
        TDateTime d;
        return UnixMsToDateTime(AValue.AsDateTime(), d) ? Variant::FromDate(d) : Variant::Null();
      }
      case BsonKind::Int32:
        return Variant::FromInteger(AValue.AsInt32());
      case BsonKind::Timestamp:  // seconds above 2^31 - 1 wrap, as a 32-bit integer does
        return Variant::FromInteger(static_cast<int32_t>(AValue.TimestampSeconds()));
      case BsonKind::Int64:
        return Variant::FromInt64(AValue.AsInt64());
      default:  // null, documents, arrays and the kinds the system has no value for
        return Variant::Null();
    }
  } catch (...) {
    return Variant::Null();
  }
}

Variant BsonValueToVariant(const BsonValue& AValue, TVarType AVarType) {
  return BsonValueToVariantByRef(AValue, AVarType);
}

}  // namespace TkxTypes
