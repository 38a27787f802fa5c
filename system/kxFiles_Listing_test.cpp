#include "system/kxFiles_Listing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

class ListingTest : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    for (const char* d : {"a/x/y", "a/z", "a/.hidden/inner", "a/X"}) fs::create_directories(P(d));
    fs::create_directory_symlink(P("a"), P("a/z/loop"));
  }
  // The list with the test folder cut off each entry.
  std::string Relative(const TStringList& list) const {
    std::string out;
    for (int32_t i = 0; i < list.Count(); ++i) out += ToUtf8(list.Get(i)).substr(dir_.size() + 1) + " ";
    return out;
  }
};

TEST_F(ListingTest, GetPathListDepthFirst) {
  struct Case { const char* root; bool addRoot, recursive; const char* want; };
  const Case cases[] = {
      // hidden folders and links are left out; names that differ by case both count
      {"a/", false, true, "a/X/ a/x/ a/x/y/ a/z/ "},
      {"a/*.*", true, true, "a/ a/X/ a/x/ a/x/y/ a/z/ "},
      {"a/", true, false, "a/ a/X/ a/x/ a/z/ "},
      {"a", false, false, "a/ "},  // the folder part of "a" is its parent
      {"missing/", true, true, "missing/ "},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.SetCaseSensitive(true);
    EXPECT_TRUE(TkxFiles::GetPathList(U(c.root), list, c.addRoot, c.recursive));
    EXPECT_EQ(Relative(list), c.want) << c.root;
  }
}

TEST_F(ListingTest, GetPathListAddsAFolderOnlyOnce) {
  TStringList list;
  list.SetCaseSensitive(true);
  list.Add(U("a/x/"));
  TkxFiles::GetPathList(U("a/"), list, false, true);
  // "a/x/" was there: neither added again nor entered, so "a/x/y/" is missing.
  EXPECT_EQ(Relative(list), "a/x/ a/X/ a/z/ ");
}

TEST_F(ListingTest, MaskedWalk) {
  const auto walk = TkxFiles::detail::WalkMaskedSource(U("a/*.pdf"), true);
  EXPECT_EQ(walk.Root, U("a/"));
  EXPECT_EQ(walk.Mask, u"*.pdf");
  ASSERT_EQ(walk.Folders.size(), 5u);
  EXPECT_EQ(walk.Folders[0], U("a/"));
  EXPECT_EQ(walk.Folders[3], U("a/x/y/"));
  EXPECT_EQ(TkxFiles::detail::WalkMaskedSource(U("a/*.pdf"), false).Folders.size(), 1u);
  EXPECT_TRUE(TkxFiles::detail::WalkMaskedSource(u"*.pdf", true).Folders.empty());
}

}  // namespace
