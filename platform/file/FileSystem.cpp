#include "platform/file/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/file/FaultInjection.h"
#include "platform/file/FileDescriptor.h"
#include "platform/file/Mask.h"
#include "platform/file/Path.h"
#include "platform/file/StagedFile.h"
#include "platform/os/LastError.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

namespace kx::platform {
namespace {

constexpr uint32_t kFilteredBits = faHidden | faSysFile | faDirectory;

bool Fail() {
  SetLastOSError(errno);
  return false;
}

bool PassesFilter(uint32_t attributes, uint32_t filter) {
  return (attributes & kFilteredBits & ~filter) == 0;
}

FileTime ToFileTime(const struct statx_timestamp& t) {
  return {t.tv_sec, t.tv_nsec};
}

// Fills Entry from the entry Name in the folder DirFd (AT_FDCWD: Name is a
// whole path), following links; a link whose target is gone describes the
// link itself as a system entry.
bool Describe(int dirFd, const char* name, FileEntry& entry) {
  struct statx sx {};
  const unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
  if (::statx(dirFd, name, AT_STATX_SYNC_AS_STAT, mask, &sx) != 0) {
    if (errno != ENOENT && errno != ELOOP) return Fail();
    if (::statx(dirFd, name, AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW, mask, &sx) != 0)
      return Fail();
  }
  uint32_t attributes = 0;
  if (S_ISDIR(sx.stx_mode))
    attributes |= faDirectory;
  else if (S_ISREG(sx.stx_mode))
    attributes |= faArchive;
  else
    attributes |= faSysFile;
  if ((sx.stx_mode & S_IWUSR) == 0) attributes |= faReadOnly;
  if (entry.Name.starts_with(u'.')) attributes |= faHidden;
  entry.Attributes = attributes;
  entry.Size = S_ISREG(sx.stx_mode) ? static_cast<int64_t>(sx.stx_size) : 0;
  entry.LastAccessTime = ToFileTime(sx.stx_atime);
  entry.LastWriteTime = ToFileTime(sx.stx_mtime);
  entry.CreationTime = (sx.stx_mask & STATX_BTIME) != 0 ? ToFileTime(sx.stx_btime) : entry.LastWriteTime;
  return true;
}

void SortEntries(std::vector<FileEntry>& entries) {
  if (entries.size() < 2) return;
  std::vector<std::pair<std::u32string, size_t>> keys;
  keys.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) keys.emplace_back(UpperCodePoints(entries[i].Name), i);
  std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return entries[a.second].Name < entries[b.second].Name;
  });
  std::vector<FileEntry> sorted;
  sorted.reserve(entries.size());
  for (const auto& k : keys) sorted.push_back(std::move(entries[k.second]));
  entries = std::move(sorted);
}

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// Stages a copy of Source (a regular file) beside Target: its bytes, its
// permission bits and its times, ready to be published. Null with the last
// OS error set when that fails; nothing is left behind then.
std::unique_ptr<StagedFile> StageCopy(std::u16string_view Source, const std::string& target,
                                      struct stat& source) {
  std::string from;
  if (!ToSystemPath(Source, from)) return nullptr;
  const int in = OpenRegularForReading(from.c_str());
  if (in < 0) {
    Fail();
    return nullptr;
  }
  auto staged = ::fstat(in, &source) == 0 ? std::make_unique<StagedFile>(target, source.st_mode & 07777)
                                          : nullptr;
  bool ok = staged && staged->Fd() >= 0;
  if (ok) {
    staged->SetMode(source.st_mode & 07777);
    staged->SyncDataOnly();
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    ok = staged->CopyFrom(in) && ::futimens(staged->Fd(), times) == 0;
  }
  const int error = errno;
  ::close(in);
  if (ok) return staged;
  SetLastOSError(error);
  return nullptr;
}

// Publishes Staged without replacing under the free name of Target, taking
// the next free name while another writer takes the one found.
bool PublishAtFreeName(StagedFile& staged, const UnicodeString& Target, UnicodeString& Published) {
  UnicodeString last;
  for (;;) {
    UnicodeString name = FreeFileName(Target);
    std::string system;
    if (name == last || !ToSystemPath(name, system)) {
      if (name == last) SetLastOSError(EEXIST);
      return false;
    }
    const StagedFile::PublishResult published = staged.Publish(system, false);
    if (published) {
      Published = std::move(name);
      return true;
    }
    if (published.Result != StagedFile::PublishResult::NameTaken) return Fail();
    last = std::move(name);
  }
}

}  // namespace

// ---- Directory search ---------------------------------------------------------

std::vector<FileEntry> FindEntries(std::u16string_view SearchPath, uint32_t Filter) {
  std::vector<FileEntry> entries;
  std::string whole;
  if (!ToSystemPath(SearchPath, whole)) return entries;
  const UnicodeString mask = ExtractFileName(SearchPath);
  if (mask.empty() || mask == u"." || mask == u"..") {
    SetLastOSError(ENOENT);
    return entries;
  }

  if (!HasWildcards(mask)) {
    FileEntry entry;
    entry.Name = mask;
    if (Describe(AT_FDCWD, whole.c_str(), entry) && PassesFilter(entry.Attributes, Filter))
      entries.push_back(std::move(entry));
    return entries;
  }

  const UnicodeString folder = ExtractFilePath(SearchPath);
  std::string folderName = ".";
  if (!folder.empty() && !ToSystemPath(folder, folderName)) return entries;
  const int dirFd = OpenRetrying(folderName.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirFd < 0) {
    Fail();
    return entries;
  }
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(dirFd));
  if (!dir) {
    Fail();
    ::close(dirFd);
    return entries;
  }
  for (;;) {
    errno = 0;
    const dirent* d = ::readdir(dir.get());
    if (d == nullptr) {
      if (errno != 0) Fail();
      break;
    }
    const std::string_view raw(d->d_name);
    if (raw == "." || raw == "..") continue;
    FileEntry entry;
    entry.Name = ToUtf16(raw);
    if (!MatchesMask(entry.Name, mask)) continue;
    // Sort out what the name and the entry type already tell before asking
    // for the rest.
    uint32_t known = entry.Name.starts_with(u'.') ? uint32_t{faHidden} : 0u;
    switch (d->d_type) {
      case DT_DIR: known |= faDirectory; break;
      case DT_REG: case DT_LNK: case DT_UNKNOWN: break;
      default: known |= faSysFile; break;
    }
    if (!PassesFilter(known, Filter)) continue;
    if (!Describe(::dirfd(dir.get()), d->d_name, entry)) continue;
    if (PassesFilter(entry.Attributes, Filter)) entries.push_back(std::move(entry));
  }
  SortEntries(entries);
  return entries;
}

bool FindFirstEntry(std::u16string_view SearchPath, uint32_t Filter, FileEntry& Entry) {
  std::vector<FileEntry> entries = FindEntries(SearchPath, Filter);
  if (entries.empty()) return false;
  Entry = std::move(entries.front());
  return true;
}

// ---- Existence and folders ------------------------------------------------------

bool EntryExists(std::u16string_view Path) {
  std::string name;
  struct stat st {};
  if (!ToSystemPath(Path, name)) return false;
  return ::lstat(name.c_str(), &st) == 0 || Fail();
}

bool RegularFileExists(std::u16string_view Path) {
  std::string name;
  struct stat st {};
  if (!ToSystemPath(Path, name)) return false;
  if (::stat(name.c_str(), &st) != 0) return Fail();
  if (S_ISREG(st.st_mode)) return true;
  SetLastOSError(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  return false;
}

bool DirectoryExists(std::u16string_view Path) {
  std::string name;
  struct stat st {};
  if (!ToSystemPath(Path, name)) return false;
  if (::stat(name.c_str(), &st) != 0) return Fail();
  if (S_ISDIR(st.st_mode)) return true;
  SetLastOSError(ENOTDIR);
  return false;
}

bool CreateDirectory(std::u16string_view Path) {
  std::string name;
  if (!ToSystemPath(Path, name)) return false;
  return ::mkdir(name.c_str(), 0777) == 0 || Fail();
}

int64_t FreeDiskSpace(std::u16string_view Path) {
  std::string name;
  if (!ToSystemPath(Path, name)) return -1;
  for (;;) {
    struct statvfs fs {};
    if (::statvfs(name.c_str(), &fs) == 0)
      return static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize);
    if (errno != ENOENT && errno != ENOTDIR) break;
    // Up one level: drop trailing separators, then the last component.
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    const size_t slash = name.rfind('/');
    if (slash == std::string::npos) {
      if (name == ".") break;
      name = ".";
    } else {
      name.resize(slash == 0 ? 1 : slash);
    }
  }
  SetLastOSError(errno);
  return -1;
}

// ---- Free names -------------------------------------------------------------------

UnicodeString FreeFileName(const UnicodeString& Destination, uint32_t MaxRetry,
                           const UnicodeString& Separator, bool AlwaysAddId, bool WithLeadingZero,
                           const std::function<bool(const UnicodeString&)>& Taken) {
  const UnicodeString extension = ExtractFileExt(Destination);
  const UnicodeString stem = Destination.substr(0, Destination.size() - extension.size());
  UnicodeString candidate;
  for (uint64_t n = 1;; ++n) {
    if (n == 1 && !AlwaysAddId) {
      candidate = Destination;
    } else {
      UnicodeString number = ToUtf16(std::to_string(n));
      if (WithLeadingZero && number.size() < 6) number.insert(0, 6 - number.size(), u'0');
      candidate = stem + Separator + number + extension;
    }
    if (n >= MaxRetry) break;
    if (!Taken(candidate)) return candidate;
  }
  while (Taken(candidate))
    candidate = stem + Separator + FormatDateTime(u"yyyymmddhhnnsszzz", Now()) + extension;
  return candidate;
}

UnicodeString FreeFileName(const UnicodeString& Path) {
  return FreeFileName(Path, 99999999, u"-", false, false,
                      [](const UnicodeString& candidate) { return EntryExists(candidate); });
}

// ---- Files ----------------------------------------------------------------------

bool CreateNewFile(std::u16string_view Path) {
  std::string name;
  if (!ToSystemPath(Path, name)) return false;
  const int fd = OpenRetrying(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) return Fail();
  ::close(fd);
  return true;
}

uintptr_t LockFile(std::u16string_view Path) {
  std::string name;
  if (!ToSystemPath(Path, name)) return kInvalidLock;
  const int fd = OpenRetrying(name.c_str(), O_WRONLY);
  if (fd < 0) {
    Fail();
    return kInvalidLock;
  }
  if (!TryLock(fd, LOCK_EX)) {
    Fail();
    ::close(fd);
    return kInvalidLock;
  }
  return static_cast<uintptr_t>(fd);
}

bool UnlockFile(uintptr_t Handle) {
  if (Handle == kInvalidLock || Handle > static_cast<uintptr_t>(INT32_MAX)) {
    SetLastOSError(EBADF);
    return false;
  }
  return ::close(static_cast<int>(Handle)) == 0 || Fail();
}

bool FileOwnerName(std::u16string_view Path, std::string& Name) {
  std::string name;
  struct stat st {};
  if (!ToSystemPath(Path, name)) return false;
  if (::stat(name.c_str(), &st) != 0) return Fail();
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(size > 0 ? static_cast<size_t>(size) : 4096, '\0');
  for (;;) {
    struct passwd entry {};
    struct passwd* found = nullptr;
    const int rc = ::getpwuid_r(st.st_uid, &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < (size_t{1} << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || found == nullptr) {
      SetLastOSError(rc != 0 ? rc : ENOENT);
      return false;
    }
    Name = found->pw_name;
    return true;
  }
}

bool SetFileAttributes(std::u16string_view Path, uint32_t Attributes) {
  std::string name;
  struct stat st {};
  if (!ToSystemPath(Path, name)) return false;
  if (::stat(name.c_str(), &st) != 0) return Fail();
  mode_t mode = st.st_mode & 07777;
  mode = (Attributes & faReadOnly) != 0 ? (mode & ~mode_t{0222}) : (mode | S_IWUSR);
  return ::chmod(name.c_str(), mode) == 0 || Fail();
}

bool CopyFile(std::u16string_view Source, std::u16string_view Target, bool FailIfExists) {
  std::string to;
  if (!ToSystemPath(Target, to)) return false;
  struct stat existing {};
  const bool exists = ::lstat(to.c_str(), &existing) == 0;
  if (exists && FailIfExists) {
    SetLastOSError(EEXIST);
    return false;
  }
  struct stat source {};
  std::unique_ptr<StagedFile> staged = StageCopy(Source, to, source);
  if (!staged) return false;
  // A copy onto the source itself would replace it by itself: refused.
  struct stat target {};
  if (exists && ::stat(to.c_str(), &target) == 0 && target.st_dev == source.st_dev &&
      target.st_ino == source.st_ino) {
    SetLastOSError(EINVAL);
    return false;
  }
  return staged->Publish(to, !FailIfExists) || Fail();
}

bool CopyFileToFreeName(std::u16string_view Source, const UnicodeString& Target,
                        UnicodeString& Published) {
  std::string to;
  if (!ToSystemPath(Target, to)) return false;
  struct stat source {};
  std::unique_ptr<StagedFile> staged = StageCopy(Source, to, source);
  return staged && PublishAtFreeName(*staged, Target, Published);
}

bool WriteFileToFreeName(std::string_view Bytes, const UnicodeString& Target,
                         UnicodeString& Published) {
  std::unique_ptr<StagedFile> staged;
  try {
    staged = std::make_unique<StagedFile>(Target);  // 0666 less the umask
  } catch (const Exception&) {
    SetLastOSError(errno != 0 ? errno : EIO);
    return false;
  }
  staged->SyncDataOnly();
  if (!staged->Write(Bytes)) return Fail();
  return PublishAtFreeName(*staged, Target, Published);
}

bool MoveFile(std::u16string_view Source, std::u16string_view Target) {
  std::string from, to;
  if (!ToSystemPath(Source, from) || !ToSystemPath(Target, to)) return false;
  if (RenameFile(from.c_str(), to.c_str(), true)) return true;
  if (errno == EINVAL) {
    // A file system without RENAME_NOREPLACE: test, then rename.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
      SetLastOSError(EEXIST);
      return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 || Fail();
  }
  if (errno != EXDEV) return Fail();
  struct stat st {};
  if (::lstat(from.c_str(), &st) != 0) return Fail();
  if (!S_ISREG(st.st_mode)) {
    SetLastOSError(EXDEV);
    return false;
  }
  if (!CopyFile(Source, Target, true)) return false;
  if (::unlink(from.c_str()) != 0) {
    const int error = errno;
    ::unlink(to.c_str());
    SetLastOSError(error);
    return false;
  }
  return true;
}

}  // namespace kx::platform
