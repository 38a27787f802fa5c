#include "system/kxMD5.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/file/ChildLockForTesting.h"
#include "platform/rtl/Exceptions.h"

namespace {

constexpr char kEmpty[] = "D41D8CD98F00B204E9800998ECF8427E";

std::string TempPath(const std::string& name) {
  return std::string(std::getenv("TMPDIR")) + "/kxMD5_test_" + name;
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

// md5sum's digest of a file, upper-cased.
std::string Md5sum(const std::string& path) {
  std::string out;
  if (FILE* pipe = popen(("md5sum " + path).c_str(), "r")) {
    char buffer[128];
    if (fgets(buffer, sizeof buffer, pipe) != nullptr) out.assign(buffer, 32);
    pclose(pipe);
  }
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

TEST(MD5, Rfc1321Suite) {
  struct Case { std::string in, digest; };
  const Case cases[] = {
      {"", kEmpty},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "D174AB98D277D9F5A5611C2C9F419D9F"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TkxMD5::GetMD5FromString(c.in), c.digest) << c.in;
    EXPECT_EQ(TkxMD5::GetMD5(c.in.data(), static_cast<int32_t>(c.in.size())), c.digest) << c.in;
    TkxMD5::Digest pieces;  // fed one byte at a time
    for (char ch : c.in) pieces.Update(&ch, 1);
    EXPECT_EQ(pieces.Text(), c.digest) << c.in;
  }
  EXPECT_TRUE(TkxMD5::MD5SelfTest());
  EXPECT_EQ(TkxMD5::GetMD5("abc", -5), kEmpty);  // a negative size digests nothing
}

TEST(MD5, BuffersAndFilesAgreeWithMd5sum) {
  for (size_t n : {size_t{16383}, size_t{16384}, size_t{16385}, size_t{3} << 20}) {
    const std::string data = RandomBytes(n, static_cast<unsigned>(n));
    const std::string path = TempPath("peer.bin");
    WriteFile(path, data);
    const std::string want = Md5sum(path);
    ASSERT_EQ(want.size(), 32u);
    EXPECT_EQ(TkxMD5::GetMD5FromString(data), want) << n;
    EXPECT_EQ(TkxMD5::GetMD5FromFile(ToUtf16(path), 0x0020), want) << n;
    std::remove(path.c_str());
  }
}

// Files of 2 GiB and more are digested whole: the bytes are streamed, not
// loaded into one 32-bit-sized string. A sparse file costs no disk space.
TEST(MD5, FileOfMoreThan2GiB) {
  const std::string path = TempPath("large.bin");
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  const off_t size = (off_t{2} << 30) + 5;
  ASSERT_EQ(::pwrite(fd, "tail!", 5, size - 5), 5);
  ::close(fd);
  const std::string want = Md5sum(path);
  ASSERT_EQ(want.size(), 32u);
  EXPECT_EQ(TkxMD5::GetMD5FromFile(ToUtf16(path), 0x0040), want);
  std::remove(path.c_str());
}

TEST(MD5, FilesThatAreMissingLockedOrHidden) {
  const std::string dir = TempPath("dir");
  std::filesystem::create_directories(dir);
  const UnicodeString hidden = ToUtf16(dir + "/.hidden");
  WriteFile(dir + "/.hidden", "abc");
  EXPECT_EQ(TkxMD5::GetMD5FromFile(hidden, 0x0020), "900150983CD24FB0D6963F7D28E17F72");

  for (const std::string& missing : {dir + "/none.txt", dir}) {  // a folder is no file
    try {
      TkxMD5::GetMD5FromFile(ToUtf16(missing), 0x0020);
      ADD_FAILURE() << missing;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, u"file " + ToUtf16(missing) + u" not found");
    }
  }

  {
    kx::platform::ChildLockForTesting lock(hidden);
    ASSERT_TRUE(lock.Locked());
    EXPECT_EQ(TkxMD5::GetMD5FromFile(hidden, 0x0020), kEmpty);
    // Opening without a lock of its own reads past it: the locks are advisory.
    EXPECT_EQ(TkxMD5::GetMD5FromFile(hidden, 0x0040), "900150983CD24FB0D6963F7D28E17F72");
  }
  std::filesystem::remove_all(dir);
}

TEST(MD5, FailingSelfTest) {
  TkxMD5::detail::SetSelfTestOverrideForTesting([] { return false; });
  auto message = [](auto&& call) {
    try {
      call();
    } catch (const Exception& e) {
      return ToUtf8(e.Message);
    }
    return std::string("no exception");
  };
  EXPECT_EQ(message([] { TkxMD5::GetMD5FromString("x"); }), "MD5 self test failed");
  EXPECT_EQ(message([] { TkxMD5::GetMD5FromFile(u"/nonexistent", 0x0020); }), "MD5 self test failed");
  EXPECT_EQ(message([] { TkxMD5::RequireSelfTest(); }), "MD5 self test failed");
  EXPECT_EQ(message([] { TkxMD5::detail::InitializeModule(); }), "MD5 self test failed!");
  EXPECT_EQ(TkxMD5::GetMD5("abc", 3), "900150983CD24FB0D6963F7D28E17F72");  // runs no self test
  TkxMD5::detail::SetSelfTestOverrideForTesting(nullptr);
  EXPECT_NO_THROW(TkxMD5::detail::InitializeModule());
  EXPECT_NO_THROW(TkxMD5::RequireSelfTest());
}

}  // namespace
