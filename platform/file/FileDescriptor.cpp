#include "platform/file/FileDescriptor.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace kx::platform {

int OpenRetrying(const char* Path, int Flags, mode_t Mode) {
  int fd;
  do {
    fd = ::open(Path, Flags | O_CLOEXEC, Mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool WriteAll(int Fd, std::string_view Data) {
  while (!Data.empty()) {
    const ssize_t n = ::write(Fd, Data.data(), Data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    Data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool TryLock(int Fd, int Operation) {
  int rc;
  do {
    rc = ::flock(Fd, Operation | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

bool ReadFileToEnd(const std::string& SystemName, std::string& Bytes) {
  Bytes.clear();
  const int fd = OpenRetrying(SystemName.c_str(), O_RDONLY);
  if (fd < 0) return false;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      errno = error;
      return false;
    }
    if (n == 0) break;
    Bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

}  // namespace kx::platform
