#include "platform/file/AtomicReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/file/FileDescriptor.h"

namespace kx::platform {
namespace {

std::atomic<unsigned long> g_tempCounter{0};

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

bool ReplaceFileAtomically(const std::string& Path, std::string_view Data, mode_t NewFileMode) {
  mode_t mode = NewFileMode & 07777;
  struct stat st {};
  if (::stat(Path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    return false;
  }

  const std::string temp = Path + ".tmp." + std::to_string(::getpid()) + "." +
                           std::to_string(g_tempCounter.fetch_add(1));
  const int fd = OpenRetrying(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;

  bool ok = WriteAll(fd, Data) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(temp.c_str(), Path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    errno = error;
    return false;
  }
  // The rename itself is durable only once the folder is synced; a failure
  // here loses nothing that a reader could see, so it is not reported.
  const int dir = OpenRetrying(FolderOf(Path).c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace kx::platform
