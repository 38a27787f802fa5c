// The library's own version block: made by kxverinfo from the build's
// settings, carried in the section ".kxversioninfo" of libkxexport.so, and
// read by the same readers as a PE file's version resource.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <string>

#include "platform/versioninfo/TestImages.h"
#include "platform/versioninfo/VersionBlock.h"
#include "platform/versioninfo/VersionResource.h"
#include "system/kxToolsEvo2_SystemInfo.h"
#include "system/kxToolsEvo2_Version.h"
#include "system/kxVersionTools.h"

namespace {

namespace vi = kx::platform::versioninfo;
namespace images = kx::platform::versioninfo::testing;

std::map<std::string, std::string> ReadSettings(const std::string& path) {
  std::map<std::string, std::string> settings;
  const std::string text = images::ReadFile(path);
  size_t start = 0;
  for (size_t nl = text.find('\n'); nl != std::string::npos;
       start = nl + 1, nl = text.find('\n', start)) {
    const std::string line = text.substr(start, nl - start);
    const size_t eq = line.find('=');
    if (eq != std::string::npos) settings[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return settings;
}

// kxverinfo's block for a settings file; "" when the tool fails.
std::string ToolBlock(const std::string& settings) {
  const std::string out = images::TempFolder() + "/block.bin";
  ::unlink(out.c_str());
  bool ok = false;
  images::RunCommand(
      std::string("'") + KX_VERINFO_TOOL + "' '" + settings + "' '" + out + "' --raw 2>&1", ok);
  return ok ? images::ReadFile(out) : "";
}

std::string Text(const vi::VersionBlock& block, std::u16string_view key) {
  const vi::StringTable* table = block.FindTable({0x0409, 0x04B0});
  const vi::StringEntry* entry = table ? vi::FindEntry(*table, key) : nullptr;
  return entry ? ToUtf8(entry->Text) : "<missing>";
}

std::string Copy(const std::string& name) {
  const std::string to = images::TempFolder() + "/" + name;
  EXPECT_TRUE(images::WriteFile(to, images::ReadFile(KX_PLUGIN_PATH)));
  return to;
}

TEST(VersionSection, TheLibraryCarriesTheBlockOfItsSettings) {
  const std::string dumped = images::TempFolder() + "/section.bin";
  bool ok = false;
  images::RunCommand("objcopy --dump-section .kxversioninfo='" + dumped +
                         "' '" KX_PLUGIN_PATH "' '" + images::TempFolder() +
                         "/objcopy-out.so' 2>&1",
                     ok);
  ASSERT_TRUE(ok) << "objcopy finds no section .kxversioninfo";
  const std::string block = images::ReadFile(dumped);
  EXPECT_EQ(vi::ReadVersionBlock(u"" KX_PLUGIN_PATH), block);
  EXPECT_EQ(ToolBlock(KX_VERINFO_USED_SETTINGS), block);

  const auto settings = ReadSettings(KX_VERINFO_USED_SETTINGS);
  const auto parsed = vi::ParseVersionBlock(block);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->Translations, (std::vector<vi::Translation>{{0x0409, 0x04B0}}));
  for (const char* name :
       {"CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
        "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comment"})
    EXPECT_EQ(Text(*parsed, ToUtf16(name)), settings.at(name)) << name;
  EXPECT_NE(settings.at("FileDescription"), "");
  EXPECT_NE(settings.at("LegalCopyright"), "");
  const std::string path = KX_PLUGIN_PATH;
  EXPECT_EQ(settings.at("OriginalFilename"), path.substr(path.rfind('/') + 1));

  EXPECT_EQ(TkxVersionTools::GetInternalFileVersionStr(u"" KX_PLUGIN_PATH),
            settings.at("FileVersion"));
  EXPECT_EQ(TkxTools::GetExecutableCPUPlatform(u"" KX_PLUGIN_PATH), kxCPU_x64);
  TkxFileInfo info;
  ASSERT_TRUE(TkxTools::GetFileInfo(u"" KX_PLUGIN_PATH, info));
  EXPECT_EQ(ToUtf8(info.ProductVersion), settings.at("ProductVersion"));
}

TEST(VersionSection, ReleaseAndDevelopmentForms) {
  const auto release = ReadSettings(KX_VERINFO_RELEASE_SETTINGS);
  const auto development = ReadSettings(KX_VERINFO_DEVELOPMENT_SETTINGS);
  EXPECT_EQ(development.at("ProductVersion"), "9999.9999.9999.9999");
  EXPECT_EQ(release.at("FileVersion"), development.at("FileVersion"));

  const auto dev = vi::ParseVersionBlock(ToolBlock(KX_VERINFO_DEVELOPMENT_SETTINGS));
  ASSERT_TRUE(dev);
  EXPECT_EQ(Text(*dev, u"ProductVersion"), "9999.9999.9999.9999");
  EXPECT_EQ(dev->Fixed.ProductVersionMS, 0x270F270Fu);
  EXPECT_EQ(dev->Fixed.ProductVersionLS, 0x270F270Fu);

  const auto rel = vi::ParseVersionBlock(ToolBlock(KX_VERINFO_RELEASE_SETTINGS));
  ASSERT_TRUE(rel);
  EXPECT_EQ(Text(*rel, u"ProductVersion"), release.at("ProductVersion"));
  const TkxVersion product =
      TkxVersionTools::GetVersionFromStr(ToUtf16(release.at("ProductVersion")));
  EXPECT_EQ(rel->Fixed.ProductVersionMS, product.Major << 16 | product.Minor);
  EXPECT_EQ(rel->Fixed.ProductVersionLS, product.Revision << 16 | product.Build);
  const TkxVersion file = TkxVersionTools::GetVersionFromStr(ToUtf16(release.at("FileVersion")));
  EXPECT_EQ(rel->Fixed.FileVersionMS, file.Major << 16 | file.Minor);
  EXPECT_EQ(dev->Fixed.FileVersionLS, rel->Fixed.FileVersionLS);
}

TEST(VersionSection, ToolRefusesBadSettings) {
  struct Case {
    const char* name;
    std::string key, value;
  };
  const Case cases[] = {
      {"as built", "", ""},
      {"blank description", "FileDescription", " "},
      {"blank copyright", "LegalCopyright", ""},
      {"three numbers", "FileVersion", "1.2.3"},
      {"number too large", "FileVersion", "1.2.3.65536"},
      {"unknown setting", "Comments", "x"},
  };
  for (const Case& c : cases) {
    auto settings = ReadSettings(KX_VERINFO_RELEASE_SETTINGS);
    if (!c.key.empty()) settings[c.key] = c.value;
    std::string text;
    for (const auto& [key, value] : settings) text += key + "=" + value + "\n";
    const std::string path = images::TempFolder() + "/settings.txt";
    ASSERT_TRUE(images::WriteFile(path, text));
    EXPECT_EQ(ToolBlock(path).empty(), !c.key.empty()) << c.name;
  }
}

TEST(VersionSection, SurvivesStrip) {
  const std::string copy = Copy("stripped.so");
  bool ok = false;
  const std::string out = images::RunCommand("strip --strip-all '" + copy + "' 2>&1", ok);
  ASSERT_TRUE(ok) << out;
  EXPECT_EQ(vi::ReadVersionBlock(ToUtf16(copy)), vi::ReadVersionBlock(u"" KX_PLUGIN_PATH));
  EXPECT_NE(vi::ReadVersionBlock(ToUtf16(copy)), std::nullopt);
}

TEST(VersionSection, AChangedCopyStillLoads) {
  const std::string copy = Copy("changed.so");
  ASSERT_TRUE(TkxVersionTools::ChangeInternalFileVersion(ToUtf16(copy), 7, 6, 5, 4));
  ASSERT_TRUE(TkxVersionTools::ChangeFileVersionInformation(ToUtf16(copy), u"Comment", u"patched"));
  // ChangeFileVersionInformation sets the file version to 1.1.1.1 as well.
  EXPECT_EQ(TkxVersionTools::GetInternalFileVersionStr(ToUtf16(copy)), "1.1.1.1");
  ASSERT_TRUE(TkxVersionTools::ChangeInternalFileVersion(ToUtf16(copy), 7, 6, 5, 4));
  EXPECT_EQ(TkxVersionTools::GetInternalFileVersionStr(ToUtf16(copy)), "7.6.5.4");
  TkxFileInfo info;
  ASSERT_TRUE(TkxTools::GetFileInfo(ToUtf16(copy), info));
  EXPECT_EQ(info.Comment, u"patched");

  // Loaded in a child, so that its constructors run apart from this process.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    void* handle = ::dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) ::_exit(2);
    auto buildTest = reinterpret_cast<int32_t (*)(int32_t)>(::dlsym(handle, "kxBuildTest"));
    ::_exit(buildTest != nullptr && buildTest(100) == 0 ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// This test program links the block itself, so its module has the library's
// version texts.
TEST(VersionSection, ProgramTextsOfTheModule) {
  const auto settings = ReadSettings(KX_VERINFO_USED_SETTINGS);
  EXPECT_EQ(ToUtf8(TkxTools::GetProgramVersion()),
            settings.at("ProductVersion") + " (build " + settings.at("FileVersion") + ")");
  EXPECT_EQ(ToUtf8(TkxTools::GetProgramCopyright()), settings.at("LegalCopyright"));
  EXPECT_EQ(ToUtf8(TkxTools::GetProgramCopyrightString()), settings.at("LegalCopyright"));
  EXPECT_EQ(ToUtf8(TkxTools::GetProgramProductString()), settings.at("ProductName"));
  EXPECT_EQ(ToUtf8(TkxTools::GetProgramDescription()), settings.at("FileDescription"));
}

}  // namespace
