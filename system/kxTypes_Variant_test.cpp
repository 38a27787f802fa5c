#include "system/kxTypes_Variant.h"

#include <gtest/gtest.h>
#include <unicode/uloc.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

// Failing comparisons show the type and the text of a Variant.
void PrintTo(const Variant& v, std::ostream* os) {
  *os << ToUtf8(VarTypeAsText(v.VarType())) << " ";
  try {
    *os << '"' << ToUtf8(VarToStr(v)) << '"';
  } catch (...) {
    *os << "(no text)";
  }
}

namespace {

using namespace TkxTypes;

// Restores the process-wide settings that a test changes.
class TypesVariantTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = FormatSettings(); }
  void TearDown() override { FormatSettings() = saved_; }

 private:
  TFormatSettings saved_;
};

Variant Date(uint16_t y, uint16_t m, uint16_t d, uint16_t h = 0, uint16_t n = 0, uint16_t s = 0,
             uint16_t ms = 0) {
  return Variant::FromDate(EncodeDateTime(y, m, d, h, n, s, ms));
}

Variant Text(std::u16string s) { return Variant::FromUString(std::move(s)); }

// The class name and message of what f raises, or "(none)".
std::u16string Raised(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.ClassName() + u": " + e.Message;
  }
  return u"(none)";
}

// ---- Type codes and names ------------------------------------------------------------

TEST_F(TypesVariantTest, TypeNamesAndTheirReader) {
  struct Case { TVarType code; const char16_t* name; };
  const Case cases[] = {
      {0, u"EMPTY"},     {1, u"NULL"},      {2, u"SMALLINT"},   {3, u"INT"},
      {4, u"SINGLE"},    {5, u"DOUBLE"},    {6, u"CURRENCY"},   {7, u"DATE"},
      {8, u"UCS2STR"},   {9, u"DISPATCH"},  {10, u"ERROR"},     {11, u"BOOLEAN"},
      {12, u"VARIANT"},  {13, u"UNKNOWN"},  {16, u"SHORTINT"},  {17, u"BYTE"},
      {18, u"WORD"},     {19, u"LONGWORD"}, {20, u"INT64"},     {72, u"STRARG"},
      {74, u"USTRARG"},  {256, u"STRING"},  {257, u"ANY"},      {258, u"UCS4STR"},
      {4095, u"TYPEMASK"}, {8192, u"ARRAY"}, {16384, u"BYREF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetVarTypeStr(c.code), c.name) << c.code;
    EXPECT_EQ(GetVarTypeFromStr(c.name, 999), c.code) << c.code;  // every name reads back
  }
  // Codes without a name of their own, flagged codes included.
  for (TVarType code : {14, 15, 21, 73, 259, 8195, 16396, 24576})
    EXPECT_EQ(GetVarTypeStr(code), u"UNKNOWN") << code;
  EXPECT_EQ(GetVarTypeFromStr(GetVarTypeStr(21), 999), 13);
}

TEST_F(TypesVariantTest, TypeNameReaderTrimsUpperCasesAndKnowsAliases) {
  struct Case { const char16_t* text; TVarType want; };
  const Case cases[] = {
      {u" int\t", 3},  {u"Int64", 20},  {u"bool", 11},    {u"Float", 5},
      {u"REAL", 5},    {u"time", 7},    {u"ucs4str", 258}, {u"unknown", 13},
      {u"BINARY", 99},  // no type name
      {u"", 99},       {u"IN T", 99},   {u"CDT_INT", 99},  // the prefix is StrToVarExt's
  };
  for (const auto& c : cases) EXPECT_EQ(GetVarTypeFromStr(c.text, 99), c.want) << ToUtf8(c.text);

  // The names are ASCII keys: a Turkish process locale changes nothing.
  UErrorCode status = U_ZERO_ERROR;
  const std::string saved = uloc_getDefault();
  uloc_setDefault("tr_TR", &status);
  const TVarType underTurkish = GetVarTypeFromStr(u"int", 0);
  uloc_setDefault(saved.c_str(), &status);
  EXPECT_EQ(underTurkish, 3);
}

TEST_F(TypesVariantTest, TypeOfFieldDataType) {
  EXPECT_EQ(GetVarTypeFromFieldDataType(kxFDT_Date), 7);
  EXPECT_EQ(GetVarTypeFromFieldDataType(kxFDT_Float), 5);
  EXPECT_EQ(GetVarTypeFromFieldDataType(kxFDT_Currency), 6);
  EXPECT_EQ(GetVarTypeFromFieldDataType(kxFDT_Boolean), 11);
  for (auto t : {kxFDT_Text, kxFDT_VarChar, kxFDT_Numeric, static_cast<TkxFieldDataType>(200)})
    EXPECT_EQ(GetVarTypeFromFieldDataType(t), 8);
  EXPECT_EQ(GetVarType(VarArrayCreate(0, 1, varByte)), varArray | varByte);
}

// ---- The value text -------------------------------------------------------------------

TEST_F(TypesVariantTest, ValueTextOfEachKind) {
  int object = 0;
  const Variant target = Variant::FromInteger(5);
  struct Case { Variant v; const char16_t* want; };
  const Case cases[] = {
      {Variant(), u""},
      {Variant::Null(), u""},
      {Variant::FromInteger(-7), u"-7"},
      {Variant::FromInt64(INT64_MIN), u"-9223372036854775808"},
      {Variant::FromByte(255), u"255"},
      {Variant::FromUInt64(UINT64_MAX), u"18446744073709551615"},
      {Variant::FromDouble(0.1), u"0.10"},
      {Variant::FromDouble(3.1005), u"3.1005"},
      {Variant::FromDouble(-2.0), u"-2.00"},
      {Variant::FromSingle(0.5f), u"0.50"},
      {Variant::FromCurrency(Currency::FromRaw(15000)), u"1.50"},
      {Variant::FromBoolean(true), u"True"},
      {Variant::FromBoolean(false), u"False"},
      {Date(2024, 1, 15), u"2024-01-15"},
      {Variant::FromDate(TDateTime(0.75)), u"18:00:00"},
      {Variant::FromDate(TDateTime(0.0)), u"1899-12-30"},
      {Date(2024, 1, 15, 18, 0, 0, 900), u"2024-01-15 18:00:00"},  // milliseconds dropped
      {Date(2024, 1, 15, 23, 59, 59, 999), u"2024-01-15 23:59:59"},
      // A fraction that rounds to the next midnight is that midnight.
      {Variant::FromDate(TDateTime(45306.99999999999)), u"2024-01-16 00:00:00"},
      {Variant::FromDate(TDateTime(-1.25)), u"1899-12-29 06:00:00"},
      {Variant::FromDate(TDateTime(-0.25)), u"06:00:00"},  // integral part 0: a time
      {Date(1, 1, 1), u"0001-01-01"},
      {Date(9999, 12, 31, 23, 59, 59), u"9999-12-31 23:59:59"},
      {Variant::FromUString(u"abc"), u"abc"},
      {Variant::FromString("8-bit"), u"8-bit"},
      {Variant::FromVariantRef(target), u"5"},
      // No text form: the empty text.
      {Variant::FromDate(TDateTime(NAN)), u""},
      {Variant::FromDate(TDateTime(1e10)), u""},
      {Variant::FromError(3), u""},
      {Variant::FromDispatch(&object), u""},
      {VarArrayCreate(0, 1, varInteger), u""},
  };
  for (const auto& c : cases) EXPECT_EQ(VarToStrExt(c.v), c.want) << ::testing::PrintToString(c.v);
}

TEST_F(TypesVariantTest, JsonValueTextDiffersOnlyForDateAndTime) {
  EXPECT_EQ(VarToJSONStrExt(Date(2024, 1, 15, 18, 0, 0, 900)), u"2024-01-15T18:00:00.900Z");
  EXPECT_EQ(VarToJSONStrExt(Variant::FromDate(TDateTime(-1.25))), u"1899-12-29T06:00:00.000Z");
  EXPECT_EQ(VarToJSONStrExt(Date(2024, 1, 15)), u"2024-01-15");
  EXPECT_EQ(VarToJSONStrExt(Variant::FromDate(TDateTime(0.5 + 0.25 / 86400))), u"12:00:00");
  EXPECT_EQ(VarToJSONStrExt(Variant::FromDouble(0.1)), u"0.10");
  EXPECT_EQ(VarToJSONStrExt(VarArrayCreate(0, 1, varInteger)), u"");
}

// The value text is the same on every machine: a locale whose time separator
// is "." must not change it, or a text written here reads as the date 0
// elsewhere. The reader still accepts the locale's long time format.
TEST_F(TypesVariantTest, ValueTextTimeSeparatorIsAlwaysColon) {
  FormatSettings().TimeSeparator = u'.';
  FormatSettings().LongTimeFormat = u"hh.nn.ss";
  const Variant v = Date(2024, 1, 15, 18, 30, 5);
  EXPECT_EQ(VarToStrExt(v), u"2024-01-15 18:30:05");
  EXPECT_EQ(VarToStrExt(Variant::FromDate(TDateTime(0.75))), u"18:00:00");
  EXPECT_EQ(VarToJSONStrExt(v), u"2024-01-15T18:30:05.000Z");
  EXPECT_EQ(StrToVarExt(VarToStrExt(v), varDate), v);
  EXPECT_EQ(StrToVarExt(u"2024-01-15 18.30.05", varDate), v);  // the locale's own form
}

TEST_F(TypesVariantTest, ValueTextReaderByTypeCode) {
  struct Case { const char16_t* text; TVarType code; Variant want; };
  const Case cases[] = {
      // Empty and null: the text, or Null for "".
      {u"", 0, Variant::Null()},
      {u"", 1, Variant::Null()},
      {u"abc", 1, Text(u"abc")},
      // Every integer code gives a 64-bit integer.
      {u"42", 3, Variant::FromInt64(42)},
      {u"", 3, Variant::FromInt64(0)},
      {u"1x", 3, Variant::FromInt64(-1)},
      {u"x1", 3, Variant::FromInt64(1)},  // "x" is a hexadecimal prefix to the reader
      {u"3.0", 2, Variant::FromInt64(3)},
      {u"3.5", 16, Variant::FromInt64(-1)},
      {u"12 ", 17, Variant::FromInt64(-1)},
      {u"-9223372036854775808", 20, Variant::FromInt64(INT64_MIN)},
      // Every floating code gives a double.
      {u"1,5", 6, Variant::FromDouble(1.5)},
      {u"1.234,5", 4, Variant::FromDouble(1234.5)},
      {u"abc", 5, Variant::FromDouble(0.0)},
      // Dates.
      {u"2024-01-15", 7, Date(2024, 1, 15)},
      {u"15.01.2024", 7, Date(2024, 1, 15)},
      {u" 2024-01-15 08:30:00 ", 7, Date(2024, 1, 15, 8, 30)},
      {u"18:00:00", 7, Variant::FromDate(TDateTime(0.75))},
      {u"#738900#43200000", 7, Date(2024, 1, 15, 12)},
      {u"000B4654h02932E00h", 7, Date(2024, 1, 15, 12)},
      {u"#693594#0", 7, Variant::FromDate(TDateTime(0.0))},  // day 0, then the formats
      {u"hello", 7, Variant::Null()},        // "h": no time stamp
      {u"15 March 2024", 7, Variant::Null()},
      {u"abc#", 7, Variant::Null()},
      {u"#0#0", 7, Variant::Null()},          // read, but no valid stamp
      {u"99-99", 7, Variant::FromDate(TDateTime(0.0))},  // no format reads it: day 0
      {u"", 7, Variant::FromDate(TDateTime(0.0))},
      // Booleans: the yes-words.
      {u"yes", 11, Variant::FromBoolean(true)},
      {u"no", 11, Variant::FromBoolean(false)},
      {u"True", 11, Variant::FromBoolean(true)},
      // Every other code: the text, the empty text included.
      {u"x", 258, Text(u"x")},
      {u"", 8, Text(u"")},
      {u"x", 9, Text(u"x")},
      {u"5", 21, Text(u"5")},
      {u"x", 8195, Text(u"x")},
  };
  for (const auto& c : cases)
    EXPECT_EQ(StrToVarExt(c.text, c.code), c.want) << ToUtf8(c.text) << " as " << c.code;
}

TEST_F(TypesVariantTest, ValueTextReaderByTypeName) {
  struct Case { const char16_t* type; Variant want; };
  const Case cases[] = {
      {u"CDT_INT", Variant::FromInt64(42)},
      {u"int ", Variant::FromInt64(42)},
      {u"CDT_double", Variant::FromDouble(42.0)},
      {u"cdt_int", Text(u"42")},   // the prefix only in upper case
      {u" CDT_INT", Text(u"42")},  // and only at the start
      {u"CDT_", Text(u"42")},
      {u"nonsense", Text(u"42")},  // unknown name: code 13, the text
      {u"NULL", Text(u"42")},
  };
  for (const auto& c : cases)
    EXPECT_EQ(StrToVarExt(u"42", std::u16string(c.type)), c.want) << ToUtf8(c.type);
  EXPECT_EQ(StrToVarExt(u"", std::u16string(u"CDT_NULL")), Variant::Null());
}

TEST_F(TypesVariantTest, ValueTextRoundTrips) {
  const Variant dates[] = {Date(2024, 1, 15), Date(2024, 1, 15, 18, 30, 5),
                           Variant::FromDate(TDateTime(0.75)), Variant::FromDate(TDateTime(-1.25)),
                           Date(1, 1, 1), Date(9999, 12, 31, 23, 59, 59)};
  for (const auto& d : dates)
    EXPECT_EQ(StrToVarExt(VarToStrExt(d), varDate), d) << ::testing::PrintToString(d);
  for (int64_t i : {int64_t{0}, int64_t{-7}, INT64_MAX, INT64_MIN})
    EXPECT_EQ(StrToVarExt(VarToStrExt(Variant::FromInt64(i)), varInt64), Variant::FromInt64(i));
  for (bool b : {true, false})
    EXPECT_EQ(StrToVarExt(VarToStrExt(Variant::FromBoolean(b)), varBoolean),
              Variant::FromBoolean(b));
  for (double d : {3.1415926, -0.5, 1234567.1234567, 0.0000001})
    EXPECT_EQ(StrToVarExt(VarToStrExt(Variant::FromDouble(d)), varDouble), Variant::FromDouble(d));
}

// ---- Tests -----------------------------------------------------------------------------

TEST_F(TypesVariantTest, VariantTestsLookAtTheOwnCode) {
  int object = 0;
  const Variant i = Variant::FromInteger(1);
  struct Case { Variant v; bool str, num, math, flt, boolean, date, array; };
  const Case cases[] = {
      {Variant(), false, false, false, false, false, false, false},
      {Variant::FromSmallint(1), false, true, true, false, false, false, false},
      {Variant::FromInteger(1), false, true, true, false, false, false, false},
      {Variant::FromSingle(1), false, false, true, true, false, false, false},
      {Variant::FromDouble(1), false, false, true, true, false, false, false},
      {Variant::FromCurrency(Currency()), false, false, true, true, false, false, false},
      {Date(2024, 1, 1), false, false, true, false, false, true, false},
      {Variant::FromOleStr(u""), true, false, false, false, false, false, false},
      {Variant::FromDispatch(&object), false, false, false, false, false, false, false},
      {Variant::FromError(1), false, false, false, false, false, false, false},
      {Variant::FromBoolean(true), false, false, false, false, true, false, false},
      {Variant::FromShortInt(1), false, true, true, false, false, false, false},
      {Variant::FromInt64(1), false, true, true, false, false, false, false},
      {Variant::FromUInt64(1), false, true, true, false, false, false, false},
      {Variant::FromStrArg("a"), true, false, false, false, false, false, false},
      {Variant::FromUStrArg(u"a"), true, false, false, false, false, false, false},
      {Variant::FromString("a"), true, false, false, false, false, false, false},
      {Variant::FromUString(u"a"), true, false, false, false, false, false, false},
      {VarArrayCreate(0, 1, varInteger), false, false, false, false, false, false, true},
      {VarArrayCreate({0, 1, 0, 1}, varVariant), false, false, false, false, false, false, true},
      {Variant::FromVariantRef(i), false, false, false, false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.v));
    EXPECT_EQ(IsStringVariant(c.v), c.str);
    EXPECT_EQ(IsNumericVariant(c.v), c.num);
    EXPECT_EQ(IsMathVariant(c.v), c.math);
    EXPECT_EQ(IsFloatVariant(c.v), c.flt);
    EXPECT_EQ(IsBooleanVariant(c.v), c.boolean);
    EXPECT_EQ(IsDateVariant(c.v), c.date);
    EXPECT_EQ(IsArrayVariant(c.v), c.array);
  }
  // The code test leaves dates out and takes 21 in.
  for (int code = 0; code < 300; ++code) {
    const bool want = (code >= 2 && code <= 6) || (code >= 16 && code <= 21);
    EXPECT_EQ(IsMathVarType(static_cast<TVarType>(code)), want) << code;
  }
  EXPECT_TRUE(VarIsInitial(Variant()));
  EXPECT_TRUE(VarIsInitial(Variant::Null()));
  EXPECT_FALSE(VarIsInitial(Variant::FromUString(u"")));
  const Variant null = Variant::Null();
  EXPECT_FALSE(VarIsInitial(Variant::FromVariantRef(null)));
}

TEST_F(TypesVariantTest, VarIsTypeFollowsReferences) {
  const Variant s = Variant::FromUString(u"s");
  const Variant ref = Variant::FromVariantRef(s);
  const Variant refRef = Variant::FromVariantRef(ref);
  EXPECT_TRUE(VarIsType(refRef, {3, 258}));
  EXPECT_FALSE(VarIsType(refRef, {16396}));
  EXPECT_TRUE(VarIsType(Variant::FromInteger(1), {3}));
  EXPECT_FALSE(VarIsType(Variant::FromInteger(1), {}));
  EXPECT_FALSE(IsStringVariant(refRef));  // the other tests do not follow

  Variant loop;
  loop = Variant::FromVariantRef(loop);
  EXPECT_FALSE(VarIsType(loop, {16396, 0}));
}

// ---- Numeric conversions -------------------------------------------------------------------

TEST_F(TypesVariantTest, IntegerConversionsByCode) {
  int object = 0;
  const Variant target = Variant::FromDouble(7.5);
  struct Case { Variant v; int32_t want; };
  const Case cases[] = {
      {Text(u"2,5"), 2},  // 2.5, halves to even
      {Text(u"3,5"), 4},
      {Text(u"12abc"), 12},
      {Text(u"abc"), 0},
      {Text(u""), 0},
      {Text(u"1,234.5"), 1},  // only the first "," becomes "."
      {Text(u"  -7.5e1x"), -75},
      {Text(u"1e"), 1},       // no exponent digits: not an exponent
      {Text(u".5"), 0},
      {Text(u"-"), 0},
      {Text(u"+2147483647"), INT32_MAX},
      {Variant::FromOleStr(u"9.9"), 10},
      {Variant::FromString("-3,5"), -4},
      {Variant::FromDouble(2.5), 2},
      {Variant::FromDouble(-3.5), -4},
      {Variant::FromCurrency(Currency::FromRaw(25000)), 2},
      {Variant::FromDate(TDateTime(1.5)), 2},
      {Variant::FromBoolean(true), 1},  // not the platform's -1
      {Variant::FromError(-5), -5},
      {Variant::FromByte(200), 200},
      {Variant::FromDispatch(&object), 0},
      {Variant::FromUnknown(&object), 0},
      {Variant::Null(), 0},
      {Variant(), 0},
      {Variant::FromInt64(-9), -9},
      {Variant::FromUInt64(9), 9},
      {Variant::FromUStrArg(u"12"), 12},  // the platform's reading
      {Variant::FromVariantRef(target), 8},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VarToInteger(c.v), c.want) << ::testing::PrintToString(c.v);
    EXPECT_EQ(VarToInt64(c.v), c.want) << ::testing::PrintToString(c.v);
  }
  EXPECT_EQ(VarToInt64(Variant::FromInt64(INT64_MIN)), INT64_MIN);
  EXPECT_EQ(VarToInt64(Text(u"-9223372036854775808")), INT64_MIN);
  EXPECT_EQ(VarToInt64(Text(u"1e18")), 1000000000000000000);
}

// Rounding a value beyond the target range (or not-a-number) to an integer
// is an overflow error, never a wrapped or arbitrary number.
TEST_F(TypesVariantTest, IntegerConversionsRaiseOverflow) {
  const std::u16string overflow32 = u"EVariantOverflowError: Overflow while converting variant";
  const Variant cases32[] = {
      Variant::FromDouble(2147483647.5), Variant::FromDouble(-2147483648.6),
      Variant::FromDouble(NAN),          Variant::FromDouble(INFINITY),
      Variant::FromDate(TDateTime(3e9)), Variant::FromCurrency(Currency::FromRaw(INT64_MAX)),
      Text(u"1e999"),                    Text(u"-3e9"),
      Variant::FromString("2147483648"), Variant::FromInt64(INT64_MAX),
  };
  for (const auto& v : cases32) {
    EXPECT_EQ(Raised([&] { VarToInteger(v); }).substr(0, overflow32.size()), overflow32)
        << ::testing::PrintToString(v);
    EXPECT_THROW(VarToBoolean(v), EVariantOverflowError);
  }
  EXPECT_EQ(Raised([] { VarToInteger(Text(u"1e999")); }),
            u"EVariantOverflowError: Overflow while converting variant of type (UnicodeString) "
            u"into type (Integer)");
  const Variant cases64[] = {Variant::FromDouble(9223372036854775808.0), Variant::FromDouble(NAN),
                             Text(u"1e19"), Text(u"-1" + std::u16string(400, u'0')),
                             Variant::FromUInt64(UINT64_MAX)};
  for (const auto& v : cases64)
    EXPECT_THROW(VarToInt64(v), EVariantOverflowError) << ::testing::PrintToString(v);
  EXPECT_EQ(VarToInt64(Variant::FromDouble(3e9)), 3000000000);
}

TEST_F(TypesVariantTest, ConversionsPassCastErrors) {
  EXPECT_THROW(VarToInteger(Variant::FromUStrArg(u"abc")), EVariantTypeCastError);
  EXPECT_THROW(VarToInteger(VarArrayCreate(0, 1, varInteger)), EVariantTypeCastError);
  EXPECT_THROW(VarToFloat(VarArrayCreate(0, 1, varInteger)), EVariantTypeCastError);
  EXPECT_THROW(VarToStr(VarArrayCreate(0, 1, varInteger)), EVariantTypeCastError);
  EXPECT_THROW(VarToDateTime(Variant::Null()), EVariantTypeCastError);
  EXPECT_THROW(VarToDateTime(Text(u"no date")), EVariantTypeCastError);
}

TEST_F(TypesVariantTest, FloatAndBooleanConversions) {
  int object = 0;
  struct Case { Variant v; double want; };
  const Case cases[] = {
      {Date(2024, 1, 15, 12), 45306.5},  // the day number
      {Variant::FromCurrency(Currency::FromRaw(15)), 0.0015},
      {Text(u"1,234.5"), 1.234},
      {Text(u"2,5"), 2.5},
      {Text(u"12abc"), 12.0},
      {Text(u"abc"), 0.0},
      {Text(u"1e999"), INFINITY},
      {Text(u"-1e999"), -INFINITY},
      {Text(u"1e-999"), 0.0},
      {Text(u"0." + std::u16string(400, u'0') + u"1e400"), 0.1},
      {Variant::FromBoolean(true), 1.0},
      {Variant::FromDispatch(&object), 0.0},
      {Variant::Null(), 0.0},
      {Variant::FromUInt64(5), 5.0},
      {Variant::FromInt64(-5), -5.0},
  };
  for (const auto& c : cases) EXPECT_EQ(VarToFloat(c.v), c.want) << ::testing::PrintToString(c.v);

  // Booleans are integers: texts are numbers, "True" is no number.
  EXPECT_FALSE(VarToBoolean(Text(u"True")));
  EXPECT_TRUE(VarToBoolean(Text(u"0.6")));
  EXPECT_FALSE(VarToBoolean(Text(u"0,4")));
  EXPECT_TRUE(VarToBoolean(Variant::FromBoolean(true)));
  EXPECT_FALSE(VarToBoolean(Variant::Null()));
  EXPECT_EQ(VarToDateTime(Date(2024, 1, 15)), EncodeDate(2024, 1, 15));
}

TEST_F(TypesVariantTest, ObjectReferencesTravelAsInt64) {
  TObject object;
  const Variant v = ObjectToVar(&object);
  EXPECT_EQ(v.VarType(), varInt64);
  EXPECT_EQ(VarToObject(v), &object);
  EXPECT_EQ(VarToIntObject(v), static_cast<int64_t>(reinterpret_cast<intptr_t>(&object)));
  EXPECT_EQ(VarToObject(ObjectToVar(nullptr)), nullptr);
}

TEST_F(TypesVariantTest, ArrayAsStringArray) {
  Variant a = VarArrayCreate(2, 4, varVariant);
  VarArrayPut(a, Variant::FromInteger(7), 2);
  VarArrayPut(a, Variant::Null(), 3);
  VarArrayPut(a, Variant::FromUString(u"x"), 4);
  EXPECT_EQ(VarArrayAsStringArray(a), (TWideStringArray{u"7", u"", u"x"}));
  EXPECT_EQ(VarArrayAsStringArray(Variant::FromByteArray(ByteBuffer(std::string("\x01\xFF")))),
            (TWideStringArray{u"1", u"255"}));
  EXPECT_TRUE(VarArrayAsStringArray(VarArrayCreate(0, -1, varInteger)).empty());

  for (const Variant& v : {VarArrayCreate({0, 1, 0, 1}, varInteger), Variant::FromInteger(1),
                           Variant(), Variant::FromVariantRef(a)})
    EXPECT_EQ(Raised([&] { VarArrayAsStringArray(v); }), u"Exception: invalid array dimension");
}

TEST_F(TypesVariantTest, ShortDateFormatAKeepsTheSlash) {
  FormatSettings().ShortDateFormat = u"dd/mm/yyyy";
  FormatSettings().DateSeparator = u'.';
  EXPECT_EQ(ShortDateFormatA(), "dd/mm/yyyy");
}

// ---- Document-model values -----------------------------------------------------------------

TEST_F(TypesVariantTest, VariantToBsonValue) {
  int object = 0;
  struct Case { Variant v; BsonValue want; };
  const Case cases[] = {
      {Variant(), BsonValue::Null()},
      {Variant::Null(), BsonValue::Null()},
      {Variant::FromInteger(-3), BsonValue::Int64(-3)},  // every integer as Int64
      {Variant::FromByte(3), BsonValue::Int64(3)},
      {Variant::FromDouble(2.5), BsonValue::Double(2.5)},
      {Variant::FromCurrency(Currency::FromRaw(15000)), BsonValue::Double(1.5)},
      {Variant::FromBoolean(true), BsonValue::Boolean(true)},
      {Date(1970, 1, 1, 0, 0, 1, 500), BsonValue::DateTime(1500)},  // no zone shift
      {Variant::FromUString(u"s"), BsonValue::String(u"s")},
      {Variant::FromString("8"), BsonValue::String(u"8")},
      {Variant::FromUInt64(UINT64_MAX), BsonValue::String(u"18446744073709551615")},
      // Errors give null.
      {Variant::FromDate(TDateTime(NAN)), BsonValue::Null()},
      {Variant::FromDate(TDateTime(-693594.5)), BsonValue::Null()},  // before the year 1
      {Variant::FromDate(TDateTime(2958466.0)), BsonValue::Null()},  // after 9999
      {VarArrayCreate(0, 1, varInteger), BsonValue::Null()},
      {Variant::FromDispatch(&object), BsonValue::Null()},
      {Variant::FromError(1), BsonValue::Null()},
  };
  for (auto c : cases)
    EXPECT_EQ(VarToBsonValueByRef(c.v, false), c.want) << ::testing::PrintToString(c.v);

  Variant d = Date(2024, 1, 15, 12, 0, 0, 250);
  EXPECT_EQ(VarToBsonValueByRef(d, true), BsonValue::String(u"2024-01-15T12:00:00.250Z"));
  Variant day = Date(2024, 1, 15);
  EXPECT_EQ(VarToBsonValueByRef(day, true), BsonValue::String(u"2024-01-15"));
  EXPECT_EQ(d, Date(2024, 1, 15, 12, 0, 0, 250));  // the argument is left as it was
}

TEST_F(TypesVariantTest, BsonValueToVariantByKind) {
  BsonObjectId id{};
  for (size_t i = 0; i < id.size(); ++i) id[i] = static_cast<uint8_t>(i * 17 + 10);
  struct Case { BsonValue v; TVarType type; Variant want; };
  const Case cases[] = {
      {BsonValue::Null(), 258, Variant::Null()},
      {BsonValue::Double(1.5), 3, Variant::FromDouble(1.5)},
      {BsonValue::String(u"2024-01-15"), 7, Date(2024, 1, 15)},
      {BsonValue::String(u"2024-01-15"), 258, Text(u"2024-01-15")},
      {BsonValue::String(u"garbage"), 7, Variant::FromDate(TDateTime(0.0))},
      {BsonValue::Document({{u"a", BsonValue::Int32(1)}}), 258, Variant::Null()},
      {BsonValue::Array({BsonValue::Int32(1)}), 258, Variant::Null()},
      {BsonValue::ObjectId(id), 258, Text(u"0a1b2c3d4e5f708192a3b4c5")},
      {BsonValue::Boolean(false), 258, Variant::FromBoolean(false)},
      {BsonValue::DateTime(1500), 258, Date(1970, 1, 1, 0, 0, 1, 500)},
      {BsonValue::DateTime(INT64_MAX), 258, Variant::Null()},  // beyond the year 9999
      {BsonValue::DateTime(INT64_MIN), 258, Variant::Null()},
      {BsonValue::Int32(-3), 258, Variant::FromInteger(-3)},
      {BsonValue::Timestamp(1700000000, 9), 258, Variant::FromInteger(1700000000)},
      {BsonValue::Timestamp(0xFFFFFFFF, 9), 258, Variant::FromInteger(-1)},
      {BsonValue::Int64(INT64_MIN), 3, Variant::FromInt64(INT64_MIN)},
      {BsonValue::Undefined(), 258, Variant::Null()},
      {BsonValue::RegularExpression(u"a", u""), 258, Variant::Null()},
      {BsonValue::JavaScript(u"f()"), 258, Variant::Null()},
      {BsonValue::Symbol(u"s"), 258, Variant::Null()},
      {BsonValue::MinKey(), 258, Variant::Null()},
      {BsonValue::MaxKey(), 258, Variant::Null()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BsonValueToVariant(c.v, c.type), c.want) << ::testing::PrintToString(c.want);
    EXPECT_EQ(BsonValueToVariantByRef(c.v, c.type), c.want);
  }

  const Variant bytes =
      BsonValueToVariant(BsonValue::Binary(ByteBuffer(std::string("\x00\xFF", 2)), 4), 258);
  EXPECT_EQ(bytes.VarType(), varArray | varByte);
  EXPECT_EQ(VarArrayLowBound(bytes, 1), 0);
  EXPECT_EQ(VarArrayGet(bytes, 1), Variant::FromByte(255));
}

// UTC milliseconds against std::chrono's calendar, across the whole range and
// both sides of 1899-12-30, and back to the millisecond.
TEST_F(TypesVariantTest, BsonDatesMatchAnIndependentCalendar) {
  using namespace std::chrono;
  struct Case { int y; unsigned m, d, h, n, s, ms; };
  const Case cases[] = {
      {1, 1, 1, 0, 0, 0, 0},         {1, 1, 1, 23, 59, 59, 999},  {1600, 2, 29, 12, 0, 0, 1},
      {1899, 12, 29, 6, 0, 0, 0},    {1899, 12, 30, 0, 0, 0, 0},  {1899, 12, 30, 6, 0, 0, 0},
      {1969, 12, 31, 23, 59, 59, 999}, {1970, 1, 1, 0, 0, 0, 0},  {2024, 1, 15, 18, 0, 0, 900},
      {2038, 1, 19, 3, 14, 8, 0},    {9999, 12, 31, 23, 59, 59, 999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.y * 10000 + c.m * 100 + c.d);
    const auto day = sys_days{year{c.y} / month{c.m} / std::chrono::day{c.d}};
    const int64_t want = duration_cast<milliseconds>(day.time_since_epoch()).count() +
                         ((c.h * 60 + c.n) * 60 + c.s) * 1000 + c.ms;
    Variant v = Date(c.y, c.m, c.d, c.h, c.n, c.s, c.ms);
    const BsonValue b = VarToBsonValueByRef(v, false);
    ASSERT_EQ(b.Kind(), BsonKind::DateTime);
    EXPECT_EQ(b.AsDateTime(), want);
    EXPECT_EQ(BsonValueToVariant(b, 258), v);
  }
  // One millisecond outside the range on either side.
  const int64_t first = duration_cast<milliseconds>(
      sys_days{year{1} / January / 1}.time_since_epoch()).count();
  const int64_t end = duration_cast<milliseconds>(
      sys_days{year{10000} / January / 1}.time_since_epoch()).count();
  EXPECT_EQ(BsonValueToVariant(BsonValue::DateTime(first - 1), 258), Variant::Null());
  EXPECT_EQ(BsonValueToVariant(BsonValue::DateTime(end), 258), Variant::Null());
  EXPECT_EQ(BsonValueToVariant(BsonValue::DateTime(end - 1), 258),
            Date(9999, 12, 31, 23, 59, 59, 999));
}

}  // namespace
