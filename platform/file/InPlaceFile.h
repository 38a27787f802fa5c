// platform/file/InPlaceFile.h — an existing file rewritten where it lies, for
// overwriting its bytes before it is deleted: reads and writes at offsets,
// data syncs, truncation.
//
// The file is opened for reading and writing under an exclusive lock, as a
// stream of mode fmOpenReadWrite is, so other openers that go through this
// layer are kept off while it is open. It is never opened through a symbolic
// link: a link in the last component fails (ELOOP), so the file a link
// points to, which may lie anywhere, is never touched. Writes, syncs and the
// close go through the test seam of FaultInjection.h.
// Every failing call stores errno as the thread's last OS error.
#pragma once

#include <cstdint>
#include <string_view>

namespace kx::platform {

class InPlaceFile {
 public:
  // Opens Path, which must be a regular file: a link (ELOOP), a folder
  // (EISDIR), a FIFO or a device (EINVAL) is not opened, nor is a file
  // locked by another opener (EWOULDBLOCK).
  explicit InPlaceFile(std::u16string_view Path);
  ~InPlaceFile();
  InPlaceFile(const InPlaceFile&) = delete;
  InPlaceFile& operator=(const InPlaceFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // Reads up to Count bytes at Offset: the number read, 0 at the end, -1
  // when the read fails.
  int64_t ReadAt(int64_t Offset, void* Buffer, int64_t Count);
  // Writes Count bytes at Offset: the number written, less when the system
  // takes no more (a full disk), -1 when nothing could be written.
  int64_t WriteAt(int64_t Offset, const void* Buffer, int64_t Count);
  // Flushes the file's bytes to the device (fdatasync).
  bool SyncData();
  // Cuts the file to Size bytes.
  bool Truncate(int64_t Size);
  // Closes the file; false when the system reports an error of the last
  // writes. The file is closed either way.
  bool Close();

 private:
  int fd_ = -1;
};

}  // namespace kx::platform
