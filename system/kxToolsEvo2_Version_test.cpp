#include "system/kxToolsEvo2_Version.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/versioninfo/TestImages.h"
#include "platform/versioninfo/VersionBlock.h"

namespace {

namespace vi = kx::platform::versioninfo;
namespace images = kx::platform::versioninfo::testing;

TkxFileInfo Filled(const UnicodeString& Text) {
  TkxFileInfo info;
  for (UnicodeString* field :
       {&info.CompanyName, &info.FileDescription, &info.FileVersion, &info.InternalName,
        &info.LegalCopyright, &info.LegalTrademarks, &info.OriginalFilename, &info.ProductName,
        &info.ProductVersion, &info.Comment})
    *field = Text;
  return info;
}

// An in-memory PE image with a block built from Content, written to Name.
std::u16string PeFile(const std::string& Name, const vi::VersionBlockContent& Content) {
  const std::string file = images::TempFolder() + "/" + Name;
  EXPECT_TRUE(
      images::WriteFile(file, images::MakePeImage({.Block = vi::BuildVersionBlock(Content)})));
  return ToUtf16(file);
}

class FileInfoOfWindresImage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pe_ = images::MakeWindresImage("info64", images::kVersionScript, true);
  }
  void SetUp() override {
    if (pe_.empty())
      GTEST_SKIP() << "MinGW windres and ld are needed (scripts/setup installs them)";
  }
  static std::string pe_;
};
std::string FileInfoOfWindresImage::pe_;

TEST_F(FileInfoOfWindresImage, ReadsTheFirstTranslation) {
  TkxFileInfo info = Filled(u"before");
  ASSERT_TRUE(TkxTools::GetFileInfo(ToUtf16(pe_), info));
  TkxFileInfo want;  // the German table; entries it lacks are empty
  want.CompanyName = u"Beispiel GmbH";
  want.FileDescription = u"Werkzeug \u00E4\u20AC";  // trimmed
  want.ProductVersion = u"3.1";
  want.Comment = u"Kommentar";
  EXPECT_EQ(info, want);
}

TEST_F(FileInfoOfWindresImage, ProgramVersionTexts) {
  EXPECT_EQ(TkxTools::GetProgramVersion(ToUtf16(pe_)), u"3.1 (build 2.5.0.17)");
  EXPECT_EQ(TkxTools::GetFileBuild(ToUtf16(pe_)), u"2.5.0.17");
  uint16_t major = 0, minor = 0, revision = 0, build = 0;
  EXPECT_TRUE(TkxTools::GetProgramVersion(ToUtf16(pe_), major, minor, revision, build));
  EXPECT_EQ(build, 17);
}

TEST(FileInfo, WithoutVersionInformation) {
  const std::string text = images::TempFolder() + "/text.txt";
  ASSERT_TRUE(images::WriteFile(text, "no version here"));
  const std::string cut = images::TempFolder() + "/cut.dll";
  vi::VersionBlockContent c;
  c.Translations = {{0x0409, 0x04B0}};
  ASSERT_TRUE(images::WriteFile(
      cut, images::MakePeImage({.Block = vi::BuildVersionBlock(c)}).substr(0, 0x220)));
  for (const std::string& file : {text, cut, images::TempFolder() + "/missing.dll"}) {
    TkxFileInfo info = Filled(u"before");
    EXPECT_FALSE(TkxTools::GetFileInfo(ToUtf16(file), info)) << file;
    EXPECT_EQ(info, Filled(u"Unknown")) << file;
    EXPECT_EQ(TkxTools::GetProgramVersion(ToUtf16(file)), u"Unknown");
    EXPECT_EQ(TkxTools::GetFileBuild(ToUtf16(file)), u"Unknown");
  }
}

TEST(FileInfo, WithoutTranslationTableTheFieldsStayAsTheyWere) {
  vi::VersionBlockContent c;
  c.Tables.push_back({u"040904B0", {{u"CompanyName", u"Example"}}});
  const std::u16string file = PeFile("untranslated.dll", c);
  TkxFileInfo info = Filled(u"before");
  EXPECT_FALSE(TkxTools::GetFileInfo(file, info));
  EXPECT_EQ(info, Filled(u"before"));
}

TEST(FileInfo, TableNamesMatchWithoutRegardToCase) {
  vi::VersionBlockContent c;
  c.Tables.push_back({u"040904b0", {{u"ProductVersion", u"5.2"}, {u"Comments", u"not ours"}}});
  c.Translations = {{0x0409, 0x04B0}};
  const std::u16string file = PeFile("lowercase.dll", c);
  TkxFileInfo info;
  ASSERT_TRUE(TkxTools::GetFileInfo(file, info));
  EXPECT_EQ(info.ProductVersion, u"5.2");
  EXPECT_EQ(info.Comment, u"");  // "Comment", not "Comments"
}

// The test program carries no version block; the plug-in's own texts are
// tested where the block is linked in.
TEST(ProgramTexts, ModuleWithoutVersionBlock) {
  EXPECT_EQ(TkxTools::GetProgramVersion(), u"Unknown");
  EXPECT_EQ(TkxTools::GetProgramCopyright(), u"Unknown");
  EXPECT_EQ(TkxTools::GetProgramCopyrightString(), u"Unknown");
  EXPECT_EQ(TkxTools::GetProgramProductString(), u"Unknown");
  EXPECT_EQ(TkxTools::GetProgramDescription(), u"Unknown");
}

TEST(CompareVersionTexts, ZeroOneOrTwo) {
  struct Case {
    std::u16string a, b;
    int32_t want;
  };
  const Case cases[] = {
      {u"1, 2", u"1.2", 0},
      {u"1.10", u"1.9", 1},
      {u"1.9", u"1.10", 2},
      {u"1.2", u"1.2.0", 2},  // fewer parts: older
      {u"1.2.0", u"1.2", 1},
      {u"", u"", 0},
      {u"1.b", u"1.a", 1},                    // parts that are no numbers compare as text
      // A part longer than 10 characters stays as it is and loses to a shorter
      // one that starts with a greater digit.
      {u"12345678901.0", u"2345678901.0", 2},
      {u"2.0", u"10.0", 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TkxTools::CompareVersions(c.a, c.b), c.want) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
}

}  // namespace
