// system/kxFiles_Copy.h — TkxFiles: copying and moving files: single files
// with a choice of what to do when the target exists, whole trees selected by
// a file mask, a one-way synchronisation of two trees, and copies that
// rebuild the source path below a new root.
//
// Terms used below:
//   - the free name of a path: kx::platform::FreeFileName(path), the path
//     itself when no entry of any kind (a file, hidden or not, a folder, a
//     link) holds that name, else the first free "name-2.ext", "name-3.ext",
//     ...;
//   - "same": the target exists (FileExists) and has the MD5 digest of the
//     source (CompareFile).
// The copies are made by the file layer (bytes, permission bits and the
// last-write time), staged beside the target and named only when complete:
// a copy that fails half way, or a crash, leaves no new file behind.
// Failures show in the result only and leave the reason in the last OS
// error, unless an operation says it raises.
#pragma once

#include <cstdint>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"

// What to do when the target of a copy or move exists already.
enum TkxEXISTS_MODE : uint8_t {
  IF_SAME_DO_NOTHING,
  OVERWRITE,
  UNIQE_FILENAME,
  IF_NOT_SAME_USE_UNIQUE_FILE_NAME,
};

namespace TkxFiles {

// ---- System copy -----------------------------------------------------------------

// Copies Source to Destination; false, changing nothing, when Destination
// exists. The same as CopyFile32(Source, Destination, 1).
bool CopyFile32(const UnicodeString& Source, const UnicodeString& Destination);

// The copy flags of the original platform's extended copy. Only the bit
// kCopyFileFailIfExists has a meaning here: without it an existing
// Destination is replaced (0 is the usual value); the other bits (restartable
// copies, unbuffered copies, ...) ask for nothing Linux needs and are ignored.
// A copy onto the source itself fails.
inline constexpr uint32_t kCopyFileFailIfExists = 0x00000001;
bool CopyFile32(const UnicodeString& Source, const UnicodeString& Destination, uint32_t CopyFlags);
// The flags as a plain number literal (CopyFile32(a, b, 0)), which would
// otherwise be as close to the Boolean of the tree copy below.
inline bool CopyFile32(const UnicodeString& Source, const UnicodeString& Destination, int CopyFlags) {
  return CopyFile32(Source, Destination, static_cast<uint32_t>(CopyFlags));
}

// By ExistMode:
//   IF_SAME_DO_NOTHING                copies nothing: true when same, else false
//                                     (a missing Destination gives false);
//   OVERWRITE                         copies with the flags 0, replacing Destination;
//   UNIQE_FILENAME                    CopyFileWithUniqueFileName;
//   IF_NOT_SAME_USE_UNIQUE_FILE_NAME  same: true, nothing copied; else
//                                     CopyFileWithUniqueFileName;
//   any other value                   false.
// Never raises: a comparison that fails (a missing Source) answers false.
bool CopyFile32(const UnicodeString& Source, const UnicodeString& Destination,
                TkxEXISTS_MODE ExistMode);

// The two-argument CopyFile32 to the free name of DestinationPath.
bool CopyFileWithUniqueFileName(const UnicodeString& SourceFilepath,
                                const UnicodeString& DestinationPath);

// ---- Trees -----------------------------------------------------------------------
// Source is masked ("/in/*.pdf"); its walk is detail::WalkMaskedSource of
// kxFiles_Listing.h (the root, and with subfolders every visible folder below
// it that is no link). In each walked folder the files matching the mask are
// taken under the plain-files filter, so hidden and system files are left
// alone. The matching target folder is the destination root followed by the
// folder's path relative to the source root; it is created when missing.
// A file that cannot be handled is passed over; the answer counts the
// successes.

// Copies every matching file with the flags 0 (replacing existing files).
// The destination root is the folder part of Destination, so a folder must
// be given with its closing separator.
int32_t CopyFile32(const UnicodeString& Source, const UnicodeString& Destination, bool SubFolders);

// Makes the destination tree (CheckPathExt(Destination)) mirror the matching
// files of the source tree:
//   1. ExclusionPaths (may be null): its entries are replaced by their
//      UpperText forms (the caller's list changes), and walked folders whose
//      UpperText form equals an entry are left out. Entries are whole folder
//      paths with their closing separator, as the walk writes them.
//   2. Each matching file is copied with the flags 0, except, without
//      OverWrite, one whose target exists with an equal GetFileDateTime.
//      A failed copy raises, with RaiseExceptions, Exception "copy file " +
//      source + " to " + target + " failed (" + the system's error text +
//      ")"; else it is passed over.
//   3. The destination tree is walked likewise (no exclusions) from the last
//      folder to the first: a matching file whose counterpart in the source
//      is no FileExists is deleted; a folder whose source folder does not
//      exist is removed when empty.
// A source root that does not exist (an unmounted share, a typing error)
// changes nothing and answers 0: mirroring it would empty the destination.
// The answer counts the copies.
int32_t SyncCopyFile32(const UnicodeString& Source, const UnicodeString& Destination,
                       bool SubFolders, bool OverWrite, bool RaiseExceptions,
                       TStrings* ExclusionPaths);

// Moves every matching file with the two-argument MoveFile32 into the folder
// part of Destination. With IgnoreFileAttributes hidden files are taken too,
// and each file is made writable for the move and gets its attributes back
// where it ends up (the source again when the move failed). With DeleteSourcePaths the walked folders are then made writable
// and removed, from the last to the first, when empty.
int32_t MoveFile32(const UnicodeString& Source, const UnicodeString& Destination, bool SubFolders,
                   bool IgnoreFileAttributes, bool DeleteSourcePaths);

// ---- Stream copy ----------------------------------------------------------------

// Copies the bytes through file streams (the copy gets the current time and
// default permissions). First, under a catch-all that answers false without
// copying: a Source that is not FileExists fails; Destination and Source are
// "same" when Destination exists, both file names are equal ignoring case
// and the digests are equal. Then by ExistMode:
//   IF_SAME_DO_NOTHING                same: true, nothing copied; else copied over Destination;
//   OVERWRITE                         same: Destination deleted first; copied over Destination;
//   UNIQE_FILENAME                    same: copied to the free name; else over Destination;
//   IF_NOT_SAME_USE_UNIQUE_FILE_NAME  equal file names (ignoring case, whatever
//                                     the contents): copied to the free name;
//                                     else over Destination;
//   any other value                   copied over Destination.
// A Destination that is Source itself (by the same or another name, a hard
// link too) is never copied over: every mode that would do so answers true
// and leaves the file as it is.
// Errors of the copy itself raise the stream exceptions (EFOpenError,
// EFCreateError, ...).
bool StreamCopyFile(const UnicodeString& Source, const UnicodeString& Destination,
                    TkxEXISTS_MODE ExistMode);

// Copies Source to the same path below DestinationStartPath:
// DestinationStartPath + Source from its first separator on (all of Source
// when it has none), trimmed, with every run of separators after the first
// character reduced to its first one (so "\\server" keeps its "\\"):
//   CopyFileKeepingPath32(u"/data/in/a.pdf", u"/backup/", false, OVERWRITE)
//   creates /backup/data/in/a.pdf
// The target's folders are created. A target of at most 254 characters is
// handled by StreamCopyFile / CopyFile32 with ExistMode, whose exceptions
// pass through. A longer target raises "destination path to long" with
// ErrorWhenPathToLong; without, it is copied by StreamCopyFile with ExistMode
// / the two-argument CopyFile32 (ExistMode not consulted) under a catch-all
// that answers false.
bool StreamCopyFileKeepingPath(const UnicodeString& Source,
                               const UnicodeString& DestinationStartPath,
                               bool ErrorWhenPathToLong, TkxEXISTS_MODE ExistMode);
bool CopyFileKeepingPath32(const UnicodeString& Source, const UnicodeString& DestinationStartPath,
                           bool ErrorWhenPathToLong, TkxEXISTS_MODE ExistMode);

// ---- Moves ------------------------------------------------------------------------

// Renames or moves a file (or a folder within one file system); fails,
// changing nothing, when Destination exists.
bool MoveFile32(const UnicodeString& Source, const UnicodeString& Destination);
// MoveFile32 to the free name of DestinationPath.
bool MoveFileWithUniqueFileName(const UnicodeString& SourceFilepath,
                                const UnicodeString& DestinationPath);
// The same, answering the path moved to, or empty when the move failed.
UnicodeString MoveAndGetFileWithUniqueFileName(const UnicodeString& SourceFilepath,
                                               const UnicodeString& DestinationPath);

// Makes Source writable (attributes archive only) and moves it to the free
// name of Destination.
bool ForceMoveFile32(const UnicodeString& Source, const UnicodeString& Destination);

// Moves Source by ExistMode and answers the path the file has now, or empty:
//   IF_SAME_DO_NOTHING                same: empty, nothing moved; else to the free name;
//   OVERWRITE                         to Destination itself, which must not exist
//                                     (else empty, both files unchanged);
//   UNIQE_FILENAME                    to the free name;
//   IF_NOT_SAME_USE_UNIQUE_FILE_NAME  same: Source removed (ForceDeleteFile)
//                                     unless it is Destination itself, answer
//                                     Destination; else to the free name;
//   any other value                   empty, nothing moved.
// The moved file keeps its last-write time (Linux cannot set a creation
// time). Raises "FileTime Convert Error" when Source is missing.
UnicodeString ForceMoveFile32(const UnicodeString& Source, const UnicodeString& Destination,
                              TkxEXISTS_MODE ExistMode);

}  // namespace TkxFiles
