// tests/support/ScratchFolder.h — a fresh, empty folder for every test.
//
// The folder is $TMPDIR/<suite>_<test> (/tmp when TMPDIR is unset or empty),
// emptied before the test and removed after it. Folders a test left without
// owner permissions are opened up again first, so they never keep the folder
// from going.
//
//   class CopyTest : public kx::testing::ScratchFolderTest {};
//   TEST_F(CopyTest, Copies) {
//     Write("in/a.txt", "abc");            // creates in/ as well
//     TkxFiles::CopyFile32(U("in/a.txt"), U("b.txt"));
//     EXPECT_EQ(Read("b.txt"), "abc");
//   }
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/rtl/Text.h"

namespace kx::testing {

class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : leaf)
      if (c == '/') c = '_';  // parameterised and typed tests carry "/" in their names
    dir_ = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + leaf;
    Remove(dir_);
    std::error_code ec;
    std::filesystem::create_directories(dir_, ec);
    ASSERT_FALSE(ec) << dir_ << ": " << ec.message();
  }
  void TearDown() override { Remove(dir_); }

  // The path of Name below the folder.
  std::string P(const std::string& name) const { return dir_ + "/" + name; }
  UnicodeString U(const std::string& name) const { return ToUtf16(P(name)); }
  // Writes Content to Name as it is, creating the folders on the way.
  void Write(const std::string& name, const std::string& content) const {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(P(name)).parent_path(), ec);
    std::ofstream(P(name), std::ios::binary) << content;
  }
  // The whole of Name as it is; empty when it cannot be read.
  std::string Read(const std::string& name) const {
    std::ifstream in(P(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::string dir_;

 private:
  // Gives the owner full rights on every folder below Path (links are not
  // followed), then removes it all; failures are ignored.
  static void Remove(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(path, ec))) {
      fs::remove(path, ec);
      return;
    }
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    // A folder is visited before it is entered, so its rights are restored in time.
    for (fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
      std::error_code entry;
      if (fs::is_directory(it->symlink_status(entry)))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, entry);
    }
    fs::remove_all(path, ec);
  }
};

}  // namespace kx::testing
