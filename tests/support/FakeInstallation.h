// tests/support/FakeInstallation.h — a product installation in a test's
// temporary folder, and everything around it that the installation tools
// read, set up for one test and restored afterwards.
//
// The fixture makes a fresh folder below $TMPDIR and, inside it:
//   vanto/               the installation root, with
//     cfg/kxsyscfg.udl   a data link file (UTF-16 with byte-order mark) for
//                        "Provider=SQLite;Data Source=kxsyscfg.db"
//     sys/kxenterprisesrv  the enterprise daemon's program (a marker)
//     log/, data/blobs/
//   registry/            VANTO_REGISTRY_DIR: empty hives
//   tmp/                 TMPDIR
//   host/<program>       the host program (only the override; no file)
// and sets, by Kind:
//   Installed     machine value "Path" = the root; VANTOSYS unset
//   VantoSysOnly  no "Path"; VANTOSYS = the root
//   NotInstalled  "Path" = the root, but sys/ lacks the daemon's program
//   Nothing       neither: the root is the host program's folder
// The host program (platform/os/HostProgram.h) is host/<program> and the
// command line (platform/os/CommandLine.h) is that program alone until
// SetArguments. The destructor restores the environment variables, the host
// program and the command line, and removes the folder.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/Registry.h"
#include "platform/rtl/Text.h"

namespace kx::testing {

enum class InstallKind { Installed, VantoSysOnly, NotInstalled, Nothing };

class FakeInstallation {
 public:
  explicit FakeInstallation(InstallKind Kind, const std::string& ProgramName = "kxdravsrv");
  ~FakeInstallation();
  FakeInstallation(const FakeInstallation&) = delete;
  FakeInstallation& operator=(const FakeInstallation&) = delete;

  // Folders end with "/".
  const std::string& Base() const { return base_; }
  std::string Root() const { return base_ + "vanto/"; }
  std::string HostFolder() const { return base_ + "host/"; }
  std::string HostProgram() const { return HostFolder() + program_; }
  std::string TempFolder() const { return base_ + "tmp/"; }
  std::string RegistryFolder() const { return base_ + "registry/"; }

  // The command line becomes the host program followed by Arguments.
  void SetArguments(const std::vector<UnicodeString>& Arguments);

  // Values of "SOFTWARE\vanto\System\" (or any key) as REG_SZ or REG_DWORD.
  void SetText(HKEY Root, const UnicodeString& Name, const UnicodeString& Value,
               const UnicodeString& Key = u"SOFTWARE\\vanto\\System\\");
  void SetDword(HKEY Root, const UnicodeString& Name, uint32_t Value,
                const UnicodeString& Key = u"SOFTWARE\\vanto\\System\\");
  void DeleteValue(HKEY Root, const UnicodeString& Name,
                   const UnicodeString& Key = u"SOFTWARE\\vanto\\System\\");

  // Sets (nullopt: unsets) an environment variable until the fixture ends.
  void SetEnvironment(const std::string& Name, std::optional<std::string> Value);

  // Writes a file, creating its folders; Path is absolute or below Base().
  void WriteFile(const std::string& Path, std::string_view Bytes);

  // Creates the SQLite database the data link file names and runs
  // Statements in it.
  void CreateConfigDatabase(const std::vector<std::string>& Statements);

  // A data link file's bytes: UTF-16LE with byte-order mark, the three lines
  // the system writes.
  static std::string DataLinkFileBytes(std::u16string_view ConnectionString);

 private:
  std::string Absolute(const std::string& Path) const;

  std::string base_;
  std::string program_;
  std::map<std::string, std::optional<std::string>> savedEnvironment_;
};

}  // namespace kx::testing
