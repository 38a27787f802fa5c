#include "platform/file/FileDescriptor.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file/FaultInjection.h"

namespace kx::platform {

int OpenRetrying(const char* Path, int Flags, mode_t Mode) {
  int fd;
  do {
    fd = ::open(Path, Flags | O_CLOEXEC, Mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int OpenRegularForReading(const char* Path) { return OpenRegular(Path, O_RDONLY); }

int OpenRegular(const char* Path, int Flags) {
  const int fd = OpenRetrying(Path, Flags | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st {};
  int error = 0;
  if (::fstat(fd, &st) != 0)
    error = errno;
  else if (!S_ISREG(st.st_mode))
    error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
    error = errno;
  if (error == 0) return fd;
  ::close(fd);
  errno = error;
  return -1;
}

bool WriteAll(int Fd, std::string_view Data) {
  if (detail::FileCallFails(FileCall::Write)) return false;
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

bool SyncFile(int Fd, bool DataOnly) {
  if (detail::FileCallFails(FileCall::Sync, Fd)) return false;
  int rc;
  do {
    rc = DataOnly ? ::fdatasync(Fd) : ::fsync(Fd);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

bool CloseWritten(int Fd) {
  if (detail::FileCallFails(FileCall::Close)) {
    const int error = errno;
    ::close(Fd);
    errno = error;
    return false;
  }
  // Linux releases the descriptor even when close reports EINTR: no retry.
  return ::close(Fd) == 0;
}

bool RenameFile(const char* From, const char* To, bool NoReplace) {
  if (detail::FileCallFails(FileCall::Rename, -1, From, To)) return false;
  if (!NoReplace) return ::rename(From, To) == 0;
  return ::renameat2(AT_FDCWD, From, AT_FDCWD, To, RENAME_NOREPLACE) == 0;
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
