#include "platform/rtl/Stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string>

#include "platform/file/ErrorText.h"
#include "platform/file/FaultInjection.h"
#include "platform/file/FileDescriptor.h"
#include "platform/file/Path.h"
#include "platform/os/LastError.h"
#include "platform/rtl/Exceptions.h"

namespace {

[[noreturn]] void RaiseBadPosition() { throw EStreamError("Invalid stream position"); }

// The reading and seeking of both streams over bytes in memory.
int64_t ReadFromMemory(const void* Bytes, int64_t Size, int64_t& Position, void* Buffer, int64_t Count) {
  if (Count <= 0 || Position >= Size) return 0;
  const int64_t n = std::min(Count, Size - Position);
  std::memcpy(Buffer, static_cast<const char*>(Bytes) + Position, static_cast<size_t>(n));
  Position += n;
  return n;
}

int64_t SeekInMemory(int64_t Size, int64_t& Position, int64_t Offset, TSeekOrigin Origin) {
  const int64_t base = Origin == soBeginning ? 0 : (Origin == soCurrent ? Position : Size);
  if ((Offset > 0 && base > std::numeric_limits<int64_t>::max() - Offset) || base + Offset < 0)
    RaiseBadPosition();
  Position = base + Offset;
  return Position;
}

// Records errno as the last OS error and answers its text.
std::string FailureText(int error) {
  kx::platform::SetLastOSError(error);
  return ToUtf8(kx::platform::OSErrorMessage(error));
}

}  // namespace

// --- Stream -----------------------------------------------------------------

int64_t Stream::Size() {
  const int64_t position = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void Stream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count < 0 || (Count > 0 && Read(Buffer, Count) != Count)) throw EReadError("Stream read error");
}

void Stream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count < 0 || (Count > 0 && Write(Buffer, Count) != Count))
    throw EWriteError("Stream write error");
}

int64_t Stream::CopyFrom(Stream& Source, int64_t Count) {
  if (Count <= 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  constexpr int64_t kBuffer = 256 * 1024;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(Count, kBuffer)));
  for (int64_t left = Count; left > 0;) {
    const int64_t n = std::min(left, kBuffer);
    Source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return Count;
}

// --- MemoryStream -----------------------------------------------------------

int64_t MemoryStream::Read(void* Buffer, int64_t Count) {
  return ReadFromMemory(bytes_.data(), Size(), position_, Buffer, Count);
}

int64_t MemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  if (Count > std::numeric_limits<int64_t>::max() - position_) throw EWriteError("Stream write error");
  const int64_t end = position_ + Count;
  if (end > Size()) bytes_.resize(static_cast<size_t>(end));
  std::memcpy(bytes_.data() + position_, Buffer, static_cast<size_t>(Count));
  position_ = end;
  return Count;
}

int64_t MemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  return SeekInMemory(Size(), position_, Offset, Origin);
}

void MemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) RaiseBadPosition();
  bytes_.resize(static_cast<size_t>(NewSize));
  position_ = std::min(position_, NewSize);
}

void MemoryStream::Clear() {
  bytes_.clear();
  bytes_.shrink_to_fit();
  position_ = 0;
}

// --- ReadOnlyMemoryStream ---------------------------------------------------

int64_t ReadOnlyMemoryStream::Read(void* Buffer, int64_t Count) {
  return ReadFromMemory(bytes_.data(), Size(), position_, Buffer, Count);
}

int64_t ReadOnlyMemoryStream::Write(const void*, int64_t) {
  throw EStreamError("the stream is read-only");
}

int64_t ReadOnlyMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  return SeekInMemory(Size(), position_, Offset, Origin);
}

void ReadOnlyMemoryStream::SetSize(int64_t) { throw EStreamError("the stream is read-only"); }

// --- FileStream -------------------------------------------------------------

FileStream::FileStream(const UnicodeString& FileName, uint16_t Mode, bool RegularFileOnly)
    : fileName_(FileName) {
  const bool create = (Mode & fmCreate) == fmCreate;
  const uint16_t access = create ? fmOpenReadWrite : (Mode & 0x0003);
  const uint16_t share = Mode & 0x00F0;
  auto fail = [&](const std::string& reason) {
    const std::string message =
        (create ? "Cannot create file \"" : "Cannot open file \"") + ToUtf8(FileName) + "\". " + reason;
    if (create) throw EFCreateError(message);
    throw EFOpenError(message);
  };
  const uint16_t extra = create ? 0 : (Mode & 0xFF00);
  if (access > fmOpenReadWrite || share > fmShareDenyNone ||
      (extra & ~(fmAppend | fmOpenCreate)) != 0 || ((extra & fmAppend) && access == fmOpenRead)) {
    kx::platform::SetLastOSError(EINVAL);
    fail("Invalid file mode");
  }
  std::string name;
  if (!kx::platform::ToSystemPath(FileName, name)) fail(FailureText(ENOENT));

  int flags = O_CLOEXEC | (access == fmOpenRead ? O_RDONLY : (access == fmOpenWrite ? O_WRONLY : O_RDWR));
  if (create || (extra & fmOpenCreate)) flags |= O_CREAT;  // fmCreate empties below, once the lock is ours
  if (extra & fmAppend) flags |= O_APPEND;
  // Opened without waiting, checked, then switched back to blocking.
  if (RegularFileOnly) flags |= O_NONBLOCK | O_NOCTTY;
  fd_ = kx::platform::OpenRetrying(name.c_str(), flags, 0666);
  if (fd_ < 0) fail(FailureText(errno));
  if (RegularFileOnly) {
    struct stat info {};
    int error = 0;
    if (::fstat(fd_, &info) != 0)
      error = errno;
    else if (!S_ISREG(info.st_mode))
      error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    else if (::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0)
      error = errno;
    if (error != 0) {
      ::close(fd_);
      fd_ = -1;
      kx::platform::SetLastOSError(error);
      fail(error == EINVAL ? std::string("Not a regular file") : FailureText(error));
    }
  }

  int lock = LOCK_EX;
  if (share == fmShareDenyNone)
    lock = 0;
  else if (share == fmShareDenyWrite && access == fmOpenRead)
    lock = LOCK_SH;
  int error = 0;
  if (lock != 0 && !kx::platform::TryLock(fd_, lock)) error = errno;
  if (error == 0 && create && ::ftruncate(fd_, 0) != 0) error = errno;
  if (error != 0) {
    ::close(fd_);
    fd_ = -1;
    const std::string reason = FailureText(error);
    fail(error == EWOULDBLOCK ? "The file is in use by another process." : reason);
  }
}

FileStream::~FileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t FileStream::Read(void* Buffer, int64_t Count) {
  auto* out = static_cast<char*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(Count - done, int64_t{1} << 30));
    const ssize_t n = ::read(fd_, out + done, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EReadError("Stream read error: " + FailureText(errno));
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t FileStream::Write(const void* Buffer, int64_t Count) {
  const auto* in = static_cast<const char*>(Buffer);
  if (Count > 0 && kx::platform::detail::FileCallFails(kx::platform::FileCall::Write))
    throw EWriteError("Stream write error: " + FailureText(errno));
  int64_t done = 0;
  while (done < Count) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(Count - done, int64_t{1} << 30));
    const ssize_t n = ::write(fd_, in + done, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EWriteError("Stream write error: " + FailureText(errno));
    }
    done += n;
  }
  return done;
}

int64_t FileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const int whence = Origin == soBeginning ? SEEK_SET : (Origin == soCurrent ? SEEK_CUR : SEEK_END);
  const off_t position = ::lseek(fd_, static_cast<off_t>(Offset), whence);
  if (position < 0) {
    kx::platform::SetLastOSError(errno);
    RaiseBadPosition();
  }
  return position;
}

void FileStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) RaiseBadPosition();
  const int64_t position = Position();
  if (::ftruncate(fd_, static_cast<off_t>(NewSize)) != 0)
    throw EWriteError("Stream write error: " + FailureText(errno));
  if (position > NewSize) Seek(NewSize, soBeginning);
}

int64_t FileStream::Size() {
  struct stat info;
  if (::fstat(fd_, &info) != 0) throw EStreamError("Stream error: " + FailureText(errno));
  return info.st_size;
}
