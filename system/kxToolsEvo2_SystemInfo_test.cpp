#include "system/kxToolsEvo2_SystemInfo.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <systemd/sd-login.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/file/FileReader.h"
#include "platform/os/LastError.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/versioninfo/TestImages.h"

namespace {

namespace images = kx::platform::versioninfo::testing;
namespace registry = kx::platform::registry;
using namespace TkxTools;

constexpr char16_t kCurrentVersion[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char16_t kThemeManager[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

std::string RegString(std::u16string_view text) {
  std::string bytes;
  for (char16_t u : text) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return bytes + std::string(2, '\0');
}

std::string WriteTemp(const std::string& name, const std::string& bytes) {
  const std::string path = images::TempFolder() + "/" + name;
  EXPECT_TRUE(images::WriteFile(path, bytes));
  return path;
}

// ---- Platform ---------------------------------------------------------------------

TEST(OSPlatform, ClassifiedByTheBuildLabText) {
  struct Case {
    std::u16string text;
    TkxOSPlatform want;
  };
  const Case cases[] = {
      {u"19041.1.amd64fre.vb_release.191206-1406", kxOSP_Win64},
      {u"7601.24214.x86fre.win7sp1_ldr.180801-1700", kxOSP_Win32},
      {u"9600.AMD64FRE.winblue", kxOSP_Win64},  // compared in lower case
      {u"amd64.x86", kxOSP_Win32},              // ".x86" is tested before "amd64"
      {u"x86.amd64", kxOSP_Win64},
      {u"x86_64", kxOSP_Win32},  // why the machine name of uname is never asked
      {u"arm64fre", kxOSP_Unknown},
      {u"", kxOSP_Unknown},
  };
  for (const Case& c : cases)
    EXPECT_EQ(detail::OSPlatformFromBuildLab(c.text), c.want) << ToUtf8(c.text);
}

TEST(OSPlatform, OfTheApplication) {
  struct Case {
    TkxOSPlatform os;
    TkxCPUPlatform program;
    TkxOSPlatform want;
    const char16_t* system32;
  };
  const Case cases[] = {
      {kxOSP_Win32, kxCPU_x86, kxOSP_Win32, u"System32"},
      {kxOSP_Win32, kxCPU_x64, kxOSP_Unknown, u"System32"},
      {kxOSP_Win32, kxCPU_Unknown, kxOSP_Unknown, u"System32"},
      {kxOSP_Win64, kxCPU_x86, kxOSP_Win32, u"Sysnative"},
      {kxOSP_Win64, kxCPU_x64, kxOSP_Win64, u"System32"},
      {kxOSP_Win64, kxCPU_Unknown, kxOSP_Unknown, u"System32"},
      {kxOSP_Unknown, kxCPU_x64, kxOSP_Unknown, u"System32"},
      {kxOSP_Linux64, kxCPU_x64, kxOSP_Unknown, u"System32"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(detail::OSPlatformFromApplication(c.os, c.program), c.want)
        << int(c.os) << int(c.program);
    EXPECT_EQ(detail::System32FolderName(c.os, c.program), c.system32);
  }
}

TEST(OSPlatform, FromTheRegistryStore) {
  // Linux has no BuildLabEx: unknown, whatever the machine is.
  registry::DeleteValue(HKEY_LOCAL_MACHINE, kCurrentVersion, u"BuildLabEx");
  EXPECT_EQ(GetOSPlatform(), kxOSP_Unknown);
  EXPECT_EQ(GetOSPlatformFromApplicationEnvironment(), kxOSP_Unknown);
  EXPECT_EQ(GetNativeWindowsSystem32Folder(), u"/System32/");

  ASSERT_TRUE(registry::SetValue(HKEY_LOCAL_MACHINE, kCurrentVersion, u"BuildLabEx", REG_SZ,
                                 RegString(u"19041.1.amd64fre.vb_release")));
  EXPECT_EQ(GetOSPlatform(), kxOSP_Win64);
  // The test program itself is an x86-64 program.
  EXPECT_EQ(GetOSPlatformFromApplicationEnvironment(), kxOSP_Win64);
  EXPECT_EQ(GetNativeWindowsSystem32Folder(), u"/System32/");

  // A value that is no string counts as the empty text.
  ASSERT_TRUE(registry::SetValue(HKEY_LOCAL_MACHINE, kCurrentVersion, u"BuildLabEx", REG_BINARY,
                                 RegString(u"amd64")));
  EXPECT_EQ(GetOSPlatform(), kxOSP_Unknown);
  registry::DeleteValue(HKEY_LOCAL_MACHINE, kCurrentVersion, u"BuildLabEx");
}

TEST(WindowsVersion, ClassifiedByTheVersionRecord) {
  struct Case {
    uint32_t major, minor;
    uint8_t productType;
    bool r2;
    TkxWindowsVersion want;
  };
  const Case cases[] = {
      {5, 0, 1, false, kxWV_Win2000},    {5, 1, 1, false, kxWV_WinXP},
      {6, 0, 1, false, kxWV_WinVista},   {6, 1, 1, false, kxWV_Win7},
      {6, 2, 1, false, kxWV_Win8},       {6, 3, 1, false, kxWV_Win8_1},
      {10, 0, 1, false, kxWV_Win10},     {5, 2, 1, false, kxWV_Unknown},
      {4, 0, 1, false, kxWV_Unknown},    {11, 0, 1, false, kxWV_Unknown},
      {5, 2, 3, false, kxWV_WinServer2003}, {5, 2, 3, true, kxWV_WinServer2003R2},
      {6, 0, 3, false, kxWV_WinServer2008}, {6, 1, 2, false, kxWV_WinServer2008R2},
      {6, 2, 3, false, kxWV_WinServer2012}, {6, 3, 3, false, kxWV_WinServer2012R2},
      {10, 0, 3, false, kxWV_WinServer2016}, {5, 0, 3, false, kxWV_Unknown},
      {5, 1, 2, true, kxWV_Unknown},
  };
  for (const Case& c : cases)
    EXPECT_EQ(detail::WindowsVersionFrom(c.major, c.minor, c.productType, c.r2), c.want)
        << c.major << "." << c.minor << " type " << int(c.productType);
  EXPECT_EQ(GetWindowsVersion(), kxWV_Unknown);  // Linux has no version record
}

// ---- Executables ------------------------------------------------------------------

TEST(Executables, ProcessorOfTheFile) {
  struct Case {
    const char* name;
    std::string bytes;
    TkxCPUPlatform want;
  };
  const Case cases[] = {
      {"pe-x64", images::MakePeImage({}), kxCPU_x64},
      {"pe-x86", images::MakePeImage({.Pe32Plus = false, .Machine = 0x014C}), kxCPU_x86},
      {"pe-arm64", images::MakePeImage({.Machine = 0xAA64}), kxCPU_x64},
      {"elf-x64", images::MakeElfImage({}), kxCPU_x64},
      {"elf-i386", images::MakeElfImage({.Elf64 = false, .Machine = 3}), kxCPU_x86},
      // byte 5 says big-endian: 00 03 is 3
      {"elf-be-3", images::MakeElfImage({.Elf64 = false, .BigEndian = true, .Machine = 3}),
       kxCPU_x86},
      {"elf-arm", images::MakeElfImage({.Elf64 = false, .Machine = 40}), kxCPU_x64},
  };
  for (const Case& c : cases) {
    const std::u16string file = ToUtf16(WriteTemp(c.name, c.bytes));
    EXPECT_EQ(GetExecutableCPUPlatform(file), c.want) << c.name;
    EXPECT_EQ(IsExecutablex64(file), c.want == kxCPU_x64) << c.name;
  }
  EXPECT_EQ(GetExecutableCPUPlatform(u"/proc/self/exe"), kxCPU_x64);
}

TEST(Executables, WhatIsNoExecutableRaises) {
  std::string zeroOffset = images::MakePeImage({});
  images::Put32(zeroOffset, 60, 0);
  std::string noSignature = images::MakePeImage({});
  noSignature[0x40] = 'X';
  std::string headerAtTheEnd = images::MakePeImage({});
  images::Put32(headerAtTheEnd, 60, static_cast<uint32_t>(headerAtTheEnd.size() - 100));
  struct Case {
    const char* name;
    std::string bytes;
    std::u16string className;
  };
  const Case cases[] = {
      {"text", std::string(100, 'a'), u"Exception"},
      {"zero-offset", zeroOffset, u"Exception"},
      {"no-signature", noSignature, u"Exception"},
      {"short", "MZ too short", u"EReadError"},
      {"header-at-end", headerAtTheEnd, u"EReadError"},  // fewer than 264 bytes there
  };
  for (const Case& c : cases) {
    const std::u16string file = ToUtf16(WriteTemp(c.name, c.bytes));
    try {
      IsExecutablex64(file);
      ADD_FAILURE() << c.name << " raised nothing";
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), c.className) << c.name;
      if (c.className == u"Exception") {
        EXPECT_EQ(e.Message, u"Invalid executable");
      }
    }
    EXPECT_EQ(GetExecutableCPUPlatform(file), kxCPU_Unknown) << c.name;
  }
  EXPECT_THROW(IsExecutablex64(ToUtf16(images::TempFolder() + "/missing.exe")), EFOpenError);
  EXPECT_EQ(GetExecutableCPUPlatform(ToUtf16(images::TempFolder() + "/missing.exe")),
            kxCPU_Unknown);
}

TEST(Executables, WindresImagesAgreeWithPefile) {
  for (const bool x64 : {true, false}) {
    const std::string file =
        images::MakeWindresImage(x64 ? "cpu64" : "cpu32", images::kVersionScript, x64);
    if (file.empty()) GTEST_SKIP() << "MinGW windres and ld are needed";
    const auto dump = images::PefileDump(file);
    ASSERT_FALSE(dump.empty());
    EXPECT_EQ(IsExecutablex64(ToUtf16(file)), dump.at("machine") != "014C") << dump.at("machine");
    EXPECT_EQ(IsExecutablex64(ToUtf16(file)), x64);
  }
}

// ---- Language -----------------------------------------------------------------

class Language : public ::testing::Test {
 protected:
  void TearDown() override { SetUserLocaleForTesting(std::nullopt); }
};

TEST_F(Language, CodesOfTheUsersLocale) {
  struct Case {
    const char* locale;
    std::u16string lcid, abbreviation, shortCode;  // shortCode with the default "xy"
  };
  const Case cases[] = {
      {"de_DE", u"0407", u"DEU", u"DE"},
      {"en_US", u"0409", u"ENU", u"EN"},
      {"C", u"0409", u"ENU", u"EN"},  // C and POSIX count as en_US
      {"de", u"0407", u"DEU", u"DE"},  // no territory: the likely one
      {"fr_CH", u"100C", u"FRS", u"FR"},
      {"eo", u"", u"EPO", u"EO"},  // no locale id: ICU's ISO 639-2 code
      // Nothing known: the empty abbreviation meets the first row without an
      // ISO 639-2/B code, as the walk is defined.
      {"xx_YY", u"", u"", u"AF"},
  };
  for (const Case& c : cases) {
    SetUserLocaleForTesting(std::string(c.locale));
    EXPECT_EQ(GetWindowsLanguage(1), c.lcid) << c.locale;
    EXPECT_EQ(GetWindowsLanguage(3), c.abbreviation) << c.locale;
    EXPECT_EQ(GetWindowsLanguage(2), u"") << c.locale;
    EXPECT_EQ(GetShortWindowsLanguage(u"xy"), c.shortCode) << c.locale;
  }
}

TEST(LanguageTableWalk, FirstMatchingRowWins) {
  struct Case {
    std::u16string def, abbreviation, lcid, want;
  };
  const Case cases[] = {
      {u"de", u"DEU", u"0407", u"DE"},
      {u"de", u"ENU", u"0409", u"EN"},
      {u"de", u"ENU", u"", u"EN"},      // by the abbreviation alone
      {u"de", u"QQQ", u"0407", u"DE"},  // by the locale id alone
      {u"de", u"QQQ", u"FFFF", u"DE"},  // nothing: the default, upper-cased
      {u"fr", u"deu", u"", u"FR"},      // exact comparisons
      {u"de", u"", u"", u"AF"},
      {u"", u"QQQ", u"", u""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(detail::ShortLanguageFrom(c.def, c.abbreviation, c.lcid), c.want)
        << ToUtf8(c.abbreviation) << " " << ToUtf8(c.lcid);
}

// ---- Theme ------------------------------------------------------------------------

TEST(Theme, YesWords) {
  struct Case {
    std::u16string text;
    bool want;
  };
  const Case cases[] = {
      {u"1", true},    {u"0", false},     {u"yes", true},   {u" 1", false},  // no trimming
      {u"1 ", false},  {u"Yepp", true},   {u"oui", true},   {u"wahr", true},
      {u"YUP", true},  {u"no", false},    {u"", false},     {u"T", false},
      {u"ja\u0131", false},
  };
  for (const Case& c : cases) EXPECT_EQ(detail::IsYesWord(c.text), c.want) << ToUtf8(c.text);
}

TEST(Theme, ReadFromTheUsersRegistry) {
  registry::DeleteValue(HKEY_CURRENT_USER, kThemeManager, u"ThemeActive");
  EXPECT_FALSE(IsWindowsThemeActive());
  for (const auto& [text, want] : {std::pair<std::u16string, bool>{u"1", true}, {u"0", false},
                                   {u"yes", true}, {u" 1", false}}) {
    ASSERT_TRUE(registry::SetValue(HKEY_CURRENT_USER, kThemeManager, u"ThemeActive", REG_SZ,
                                   RegString(text)));
    EXPECT_EQ(IsWindowsThemeActive(), want) << ToUtf8(text);
  }
  ASSERT_TRUE(registry::SetValue(HKEY_CURRENT_USER, kThemeManager, u"ThemeActive", REG_DWORD,
                                 std::string("\x01\x00\x00\x00", 4)));
  EXPECT_FALSE(IsWindowsThemeActive());  // not a string
  registry::DeleteValue(HKEY_CURRENT_USER, kThemeManager, u"ThemeActive");
}

// ---- Folders ------------------------------------------------------------------------

class Folders : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = images::TempFolder() + "/folders";
    home_ = root_ + "/home";
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(home_);
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    ::setenv("HOME", home_.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
    ::unsetenv("XDG_CACHE_HOME");
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }
  std::string root_, home_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(Folders, SpecialFolderPaths) {
  ::mkdir((root_ + "/config").c_str(), 0700);
  ASSERT_TRUE(images::WriteFile(root_ + "/config/user-dirs.dirs",
                                "# written by xdg-user-dirs-update\n"
                                "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                "XDG_MUSIC_DIR=\"/srv/music/\"\n"
                                "XDG_VIDEOS_DIR=\"relative/videos\"\n"));
  struct Case {
    int32_t csidl;
    std::string want;  // "~" stands for the home folder, "@" for the test's root
  };
  const Case cases[] = {
      {0, "~/Schreibtisch/"},
      {16, "~/Schreibtisch/"},
      {5, "~/Documents/"},
      {12, "~/Documents/"},
      {13, "/srv/music/"},
      {14, "~/Videos/"},  // relative: ignored
      {39, "~/Pictures/"},
      {21, "~/Templates/"},
      {26, "@/config/"},
      {28, "@/data/"},
      {32, "~/.cache/"},
      {35, "/var/lib/"},
      {40, "~/"},
      {7, "@/config/autostart/"},
      {24, "/etc/xdg/autostart/"},
      {2, "@/data/applications/"},
      {22, "/usr/share/applications/"},
      {20, "@/data/fonts/"},
      {37, "/usr/bin/"},
      {42, "/opt/"},
      {44, "/usr/lib/"},
      {36, "/"},
      {0x0100 | 28, "@/data/"},  // flags masked
      {1, ""},
      {99, ""},
      {-1, ""},
  };
  for (const Case& c : cases) {
    std::string want = c.want;
    if (!want.empty() && want[0] == '~') want = home_ + want.substr(1);
    if (!want.empty() && want[0] == '@') want = root_ + want.substr(1);
    EXPECT_EQ(ToUtf8(GetSpecialFolderPath(c.csidl)), want) << c.csidl;
  }
  EXPECT_EQ(GetAppDataPath(), GetSpecialFolderPath(28));
}

TEST_F(Folders, RelativeVariablesAreIgnoredAndCreateMakesTheFolder) {
  ::setenv("XDG_DATA_HOME", "relative/data", 1);
  EXPECT_EQ(ToUtf8(GetSpecialFolderPath(28)), home_ + "/.local/share/");
  ::setenv("XDG_DATA_HOME", (root_ + "/made/data").c_str(), 1);
  struct stat st {};
  EXPECT_NE(::stat((root_ + "/made/data").c_str(), &st), 0);
  EXPECT_EQ(ToUtf8(GetSpecialFolderPath(0x8000 | 28)), root_ + "/made/data/");
  ASSERT_EQ(::stat((root_ + "/made/data").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  // A file in the way: creating fails.
  ASSERT_TRUE(images::WriteFile(root_ + "/file", "x"));
  ::setenv("XDG_DATA_HOME", (root_ + "/file/data").c_str(), 1);
  EXPECT_EQ(GetSpecialFolderPath(0x8000 | 28), u"");
}

TEST(ProgramFiles, FromTheRegistryWithASeparator) {
  constexpr char16_t kKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  registry::DeleteValue(HKEY_LOCAL_MACHINE, kKey, u"ProgramFilesDir");
  EXPECT_EQ(GetProgramFilesPath(), u"");
  struct Case {
    std::u16string stored, want;
  };
  const Case cases[] = {
      {u"C:\\Program Files", u"C:\\Program Files\\"},
      {u" /opt/programs ", u"/opt/programs/"},
      {u"/opt/", u"/opt/"},
      {u"  ", u""},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(registry::SetValue(HKEY_LOCAL_MACHINE, kKey, u"ProgramFilesDir", REG_SZ,
                                   RegString(c.stored)));
    EXPECT_EQ(GetProgramFilesPath(), c.want) << ToUtf8(c.stored);
  }
  registry::DeleteValue(HKEY_LOCAL_MACHINE, kKey, u"ProgramFilesDir");
}

// ---- Errors, drives, memory, sessions -----------------------------------------------

TEST(LastError, TextOfTheThreadsLastOSError) {
  kx::platform::SetLastOSError(EACCES);
  EXPECT_EQ(GetLastErrorMessage(), u"Permission denied");
  kx::platform::SetLastOSError(99999);
  EXPECT_EQ(GetLastErrorMessage(), u"");
  // A failing platform call stores its errno for this thread only.
  const kx::platform::FileReader missing(ToUtf16(images::TempFolder() + "/missing"));
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(GetLastErrorMessage(), u"No such file or directory");
  std::u16string other;
  std::thread([&] { other = GetLastErrorMessage(); }).join();
  EXPECT_EQ(other, u"Success");
}

// The mount table as the test finds it: the first mount point of a type.
std::string MountPointOfType(const std::string& type) {
  std::ifstream table("/proc/self/mountinfo");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream f(line);
    std::string id, parent, device, root, point, options, field, t;
    f >> id >> parent >> device >> root >> point >> options;
    while (f >> field && field != "-") {
    }
    if (f >> t && t == type && point.find('\\') == std::string::npos) return point;
  }
  return "";
}

TEST(Drives, TypeOfTheMountedFileSystem) {
  EXPECT_EQ(GetDriveTypeStr("C:\\"), "Unknown");
  EXPECT_EQ(GetDriveTypeStr(""), "Unknown");
  EXPECT_EQ(GetDriveTypeStr(images::TempFolder()), "Unknown");  // no mount point
  EXPECT_EQ(GetDriveTypeStr("/proc"), "Fixed");
  EXPECT_EQ(GetDriveTypeStr("/proc/"), "Fixed");
  const std::string tmpfs = MountPointOfType("tmpfs");
  if (!tmpfs.empty()) {
    EXPECT_EQ(GetDriveTypeStr(tmpfs), "RAM Disk") << tmpfs;
  }
  EXPECT_EQ(GetVolumeLabel(u'C'), u"");

}

TEST(Memory, ResidentMemoryOfProcesses) {
  const int32_t own = GetMemoryUsage();
  EXPECT_GT(own, 0);
  const uint32_t byPid = GetProcessMemoryUsage(static_cast<uint32_t>(::getpid()));
  EXPECT_GT(byPid, 0u);
  // The same counter read twice: close, not equal (the process moves on).
  EXPECT_LT(byPid > static_cast<uint32_t>(own) ? byPid - own : own - byPid, 64u << 20);
  EXPECT_EQ(GetProcessMemoryUsage(0), 0u);
  EXPECT_EQ(GetProcessMemoryUsage(0x7FFFFFF0), 0u);
  EXPECT_GE(GetNumberOfProcessors(), 1);
}

TEST(Sessions, RemoteWithoutALoginSessionBySSHConnection) {
  char* session = nullptr;
  if (sd_pid_get_session(0, &session) >= 0) {
    std::free(session);
    GTEST_SKIP() << "the test runs inside a login session";
  }
  const char* saved = std::getenv("SSH_CONNECTION");
  const std::string savedValue = saved ? saved : "";
  ::unsetenv("SSH_CONNECTION");
  EXPECT_FALSE(IsRemoteSession());
  EXPECT_FALSE(IsRDPSession());
  ::setenv("SSH_CONNECTION", "10.0.0.1 50000 10.0.0.2 22", 1);
  EXPECT_TRUE(IsRemoteSession());
  EXPECT_TRUE(IsRDPSession());
  if (saved)
    ::setenv("SSH_CONNECTION", savedValue.c_str(), 1);
  else
    ::unsetenv("SSH_CONNECTION");
}

// ---- XML ---------------------------------------------------------------------

TEST(PrepareXMLStringW, CharactersOutsideXmlBecomeBlanks) {
  struct Case {
    std::u16string data;
    bool notation;
    std::u16string want;
  };
  const Case cases[] = {
      {u"a\fb\xDC00" u"c", false, u"a b c"},  // form feed, lone low surrogate
      {u"\U0001F600", false, u"\U0001F600"},   // a valid pair stays
      {u"x\xFFFEy\xFFFF", false, u"x y "},
      {u"\t\n\r \uE000\uFFFD\uD7FF", false, u"\t\n\r \uE000\uFFFD\uD7FF"},
      {u"\xD83D", false, u" "},             // a high surrogate at the end
      {u"\xD83Dx\xDE00", false, u" x "},    // a pair broken apart
      {u"\xDE00\xD83D", false, u"  "},      // in the wrong order
      {std::u16string(1, u'\0') + u"\x1F\x7F", false, u"  \x7F"},
      {u"\xDCFF", false, u" "},  // a raw byte carried by the codec is no character
      {u"<a & \"b\">", true, u"&lt;a &amp; &quot;b&quot;&gt;"},
      {u"it's", true, u"it&apos;s"},
      {u"&amp;", true, u"&amp;amp;"},  // "&" first, once
      {u"<a & \"b\">", false, u"<a & \"b\">"},
      {u"\f<", true, u" &lt;"},
      {u"", true, u""},
  };
  for (const Case& c : cases) {
    const std::u16string before = c.data;
    EXPECT_EQ(PrepareXMLStringW(c.data, c.notation), c.want) << ToUtf8(c.data);
    EXPECT_EQ(c.data, before);
  }
}

}  // namespace
