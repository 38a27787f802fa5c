// system/kxFiles_Contents.h — TkxFiles: whole-file load and save, merging,
// sizes, free space, comparison by content, locks and owners.
//
// File contents are 8-bit strings holding the file's bytes unchanged (no
// code page, byte-order mark or line-end conversion).
//
// Access modes are the open modes of platform/rtl/Stream.h: 0 read, 1
// write, 2 read and write, or'ed with the sharing 0x00/0x10 (none), 0x20
// (others may read), 0x30 (others may write), 0x40 (others may do both);
// fmCreate (0xFF00) creates the file anew. Sharing is an advisory lock (flock) that
// binds every opener going through this system, in this process or
// another; programs that do not lock are not held off.
#pragma once

#include <cstdint>

#include "platform/rtl/Text.h"

namespace TkxFiles {

// ---- Load and save -----------------------------------------------------------

// The whole file into Data, opened with mode 0x0020 (read, others may read
// too); false for every failure (missing, locked, unreadable, 2 GiB or
// more). Data may have been resized when the read fails.
bool LoadFileToString(const UnicodeString& FileName, AnsiString& Data);
// The same with the caller's AccessMode. Pass the mode as uint16_t: a plain
// int argument selects the MaxSize form below.
bool LoadFileToString(const UnicodeString& FileName, AnsiString& Data, uint16_t AccessMode);
// The first MaxSize bytes (all of a smaller file) with mode 0x0020; false
// for a negative MaxSize.
bool LoadFileToString(const UnicodeString& FileName, AnsiString& Data, int32_t MaxSize);

// Writes Data to FileName: anew (fmCreate, replacing an existing file),
// or with Append at the end of an existing file (mode 0x0002) and anew when
// no entry of that name exists, hidden files included. With MD5Check the
// whole file as it now is gets digested (mode 0x0020) and must equal MD5
// exactly, upper-case digits and all. Every failure answers false; bytes
// already written stay in the file.
bool SaveStringToFile(const UnicodeString& FileName, const AnsiString& Data, bool Append,
                      bool MD5Check, const AnsiString& MD5);

// Appends the whole first file to the end of the second. False when either
// is not FileExists; the errors of opening (a file locked elsewhere, also a
// file merged onto itself) and copying raise the stream exceptions.
bool MergeFiles(const UnicodeString& FirstFileName, const UnicodeString& SecondFileName);

// Creates an empty file; false when any entry of that name exists (hidden
// files and folders included; an existing file is never emptied) or the
// system refuses (for instance a missing folder).
bool CreateBlankFile(const UnicodeString& Filename);

// ---- Sizes and free space ----------------------------------------------------
// Sizes are 64-bit. Entries that are not regular files (folders, devices)
// have size 0.

// 0 for an empty Name; else the size of the first entry matching Name (a
// mask allowed) of any kind, hidden ones included; 0 when none matches.
int64_t GetSizeOfFile(const UnicodeString& Name);
// 0 unless FileExists holds (so a hidden file gives 0); else the size of
// the first file it found.
int64_t GetFileSize(const UnicodeString& SzFile);
// -1 when no entry of any kind matches; else the size of the first match.
int64_t GetFileSizeEx(const UnicodeString& SzFile);

// Free bytes for an unprivileged user on the file system of Path (of its
// nearest existing folder), in whole mebibytes with InMB; -1 for an empty
// path and for drive and network paths.
int64_t GetFreeDiskSpace(const UnicodeString& Path, bool InMB);

// ---- Comparison --------------------------------------------------------------

// True when the MD5 digests of both files are equal (read without taking a
// lock). Raises "file " + name + " not found" for a missing file. Two files
// that cannot be read both digest as empty input and so compare equal.
bool CompareFile(const UnicodeString& FileOne, const UnicodeString& FileTwo);
// Raises Exception "File 1 not exists" (CheckFileExistsOne) or "File 2 not
// exists" (CheckFileExistsTwo) when that file is not FileExists; then false
// unless the file names (after the folder part) are equal ignoring case,
// else the two-argument CompareFile. The names are always compared;
// CompareFileName is not consulted.
bool CompareFile(const UnicodeString& FileOne, const UnicodeString& FileTwo,
                 bool CheckFileExistsOne, bool CheckFileExistsTwo, bool CompareFileName);

// ---- Locks and owners --------------------------------------------------------

// Opens an existing file for writing under an exclusive lock, so that no
// other opener of this system succeeds while the handle is held. The
// handle is the descriptor; UINTPTR_MAX when the file is missing or already
// open elsewhere under a lock.
uintptr_t CreateFileLock(const UnicodeString& FileName);
// Closes the handle; true when the system closed it.
bool ReleaseFileLock(uintptr_t Handle);

// False when FileExists does not hold; true when the file cannot be opened
// for reading and writing with no sharing (a lock elsewhere, no write
// permission), or when its owner's write bit is clear (read-only, also for
// a process whose privileges would let it write).
bool FileIsInUse(const UnicodeString& FileName);

// The owner's account name in Username and, since Linux accounts belong to
// the machine, TkxTools::GetComputerName in Domain. False, both unchanged,
// when the file is missing or its owner has no account entry.
bool GetFileOwner(const UnicodeString& FileName, UnicodeString& Domain, UnicodeString& Username);

}  // namespace TkxFiles
