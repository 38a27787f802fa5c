#include "platform/file/FileTimes.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/file/FileDescriptor.h"
#include "platform/file/Path.h"
#include "platform/os/LastError.h"

namespace kx::platform {

namespace {

timespec ToTimespec(const FileTime* time) {
  timespec spec{};
  if (time == nullptr) {
    spec.tv_nsec = UTIME_OMIT;
  } else {
    spec.tv_sec = static_cast<time_t>(time->Seconds);
    spec.tv_nsec = static_cast<long>(time->Nanoseconds);
  }
  return spec;
}

}  // namespace

bool SetFileTimes(std::u16string_view Path, bool ReadWrite, const FileTime* LastAccess,
                  const FileTime* LastWrite) {
  std::string name;
  if (!ToSystemPath(Path, name)) return false;
  const int fd = OpenRetrying(name.c_str(), (ReadWrite ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return FailWithErrno();

  int rc = TryLock(fd, LOCK_EX) ? 0 : -1;
  if (rc == 0) {
    const timespec times[2] = {ToTimespec(LastAccess), ToTimespec(LastWrite)};
    rc = ::futimens(fd, times);
  }
  const int error = rc != 0 ? errno : 0;
  ::close(fd);
  if (error != 0) {
    SetLastOSError(error);
    return false;
  }
  return true;
}

}  // namespace kx::platform
