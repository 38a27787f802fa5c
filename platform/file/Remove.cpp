#include "platform/file/Remove.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/file/Path.h"
#include "platform/os/LastError.h"

namespace kx::platform {

bool DeleteFile(std::u16string_view Path) {
  std::string name;
  if (!ToSystemPath(Path, name)) return false;
  // unlink of a folder answers EISDIR on Linux already, but EPERM elsewhere;
  // a plain test keeps the reason the same.
  struct stat st {};
  if (::lstat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetLastOSError(EISDIR);
    return false;
  }
  return ::unlink(name.c_str()) == 0 || FailWithErrno();
}

bool RemoveDirectory(std::u16string_view Path) {
  std::string name;
  if (!ToSystemPath(Path, name)) return false;
  return ::rmdir(name.c_str()) == 0 || FailWithErrno();
}

bool IsSymbolicLink(std::u16string_view Path) {
  std::string name;
  if (!ToSystemPath(Path, name)) return false;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  struct stat st {};
  if (::lstat(name.c_str(), &st) != 0) return FailWithErrno();
  return S_ISLNK(st.st_mode);
}

bool IsSameFile(std::u16string_view One, std::u16string_view Two) {
  std::string one, two;
  if (!ToSystemPath(One, one) || !ToSystemPath(Two, two)) return false;
  struct stat a {}, b {};
  if (::stat(one.c_str(), &a) != 0 || ::stat(two.c_str(), &b) != 0) return FailWithErrno();
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace kx::platform
