// platform/file/FileSystem.h — the file system as the toolkits see it:
// directory searches, existence tests, folders, free space, new files,
// exclusive locks, owners, attributes, copies and moves.
//
// Everything above platform/ reaches files through this layer, never through
// POSIX calls of its own. The layer is this header with its neighbours:
//   Path.h           taking paths apart; the name handed to a system call;
//   FileReader.h     reading at offsets without loading; whole small files;
//   AtomicReplace.h  replacing a whole file so no reader sees half of it;
//   FileTimes.h      setting file times;
//   PrivateFolder.h  folders of the current user inside shared folders;
//   InPlaceFile.h    rewriting an existing file where it lies (wiping);
//   Trash.h          moving entries into the desktop's trash;
//   ErrorText.h      the system's text for an error number;
// and the streams of platform/rtl/Stream.h.
// Paths follow the rule of Path.h ("\" and "/" both separate; drive and
// network paths name nothing). Nothing here raises: a failing call answers
// false, -1 or nothing and leaves its errno in the last OS error
// (platform/os/LastError.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Text.h"

namespace kx::platform {

// ---- Directory search ---------------------------------------------------------

// Attribute bits, with the original platform's values. Linux has none of
// them, so they are made from what it has:
//   hidden:    the name begins with ".";
//   folder:    a folder, after following links;
//   system:    neither a regular file nor a folder after following links
//              (devices, FIFOs, sockets, dangling links);
//   read-only: the owner's write bit is clear;
//   archive:   every regular file.
enum : uint32_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faDirectory = 0x10,
  faArchive = 0x20,
};

// Search filters. An entry is returned only when it carries none of hidden,
// system and folder that the filter does not name:
enum : uint32_t {
  kPlainFiles = 0,                     // neither hidden nor system; no folders
  kPlainAndHiddenFiles = faHidden,     // not system, hidden ones included; no folders
  kFolders = faDirectory,              // folders, and files neither hidden nor system
  kAnyEntry = faHidden | faSysFile | faDirectory,  // everything
};

// A point in time as the file system keeps it: UTC since 1970-01-01.
struct FileTime {
  int64_t Seconds = 0;
  uint32_t Nanoseconds = 0;
};

struct FileEntry {
  UnicodeString Name;        // the name alone, without its folder
  uint32_t Attributes = 0;
  int64_t Size = 0;          // bytes of a regular file; 0 for every other kind
  FileTime CreationTime;     // the birth time where the file system keeps one,
                             // else the last-write time
  FileTime LastAccessTime;
  FileTime LastWriteTime;
};

// The entries that SearchPath names, after the filter, sorted by name
// without regard to case and then ordinally, so that "the first match" is
// the same on every run and every file system.
//   - Only the last component may be a mask (Mask.h); it is matched against
//     every name in its folder. A last component without wildcards is looked
//     up directly, case-sensitively.
//   - "." and ".." are never returned; there are no short 8.3 names.
//   - A search path ending in a separator names nothing.
// Empty when nothing matches or the folder cannot be read.
//   FindEntries(u"/in/*.pdf", kPlainFiles)  -> the visible PDF files of /in
std::vector<FileEntry> FindEntries(std::u16string_view SearchPath, uint32_t Filter);
// The first entry of FindEntries; false when there is none.
bool FindFirstEntry(std::u16string_view SearchPath, uint32_t Filter, FileEntry& Entry);

// ---- Existence and folders ------------------------------------------------------

// Any entry of exactly this name, of any kind, hidden or not; a link counts
// even when its target is gone.
bool EntryExists(std::u16string_view Path);
// A regular file, after following links, whatever its name: a file that the
// system has just written or that a host handed over counts also when its
// name starts with "." (which the listings and FileExists take as hidden).
// A folder, a FIFO, a device, a dangling link and a path that names nothing
// here do not count.
bool RegularFileExists(std::u16string_view Path);
// A folder, after following links.
bool DirectoryExists(std::u16string_view Path);
// Creates one folder (the levels above must exist); false when it exists.
bool CreateDirectory(std::u16string_view Path);

// Bytes that an unprivileged user may still write on the file system of
// Path, or of its nearest existing folder when Path does not exist (a
// relative path resolves against the working folder). -1 for an empty path,
// for drive and network paths, and when the system cannot tell.
int64_t FreeDiskSpace(std::u16string_view Path);

// ---- Free names -------------------------------------------------------------------

// The free-name search: candidates, with n = 1, 2, ...: Destination itself
// for n = 1 unless AlwaysAddId, else stem + Separator + n + extension (the
// extension of the file-name part, ExtractFileExt; with WithLeadingZero n has
// at least 6 digits). After building candidate n the search stops when n is
// not below MaxRetry (0 acts like 1); otherwise the first candidate that
// Taken refuses is the answer. When the last candidate built is taken too,
// stem + Separator + the local time "yyyymmddhhnnsszzz" + extension is
// tried, with the time read afresh, until Taken refuses it. Nothing is
// created or reserved.
UnicodeString FreeFileName(const UnicodeString& Destination, uint32_t MaxRetry,
                           const UnicodeString& Separator, bool AlwaysAddId, bool WithLeadingZero,
                           const std::function<bool(const UnicodeString&)>& Taken);
// The free name of a path that the system is about to create: Path itself
// when no entry of any kind holds that name (EntryExists: a folder, a
// dot-named file and a dangling link all hold it), else "-2", "-3", ...
// before the extension.
//   "/out/doc.xml" and "/out/.doc-2.xml" exist, "/out/doc-2.xml" is a
//   folder: FreeFileName(u"/out/doc.xml") == u"/out/doc-3.xml"
UnicodeString FreeFileName(const UnicodeString& Path);

// ---- Files ----------------------------------------------------------------------

// Creates an empty file of this name and closes it; false when any entry of
// that name exists already (never truncates) or the folder is missing.
bool CreateNewFile(std::u16string_view Path);

// Opens an existing file for writing (never creates one) and holds an
// exclusive lock on it until UnlockFile. The locks are advisory: they keep
// out every opener that goes through this layer, in this process or any
// other, but not programs that do not lock. kInvalidLock when the file is
// missing, cannot be written, or is open under a lock elsewhere.
inline constexpr uintptr_t kInvalidLock = UINTPTR_MAX;
uintptr_t LockFile(std::u16string_view Path);
// Closes the file of a lock; false for kInvalidLock or a handle that is not
// open.
bool UnlockFile(uintptr_t Handle);

// The account name of the file's owner; false when the file is missing or
// its owner has no account entry.
bool FileOwnerName(std::u16string_view Path, std::string& Name);

// Sets the attributes that Linux can carry: faReadOnly clears every write
// bit, its absence sets the owner's write bit back. Hidden follows the name
// and cannot be set; the other bits are ignored.
bool SetFileAttributes(std::u16string_view Path, uint32_t Attributes);

// Copies a regular file's bytes (copy_file_range, so the kernel may share
// blocks), its permission bits and its last-write time. The copy is written
// to a staged file beside Target (StagedFile.h) and named Target only when
// complete, so a copy that fails half way, or a crash, leaves nothing under
// Target. With FailIfExists an existing Target makes it fail untouched;
// without, Target is replaced in one step, unless it is Source itself.
// Source must be a regular file after following links: a FIFO, a device or a
// folder fails at once (errno EINVAL, EISDIR), never waiting for a writer.
bool CopyFile(std::u16string_view Source, std::u16string_view Target, bool FailIfExists);

// The copies that a document references: Source copied as CopyFile does, its
// bytes synced to disk (fdatasync), then published without replacing under
// FreeFileName(Target); when another writer takes that name meanwhile, the
// next free name is used. Published receives the name used. False with the
// last OS error set when the copy cannot be made (nothing is left behind).
bool CopyFileToFreeName(std::u16string_view Source, const UnicodeString& Target,
                        UnicodeString& Published);
// The same for bytes in memory: a new file of mode 0666 less the umask.
bool WriteFileToFreeName(std::string_view Bytes, const UnicodeString& Target,
                         UnicodeString& Published);

// Renames or moves a file or folder; fails, changing nothing, when Target
// exists. A file moves across file systems by copy and delete; a folder
// cannot.
bool MoveFile(std::u16string_view Source, std::u16string_view Target);

}  // namespace kx::platform
