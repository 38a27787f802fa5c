// platform/rtl/Variant.h — Variant: a value together with its 16-bit type code.
//
// The type codes are the platform's (varEmpty ... varUString below) and stay
// apart exactly: a value made with FromInteger answers varInteger (3), one
// made with FromInt64 answers varInt64 (20), FromOleStr gives varOleStr (8) and
// FromUString varUString (258). There are no implicit constructors; a Variant
// is made with the factory of its code, and a default-constructed Variant is
// Empty. It is a value type: copies are independent (an array is shared until
// one copy changes it); only a reference (FromVariantRef) and the opaque
// pointers lead to something they do not own.
//
// Conversions (the To... members, VarAsType) follow the platform's rules:
//   - Empty converts to 0, 0.0, false, "", the date 0 and the currency 0.
//   - Null raises EVariantTypeCastError, "Could not convert variant of type
//     (Null) into type (Integer)"; VarToStr is the exception: Null gives "".
//   - A Boolean is -1 (true) or 0 (false) as a number; as text "True"/"False".
//   - Doubles, singles, dates and currency become integers rounded to the
//     nearest, an exact half to the even neighbour (2.5 -> 2, 3.5 -> 4).
//   - A value outside the target's range raises EVariantOverflowError,
//     "Overflow while converting variant of type (Double) into type (Integer)".
//   - An error value (varError) converts to numbers as its code; it has no text.
//   - Texts are read with the process's FormatSettings(): integers with the
//     integer reader only ("2.5" does not become an integer), doubles with the
//     decimal reader and FormatSettings().DecimalSeparator, currency exactly
//     (TryStrToCurr), Booleans from "True"/"False" in any case or from a
//     number (not 0 is true), dates with TryStrToDateTime. A text that does
//     not read raises EVariantTypeCastError.
//   - To text: integers in decimal, doubles with FloatToStr (15 significant
//     digits), singles with 7, currency with CurrToStr, all three with
//     FormatSettings().DecimalSeparator; dates with DateTimeToStr; 8-bit texts
//     through the UTF-8 codec.
//   - An array converts to nothing but itself (EVariantTypeCastError).
//   - A reference (FromVariantRef, code varByRef | varVariant) converts as the
//     Variant it refers to; every conversion follows it (see VarDeref).
//   - The opaque references varDispatch (9) and varUnknown (13) convert to
//     nothing (EVariantTypeCastError); they only carry a pointer.
// Type names in messages are VarTypeAsText's.
#pragma once

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

#include "platform/rtl/ByteBuffer.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Text.h"

using TVarType = uint16_t;

constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;  // int16_t
constexpr TVarType varInteger = 0x0003;   // int32_t
constexpr TVarType varSingle = 0x0004;    // float
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;    // TDateTime
constexpr TVarType varOleStr = 0x0008;  // UTF-16 text of component interfaces
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;  // 32-bit error code
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;  // element type of arrays of variants
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varShortInt = 0x0010;  // int8_t
constexpr TVarType varByte = 0x0011;      // uint8_t
constexpr TVarType varWord = 0x0012;      // uint16_t
constexpr TVarType varLongWord = 0x0013;  // uint32_t
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varUInt64 = 0x0015;
constexpr TVarType varStrArg = 0x0048;   // 8-bit text argument
constexpr TVarType varUStrArg = 0x004A;  // UTF-16 text argument
constexpr TVarType varString = 0x0100;   // 8-bit text
constexpr TVarType varAny = 0x0101;
constexpr TVarType varUString = 0x0102;  // the system's own UTF-16 text
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

// One dimension of an array: its lowest index and its number of elements.
struct TVarArrayBound {
  int32_t LowBound = 0;
  int32_t ElementCount = 0;

  friend bool operator==(const TVarArrayBound&, const TVarArrayBound&) = default;
};

class Variant {
 public:
  Variant() = default;  // Empty

  static Variant Empty() { return Variant(); }
  static Variant Null();
  static Variant FromSmallint(int16_t Value);
  static Variant FromInteger(int32_t Value);
  static Variant FromSingle(float Value);
  static Variant FromDouble(double Value);
  static Variant FromCurrency(Currency Value);
  static Variant FromDate(TDateTime Value);
  static Variant FromOleStr(UnicodeString Value);  // varOleStr (8)
  static Variant FromError(int32_t Code);
  static Variant FromBoolean(bool Value);
  template <class T>
  static Variant FromBoolean(T) = delete;  // no integer or pointer as a Boolean
  static Variant FromShortInt(int8_t Value);
  static Variant FromByte(uint8_t Value);
  static Variant FromWord(uint16_t Value);
  static Variant FromLongWord(uint32_t Value);
  static Variant FromInt64(int64_t Value);
  static Variant FromUInt64(uint64_t Value);
  static Variant FromStrArg(AnsiString Value);      // varStrArg (72)
  static Variant FromUStrArg(UnicodeString Value);  // varUStrArg (74)
  static Variant FromString(AnsiString Value);      // varString (256)
  static Variant FromUString(UnicodeString Value);  // varUString (258)
  // An array of bytes (varArray | varByte) indexed from 0, holding Bytes
  // without copying them (the elements share the buffer until one changes).
  // More than 2^31 - 1 bytes raise EVariantArrayCreateError.
  static Variant FromByteArray(ByteBuffer Bytes);
  // A reference to Target (varByRef | varVariant, 16396). It does not own
  // Target, which must outlive it; conversions read Target as it is then.
  // No other reference code can be made.
  static Variant FromVariantRef(const Variant& Target);
  static Variant FromVariantRef(const Variant&& Target) = delete;  // would dangle
  // Opaque references to an automation object (varDispatch, 9) and to a
  // component object (varUnknown, 13): they carry Ref and convert to nothing.
  static Variant FromDispatch(const void* Ref);
  static Variant FromUnknown(const void* Ref);

  // The full type code, flags included (varArray | varByte for a byte array).
  TVarType VarType() const { return type_; }
  bool IsEmpty() const { return type_ == varEmpty; }
  bool IsNull() const { return type_ == varNull; }
  bool IsArray() const { return (type_ & varArray) != 0; }
  // True for a reference made by FromVariantRef (the code itself, not what
  // the reference leads to).
  bool IsVariantRef() const { return type_ == (varByRef | varVariant); }
  // The pointer of a varDispatch or varUnknown value; nullptr for any other.
  const void* OpaqueRef() const;

  int32_t ToInteger() const;
  int64_t ToInt64() const;
  uint64_t ToUInt64() const;
  double ToDouble() const;
  bool ToBoolean() const;
  UnicodeString ToString() const;
  AnsiString ToAnsiString() const;  // 8-bit texts unchanged, the rest as UTF-8
  TDateTime ToDateTime() const;
  Currency ToCurrency() const;

  // Same type code and equal value (element by element for arrays, the same
  // target for references and opaque pointers); a NaN is unequal to
  // everything, as for double.
  friend bool operator==(const Variant& A, const Variant& B);

 private:
  struct ArrayData;  // element type, bounds, elements
  friend struct VariantArrayAccess;  // the array functions, in Variant.cpp
  friend const Variant& VarDeref(const Variant& V);
  friend Variant VarAsType(const Variant& V, TVarType Code);

  // References and opaque pointers are held as const void*.
  using Storage = std::variant<std::monostate, int64_t, uint64_t, double, bool, Currency,
                               UnicodeString, AnsiString, std::shared_ptr<ArrayData>,
                               const void*>;

  Variant(TVarType Type, Storage Value) : type_(Type), value_(std::move(Value)) {}
  [[noreturn]] void CastError(TVarType Target) const;
  [[noreturn]] void OverflowError(TVarType Target) const;
  int64_t RoundedInt64(TVarType Target) const;
  int64_t AsInt64(TVarType Target) const;  // errors name Target

  TVarType type_ = varEmpty;
  Storage value_;
};

// The platform's global helpers.
inline TVarType VarType(const Variant& V) { return V.VarType(); }
inline bool VarIsEmpty(const Variant& V) { return V.IsEmpty(); }
inline bool VarIsNull(const Variant& V) { return V.IsNull(); }
inline bool VarIsArray(const Variant& V) { return V.IsArray(); }
// The Variant that V leads to: V itself unless V is a reference, else its
// target, followed through references to references. A chain of more than
// 64 references (a reference that leads back to itself) raises EVariantError.
const Variant& VarDeref(const Variant& V);
// The text of a value, references followed; Empty and Null give "" (other
// conversion errors raise).
UnicodeString VarToStr(const Variant& V);
// V converted to the type Code by the rules above. varEmpty and varNull give
// Empty and Null; a code V already has gives V. A code that no value can be
// converted to (varDispatch, varUnknown, varVariant, varAny, the flags)
// raises EVariantTypeCastError.
Variant VarAsType(const Variant& V, TVarType Code);
// The platform's name of a type code: "Empty", "Null", "Smallint", "Integer",
// "Single", "Double", "Currency", "Date", "OleStr", "Dispatch", "Error",
// "Boolean", "Variant", "Unknown", "ShortInt", "Byte", "Word", "LongWord",
// "Int64", "UInt64", "String", "Any", "UnicodeString"; any other code as "$"
// and four hexadecimal digits; "Array " in front for an array.
UnicodeString VarTypeAsText(TVarType Code);

// Arrays. The element type is one of varSmallint ... varOleStr, varError,
// varBoolean, varVariant, varShortInt ... varUInt64 (not the 8-bit or system
// texts, as on the platform), else EVariantBadVarTypeError. Each dimension
// has the indices Low .. High; High may be Low - 1 (no elements), below that,
// or more than 2^31 - 1 elements in all, raise EVariantArrayCreateError.
// Elements start as the type's zero (0, "", false), Empty in an array of
// varVariant. Copies of an array share its elements until one copy changes.
// VarArrayPut converts the value to the element type with VarAsType (an array
// of varVariant keeps it as it is). An index outside the bounds, a Dim outside
// 1 .. VarArrayDimCount, or a number of indices other than the number of
// dimensions raises EVariantBadIndexError; a Variant that is no array,
// EVariantNotAnArrayError.
Variant VarArrayCreate(int32_t Low, int32_t High, TVarType ElemType);
// Bounds holds Low and High of each dimension in turn: {0, 2, 1, 4} is an
// array of 3 x 4 elements. No pair, or an odd count, raises
// EVariantArrayCreateError.
Variant VarArrayCreate(const std::vector<int32_t>& Bounds, TVarType ElemType);
int32_t VarArrayDimCount(const Variant& A);  // 0 for a Variant that is no array
int32_t VarArrayLowBound(const Variant& A, int32_t Dim);
int32_t VarArrayHighBound(const Variant& A, int32_t Dim);
// One index for an array of one dimension; one index per dimension, in the
// order of the dimensions, for the other form.
Variant VarArrayGet(const Variant& A, int32_t Index);
Variant VarArrayGet(const Variant& A, const std::vector<int32_t>& Indices);
void VarArrayPut(Variant& A, const Variant& Value, int32_t Index);
void VarArrayPut(Variant& A, const Variant& Value, const std::vector<int32_t>& Indices);
