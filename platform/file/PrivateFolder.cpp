#include "platform/file/PrivateFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/file/Path.h"
#include "platform/os/LastError.h"

namespace kx::platform {
namespace {

PrivateFolderState Examine(const struct stat& st) {
  if (S_ISLNK(st.st_mode)) return PrivateFolderState::Symlink;
  if (st.st_uid != ::geteuid()) return PrivateFolderState::Foreign;
  if (!S_ISDIR(st.st_mode)) {
    SetLastOSError(ENOTDIR);
    return PrivateFolderState::Failed;
  }
  return PrivateFolderState::Ready;
}

}  // namespace

PrivateFolderState MakePrivateFolder(std::u16string_view Path) {
  std::string name;
  if (!ToSystemPath(Path, name)) return PrivateFolderState::Failed;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  struct stat st {};
  if (::lstat(name.c_str(), &st) == 0) return Examine(st);
  if (errno != ENOENT) {
    FailWithErrno();
    return PrivateFolderState::Failed;
  }
  if (::mkdir(name.c_str(), 0700) == 0) return PrivateFolderState::Ready;
  if (errno != EEXIST) {
    FailWithErrno();
    return PrivateFolderState::Failed;
  }
  // Someone made it between the two calls: judge what is there now.
  if (::lstat(name.c_str(), &st) != 0) {
    FailWithErrno();
    return PrivateFolderState::Failed;
  }
  return Examine(st);
}

}  // namespace kx::platform
