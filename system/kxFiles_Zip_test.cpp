#include "system/kxFiles_Zip.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/file/ChildLockForTesting.h"
#include "platform/zip/ZipArchive.h"
#include "platform/zip/ZipPeersForTesting.h"
#include "system/kxFiles.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using kx::platform::CheckZipWithPeers;
using Members = std::vector<std::pair<std::string, std::string>>;

class ZipTest : public kx::testing::ScratchFolderTest {
 protected:
  static std::string Fixture(const std::string& name) {
    return std::string(std::getenv("KX_SOURCE_DIR")) + "/testdata/zip/" + name;
  }
  // Every file and folder below the test folder, relative to it.
  std::set<std::string> Tree() const {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir_))
      names.insert(fs::relative(e.path(), dir_).string() + (e.is_directory() ? "/" : ""));
    return names;
  }
  static std::vector<std::string> Items(const TStringList& list) {
    std::vector<std::string> items;
    for (int32_t i = 0; i < list.Count(); ++i) items.push_back(ToUtf8(list[i]));
    return items;
  }
  // An archive with these members in this order, made by our writer.
  void MakeArchive(const std::string& name, const Members& members) const {
    kx::platform::ZipArchive zip;
    ASSERT_TRUE(zip.OpenForUpdate(U(name)));
    for (const auto& [member, content] : members) ASSERT_TRUE(zip.Add(ToUtf16(member), content)) << member;
    ASSERT_TRUE(zip.Save()) << zip.ErrorText();
  }
};

TEST_F(ZipTest, AddFileToZipTakesDataOrTheFile) {
  Write("doc.xml", "<file/>");
  struct Case { const char* what; std::string inFile, data; bool ok; std::string member, content; };
  const Case cases[] = {
      {"missing file, empty data", P("none.xml"), "", false, "", ""},
      {"missing file, blank data", P("none.xml"), "   ", false, "", ""},
      {"missing file, data", P("none.xml"), "<doc/>", true, "none.xml", "<doc/>"},
      {"file, blank data wins", P("doc.xml"), "   ", true, "doc.xml", "   "},
      {"file, empty data", P("doc.xml"), "", true, "doc.xml", "<file/>"},
      {"Windows path, data", "C:\\docs\\Bericht über.xml", "<x/>", true, "Bericht über.xml", "<x/>"},
  };
  for (const auto& c : cases) {
    fs::remove(P("a.zip"));
    EXPECT_EQ(TkxFiles::AddFileToZip(c.inFile, P("a.zip"), c.data), c.ok) << c.what;
    if (c.ok)
      EXPECT_EQ(CheckZipWithPeers(P("a.zip"), {{c.member, c.content}}), "") << c.what;
    else
      EXPECT_FALSE(fs::exists(P("a.zip"))) << c.what;
  }
}

TEST_F(ZipTest, AddFileToZipKeepsOtherMembersAndReplacesItsOwn) {
  Write("one.txt", "1");
  Write("two.txt", "2");
  ASSERT_TRUE(TkxFiles::CreateBlankFile(U("a.zip")));  // a 0-byte file is an empty archive
  ASSERT_TRUE(TkxFiles::AddFileToZip(P("one.txt"), P("a.zip"), ""));
  ASSERT_TRUE(TkxFiles::AddFileToZip(P("two.txt"), P("a.zip"), ""));
  ASSERT_TRUE(TkxFiles::AddFileToZip(P("one.txt"), P("a.zip"), "one again"));
  EXPECT_EQ(CheckZipWithPeers(P("a.zip"), {{"one.txt", "one again"}, {"two.txt", "2"}}), "");

  // Not an archive: false, and the file stays as it was.
  Write("text.zip", "plain text");
  EXPECT_FALSE(TkxFiles::AddFileToZip(P("one.txt"), P("text.zip"), ""));
  EXPECT_EQ(Read("text.zip"), "plain text");
  // An input file locked by another process cannot be read.
  Write("locked.txt", "locked");
  kx::platform::ChildLockForTesting lock(U("locked.txt"));
  ASSERT_TRUE(lock.Locked());
  EXPECT_FALSE(TkxFiles::AddFileToZip(P("locked.txt"), P("b.zip"), ""));
  EXPECT_FALSE(fs::exists(P("b.zip")));
}

TEST_F(ZipTest, AddFilesToZipSavesOnceOrNotAtAll) {
  Write("a.txt", "a");
  fs::create_directories(P("sub"));
  Write("sub/ä.txt", "ä");
  TStringList files;
  files.Add(U("sub/ä.txt"));
  files.Add(U("a.txt"));
  ASSERT_TRUE(TkxFiles::AddFilesToZip(files, U("a.zip")));
  EXPECT_EQ(CheckZipWithPeers(P("a.zip"), {{"ä.txt", "ä"}, {"a.txt", "a"}}), "");

  // A file that cannot be read fails the whole call: nothing is saved.
  const std::string before = Read("a.zip");
  Write("b.txt", "b");
  files.Clear();
  files.Add(U("b.txt"));
  files.Add(U("missing.txt"));
  EXPECT_FALSE(TkxFiles::AddFilesToZip(files, U("a.zip")));
  EXPECT_EQ(Read("a.zip"), before);

  // No files: an archive without members.
  files.Clear();
  ASSERT_TRUE(TkxFiles::AddFilesToZip(files, U("empty.zip")));
  EXPECT_EQ(CheckZipWithPeers(P("empty.zip"), {}), "");
}

TEST_F(ZipTest, GetFileFromZipWritesTheFirstMember) {
  // Whatever the first member's name, it goes to Outfile, whose folders are made.
  ASSERT_TRUE(TkxFiles::GetFileFromZip(U("out/deep/first.bin"), ToUtf16(Fixture("python_members.zip"))));
  EXPECT_EQ(Read("out/deep/first.bin"), "stored a/x\n");

  MakeArchive("ours.zip", {{"m1", "one"}, {"m2", "two"}});
  Write("existing", "old content that is longer");
  ASSERT_TRUE(TkxFiles::GetFileFromZip(U("existing"), U("ours.zip")));
  EXPECT_EQ(Read("existing"), "one");

  MakeArchive("empty.zip", {});
  Write("blank.zip", "");
  EXPECT_FALSE(TkxFiles::GetFileFromZip(U("x"), U("empty.zip")));
  EXPECT_FALSE(TkxFiles::GetFileFromZip(U("x"), U("blank.zip")));
  EXPECT_FALSE(TkxFiles::GetFileFromZip(U("x"), U("missing.zip")));
  EXPECT_FALSE(TkxFiles::GetFileFromZip(U("x"), ToUtf16(Fixture("python_folder_first.zip"))));
  EXPECT_FALSE(fs::exists(P("x")));
}

TEST_F(ZipTest, GetFilesFromZipUnpacksUnderFreeNames) {
  const UnicodeString archive = ToUtf16(Fixture("python_members.zip"));
  TStringList files;
  ASSERT_TRUE(TkxFiles::GetFilesFromZip(archive, U("t"), files));
  const std::vector<std::string> first = {P("t/a/x.txt"), P("t/x.txt"), P("t/docs/Grüße.txt"), P("t/win/w.txt")};
  EXPECT_EQ(Items(files), first);
  EXPECT_EQ(Read("t/a/x.txt"), "stored a/x\n");
  std::string deflated;
  for (int i = 0; i < 50; ++i) deflated += "deflated x ";
  EXPECT_EQ(Read("t/x.txt"), deflated);
  EXPECT_EQ(Read("t/docs/Grüße.txt"), "Grüße\n");
  EXPECT_EQ(Read("t/win/w.txt"), "backslash\r\n");

  // Again into the same folder: every member gets the next free name, and
  // the list holds only this run's files.
  ASSERT_TRUE(TkxFiles::GetFilesFromZip(archive, ToUtf16(P("t/")), files));
  EXPECT_EQ(Items(files), (std::vector<std::string>{P("t/a/x-2.txt"), P("t/x-2.txt"), P("t/docs/Grüße-2.txt"),
                                                    P("t/win/w-2.txt")}));

  // A folder entry makes its folder and is not listed.
  ASSERT_TRUE(TkxFiles::GetFilesFromZip(ToUtf16(Fixture("python_folder_first.zip")), U("u"), files));
  EXPECT_EQ(Items(files), std::vector<std::string>{P("u/d/f.txt")});

  // A missing archive: false, the list emptied.
  EXPECT_FALSE(TkxFiles::GetFilesFromZip(U("missing.zip"), U("v"), files));
  EXPECT_EQ(files.Count(), 0);
}

TEST_F(ZipTest, GetFilesFromZipWritesNothingOutsideTheTarget) {
  fs::create_directories(P("box/in"));
  struct Case { const char* name; };
  const Case cases[] = {{"../x"}, {"/x"}, {"\\x"}, {"a/../../x"}, {"a\\..\\..\\x"}, {"C:\\x"}, {"c:x"}, {".."}};
  for (const auto& c : cases) {
    MakeArchive("evil.zip", {{"good.txt", "good"}, {c.name, "evil"}, {"after.txt", "after"}});
    fs::remove_all(P("box/in/t"));
    TStringList files;
    EXPECT_FALSE(TkxFiles::GetFilesFromZip(U("evil.zip"), U("box/in/t"), files)) << c.name;
    // Members before the bad one stay; nothing from or after it is written.
    EXPECT_EQ(Items(files), std::vector<std::string>{P("box/in/t/good.txt")}) << c.name;
    EXPECT_EQ(Tree(), (std::set<std::string>{"box/", "box/in/", "box/in/t/", "box/in/t/good.txt", "evil.zip"}))
        << c.name;
  }
  EXPECT_FALSE(fs::exists("/x"));
}

TEST_F(ZipTest, GetFilesFromZipTakesTheNextNameOverAnyEntry) {
  // A dot-named file and a folder hold their names too: the members go to
  // the next free names, and what was there stays.
  MakeArchive("a.zip", {{".profile", "from the archive"}});
  MakeArchive("b.zip", {{"sub", "a file where a folder is"}});
  fs::create_directories(P("t/sub"));
  Write("t/.profile", "mine");
  TStringList files;
  EXPECT_TRUE(TkxFiles::GetFilesFromZip(U("a.zip"), U("t"), files));
  EXPECT_EQ(Read("t/.profile"), "mine");
  EXPECT_EQ(Read("t/-2.profile"), "from the archive");  // ".profile" is all extension
  EXPECT_TRUE(TkxFiles::GetFilesFromZip(U("b.zip"), U("t"), files));
  EXPECT_TRUE(fs::is_directory(P("t/sub")));
  EXPECT_EQ(Read("t/sub-2"), "a file where a folder is");
}

}  // namespace
