#include "platform/registry/Registry.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kx::platform::registry {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// Every test gets a registry folder of its own (the variable is read on every
// call) and puts the environment back afterwards.
class RegistryStore : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"VANTO_REGISTRY_DIR", "XDG_CONFIG_HOME", "HOME"})
      if (const char* v = std::getenv(name)) saved_.emplace_back(name, v);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp ? tmp : "/tmp") + "/registry.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ::setenv("VANTO_REGISTRY_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    for (const char* name : {"VANTO_REGISTRY_DIR", "XDG_CONFIG_HOME", "HOME"}) ::unsetenv(name);
    for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
    fs::remove_all(dir_);
  }
  std::string Hklm() const { return dir_ + "/HKEY_LOCAL_MACHINE.reg"; }

  std::string dir_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(RegistryStore, MissingHiveIsEmptyAndNothingIsCreatedByReading) {
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u""));  // the root always exists
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE"));
  EXPECT_FALSE(QueryValue(HKEY_LOCAL_MACHINE, u"", u"x").has_value());
  EXPECT_EQ(ValueNames(HKEY_LOCAL_MACHINE, u""), std::vector<UnicodeString>{});
  EXPECT_FALSE(SubKeyNames(HKEY_LOCAL_MACHINE, u"SOFTWARE").has_value());
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(RegistryStore, ValuesAndKeysRoundTripThroughTheFile) {
  const std::string blob = "\0\x01\xFF"s;
  ASSERT_TRUE(SetValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\vanto\\System", u"Blob", REG_BINARY, blob));
  ASSERT_TRUE(SetValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\vanto\\System", u"", REG_SZ, "d\0\0\0"s));
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, u"software\\VANTO\\system", u"BLOB"),
            (RegistryValue{REG_BINARY, blob}));
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, u"\\SOFTWARE\\vanto\\System\\", u""),
            (RegistryValue{REG_SZ, "d\0\0\0"s}));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\vanto"));  // created above it
  // Each root has its own file.
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"SOFTWARE"));
  EXPECT_TRUE(fs::exists(Hklm()));
  EXPECT_EQ(ReadFile(Hklm()),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\vanto]\n\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\vanto\\System]\n"
            "\"Blob\"=hex:00,01,ff\n"
            "@=\"d\"\n\n");
}

TEST_F(RegistryStore, NamesCompareWithoutCaseAndKeepTheirSpelling) {
  ASSERT_TRUE(SetValue(HKEY_CLASSES_ROOT, u"MIME\\Types", u"Text/Plain", REG_SZ, "a\0\0\0"s));
  ASSERT_TRUE(SetValue(HKEY_CLASSES_ROOT, u"mime\\TYPES", u"text/PLAIN", REG_SZ, "b\0\0\0"s));
  ASSERT_TRUE(SetValue(HKEY_CLASSES_ROOT, u"MIME\\Types", u"zeta", REG_DWORD, "\1\0\0\0"s));
  ASSERT_TRUE(SetValue(HKEY_CLASSES_ROOT, u"MIME\\Types", u"Alpha", REG_DWORD, "\2\0\0\0"s));
  EXPECT_EQ(ValueNames(HKEY_CLASSES_ROOT, u"MIME\\Types"),
            (std::vector<UnicodeString>{u"Text/Plain", u"zeta", u"Alpha"}));  // stored order
  EXPECT_EQ(QueryValue(HKEY_CLASSES_ROOT, u"MIME\\Types", u"TEXT/PLAIN")->Data, "b\0\0\0"s);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"MIME\\Types\\text"));  // "/" does not split

  for (const char16_t* name : {u"b", u"_x", u"B2", u"a", u"\u00E4", u"C"})
    ASSERT_TRUE(CreateKey(HKEY_CLASSES_ROOT, UnicodeString(u"Keys\\") + name));
  // Ordinal order of the upper-cased names: "_" (5F) after the letters.
  EXPECT_EQ(SubKeyNames(HKEY_CLASSES_ROOT, u"Keys"),
            (std::vector<UnicodeString>{u"a", u"b", u"B2", u"C", u"_x", u"\u00E4"}));
}

TEST_F(RegistryStore, PathsAndNamesThatNameNothingFail) {
  ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, u"a\\b"));
  for (const char16_t* key : {u"a\\\\b", u"\\\\a", u"a\\b\\\\", u"a\nb"}) {
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << ToUtf8(key);
    EXPECT_FALSE(CreateKey(HKEY_LOCAL_MACHINE, key)) << ToUtf8(key);
    EXPECT_FALSE(SetValue(HKEY_LOCAL_MACHINE, key, u"v", REG_SZ, "")) << ToUtf8(key);
  }
  EXPECT_FALSE(SetValue(HKEY_LOCAL_MACHINE, u"a", u"line\nbreak", REG_SZ, ""));
  EXPECT_FALSE(SetValue(HKEY_LOCAL_MACHINE, u"a", u"lone\xD800", REG_SZ, ""));
  // No other handle than the five roots names anything.
  for (HKEY root : {HKEY(0), HKEY_CLASSES_ROOT + 4, HKEY(0x80000002)}) {
    EXPECT_FALSE(KeyExists(root, u""));
    EXPECT_FALSE(CreateKey(root, u"x"));
    EXPECT_FALSE(SetValue(root, u"x", u"v", REG_SZ, ""));
    EXPECT_EQ(HiveFilePath(root), "");
  }
}

TEST_F(RegistryStore, DeletesAndMoves) {
  ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, u"Old\\Sub", u"v", REG_DWORD, "\7\0\0\0"s));
  ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, u"Old", u"w", REG_DWORD, "\1\0\0\0"s));
  ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, u"Other"));

  // Refused moves change nothing: onto an existing key (also one that differs
  // in case only), into the key's own subtree, from a missing key or the root.
  const std::string before = ReadFile(HiveFilePath(HKEY_CURRENT_USER));
  EXPECT_FALSE(MoveKey(HKEY_CURRENT_USER, u"Old", u"other"));
  EXPECT_FALSE(MoveKey(HKEY_CURRENT_USER, u"Old", u"OLD"));
  EXPECT_FALSE(MoveKey(HKEY_CURRENT_USER, u"Old", u"old\\Sub\\Deeper"));
  EXPECT_FALSE(MoveKey(HKEY_CURRENT_USER, u"Missing", u"New"));
  EXPECT_FALSE(MoveKey(HKEY_CURRENT_USER, u"", u"New"));
  EXPECT_FALSE(DeleteKey(HKEY_CURRENT_USER, u""));
  EXPECT_FALSE(DeleteKey(HKEY_CURRENT_USER, u"\\"));
  EXPECT_FALSE(DeleteKey(HKEY_CURRENT_USER, u"Missing"));
  EXPECT_FALSE(DeleteValue(HKEY_CURRENT_USER, u"Old", u"missing"));
  EXPECT_FALSE(DeleteValue(HKEY_CURRENT_USER, u"Missing", u"v"));
  EXPECT_EQ(ReadFile(HiveFilePath(HKEY_CURRENT_USER)), before);

  ASSERT_TRUE(MoveKey(HKEY_CURRENT_USER, u"old", u"New\\Place"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Old"));
  EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, u"New\\Place\\Sub", u"v")->Data, "\7\0\0\0"s);
  EXPECT_EQ(SubKeyNames(HKEY_CURRENT_USER, u"New"), std::vector<UnicodeString>{u"Place"});

  EXPECT_TRUE(DeleteValue(HKEY_CURRENT_USER, u"New\\Place", u"W"));
  EXPECT_FALSE(QueryValue(HKEY_CURRENT_USER, u"New\\Place", u"w").has_value());
  EXPECT_TRUE(DeleteKey(HKEY_CURRENT_USER, u"new"));
  EXPECT_EQ(SubKeyNames(HKEY_CURRENT_USER, u""), std::vector<UnicodeString>{u"Other"});
}

TEST_F(RegistryStore, DamagedHiveIsReadButNeverRewritten) {
  const std::string damaged =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_LOCAL_MACHINE\\k]\n"
      "\"Good\"=dword:00000001\n"
      "\"Bad\"=qword:1\n";
  WriteFile(Hklm(), damaged);
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, u"k", u"Good")->Data, "\1\0\0\0"s);
  EXPECT_FALSE(SetValue(HKEY_LOCAL_MACHINE, u"k", u"New", REG_SZ, ""));
  EXPECT_FALSE(CreateKey(HKEY_LOCAL_MACHINE, u"k"));
  EXPECT_FALSE(DeleteValue(HKEY_LOCAL_MACHINE, u"k", u"Good"));
  EXPECT_FALSE(DeleteKey(HKEY_LOCAL_MACHINE, u"k"));
  EXPECT_EQ(ReadFile(Hklm()), damaged);
  // The other roots are not affected.
  EXPECT_TRUE(CreateKey(HKEY_USERS, u"k"));
}

// The hive exported by the platform's registry editor, dropped into place,
// is read and, once changed, rewritten in our form with every value intact.
TEST_F(RegistryStore, ExportedHiveIsRewrittenLosslessly) {
  const char* src = std::getenv("KX_SOURCE_DIR");
  fs::copy_file(std::string(src ? src : ".") + "/testdata/registry/exported_utf16.reg", Hklm());
  const UnicodeString sys = u"SOFTWARE\\vanto\\System";
  const auto names = ValueNames(HKEY_LOCAL_MACHINE, sys);
  ASSERT_TRUE(names.has_value());
  std::vector<RegistryValue> values;
  for (const auto& n : *names) values.push_back(*QueryValue(HKEY_LOCAL_MACHINE, sys, n));

  ASSERT_TRUE(SetValue(HKEY_LOCAL_MACHINE, sys, u"Added", REG_DWORD, "\0\0\0\0"s));
  EXPECT_EQ(ReadFile(Hklm()).substr(0, 37), "Windows Registry Editor Version 5.00\n");
  for (size_t i = 0; i < names->size(); ++i)
    EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, sys, (*names)[i]), values[i]) << ToUtf8((*names)[i]);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, sys + u"\\ContentTypes"));
}

TEST_F(RegistryStore, HivesLiveInTheUserAndMachineFolders) {
  EXPECT_EQ(HiveFilePath(HKEY_CURRENT_CONFIG), dir_ + "/HKEY_CURRENT_CONFIG.reg");
  ::unsetenv("VANTO_REGISTRY_DIR");
  ::setenv("XDG_CONFIG_HOME", (dir_ + "/xdg").c_str(), 1);
  EXPECT_EQ(HiveFilePath(HKEY_CURRENT_USER), dir_ + "/xdg/vanto/registry/HKEY_CURRENT_USER.reg");
  EXPECT_EQ(HiveFilePath(HKEY_LOCAL_MACHINE), "/etc/vanto/registry/HKEY_LOCAL_MACHINE.reg");
  EXPECT_EQ(HiveFilePath(HKEY_CLASSES_ROOT), "/etc/vanto/registry/HKEY_CLASSES_ROOT.reg");
  ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
  ::setenv("HOME", (dir_ + "/home").c_str(), 1);
  EXPECT_EQ(HiveFilePath(HKEY_CURRENT_USER),
            dir_ + "/home/.config/vanto/registry/HKEY_CURRENT_USER.reg");

  // The user's folder and file are private; a rewrite keeps the file's mode.
  ::setenv("XDG_CONFIG_HOME", (dir_ + "/xdg").c_str(), 1);
  ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, u"k"));
  const std::string hive = HiveFilePath(HKEY_CURRENT_USER);
  EXPECT_EQ(ModeOf(dir_ + "/xdg/vanto/registry"), 0700u);
  EXPECT_EQ(ModeOf(hive), 0600u);
  ASSERT_EQ(::chmod(hive.c_str(), 0640), 0);
  ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, u"k2"));
  EXPECT_EQ(ModeOf(hive), 0640u);
  // No temporary file is left behind.
  for (const auto& e : fs::directory_iterator(dir_ + "/xdg/vanto/registry"))
    EXPECT_EQ(e.path().string().find(".tmp."), std::string::npos) << e.path();
}

// Writing a hive without the right to answers false and leaves it alone.
TEST_F(RegistryStore, WriteWithoutTheRightToFails) {
  ASSERT_TRUE(SetValue(HKEY_LOCAL_MACHINE, u"k", u"v", REG_SZ, "x\0\0\0"s));
  const std::string before = ReadFile(Hklm());
  ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // As root, drop to an ordinary account first (root writes anywhere).
    if (::geteuid() == 0) {
      const passwd* nobody = ::getpwnam("nobody");
      if (nobody == nullptr || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
        ::_exit(3);
    }
    const bool readable = KeyExists(HKEY_LOCAL_MACHINE, u"k");
    const bool written = SetValue(HKEY_LOCAL_MACHINE, u"k", u"v", REG_SZ, "y\0\0\0"s) ||
                         CreateKey(HKEY_LOCAL_MACHINE, u"k2");
    ::_exit(readable && !written ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "no ordinary account to switch to";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(Hklm()), before);
}

// Several processes writing the same hive at once lose no update.
TEST_F(RegistryStore, ConcurrentWritersLoseNoUpdate) {
  constexpr int kProcesses = 4;
  constexpr int kWrites = 25;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (int i = 0; i < kWrites; ++i) {
        const std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
        ok = SetValue(HKEY_LOCAL_MACHINE, u"Shared", ToUtf16(name), REG_DWORD,
                      std::string(4, static_cast<char>(i))) &&
             ok;
      }
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const auto names = ValueNames(HKEY_LOCAL_MACHINE, u"Shared");
  ASSERT_TRUE(names.has_value());
  EXPECT_EQ(names->size(), size_t{kProcesses * kWrites});
  for (int p = 0; p < kProcesses; ++p)
    for (int i = 0; i < kWrites; ++i) {
      const auto v = QueryValue(HKEY_LOCAL_MACHINE, u"Shared",
                                ToUtf16("p" + std::to_string(p) + "_" + std::to_string(i)));
      ASSERT_TRUE(v.has_value()) << p << " " << i;
      EXPECT_EQ(v->Data, std::string(4, static_cast<char>(i)));
    }
}

}  // namespace
}  // namespace kx::platform::registry
