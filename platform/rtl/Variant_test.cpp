#include "platform/rtl/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <type_traits>
#include <utility>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

namespace {

// No implicit way into a Variant: 3 and 20, 8 and 258 cannot mix by accident.
static_assert(!std::is_convertible_v<int32_t, Variant>);
static_assert(!std::is_convertible_v<double, Variant>);
static_assert(!std::is_convertible_v<UnicodeString, Variant>);
static_assert(!std::is_constructible_v<Variant, int64_t>);
template <class T>
concept MakesBoolean = requires(T t) { Variant::FromBoolean(t); };
static_assert(MakesBoolean<bool>);
static_assert(!MakesBoolean<int>);
static_assert(!MakesBoolean<const char16_t*>);
// A reference to a temporary would dangle: only lvalues can be referred to.
template <class T>
concept MakesReference = requires(T&& t) { Variant::FromVariantRef(std::forward<T>(t)); };
static_assert(MakesReference<Variant&>);
static_assert(MakesReference<const Variant&>);
static_assert(!MakesReference<Variant>);

// Restores the process-wide settings that a test changes.
class VariantTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = FormatSettings(); }
  void TearDown() override { FormatSettings() = saved_; }

 private:
  TFormatSettings saved_;
};

// The message of the exception E that f raises, or "(no E)".
template <class E>
std::u16string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message;
  }
  return u"(no exception)";
}

TEST_F(VariantTest, FactoriesKeepTheirTypeCodes) {
  struct Case { Variant v; TVarType code; };
  const Case cases[] = {
      {Variant(), varEmpty},
      {Variant::Empty(), 0},
      {Variant::Null(), 1},
      {Variant::FromSmallint(-2), 2},
      {Variant::FromInteger(3), 3},
      {Variant::FromSingle(4.5f), 4},
      {Variant::FromDouble(5.5), 5},
      {Variant::FromCurrency(Currency::FromRaw(6)), 6},
      {Variant::FromDate(TDateTime(7.0)), 7},
      {Variant::FromOleStr(u"8"), 8},
      {Variant::FromError(10), 10},
      {Variant::FromBoolean(true), 11},
      {Variant::FromShortInt(-16), 16},
      {Variant::FromByte(17), 17},
      {Variant::FromWord(18), 18},
      {Variant::FromLongWord(19), 19},
      {Variant::FromInt64(20), 20},
      {Variant::FromUInt64(21), 21},
      {Variant::FromStrArg("72"), 72},
      {Variant::FromUStrArg(u"74"), 74},
      {Variant::FromString("256"), 256},
      {Variant::FromUString(u"258"), 258},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.v.VarType(), c.code);
    EXPECT_EQ(VarType(c.v), c.code);
  }
  // Same content, other code: not equal.
  EXPECT_NE(Variant::FromInteger(3), Variant::FromInt64(3));
  EXPECT_NE(Variant::FromOleStr(u"a"), Variant::FromUString(u"a"));
  EXPECT_EQ(Variant::FromUString(u"a"), Variant::FromUString(u"a"));
  EXPECT_TRUE(VarIsEmpty(Variant()));
  EXPECT_TRUE(VarIsNull(Variant::Null()));
  EXPECT_FALSE(VarIsNull(Variant()));
}

TEST_F(VariantTest, IsAValueType) {
  Variant a = Variant::FromUString(u"text");
  Variant b = a;
  b = Variant::FromInteger(1);
  EXPECT_EQ(a, Variant::FromUString(u"text"));
  Variant c = std::move(a);
  EXPECT_EQ(c.ToString(), u"text");
  a = c;  // a moved-from Variant can be assigned again
  EXPECT_EQ(a, c);
}

TEST_F(VariantTest, EmptyConvertsToZeroAndEmptyText) {
  const Variant e;
  EXPECT_EQ(e.ToInteger(), 0);
  EXPECT_EQ(e.ToInt64(), 0);
  EXPECT_EQ(e.ToDouble(), 0.0);
  EXPECT_FALSE(e.ToBoolean());
  EXPECT_EQ(e.ToString(), u"");
  EXPECT_EQ(e.ToAnsiString(), "");
  EXPECT_EQ(e.ToDateTime(), TDateTime(0.0));
  EXPECT_EQ(e.ToCurrency(), Currency());
  EXPECT_EQ(VarToStr(e), u"");
}

TEST_F(VariantTest, NullRaisesExceptInVarToStr) {
  const Variant n = Variant::Null();
  EXPECT_EQ(MessageOf<EVariantTypeCastError>([&] { n.ToInteger(); }),
            u"Could not convert variant of type (Null) into type (Integer)");
  EXPECT_EQ(MessageOf<EVariantTypeCastError>([&] { n.ToDouble(); }),
            u"Could not convert variant of type (Null) into type (Double)");
  EXPECT_EQ(MessageOf<EVariantTypeCastError>([&] { n.ToString(); }),
            u"Could not convert variant of type (Null) into type (UnicodeString)");
  EXPECT_THROW(n.ToInt64(), EVariantTypeCastError);
  EXPECT_THROW(n.ToBoolean(), EVariantTypeCastError);
  EXPECT_THROW(n.ToAnsiString(), EVariantTypeCastError);
  EXPECT_THROW(n.ToDateTime(), EVariantTypeCastError);
  EXPECT_THROW(n.ToCurrency(), EVariantTypeCastError);
  EXPECT_EQ(MessageOf<EVariantTypeCastError>([&] { VarAsType(n, varSmallint); }),
            u"Could not convert variant of type (Null) into type (Smallint)");
  EXPECT_EQ(VarToStr(n), u"");
}

TEST_F(VariantTest, BooleanIsMinusOneAsANumber) {
  const Variant t = Variant::FromBoolean(true);
  const Variant f = Variant::FromBoolean(false);
  EXPECT_EQ(t.ToInteger(), -1);
  EXPECT_EQ(t.ToInt64(), -1);
  EXPECT_EQ(t.ToDouble(), -1.0);
  EXPECT_EQ(t.ToCurrency(), Currency::FromRaw(-10000));
  EXPECT_EQ(f.ToInteger(), 0);
  EXPECT_EQ(t.ToString(), u"True");
  EXPECT_EQ(f.ToString(), u"False");
  EXPECT_EQ(VarAsType(t, varSmallint), Variant::FromSmallint(-1));
  EXPECT_THROW(VarAsType(t, varByte), EVariantOverflowError);  // -1 is no byte
}

TEST_F(VariantTest, FractionsRoundHalfToEvenAndOverflowRaises) {
  struct Case { Variant v; int32_t want; };
  const Case cases[] = {
      {Variant::FromDouble(2.5), 2},
      {Variant::FromDouble(3.5), 4},
      {Variant::FromDouble(-2.5), -2},
      {Variant::FromDouble(-3.5), -4},
      {Variant::FromDouble(2.4999999), 2},
      {Variant::FromDouble(-0.5), 0},
      {Variant::FromSingle(1.5f), 2},
      {Variant::FromDate(TDateTime(45306.5)), 45306},
      {Variant::FromCurrency(Currency::FromRaw(25000)), 2},
      {Variant::FromCurrency(Currency::FromRaw(-35000)), -4},
      {Variant::FromCurrency(Currency::FromRaw(25001)), 3},
      {Variant::FromDouble(2147483647.4), 2147483647},
      {Variant::FromDouble(-2147483648.5), -2147483648},
      {Variant::FromError(-5), -5},
  };
  for (const auto& c : cases) EXPECT_EQ(c.v.ToInteger(), c.want) << ToUtf8(VarToStr(c.v));

  EXPECT_EQ(Variant::FromDouble(1e10).ToInt64(), 10000000000);
  EXPECT_EQ(MessageOf<EVariantOverflowError>([] { Variant::FromDouble(1e10).ToInteger(); }),
            u"Overflow while converting variant of type (Double) into type (Integer)");
  const Variant overflows[] = {
      Variant::FromDouble(2147483647.5), Variant::FromInt64(int64_t{1} << 31),
      Variant::FromLongWord(4294967295u), Variant::FromDouble(std::nan("")),
      Variant::FromDouble(std::numeric_limits<double>::infinity()),
      Variant::FromUString(u"99999999999")};
  for (const auto& v : overflows) EXPECT_THROW(v.ToInteger(), EVariantOverflowError);
  EXPECT_THROW(Variant::FromDouble(9.3e18).ToInt64(), EVariantOverflowError);
  EXPECT_THROW(Variant::FromUInt64(UINT64_MAX).ToInt64(), EVariantOverflowError);
  EXPECT_EQ(Variant::FromUInt64(UINT64_MAX).ToUInt64(), UINT64_MAX);
  EXPECT_THROW(Variant::FromInteger(-1).ToUInt64(), EVariantOverflowError);
}

TEST_F(VariantTest, TextsReadWithTheFormatSettings) {
  FormatSettings().DecimalSeparator = u',';
  EXPECT_EQ(Variant::FromUString(u"1,5").ToDouble(), 1.5);
  EXPECT_EQ(Variant::FromOleStr(u" -0,25E2").ToDouble(), -25.0);
  EXPECT_EQ(Variant::FromString("1,5").ToCurrency(), Currency::FromRaw(15000));
  EXPECT_TRUE(Variant::FromUString(u"0,5").ToBoolean());
  EXPECT_EQ(Variant::FromDouble(1.5).ToString(), u"1,5");
  EXPECT_EQ(Variant::FromSingle(0.1f).ToString(), u"0,1");
  EXPECT_EQ(Variant::FromCurrency(Currency::FromRaw(12345)).ToString(), u"1,2345");
  // Written with the settings, read back with them.
  const Variant d = Variant::FromDouble(-1234.5678);
  EXPECT_EQ(VarAsType(VarAsType(d, varUString), varDouble), d);

  const Variant dot = Variant::FromUString(u"1.5");
  EXPECT_EQ(MessageOf<EVariantTypeCastError>([&] { dot.ToDouble(); }),
            u"Could not convert variant of type (UnicodeString) into type (Double)");
  EXPECT_THROW(dot.ToCurrency(), EVariantTypeCastError);
  // The integer reader takes no decimals, whatever the separator.
  EXPECT_THROW(Variant::FromUString(u"1,5").ToInteger(), EVariantTypeCastError);

  FormatSettings().DecimalSeparator = u'.';
  EXPECT_EQ(dot.ToDouble(), 1.5);
  EXPECT_EQ(Variant::FromDouble(1.5).ToString(), u"1.5");
}

TEST_F(VariantTest, TextsToIntegersAndBooleans) {
  struct IntCase { std::u16string text; int64_t want; };
  const IntCase ints[] = {{u"42", 42}, {u"  -7", -7}, {u"$1F", 31}, {u"0x10", 16}};
  for (const auto& c : ints) {
    EXPECT_EQ(Variant::FromUString(c.text).ToInteger(), c.want) << ToUtf8(c.text);
    EXPECT_EQ(Variant::FromString(ToUtf8(c.text)).ToInt64(), c.want) << ToUtf8(c.text);
  }
  EXPECT_EQ(Variant::FromUString(u"99999999999").ToInt64(), 99999999999);
  const std::u16string notIntegers[] = {u"", u"abc", u"12 ", u"2.5", u"1e3", u"True"};
  for (const auto& t : notIntegers) {
    EXPECT_THROW(Variant::FromUString(t).ToInteger(), EVariantTypeCastError) << ToUtf8(t);
    EXPECT_THROW(Variant::FromUString(t).ToInt64(), EVariantTypeCastError) << ToUtf8(t);
  }

  struct BoolCase { std::u16string text; bool want; };
  const BoolCase bools[] = {{u"True", true}, {u"true", true}, {u"FALSE", false},
                            {u"fAlSe", false}, {u"1", true}, {u"0", false},
                            {u"-1", true}, {u"0.0", false}, {u"$10", true}};
  for (const auto& c : bools) EXPECT_EQ(Variant::FromUString(c.text).ToBoolean(), c.want) << ToUtf8(c.text);
  const std::u16string notBooleans[] = {u"", u"yes", u" True", u"abc"};
  for (const auto& t : notBooleans)
    EXPECT_THROW(Variant::FromUString(t).ToBoolean(), EVariantTypeCastError) << ToUtf8(t);
}

TEST_F(VariantTest, ValuesToText) {
  FormatSettings().DecimalSeparator = u'.';
  struct Case { Variant v; std::u16string want; };
  const Case cases[] = {
      {Variant::FromInteger(-7), u"-7"},
      {Variant::FromInt64(INT64_MIN), u"-9223372036854775808"},
      {Variant::FromUInt64(UINT64_MAX), u"18446744073709551615"},
      {Variant::FromByte(255), u"255"},
      {Variant::FromDouble(0.1), u"0.1"},
      {Variant::FromDouble(1e20), u"1E20"},
      {Variant::FromSingle(0.1f), u"0.1"},  // 7 digits for a single
      {Variant::FromCurrency(Currency::FromRaw(15000)), u"1.5"},
      {Variant::FromString("Stra\xC3\x9F" "e"), u"Straße"},
      {Variant::FromStrArg("a"), u"a"},
      {Variant::FromOleStr(u"b"), u"b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.v.ToString(), c.want);
    EXPECT_EQ(VarToStr(c.v), c.want);
  }
  // 8-bit texts keep their bytes; others become UTF-8.
  EXPECT_EQ(Variant::FromString("\xFF\x01").ToAnsiString(), "\xFF\x01");
  EXPECT_EQ(Variant::FromUString(u"ß").ToAnsiString(), "\xC3\x9F");
  EXPECT_EQ(Variant::FromInteger(5).ToAnsiString(), "5");
  // An error value has no text.
  EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { Variant::FromError(3).ToString(); }),
            u"Could not convert variant of type (Error) into type (UnicodeString)");
}

TEST_F(VariantTest, Dates) {
  FormatSettings() = TFormatSettings::Invariant();
  const TDateTime when = EncodeDate(2024, 1, 15);
  const TDateTime withTime(static_cast<double>(when) + 0.75);  // 18:00
  EXPECT_EQ(Variant::FromDate(withTime).ToString(), DateTimeToStr(withTime));
  EXPECT_EQ(Variant::FromDate(withTime).ToDouble(), static_cast<double>(withTime));
  // The text form reads back.
  EXPECT_EQ(Variant::FromUString(DateTimeToStr(withTime)).ToDateTime(), withTime);
  EXPECT_EQ(Variant::FromUString(DateToStr(when)).ToDateTime(), when);
  EXPECT_EQ(VarAsType(Variant::FromUString(DateTimeToStr(when)), varDate), Variant::FromDate(when));
  EXPECT_THROW(Variant::FromUString(u"no date").ToDateTime(), EVariantTypeCastError);
  // Numbers are day counts.
  EXPECT_EQ(Variant::FromDouble(1.5).ToDateTime(), TDateTime(1.5));
  EXPECT_EQ(Variant::FromInteger(2).ToDateTime(), TDateTime(2.0));
  EXPECT_EQ(Variant::FromBoolean(true).ToDateTime(), TDateTime(-1.0));
  EXPECT_EQ(Variant().ToDateTime(), TDateTime(0.0));
}

TEST_F(VariantTest, VarAsTypeTable) {
  FormatSettings().DecimalSeparator = u'.';
  struct Case { Variant from; TVarType code; Variant want; };
  const Case cases[] = {
      {Variant::FromUString(u"42"), varInteger, Variant::FromInteger(42)},
      {Variant::FromInteger(42), varUString, Variant::FromUString(u"42")},
      {Variant::FromInteger(42), varOleStr, Variant::FromOleStr(u"42")},
      {Variant::FromInt64(5), varString, Variant::FromString("5")},
      {Variant::FromInteger(255), varByte, Variant::FromByte(255)},
      {Variant::FromInteger(-128), varShortInt, Variant::FromShortInt(-128)},
      {Variant::FromDouble(65535.4), varWord, Variant::FromWord(65535)},
      {Variant::FromDouble(2.5), varInt64, Variant::FromInt64(2)},
      {Variant::FromInteger(3), varInt64, Variant::FromInt64(3)},
      {Variant::FromInt64(3), varInteger, Variant::FromInteger(3)},
      {Variant::FromUString(u"1.25"), varCurrency, Variant::FromCurrency(Currency::FromRaw(12500))},
      {Variant::FromUString(u"0.1"), varSingle, Variant::FromSingle(0.1f)},
      {Variant::FromUString(u"false"), varBoolean, Variant::FromBoolean(false)},
      {Variant::FromUString(u"18446744073709551615"), varUInt64, Variant::FromUInt64(UINT64_MAX)},
      {Variant::FromInteger(7), varError, Variant::FromError(7)},
      {Variant::FromInteger(7), varEmpty, Variant()},
      {Variant::FromInteger(7), varNull, Variant::Null()},
      {Variant::Null(), varNull, Variant::Null()},
  };
  for (const auto& c : cases)
    EXPECT_EQ(VarAsType(c.from, c.code), c.want) << ToUtf8(VarTypeAsText(c.from.VarType())) << " -> " << c.code;

  struct Bad { Variant from; TVarType code; };
  const Bad overflows[] = {
      {Variant::FromInteger(256), varByte},
      {Variant::FromInteger(-1), varLongWord},
      {Variant::FromInteger(32768), varSmallint},
      {Variant::FromUString(u"300"), varShortInt},
      {Variant::FromDouble(1e39), varSingle},
      {Variant::FromDouble(1e15), varCurrency},
  };
  for (const auto& c : overflows) EXPECT_THROW(VarAsType(c.from, c.code), EVariantOverflowError) << c.code;
  EXPECT_EQ(MessageOf<EVariantOverflowError>([] { VarAsType(Variant::FromInteger(256), varByte); }),
            u"Overflow while converting variant of type (Integer) into type (Byte)");
  const Bad casts[] = {
      {Variant::FromInteger(1), varDispatch}, {Variant::FromInteger(1), varUnknown},
      {Variant::FromInteger(1), varVariant},  {Variant::FromInteger(1), varAny},
      {Variant::FromInteger(1), varArray | varInteger},
      {Variant::FromUString(u"x"), varByte},
  };
  for (const auto& c : casts) EXPECT_THROW(VarAsType(c.from, c.code), EVariantTypeCastError) << c.code;
}

TEST_F(VariantTest, OneDimensionalArrays) {
  Variant a = VarArrayCreate(1, 3, varInteger);
  EXPECT_EQ(a.VarType(), varArray | varInteger);
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(VarArrayDimCount(a), 1);
  EXPECT_EQ(VarArrayLowBound(a, 1), 1);
  EXPECT_EQ(VarArrayHighBound(a, 1), 3);
  EXPECT_EQ(VarArrayGet(a, 2), Variant::FromInteger(0));  // elements start as zero

  VarArrayPut(a, Variant::FromUString(u"7"), 2);  // converted to the element type
  EXPECT_EQ(VarArrayGet(a, 2), Variant::FromInteger(7));
  // A value that does not convert leaves the element as it was.
  EXPECT_THROW(VarArrayPut(a, Variant::FromUString(u"x"), 2), EVariantTypeCastError);
  EXPECT_EQ(VarArrayGet(a, 2), Variant::FromInteger(7));

  const Variant copy = a;  // copies are independent
  VarArrayPut(a, Variant::FromInteger(9), 2);
  EXPECT_EQ(VarArrayGet(copy, 2), Variant::FromInteger(7));
  EXPECT_EQ(VarArrayGet(a, 2), Variant::FromInteger(9));
  EXPECT_NE(a, copy);
  VarArrayPut(a, Variant::FromInteger(7), 2);
  EXPECT_EQ(a, copy);  // equal element by element

  EXPECT_THROW(VarArrayGet(a, 0), EVariantBadIndexError);
  EXPECT_THROW(VarArrayGet(a, 4), EVariantBadIndexError);
  EXPECT_THROW(VarArrayPut(a, Variant::FromInteger(1), INT32_MIN), EVariantBadIndexError);
  EXPECT_THROW(VarArrayLowBound(a, 2), EVariantBadIndexError);
  EXPECT_EQ(MessageOf<EVariantTypeCastError>([&] { a.ToString(); }),
            u"Could not convert variant of type (Array Integer) into type (UnicodeString)");
  EXPECT_THROW(a.ToInteger(), EVariantTypeCastError);

  // Arrays of variants keep each element's own type, arrays included.
  Variant v = VarArrayCreate(0, 1, varVariant);
  EXPECT_EQ(VarArrayGet(v, 0), Variant());
  VarArrayPut(v, Variant::FromUString(u"s"), 0);
  VarArrayPut(v, v, 1);  // the array as it was, not a cycle
  EXPECT_EQ(VarArrayGet(v, 0), Variant::FromUString(u"s"));
  EXPECT_EQ(VarArrayGet(VarArrayGet(v, 1), 0), Variant::FromUString(u"s"));
  EXPECT_EQ(VarArrayGet(VarArrayGet(v, 1), 1), Variant());

  const Variant bytes = VarArrayCreate(0, -1, varByte);  // no elements
  EXPECT_EQ(VarArrayHighBound(bytes, 1), -1);
  EXPECT_THROW(VarArrayGet(bytes, 0), EVariantBadIndexError);

  EXPECT_THROW(VarArrayCreate(0, -2, varByte), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayCreate(0, 1, varUString), EVariantBadVarTypeError);
  EXPECT_THROW(VarArrayCreate(0, 1, varString), EVariantBadVarTypeError);
  EXPECT_THROW(VarArrayCreate(0, 1, varNull), EVariantBadVarTypeError);
  EXPECT_EQ(VarArrayDimCount(Variant::FromInteger(1)), 0);
  EXPECT_THROW(VarArrayGet(Variant::FromInteger(1), 0), EVariantNotAnArrayError);
  EXPECT_THROW(VarArrayHighBound(Variant(), 1), EVariantNotAnArrayError);
}

TEST_F(VariantTest, ArraysOfSeveralDimensions) {
  Variant a = VarArrayCreate({0, 2, 1, 4}, varInteger);  // 3 x 4
  EXPECT_EQ(VarArrayDimCount(a), 2);
  EXPECT_EQ(VarArrayLowBound(a, 2), 1);
  EXPECT_EQ(VarArrayHighBound(a, 2), 4);
  EXPECT_THROW(VarArrayHighBound(a, 3), EVariantBadIndexError);
  EXPECT_THROW(VarArrayLowBound(a, 0), EVariantBadIndexError);

  VarArrayPut(a, Variant::FromInteger(5), {2, 1});
  VarArrayPut(a, Variant::FromInteger(6), {0, 2});  // the neighbour in storage order
  EXPECT_EQ(VarArrayGet(a, {2, 1}), Variant::FromInteger(5));
  EXPECT_EQ(VarArrayGet(a, {0, 2}), Variant::FromInteger(6));
  EXPECT_EQ(VarArrayGet(a, {1, 1}), Variant::FromInteger(0));
  // One index per dimension, each within its own bounds.
  EXPECT_THROW(VarArrayGet(a, 0), EVariantBadIndexError);
  EXPECT_THROW(VarArrayGet(a, {3, 1}), EVariantBadIndexError);
  EXPECT_THROW(VarArrayGet(a, {0, 0}), EVariantBadIndexError);
  EXPECT_THROW(VarArrayGet(a, {0, 1, 1}), EVariantBadIndexError);

  // Same elements, other shape: not equal.
  EXPECT_NE(VarArrayCreate({0, 5}, varInteger), VarArrayCreate({0, 2, 0, 1}, varInteger));
  EXPECT_THROW(VarArrayCreate(std::vector<int32_t>{}, varInteger), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayCreate({0, 1, 2}, varInteger), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayCreate({0, 1, 0, -2}, varInteger), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayCreate({0, 1}, varUString), EVariantBadVarTypeError);
  // More elements in all than an index can count, though each dimension fits.
  EXPECT_THROW(VarArrayCreate({0, 65535, 0, 65535}, varByte), EVariantArrayCreateError);
}

TEST_F(VariantTest, ByteArraysShareTheirBytes) {
  ByteBuffer bytes(std::string("\x00\x7F\xFF", 3));
  Variant a = Variant::FromByteArray(bytes);
  EXPECT_EQ(a.VarType(), varArray | varByte);
  EXPECT_EQ(VarArrayLowBound(a, 1), 0);
  EXPECT_EQ(VarArrayHighBound(a, 1), 2);
  EXPECT_EQ(VarArrayGet(a, 2), Variant::FromByte(255));

  // The same as an array made element by element.
  Variant b = VarArrayCreate(0, 2, varByte);
  VarArrayPut(b, Variant::FromInteger(127), 1);
  VarArrayPut(b, Variant::FromInteger(255), 2);
  EXPECT_EQ(a, b);

  // Changing an element leaves the buffer and the other copies alone.
  const Variant copy = a;
  VarArrayPut(a, Variant::FromInteger(1), 0);
  EXPECT_EQ(VarArrayGet(a, 0), Variant::FromByte(1));
  EXPECT_EQ(VarArrayGet(copy, 0), Variant::FromByte(0));
  EXPECT_EQ(bytes.View(), std::string_view("\x00\x7F\xFF", 3));
  EXPECT_THROW(VarArrayPut(a, Variant::FromInteger(256), 0), EVariantOverflowError);

  const Variant empty = Variant::FromByteArray(ByteBuffer());
  EXPECT_EQ(VarArrayHighBound(empty, 1), -1);
  EXPECT_EQ(empty, VarArrayCreate(0, -1, varByte));
}

TEST_F(VariantTest, ReferencesConvertAsTheirTarget) {
  Variant target = Variant::FromDouble(2.5);
  const Variant ref = Variant::FromVariantRef(target);
  const Variant refRef = Variant::FromVariantRef(ref);
  EXPECT_EQ(ref.VarType(), 16396);
  EXPECT_TRUE(ref.IsVariantRef());
  EXPECT_FALSE(ref.IsEmpty());
  EXPECT_EQ(VarTypeAsText(ref.VarType()), u"ByRef Variant");
  EXPECT_EQ(refRef.ToInteger(), 2);
  EXPECT_EQ(refRef.ToDouble(), 2.5);
  EXPECT_EQ(VarToStr(refRef), u"2.5");
  EXPECT_EQ(VarAsType(refRef, varUString), Variant::FromUString(u"2.5"));
  EXPECT_EQ(&VarDeref(refRef), &target);

  target = Variant::Null();  // read as the target is now
  EXPECT_EQ(VarToStr(refRef), u"");
  EXPECT_THROW(refRef.ToInteger(), EVariantTypeCastError);

  // The same target makes equal references.
  EXPECT_EQ(ref, Variant::FromVariantRef(target));
  EXPECT_NE(ref, Variant::FromVariantRef(ref));

  // A reference that leads back to itself raises instead of looping.
  Variant loop;
  loop = Variant::FromVariantRef(loop);
  EXPECT_THROW(VarToStr(loop), EVariantError);
  EXPECT_THROW(loop.ToInteger(), EVariantError);
}

TEST_F(VariantTest, OpaqueReferencesConvertToNothing) {
  int object = 0;
  for (const Variant& v : {Variant::FromDispatch(&object), Variant::FromUnknown(&object)}) {
    EXPECT_EQ(v.OpaqueRef(), &object);
    EXPECT_THROW(v.ToInteger(), EVariantTypeCastError);
    EXPECT_THROW(v.ToDouble(), EVariantTypeCastError);
    EXPECT_THROW(VarToStr(v), EVariantTypeCastError);
  }
  EXPECT_EQ(Variant::FromDispatch(&object).VarType(), varDispatch);
  EXPECT_EQ(Variant::FromUnknown(&object).VarType(), varUnknown);
  EXPECT_NE(Variant::FromDispatch(&object), Variant::FromUnknown(&object));
  EXPECT_EQ(Variant::FromInteger(1).OpaqueRef(), nullptr);
}

}  // namespace
