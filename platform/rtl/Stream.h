// platform/rtl/Stream.h — byte streams: the abstract Stream, a stream in
// memory, a read-only stream over bytes held elsewhere and a stream on a
// file.
//
// Positions and sizes are 64-bit byte counts from the start of the stream.
// Read and Write answer how many bytes they moved (Read fewer at the end of
// the stream); ReadBuffer and WriteBuffer move exactly Count bytes or raise
// EReadError / EWriteError. Seeking to a negative position raises EStreamError;
// a position beyond the end is allowed, and a Write there fills the gap with
// zero bytes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/rtl/Text.h"

enum TSeekOrigin : uint8_t { soBeginning, soCurrent, soEnd };

class Stream {
 public:
  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  virtual ~Stream() = default;

  // Up to Count bytes from the position into Buffer; the position moves on by
  // the answer. 0 at or after the end.
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  // Count bytes from Buffer at the position; the stream grows as needed.
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  // Moves the position and answers the new one.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  // Cuts the stream or extends it with zero bytes. A position beyond the new
  // end moves to the end.
  virtual void SetSize(int64_t NewSize) = 0;
  virtual int64_t Size();

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Value) { Seek(Value, soBeginning); }

  void ReadBuffer(void* Buffer, int64_t Count);
  void WriteBuffer(const void* Buffer, int64_t Count);

  // Copies Count bytes from Source's position to this stream's position and
  // answers Count; Count 0 or less copies the whole of Source from its
  // beginning and answers its size. Raises EReadError when Source holds
  // fewer bytes.
  int64_t CopyFrom(Stream& Source, int64_t Count);
};

// A stream over a byte array of its own.
class MemoryStream : public Stream {
 public:
  MemoryStream() = default;

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

  // The bytes of the stream (Size() of them); valid until the next change.
  const uint8_t* Memory() const { return bytes_.data(); }
  // Size and position 0.
  void Clear();

 private:
  std::vector<uint8_t> bytes_;
  int64_t position_ = 0;
};

// A read-only stream over bytes it does not own (a request text, a shared
// buffer), which must outlive it; nothing is copied. Write and SetSize raise
// EStreamError.
class ReadOnlyMemoryStream : public Stream {
 public:
  explicit ReadOnlyMemoryStream(std::string_view Bytes) : bytes_(Bytes) {}

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

 private:
  std::string_view bytes_;
  int64_t position_ = 0;
};

// Open modes: one access mode, or'ed with one share mode and optionally
// fmAppend and fmOpenCreate; or fmCreate alone (or with a share mode).
enum : uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  // Or'ed with a write access mode: every write goes to the end of the
  // file as it is then, in one step, also when others write to it.
  fmAppend = 0x0100,
  // Or'ed with an access mode: a missing file is created (empty); an
  // existing one is opened as it is, never emptied.
  fmOpenCreate = 0x0200,
  fmCreate = 0xFF00,
};

// A stream on a file. fmCreate creates the file or empties an existing one,
// for reading and writing; the other modes open an existing file.
//
// Share modes are advisory locks (flock, never waiting) held while the
// stream is open:
//   fmShareCompat, fmShareExclusive, fmShareDenyRead, fmCreate: exclusive;
//   fmShareDenyWrite: shared when reading (other readers that deny writers
//     welcome), exclusive with write access;
//   fmShareDenyNone: no lock.
// A lock held by another open stream or file lock (in this process or
// another) makes the constructor raise at once, as a sharing violation. An
// existing file is emptied only after its lock was won, so fmCreate never
// truncates a file that someone else holds. Programs that do not lock are
// not held off.
//
// The name follows the path rule of platform/file/Path.h; drive and network
// paths name nothing here. Failures raise EFOpenError or EFCreateError with
// the name and the reason, read and write errors EReadError and EWriteError;
// each leaves its errno in the last OS error (platform/os/LastError.h).
//
// With RegularFileOnly the file must be a regular file after following links:
// anything else (a FIFO, a device, a folder) raises EFOpenError at once, and
// the open never waits, as it would for a FIFO without a writer. For data
// that a file must hold, such as the files handed over as blobs.
class FileStream : public Stream {
 public:
  FileStream(const UnicodeString& FileName, uint16_t Mode, bool RegularFileOnly = false);
  ~FileStream() override;

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  int64_t Size() override;

  const UnicodeString& FileName() const { return fileName_; }

 private:
  UnicodeString fileName_;
  int fd_ = -1;
};
