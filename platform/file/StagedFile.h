// platform/file/StagedFile.h — a new file written under a temporary name in
// its target folder and given its final name only when complete, so that
// nobody ever finds a half-written file under that name: not after a full
// disk, a failed write or a crash. The one place of the file layer that
// stages, flushes and renames files (ReplaceFileAtomically is built on it).
//
//   StagedFile f(u"/out/doc.xml");    // "/out/.doc.xml.tmp.<pid>.<n>"
//   f.Write(bytes);
//   f.Publish(u"/out/doc.xml", true);  // fsync, rename over /out/doc.xml
//
// The temporary name starts with "." (folder watchers that skip hidden files
// never see it) and holds ".tmp."; n counts per process, so threads never
// share a name. A staged file that is not published is removed when the
// object goes away.
//
// Large files are flushed to disk while they are written: once Write has
// passed some megabytes, a helper thread of this object syncs the data
// written so far, again and again, while the writer goes on, so Publish's
// fsync has only the last part left to wait for instead of the whole file.
// The thread ends in Publish or Discard, after at most the one sync it is
// running. Bytes written through Fd() directly are synced only by Publish;
// bytes copied in by CopyFrom are synced like those of Write.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/Text.h"

namespace kx::platform {

class StagedFile {
 public:
  // Creates the temporary file beside Path (the folder must exist), mode
  // 0666 less the umask. Raises EFCreateError naming Path, with the reason,
  // for a path that names nothing here (drive or network paths) or a folder
  // that cannot take the file.
  explicit StagedFile(const UnicodeString& Path);
  // The same for a name in system form (as ToSystemPath makes it), for the
  // file layer's own callers, and without raising: on failure Fd() is -1 and
  // errno tells why. The file stays private (0600) while it is written; when
  // published as a new file it gets NewFileMode exactly (the umask does not
  // apply).
  StagedFile(const std::string& SystemName, mode_t NewFileMode);
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // The descriptor to write to, open for writing; -1 once published or
  // discarded, after a Publish that found its name taken, or when the file
  // could not be made.
  int Fd() const { return fd_; }

  // Writes all of Bytes at the file's current end, retrying interrupted
  // writes. False with errno set when the system refuses bytes (the staged
  // file stays until Discard or the end of the object).
  bool Write(std::string_view Bytes);

  // Copies the rest of the file In (from its current offset to its end) to
  // the file's end: copy_file_range while the kernel offers it for the two
  // files, else through a buffer; the bytes never pass through the caller.
  // False with errno set when reading or writing fails.
  bool CopyFrom(int In);

  // Publish gives the file exactly Mode, also when it replaces a file (whose
  // mode it would keep otherwise).
  void SetMode(mode_t Mode);
  // Publish syncs with fdatasync: the bytes and the size, not the times.
  void SyncDataOnly() { dataOnly_ = true; }

  // What Publish did; true when the file has its name. Error is the
  // system's error number (EEXIST for NameTaken, 0 once published); it is
  // also left as errno.
  struct PublishResult {
    enum Outcome : uint8_t { Published, NameTaken, Failed };
    Outcome Result;
    int Error;
    explicit operator bool() const { return Result == Published; }
  };

  // Flushes the bytes to disk, closes the file and gives it the name Path,
  // which must lie in the folder given at construction. With Replace an existing file
  // there is replaced in one step (it keeps its mode); without, an existing
  // entry is left alone, the answer is NameTaken, and the staged file stays
  // for another Publish. Any other failure (a sync that failed, in the
  // background too) is Failed, and the staged file is removed. Once
  // published, the folder is synced too.
  PublishResult Publish(const UnicodeString& Path, bool Replace);
  PublishResult Publish(const std::string& SystemName, bool Replace);

  // Removes the staged file now. Keeps errno.
  void Discard();

 private:
  struct Flusher;

  bool Open(const std::string& Target, mode_t CreateMode);
  // Ends the background syncs; false with errno when one of them failed.
  bool StopFlusher();
  // Counts Count more bytes as written and wakes or starts the flusher.
  void Written(uint64_t Count);

  std::string temp_;    // system name of the temporary file
  std::string folder_;  // system name of its folder
  int fd_ = -1;
  bool synced_ = false;
  bool exactMode_ = false;  // publish a new file with newMode_
  bool forceMode_ = false;  // publish any file with newMode_
  bool dataOnly_ = false;   // Publish syncs with fdatasync
  mode_t newMode_ = 0;
  uint64_t written_ = 0;    // bytes through Write
  std::unique_ptr<Flusher> flusher_;
};

}  // namespace kx::platform
