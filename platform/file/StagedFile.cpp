#include "platform/file/StagedFile.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/file/ErrorText.h"
#include "platform/file/FaultInjection.h"
#include "platform/file/FileDescriptor.h"
#include "platform/file/Path.h"
#include "platform/rtl/Exceptions.h"

namespace kx::platform {
namespace {

// Background syncs start once this much was written and run whenever this
// much more is waiting: few enough device flushes for small files (none
// below the mark) and slow disks, early enough to hide most of a large
// file's flush behind its writing.
constexpr uint64_t kFlushStep = 8u << 20;

std::atomic<unsigned long> g_stagedCounter{0};

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
  // The rename is durable only once the folder is synced; a failure here
  // loses nothing a reader could see, so it is not reported.
  const int dir = OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}

}  // namespace

// The helper thread: syncs the file's data whenever kFlushStep more bytes
// were written since the last sync began, until it is stopped.
struct StagedFile::Flusher {
  explicit Flusher(int Fd) : fd(Fd), thread([this] { Run(); }) {}

  void Written(uint64_t Total) {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      written = Total;
    }
    wake.notify_one();
  }

  // Waits for the sync in progress, if any; answers the first failure's errno
  // or 0.
  int Stop() {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    wake.notify_one();
    thread.join();
    return error;
  }

  void Run() {
    std::unique_lock<std::mutex> lock(mutex);
    uint64_t synced = 0;
    for (;;) {
      wake.wait(lock, [&] { return stop || written - synced >= kFlushStep; });
      if (stop) return;
      const uint64_t upTo = written;
      lock.unlock();
      const bool ok = SyncFile(fd, true);
      const int failure = ok ? 0 : errno;
      lock.lock();
      if (!ok) {
        error = failure;
        return;
      }
      synced = upTo;
    }
  }

  const int fd;
  std::mutex mutex;
  std::condition_variable wake;
  uint64_t written = 0;
  bool stop = false;
  int error = 0;  // read after the join only
  std::thread thread;  // last: it starts once the members above exist
};

StagedFile::StagedFile(const UnicodeString& Path) {
  std::string target;
  const bool named = ToSystemPath(Path, target);
  if (named && Open(target, 0666)) return;
  const int error = named ? errno : ENOENT;
  throw EFCreateError(u"cannot create file " + Path + u": " + OSErrorMessage(error));
}

StagedFile::StagedFile(const std::string& SystemName, mode_t NewFileMode)
    : exactMode_(true), newMode_(NewFileMode & 07777) {
  Open(SystemName, 0600);
}

bool StagedFile::Open(const std::string& Target, mode_t CreateMode) {
  if (Target.empty() || Target.back() == '/') {
    errno = ENOENT;
    return false;
  }
  folder_ = FolderOf(Target);
  const size_t slash = Target.rfind('/');
  const std::string name = slash == std::string::npos ? Target : Target.substr(slash + 1);
  const std::string prefix = folder_ == "/" ? "/" : folder_ + "/";
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    // A name that is valid must not fail for want of room for the suffix:
    // the temporary name is cut to the longest a folder entry may have.
    const std::string suffix =
        ".tmp." + std::to_string(::getpid()) + "." + std::to_string(++g_stagedCounter);
    temp_ = prefix + "." + name.substr(0, NAME_MAX - 1 - suffix.size()) + suffix;
    fd_ = OpenRetrying(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL, CreateMode);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ >= 0) return true;
  temp_.clear();
  return false;
}

StagedFile::~StagedFile() { Discard(); }

bool StagedFile::StopFlusher() {
  if (!flusher_) return true;
  const int error = flusher_->Stop();
  flusher_.reset();
  if (error == 0) return true;
  errno = error;
  return false;
}

void StagedFile::Discard() {
  const int saved = errno;
  StopFlusher();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  errno = saved;
}

bool StagedFile::Write(std::string_view Bytes) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  if (!WriteAll(fd_, Bytes)) return false;
  Written(Bytes.size());
  return true;
}

bool StagedFile::CopyFrom(int In) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  // Blocks of the flusher's step, so that the background syncs keep pace.
  bool kernelCopy = true;
  std::unique_ptr<char[]> buffer;
  constexpr size_t kBuffer = 256 * 1024;
  for (;;) {
    if (kernelCopy) {
      if (detail::FileCallFails(FileCall::Write)) return false;
      const ssize_t n = ::copy_file_range(In, nullptr, fd_, nullptr, kFlushStep, 0);
      if (n > 0) {
        Written(static_cast<uint64_t>(n));
        continue;
      }
      if (n == 0) return true;
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
      kernelCopy = false;
      buffer.reset(new char[kBuffer]);
    }
    const ssize_t n = ::read(In, buffer.get(), kBuffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    if (!Write(std::string_view(buffer.get(), static_cast<size_t>(n)))) return false;
  }
}

void StagedFile::SetMode(mode_t Mode) {
  newMode_ = Mode & 07777;
  forceMode_ = true;
}

void StagedFile::Written(uint64_t Count) {
  written_ += Count;
  synced_ = false;
  if (flusher_) {
    flusher_->Written(written_);
  } else if (written_ >= kFlushStep) {
    try {
      flusher_ = std::make_unique<Flusher>(fd_);
      flusher_->Written(written_);
    } catch (const std::system_error&) {
      // No thread to be had: Publish syncs everything itself.
    }
  }
}

StagedFile::PublishResult StagedFile::Publish(const UnicodeString& Path, bool Replace) {
  std::string target;
  if (!ToSystemPath(Path, target)) {
    Discard();
    errno = ENOENT;
    return {PublishResult::Failed, ENOENT};
  }
  return Publish(target, Replace);
}

StagedFile::PublishResult StagedFile::Publish(const std::string& SystemName, bool Replace) {
  auto fail = [this](bool discard) {
    const int error = errno;
    if (discard) Discard();
    return PublishResult{PublishResult::Failed, error};
  };
  if (temp_.empty()) {
    errno = EBADF;
    return fail(false);
  }
  if (FolderOf(SystemName) != folder_) {
    errno = EXDEV;
    return fail(true);
  }
  if (!synced_) {
    if (!StopFlusher() || !SyncFile(fd_, dataOnly_)) return fail(true);
    synced_ = true;
  }
  struct stat st {};
  mode_t mode = newMode_;
  bool setMode = exactMode_ || forceMode_;
  if (!forceMode_ && Replace && ::stat(SystemName.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    mode = st.st_mode & 07777;
    setMode = true;
  }
  if (setMode && (fd_ >= 0 ? ::fchmod(fd_, mode) : ::chmod(temp_.c_str(), mode)) != 0)
    return fail(true);
  // Closed before it is named, so that a failing close fails the publish.
  if (fd_ >= 0) {
    const bool closed = CloseWritten(fd_);
    fd_ = -1;
    if (!closed) return fail(true);
  }
  if (!RenameFile(temp_.c_str(), SystemName.c_str(), !Replace)) {
    if (errno == EEXIST && !Replace) return {PublishResult::NameTaken, EEXIST};
    return fail(true);
  }
  temp_.clear();
  SyncFolder(folder_);
  return {PublishResult::Published, 0};
}

}  // namespace kx::platform
