#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class ScratchFolder : public kx::testing::ScratchFolderTest {};

TEST_F(ScratchFolder, FreshFolderNamedAfterTheTest) {
  EXPECT_EQ(dir_, std::string(std::getenv("TMPDIR")) + "/ScratchFolder_FreshFolderNamedAfterTheTest");
  EXPECT_TRUE(fs::is_empty(dir_));
  Write("left/over.txt", "x");
  SetUp();  // what a crashed earlier run left behind is gone
  EXPECT_TRUE(fs::is_empty(dir_));

  // Without TMPDIR, or with an empty one, the folder goes below /tmp.
  const std::string tmpdir = std::getenv("TMPDIR");
  for (const bool empty : {true, false}) {
    TearDown();
    if (empty)
      ::setenv("TMPDIR", "", 1);
    else
      ::unsetenv("TMPDIR");
    SetUp();
    ::setenv("TMPDIR", tmpdir.c_str(), 1);
    EXPECT_EQ(dir_, "/tmp/ScratchFolder_FreshFolderNamedAfterTheTest");
    EXPECT_TRUE(fs::is_directory(dir_));
  }
}

TEST_F(ScratchFolder, WriteCreatesFoldersAndReadTakesEveryByte) {
  const std::string bytes("a\r\n\0\xFF", 5);
  Write("a/b/c.bin", bytes);
  EXPECT_EQ(Read("a/b/c.bin"), bytes);
  EXPECT_EQ(U("a/b/c.bin"), ToUtf16(dir_ + "/a/b/c.bin"));
  EXPECT_EQ(Read("missing"), "");
}

TEST_F(ScratchFolder, TearDownRemovesClosedFoldersButNotWhatLinksPointTo) {
  // A folder outside the scratch folder, reached through a link inside it:
  // opening up the tree must not change its rights.
  const std::string outside = dir_ + "_outside";
  fs::create_directories(outside);
  fs::permissions(outside, fs::perms::owner_read | fs::perms::owner_exec);
  fs::create_directory_symlink(outside, P("link"));

  Write("ro/closed/f.txt", "x");
  fs::create_directory_symlink(P("ro"), P("ro/closed/loop"));
  fs::permissions(P("ro/closed"), fs::perms::none);
  fs::permissions(P("ro"), fs::perms::owner_read | fs::perms::owner_exec);

  TearDown();
  const bool gone = !fs::exists(dir_);
  const fs::perms outsideRights = fs::status(outside).permissions() & fs::perms::all;
  fs::permissions(outside, fs::perms::owner_all);
  fs::remove_all(outside);
  SetUp();

  EXPECT_TRUE(gone);
  EXPECT_EQ(outsideRights, fs::perms::owner_read | fs::perms::owner_exec);
}

}  // namespace
