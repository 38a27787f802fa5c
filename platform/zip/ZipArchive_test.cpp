#include "platform/zip/ZipArchive.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <string>

#include "platform/zip/ZipPeersForTesting.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using kx::platform::CheckZipWithPeers;
using kx::platform::ZipArchive;

class ZipArchiveTest : public kx::testing::ScratchFolderTest {
 protected:
  // Names of everything in the folder, to see that nothing was left behind.
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
    return names;
  }
};

TEST_F(ZipArchiveTest, AddSaveAndReopenKeepsMembersAndReplacesByName) {
  {
    ZipArchive zip;
    ASSERT_TRUE(zip.OpenForUpdate(U("a.zip"))) << zip.ErrorText();
    ASSERT_TRUE(zip.SetComment(""));
    std::string data = "first";
    ASSERT_TRUE(zip.Add(u"a.txt", data));
    data = "overwritten before saving";  // the archive holds its own copy
    ASSERT_TRUE(zip.Add(u"Grüße/ß.txt", std::string(70000, 'x')));
    ASSERT_TRUE(zip.Save()) << zip.ErrorText();
  }
  EXPECT_EQ(CheckZipWithPeers(P("a.zip"), {{"a.txt", "first"}, {"Grüße/ß.txt", std::string(70000, 'x')}}), "");

  {
    ZipArchive zip;
    ASSERT_TRUE(zip.OpenForUpdate(U("a.zip")));
    ASSERT_TRUE(zip.Add(u"a.txt", "second"));  // same name: replaced in place
    ASSERT_TRUE(zip.Add(u"empty", ""));
    ASSERT_TRUE(zip.Save()) << zip.ErrorText();
  }
  EXPECT_EQ(CheckZipWithPeers(P("a.zip"), {{"a.txt", "second"},
                                           {"Grüße/ß.txt", std::string(70000, 'x')},
                                           {"empty", ""}}),
            "");
  EXPECT_EQ(Listing(), std::set<std::string>{"a.zip"});  // no temporary file left

  ZipArchive zip;
  ASSERT_TRUE(zip.OpenForReading(U("a.zip")));
  ASSERT_EQ(zip.Count(), 3);
  UnicodeString name;
  ASSERT_TRUE(zip.Name(1, name));
  EXPECT_EQ(name, u"Grüße/ß.txt");
  EXPECT_FALSE(zip.Name(3, name));
  ASSERT_TRUE(zip.ExtractToFile(0, U("out.txt")));
  EXPECT_EQ(Read("out.txt"), "second");
  EXPECT_FALSE(zip.Add(u"x", "read only"));
}

TEST_F(ZipArchiveTest, ZeroByteFileIsAnEmptyArchive) {
  Write("blank.zip", "");
  {
    ZipArchive zip;
    ASSERT_TRUE(zip.OpenForReading(U("blank.zip"))) << zip.ErrorText();
    EXPECT_EQ(zip.Count(), 0);
  }
  ZipArchive zip;
  ASSERT_TRUE(zip.OpenForUpdate(U("blank.zip"))) << zip.ErrorText();
  ASSERT_TRUE(zip.Add(u"doc.xml", "<doc/>"));
  ASSERT_TRUE(zip.Save()) << zip.ErrorText();
  EXPECT_EQ(CheckZipWithPeers(P("blank.zip"), {{"doc.xml", "<doc/>"}}), "");
}

TEST_F(ZipArchiveTest, SavingWithoutMembersWritesAnEmptyArchive) {
  // libzip alone writes nothing for a new archive and deletes a 0-byte file.
  Write("blank.zip", "");
  for (const char* name : {"new.zip", "blank.zip"}) {
    ZipArchive zip;
    ASSERT_TRUE(zip.OpenForUpdate(U(name)));
    ASSERT_TRUE(zip.Save()) << zip.ErrorText();
    EXPECT_EQ(fs::file_size(P(name)), 22u) << name;
    EXPECT_EQ(CheckZipWithPeers(P(name), {}), "") << name;
  }
}

TEST_F(ZipArchiveTest, FailuresLeaveTheArchiveAsItWas) {
  ZipArchive zip;
  // Not an archive: refused, untouched.
  Write("text.zip", "just text");
  EXPECT_FALSE(zip.OpenForUpdate(U("text.zip")));
  EXPECT_FALSE(zip.ErrorText().empty());
  EXPECT_EQ(Read("text.zip"), "just text");
  EXPECT_FALSE(zip.OpenForReading(U("missing.zip")));
  EXPECT_FALSE(zip.OpenForUpdate(u"C:\\a.zip"));  // names nothing here
  EXPECT_FALSE(zip.OpenForUpdate(ToUtf16(dir_)));   // a folder

  // A save that cannot write: the data of the archive's old member is gone
  // by the time of the save (the file was cut short meanwhile), so libzip
  // fails while copying it. The member is large enough that no read buffer
  // still holds it.
  std::string noise(1 << 20, '\0');
  uint32_t seed = 7;
  for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
  ASSERT_TRUE(zip.OpenForUpdate(U("a.zip")));
  ASSERT_TRUE(zip.Add(u"keep.bin", noise));
  ASSERT_TRUE(zip.Save());
  ASSERT_TRUE(zip.OpenForUpdate(U("a.zip")));
  const std::string cut = Read("a.zip").substr(0, 100);
  Write("a.zip", cut);
  ASSERT_TRUE(zip.Add(u"new.txt", "new"));
  EXPECT_FALSE(zip.Save());
  EXPECT_FALSE(zip.IsOpen());
  EXPECT_EQ(Read("a.zip"), cut);
  EXPECT_EQ(Listing(), (std::set<std::string>{"a.zip", "text.zip"}));

  // No folder to write into.
  ASSERT_TRUE(zip.OpenForUpdate(U("gone/a.zip")));
  ASSERT_TRUE(zip.Add(u"a", "a"));
  EXPECT_FALSE(zip.Save());
  EXPECT_FALSE(zip.Add(u"", "unnamed"));
}

TEST_F(ZipArchiveTest, DamagedMemberFailsAndLeavesNoNewFile) {
  // A stored member whose bytes no longer match its checksum.
  {
    int error = 0;
    zip_t* z = zip_open(P("bad.zip").c_str(), ZIP_CREATE, &error);
    ASSERT_NE(z, nullptr);
    static const char content[] = "0123456789abcdef";
    zip_source_t* source = zip_source_buffer(z, content, 16, 0);
    const zip_int64_t index = zip_file_add(z, "m.txt", source, 0);
    ASSERT_GE(index, 0);
    zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    ASSERT_EQ(zip_close(z), 0);
  }
  std::string bytes = Read("bad.zip");
  const size_t at = bytes.find("0123456789abcdef");
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 'X';
  Write("bad.zip", bytes);

  ZipArchive zip;
  ASSERT_TRUE(zip.OpenForReading(U("bad.zip")));
  EXPECT_FALSE(zip.ExtractToFile(0, U("new.txt")));
  EXPECT_FALSE(fs::exists(P("new.txt")));
  EXPECT_FALSE(zip.ErrorText().empty());
}

}  // namespace
