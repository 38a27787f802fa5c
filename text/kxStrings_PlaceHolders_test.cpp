#include "text/kxStrings_PlaceHolders.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "system/kxToolsEvo2_Identity.h"

namespace {

using namespace std::string_literals;
using TkxStrings::CheckDefaultPlaceHolders;

// Friday, 5 January 2024, 08:07:09.045, under the C locale's settings.
class PlaceHolders : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = FormatSettings();
    FormatSettings() = TFormatSettings::Invariant();
    kx::platform::SetClockForTesting([this] {
      ++reads_;
      return EncodeDateTime(2024, 1, 5, 8, 7, 9, 45);
    });
  }
  void TearDown() override {
    kx::platform::SetClockForTesting(nullptr);
    FormatSettings() = saved_;
  }
  TFormatSettings saved_;
  std::atomic<int> reads_{0};
};

TEST_F(PlaceHolders, ExpandsEachInTheTablesOrder) {
  struct Row {
    std::u16string text, want;
  };
  const Row rows[] = {
      {u"", u""},
      {u"no place-holder", u"no place-holder"},
      {u"%date|%DATE|%shortdate|%ddddd", u"2024-01-05|2024-01-05|2024-01-05|2024-01-05"},
      {u"%Date", u"5ate"},  // not the date: its %D is the day of the month
      {u"C:\\out\\100%done\\", u"C:\\out\\1005one\\"},
      {u"%timestamp", u"20240105080709045"},
      {u"%longdate|%dddddd", u"Friday, 5 January 2024|Friday, 5 January 2024"},
      {u"%time|%longtime|%shorttime", u"08:07:09|08:07:09|08:07"},
      {u"%dayname|%day|%dddd|%ddd|%dd|%d", u"Friday|Friday|Friday|Fri|05|5"},
      {u"%month|%mmmm|%mmm|%mm|%m", u"January|January|Jan|01|1"},
      {u"%year|%yyyy|%yy", u"2024|2024|24"},
      {u"%hour|%hh|%minute|%nn|%ss|%zzz", u"08|08|07|07|09|045"},
      {u"%quarter", u"1"},
      {u"%username|%USER|%user", u"alice|alice|alice"},
      {u"%host|%computer|%COMPUTERNAME", u"box|box|box"},
      {u"%Username", u"%Username"},  // neither all lower nor all upper case
      {u"%%date%", u"%2024-01-05%"},
      {u"%dddddd%ddd", u"Friday, 5 January 2024Fri"},  // the longest first
  };
  for (const auto& r : rows)
    EXPECT_EQ(CheckDefaultPlaceHolders(r.text, u"alice", u"box"), r.want) << ToUtf8(r.text);
}

TEST_F(PlaceHolders, EmptyNamesAreTheSystemsAndSomeIgnoreTheGivenOnes) {
  EXPECT_EQ(CheckDefaultPlaceHolders(u"%user@%host", u"", u""),
            TkxTools::GetUserName() + u"@" + TkxTools::GetComputerName());
  EXPECT_EQ(CheckDefaultPlaceHolders(u"%userprincipal", u"alice", u"box"),
            TkxTools::GetUserNameEx(8));
  EXPECT_EQ(CheckDefaultPlaceHolders(u"%hostdnsfullqualified", u"alice", u"box"),
            TkxTools::GetComputerNameEx(3));
}

TEST_F(PlaceHolders, IdsAreNewPerCallButOnePerText) {
  const UnicodeString a = CheckDefaultPlaceHolders(u"%id/%ID", u"u", u"h");
  ASSERT_EQ(a.size(), 65u);
  EXPECT_EQ(a.substr(0, 32), a.substr(33));
  EXPECT_EQ(ToUtf8(a.substr(0, 32)).find_first_not_of("0123456789ABCDEF"), std::string::npos);
  EXPECT_NE(CheckDefaultPlaceHolders(u"%id", u"u", u"h"), a.substr(0, 32));
  const UnicodeString g = CheckDefaultPlaceHolders(u"%guid", u"u", u"h");
  ASSERT_EQ(g.size(), 38u);
  EXPECT_EQ(g.front(), u'{');
  EXPECT_EQ(g.back(), u'}');
  EXPECT_EQ(TkxStrings::CreateGuidStr().size(), 38u);
  EXPECT_EQ(TkxStrings::CreateId().Length(), 32u);
}

// Each date or time place-holder that occurs reads the clock once; nothing
// else does.
TEST_F(PlaceHolders, ReadsTheClockOnlyForDatesThatOccur) {
  CheckDefaultPlaceHolders(u"no place-holder at all", u"", u"");
  CheckDefaultPlaceHolders(u"100% %user %id", u"u", u"h");
  EXPECT_EQ(reads_, 0);
  CheckDefaultPlaceHolders(u"%date %TIME %date", u"u", u"h");
  EXPECT_EQ(reads_, 2);
}

// --- Compressed strings ------------------------------------------------------------------

std::string TempFile(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp ? tmp : "/tmp") + "/" + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs a Python program with the file name as its argument; nullopt when
// python3 is not there or fails.
std::optional<std::string> Python(const std::string& program, const std::string& file) {
  const std::string command = "python3 -c '" + program + "' '" + file + "' 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return std::nullopt;
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  if (::pclose(pipe.release()) != 0) return std::nullopt;
  return out;
}

std::string Bytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

TEST(CompressString, EmptyPayloadIsFourZeroBytesBehind78DA) {
  const AnsiString z = TkxStrings::CompressString("");
  ASSERT_GE(z.size(), 2u);
  EXPECT_EQ(z.substr(0, 2), "\x78\xDA");
  EXPECT_EQ(TkxStrings::DecompressString(z), "");
}

TEST(CompressString, RoundTripsAnyBytes) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  const std::string cases[] = {"", "a", "\0\0\0"s, all, std::string(100000, 'x'), Bytes(300000, 1)};
  for (const auto& s : cases)
    EXPECT_EQ(TkxStrings::DecompressString(TkxStrings::CompressString(s)), s);
}

// Python's zlib is the other side of the format: it inflates ours to the
// count and the bytes, and what it compresses reads back here; its gzip and
// raw deflate forms of the same content are refused.
TEST(CompressString, PythonReadsOursAndWeReadPythons) {
  const std::string payload = "H\xC3\xA9llo\0\xFF"s + std::string(1000, 'z');
  const std::string base = TempFile("peer");
  WriteFile(base + ".ours", TkxStrings::CompressString(payload));
  const auto inflated = Python(
      "import sys, zlib, gzip, struct\n"
      "base = sys.argv[1]\n"
      "def put(suffix, data): open(base + suffix, \"wb\").write(data)\n"
      "put(\".inflated\", zlib.decompress(open(base + \".ours\", \"rb\").read()))\n"
      "p = bytes(range(256)) * 3\n"
      "put(\".theirs\", zlib.compress(struct.pack(\"<I\", len(p)) + p))\n"
      "put(\".gzip\", gzip.compress(b\"\\x03\\0\\0\\0abc\"))\n"
      "c = zlib.compressobj(9, zlib.DEFLATED, -15)\n"
      "put(\".raw\", c.compress(b\"\\x03\\0\\0\\0abc\") + c.flush())\n",
      base);
  if (!inflated) GTEST_SKIP() << "python3 is not there";
  const uint32_t n = static_cast<uint32_t>(payload.size());
  const std::string count{static_cast<char>(n & 0xFF), static_cast<char>(n >> 8), 0, 0};
  EXPECT_EQ(ReadFile(base + ".inflated"), count + payload);

  std::string want;
  for (int r = 0; r < 3; ++r)
    for (int i = 0; i < 256; ++i) want.push_back(static_cast<char>(i));
  EXPECT_EQ(TkxStrings::DecompressString(ReadFile(base + ".theirs")), want);
  for (const char* other : {".gzip", ".raw"})
    EXPECT_THROW(TkxStrings::DecompressString(ReadFile(base + other)), EZDecompressionError)
        << other;
}

TEST(DecompressString, RaisesForWhatIsNoWholeCompressedString) {
  const AnsiString good = TkxStrings::CompressString(std::string(5000, 'q') + Bytes(5000, 2));
  AnsiString badAdler = good;
  badAdler.back() = static_cast<char>(badAdler.back() ^ 1);
  AnsiString badData = good;
  badData[good.size() / 2] = static_cast<char>(badData[good.size() / 2] ^ 0x55);
  // zlib streams made here of a content that is shorter than its count says.
  auto stream = [](const std::string& content) {
    uLongf size = compressBound(content.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(content.data()), content.size(), 9);
    out.resize(size);
    return out;
  };
  const std::pair<const char*, AnsiString> cases[] = {
      {"empty input", ""},
      {"plain text", "plain text, no zlib header"},
      {"cut short", good.substr(0, good.size() - 5)},
      {"header only", good.substr(0, 2)},
      {"damaged checksum", badAdler},
      {"damaged data", badData},
      {"content under 4 bytes", stream("\x01\x02"s)},
      {"fewer bytes than counted", stream("\x05\0\0\0abcd"s)},
      {"a count of 4 GiB", stream("\xFF\xFF\xFF\xFF"
                                  "abc"s)},
  };
  for (const auto& [what, input] : cases) {
    try {
      TkxStrings::DecompressString(input);
      ADD_FAILURE() << "no exception: " << what;
    } catch (const EZDecompressionError& e) {
      EXPECT_EQ(e.ClassName(), u"EZDecompressionError");
    }
  }
}

TEST(DecompressString, KeepsOnlyTheCountedBytes) {
  uLongf size = 64;
  std::string out(size, '\0');
  const std::string content = "\x02\0\0\0abcdef"s;
  compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(content.data()), content.size(), 9);
  out.resize(size);
  EXPECT_EQ(TkxStrings::DecompressString(out), "ab");
  EXPECT_EQ(TkxStrings::DecompressString(out + "trailing bytes"), "ab");  // after the stream
}

}  // namespace
