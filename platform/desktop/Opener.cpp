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
  return "file://" + PercentEncodedPath(name);
}

}  // namespace kx::platform
