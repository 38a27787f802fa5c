// platform/file/FileReader.h — reading files at given offsets without loading
// them: the version-resource readers parse executables in place, because
// loading one as a library would run its code.
//
// File names are UTF-16 texts and reach the system through ToSystemPath
// (Path.h): a drive ("C:\...") or UNC ("\\server\...") name names nothing on
// Linux and fails as a missing file.
// Every failing call stores errno as the thread's last OS error
// (platform/os/LastError.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/Text.h"

namespace kx::platform {

// Bytes that can be read at any offset: a file, or bytes in memory.
class RandomAccessSource {
 public:
  virtual ~RandomAccessSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly Count bytes at Offset into Buffer; false when fewer are
  // there or the read fails.
  virtual bool ReadAt(uint64_t Offset, void* Buffer, size_t Count) const = 0;
};

class MemorySource final : public RandomAccessSource {
 public:
  // Bytes must outlive the source; a temporary string cannot be given.
  explicit MemorySource(std::string_view Bytes) : bytes_(Bytes) {}
  explicit MemorySource(std::string&&) = delete;
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t Offset, void* Buffer, size_t Count) const override;

 private:
  std::string_view bytes_;
};

// A file opened for reading (O_CLOEXEC); other openers keep every access.
// The size is taken once, when the file is opened.
class FileReader final : public RandomAccessSource {
 public:
  explicit FileReader(const UnicodeString& FileName);
  ~FileReader() override;
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // False when the file could not be opened (missing, no right, a folder).
  bool IsOpen() const { return fd_ >= 0; }
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t Offset, void* Buffer, size_t Count) const override;
  // The whole file; false when it cannot be read to its end.
  bool ReadAll(std::string& Bytes) const;

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

}  // namespace kx::platform
