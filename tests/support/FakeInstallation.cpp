#include "tests/support/FakeInstallation.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/os/CommandLine.h"
#include "platform/os/HostProgram.h"

namespace kx::testing {
namespace {

std::string Utf16LeBytes(std::u16string_view Text) {
  std::string bytes;
  for (const char16_t c : Text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

std::string NewBaseFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/kxfake-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a folder for the fake installation");
  return pattern + "/";
}

}  // namespace

FakeInstallation::FakeInstallation(InstallKind Kind, const std::string& ProgramName)
    : base_(NewBaseFolder()), program_(ProgramName) {
  namespace fs = std::filesystem;
  for (const char* folder : {"vanto/cfg", "vanto/sys", "vanto/log", "vanto/data/blobs", "registry",
                             "tmp", "host"})
    fs::create_directories(base_ + folder);
  WriteFile("vanto/cfg/kxsyscfg.udl",
            DataLinkFileBytes(u"Provider=SQLite;Data Source=kxsyscfg.db"));
  if (Kind != InstallKind::NotInstalled) WriteFile("vanto/sys/kxenterprisesrv", "");

  SetEnvironment("VANTO_REGISTRY_DIR", RegistryFolder());
  SetEnvironment("TMPDIR", TempFolder());
  SetEnvironment("VANTOSYS", Kind == InstallKind::VantoSysOnly ? std::optional(Root()) : std::nullopt);
  if (Kind == InstallKind::Installed || Kind == InstallKind::NotInstalled)
    SetText(HKEY_LOCAL_MACHINE, u"Path", ToUtf16(Root()));

  kx::platform::SetHostProgramForTesting(HostProgram());
  SetArguments({});
}

FakeInstallation::~FakeInstallation() {
  kx::platform::SetCommandLineForTesting(std::nullopt);
  kx::platform::SetHostProgramForTesting(std::nullopt);
  for (const auto& [name, value] : savedEnvironment_) {
    if (value)
      ::setenv(name.c_str(), value->c_str(), 1);
    else
      ::unsetenv(name.c_str());
  }
  std::error_code ignored;
  std::filesystem::remove_all(base_, ignored);
}

void FakeInstallation::SetArguments(const std::vector<UnicodeString>& Arguments) {
  std::vector<UnicodeString> line{ToUtf16(HostProgram())};
  line.insert(line.end(), Arguments.begin(), Arguments.end());
  kx::platform::SetCommandLineForTesting(line);
}

void FakeInstallation::SetText(HKEY Root, const UnicodeString& Name, const UnicodeString& Value,
                               const UnicodeString& Key) {
  UnicodeString data = Value;
  data.push_back(u'\0');
  if (!kx::platform::registry::SetValue(Root, Key, Name, REG_SZ, Utf16LeBytes(data)))
    throw std::runtime_error("cannot write the registry value " + ToUtf8(Name));
}

void FakeInstallation::SetDword(HKEY Root, const UnicodeString& Name, uint32_t Value,
                                const UnicodeString& Key) {
  std::string data;
  for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((Value >> (8 * i)) & 0xFF));
  if (!kx::platform::registry::SetValue(Root, Key, Name, REG_DWORD, data))
    throw std::runtime_error("cannot write the registry value " + ToUtf8(Name));
}

void FakeInstallation::DeleteValue(HKEY Root, const UnicodeString& Name, const UnicodeString& Key) {
  kx::platform::registry::DeleteValue(Root, Key, Name);
}

void FakeInstallation::SetEnvironment(const std::string& Name, std::optional<std::string> Value) {
  if (savedEnvironment_.find(Name) == savedEnvironment_.end()) {
    const char* old = std::getenv(Name.c_str());
    savedEnvironment_[Name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
  }
  if (Value)
    ::setenv(Name.c_str(), Value->c_str(), 1);
  else
    ::unsetenv(Name.c_str());
}

std::string FakeInstallation::Absolute(const std::string& Path) const {
  return !Path.empty() && Path[0] == '/' ? Path : base_ + Path;
}

void FakeInstallation::WriteFile(const std::string& Path, std::string_view Bytes) {
  const std::filesystem::path file(Absolute(Path));
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

void FakeInstallation::CreateConfigDatabase(const std::vector<std::string>& Statements) {
  sqlite3* db = nullptr;
  const std::string file = Root() + "cfg/kxsyscfg.db";
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot create " + file);
  }
  for (const std::string& statement : Statements) {
    char* error = nullptr;
    if (sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string text = error != nullptr ? error : "?";
      sqlite3_free(error);
      sqlite3_close(db);
      throw std::runtime_error("cannot run \"" + statement + "\": " + text);
    }
  }
  sqlite3_close(db);
}

std::string FakeInstallation::DataLinkFileBytes(std::u16string_view ConnectionString) {
  const UnicodeString text = UnicodeString(u"[oledb]\r\n; Everything after this line is an OLE DB "
                                           u"initstring\r\n") +
                             UnicodeString(ConnectionString) + u"\r\n";
  return "\xFF\xFE" + Utf16LeBytes(text);
}

}  // namespace kx::testing
