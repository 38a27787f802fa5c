#include "platform/file/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file/FileDescriptor.h"
#include "platform/file/Path.h"
#include "platform/os/LastError.h"

namespace kx::platform {

bool MemorySource::ReadAt(uint64_t Offset, void* Buffer, size_t Count) const {
  if (Offset > bytes_.size() || Count > bytes_.size() - Offset) return false;
  if (Count > 0) std::memcpy(Buffer, bytes_.data() + Offset, Count);
  return true;
}

FileReader::FileReader(const UnicodeString& FileName) {
  std::string name;
  if (!ToSystemPath(FileName, name)) return;
  const int fd = OpenRetrying(name.c_str(), O_RDONLY);
  if (fd < 0) {
    FailWithErrno();
    return;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    FailWithErrno();
    ::close(fd);
    return;
  }
  if (S_ISDIR(st.st_mode)) {
    SetLastOSError(EISDIR);
    ::close(fd);
    return;
  }
  fd_ = fd;
  size_ = static_cast<uint64_t>(st.st_size);
}

FileReader::~FileReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileReader::ReadAt(uint64_t Offset, void* Buffer, size_t Count) const {
  if (fd_ < 0) {
    SetLastOSError(EBADF);
    return false;
  }
  auto* out = static_cast<char*>(Buffer);
  while (Count > 0) {
    const ssize_t n = ::pread(fd_, out, Count, static_cast<off_t>(Offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailWithErrno();
    }
    if (n == 0) {  // the file ends before Count bytes
      SetLastOSError(EIO);
      return false;
    }
    out += n;
    Offset += static_cast<uint64_t>(n);
    Count -= static_cast<size_t>(n);
  }
  return true;
}

bool FileReader::ReadAll(std::string& Bytes) const {
  if (fd_ < 0) {
    SetLastOSError(EBADF);
    return false;
  }
  Bytes.assign(size_, '\0');
  return ReadAt(0, Bytes.data(), Bytes.size());
}

}  // namespace kx::platform
