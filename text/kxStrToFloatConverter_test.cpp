#include "text/kxStrToFloatConverter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "platform/rtl/Exceptions.h"

namespace {

namespace C = TkxStrToFloatConverter;

struct Row {
  std::u16string text;
  bool replace;
  std::optional<double> want;  // nullopt: the analysis fails with `error`
  std::u16string error;
};

// Every row runs through all three operations: the value (or Default), the
// check, and the message raised under RaiseException.
const Row kRows[] = {
    {u"1234", false, 1234, u""},
    {u"1,234", false, 1.234, u""},  // one separator, three digits: decimal
    {u"1.234", false, 1.234, u""},
    {u"1,234,567", false, 1234567, u""},
    {u"1.234.567", false, 1234567, u""},
    {u"1 234 567", false, 1234567, u""},
    {u"1.234.56", false, 1234.56, u""},  // the rightmost equal separator is decimal
    {u"1'234'567,89", false, 1234567.89, u""},
    {u"1\u2019234.50", false, 1234.5, u""},
    {u"-1.234,56", false, -1234.56, u""},
    {u"1.234,56-", false, -1234.56, u""},
    {u"12,5+", false, 12.5, u""},
    {u",5", false, 0.5, u""},
    {u".234.567", false, 234567, u""},
    {u"0.123,456", false, 123.456, u""},
    {u"1.000,000,000", false, 1, u""},  // leftmost differs from two equal ones: decimal
    {u" \t- 12,5\r\n", false, -12.5, u""},  // blanks around the text and the sign
    {u"-5-", false, std::nullopt, u"Separation char is on the far right"},  // one sign only
    {u"", false, std::nullopt, u"FloatStr is empty"},
    {u"  \t ", false, std::nullopt, u"FloatStr is empty"},
    {u"5,", false, std::nullopt, u"Separation char is on the far right"},
    {u".234,5", false, std::nullopt, u"Separation char is on the far left"},
    {u"1,234.567,890", false, std::nullopt,
     u"Thousand separator differs from previous thousand separator"},
    {u"1.234,567.890,12", false, std::nullopt,
     u"Thousand separator differs from previous thousand separator"},  // a middle entry
    {u"12,34,567.89", false, std::nullopt, u"Distance between separators invalid"},
    {u"1.2.3", false, std::nullopt, u"Distance between separators invalid"},
    {u"1 234", false, std::nullopt, u"Invalid decimal separator:   in FloatStr"},
    {u"12a34", false, std::nullopt, u"Invalid decimal separator: a in FloatStr"},
    {u"1e5", false, std::nullopt, u"Invalid decimal separator: e in FloatStr"},
    {u"1a234,5", false, std::nullopt, u"Invalid thousand separator: a in FloatStr"},
    // A zero unit inside the text is a character like any other, not "no
    // separator": it must not slip through to the conversion.
    {std::u16string(u"1\0" u"234,5", 7), false, std::nullopt,
     u"Invalid thousand separator: " + std::u16string(1, u'\0') + u" in FloatStr"},
    {u"O,5", false, std::nullopt, u"Separation char is on the far left"},
    {u"O,5", true, 0.5, u""},
    {u"1O0", false, std::nullopt, u"Invalid decimal separator: O in FloatStr"},
    {u"1O0", true, 100, u""},
    {u"|!iI,OoSs", true, 1111.0055, u""},  // every look-alike
};

TEST(TkxStrToFloatConverter, TableOfTextsValuesAndReasons) {
  for (const Row& r : kRows) {
    const std::string label = ToUtf8(r.text) + (r.replace ? " (replace)" : "");
    EXPECT_EQ(C::CheckFloatString(r.text, r.replace), r.want.has_value()) << label;
    if (r.want) {
      EXPECT_DOUBLE_EQ(C::StrToFloat(r.text, -99, true, r.replace), *r.want) << label;
      EXPECT_EQ(C::StrToCurrency(r.text, Currency(), true, r.replace).Raw(),
                std::llround(*r.want * 10000))
          << label;
      continue;
    }
    EXPECT_EQ(C::StrToFloat(r.text, -99, false, r.replace), -99) << label;
    EXPECT_EQ(C::StrToCurrency(r.text, Currency::FromRaw(7), false, r.replace).Raw(), 7) << label;
    try {
      C::StrToFloat(r.text, 0, true, r.replace);
      ADD_FAILURE() << label << ": no exception";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, r.error) << label;
    }
    try {
      C::StrToCurrency(r.text, Currency(), true, r.replace);
      ADD_FAILURE() << label << ": no exception";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, r.error) << label;
    }
  }
}

TEST(TkxStrToFloatConverter, LoneMinusIsNegativeZero) {
  const double v = C::StrToFloat(u"-", 5, true, false);
  EXPECT_EQ(v, 0.0);
  EXPECT_TRUE(std::signbit(v));
  EXPECT_EQ(C::StrToCurrency(u"-", Currency::FromRaw(5), true, false).Raw(), 0);
}

TEST(TkxStrToFloatConverter, AnalysisLeavesOneSeparatorNamedInTheSettings) {
  struct Case { std::u16string in, text; char16_t decimal, thousand; };
  const Case cases[] = {
      {u"1.234.56", u"1234.56", u'.', u'.'},      // merge keeps the rightmost
      {u"1,234,567", u"1234567,0", u',', u','},   // all thousands: a whole number
      {u"1234", u"1234,0", u',', u'\0'},
      {u",5", u"0,5", u',', u'\0'},
      {u".000,000,000", u"0.000000000", u'.', u','},  // "0" before the leftmost
      {u"12,5-", u"-12,5", u',', u'\0'},
      {u"-", u"-,0", u',', u'\0'},
  };
  for (const auto& c : cases) {
    UnicodeString text = c.in;
    TFormatSettings settings;
    UnicodeString error = u"stale";
    ASSERT_TRUE(C::detail::AnalyseFloatString(text, settings, error, false)) << ToUtf8(c.in);
    EXPECT_EQ(text, c.text) << ToUtf8(c.in);
    EXPECT_EQ(settings.DecimalSeparator, c.decimal) << ToUtf8(c.in);
    EXPECT_EQ(settings.ThousandSeparator, c.thousand) << ToUtf8(c.in);
    EXPECT_EQ(error, u"") << ToUtf8(c.in);
  }
}

TEST(TkxStrToFloatConverter, PassingTextBeyondTheRangeGivesDefaultOrRaises) {
  const UnicodeString huge = u"1" + UnicodeString(400, u'0') + u",5";
  EXPECT_TRUE(C::CheckFloatString(huge, false));
  EXPECT_EQ(C::StrToFloat(huge, 3, false, false), 3);
  try {
    C::StrToFloat(huge, 0, true, false);
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, u"Failed to convert String To Extended");
  }
  // Beyond Currency's 922337203685477.5807, yet a fine double.
  const UnicodeString big = u"1.000.000.000.000.000";
  EXPECT_EQ(C::StrToFloat(big, 0, true, false), 1e15);
  EXPECT_EQ(C::StrToCurrency(big, Currency::FromRaw(3), false, false).Raw(), 3);
  try {
    C::StrToCurrency(big, Currency(), true, false);
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, u"Failed to convert String To Currency");
  }
}

TEST(TkxStrToFloatConverter, CurrencyReadsExactlyAndRoundsHalfToEven) {
  struct Case { std::u16string text; int64_t raw; };
  const Case cases[] = {
      {u"1.234,5678", 12345678},
      {u"0,00005", 0},     // an exact half goes to the even neighbour
      {u"0,00015", 2},
      {u"0,000051", 1},
      {u"922.337.203.685.477,5807", INT64_MAX},
      {u"-922.337.203.685.477,5808", INT64_MIN},
  };
  for (const auto& c : cases)
    EXPECT_EQ(C::StrToCurrency(c.text, Currency(), true, false).Raw(), c.raw) << ToUtf8(c.text);
}

}  // namespace
