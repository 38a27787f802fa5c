#include "system/internal/kxCRC.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace kxInternal {
namespace {

TEST(UpdateCrc32, CheckValueAndContinuation) {
  const char* digits = "123456789";
  EXPECT_EQ(UpdateCrc32(0, digits, 9), 0xCBF43926u);
  EXPECT_EQ(UpdateCrc32(UpdateCrc32(0, digits, 5), digits + 5, 4), 0xCBF43926u);
  EXPECT_EQ(UpdateCrc32(0, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(digits), 9)), 0xCBF43926u);
  EXPECT_EQ(UpdateCrc32(0x12345678u, digits, 0), 0x12345678u);  // nothing to add
  EXPECT_EQ(UpdateCrc32(0x12345678u, std::span<const uint8_t>()), 0x12345678u);
  EXPECT_EQ(UpdateCrc32(0x12345678u, nullptr, 9), 0u);  // no data pointer
  EXPECT_EQ(UpdateCrc32(0, "", 0), 0u);
}

// Random data fed in random pieces gives what Python's binascii.crc32 gives
// for the whole.
TEST(UpdateCrc32, MatchesPython) {
  if (std::system("python3 -c 'import binascii' >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not available";
  const char* dir = std::getenv("TMPDIR");
  const std::string base = std::string(dir != nullptr ? dir : "/tmp") + "/kxCRC_test_";
  std::mt19937 rng(99);
  const size_t sizes[] = {1, 1000, 70000, 1u << 20};
  std::vector<std::string> data;
  std::string files;
  for (size_t i = 0; i < std::size(sizes); ++i) {
    std::string bytes(sizes[i], '\0');
    for (auto& c : bytes) c = static_cast<char>(rng());
    const std::string path = base + std::to_string(i);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    data.push_back(std::move(bytes));
    files += " " + path;
  }
  const std::string cmd =
      "python3 -c 'import binascii,sys\nfor f in sys.argv[1:]: print(binascii.crc32(open(f,\"rb\").read()))'" +
      files;
  FILE* pipe = popen(cmd.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  for (size_t i = 0; i < data.size(); ++i) {
    char line[64] = {};
    ASSERT_NE(std::fgets(line, sizeof line, pipe), nullptr);
    const uint32_t want = static_cast<uint32_t>(std::stoul(line));
    uint32_t crc = 0;
    for (size_t at = 0; at < data[i].size();) {
      const size_t piece = std::min<size_t>(data[i].size() - at, rng() % 5000);
      crc = UpdateCrc32(crc, data[i].data() + at, piece);
      at += piece;
    }
    EXPECT_EQ(crc, want) << data[i].size();
    std::remove((base + std::to_string(i)).c_str());
  }
  pclose(pipe);
}

}  // namespace
}  // namespace kxInternal
