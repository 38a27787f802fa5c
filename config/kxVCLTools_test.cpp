#include "config/kxVCLTools.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <string>

#include "platform/versioninfo/TestImages.h"
#include "system/kxToolsEvo2_Identity.h"

namespace images = kx::platform::versioninfo::testing;
namespace vi = kx::platform::versioninfo;

namespace {

TEST(ReadFileInfo, FirstTranslationsTextsTrimmedAndMissingKeysEmpty) {
  const std::string file = images::MakeWindresImage("vcltools", images::kVersionScript, true);
  if (file.empty()) GTEST_SKIP() << "MinGW windres and ld are needed (scripts/setup installs them)";
  TFileInfo info;
  info.FileVersion = u"stale";
  ASSERT_TRUE(kxVCLTools::ReadFileInfo(ToUtf16(file), info));
  // The German table comes first in the translation list.
  EXPECT_EQ(info.CompanyName, u"Beispiel GmbH");
  EXPECT_EQ(info.FileDescription, u"Werkzeug ä€");  // blank padding trimmed
  EXPECT_EQ(info.FileVersion, u"");                 // not in that table
  EXPECT_EQ(info.ProductVersion, u"3.1");
  EXPECT_EQ(info.Comment, u"Kommentar");
  EXPECT_EQ(info.LegalCopyright, u"");

  uint16_t major, minor, release, build;
  ASSERT_TRUE(kxVCLTools::ReadFixedFileVersion(ToUtf16(file), major, minor, release, build));
  EXPECT_EQ((std::array<uint16_t, 4>{major, minor, release, build}), (std::array<uint16_t, 4>{2, 5, 0, 17}));
  EXPECT_EQ(kxVCLTools::GetFileVersionText(ToUtf16(file)), u"2.5.0.17");
}

TEST(ReadFileInfo, WithoutVersionInformation) {
  const UnicodeString missing = ToUtf16(images::TempFolder() + "/missing.dll");
  TFileInfo info;
  EXPECT_FALSE(kxVCLTools::ReadFileInfo(missing, info));
  EXPECT_EQ(info.CompanyName, u"Unknown");
  EXPECT_EQ(info.Comment, u"Unknown");
  uint16_t major = 9, minor = 9, release = 9, build = 9;
  EXPECT_FALSE(kxVCLTools::ReadFixedFileVersion(missing, major, minor, release, build));
  EXPECT_EQ(major + minor + release + build, 0);
  EXPECT_EQ(kxVCLTools::GetFileVersionText(missing), u"Unknown");

  // A block without a translation: false, the record left as it was.
  vi::VersionBlockContent content;
  content.Fixed.FileVersionMS = 0x00010002;
  content.Tables.push_back({u"040904B0", {{u"CompanyName", u"x"}}});
  const std::string pe = images::TempFolder() + "/notranslation.dll";
  ASSERT_TRUE(images::WriteFile(pe, images::MakePeImage({.Block = vi::BuildVersionBlock(content)})));
  TFileInfo kept;
  kept.CompanyName = u"kept";
  EXPECT_FALSE(kxVCLTools::ReadFileInfo(ToUtf16(pe), kept));
  EXPECT_EQ(kept.CompanyName, u"kept");
  EXPECT_EQ(kxVCLTools::GetFileVersionText(ToUtf16(pe)), u"1.2.0.0");
}

TEST(QueryVersionString, TableByNameWithoutCaseEntryExactly) {
  vi::VersionBlockContent content;
  content.Tables.push_back({u"040904b0", {{u"ProductName", u" VANTO "}}});
  content.Translations.push_back({0x0409, 0x04B0});
  const auto block = vi::ParseVersionBlock(vi::BuildVersionBlock(content));
  ASSERT_TRUE(block);
  struct Case { const char16_t* key; const char16_t* want; };
  const Case cases[] = {
      {u"\\StringFileInfo\\040904B0\\ProductName", u"VANTO"},
      {u"\\stringfileinfo\\040904b0\\ProductName", u"VANTO"},
      {u"\\StringFileInfo\\040904B0\\productname", u""},
      {u"\\StringFileInfo\\040704B0\\ProductName", u""},
      {u"\\StringFileInfo\\040904B0", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(kxVCLTools::QueryVersionString(*block, c.key), c.want) << ToUtf8(c.key);
}

TEST(PlaceholderOr, FiveHashesAfterTrimming) {
  struct Case { const char16_t* text; const char16_t* want; };
  const Case cases[] = {
      {u"##########", u"#####"}, {u"  #####x", u"#####"}, {u"####", u"####"}, {u"A ##### B", u"A ##### B"}, {u"", u""}};
  for (const auto& c : cases) EXPECT_EQ(kxVCLTools::PlaceholderOr(c.text), c.want) << ToUtf8(c.text);
}

#ifdef KX_VERINFO_USED_SETTINGS
// The test program carries the library's version block.
std::map<std::string, std::string> Settings() {
  std::map<std::string, std::string> values;
  std::ifstream in(KX_VERINFO_USED_SETTINGS);
  for (std::string line; std::getline(in, line);)
    if (const size_t eq = line.find('='); eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  return values;
}

TEST(ModuleTexts, ComeFromTheModulesOwnVersionBlock) {
  auto settings = Settings();
  EXPECT_EQ(kxVCLTools::GetModuleDescription(), ToUtf16(settings["FileDescription"]));
  EXPECT_EQ(kxVCLTools::GetModuleCopyright(), ToUtf16(settings["LegalCopyright"]));
  EXPECT_EQ(kxVCLTools::GetModuleVersionText(),
            ToUtf16(settings["FileVersion"] + " (rel. " + settings["ProductVersion"] + ")"));
}
#else
TEST(ModuleTexts, AModuleWithoutVersionBlockIsUnknown) {
  EXPECT_EQ(kxVCLTools::GetModuleDescription(), u"Unknown");
  EXPECT_EQ(kxVCLTools::GetModuleCopyright(), u"Unknown");
  EXPECT_EQ(kxVCLTools::GetModuleVersionText(), u"Unknown build");
}
#endif

}  // namespace
