// platform/file/FileDescriptor.h — the descriptor-level steps that the file
// layer's operations (FileSystem.h, FileTimes.h, FileReader.h,
// AtomicReplace.h and FileStream) share, and whole-file reads for the
// platform's own small files (/proc, /sys, registry hives). For code inside
// platform/ only; everything above works with names and streams.
//
// Each step retries when a signal interrupts it and leaves errno as the
// failing call set it; none stores the last OS error (its caller decides).
// Writes, syncs, renames and closes of written files go through the steps
// below, where the test seam of FaultInjection.h can fail them.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace kx::platform {

// open(2) with O_CLOEXEC always added; -1 on failure.
int OpenRetrying(const char* Path, int Flags, mode_t Mode = 0);

// open(2) for reading of a file that must be a regular file after following
// links: opened without waiting (a FIFO without a writer, a device), then
// checked, then switched back to blocking reads. -1 with errno EINVAL for
// anything that is no regular file (EISDIR for a folder).
int OpenRegularForReading(const char* Path);
// The same with the access Flags (O_RDWR, O_NOFOLLOW, ...) in place of
// O_RDONLY.
int OpenRegular(const char* Path, int Flags);

// Writes all of Data; false when a write fails.
bool WriteAll(int Fd, std::string_view Data);

// fsync(2), or fdatasync(2) with DataOnly; false when it fails.
bool SyncFile(int Fd, bool DataOnly);

// close(2) of a file that was written (its last write errors show here);
// the descriptor is gone either way. False when it reports a failure.
bool CloseWritten(int Fd);

// rename(2), or renameat2(2) with RENAME_NOREPLACE when NoReplace (EEXIST
// when To exists; EINVAL on a file system that cannot do it).
bool RenameFile(const char* From, const char* To, bool NoReplace);

// flock(2) without waiting: Operation is LOCK_SH or LOCK_EX (LOCK_NB is
// added); false, errno EWOULDBLOCK, when another open holds a conflicting
// lock.
bool TryLock(int Fd, int Operation);

// The whole of the file SystemName (a name in system form, as ToSystemPath
// makes it), read to its end rather than to the size the system reports, so
// /proc files come whole too. False when it cannot be opened or read (errno
// ENOENT: there is no such file); Bytes then holds what was read so far.
bool ReadFileToEnd(const std::string& SystemName, std::string& Bytes);

}  // namespace kx::platform
