#include "environment/kxVanto_Paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

#include "platform/rtl/Exceptions.h"
#include "tests/support/FakeInstallation.h"

namespace {

using kx::testing::FakeInstallation;
using kx::testing::InstallKind;
namespace fs = std::filesystem;

UnicodeString W(const std::string& Text) { return ToUtf16(Text); }

bool IsFolder(const UnicodeString& Path) { return fs::is_directory(fs::path(ToUtf8(Path))); }

TEST(FakeInstallation, RestoresWhatItChanged) {
  const auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
  };
  const UnicodeString root = TkxVanto::GetSysPath();  // VANTOSYS of the test run
  const auto tmp = variable("TMPDIR"), data = variable("XDG_DATA_HOME");
  std::string base;
  {
    FakeInstallation fake(InstallKind::Installed, "kxdravsrv");
    fake.SetEnvironment("XDG_DATA_HOME", "/nowhere");
    fake.SetEnvironment("TMPDIR", "/elsewhere");  // a second change keeps the first original
    base = fake.Base();
    EXPECT_EQ(TkxVanto::GetSysPath(), W(fake.Root()));
  }
  EXPECT_EQ(TkxVanto::GetSysPath(), root);
  EXPECT_EQ(variable("TMPDIR"), tmp);
  EXPECT_EQ(variable("XDG_DATA_HOME"), data);
  EXPECT_FALSE(fs::exists(base));
}

TEST(GetSysPath, RootAndInstalledByKind) {
  struct Case {
    InstallKind kind;
    bool hostFolder;  // the root is the host program's folder
    bool installed;
  } cases[] = {
      {InstallKind::Installed, false, true},
      {InstallKind::VantoSysOnly, false, false},  // a root from VANTOSYS never counts
      {InstallKind::NotInstalled, false, false},  // no enterprise daemon
      {InstallKind::Nothing, true, false},
  };
  for (const auto& c : cases) {
    FakeInstallation fake(c.kind);
    EXPECT_EQ(TkxVanto::GetSysPath(), W(c.hostFolder ? fake.HostFolder() : fake.Root()));
    EXPECT_EQ(TkxVanto::IsVantoInstalled(), c.installed) << static_cast<int>(c.kind);
  }
}

TEST(GetSysPath, RegistryPathEdgeCases) {
  struct Case {
    const char* what;
    std::function<void(FakeInstallation&)> change;
    std::function<std::string(const FakeInstallation&)> root;
    bool installed;
  } cases[] = {
      {"the Windows example keeps its backslashes",
       [](auto& f) { f.SetText(HKEY_LOCAL_MACHINE, u"Path", u"D:\\vanto"); },
       [](auto&) { return std::string("D:\\vanto\\"); }, false},
      {"blank, no VANTOSYS: the host program's folder",
       [](auto& f) { f.SetText(HKEY_LOCAL_MACHINE, u"Path", u"  "); },
       [](auto& f) { return f.HostFolder(); }, false},
      {"blank: VANTOSYS, which does not count as installed",
       [](auto& f) {
         f.SetText(HKEY_LOCAL_MACHINE, u"Path", u"");
         f.SetEnvironment("VANTOSYS", " " + f.Root() + " ");
       },
       [](auto& f) { return f.Root(); }, false},
      {"registry before VANTOSYS",
       [](auto& f) { f.SetEnvironment("VANTOSYS", f.Base()); },
       [](auto& f) { return f.Root(); }, true},
      {"no closing separator: the folder part is tested",
       [](auto& f) {
         f.SetText(HKEY_LOCAL_MACHINE, u"Path", W(f.Root().substr(0, f.Root().size() - 1)));
       },
       [](auto& f) { return f.Root(); }, true},
      {"a missing root",
       [](auto& f) { f.SetText(HKEY_LOCAL_MACHINE, u"Path", W(f.Root() + "missing/")); },
       [](auto& f) { return f.Root() + "missing/"; }, false},
      {"the daemon under its Windows name",
       [](auto& f) {
         fs::rename(f.Root() + "sys/kxenterprisesrv", f.Root() + "sys/kxenterprisesrv.exe");
       },
       [](auto& f) { return f.Root(); }, true},
      {"no data link file",
       [](auto& f) { fs::remove(f.Root() + "cfg/kxsyscfg.udl"); },
       [](auto& f) { return f.Root(); }, false},
  };
  for (const auto& c : cases) {
    FakeInstallation fake(InstallKind::Installed);
    c.change(fake);
    EXPECT_EQ(TkxVanto::GetSysPath(), W(c.root(fake))) << c.what;
    EXPECT_EQ(TkxVanto::IsVantoInstalled(), c.installed) << c.what;
  }
}

TEST(FixedFolders, BelowTheRootInItsSeparatorStyle) {
  struct Case {
    UnicodeString (*op)();
    const char* sub;
  } cases[] = {
      {TkxVanto::GetConfigPath, "cfg/"},          {TkxVanto::GetBinaryPath, "sys/"},
      {TkxVanto::GetPubRootPath, "sys/pub/"},     {TkxVanto::GetSupplyPath, "sys/pub/supply/"},
      {TkxVanto::GetPluginsPath, "sys/plugins/"}, {TkxVanto::GetLogPath, "log/"},
      {TkxVanto::GetBatchLogPath, "log/batch/"},  {TkxVanto::GetDataPath, "data/"},
      {TkxVanto::GetBlobPath, "data/blobs/"},     {TkxVanto::GetDataBackupPath, "backup/"},
      {TkxVanto::GetDocPath, "doc/"},             {TkxVanto::GetPackagesPath, "packages/"},
      {TkxVanto::GetBackupPath, "sys/backup/"},
      {[] { return TkxVanto::GetComponentPath(-1); }, "sys/com/"},
      {[] { return TkxVanto::GetComponentPath(10); }, "sys/com/10/"},
  };
  FakeInstallation fake(InstallKind::Installed);
  for (const auto& c : cases) EXPECT_EQ(c.op(), W(fake.Root() + c.sub)) << c.sub;
  EXPECT_TRUE(IsFolder(W(fake.Root() + "sys/backup/")));  // the one folder made on request
  EXPECT_FALSE(IsFolder(W(fake.Root() + "sys/pub/")));

  fake.SetText(HKEY_LOCAL_MACHINE, u"Path", u"D:\\vanto");
  for (const auto& c : cases) {
    std::string sub = c.sub;
    for (char& ch : sub)
      if (ch == '/') ch = '\\';
    EXPECT_EQ(c.op(), W("D:\\vanto\\" + sub)) << c.sub;
  }
}

TEST(GetTempPath, InstalledServiceFolder) {
  FakeInstallation fake(InstallKind::Installed, "kxdravsrv.exe");
  fake.SetArguments({u"--instanceid=2"});
  EXPECT_EQ(TkxVanto::GetTempPath(false, false), W(fake.Root() + "sys/temp/"));
  const UnicodeString service = TkxVanto::GetTempPath(true, true);
  EXPECT_EQ(service, W(fake.Root() + "sys/temp/kxdravsrv-002~~~/"));
  EXPECT_TRUE(IsFolder(service));

  struct Case {
    std::vector<UnicodeString> args;
    const char* folder;
  } ids[] = {
      {{}, "kxdravsrv-000~~~/"},
      {{u"--INSTANCEID=7"}, "kxdravsrv-007~~~/"},
      {{u"--instanceid=1234"}, "kxdravsrv-1234~~~/"},
      {{u"-instanceid=5"}, "kxdravsrv-000~~~/"},  // the prefix must match as written
  };
  for (const auto& c : ids) {
    fake.SetArguments(c.args);
    EXPECT_EQ(TkxVanto::GetTempPath(false, true), W(fake.Root() + "sys/temp/" + c.folder));
  }
}

TEST(GetTempPath, NotInstalledUsesTheSystemsTemporaryFolder) {
  FakeInstallation fake(InstallKind::NotInstalled);
  EXPECT_EQ(TkxVanto::GetTempPath(false, false), W(fake.TempFolder()));
  EXPECT_EQ(TkxVanto::GetBlobPath(), W(fake.Root() + "data/blobs/"));  // still below the root

  // A fresh service folder in the shared temporary folder is private.
  const UnicodeString service = TkxVanto::GetTempPath(true, true);
  EXPECT_EQ(service, W(fake.TempFolder() + "kxdravsrv-000~~~/"));
  struct stat st {};
  ASSERT_EQ(::lstat(ToUtf8(service).c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(TkxVanto::GetTempPath(true, true), service);  // our own folder is used again
}

TEST(GetTempPath, RefusesAServiceFolderSomeoneElseControls) {
  FakeInstallation fake(InstallKind::NotInstalled);
  const std::string folder = fake.TempFolder() + "kxdravsrv-000~~~/";
  const std::string target = fake.Base() + "target";
  fs::create_directories(target);
  fs::create_directory_symlink(target, folder.substr(0, folder.size() - 1));
  try {
    TkxVanto::GetTempPath(true, true);
    ADD_FAILURE() << "a symbolic link was accepted";
  } catch (const EOSError& e) {
    EXPECT_NE(e.Message.find(W(folder)), UnicodeString::npos) << ToUtf8(e.Message);
  }
  EXPECT_NO_THROW(TkxVanto::GetTempPath(false, true));  // nothing created, nothing checked
  // Below an installed root nothing is reported.
  fake.WriteFile("vanto/sys/kxenterprisesrv", "");
  fs::create_directories(fake.Root() + "sys/temp");
  fs::create_directory_symlink(target, fake.Root() + "sys/temp/kxdravsrv-000~~~");
  fake.SetText(HKEY_LOCAL_MACHINE, u"Path", W(fake.Root()));
  EXPECT_NO_THROW(TkxVanto::GetTempPath(true, true));

  if (::geteuid() != 0) GTEST_SKIP() << "a folder of another user needs root to make";
  FakeInstallation other(InstallKind::Nothing);
  const std::string foreign = other.TempFolder() + "kxdravsrv-000~~~";
  fs::create_directories(foreign);
  ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
  EXPECT_THROW(TkxVanto::GetTempPath(true, true), EOSError);
}

TEST(GetTempWorkPath, NewPrivateFolderEachCall) {
  for (const InstallKind kind : {InstallKind::Installed, InstallKind::Nothing}) {
    FakeInstallation fake(kind);
    const std::string base =
        kind == InstallKind::Installed ? fake.Root() + "sys/temp/" : fake.TempFolder();
    const UnicodeString a = TkxVanto::GetTempWorkPath(), b = TkxVanto::GetTempWorkPath();
    EXPECT_NE(a, b);
    for (const UnicodeString& path : {a, b}) {
      const std::string text = ToUtf8(path);
      ASSERT_EQ(text.size(), base.size() + 5 + 32 + 4) << text;
      EXPECT_EQ(text.substr(0, base.size() + 5), base + "work-");
      EXPECT_EQ(text.substr(text.size() - 4), "~~~/");
      EXPECT_EQ(text.substr(base.size() + 5, 32).find_first_not_of("0123456789ABCDEF"),
                std::string::npos);
      EXPECT_TRUE(IsFolder(path));
    }
    struct stat st {};
    ASSERT_EQ(::lstat(ToUtf8(a).c_str(), &st), 0);
    if (kind == InstallKind::Nothing) {
      EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
  }
}

TEST(GetDebugPath, ParameterThenRegistryThenRoot) {
  struct Case {
    std::vector<UnicodeString> args;
    std::optional<UnicodeString> registry;
    const char* want;  // "" or, with a leading "+", below the root
  } cases[] = {
      {{u"--DebugPath=/x/dbg"}, u"/y", "/x/dbg/"},
      {{u"--debugpath=  "}, u" /y ", "/y/"},  // a blank parameter falls through
      {{}, u"", ""},                            // an existing but empty value
      {{}, std::nullopt, "+log/debug/"},
  };
  FakeInstallation fake(InstallKind::Installed);
  for (const auto& c : cases) {
    fake.SetArguments(c.args);
    if (c.registry)
      fake.SetText(HKEY_LOCAL_MACHINE, u"DebugPath", *c.registry);
    else
      fake.DeleteValue(HKEY_LOCAL_MACHINE, u"DebugPath");
    const std::string want = c.want[0] == '+' ? fake.Root() + (c.want + 1) : c.want;
    EXPECT_EQ(TkxVanto::GetDebugPath(), W(want)) << c.want;
  }
}

TEST(GetOCRDataPath, BelowTheRootOrTheHostProgram) {
  const struct {
    TkxOCREngine engine;
    const char* sub;
  } cases[] = {
      {kxOCR_FineReader, "finereader/data/"}, {kxOCR_Transym, "transym/"},
      {kxOCR_Tesseract, "tesseract/"},        {kxOCR_Nicomsoft, "nicomsoft/"},
      {kxOCR_MSO, ""},                        {kxOCR_Unknown, ""},
  };
  FakeInstallation installed(InstallKind::Installed);
  for (const auto& c : cases)
    EXPECT_EQ(TkxVanto::GetOCRDataPath(c.engine), W(installed.Root() + "sys/com/ocr/" + c.sub));
  installed.DeleteValue(HKEY_LOCAL_MACHINE, u"Path");
  installed.SetEnvironment("VANTOSYS", installed.Root());
  for (const auto& c : cases)
    EXPECT_EQ(TkxVanto::GetOCRDataPath(c.engine), W(installed.HostFolder() + "ocr/" + c.sub));
}

TEST(GetFineReaderEnginePath, FirstExistingCandidate) {
  FakeInstallation fake(InstallKind::Installed);
  EXPECT_EQ(TkxVanto::GetFineReaderEnginePath(), W(fake.HostFolder() + "FREngine.dll"));
  // A blank module folder is no candidate: it would name a file relative to
  // the working folder.
  fake.SetText(HKEY_LOCAL_MACHINE, u"Path", u" ", TkxVanto::detail::kOCRModuleKey);
  fake.WriteFile("ocr/finereader/10/FREngine.dll", "");
  const fs::path working = fs::current_path();
  fs::current_path(fake.Base());
  const UnicodeString answer = TkxVanto::GetFineReaderEnginePath();
  fs::current_path(working);
  EXPECT_EQ(answer, W(fake.HostFolder() + "FREngine.dll"));
  fake.SetText(HKEY_LOCAL_MACHINE, u"Path", W(fake.Base() + "ocrmodule"),
               TkxVanto::detail::kOCRModuleKey);
  fake.WriteFile("ocrmodule/ocr/finereader/10/FREngine.dll", "");
  EXPECT_EQ(TkxVanto::GetFineReaderEnginePath(),
            W(fake.Base() + "ocrmodule/ocr/finereader/10/FREngine.dll"));
  fake.WriteFile("vanto/sys/com/fr10/FREngine.dll", "");
  EXPECT_EQ(TkxVanto::GetFineReaderEnginePath(), W(fake.Root() + "sys/com/fr10/FREngine.dll"));
}

TEST(PluginFolders, WorkUploadUpdateAndSupply) {
  FakeInstallation fake(InstallKind::Installed);
  fake.SetEnvironment("XDG_DATA_HOME", fake.Base() + "data");
  EXPECT_EQ(TkxVanto::GetAppDataPath(false), W(fake.Base() + "data/vanto/"));
  EXPECT_EQ(TkxVanto::GetAppDataPath(true), u"/var/lib/vanto/");

  const std::string work = fake.Base() + "data/vanto/plugins/work/";
  struct Work {
    TkxOSPlatform platform;
    UnicodeString service;
    int32_t instance;
    std::string want;
  } works[] = {
      // this library's name, lower-cased; an x86-64 file works in "Win64"
      {kxOSP_Unknown, u"", 7, work + "kxvanto_paths_test-007~~~/Win64/"},
      {kxOSP_Win32, u"MySvc", 1234, work + "mysvc-1234~~~/Win32/"},
      {kxOSP_None, u"s", 0, work + "s-000~~~//"},
  };
  for (const auto& c : works) {
    EXPECT_EQ(TkxVanto::GetPluginsWorkPath(c.platform, c.service, c.instance), W(c.want));
    EXPECT_TRUE(IsFolder(W(c.want))) << c.want;
  }

  const std::string plugins = fake.Root() + "sys/plugins/";
  EXPECT_EQ(TkxVanto::GetPluginsUploadPath(kxOSP_Win64), W(plugins + "upload/Win64/"));
  EXPECT_EQ(TkxVanto::GetPluginsUpdatePath(kxOSP_Unknown), W(plugins + "updates/Unknown/"));
  struct Supply {
    TkxOSPlatform platform;
    TEngineType engine;
    std::string want;
  } supplies[] = {
      {kxOSP_Win64, kxET_ImportEngine, "supply//Win64/"},  // no engine folder
      {kxOSP_Win32, kxET_ExportService, "supply/export/Win32/"},
      {kxOSP_Common, kxET_ConversionEngine, "supply/conversion/Common/"},
      {kxOSP_Win64, kxET_UserExit, "supply/userexit/Win64/"},
      {kxOSP_Linux64, kxET_RecognitionEngine, "supply/recognition/Unknown/"},
  };
  for (const auto& c : supplies)
    EXPECT_EQ(TkxVanto::GetPluginsSupplyPath(c.platform, c.engine), W(plugins + c.want));
  EXPECT_FALSE(IsFolder(W(plugins)));  // these three create nothing
}

TEST(StyleDefinition, HostProgramFolderFirst) {
  FakeInstallation fake(InstallKind::Installed);
  EXPECT_FALSE(TkxVanto::StyleDefinitionExists());
  EXPECT_EQ(TkxVanto::GetStyleDefinitionPath(), W(fake.Root() + "cfg/kxStyle.xml"));
  fake.WriteFile("vanto/cfg/kxStyle.xml", "<style/>");
  EXPECT_TRUE(TkxVanto::StyleDefinitionExists());
  EXPECT_EQ(TkxVanto::GetStyleDefinitionPath(), W(fake.Root() + "cfg/kxStyle.xml"));
  fake.WriteFile(fake.HostFolder() + "kxStyle.xml", "<style/>");
  EXPECT_EQ(TkxVanto::GetStyleDefinitionPath(), W(fake.HostFolder() + "kxStyle.xml"));
}

TEST(ClusterNodes, NodeNumberAndKeys) {
  FakeInstallation fake(InstallKind::Installed);
  EXPECT_EQ(TkxVanto::GetClusterNode(), 0);
  const struct {
    std::function<void()> set;
    int32_t want;
  } cases[] = {
      {[&] { fake.SetDword(HKEY_LOCAL_MACHINE, u"ClusterNode", static_cast<uint32_t>(-3)); }, 0},
      {[&] { fake.SetDword(HKEY_LOCAL_MACHINE, u"ClusterNode", 5); }, 5},
      {[&] { fake.SetText(HKEY_LOCAL_MACHINE, u"ClusterNode", u"7"); }, 7},
      {[&] { fake.SetText(HKEY_LOCAL_MACHINE, u"ClusterNode", u"x"); }, 0},
      {[&] { fake.SetText(HKEY_LOCAL_MACHINE, u"ClusterNode", u"9999999999"); }, 0},
  };
  for (const auto& c : cases) {
    c.set();
    EXPECT_EQ(TkxVanto::GetClusterNode(), c.want);
  }
  EXPECT_EQ(TkxVanto::GetZ9ClusterNodePath(3), u"/vanto/Software/vanto enterprise daemon/Cluster/Node 3");
  const UnicodeString service = u"/vanto/Software/vanto enterprise daemon/Services/DRAV/Cluster/Node 0";
  EXPECT_EQ(TkxVanto::GetZ9ClusterNodeServicePath(u"DRAV", 0, -1), service);
  EXPECT_EQ(TkxVanto::GetZ9ClusterNodeServicePath(u"DRAV", 0, 0), service + u"/Instance 0");
  EXPECT_EQ(TkxVanto::GetZ9ClusterNodeServicePath(u"DRAV", 12, 31),
            u"/vanto/Software/vanto enterprise daemon/Services/DRAV/Cluster/Node 12/Instance 31");
}

}  // namespace
