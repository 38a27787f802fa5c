#include "platform/os/SystemFiles.h"

#include <utility>

namespace kx::platform {
namespace {

std::optional<std::string>& FolderOverride() {
  static std::optional<std::string> folder;
  return folder;
}

UnicodeString SystemFile(const char* Name) {
  return ToUtf16(FolderOverride().value_or("/etc") + "/" + Name);
}

}  // namespace

UnicodeString ServicesFilePath() { return SystemFile("services"); }
UnicodeString HostsFilePath() { return SystemFile("hosts"); }

void SetSystemFileFolderForTesting(std::optional<std::string> Folder) {
  FolderOverride() = std::move(Folder);
}

}  // namespace kx::platform
