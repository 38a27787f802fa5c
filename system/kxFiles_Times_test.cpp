#include "system/kxFiles_Times.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file/ChildLockForTesting.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxFiles.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

// 2024-07-01 08:00:01.500 UTC, 10:00:01.500 in Berlin (summer time), and
// 2024-01-15 09:00:01.500 UTC, 10:00:01.500 in Berlin (winter time).
constexpr int64_t kSummerSec = 1719820801;
constexpr int64_t kWinterSec = 1705309201;

// "yyyy-mm-dd hh:nn:ss.zzz", so a failure shows the fields.
std::string Text(int y, int mo, int d, int h, int mi, int s, int ms) {
  auto pad = [](int value, size_t width) {
    std::string digits = std::to_string(value);
    return std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
  };
  return pad(y, 4) + "-" + pad(mo, 2) + "-" + pad(d, 2) + " " + pad(h, 2) + ":" + pad(mi, 2) + ":" + pad(s, 2) +
         "." + pad(ms, 3);
}
std::string Text(TDateTime value) {
  uint16_t y, mo, d, h, mi, s, ms;
  DecodeDateTime(value, y, mo, d, h, mi, s, ms);
  return Text(y, mo, d, h, mi, s, ms);
}

class TimesTest : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    ::setenv("TZ", "Europe/Berlin", 1);
  }
  void TearDown() override {
    ::setenv("TZ", "UTC", 1);
    kx::platform::SetClockForTesting(nullptr);
    ScratchFolderTest::TearDown();
  }
  std::string Make(const std::string& name, int64_t mtimeSec = kSummerSec, long mtimeNsec = 500'000'000) const {
    std::ofstream(P(name)) << "x";
    SetTimes(name, mtimeSec, mtimeNsec);
    return P(name);
  }
  void SetTimes(const std::string& name, int64_t sec, long nsec) const {
    const timespec times[2] = {{sec, nsec}, {sec, nsec}};
    ASSERT_EQ(::utimensat(AT_FDCWD, P(name).c_str(), times, 0), 0);
  }
  struct statx Stat(const std::string& name) const {
    struct statx sx {};
    EXPECT_EQ(::statx(AT_FDCWD, P(name).c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx), 0);
    return sx;
  }
  static void SetClock(uint16_t h, uint16_t m, uint16_t s, uint16_t ms) {
    const TDateTime now = EncodeDateTime(2024, 7, 1, h, m, s, ms);
    kx::platform::SetClockForTesting([now] { return now; });
  }
};

TEST_F(TimesTest, ReadsInLocalTimeAtBothPrecisions) {
  Make("summer.txt", kSummerSec);
  Make("winter.txt", kWinterSec);
  Make("old.txt", 297086400, 0);  // 1979: no file date
  fs::create_directories(P("dir"));
  SetTimes("dir", kWinterSec, 0);

  EXPECT_EQ(Text(TkxFiles::GetFileChangeDate(U("summer.txt"))), "2024-07-01 10:00:01.500");
  EXPECT_EQ(Text(TkxFiles::GetFileDateTime(U("summer.txt"))), "2024-07-01 10:00:00.000");
  EXPECT_EQ(Text(TkxFiles::GetFileChangeDate(U("winter.txt"))), "2024-01-15 10:00:01.500");
  EXPECT_EQ(Text(TkxFiles::GetFileDateTime(U("winter.txt"))), "2024-01-15 10:00:00.000");
  EXPECT_EQ(Text(TkxFiles::GetFileChangeDate(U("dir"))), "2024-01-15 10:00:01.000");
  EXPECT_EQ(Text(TkxFiles::GetFileChangeDate(U("old.txt"))), "1979-06-01 13:00:00.000");
  EXPECT_EQ(TkxFiles::GetFileDateTime(U("old.txt")), TDateTime(0));
  // A mask takes the first match in name order.
  EXPECT_EQ(Text(TkxFiles::GetFileChangeDate(U("*.txt"))), "1979-06-01 13:00:00.000");

  // TZ is honoured on every call.
  ::setenv("TZ", "America/New_York", 1);
  EXPECT_EQ(Text(TkxFiles::GetFileChangeDate(U("summer.txt"))), "2024-07-01 04:00:01.500");
}

TEST_F(TimesTest, CreationTimeIsTheBirthTimeOrTheLastWrite) {
  Make("f.txt");
  const struct statx sx = Stat("f.txt");
  const statx_timestamp born = (sx.stx_mask & STATX_BTIME) != 0 ? sx.stx_btime : sx.stx_mtime;
  const time_t seconds = born.tv_sec;
  tm local{};
  ::tzset();
  localtime_r(&seconds, &local);
  const std::string want = Text(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                local.tm_min, local.tm_sec, static_cast<int>(born.tv_nsec / 1'000'000));
  EXPECT_EQ(Text(TkxFiles::GetFileCreationDate(U("f.txt"))), want);
  EXPECT_EQ(Text(TkxFiles::GetCreationTimeOfFile(U("f.txt"))), want);
}

TEST_F(TimesTest, MissingEntries) {
  for (auto read : {TkxFiles::GetFileCreationDate, TkxFiles::GetFileChangeDate}) {
    try {
      read(U("missing"));
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, u"FileTime Convert Error");
    }
  }
  EXPECT_EQ(TkxFiles::GetCreationTimeOfFile(U("missing")), TDateTime(0));
  EXPECT_EQ(TkxFiles::GetFileDateTime(U("missing")), TDateTime(0));
  EXPECT_EQ(TkxFiles::GetFileAgeInMinutes(U("missing")), 0);
}

TEST_F(TimesTest, AgeInMinutesRoundsHalfToEven) {
  Make("f.txt");  // written at 10:00:01.500, file date 10:00:00
  fs::create_directories(P("dir"));
  struct Case { uint16_t h, m, s, ms; int64_t want; };
  const Case cases[] = {
      {10, 1, 30, 0, 2},    // exactly 1.5 minutes
      {10, 2, 30, 0, 2},    // exactly 2.5 minutes
      {10, 3, 30, 0, 4},    // exactly 3.5 minutes
      {10, 2, 29, 999, 2},
      {10, 0, 1, 999, 0},   // measured from the file date, not the written time
      {9, 58, 0, 0, -2},    // written in the future
  };
  for (const auto& c : cases) {
    SetClock(c.h, c.m, c.s, c.ms);
    EXPECT_EQ(TkxFiles::GetFileAgeInMinutes(U("f.txt")), c.want) << c.h << ":" << c.m << ":" << c.s << "." << c.ms;
    EXPECT_EQ(TkxFiles::GetFileAgeInMinutes(U("dir")), 0);  // a folder is no file
  }
}

TEST_F(TimesTest, SetFileTimesHelperSetsOneTime) {
  Make("f.txt", kWinterSec, 0);
  fs::create_directories(P("dir"));
  const TDateTime when = EncodeDateTime(2024, 7, 1, 10, 0, 1, 500);  // 08:00:01.500 UTC

  ASSERT_TRUE(TkxFiles::SetFileLastWriteDate(U("f.txt"), when));
  struct statx sx = Stat("f.txt");
  EXPECT_EQ(sx.stx_mtime.tv_sec, kSummerSec);
  EXPECT_EQ(sx.stx_mtime.tv_nsec, 500'000'000u);
  EXPECT_EQ(sx.stx_atime.tv_sec, kWinterSec);  // left alone

  ASSERT_TRUE(TkxFiles::SetFileLastAccessDate(U("f.txt"), EncodeDateTime(2024, 1, 15, 10, 0, 1, 0)));
  sx = Stat("f.txt");
  EXPECT_EQ(sx.stx_atime.tv_sec, kWinterSec);
  EXPECT_EQ(sx.stx_atime.tv_nsec, 0u);
  EXPECT_EQ(sx.stx_mtime.tv_sec, kSummerSec);

  // Folders are opened too.
  ASSERT_TRUE(TkxFiles::SetFileLastWriteDate(U("dir"), when));
  EXPECT_EQ(Stat("dir").stx_mtime.tv_sec, kSummerSec);

  // No creation time on Linux; no other kind of time; nothing missing is made.
  EXPECT_FALSE(TkxFiles::SetFileCreationDate(U("f.txt"), when));
  EXPECT_FALSE(TkxFiles::SetFileCreationDate(U("dir"), when));
  EXPECT_FALSE(TkxFiles::SetFileTimesHelper(U("f.txt"), EncodeDateTime(2020, 1, 1, 0, 0, 0, 0), TFileTimes(3)));
  EXPECT_FALSE(TkxFiles::SetFileLastWriteDate(U("missing"), when));
  EXPECT_FALSE(fs::exists(P("missing")));
  sx = Stat("f.txt");
  EXPECT_EQ(sx.stx_mtime.tv_sec, kSummerSec);
  EXPECT_EQ(sx.stx_atime.tv_sec, kWinterSec);
}

TEST_F(TimesTest, SetFileDateAndTouchFileUseTheFileDate) {
  Make("f.txt", kWinterSec, 0);
  fs::create_directories(P("dir"));
  ASSERT_TRUE(TkxFiles::SetFileDate(U("f.txt"), EncodeDateTime(2024, 7, 1, 10, 0, 3, 900)));
  EXPECT_EQ(Text(TkxFiles::GetFileChangeDate(U("f.txt"))), "2024-07-01 10:00:02.000");
  EXPECT_EQ(Stat("f.txt").stx_mtime.tv_sec, kSummerSec + 1);

  EXPECT_FALSE(TkxFiles::SetFileDate(U("f.txt"), EncodeDateTime(1979, 12, 31, 23, 0, 0, 0)));
  EXPECT_FALSE(TkxFiles::SetFileDate(U("f.txt"), EncodeDateTime(2108, 1, 1, 0, 0, 0, 0)));
  EXPECT_FALSE(TkxFiles::SetFileDate(U("dir"), EncodeDateTime(2024, 7, 1, 10, 0, 0, 0)));  // read and write
  EXPECT_EQ(Stat("f.txt").stx_mtime.tv_sec, kSummerSec + 1);

  SetClock(10, 0, 1, 500);
  Make("g.txt", kWinterSec, 0);
  ASSERT_TRUE(TkxFiles::TouchFile(U("g.txt")));
  EXPECT_EQ(Text(TkxFiles::GetFileChangeDate(U("g.txt"))), "2024-07-01 10:00:00.000");
  ASSERT_TRUE(TkxFiles::TouchFile(U("dir")));
  EXPECT_EQ(Stat("dir").stx_mtime.tv_sec, kSummerSec - 1);
  EXPECT_FALSE(TkxFiles::TouchFile(U("missing")));
  EXPECT_FALSE(fs::exists(P("missing")));
}

TEST_F(TimesTest, SettersFailWhileAnotherProcessHoldsALock) {
  Make("f.txt", kWinterSec, 0);
  kx::platform::ChildLockForTesting lock(U("f.txt"));
  ASSERT_TRUE(lock.Locked());
  const TDateTime when = EncodeDateTime(2024, 7, 1, 10, 0, 0, 0);
  EXPECT_FALSE(TkxFiles::SetFileLastWriteDate(U("f.txt"), when));
  EXPECT_FALSE(TkxFiles::SetFileDate(U("f.txt"), when));
  EXPECT_FALSE(TkxFiles::TouchFile(U("f.txt")));
  EXPECT_EQ(Stat("f.txt").stx_mtime.tv_sec, kWinterSec);
}

TEST_F(TimesTest, CopyFileDateAttributes) {
  Make("src.txt", kSummerSec, 500'000'000);
  Make("dst.txt", kWinterSec, 0);
  // The destination's last write becomes the source's creation time (its
  // birth time where the file system keeps one) at file-date precision.
  ASSERT_TRUE(TkxFiles::CopyFileDateAttribute(U("src.txt"), U("dst.txt")));
  const TDateTime created = TkxFiles::GetCreationTimeOfFile(U("src.txt"));
  Make("want.txt");
  ASSERT_TRUE(TkxFiles::SetFileDate(U("want.txt"), created));
  EXPECT_EQ(Text(TkxFiles::GetFileDateTime(U("dst.txt"))), Text(TkxFiles::GetFileDateTime(U("want.txt"))));
  // A missing source has creation time 0, which SetFileDate refuses; the
  // answer is true all the same and the destination stays.
  Make("dst2.txt", kWinterSec, 0);
  EXPECT_TRUE(TkxFiles::CopyFileDateAttribute(U("missing"), U("dst2.txt")));
  EXPECT_EQ(Stat("dst2.txt").stx_mtime.tv_sec, kWinterSec);

  // All dates: the creation half cannot be set, the last write is copied to
  // the millisecond.
  ASSERT_TRUE(TkxFiles::CopyFileAllDateAttribute(U("src.txt"), U("dst.txt")));
  const struct statx sx = Stat("dst.txt");
  EXPECT_EQ(sx.stx_mtime.tv_sec, kSummerSec);
  EXPECT_EQ(sx.stx_mtime.tv_nsec, 500'000'000u);
  EXPECT_FALSE(TkxFiles::CopyFileAllDateAttribute(U("missing"), U("dst2.txt")));
}

TEST(SizeTexts, ByteToKbMbGb) {
  struct Case { AnsiString (*f)(int64_t); int64_t b; const char* want; };
  const Case cases[] = {
      {TkxFiles::ByteToKb, 0, "0.00"},
      {TkxFiles::ByteToKb, 1536, "1.50"},
      {TkxFiles::ByteToKb, -1024, "-1.00"},
      {TkxFiles::ByteToKb, 1152, "1.13"},    // 1.125: a third decimal of 5 rounds away from zero
      {TkxFiles::ByteToKb, -1152, "-1.13"},
      {TkxFiles::ByteToKb, 1141, "1.11"},    // 1.1142...
      {TkxFiles::ByteToKb, 1023 * 1024 + 1018, "1023.99"},
      {TkxFiles::ByteToKb, 1024 * 1024 - 1, "1024.00"},
      {TkxFiles::ByteToKb, 123456789012, "120563270.52"},  // no thousands separator
      {TkxFiles::ByteToMb, 1048576 * 5 / 2, "2.50"},
      {TkxFiles::ByteToMb, 10485, "0.01"},
      {TkxFiles::ByteToGb, 1610612736, "1.50"},
      {TkxFiles::ByteToGb, INT64_MAX, "8589934592.00"},
      {TkxFiles::ByteToGb, INT64_MIN, "-8589934592.00"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.f(c.b), c.want) << c.b;
}

TEST(SizeTexts, ByteToStr) {
  struct Case { int64_t b; std::u16string want; };
  const Case cases[] = {
      {0, u"0Byte"},
      {500, u"500Byte"},
      {1024, u"1KB 0Byte"},
      {1536, u"1KB 512Byte"},
      {1048576 + 1, u"1MB 0KB 1Byte"},
      {1073741824 + 1, u"1GB 0MB 0KB 1Bytes"},
      {1073741823, u"1023MB 1023KB 1023Byte"},
      {int64_t{5} * 1073741824 + 3 * 1048576 + 2 * 1024 + 1, u"5GB 3MB 2KB 1Bytes"},
      {-5, u"-5Byte"},
      {-2048, u"-2048Byte"},  // a negative count is all bytes
  };
  for (const auto& c : cases) EXPECT_EQ(TkxFiles::ByteToStr(c.b), c.want) << c.b;
}

}  // namespace
