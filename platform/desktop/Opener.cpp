#include "platform/desktop/Opener.h"

#include <unistd.h>

#include <climits>
#include <utility>

#include "platform/file/Path.h"
#include "platform/process/Process.h"

namespace kx::platform {
namespace {

std::optional<std::vector<UnicodeString>>& OpenerOverride() {
  static std::optional<std::vector<UnicodeString>> command;
  return command;
}

}  // namespace

bool OpenWithDesktop(const UnicodeString& Target) {
  ProcessStart start;
  start.Arguments = OpenerOverride().value_or(std::vector<UnicodeString>{u"xdg-open"});
  start.Arguments.push_back(Target);
  start.Detached = true;
  return StartProcess(start, nullptr);
}

void SetOpenerForTesting(std::optional<std::vector<UnicodeString>> Command) {
  OpenerOverride() = std::move(Command);
}

std::string FileUri(const UnicodeString& Path) {
  std::string name;
  if (!ToSystemPath(Path, name)) return {};
  if (name[0] != '/') {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) == nullptr) return {};
    name = std::string(cwd) + (std::string_view(cwd) == "/" ? "" : "/") + name;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const unsigned char c : name) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~' || c == '/') {
      uri.push_back(static_cast<char>(c));
    } else {
      uri.push_back('%');
      uri.push_back(kHex[c >> 4]);
      uri.push_back(kHex[c & 15]);
    }
  }
  return uri;
}

}  // namespace kx::platform
