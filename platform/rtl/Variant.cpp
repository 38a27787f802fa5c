#include "platform/rtl/Variant.h"

#include <atomic>
#include <cmath>
#include <iterator>
#include <limits>
#include <new>
#include <vector>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/NumberText.h"

// Elements in the order of the platform's safe arrays: the first index runs
// fastest. Byte arrays hold their elements as bytes (blobs arrive as byte
// arrays), every other type as Variants.
struct Variant::ArrayData {
  TVarType ElemType = varVariant;
  std::vector<TVarArrayBound> Bounds;
  std::vector<Variant> Items;  // every element type but varByte
  ByteBuffer Bytes;            // varByte
};

namespace {

// Payload kinds by type code.
bool IsIntegerCode(TVarType t) {
  switch (t) {
    case varSmallint: case varInteger: case varError: case varShortInt:
    case varByte: case varWord: case varLongWord: case varInt64:
      return true;
    default:
      return false;
  }
}
bool IsFloatCode(TVarType t) { return t == varSingle || t == varDouble || t == varDate; }
bool IsUnicodeTextCode(TVarType t) { return t == varOleStr || t == varUStrArg || t == varUString; }
bool IsAnsiTextCode(TVarType t) { return t == varString || t == varStrArg; }

bool IsArrayElementCode(TVarType t) {
  return (t >= varSmallint && t <= varOleStr) || t == varError || t == varBoolean ||
         t == varVariant || (t >= varShortInt && t <= varUInt64);
}

// Nearest integer, an exact half to the even neighbour. x is finite; the
// difference x - floor(x) is exact for every double.
double RoundHalfEven(double x) {
  double whole = std::floor(x);
  const double fraction = x - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  return whole;
}

}  // namespace

// --- Factories --------------------------------------------------------------

Variant Variant::Null() { return Variant(varNull, std::monostate{}); }
Variant Variant::FromSmallint(int16_t Value) { return Variant(varSmallint, int64_t{Value}); }
Variant Variant::FromInteger(int32_t Value) { return Variant(varInteger, int64_t{Value}); }
Variant Variant::FromSingle(float Value) { return Variant(varSingle, double{Value}); }
Variant Variant::FromDouble(double Value) { return Variant(varDouble, Value); }
Variant Variant::FromCurrency(Currency Value) { return Variant(varCurrency, Value); }
Variant Variant::FromDate(TDateTime Value) { return Variant(varDate, Value.Val); }
Variant Variant::FromOleStr(UnicodeString Value) { return Variant(varOleStr, std::move(Value)); }
Variant Variant::FromError(int32_t Code) { return Variant(varError, int64_t{Code}); }
Variant Variant::FromBoolean(bool Value) { return Variant(varBoolean, Value); }
Variant Variant::FromShortInt(int8_t Value) { return Variant(varShortInt, int64_t{Value}); }
Variant Variant::FromByte(uint8_t Value) { return Variant(varByte, int64_t{Value}); }
Variant Variant::FromWord(uint16_t Value) { return Variant(varWord, int64_t{Value}); }
Variant Variant::FromLongWord(uint32_t Value) { return Variant(varLongWord, int64_t{Value}); }
Variant Variant::FromInt64(int64_t Value) { return Variant(varInt64, Value); }
Variant Variant::FromUInt64(uint64_t Value) { return Variant(varUInt64, Value); }
Variant Variant::FromStrArg(AnsiString Value) { return Variant(varStrArg, std::move(Value)); }
Variant Variant::FromUStrArg(UnicodeString Value) { return Variant(varUStrArg, std::move(Value)); }
Variant Variant::FromString(AnsiString Value) { return Variant(varString, std::move(Value)); }
Variant Variant::FromUString(UnicodeString Value) { return Variant(varUString, std::move(Value)); }
Variant Variant::FromVariantRef(const Variant& Target) {
  return Variant(static_cast<TVarType>(varByRef | varVariant), static_cast<const void*>(&Target));
}
Variant Variant::FromDispatch(const void* Ref) { return Variant(varDispatch, Ref); }
Variant Variant::FromUnknown(const void* Ref) { return Variant(varUnknown, Ref); }

const void* Variant::OpaqueRef() const {
  return type_ == varDispatch || type_ == varUnknown ? std::get<const void*>(value_) : nullptr;
}

const Variant& VarDeref(const Variant& V) {
  const Variant* v = &V;
  for (int hops = 0; v->IsVariantRef(); ++hops) {
    if (hops == 64) throw EVariantError(u"Variant reference chain too deep");
    v = static_cast<const Variant*>(std::get<const void*>(v->value_));
  }
  return *v;
}

// --- Errors -----------------------------------------------------------------

UnicodeString VarTypeAsText(TVarType Code) {
  static constexpr const char16_t* kNames[] = {
      u"Empty", u"Null", u"Smallint", u"Integer", u"Single", u"Double", u"Currency",
      u"Date", u"OleStr", u"Dispatch", u"Error", u"Boolean", u"Variant", u"Unknown",
      nullptr, nullptr, u"ShortInt", u"Byte", u"Word", u"LongWord", u"Int64", u"UInt64"};
  const TVarType base = Code & varTypeMask;
  UnicodeString name;
  if (base < std::size(kNames) && kNames[base] != nullptr) {
    name = kNames[base];
  } else if (base == varString) {
    name = u"String";
  } else if (base == varAny) {
    name = u"Any";
  } else if (base == varUString) {
    name = u"UnicodeString";
  } else {
    name = u"$" + IntToHex(int32_t{base}, 4);
  }
  if ((Code & varArray) != 0) name = u"Array " + name;
  if ((Code & varByRef) != 0) name = u"ByRef " + name;
  return name;
}

void Variant::CastError(TVarType Target) const {
  throw EVariantTypeCastError(u"Could not convert variant of type (" + VarTypeAsText(type_) +
                              u") into type (" + VarTypeAsText(Target) + u")");
}

void Variant::OverflowError(TVarType Target) const {
  throw EVariantOverflowError(u"Overflow while converting variant of type (" +
                              VarTypeAsText(type_) + u") into type (" + VarTypeAsText(Target) +
                              u")");
}

// --- Numeric conversions ----------------------------------------------------

// Every value with a numeric meaning as a whole number (rounded half to even),
// for the integer targets; texts are read by the caller.
int64_t Variant::RoundedInt64(TVarType Target) const {
  if (type_ == varEmpty) return 0;
  if (IsIntegerCode(type_)) return std::get<int64_t>(value_);
  if (type_ == varUInt64) {
    const uint64_t u = std::get<uint64_t>(value_);
    if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) OverflowError(Target);
    return static_cast<int64_t>(u);
  }
  if (type_ == varBoolean) return std::get<bool>(value_) ? -1 : 0;
  if (IsFloatCode(type_)) {
    const double d = std::get<double>(value_);
    if (!std::isfinite(d)) OverflowError(Target);
    const double r = RoundHalfEven(d);
    // [-2^63, 2^63): both bounds are exact doubles.
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) OverflowError(Target);
    return static_cast<int64_t>(r);
  }
  if (type_ == varCurrency) {
    const int64_t raw = std::get<Currency>(value_).Raw();
    int64_t q = raw / 10000;
    const int64_t r = raw % 10000;  // sign of raw
    if (r > 5000 || (r == 5000 && (q & 1) != 0)) ++q;
    if (r < -5000 || (r == -5000 && (q & 1) != 0)) --q;
    return q;
  }
  CastError(Target);
}

int32_t Variant::ToInteger() const {
  if (IsVariantRef()) return VarDeref(*this).ToInteger();
  if (IsUnicodeTextCode(type_) || IsAnsiTextCode(type_)) {
    const UnicodeString text = ToString();
    int32_t v;
    if (TryStrToInt(text, v)) return v;
    int64_t wide;
    if (TryStrToInt64(text, wide)) OverflowError(varInteger);
    CastError(varInteger);
  }
  const int64_t v = RoundedInt64(varInteger);
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    OverflowError(varInteger);
  return static_cast<int32_t>(v);
}

int64_t Variant::AsInt64(TVarType Target) const {
  if (IsUnicodeTextCode(type_) || IsAnsiTextCode(type_)) {
    int64_t v;
    if (!TryStrToInt64(ToString(), v)) CastError(Target);
    return v;
  }
  return RoundedInt64(Target);
}

int64_t Variant::ToInt64() const {
  if (IsVariantRef()) return VarDeref(*this).ToInt64();
  return AsInt64(varInt64);
}

uint64_t Variant::ToUInt64() const {
  if (IsVariantRef()) return VarDeref(*this).ToUInt64();
  if (IsUnicodeTextCode(type_) || IsAnsiTextCode(type_)) {
    uint64_t v;
    if (!TryStrToUInt64(ToString(), v)) CastError(varUInt64);
    return v;
  }
  if (type_ == varUInt64) return std::get<uint64_t>(value_);
  if (IsFloatCode(type_)) {
    const double d = std::get<double>(value_);
    const double r = std::isfinite(d) ? RoundHalfEven(d) : -1.0;
    if (r < 0.0 || r >= 18446744073709551616.0) OverflowError(varUInt64);
    return static_cast<uint64_t>(r);
  }
  const int64_t v = RoundedInt64(varUInt64);
  if (v < 0) OverflowError(varUInt64);
  return static_cast<uint64_t>(v);
}

double Variant::ToDouble() const {
  if (IsVariantRef()) return VarDeref(*this).ToDouble();
  if (type_ == varEmpty) return 0.0;
  if (IsIntegerCode(type_)) return static_cast<double>(std::get<int64_t>(value_));
  if (type_ == varUInt64) return static_cast<double>(std::get<uint64_t>(value_));
  if (IsFloatCode(type_)) return std::get<double>(value_);
  if (type_ == varCurrency) return std::get<Currency>(value_).ToDouble();
  if (type_ == varBoolean) return std::get<bool>(value_) ? -1.0 : 0.0;
  if (IsUnicodeTextCode(type_) || IsAnsiTextCode(type_)) {
    double v;
    if (!TryStrToFloat(ToString(), v, FormatSettings().DecimalSeparator)) CastError(varDouble);
    return v;
  }
  CastError(varDouble);
}

Currency Variant::ToCurrency() const {
  if (IsVariantRef()) return VarDeref(*this).ToCurrency();
  if (type_ == varCurrency) return std::get<Currency>(value_);
  if (IsUnicodeTextCode(type_) || IsAnsiTextCode(type_)) {
    Currency c;
    if (!TryStrToCurr(ToString(), c, FormatSettings().DecimalSeparator)) CastError(varCurrency);
    return c;
  }
  if (IsFloatCode(type_)) {
    Currency c;
    if (!Currency::TryFromDouble(std::get<double>(value_), c)) OverflowError(varCurrency);
    return c;
  }
  constexpr int64_t kMaxWhole = std::numeric_limits<int64_t>::max() / 10000;
  if (type_ == varUInt64) {
    const uint64_t u = std::get<uint64_t>(value_);
    if (u > static_cast<uint64_t>(kMaxWhole)) OverflowError(varCurrency);
    return Currency::FromRaw(static_cast<int64_t>(u) * 10000);
  }
  const int64_t v = RoundedInt64(varCurrency);  // Empty, integers, Boolean
  if (v > kMaxWhole || v < -kMaxWhole) OverflowError(varCurrency);
  return Currency::FromRaw(v * 10000);
}

bool Variant::ToBoolean() const {
  if (IsVariantRef()) return VarDeref(*this).ToBoolean();
  if (type_ == varBoolean) return std::get<bool>(value_);
  if (IsUnicodeTextCode(type_) || IsAnsiTextCode(type_)) {
    const UnicodeString text = ToString();
    if (SameTextAscii(text, u"True")) return true;
    if (SameTextAscii(text, u"False")) return false;
    double d;
    if (TryStrToFloat(text, d, FormatSettings().DecimalSeparator)) return d != 0.0;
    int64_t i;
    if (TryStrToInt64(text, i)) return i != 0;
    CastError(varBoolean);
  }
  if (type_ == varEmpty) return false;
  if (IsIntegerCode(type_)) return std::get<int64_t>(value_) != 0;
  if (type_ == varUInt64) return std::get<uint64_t>(value_) != 0;
  if (IsFloatCode(type_)) return std::get<double>(value_) != 0.0;
  if (type_ == varCurrency) return std::get<Currency>(value_).Raw() != 0;
  CastError(varBoolean);
}

TDateTime Variant::ToDateTime() const {
  if (IsVariantRef()) return VarDeref(*this).ToDateTime();
  if (type_ == varDate) return TDateTime(std::get<double>(value_));
  if (IsUnicodeTextCode(type_) || IsAnsiTextCode(type_)) {
    TDateTime d;
    if (!TryStrToDateTime(ToString(), d, FormatSettings())) CastError(varDate);
    return d;
  }
  if (type_ == varEmpty || IsIntegerCode(type_) || type_ == varUInt64 || IsFloatCode(type_) ||
      type_ == varCurrency || type_ == varBoolean)
    return TDateTime(ToDouble());
  CastError(varDate);
}

// --- Text conversions ----------------------------------------------------

UnicodeString Variant::ToString() const {
  if (IsVariantRef()) return VarDeref(*this).ToString();
  switch (type_) {
    case varEmpty:
      return UnicodeString();
    case varSmallint: case varInteger: case varShortInt: case varByte:
    case varWord: case varLongWord: case varInt64:
      return IntToStr(std::get<int64_t>(value_));
    case varUInt64:
      return UIntToStr(std::get<uint64_t>(value_));
    case varSingle:
      return FloatToStrGeneral(std::get<double>(value_), 7, FormatSettings().DecimalSeparator);
    case varDouble:
      return FloatToStr(std::get<double>(value_), FormatSettings().DecimalSeparator);
    case varCurrency:
      return CurrToStr(std::get<Currency>(value_), FormatSettings().DecimalSeparator);
    case varDate:
      return DateTimeToStr(TDateTime(std::get<double>(value_)));
    case varBoolean:
      return std::get<bool>(value_) ? u"True" : u"False";
    case varOleStr: case varUStrArg: case varUString:
      return std::get<UnicodeString>(value_);
    case varStrArg: case varString:
      return ToUtf16(std::get<AnsiString>(value_));
    default:
      CastError(varUString);
  }
}

AnsiString Variant::ToAnsiString() const {
  if (IsVariantRef()) return VarDeref(*this).ToAnsiString();
  if (IsAnsiTextCode(type_)) return std::get<AnsiString>(value_);
  if (type_ == varNull) CastError(varString);
  return ToUtf8(ToString());
}

UnicodeString VarToStr(const Variant& V) {
  const Variant& v = VarDeref(V);
  if (v.IsEmpty() || v.IsNull()) return UnicodeString();
  return v.ToString();
}

// --- VarAsType ----------------------------------------------------------------

Variant VarAsType(const Variant& V, TVarType Code) {
  if (V.VarType() == Code) return V;
  if (V.IsVariantRef()) return VarAsType(VarDeref(V), Code);
  // The value as a whole number within [lo, hi], for the narrow integer codes.
  auto narrow = [&](int64_t lo, int64_t hi) {
    const int64_t v = V.AsInt64(Code);
    if (v < lo || v > hi) V.OverflowError(Code);
    return v;
  };
  switch (Code) {
    case varEmpty:
      return Variant();
    case varNull:
      return Variant::Null();
    case varSmallint:
      return Variant::FromSmallint(static_cast<int16_t>(narrow(INT16_MIN, INT16_MAX)));
    case varShortInt:
      return Variant::FromShortInt(static_cast<int8_t>(narrow(INT8_MIN, INT8_MAX)));
    case varByte:
      return Variant::FromByte(static_cast<uint8_t>(narrow(0, UINT8_MAX)));
    case varWord:
      return Variant::FromWord(static_cast<uint16_t>(narrow(0, UINT16_MAX)));
    case varLongWord:
      return Variant::FromLongWord(static_cast<uint32_t>(narrow(0, UINT32_MAX)));
    case varInteger:
      return Variant::FromInteger(V.ToInteger());
    case varError:
      return Variant::FromError(V.ToInteger());
    case varInt64:
      return Variant::FromInt64(V.ToInt64());
    case varUInt64:
      return Variant::FromUInt64(V.ToUInt64());
    case varSingle: {
      const double d = V.ToDouble();
      if (std::isfinite(d) && std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
        V.OverflowError(Code);
      return Variant::FromSingle(static_cast<float>(d));
    }
    case varDouble:
      return Variant::FromDouble(V.ToDouble());
    case varCurrency:
      return Variant::FromCurrency(V.ToCurrency());
    case varDate:
      return Variant::FromDate(V.ToDateTime());
    case varBoolean:
      return Variant::FromBoolean(V.ToBoolean());
    case varOleStr:
      return Variant::FromOleStr(V.ToString());
    case varUStrArg:
      return Variant::FromUStrArg(V.ToString());
    case varUString:
      return Variant::FromUString(V.ToString());
    case varStrArg:
      return Variant::FromStrArg(V.ToAnsiString());
    case varString:
      return Variant::FromString(V.ToAnsiString());
    default:
      V.CastError(Code);
  }
}

// --- Equality -------------------------------------------------------------------

bool operator==(const Variant& A, const Variant& B) {
  if (A.type_ != B.type_) return false;
  if (A.IsArray()) {
    const auto& a = *std::get<std::shared_ptr<Variant::ArrayData>>(A.value_);
    const auto& b = *std::get<std::shared_ptr<Variant::ArrayData>>(B.value_);
    return a.ElemType == b.ElemType && a.Bounds == b.Bounds && a.Items == b.Items &&
           a.Bytes == b.Bytes;
  }
  return A.value_ == B.value_;
}

// --- Arrays -----------------------------------------------------------------------

namespace {

Variant ZeroOf(TVarType ElemType) {
  switch (ElemType) {
    case varSmallint: return Variant::FromSmallint(0);
    case varInteger: return Variant::FromInteger(0);
    case varSingle: return Variant::FromSingle(0.0f);
    case varDouble: return Variant::FromDouble(0.0);
    case varCurrency: return Variant::FromCurrency(Currency());
    case varDate: return Variant::FromDate(TDateTime());
    case varOleStr: return Variant::FromOleStr(UnicodeString());
    case varError: return Variant::FromError(0);
    case varBoolean: return Variant::FromBoolean(false);
    case varShortInt: return Variant::FromShortInt(0);
    case varWord: return Variant::FromWord(0);
    case varLongWord: return Variant::FromLongWord(0);
    case varInt64: return Variant::FromInt64(0);
    case varUInt64: return Variant::FromUInt64(0);
    default: return Variant();  // varVariant
  }
}

[[noreturn]] void NotAnArray() { throw EVariantNotAnArrayError(u"Variant is not an array"); }
[[noreturn]] void BadIndex() {
  throw EVariantBadIndexError(u"Variant or safe array index out of bounds");
}
[[noreturn]] void CreateError() {
  throw EVariantArrayCreateError(u"Error creating variant or safe array");
}

constexpr int64_t kMaxElements = std::numeric_limits<int32_t>::max();

}  // namespace

struct VariantArrayAccess {
  using Data = Variant::ArrayData;

  static const Data& Of(const Variant& A) {
    if (!A.IsArray()) NotAnArray();
    return *std::get<std::shared_ptr<Data>>(A.value_);
  }

  // The array's data for changing: its own copy when another Variant shares it.
  static Data& Mutable(Variant& A) {
    auto& data = std::get<std::shared_ptr<Data>>(A.value_);
    if (data.use_count() > 1) {
      data = std::make_shared<Data>(*data);
    } else {
      // The last other holder may have let go on another thread just now.
      std::atomic_thread_fence(std::memory_order_acquire);
    }
    return *data;
  }

  static Variant Make(std::shared_ptr<Data> data) {
    const TVarType code = static_cast<TVarType>(varArray | data->ElemType);
    return Variant(code, std::move(data));
  }

  static void CheckElementType(TVarType ElemType) {
    if (!IsArrayElementCode(ElemType))
      throw EVariantBadVarTypeError(u"Invalid variant type (" + VarTypeAsText(ElemType) +
                                    u") for an array");
  }

  // Bounds: at least one dimension, each count at least 0 (checked by the
  // caller). The total count may still be too large.
  static Variant Create(const std::vector<TVarArrayBound>& Bounds, TVarType ElemType) {
    int64_t count = 1;
    for (const auto& b : Bounds) {
      count *= b.ElementCount;
      if (count > kMaxElements) CreateError();
    }
    auto data = std::make_shared<Data>();
    data->ElemType = ElemType;
    data->Bounds = Bounds;
    try {
      if (ElemType == varByte)
        data->Bytes = ByteBuffer(std::string(static_cast<size_t>(count), '\0'));
      else
        data->Items.assign(static_cast<size_t>(count), ZeroOf(ElemType));
    } catch (const std::bad_alloc&) {
      CreateError();
    }
    return Make(std::move(data));
  }

  // The element's place in the element store.
  static size_t Offset(const Data& data, const int32_t* Indices, size_t Count) {
    if (Count != data.Bounds.size()) BadIndex();
    int64_t offset = 0;
    int64_t stride = 1;
    for (size_t d = 0; d < Count; ++d) {
      const auto& b = data.Bounds[d];
      const int64_t i = int64_t{Indices[d]} - b.LowBound;
      if (i < 0 || i >= b.ElementCount) BadIndex();
      offset += i * stride;
      stride *= b.ElementCount;
    }
    return static_cast<size_t>(offset);
  }

  static Variant Get(const Variant& A, const int32_t* Indices, size_t Count) {
    const Data& data = Of(A);
    const size_t at = Offset(data, Indices, Count);
    if (data.ElemType == varByte)
      return Variant::FromByte(static_cast<uint8_t>(data.Bytes.View()[at]));
    return data.Items[at];
  }

  static void Put(Variant& A, const Variant& Value, const int32_t* Indices, size_t Count) {
    const size_t at = Offset(Of(A), Indices, Count);
    const TVarType elemType = Of(A).ElemType;
    // Convert first: a value that does not convert leaves the array unchanged.
    Variant element = elemType == varVariant ? Value : VarAsType(Value, elemType);
    Data& data = Mutable(A);
    if (elemType == varByte)
      data.Bytes.Mutable()[at] = static_cast<char>(element.ToInteger());
    else
      data.Items[at] = std::move(element);
  }
};

Variant Variant::FromByteArray(ByteBuffer Bytes) {
  if (static_cast<uint64_t>(Bytes.Size()) > static_cast<uint64_t>(kMaxElements)) CreateError();
  auto data = std::make_shared<ArrayData>();
  data->ElemType = varByte;
  data->Bounds = {TVarArrayBound{0, static_cast<int32_t>(Bytes.Size())}};
  data->Bytes = std::move(Bytes);
  return VariantArrayAccess::Make(std::move(data));
}

Variant VarArrayCreate(int32_t Low, int32_t High, TVarType ElemType) {
  return VarArrayCreate(std::vector<int32_t>{Low, High}, ElemType);
}

Variant VarArrayCreate(const std::vector<int32_t>& Bounds, TVarType ElemType) {
  VariantArrayAccess::CheckElementType(ElemType);
  if (Bounds.empty() || Bounds.size() % 2 != 0) CreateError();
  std::vector<TVarArrayBound> dims;
  for (size_t i = 0; i < Bounds.size(); i += 2) {
    const int64_t count = int64_t{Bounds[i + 1]} - int64_t{Bounds[i]} + 1;
    if (count < 0 || count > kMaxElements) CreateError();
    dims.push_back({Bounds[i], static_cast<int32_t>(count)});
  }
  return VariantArrayAccess::Create(dims, ElemType);
}

int32_t VarArrayDimCount(const Variant& A) {
  return A.IsArray() ? static_cast<int32_t>(VariantArrayAccess::Of(A).Bounds.size()) : 0;
}

int32_t VarArrayLowBound(const Variant& A, int32_t Dim) {
  const auto& bounds = VariantArrayAccess::Of(A).Bounds;
  if (Dim < 1 || static_cast<size_t>(Dim) > bounds.size()) BadIndex();
  return bounds[static_cast<size_t>(Dim - 1)].LowBound;
}

int32_t VarArrayHighBound(const Variant& A, int32_t Dim) {
  const auto& bounds = VariantArrayAccess::Of(A).Bounds;
  if (Dim < 1 || static_cast<size_t>(Dim) > bounds.size()) BadIndex();
  const auto& b = bounds[static_cast<size_t>(Dim - 1)];
  return static_cast<int32_t>(int64_t{b.LowBound} + b.ElementCount - 1);
}

Variant VarArrayGet(const Variant& A, int32_t Index) {
  return VariantArrayAccess::Get(A, &Index, 1);
}

Variant VarArrayGet(const Variant& A, const std::vector<int32_t>& Indices) {
  return VariantArrayAccess::Get(A, Indices.data(), Indices.size());
}

void VarArrayPut(Variant& A, const Variant& Value, int32_t Index) {
  VariantArrayAccess::Put(A, Value, &Index, 1);
}

void VarArrayPut(Variant& A, const Variant& Value, const std::vector<int32_t>& Indices) {
  VariantArrayAccess::Put(A, Value, Indices.data(), Indices.size());
}
