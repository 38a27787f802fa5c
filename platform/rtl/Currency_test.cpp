#include "platform/rtl/Currency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <type_traits>

#include "platform/rtl/Exceptions.h"

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

static_assert(!std::is_convertible_v<int64_t, Currency>, "no implicit construction");
static_assert(!std::is_convertible_v<double, Currency>, "no implicit construction");
static_assert(!std::is_convertible_v<Currency, double>, "no implicit conversion");

TEST(Currency, ReadsTextExactly) {
  struct Case { std::u16string text; char16_t sep; bool ok; int64_t raw; };
  const Case cases[] = {
      {u"1.5", u'.', true, 15000},
      {u"0.1", u'.', true, 1000},
      {u"  -12.34567", u'.', true, -123457},      // fifth decimal rounded
      {u"+7", u'.', true, 70000},
      {u".25", u'.', true, 2500},
      {u"0.00005", u'.', true, 0},                 // exact half: to even
      {u"0.00015", u'.', true, 2},
      {u"0.000051", u'.', true, 1},
      {u"-0.00005", u'.', true, 0},
      {u"-0.00015", u'.', true, -2},
      {u"0.000005", u'.', true, 0},
      {u"1.99995", u'.', true, 20000},             // carry into the whole part
      {u"1.5E3", u'.', true, 15000000},
      {u"1E-4", u'.', true, 1},
      {u"123e-6", u'.', true, 1},
      {u"1e-400", u'.', true, 0},
      {u"0e999999", u'.', true, 0},
      {u"12345678901234.5678", u'.', true, 123456789012345678},  // beyond a double's digits
      {u"922337203685477.5807", u'.', true, kMax},
      {u"-922337203685477.5808", u'.', true, kMin},
      {u"-922337203685477.58084", u'.', true, kMin},
      {u"922337203685477.5808", u'.', false, 0},   // one above the range
      {u"922337203685477.58075", u'.', false, 0},  // rounds above the range
      {u"1e15", u'.', false, 0},
      {u"1e400", u'.', false, 0},
      {u"1,5", u',', true, 15000},
      {u"1.5", u',', false, 0},
      {u"1,5", u'.', false, 0},
      {u"1 ", u'.', false, 0},
      {u"", u'.', false, 0},
      {u".", u'.', false, 0},
      {u"abc", u'.', false, 0},
      {u"1e", u'.', false, 0},
  };
  for (const auto& c : cases) {
    Currency v = Currency::FromRaw(-99);
    EXPECT_EQ(TryStrToCurr(c.text, v, c.sep), c.ok) << ToUtf8(c.text);
    if (c.ok) { EXPECT_EQ(v.Raw(), c.raw) << ToUtf8(c.text); }
  }
}

TEST(Currency, WritesExactText) {
  struct Case { int64_t raw; std::u16string want; };
  const Case cases[] = {
      {0, u"0"},
      {10000, u"1"},
      {15000, u"1.5"},
      {-5, u"-0.0005"},
      {-5000, u"-0.5"},
      {123456789, u"12345.6789"},
      {1230, u"0.123"},
      {kMax, u"922337203685477.5807"},
      {kMin, u"-922337203685477.5808"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CurrToStr(Currency::FromRaw(c.raw)), c.want) << c.raw;
    Currency back;
    ASSERT_TRUE(TryStrToCurr(c.want, back, u'.')) << c.raw;
    EXPECT_EQ(back, Currency::FromRaw(c.raw));
  }
  EXPECT_EQ(CurrToStr(Currency::FromRaw(-15000), u','), u"-1,5");
  TFormatSettings comma = TFormatSettings();
  comma.DecimalSeparator = u',';
  EXPECT_EQ(CurrToStr(Currency::FromRaw(25), comma), u"0,0025");
  EXPECT_EQ(StrToCurr(u"0,0025", comma), Currency::FromRaw(25));
}

TEST(Currency, FromDoubleRoundsHalfToEvenOnTheBinaryValue) {
  struct Case { double value; int64_t raw; };
  const Case cases[] = {
      {1.5, 15000},
      {0.1, 1000},
      {-2.75, -27500},
      {0.03125, 312},    // 312.5 exactly: to even
      {0.09375, 938},    // 937.5 exactly: to even
      {-0.03125, -312},
      {1.00005, 10001},  // the double lies just above 1.00005
      {2.00025, 20002},  // and this one just below 2.00025
      {922337203685477.0, 9223372036854770000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Currency::FromDouble(c.value).Raw(), c.raw) << c.value;
    Currency v;
    EXPECT_TRUE(Currency::TryFromDouble(c.value, v));
  }
  EXPECT_EQ(Currency::FromRaw(1).ToDouble(), 0.0001);
  EXPECT_EQ(Currency::FromRaw(kMin).ToDouble(), -922337203685477.5808);

  const double bad[] = {1e15, -1e15, 922337203685477.6, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()};
  for (double d : bad) {
    Currency v;
    EXPECT_FALSE(Currency::TryFromDouble(d, v)) << d;
    EXPECT_THROW(Currency::FromDouble(d), EConvertError) << d;
  }
}

TEST(Currency, StrToCurrRaises) {
  try {
    StrToCurr(u"12x", TFormatSettings());
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, u"'12x' is not a valid floating point value");
  }
}

}  // namespace
