#include "platform/file/Trash.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <string>

#include "platform/file/FileDescriptor.h"
#include "platform/file/Path.h"
#include "platform/os/Folders.h"
#include "platform/os/LastError.h"
#include "platform/rtl/Clock.h"

namespace kx::platform {
namespace {

constexpr int kMaxNumberedNames = 100000;

std::string& TestTop() {
  static std::string top;
  return top;
}

bool Fail(int error) {
  SetLastOSError(error);
  return false;
}

std::string Parent(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

// The folder's real path (links resolved); empty when it cannot be had.
std::string RealFolder(const std::string& folder) {
  std::unique_ptr<char, decltype(&::free)> real(::realpath(folder.c_str(), nullptr), &::free);
  return real ? std::string(real.get()) : std::string();
}

// The device of Path, or of its nearest existing folder above.
std::optional<dev_t> DeviceOf(std::string path) {
  for (;;) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return st.st_dev;
    if (errno != ENOENT || path == "/" || path == ".") return std::nullopt;
    path = Parent(path);
  }
}

// A folder of this user's own, not a link, made (0700) when missing.
bool OwnFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return Fail(errno);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return Fail(errno);
  if (!S_ISDIR(st.st_mode)) return Fail(S_ISLNK(st.st_mode) ? ELOOP : ENOTDIR);
  if (st.st_uid != ::getuid()) return Fail(EACCES);
  return true;
}

// Path and every missing folder above it, made 0700 (the home trash's
// parents, such as ~/.local/share).
bool MakeFolders(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) || Fail(ENOTDIR);
  if (errno != ENOENT || path == "/" || path == ".") return Fail(errno);
  if (!MakeFolders(Parent(path))) return false;
  return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST || Fail(errno);
}

// A trash folder with its files/ and info/ ready.
bool Ready(const std::string& trash) {
  return OwnFolder(trash) && OwnFolder(trash + "/files") && OwnFolder(trash + "/info");
}

// The top folder of the file system Device that holds Folder (a real path).
std::string TopOf(std::string folder, dev_t device) {
  const std::string& test = TestTop();
  while (folder != "/" && folder != test) {
    const std::string up = Parent(folder);
    struct stat st {};
    if (::stat(up.c_str(), &st) != 0 || st.st_dev != device) break;
    folder = up;
  }
  return folder;
}

// The trash at Top usable by this user: Top/.Trash/UID under an
// administrator's sticky .Trash, else Top/.Trash-UID; empty when neither.
std::string TopTrash(const std::string& top) {
  const std::string uid = std::to_string(::getuid());
  const std::string shared = Join(top, ".Trash");
  struct stat st {};
  if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0 &&
      Ready(shared + "/" + uid))
    return shared + "/" + uid;
  const std::string own = Join(top, ".Trash-" + uid);
  return Ready(own) ? own : std::string();
}

std::string DeletionDate() {
  uint16_t y, mo, d, h, mi, s, ms;
  DecodeDateTime(Now(), y, mo, d, h, mi, s, ms);
  const auto digits = [](unsigned value, size_t width) {
    std::string text = std::to_string(value);
    return std::string(text.size() < width ? width - text.size() : 0, '0') + text;
  };
  return digits(y, 4) + "-" + digits(mo, 2) + "-" + digits(d, 2) + "T" + digits(h, 2) + ":" +
         digits(mi, 2) + ":" + digits(s, 2);
}

// Name, or for N above 1 name-N.ext (the extension from the last dot that
// is not the first character).
std::string Numbered(const std::string& name, int n) {
  if (n == 1) return name;
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) dot = name.size();
  return name.substr(0, dot) + "-" + std::to_string(n) + name.substr(dot);
}

// Writes Content as the new file Info; false with errno EEXIST when the
// name is taken. Nothing is left behind on failure.
bool CreateInfo(const std::string& info, const std::string& content) {
  const int fd = OpenRetrying(info.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, content) && SyncFile(fd, false);
  int error = errno;
  if (!CloseWritten(fd) && ok) {
    ok = false;
    error = errno;
  }
  if (ok) return true;
  ::unlink(info.c_str());
  errno = error;
  return false;
}

bool Rename(const std::string& from, const std::string& to) {
  if (RenameFile(from.c_str(), to.c_str(), true)) return true;
  if (errno != EINVAL) return false;
  // A file system without RENAME_NOREPLACE: test, then rename.
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return RenameFile(from.c_str(), to.c_str(), false);
}

}  // namespace

bool MoveToTrash(std::u16string_view Path) {
  std::string name;
  if (!ToSystemPath(Path, name)) return false;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  const size_t slash = name.rfind('/');
  const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (base.empty() || base == "." || base == ".." || name == "/") return Fail(EINVAL);
  const std::string folder = RealFolder(slash == std::string::npos ? "." : Parent(name));
  if (folder.empty()) return Fail(errno);
  const std::string entry = Join(folder, base);
  struct stat st {};
  if (::lstat(entry.c_str(), &st) != 0) return Fail(errno);

  std::string trash;
  std::string original = entry;
  const std::string data = SpecialFolderPath(28);
  const std::string home = data.empty() ? std::string() : data + "/Trash";
  if (!home.empty() && DeviceOf(home) == st.st_dev) {
    if (!MakeFolders(data) || !Ready(home)) return false;
    trash = home;
  } else {
    const std::string top = TopOf(folder, st.st_dev);
    trash = TopTrash(top);
    if (trash.empty()) return false;
    original = entry.substr(top == "/" ? 1 : top.size() + 1);
  }

  const std::string content = "[Trash Info]\nPath=" + PercentEncodedPath(original) +
                              "\nDeletionDate=" + DeletionDate() + "\n";
  for (int n = 1; n <= kMaxNumberedNames; ++n) {
    const std::string target = Numbered(base, n);
    const std::string info = trash + "/info/" + target + ".trashinfo";
    if (!CreateInfo(info, content)) {
      if (errno == EEXIST) continue;
      return Fail(errno);
    }
    if (Rename(entry, trash + "/files/" + target)) return true;
    const int error = errno;
    ::unlink(info.c_str());
    if (error != EEXIST) return Fail(error);  // else a stray entry in files/: the next name
  }
  return Fail(EEXIST);
}

void SetTrashTopForTesting(std::u16string_view Folder) {
  std::string name;
  TestTop() = Folder.empty() || !ToSystemPath(Folder, name) ? std::string() : RealFolder(name);
}

}  // namespace kx::platform
