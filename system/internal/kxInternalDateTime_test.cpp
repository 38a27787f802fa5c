#include "system/internal/kxInternalDateTime.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <vector>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxDateTime.h"

// Failing comparisons show the number, not the bytes.
void PrintTo(TDateTime value, std::ostream* os) { *os << "TDateTime(" << value.Val << ")"; }

namespace {

namespace twin = kxInternal::TkxDateTime;
using UList = std::vector<UnicodeString>;

const TDateTime kDefault(-7.0);

class InternalDateTime : public ::testing::Test {
 protected:
  void SetUp() override {
    kx::platform::SetClockForTesting([] { return EncodeDateTime(2026, 6, 15, 10, 0, 0, 0); });
    SetUserLocaleForTesting("C");
    ResetFormatSettings();
  }
  void TearDown() override {
    kx::platform::SetClockForTesting(nullptr);
    SetUserLocaleForTesting(std::nullopt);
    ResetFormatSettings();
  }
};

TEST_F(InternalDateTime, DigitFormsAreNotSplit) {
  EXPECT_EQ(twin::StrToDateExt(u"20240115", UList{u"yyyymmdd"}, kDefault), kDefault);
  EXPECT_EQ(TkxDateTime::StrToDateExt(u"20240115", UList{u"yyyymmdd"}, kDefault),
            EncodeDate(2024, 1, 15));
  // The letters-only format still has "." as its separator.
  EXPECT_EQ(twin::StrToDateExt(u"2024.01.15", UList{u"yyyymmdd"}, kDefault), EncodeDate(2024, 1, 15));
  EXPECT_EQ(twin::StrToDateExt(u"2024.01.15", std::vector<AnsiString>{"yyyymmdd"}, kDefault),
            EncodeDate(2024, 1, 15));

  EXPECT_EQ(twin::StrToTimeExt(u"123045", UList{u"hhnnss"}, kDefault), kDefault);
  EXPECT_EQ(TkxDateTime::StrToTimeExt(u"123045", UList{u"hhnnss"}, kDefault),
            EncodeTime(12, 30, 45, 0));
  EXPECT_EQ(twin::StrToTimeExt(u"12:30:45", UList{u"hhnnss"}, kDefault), EncodeTime(12, 30, 45, 0));
}

TEST_F(InternalDateTime, CompactDateTimePartsMustBeNumbers) {
  EXPECT_EQ(twin::StrToDateTime_YYYYMMDDHHNNSS(u"20240115083005"),
            EncodeDateTime(2024, 1, 15, 8, 30, 5, 0));
  for (const char16_t* bad : {u"20240115", u"2024011508xx05", u"202401150830x5"})
    EXPECT_THROW(twin::StrToDateTime_YYYYMMDDHHNNSS(bad), EConvertError) << ToUtf8(bad);
  EXPECT_EQ(TkxDateTime::StrToDateTime_YYYYMMDDHHNNSS(u"2024011508xx05"),
            EncodeDateTime(2024, 1, 15, 8, 0, 5, 0));
}

TEST_F(InternalDateTime, SharedOperationsGiveTheSameResults) {
  // The twin's time-stamp fallback reads dates with its own reader and the
  // same formats; its durations pad with its own zero fill.
  for (const char16_t* text : {u"000B4654h02932E00h", u"#738900#43200000", u"2024-01-15",
                               u"15.01.2024 08:30:00", u"xyz", u"abc#", u"5h"}) {
    TTimeStamp ours{-9, -9}, theirs{-9, -9};
    EXPECT_EQ(twin::StrToTimeStamp(text, ours), TkxDateTime::StrToTimeStamp(text, theirs))
        << ToUtf8(text);
    EXPECT_EQ(ours, theirs) << ToUtf8(text);
  }
  EXPECT_EQ(twin::DateTimeToTimeStampStr(EncodeDateTime(2024, 1, 15, 12, 0, 0, 0), false),
            "000B4654h02932E00h");
  EXPECT_EQ(twin::TimeStampStrToDateTime(u"000B4654h02932E00h"),
            EncodeDateTime(2024, 1, 15, 12, 0, 0, 0));
  EXPECT_THROW(twin::TimeStampStrToDateTime(u"abc#"), EConvertError);
  for (const int32_t s : {0, 59, 3725, 86400, 172800, -3725, 2147483647})
    EXPECT_EQ(twin::SecToTimeExt(s), TkxDateTime::SecToTimeExt(s)) << s;
  EXPECT_EQ(twin::SecToLangTime(93784), "1 day, 2 hours, 3 minutes and 4 seconds");
  EXPECT_EQ(twin::GetDayNumberFromStr("freitag"), 6);
  EXPECT_TRUE(twin::StrIsToday("mon"));
  EXPECT_EQ(twin::GetQuarter(), 2);
  EXPECT_EQ(twin::ShortDateFormat(), u"yyyy-mm-dd");
  EXPECT_THROW(twin::ShortDateFormat(u"xx"), Exception);
  EXPECT_EQ(twin::CreateTimeStampStr(), u"20260615100000000");
  EXPECT_EQ(twin::StrToDate_ISO(u"2024-01-15"), EncodeDate(2024, 1, 15));
  EXPECT_EQ(twin::DateTimeToISOStr(EncodeDateTime(2024, 1, 15, 8, 4, 3, 0)), u"2024-01-15 08:04:03");
}

}  // namespace
