#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/file/PrivateFolder.h"
#include "platform/os/LastError.h"
#include "platform/rtl/Text.h"

namespace kx::platform::named_mutex {
namespace {

constexpr off_t kHandleByte = 0;
constexpr off_t kOwnerByte = 1;
constexpr off_t kGateByte = 2;
constexpr size_t kMaxFileName = 200;

// One handle this process keeps: the one of a Create (kept for good) or the
// one through which a Wait gained ownership (closed when it is released).
struct Handle {
  int Fd = -1;
  bool Owned = false;
  bool Kept = false;
};

// Function-local, so that a caller running before the library's dynamic
// initialisers (a load-time constructor) finds them ready.
std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

// Handles by file name.
std::map<std::string, std::vector<Handle>>& Table() {
  static std::map<std::string, std::vector<Handle>> table;
  return table;
}

// A lock request of Type on one byte (l_pid must be 0 for these locks).
struct flock ByteLock(short Type, off_t Byte) {
  struct flock lock {};
  lock.l_type = Type;
  lock.l_whence = SEEK_SET;
  lock.l_start = Byte;
  lock.l_len = 1;
  lock.l_pid = 0;
  return lock;
}

// Sets (F_RDLCK, F_WRLCK) or clears (F_UNLCK) the lock on one byte;
// Blocking waits for it.
bool LockByte(int Fd, short Type, off_t Byte, bool Blocking) {
  struct flock lock = ByteLock(Type, Byte);
  while (::fcntl(Fd, Blocking ? F_OFD_SETLKW : F_OFD_SETLK, &lock) != 0) {
    if (errno != EINTR) return FailWithErrno();
  }
  return true;
}

// Whether another open file description holds a lock on Byte that an
// exclusive lock would conflict with; nullopt on error.
std::optional<bool> ByteHeldByOthers(int Fd, off_t Byte) {
  struct flock lock = ByteLock(F_WRLCK, Byte);
  if (::fcntl(Fd, F_OFD_GETLK, &lock) != 0) {
    FailWithErrno();
    return std::nullopt;
  }
  return lock.l_type != F_UNLCK;
}

class Gate {
 public:
  explicit Gate(int Fd) : fd_(Fd), held_(LockByte(Fd, F_WRLCK, kGateByte, true)) {}
  ~Gate() {
    if (held_) LockByte(fd_, F_UNLCK, kGateByte, false);
  }
  bool Held() const { return held_; }

 private:
  int fd_;
  bool held_;
};

std::optional<std::string> Folder() {
  std::string base;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    base = std::string(runtime);
    if (base.back() != '/') base.push_back('/');
    base += "vanto/";
    if (MakePrivateFolder(ToUtf16(base)) != PrivateFolderState::Ready) return std::nullopt;
    base += "mutex/";
  } else {
    base = "/tmp/vanto-mutex-" + std::to_string(::geteuid()) + "/";
  }
  if (MakePrivateFolder(ToUtf16(base)) != PrivateFolderState::Ready) return std::nullopt;
  return base;
}

// Opens the lock file of Name; with Create it is made when missing. -1 on
// error, with ENOENT for a missing file.
int OpenLockFile(std::u16string_view Name, bool Create) {
  if (Name.empty()) {
    SetLastOSError(EINVAL);
    return -1;
  }
  const std::optional<std::string> folder = Folder();
  if (!folder) return -1;
  const std::string path = *folder + FileNameFor(Name);
  const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (Create ? O_CREAT : 0);
  int fd;
  while ((fd = ::open(path.c_str(), flags, 0600)) < 0 && errno == EINTR) {
  }
  if (fd < 0) {
    FailWithErrno();
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    SetLastOSError(EPERM);
    ::close(fd);
    return -1;
  }
  return fd;
}

bool OwnedHere(const std::string& Key) {
  std::lock_guard<std::mutex> lock(TableLock());
  const auto it = Table().find(Key);
  if (it == Table().end()) return false;
  for (const Handle& h : it->second)
    if (h.Owned) return true;
  return false;
}

void Keep(const std::string& Key, Handle H) {
  std::lock_guard<std::mutex> lock(TableLock());
  Table()[Key].push_back(H);
}

enum class Opening { Opened, NoMutex, Failed };
// Takes a handle (the shared lock on byte 0) through Fd when the mutex
// exists; behind the gate, so that it cannot vanish in between.
Opening TakeHandle(int Fd) {
  const Gate gate(Fd);
  if (!gate.Held()) return Opening::Failed;
  const std::optional<bool> exists = ByteHeldByOthers(Fd, kHandleByte);
  if (!exists) return Opening::Failed;
  if (!*exists) return Opening::NoMutex;
  return LockByte(Fd, F_RDLCK, kHandleByte, false) ? Opening::Opened : Opening::Failed;
}

}  // namespace

std::string FileNameFor(std::u16string_view Name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string bytes = ToUtf8(Name);
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || (c == '.' && i > 0);
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  if (out.size() <= kMaxFileName) return out;
  // Cut (never inside a "%XX") and add the FNV-1a hash of the whole name.
  size_t cut = kMaxFileName - 17;
  if (out[cut - 1] == '%') cut -= 1;
  else if (cut >= 2 && out[cut - 2] == '%') cut -= 2;
  uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  out.resize(cut);
  out.push_back('~');
  for (int shift = 60; shift >= 0; shift -= 4) out.push_back(kHex[(hash >> shift) & 15]);
  return out;
}

bool IsActive(std::u16string_view Name) {
  const int fd = OpenLockFile(Name, false);
  if (fd < 0) return false;
  const std::optional<bool> held = ByteHeldByOthers(fd, kHandleByte);
  ::close(fd);
  return held.value_or(false);
}

CreateResult Create(std::u16string_view Name) {
  const int fd = OpenLockFile(Name, true);
  if (fd < 0) return CreateResult::Failed;
  CreateResult result = CreateResult::Failed;
  {
    const Gate gate(fd);
    const std::optional<bool> exists = gate.Held() ? ByteHeldByOthers(fd, kHandleByte) : std::nullopt;
    if (exists && *exists) {
      result = CreateResult::Exists;
    } else if (exists && LockByte(fd, F_WRLCK, kOwnerByte, false) &&
               LockByte(fd, F_RDLCK, kHandleByte, false)) {
      result = CreateResult::Created;
    }
  }
  if (result != CreateResult::Created) {
    ::close(fd);
    return result;
  }
  Keep(FileNameFor(Name), Handle{fd, true, true});
  return result;
}

WaitResult Wait(std::u16string_view Name, int32_t Milliseconds) {
  const int fd = OpenLockFile(Name, false);
  if (fd < 0) return LastOSError() == ENOENT ? WaitResult::NoMutex : WaitResult::Failed;
  switch (TakeHandle(fd)) {
    case Opening::Opened:
      break;
    case Opening::NoMutex:
      ::close(fd);
      return WaitResult::NoMutex;
    case Opening::Failed:
      ::close(fd);
      return WaitResult::Failed;
  }
  const std::string key = FileNameFor(Name);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Milliseconds);
  while (true) {
    if (OwnedHere(key)) break;  // the process owns it already
    struct flock probe = ByteLock(F_WRLCK, kOwnerByte);
    if (::fcntl(fd, F_OFD_SETLK, &probe) == 0) {
      Keep(key, Handle{fd, true, false});
      return WaitResult::Acquired;
    }
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) {
      FailWithErrno();
      ::close(fd);
      return WaitResult::Failed;
    }
    const auto now = std::chrono::steady_clock::now();
    if (Milliseconds >= 0 && now >= deadline) {
      ::close(fd);
      return WaitResult::TimedOut;
    }
    auto pause = std::chrono::steady_clock::duration(std::chrono::milliseconds(10));
    if (Milliseconds >= 0 && deadline - now < pause) pause = deadline - now;
    std::this_thread::sleep_for(pause);
  }
  ::close(fd);
  return WaitResult::Acquired;
}

ReleaseResult Release(std::u16string_view Name) {
  const int fd = OpenLockFile(Name, false);
  if (fd < 0) return LastOSError() == ENOENT ? ReleaseResult::NoMutex : ReleaseResult::Failed;
  const std::optional<bool> exists = ByteHeldByOthers(fd, kHandleByte);
  ::close(fd);
  if (!exists) return ReleaseResult::Failed;
  if (!*exists) return ReleaseResult::NoMutex;
  std::lock_guard<std::mutex> lock(TableLock());
  const auto it = Table().find(FileNameFor(Name));
  if (it == Table().end()) return ReleaseResult::Released;
  std::vector<Handle>& handles = it->second;
  for (auto h = handles.begin(); h != handles.end(); ++h) {
    if (!h->Owned) continue;
    if (!h->Kept) {
      ::close(h->Fd);  // the handle of a wait: its lock goes with it
      handles.erase(h);
    } else {
      if (!LockByte(h->Fd, F_UNLCK, kOwnerByte, false)) return ReleaseResult::Failed;
      h->Owned = false;
    }
    break;
  }
  if (handles.empty()) Table().erase(it);
  return ReleaseResult::Released;
}

}  // namespace kx::platform::named_mutex
