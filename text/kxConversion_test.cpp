#include "text/kxConversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

namespace {

namespace K = TkxConversion;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

template <class E, class F>
UnicodeString MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message;
  }
  return u"<no exception>";
}

// ---- Integers ----------------------------------------------------------------

TEST(StrToInt, RulesInOrder) {
  struct Case { std::u16string text; int32_t errorVal; int64_t want; };
  const Case cases[] = {
      {u"", 7, 0},  // empty is 0, not ErrorVal
      {u"12", 7, 12},
      {u" 12", 7, 12},
      {u"12 ", 7, 7},  // a trailing blank fails
      {u"\t12", 7, 7},  // only U+0020 is skipped
      {u"3.0", 7, 3},
      {u"3.5", 7, 7},
      {u"1.000.000", 7, 0},  // "." goes to StrToReal, which cannot read it
      {u"-2.0", 7, -2},
      {u"1,234.0", 7, 1234},
      {u"$1F", 7, 31},
      {u"0x1f", 7, 31},
      {u"X1F", 7, 31},
      {u"-$10", 7, -16},
      {u"1,5", 7, 7},
      {u"+", 7, 7},
      {u"9223372036854775807", 7, INT64_MAX},
      {u"-9223372036854775808", 7, INT64_MIN},
      {u"9223372036854775808", 7, 7},  // overflow
      {u"12x", -1, -1},               // ErrorVal keeps its sign
      {u"12x", INT32_MIN, INT32_MIN},
      // Whole values with "." beyond the 64-bit range: never cast.
      {u"9223372036854775807.0", 7, 7},  // the double is 2^63
      {u"-9223372036854775808.0", 7, INT64_MIN},
      {u"1" + std::u16string(300, u'0') + u".0", 7, 7},
  };
  for (const auto& c : cases) EXPECT_EQ(K::StrToInt(c.text, c.errorVal), c.want) << ToUtf8(c.text);
}

TEST(HexToInt, HexadecimalWithoutPrefix) {
  struct Case { std::u16string text; int32_t errorVal; int64_t want; };
  const Case cases[] = {
      {u"ff", 0, 255},
      {u"", 9, 0},
      {u"zz", 9, 9},
      {u"7FFFFFFFFFFFFFFF", 9, INT64_MAX},
      {u"FFFFFFFFFFFFFFFF", 9, -1},  // a 64-bit pattern
      {u"1.5", 9, 0},                // "." reads through StrToReal, which fails
      {u"-1", 9, 9},
  };
  for (const auto& c : cases) EXPECT_EQ(K::HexToInt(c.text, c.errorVal), c.want) << ToUtf8(c.text);
}

TEST(IntToStr, Decimal) {
  EXPECT_EQ(K::IntToStr(0), "0");
  EXPECT_EQ(K::IntToStr(-7), "-7");
  EXPECT_EQ(K::IntToStr(INT64_MIN), "-9223372036854775808");
}

// ---- Decimals: writers ---------------------------------------------------------

TEST(RealToStr, ThreeForms) {
  struct Case { double v; int8_t decimals; std::string want; };
  const Case cases[] = {
      {1234.5, -1, " 1.23450000000000E+0003"},
      {-0.000123456789012345678, -1, "-1.23456789012346E-0004"},
      {0.0, -1, " 0.00000000000000E+0000"},
      {1e-320, -1, " 9.99988867182683E-0321"},  // subnormal
      // Rounded up, the largest double would be written beyond itself and the
      // text would not read back: there the digits are cut instead.
      {1.7976931348623157e308, -1, " 1.79769313486231E+0308"},
      {-1.7976931348623157e308, -2, "-1.7E+0308"},
      {1.7e308, -1, " 1.70000000000000E+0308"},
      {1.25, 1, "1.3"},
      {-2.5, 0, "-3"},
      {0.5, 37, "0.5" + std::string(36, '0')},
      {1234.5, -2, " 1.2E+0003"},
      {-9.96, -5, "-1.0E+0001"},  // the carry moves the exponent
      {1e36, 2, " 1.0E+0036"},    // fixed notation ends at a decimal exponent of 35
      {9e35, 0, "899999999999999935000000000000000000"},  // 18 digits, then zeros
      {kNaN, 2, "Nan"},
      {kInf, -1, "+Inf"},
      {-kInf, 3, "-Inf"},
      {1.0, 100, "1." + std::string(37, '0')},  // counts as 37
  };
  for (const auto& c : cases)
    EXPECT_EQ(K::RealToStr(c.v, c.decimals), c.want) << c.v << " / " << int(c.decimals);
}

TEST(FloatToStr, FixedNotationThenMinDecimals) {
  struct Case { double v; int32_t decimals; int8_t minDecimals; std::string want; };
  const Case cases[] = {
      {3.1005, 7, 2, "3.1005"},
      {10.5, 7, 2, "10.50"},
      {1, 7, 2, "1.00"},
      {0.1234567891, 7, 2, "0.1234568"},
      {2.5, 4, 2, "2.50"},
      {-0.00000001, 7, 2, "-0.00"},  // the sign of the value stays
      {-0.0, 7, 2, "0.00"},
      {0.125, 2, 0, "0.13"},     // half up on the digits, not ties to even
      {1.005, 2, 2, "1.00"},     // the double lies below 1.005
      {9.99999996, 7, 2, "10.00"},  // the carry runs into the whole part
      {123.456, 20, 2, "123.456"},  // at most seven decimals
      {1e20, 7, 2, "100000000000000000000.00"},
      {0.1 + 0.2, 7, 2, "0.30"},
      // Stripping leaves no decimal: the point goes too.
      {2.0, 7, 0, "2"},
      {2.0, 7, -3, "2"},
      // No decimals at all.
      {2.5, 0, 2, "3"},  // half up: std::to_chars writes "2"
      {-2.5, -5, 2, "-3"},
      // The exponent form and the non-numbers pass unchanged.
      {1e40, 7, 2, " 1.0E+0040"},
      {-2.5e300, 7, 2, "-2.5E+0300"},
      {1.7976931348623157e308, 7, 2, " 1.7E+0308"},  // " 1.8E+0308" would not read
      {kNaN, 7, 2, "Nan"},
      {kInf, 7, 2, "+Inf"},
      {-kInf, 7, 2, "-Inf"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(K::FloatToStr(c.v, c.decimals, c.minDecimals), c.want)
        << c.v << " / " << c.decimals << " / " << int(c.minDecimals);
}

TEST(FloatToStr, EveryFiniteTextReadsBackWithStrToReal) {
  std::mt19937_64 rng(20240611);
  std::vector<double> values = {0.0, -0.0, 5e-324, -5e-324, 2.2250738585072014e-308,
                                1.7976931348623157e308, -1.7976931348623157e308,
                                9.99999999999999e35, 1e36, 0.5, -0.5, 0.049999999, 1e-8};
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int k = 0; k < 20000; ++k) {
    // Any bit pattern, and values of a size documents hold.
    double bits;
    const uint64_t r = rng();
    std::memcpy(&bits, &r, sizeof bits);
    if (std::isfinite(bits)) values.push_back(bits);
    values.push_back(unit(rng) * std::pow(10.0, static_cast<int>(rng() % 24) - 8));
  }
  for (double v : values) {
    const AnsiString text = K::FloatToStr(v, 7, 2);
    double back = 0;
    ASSERT_NO_THROW(back = K::StrToReal(ToUtf16(text), true, 0)) << text;
    // Seven decimals, or two significant digits in the exponent form (cut
    // rather than rounded next to the largest double).
    const double tolerance = text.find('E') != AnsiString::npos
                                 ? std::fabs(v) * 0.06
                                 : 0.5e-7 + std::fabs(v) * 1e-15;
    EXPECT_LE(std::fabs(back - v), tolerance) << text;
  }
}

TEST(FloatToStr, VariantByTypeCode) {
  struct Case { Variant v; std::string want; };
  const Case cases[] = {
      {Variant::FromCurrency(Currency::FromRaw(15000)), "1.50"},
      {Variant::FromCurrency(Currency::FromRaw(-123456789)), "-12345.6789"},
      {Variant::FromInt64(42), "42"},
      {Variant::FromInt64(INT64_MIN), "-9223372036854775808"},
      {Variant::FromInteger(-7), "-7"},
      {Variant::FromSmallint(3), "3"},
      {Variant::FromShortInt(-3), "-3"},
      {Variant::FromByte(255), "255"},
      {Variant::FromWord(65535), "65535"},
      {Variant::FromLongWord(4294967295u), "4294967295"},
      {Variant::FromDouble(0.1), "0.10"},
      {Variant::FromSingle(0.5f), "0.50"},
      {Variant::FromBoolean(true), "-1.00"},  // true is -1 as a number
      {Variant::Empty(), "0.00"},
      {Variant::FromUString(u"2.5"), "2.50"},
      {Variant::FromUInt64(1u << 20), "1048576.00"},  // code 21 goes through a double
  };
  for (const auto& c : cases) EXPECT_EQ(K::FloatToStr(c.v), c.want) << c.want;
  EXPECT_THROW(K::FloatToStr(Variant::Null()), EVariantTypeCastError);
  EXPECT_THROW(K::FloatToStr(Variant::FromUString(u"abc")), EVariantTypeCastError);
}

// ---- Decimals: readers --------------------------------------------------------

TEST(StrToReal, EitherSeparator) {
  struct Case { std::u16string text; double want; };
  const Case cases[] = {
      {u"1.234,56", 1234.56},
      {u"1,234.56", 1234.56},
      {u"1.234.567,8", 1234567.8},
      {u"12,5", 12.5},
      {u"1,234,567", -1},  // becomes 1.234.567
      {u"1,2.3,4", -1},
      {u" 2.5", 2.5},
      {u"2.5 ", -1},
      {u"", -1},
      {u"-1e3", -1000},
      {u"+.5", 0.5},
      {u"5.", 5},
      {u"1e400", -1},  // beyond a double
      {u"inf", -1},
      {u"nan", -1},
      {u"0x1p3", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(K::StrToReal(c.text, false, -1), c.want) << ToUtf8(c.text);
}

TEST(StrToReal, RaisesWithTheRewrittenText) {
  struct Case { std::u16string text, message; };
  const Case cases[] = {
      {u"1,2.3,4", u"float string conversion exception for value \"1,2.3,4\""},  // unchanged
      {u"1,234,567", u"float string conversion exception for value \"1.234.567\""},
      {u"1.234,5x", u"float string conversion exception for value \"1234.5x\""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MessageOf<EConvertError>([&] { K::StrToReal(c.text, true, 0); }), c.message);
  EXPECT_EQ(K::StrToReal(u"", true, 4), 4);  // empty gives Default even here
}

TEST(StrToFloat, ExponentTextsAndTheSeparatorAnalysis) {
  EXPECT_EQ(K::StrToFloat(u"1,234,567", false, -1), 1234567);  // where StrToReal fails
  EXPECT_EQ(K::StrToFloat(u"1,234", false, -1), 1.234);
  EXPECT_EQ(K::StrToFloat(u"1.5E3", false, -1), 1500);
  EXPECT_EQ(K::StrToFloat(u"1,5e3", false, -1), -1);  // exponent texts know only "."
  EXPECT_EQ(K::StrToFloat(u"1O0", false, -1), -1);    // no OCR replacements

  const UnicodeString message = MessageOf<Exception>([] { K::StrToFloat(u"1e5x", true, 0); });
  EXPECT_EQ(message, u"cannot convert 1e5x to float");
  try {
    K::StrToFloat(u"1e5x", true, 0);
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), u"Exception");
  }
  EXPECT_EQ(MessageOf<EConvertError>([] { K::StrToFloat(u"1a234,5", true, 0); }),
            u"Invalid thousand separator: a in FloatStr");
}

class LocaleStrToFloatTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = FormatSettings(); }
  void TearDown() override { FormatSettings() = saved_; }
  void Use(char16_t decimal, char16_t thousand) {
    FormatSettings().DecimalSeparator = decimal;
    FormatSettings().ThousandSeparator = thousand;
  }
  TFormatSettings saved_;
};

TEST_F(LocaleStrToFloatTest, ProcessSeparatorsThenTheAlternative) {
  struct Case { char16_t decimal, thousand; std::u16string text; bool alternative; double want; };
  const Case cases[] = {
      {u',', u'.', u"1.234,5", false, 1234.5},
      {u',', u'.', u"1234.5", false, 12345},   // a thousand separator goes wherever it is
      {u',', u'.', u"1 234.5", false, -1},
      {u',', u'.', u"1 234.5", true, 1234.5},  // StrToFloat on the untouched text
      {u',', u'\u00A0', u"1\u00A0234,5", false, 1234.5},
      {u',', u'\u202F', u"1\u202F234\u202F567", false, 1234567},
      {u',', u'\0', u"1.234,5", false, -1},  // no thousand separator: nothing removed
      {u'.', u',', u"-1,234.5e1", false, -12345},
      {u'.', u',', u"1.5 ", false, -1},
      {u'.', u',', u"", true, -1},
  };
  for (const auto& c : cases) {
    Use(c.decimal, c.thousand);
    EXPECT_EQ(K::LocaleStrToFloat(c.text, false, -1, c.alternative), c.want) << ToUtf8(c.text);
  }
  Use(u',', u'.');
  EXPECT_EQ(MessageOf<Exception>([] { K::LocaleStrToFloat(u"1x5", true, 0, false); }),
            u"cannot convert 1x5 to float");
  EXPECT_EQ(MessageOf<EConvertError>([] { K::LocaleStrToFloat(u"1x5", true, 0, true); }),
            u"Invalid decimal separator: x in FloatStr");
}

// ---- Booleans -------------------------------------------------------------------

TEST(Booleans, Writers) {
  EXPECT_EQ(K::BoolToStr(true), u"True");
  EXPECT_EQ(K::BoolToStr(false), u"False");
  EXPECT_EQ(K::BoolToStrExt(true, u"on", u"off"), u"on");
  EXPECT_EQ(K::BoolToStrExt(false, u"on", u"off"), u"off");
  EXPECT_EQ(K::IntBoolToStr(-5), u"True");
  EXPECT_EQ(K::IntBoolToStr(0), u"False");
  EXPECT_EQ(K::BoolToSingleByteStr(true), "1");
  EXPECT_EQ(K::BoolToSingleByteStr(false), "0");
  EXPECT_EQ(K::BoolToSingleByteStrX(true), "X");
  EXPECT_EQ(K::BoolToSingleByteStrX(false), "");
  EXPECT_EQ(K::BoolToInt(true), 1);
  EXPECT_EQ(K::BoolToInt(false), 0);
  EXPECT_TRUE(K::IntToBool(-1));
  EXPECT_FALSE(K::IntToBool(0));
}

TEST(Booleans, StrToBoolYesWords) {
  for (const char16_t* yes : {u"JA", u"YES", u"OK", u"1", u"X", u"TRUE", u"WAHR", u"RICHTIG",
                              u"KORREKT", u"RIGHT", u"YAP", u"OUI", u"CORRECT", u"JAU", u"YO",
                              u"JO", u"YEP", u"YEPP", u"YAPP", u"YUP", u"Y"})
    EXPECT_TRUE(K::StrToBool(yes)) << ToUtf8(yes);
  struct Case { std::u16string text; bool want; };
  const Case cases[] = {
      {u" yes ", true},
      {u"\t\r\ny\x01", true},  // control characters are trimmed too
      {u"Wahr", true},
      {u"no", false},
      {u"2", false},
      {u"", false},
      {u"\u00A0yes", false},  // U+00A0 is no blank here
      {u"ye s", false},
      {u"yess", false},
      {u"ye\u017F", false},  // only a-z are upper-cased (U+017F would become "S")
  };
  for (const auto& c : cases) EXPECT_EQ(K::StrToBool(c.text), c.want) << ToUtf8(c.text);
}

TEST(Booleans, StrToBoolExtAndSingleByte) {
  struct Case { std::u16string text, trueStr, falseStr; bool want; };
  const Case cases[] = {
      {u"on", u"ON", u"OFF", true},
      {u" On ", u"ON", u"OFF", true},
      {u"yes", u"ON", u"OFF", false},  // FalseStr only tells the pair apart
      {u"maybe", u"ON", u"OFF", false},
      {u"yes", u"", u"", true},         // an equal pair falls back to StrToBool
      {u"on", u" on", u"ON ", false},   // equal after trimming: StrToBool("on")
  };
  for (const auto& c : cases)
    EXPECT_EQ(K::StrToBoolExt(c.text, c.trueStr, c.falseStr), c.want) << ToUtf8(c.text);

  EXPECT_TRUE(K::SingleByteStrToBool(u"1"));
  EXPECT_TRUE(K::SingleByteStrToBool(u"X"));
  EXPECT_TRUE(K::SingleByteStrToBool(u"x"));
  EXPECT_FALSE(K::SingleByteStrToBool(u" X"));  // nothing is trimmed
  EXPECT_FALSE(K::SingleByteStrToBool(u"yes"));
  EXPECT_FALSE(K::SingleByteStrToBool(u""));
}

// ---- Code pages ----------------------------------------------------------------

// Runs iconv over input; false when iconv cannot be run or fails.
bool Iconv(const char* from, const char* to, const std::string& input, std::string& output) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp ? tmp : "/tmp") + "/kxConversion_iconv.in";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(input.data(), 1, input.size(), f);
  std::fclose(f);
  const std::string command =
      std::string("iconv -f ") + from + " -t " + to + " '" + path + "' 2>/dev/null";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return false;
  output.clear();
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) output.append(buf, n);
  return pclose(p) == 0;
}

TEST(CodePages, AgreeWithIconvOnEveryByte) {
  std::string oem;
  for (int b = 1; b < 256; ++b) oem.push_back(static_cast<char>(b));
  std::string ansi;
  if (!Iconv("CP850", "UTF-8", oem, ansi)) GTEST_SKIP() << "iconv is not available";
  EXPECT_EQ(K::AsciiToAnsi(oem), ansi);
  std::string back;
  ASSERT_TRUE(Iconv("UTF-8", "CP850", ansi, back));
  EXPECT_EQ(K::AnsiToAscii(ansi), back);
  EXPECT_EQ(back, oem);
}

TEST(CodePages, UnmappableAndZeroBytes) {
  struct Case { std::string in, ascii; };
  const Case toAscii[] = {
      {"\xE2\x82\xAC" "5", "?5"},   // the euro sign has no CP850 byte
      {"a\xFF" "b", "a?b"},         // a byte that is no UTF-8
      {"\xF0\x9F\x98\x80", "?"},    // one character outside the BMP, one "?"
      {std::string("ab\0cd", 5), "ab"},  // ends at the first zero byte
  };
  for (const auto& c : toAscii) EXPECT_EQ(K::AnsiToAscii(c.in), c.ascii) << c.in;
  EXPECT_EQ(K::AsciiToAnsi(std::string("\x81" "b\0\x81", 4)), "\xC3\xBC" "b");
  EXPECT_EQ(K::AsciiToAnsi(""), "");
}

}  // namespace
