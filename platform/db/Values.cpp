#include "platform/db/Values.h"

#include <charconv>
#include <limits>

#include "platform/db/Connection.h"

namespace kx::platform::db {
namespace {

UnicodeString Digits(int64_t Value, int Width) {
  char buffer[24];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, Value);
  std::string text(buffer, r.ptr);
  if (static_cast<int>(text.size()) < Width) text.insert(0, static_cast<size_t>(Width) - text.size(), '0');
  return ToUtf16(text);
}

// Reads exactly Count digits at Pos.
bool ReadDigits(std::u16string_view Text, size_t& Pos, size_t Count, uint16_t& Value) {
  if (Pos + Count > Text.size()) return false;
  Value = 0;
  for (size_t i = 0; i < Count; ++i) {
    const char16_t c = Text[Pos + i];
    if (c < u'0' || c > u'9') return false;
    Value = static_cast<uint16_t>(Value * 10 + (c - u'0'));
  }
  Pos += Count;
  return true;
}

bool ReadTime(std::u16string_view Text, size_t& Pos, uint16_t& H, uint16_t& N, uint16_t& S,
              uint16_t& Z) {
  S = Z = 0;
  if (!ReadDigits(Text, Pos, 2, H) || Pos >= Text.size() || Text[Pos++] != u':' ||
      !ReadDigits(Text, Pos, 2, N))
    return false;
  if (Pos < Text.size() && Text[Pos] == u':') {
    ++Pos;
    if (!ReadDigits(Text, Pos, 2, S)) return false;
    if (Pos < Text.size() && Text[Pos] == u'.') {
      ++Pos;
      // Milliseconds from up to nine fraction digits, rounded.
      uint32_t ms = 0, scale = 1;
      size_t digits = 0;
      while (Pos < Text.size() && Text[Pos] >= u'0' && Text[Pos] <= u'9') {
        if (digits < 4) {
          ms = ms * 10 + static_cast<uint32_t>(Text[Pos] - u'0');
          scale *= 10;
        }
        ++digits;
        ++Pos;
      }
      if (digits == 0) return false;
      Z = static_cast<uint16_t>((ms * 1000 + scale / 2) / scale);
      if (Z > 999) Z = 999;
    }
  }
  return true;
}

}  // namespace

BindValue Classify(const Variant& Value) {
  const Variant& v = VarDeref(Value);
  BindValue b;
  switch (v.VarType()) {
    case varEmpty:
    case varNull:
      break;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      b.Kind = BindValue::Integer;
      b.Int = v.ToInt64();
      break;
    case varUInt64: {
      const uint64_t u = v.ToUInt64();
      if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        throw EDatabaseError("an unsigned 64-bit parameter above 2^63 - 1 cannot be bound");
      b.Kind = BindValue::Integer;
      b.Int = static_cast<int64_t>(u);
      break;
    }
    case varSingle:
    case varDouble:
      b.Kind = BindValue::Double;
      b.Dbl = v.ToDouble();
      break;
    case varCurrency:
      b.Kind = BindValue::Decimal;
      b.Cur = v.ToCurrency();
      b.Str = CurrToStr(b.Cur, u'.');
      break;
    case varBoolean:
      b.Kind = BindValue::Boolean;
      b.Int = v.ToBoolean() ? 1 : 0;
      break;
    case varDate:
      b.Kind = BindValue::Date;
      b.Time = v.ToDateTime();
      b.Str = DateTimeText(b.Time);
      break;
    case varOleStr:
    case varUString:
    case varUStrArg:
      b.Kind = BindValue::Text;
      b.Str = v.ToString();
      break;
    case varString:
    case varStrArg:
      b.Kind = BindValue::Bytes;
      b.Data = v.ToAnsiString();
      break;
    case varArray | varByte: {
      b.Kind = BindValue::Bytes;
      const int32_t low = VarArrayLowBound(v, 1), high = VarArrayHighBound(v, 1);
      b.Data.reserve(static_cast<size_t>(high - low + 1));
      for (int32_t i = low; i <= high; ++i)
        b.Data.push_back(static_cast<char>(VarArrayGet(v, i).ToInteger()));
      break;
    }
    default:
      throw EDatabaseError(u"a parameter of type " + VarTypeAsText(v.VarType()) +
                           u" cannot be bound");
  }
  return b;
}

Variant IntegerValue(int64_t Value) {
  if (Value >= std::numeric_limits<int32_t>::min() && Value <= std::numeric_limits<int32_t>::max())
    return Variant::FromInteger(static_cast<int32_t>(Value));
  return Variant::FromInt64(Value);
}

UnicodeString DateTimeText(TDateTime Value) {
  uint16_t y, m, d, h, n, s, z;
  DecodeDateTime(Value, y, m, d, h, n, s, z);
  return Digits(y, 4) + u"-" + Digits(m, 2) + u"-" + Digits(d, 2) + u" " + Digits(h, 2) + u":" +
         Digits(n, 2) + u":" + Digits(s, 2) + u"." + Digits(z, 3);
}

bool ParseDateTimeText(std::u16string_view Text, TDateTime& Value) {
  size_t p = 0;
  uint16_t y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, z = 0;
  if (Text.size() >= 5 && Text[2] == u':') {
    if (!ReadTime(Text, p, h, n, s, z) || p != Text.size()) return false;
    return TryEncodeTime(h, n, s, z, Value);
  }
  if (!ReadDigits(Text, p, 4, y) || p >= Text.size() || Text[p++] != u'-' ||
      !ReadDigits(Text, p, 2, m) || p >= Text.size() || Text[p++] != u'-' ||
      !ReadDigits(Text, p, 2, d))
    return false;
  if (p < Text.size()) {
    if (Text[p] != u' ' && Text[p] != u'T') return false;
    ++p;
    if (!ReadTime(Text, p, h, n, s, z) || p != Text.size()) return false;
  }
  return TryEncodeDateTime(y, m, d, h, n, s, z, Value);
}

UnicodeString FieldText(const Variant& Value) {
  switch (Value.VarType()) {
    case varNull:
    case varEmpty:
      return UnicodeString();
    case varDouble: {
      char buffer[32];
      const auto r = std::to_chars(buffer, buffer + sizeof buffer, Value.ToDouble());
      return ToUtf16(std::string_view(buffer, static_cast<size_t>(r.ptr - buffer)));
    }
    case varDate:
      return DateTimeText(Value.ToDateTime());
    case varBoolean:
      return Value.ToBoolean() ? u"1" : u"0";
    case varString:
      return ToUtf16(Value.ToAnsiString());
    default:
      return Value.ToString();
  }
}

}  // namespace kx::platform::db
