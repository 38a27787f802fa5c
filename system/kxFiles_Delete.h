// system/kxFiles_Delete.h — TkxFiles: deleting files with retries, wiping
// files, and removing empty folders.
//
// None of these operations raises; failures show in the results only.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/rtl/Text.h"

namespace TkxFiles {

// Up to 10 tries, each making the file writable (attributes archive only)
// and deleting it, with a pause of 100 ms after a failed try; stops as soon
// as no file of that name is left. True when none is left, so a missing file
// answers true (after one failed try and one pause), and so does a folder,
// which is never deleted. A hidden file counts as left while it is there.
bool ForceDeleteFile(const UnicodeString& Filename);

// Deletes with ForceDeleteFile every file matching the masked Source
// ("/tmp/*.*"), in its folder and with Subfolder in every visible folder
// below it that is no link (the walk of kxFiles_Listing.h); hidden and
// system files are left alone. With AgeInMin above 0 only files whose
// GetFileAgeInMinutes is at least AgeInMin; with RetainExecutables never a
// file with the extension ".dll", ".exe", ".com" or ".sys" (any case).
// Folders stay. The answer counts the files removed.
int32_t DeleteFile32(const UnicodeString& Source, uint32_t AgeInMin, bool Subfolder,
                     bool RetainExecutables);

// Removes the folder part of Path ("/t/x.txt" and "/t/" give "/t/"); with
// Recursive first every folder GetPathList lists below it, deepest first.
// Files are never deleted, so a folder holding a file (or a hidden folder)
// stays, with the folders above it; every other empty folder goes. True when
// every removal succeeded.
bool DeletePath(const UnicodeString& Path, bool Recursive);

// Moves the file (or a folder with all it holds) into the user's trash, the
// one the desktop's file manager shows (kx::platform::MoveToTrash of
// platform/file/Trash.h): the home trash when the file lies on its file
// system, else the trash at the top of the file's own file system. True when
// it went there. It is never deleted instead: a file whose file system
// offers no usable trash, a missing file and a failed move answer false and
// leave it where it was. The name is taken as it is; "*" and "?" are no
// wildcards here.
bool MoveFileToRecycleBin(const UnicodeString& SFileName);

// Overwrites the file in place, renames it and deletes it. The file is
// worked through in blocks of up to 64 KiB; each block is written
// RewrittenTimes times (below 1 means 7, once a block with bytes was read)
// with the pass patterns 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xF6 and then
// one random upper-case letter per pass, and each pass is synced to the
// device before the next one is written. Then the file is renamed
// RenameTimes times in its own folder to a new GUID text ("{...}"), cut to
// 0 bytes and deleted. False when the file cannot be opened for reading and
// writing, or a step fails (the file may then be left overwritten under a
// GUID name). A symbolic link is refused (false, nothing touched): it would
// have the wipe overwrite a file outside the folder and leave it there.
// Overwriting guarantees no erasure where the file system or the device
// writes elsewhere than in place (journaling of data, copy-on-write file
// systems, snapshots, flash memory).
bool WipeFile(const UnicodeString& SzFilename, int32_t RewrittenTimes, int32_t RenameTimes);

// WipeFile for every entry matching APath + AFindMask (hidden and system
// entries included; a folder that matches fails there silently), and with
// AWithSub the same in every folder below APath, hidden ones included, but
// never through a link to a folder (it leads out of the tree). Nothing
// happens when APath or AFindMask is empty. Folders are not removed.
void SecureDeleteFiles(const UnicodeString& APath, const UnicodeString& AFindMask, bool AWithSub,
                       int32_t RewrittenTimes, int32_t RenameTimes);

// The folder holds nothing at all (no files, folders or hidden entries). A
// missing folder answers false.
bool DirectoryIsEmpty(const UnicodeString& Path);
// Removes the folder when it exists (links followed) and DirectoryIsEmpty;
// true when it was removed.
bool DeleteDirectoryIsEmpty(const UnicodeString& Path);

namespace detail {

// For tests: each pass of WipeFile over a block, reported once its bytes
// were written and synced.
struct WipePass {
  int64_t Offset;
  int64_t Count;
  int32_t Pass;  // from 1
  uint8_t Pattern;
};
// Observer is called for every pass from now on; nullptr stops it.
void SetWipeObserverForTesting(std::function<void(const WipePass&)> Observer);

}  // namespace detail

}  // namespace TkxFiles
