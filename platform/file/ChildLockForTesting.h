// platform/file/ChildLockForTesting.h — for tests: another process that
// holds a file lock (LockFile) until the object goes away, so a test can
// see what a file in use does to readers and writers. Header only; tests
// alone include it.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include "platform/file/FileSystem.h"

namespace kx::platform {

class ChildLockForTesting {
 public:
  // Forks a child that takes the lock and reports back; Locked() tells
  // whether it got it.
  explicit ChildLockForTesting(const UnicodeString& Path) {
    int up[2], down[2];
    if (::pipe(up) != 0) return;
    if (::pipe(down) != 0) {
      ::close(up[0]);
      ::close(up[1]);
      return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(up[0]);
      ::close(down[1]);
      const char ok = LockFile(Path) != kInvalidLock ? '1' : '0';
      (void)!::write(up[1], &ok, 1);
      char done;
      (void)!::read(down[0], &done, 1);  // until the parent closes its end
      ::_exit(0);
    }
    ::close(up[1]);
    ::close(down[0]);
    release_ = down[1];
    char ok = '0';
    if (pid_ > 0 && ::read(up[0], &ok, 1) == 1) locked_ = ok == '1';
    ::close(up[0]);
  }
  ~ChildLockForTesting() {
    if (release_ >= 0) ::close(release_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  ChildLockForTesting(const ChildLockForTesting&) = delete;
  ChildLockForTesting& operator=(const ChildLockForTesting&) = delete;

  bool Locked() const { return locked_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool locked_ = false;
};

}  // namespace kx::platform
