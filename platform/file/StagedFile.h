// platform/file/StagedFile.h — a new file written under a temporary name in
// its target folder and given its final name only when complete, so that
// nobody ever finds a half-written file under that name: not after a full
// disk, a failed write or a crash.
//
//   StagedFile f(u"/out/doc.xml");   // "/out/.doc.xml.<pid>.<n>.tmp"
//   write(f.Fd(), ...);
//   f.Publish(u"/out/doc.xml", true); // fsync, rename over /out/doc.xml
//
// A staged file that is not published is removed when the object goes away.
#pragma once

#include "platform/rtl/Text.h"

namespace kx::platform {

class StagedFile {
 public:
  // Creates the temporary file beside Path (the folder must exist), mode
  // 0666 less the umask. Raises EFCreateError naming Path, with the reason,
  // for a path that names nothing here (drive or network paths) or a folder
  // that cannot take the file.
  explicit StagedFile(const UnicodeString& Path);
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // The descriptor to write to, open for writing; -1 once published.
  int Fd() const { return fd_; }

  // Flushes the bytes to disk and gives the file the name Path, which must
  // lie in the folder given at construction. With Replace an existing file
  // there is replaced in one step (it keeps its mode); without, an existing
  // entry is left alone and the answer is false with errno EEXIST, and the
  // staged file stays for another Publish. Any other failure: false with
  // errno set, the staged file removed. Once true, the folder is synced too.
  bool Publish(const UnicodeString& Path, bool Replace);

  // Removes the staged file now.
  void Discard();

 private:
  std::string temp_;    // system name of the temporary file
  std::string folder_;  // system name of its folder
  int fd_ = -1;
  bool synced_ = false;
};

}  // namespace kx::platform
