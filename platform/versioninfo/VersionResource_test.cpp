#include "platform/versioninfo/VersionResource.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <string>

#include "platform/os/LastError.h"
#include "platform/versioninfo/TestImages.h"
#include "platform/versioninfo/VersionBlock.h"

namespace {

using namespace kx::platform::versioninfo;
namespace images = kx::platform::versioninfo::testing;

std::string Hex8(uint32_t v) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string s(8, '0');
  for (int i = 0; i < 8; ++i) s[7 - i] = kHex[(v >> (4 * i)) & 0xF];
  return s;
}

// Our reading of File in the form of images::PefileDump (without machine and
// checksum).
std::map<std::string, std::string> OurDump(const std::string& File) {
  std::map<std::string, std::string> dump;
  const auto block = ReadVersionBlock(ToUtf16(File));
  if (!block) return dump;
  const auto parsed = ParseVersionBlock(*block);
  if (!parsed) return dump;
  const FixedFileInfo& f = parsed->Fixed;
  dump["fixed"] = Hex8(f.FileVersionMS) + " " + Hex8(f.FileVersionLS) + " " +
                  Hex8(f.ProductVersionMS) + " " + Hex8(f.ProductVersionLS);
  std::string translations;
  for (const Translation& t : parsed->Translations)
    translations += (translations.empty() ? "" : " ") + Hex8(t.Language).substr(4) + ":" +
                    Hex8(t.CodePage).substr(4);
  dump["translations"] = translations;
  for (const StringTable& table : parsed->Tables)
    for (const StringEntry& e : table.Entries)
      dump["string " + ToUtf8(table.Key) + " " + ToUtf8(e.Key)] = ToUtf8(e.Text);
  return dump;
}

std::map<std::string, std::string> PefileVersionDump(const std::string& File) {
  std::map<std::string, std::string> dump = images::PefileDump(File);
  dump.erase("machine");
  dump.erase("checksum");
  return dump;
}

class VersionResourceFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pe64_ = images::MakeWindresImage("resource64", images::kVersionScript, true);
    pe32_ = images::MakeWindresImage("resource32", images::kVersionScript, false);
  }
  void SetUp() override {
    if (pe64_.empty() || pe32_.empty())
      GTEST_SKIP() << "MinGW windres and ld are needed (scripts/setup installs them)";
  }
  // A fresh copy of a fixture.
  static std::string Copy(const std::string& From, const std::string& Name) {
    const std::string to = images::TempFolder() + "/" + Name;
    EXPECT_TRUE(images::WriteFile(to, images::ReadFile(From)));
    return to;
  }

  static std::string pe64_, pe32_;
};
std::string VersionResourceFiles::pe64_;
std::string VersionResourceFiles::pe32_;

TEST_F(VersionResourceFiles, ReadersAgreeWithPefile) {
  for (const std::string& file : {pe64_, pe32_}) {
    const auto theirs = PefileVersionDump(file);
    ASSERT_FALSE(theirs.empty()) << "pefile could not read " << file;
    EXPECT_EQ(OurDump(file), theirs) << file;
  }
  const auto ours = OurDump(pe64_);
  EXPECT_EQ(ours.at("fixed"), "00020005 00000011 00030001 00040001");
  EXPECT_EQ(ours.at("translations"), "0407:04B0 0409:04B0");
  EXPECT_EQ(ours.at("string 040704B0 Comment"), "Kommentar");
}

TEST_F(VersionResourceFiles, RewriteKeepsTheImageValidAndTheFileMode) {
  for (const std::string& fixture : {pe64_, pe32_}) {
    const std::string file = Copy(fixture, "rewrite.dll");
    ASSERT_EQ(::chmod(file.c_str(), 0751), 0);
    const std::string link = images::TempFolder() + "/rewrite-link.dll";
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);

    ASSERT_TRUE(RewriteVersionBlock(ToUtf16(link), [](std::string& block) {
      const auto parsed = ParseVersionBlock(block);
      if (!parsed) return false;
      SetFileVersion(block, 0x00070008, 0x0009000A);
      ReplaceText(block, *FindEntry(parsed->Tables[1], u"CompanyName"), u"Changed");
      return true;
    }));

    const auto theirs = images::PefileDump(file);
    EXPECT_EQ(theirs.at("checksum"), "ok") << fixture;
    EXPECT_EQ(theirs.at("fixed"), "00070008 0009000A 00030001 00040001");
    EXPECT_EQ(theirs.at("string 040904B0 CompanyName"), "Changed");
    EXPECT_EQ(theirs.at("string 040704B0 CompanyName"), "Beispiel GmbH");
    EXPECT_EQ(images::ReadFile(file).size(), images::ReadFile(fixture).size());
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link itself stays a link";
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0751u);
  }
}

TEST_F(VersionResourceFiles, NothingIsWrittenWhenTheChangeGivesUp) {
  const std::string file = Copy(pe64_, "give-up.dll");
  const std::string before = images::ReadFile(file);
  EXPECT_FALSE(RewriteVersionBlock(ToUtf16(file), [](std::string& block) {
    block[0] = 'x';
    return false;
  }));
  EXPECT_EQ(images::ReadFile(file), before);
}

TEST(VersionResource, FilesWithoutABlock) {
  const std::string folder = images::TempFolder();
  const std::string text = folder + "/plain.txt";
  ASSERT_TRUE(images::WriteFile(text, "Not an executable at all, just some text."));
  const std::string elf = folder + "/plain.so";
  ASSERT_TRUE(images::WriteFile(elf, images::MakeElfImage({})));
  auto change = [](std::string&) { return true; };
  for (const std::string& name :
       {text, elf, folder, folder + "/missing.dll", std::string("C:\\x.dll")}) {
    EXPECT_FALSE(ReadVersionBlock(ToUtf16(name))) << name;
    EXPECT_FALSE(RewriteVersionBlock(ToUtf16(name), change)) << name;
  }
  EXPECT_EQ(images::ReadFile(text), "Not an executable at all, just some text.");
  ReadVersionBlock(ToUtf16(folder + "/missing.dll"));
  EXPECT_EQ(kx::platform::LastOSError(), ENOENT);
}

TEST(VersionResource, ElfSectionIsReadAndRewritten) {
  VersionBlockContent c;
  c.Fixed.FileVersionMS = 0x00010002;
  c.Tables.push_back({u"040904B0", {{u"ProductName", u"Example"}}});
  c.Translations = {{0x0409, 0x04B0}};
  const std::string block = BuildVersionBlock(c);
  const std::string file = images::TempFolder() + "/section.so";
  ASSERT_TRUE(images::WriteFile(file, images::MakeElfImage({.Block = block})));
  EXPECT_EQ(ReadVersionBlock(ToUtf16(file)), block);
  ASSERT_TRUE(RewriteVersionBlock(ToUtf16(file), [](std::string& b) {
    SetFileVersion(b, 0x00030004, 0);
    return true;
  }));
  const auto parsed = ParseVersionBlock(ReadVersionBlock(ToUtf16(file)).value_or(""));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->Fixed.FileVersionMS, 0x00030004u);
}

}  // namespace
