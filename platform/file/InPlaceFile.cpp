#include "platform/file/InPlaceFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/file/FaultInjection.h"
#include "platform/file/FileDescriptor.h"
#include "platform/file/Path.h"
#include "platform/os/LastError.h"

namespace kx::platform {

InPlaceFile::InPlaceFile(std::u16string_view Path) {
  std::string name;
  if (!ToSystemPath(Path, name)) return;
  const int fd = OpenRegular(name.c_str(), O_RDWR | O_NOFOLLOW);
  if (fd < 0 || !TryLock(fd, LOCK_EX)) {
    const int error = errno;
    if (fd >= 0) ::close(fd);
    SetLastOSError(error);
    return;
  }
  fd_ = fd;
}

InPlaceFile::~InPlaceFile() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t InPlaceFile::ReadAt(int64_t Offset, void* Buffer, int64_t Count) {
  auto* out = static_cast<char*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    const ssize_t n = ::pread(fd_, out + done, static_cast<size_t>(Count - done), Offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      FailWithErrno();
      return -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t InPlaceFile::WriteAt(int64_t Offset, const void* Buffer, int64_t Count) {
  if (Count > 0 && detail::FileCallFails(FileCall::Write)) {
    FailWithErrno();
    return -1;
  }
  const auto* in = static_cast<const char*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    const ssize_t n = ::pwrite(fd_, in + done, static_cast<size_t>(Count - done), Offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      FailWithErrno();
      return done > 0 ? done : -1;
    }
    done += n;
  }
  return done;
}

bool InPlaceFile::SyncData() { return SyncFile(fd_, true) || FailWithErrno(); }

bool InPlaceFile::Truncate(int64_t Size) {
  return ::ftruncate(fd_, static_cast<off_t>(Size)) == 0 || FailWithErrno();
}

bool InPlaceFile::Close() {
  if (fd_ < 0) return true;
  const int fd = fd_;
  fd_ = -1;
  return CloseWritten(fd) || FailWithErrno();
}

}  // namespace kx::platform
