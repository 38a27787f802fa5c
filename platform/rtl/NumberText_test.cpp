#include "platform/rtl/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "platform/rtl/Exceptions.h"

namespace {

// Restores the process-wide settings that a test changes.
class NumberTextSettings : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = FormatSettings(); }
  void TearDown() override { FormatSettings() = saved_; }

 private:
  TFormatSettings saved_;
};

constexpr int64_t kFail = 0x7EADBEEF;  // "does not read" in the tables below

TEST(IntegerReader, Int32Table) {
  struct Case { std::u16string text; int64_t want; };
  const Case cases[] = {
      {u"0", 0},
      {u"12", 12},
      {u"  -12", -12},          // leading blanks, sign
      {u"+7", 7},
      {u"007", 7},
      {u"12 ", kFail},          // trailing blank
      {u"\t12", kFail},         // only U+0020 is a blank
      {u"", kFail},
      {u"   ", kFail},
      {u"-", kFail},
      {u"+-1", kFail},
      {u"- 1", kFail},
      {u"1.0", kFail},
      {u"1e3", kFail},
      {u"1,000", kFail},
      {u"abc", kFail},
      {u"\uFF11", kFail},       // a full-width digit is no digit
      {u"$1F", 31},
      {u"$1f", 31},
      {u"0x1F", 31},
      {u"0X1f", 31},
      {u"x10", 16},
      {u"X10", 16},
      {u"-$10", -16},
      {u" $10", 16},
      {u"$", kFail},
      {u"0x", kFail},
      {u"$1G", kFail},
      {u"2147483647", 2147483647},
      {u"2147483648", kFail},   // overflow
      {u"-2147483648", -2147483648LL},
      {u"-2147483649", kFail},
      {u"99999999999999999999999", kFail},
      {u"$7FFFFFFF", 2147483647},
      {u"$FFFFFFFF", -1},       // a bit pattern of 32 bits
      {u"$80000000", -2147483648LL},
      {u"$000000001", 1},       // leading zeros do not count
      {u"$100000000", kFail},
  };
  for (const auto& c : cases) {
    int32_t v = 0;
    const bool ok = TryStrToInt(c.text, v);
    if (c.want == kFail) {
      EXPECT_FALSE(ok) << ToUtf8(c.text);
      EXPECT_EQ(StrToIntDef(c.text, -99), -99) << ToUtf8(c.text);
    } else {
      EXPECT_TRUE(ok) << ToUtf8(c.text);
      EXPECT_EQ(v, c.want) << ToUtf8(c.text);
      EXPECT_EQ(StrToInt(c.text), c.want) << ToUtf8(c.text);
    }
  }
}

TEST(IntegerReader, Int64AndUInt64Table) {
  struct Case { std::u16string text; bool ok; int64_t want; };
  const Case cases[] = {
      {u"9223372036854775807", true, INT64_MAX},
      {u"9223372036854775808", false, 0},
      {u"-9223372036854775808", true, INT64_MIN},
      {u"-9223372036854775809", false, 0},
      {u"$FFFFFFFF", true, 4294967295LL},   // fits 64 bits: positive
      {u"$FFFFFFFFFFFFFFFF", true, -1},
      {u"$8000000000000000", true, INT64_MIN},
      {u"$10000000000000000", false, 0},
      {u"0x7fffffffffffffff", true, INT64_MAX},
      {u" -42", true, -42},
      {u"42x", false, 0},
  };
  for (const auto& c : cases) {
    int64_t v = 0;
    EXPECT_EQ(TryStrToInt64(c.text, v), c.ok) << ToUtf8(c.text);
    if (c.ok) { EXPECT_EQ(v, c.want) << ToUtf8(c.text); }
    EXPECT_EQ(StrToInt64Def(c.text, 5), c.ok ? c.want : 5) << ToUtf8(c.text);
  }

  struct UCase { std::u16string text; bool ok; uint64_t want; };
  const UCase ucases[] = {
      {u"18446744073709551615", true, UINT64_MAX},
      {u"18446744073709551616", false, 0},
      {u"$FFFFFFFFFFFFFFFF", true, UINT64_MAX},
      {u"+5", true, 5},
      {u"-1", false, 0},  // no sign for an unsigned value
  };
  for (const auto& c : ucases) {
    uint64_t v = 0;
    EXPECT_EQ(TryStrToUInt64(c.text, v), c.ok) << ToUtf8(c.text);
    if (c.ok) { EXPECT_EQ(v, c.want) << ToUtf8(c.text); }
  }
}

TEST(IntegerReader, RaisesConvertErrorNamingTheText) {
  try {
    StrToInt(u"abc");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, u"'abc' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt64(u"12 "), EConvertError);
  EXPECT_THROW(StrToInt(u"2147483648"), EConvertError);
}

TEST(IntegerWriter, DecimalAndHexadecimal) {
  EXPECT_EQ(IntToStr(int32_t{0}), u"0");
  EXPECT_EQ(IntToStr(int32_t{-7}), u"-7");
  EXPECT_EQ(IntToStr(std::numeric_limits<int32_t>::min()), u"-2147483648");
  EXPECT_EQ(IntToStr(std::numeric_limits<int64_t>::min()), u"-9223372036854775808");
  EXPECT_EQ(IntToStr(std::numeric_limits<int64_t>::max()), u"9223372036854775807");
  EXPECT_EQ(UIntToStr(std::numeric_limits<uint64_t>::max()), u"18446744073709551615");

  struct Case { std::u16string got, want; };
  const Case cases[] = {
      {IntToHex(255, 4), u"00FF"},
      {IntToHex(0x1234, 2), u"1234"},  // never cut
      {IntToHex(0, 0), u"0"},
      {IntToHex(int32_t{-1}, 2), u"FFFFFFFF"},  // two's complement, 32 bits
      {IntToHex(int64_t{-1}, 0), u"FFFFFFFFFFFFFFFF"},
      {IntToHex(int64_t{0xABCDEF}, 8), u"00ABCDEF"},
      {IntToHex(uint64_t{UINT64_MAX}, 1), u"FFFFFFFFFFFFFFFF"},
      {IntToHex(1, -3), u"1"},
      {IntToHex(1, 1000), std::u16string(31, u'0') + u"1"},  // at most 32 digits
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(IntegerWriter, RoundTripsThroughTheReader) {
  const int64_t values[] = {0, 1, -1, 255, -255, INT32_MIN, INT32_MAX, INT64_MIN, INT64_MAX,
                            1234567890123LL};
  for (int64_t v : values) {
    int64_t back = 0;
    ASSERT_TRUE(TryStrToInt64(IntToStr(v), back)) << v;
    EXPECT_EQ(back, v);
    ASSERT_TRUE(TryStrToInt64(u"$" + IntToHex(v, 1), back)) << v;
    EXPECT_EQ(back, v);
    if (v >= INT32_MIN && v <= INT32_MAX) {
      int32_t back32 = 0;
      ASSERT_TRUE(TryStrToInt(u"0x" + IntToHex(static_cast<int32_t>(v), 8), back32)) << v;
      EXPECT_EQ(back32, v);
    }
  }
}

TEST(DecimalReader, GrammarTable) {
  const double kNo = std::numeric_limits<double>::quiet_NaN();
  struct Case { std::u16string text; char16_t sep; double want; };
  const Case cases[] = {
      {u"1.5", u'.', 1.5},
      {u"  -1.5", u'.', -1.5},
      {u"+.5", u'.', 0.5},
      {u"5.", u'.', 5.0},
      {u"00012.50", u'.', 12.5},
      {u"1e3", u'.', 1000.0},
      {u"1E-3", u'.', 0.001},
      {u"2.5e+2", u'.', 250.0},
      {u"1,5", u',', 1.5},
      {u"-,25E1", u',', -2.5},
      {u"1,5", u'.', kNo},      // only the given separator
      {u"1.5", u',', kNo},
      {u"1,234.5", u'.', kNo},  // no thousand separator
      {u"1.5 ", u'.', kNo},     // trailing blank
      {u"\t1.5", u'.', kNo},
      {u".", u'.', kNo},
      {u"", u'.', kNo},
      {u"-", u'.', kNo},
      {u"--1", u'.', kNo},
      {u"1.2.3", u'.', kNo},
      {u"1e", u'.', kNo},
      {u"1e+", u'.', kNo},
      {u"e5", u'.', kNo},
      {u"1e5.0", u'.', kNo},
      {u"0x10", u'.', kNo},
      {u"INF", u'.', kNo},
      {u"NAN", u'.', kNo},
      {u"abc", u'.', kNo},
      {u"1e400", u'.', kNo},    // too large
      {u"1e99999999999999999999", u'.', kNo},
  };
  for (const auto& c : cases) {
    double v = -77.0;
    const bool ok = TryStrToFloat(c.text, v, c.sep);
    if (std::isnan(c.want)) {
      EXPECT_FALSE(ok) << ToUtf8(c.text);
    } else {
      EXPECT_TRUE(ok) << ToUtf8(c.text);
      EXPECT_EQ(v, c.want) << ToUtf8(c.text);
    }
  }
}

TEST(DecimalReader, CorrectlyRoundedAndUnderflowToZero) {
  double v = 0;
  // The exact decimal expansion of the double 0.1.
  ASSERT_TRUE(TryStrToFloat(u"0.1000000000000000055511151231257827021181583404541015625", v, u'.'));
  EXPECT_EQ(v, 0.1);
  // 2^53 + 1 lies half-way between two doubles: ties to even.
  ASSERT_TRUE(TryStrToFloat(u"9007199254740993", v, u'.'));
  EXPECT_EQ(v, 9007199254740992.0);
  ASSERT_TRUE(TryStrToFloat(u"1.7976931348623157e308", v, u'.'));
  EXPECT_EQ(v, std::numeric_limits<double>::max());
  ASSERT_TRUE(TryStrToFloat(u"4.9406564584124654e-324", v, u'.'));
  EXPECT_EQ(v, std::numeric_limits<double>::denorm_min());
  // Too small for a double: zero, keeping the sign.
  ASSERT_TRUE(TryStrToFloat(u"-1e-400", v, u'.'));
  EXPECT_EQ(v, 0.0);
  EXPECT_TRUE(std::signbit(v));
  ASSERT_TRUE(TryStrToFloat(u"0.0000000000000000000001e-390", v, u'.'));
  EXPECT_EQ(v, 0.0);
  ASSERT_TRUE(TryStrToFloat(u"0e999999", v, u'.'));
  EXPECT_EQ(v, 0.0);
}

TEST_F(NumberTextSettings, ReaderWithoutSeparatorUsesFormatSettings) {
  FormatSettings().DecimalSeparator = u',';
  double v = 0;
  EXPECT_TRUE(TryStrToFloat(u"2,5", v));
  EXPECT_EQ(v, 2.5);
  EXPECT_FALSE(TryStrToFloat(u"2.5", v));
  EXPECT_EQ(StrToFloat(u"-0,125"), -0.125);

  TFormatSettings dot = FormatSettings();
  dot.DecimalSeparator = u'.';
  EXPECT_TRUE(TryStrToFloat(u"2.5", v, dot));
  EXPECT_EQ(StrToFloat(u"2.5", dot), 2.5);
}

TEST(DecimalReader, RaisesConvertErrorNamingTheText) {
  try {
    StrToFloat(u"1,5", u'.');
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, u"'1,5' is not a valid floating point value");
  }
}

TEST(GeneralWriter, FifteenSignificantDigits) {
  struct Case { double value; std::u16string want; };
  const Case cases[] = {
      {0.0, u"0"},
      {-0.0, u"0"},                              // negative zero
      {1.0, u"1"},
      {-1.5, u"-1.5"},
      {100.0, u"100"},
      {0.1, u"0.1"},
      {0.1 + 0.2, u"0.3"},                       // 0.30000000000000004
      {1.0 / 3.0, u"0.333333333333333"},
      {2.0 / 3.0, u"0.666666666666667"},
      {123.456, u"123.456"},
      {12345678901234.5, u"12345678901234.5"},
      {999999999999999.0, u"999999999999999"},   // 15 digits: still fixed
      {1e15, u"1E15"},
      {999999999999999.9, u"1E15"},              // rounding carries into the exponent
      {1000000000000005.0, u"1.00000000000001E15"},  // an exact half rounds away from zero
      {123456789012345678.0, u"1.23456789012346E17"},
      {-1e20, u"-1E20"},
      {0.0001, u"0.0001"},
      {0.00012345, u"0.00012345"},
      {1e-5, u"1E-5"},
      {2.5e-7, u"2.5E-7"},
      {-1.25e-10, u"-1.25E-10"},
      {std::numeric_limits<double>::max(), u"1.79769313486232E308"},
      {std::numeric_limits<double>::denorm_min(), u"4.94065645841247E-324"},
      {std::numeric_limits<double>::quiet_NaN(), u"NAN"},
      {std::numeric_limits<double>::infinity(), u"INF"},
      {-std::numeric_limits<double>::infinity(), u"-INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.value), c.want) << c.value;
}

TEST_F(NumberTextSettings, WriterSeparatorIsExplicit) {
  EXPECT_EQ(FloatToStr(1.5, u','), u"1,5");
  EXPECT_EQ(FloatToStr(-2.5e-7, u','), u"-2,5E-7");
  EXPECT_EQ(FloatToStr(3.0, u','), u"3");
  TFormatSettings comma = FormatSettings();
  comma.DecimalSeparator = u',';
  EXPECT_EQ(FloatToStr(0.25, comma), u"0,25");
  // The one-argument writer does not follow the settings.
  FormatSettings().DecimalSeparator = u',';
  EXPECT_EQ(FloatToStr(0.25), u"0.25");
}

TEST(GeneralWriter, OtherPrecisions) {
  EXPECT_EQ(FloatToStrGeneral(static_cast<double>(0.1f), 7, u'.'), u"0.1");
  EXPECT_EQ(FloatToStrGeneral(static_cast<double>(16777217.0f), 7, u'.'), u"1.677722E7");
  EXPECT_EQ(FloatToStrGeneral(1234567.0, 7, u'.'), u"1234567");
  EXPECT_EQ(FloatToStrGeneral(0.1, 17, u'.'), u"0.10000000000000001");
}

// Every double survives writer -> reader -> writer, and the text read back is
// within the 15-digit rounding of the value.
TEST(GeneralWriter, RoundTripsThroughTheReader) {
  std::mt19937_64 random(20240115);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-30, 30);
  for (int i = 0; i < 20000; ++i) {
    const double v = mantissa(random) * std::pow(10.0, exponent(random));
    const UnicodeString text = FloatToStr(v);
    double back = 0;
    ASSERT_TRUE(TryStrToFloat(text, back, u'.')) << ToUtf8(text);
    EXPECT_EQ(FloatToStr(back), text) << v;
    EXPECT_LE(std::fabs(back - v), std::fabs(v) * 5e-15) << v << " " << ToUtf8(text);
  }
  // Texts of at most 15 significant digits come back as written.
  const std::u16string texts[] = {u"0.1", u"-123.456", u"1E-5", u"9.87654321012345E100",
                                  u"0.000123456789012345", u"123456789012345", u"2.2250738585072E-308"};
  for (const auto& t : texts) EXPECT_EQ(FloatToStr(StrToFloat(t, u'.')), t);
}

TEST(FixedWriter, EighteenDigitsRoundedHalfUpAtTheLastDecimal) {
  struct Case { double v; int32_t decimals; std::string want; };
  const Case cases[] = {
      {0.125, 2, "0.13"},     // std::to_chars rounds this tie to even: "0.12"
      {2.5, 0, "3"},
      {1.005, 2, "1.00"},     // the double is 1.00499999999999989...
      {0.1, 20, "0.10000000000000000600"},  // 18 digits, then zeros
      {-0.004, 2, "-0.00"},   // the sign of the value stays
      {-0.0, 2, "0.00"},
      {99.995, 2, "100.00"},  // the double is 99.99500000000000045...
      {999.9995, 3, "1000.000"},  // the carry runs through every digit
      {0.0, 0, "0"},
      {5e-324, 3, "0.000"},
      {1e35, 1, "99999999999999996900000000000000000.0"},
      {1e36, 1, " 1.0E+0036"},  // the exponent form from a decimal exponent of 36
      {-1.5, -4, "-2"},         // negative counts as 0
      {std::numeric_limits<double>::quiet_NaN(), 2, "Nan"},
      {std::numeric_limits<double>::infinity(), 2, "+Inf"},
      {-std::numeric_limits<double>::infinity(), 2, "-Inf"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FloatToFixedText(c.v, c.decimals), c.want) << c.v << " / " << c.decimals;
  EXPECT_EQ(FloatToFixedText(1.0, 1000).size(), 352u);  // at most 350 decimals
}

TEST(ExponentWriter, SignDigitsAndFourExponentDigits) {
  struct Case { double v; int32_t digits; std::string want; };
  const Case cases[] = {
      {1234.5, 15, " 1.23450000000000E+0003"},
      {-0.000999, 2, "-1.0E-0003"},  // the carry moves the exponent
      {0.0, 15, " 0.00000000000000E+0000"},
      {5e-324, 3, " 4.94E-0324"},
      {7.0, 1, " 7E+0000"},
      {0.1, 30, " 1.00000000000000006E-0001"},  // at most 18 digits
      // Next to the largest double the digits are cut, so the text reads back.
      {1.7976931348623157e308, 15, " 1.79769313486231E+0308"},
      {-1.7976931348623157e308, 2, "-1.7E+0308"},
      {1.75e308, 2, " 1.7E+0308"},
      {1.6e308, 2, " 1.6E+0308"},
      {std::numeric_limits<double>::quiet_NaN(), 15, "Nan"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FloatToExponentText(c.v, c.digits), c.want) << c.v << " / " << c.digits;
  for (double v : {1.7976931348623157e308, 1.75e308, 1.749e308}) {
    double back;
    EXPECT_TRUE(TryStrToFloat(ToUtf16(FloatToExponentText(v, 2)), back, u'.')) << v;
  }
}

}  // namespace
