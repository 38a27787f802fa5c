#include "platform/file/StagedFile.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/file/Path.h"
#include "platform/rtl/Exceptions.h"

namespace kx::platform {
namespace {

std::atomic<unsigned long> g_stagedCounter{0};

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}

int RenameNoReplace(const char* from, const char* to) {
  return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE));
}

}  // namespace

StagedFile::StagedFile(const UnicodeString& Path) {
  std::string target;
  if (!ToSystemPath(Path, target) || target.back() == '/') {
    throw EFCreateError(u"cannot create file " + Path + u": " +
                        ToUtf16(std::string_view(std::strerror(ENOENT))));
  }
  folder_ = FolderOf(target);
  const size_t slash = target.rfind('/');
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  const std::string prefix = folder_ == "/" ? "/" : folder_ + "/";
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temp_ = prefix + "." + name + "." + std::to_string(::getpid()) + "." +
            std::to_string(++g_stagedCounter) + ".tmp";
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    const int error = errno;
    temp_.clear();
    throw EFCreateError(u"cannot create file " + Path + u": " +
                        ToUtf16(std::string_view(std::strerror(error))));
  }
}

StagedFile::~StagedFile() { Discard(); }

void StagedFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

bool StagedFile::Publish(const UnicodeString& Path, bool Replace) {
  if (temp_.empty()) {
    errno = EBADF;
    return false;
  }
  std::string target;
  if (!ToSystemPath(Path, target) || FolderOf(target) != folder_) {
    const int error = errno != 0 ? errno : EXDEV;
    Discard();
    errno = error;
    return false;
  }
  if (!synced_) {
    if (::fsync(fd_) != 0) {
      const int error = errno;
      Discard();
      errno = error;
      return false;
    }
    synced_ = true;
  }
  if (Replace) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd_, st.st_mode & 07777);
  }
  const int rc = Replace ? ::rename(temp_.c_str(), target.c_str())
                         : RenameNoReplace(temp_.c_str(), target.c_str());
  if (rc != 0) {
    const int error = errno;
    if (!(error == EEXIST && !Replace)) Discard();
    errno = error;
    return false;
  }
  ::close(fd_);
  fd_ = -1;
  temp_.clear();
  SyncFolder(folder_);
  return true;
}

}  // namespace kx::platform
