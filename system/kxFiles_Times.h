// system/kxFiles_Times.h — TkxFiles: reading and setting file times, file
// ages, and byte counts as short texts.
//
// Times are date-time values in local time, by the process's time-zone rules
// (TZ is read afresh on every call). Two precisions occur:
//   - full precision: the file system's time cut to the millisecond;
//   - file-date precision: the packed file date of old file systems, with
//     the local time's seconds floored to an even number, no milliseconds,
//     and years 1980 to 2107 only (a file written at 10:00:01.500 reads
//     10:00:00). A time outside those years reads as 0 and cannot be set.
//
// Searches take the first match of platform/file/FileSystem.h (a mask may
// stand in the last component; matches are sorted by name). The creation
// time is the birth time where the file system records one, else the
// last-write time.
//
// Linux cannot set a creation time: SetFileCreationDate (and the creation
// half of CopyFileAllDateAttribute) answers false. Last-access and
// last-write times can be set by the file's owner.
#pragma once

#include <cstdint>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Text.h"
#include "system/kxTypes_Enums.h"

namespace TkxFiles {

// ---- Reading -------------------------------------------------------------------

// The creation / last-write time, full precision, of the first entry of any
// kind (folders and hidden entries included) matching Fname. Raise
// Exception "FileTime Convert Error" when nothing matches.
TDateTime GetFileCreationDate(const UnicodeString& Fname);
TDateTime GetFileChangeDate(const UnicodeString& Fname);

// The creation time, full precision, of the first entry of any kind
// matching AFileName; 0 when nothing matches.
TDateTime GetCreationTimeOfFile(const UnicodeString& AFileName);
// The last-write time, file-date precision, of the first entry of any kind
// matching FileName; 0 when nothing matches.
TDateTime GetFileDateTime(const UnicodeString& FileName);

// Whole minutes from the file's last write (file-date precision) to Now(),
// rounded to the nearest (a half to the even neighbour: 1.5 and 2.5 minutes
// both give 2). Negative for a time in the future; 0 for a missing file, a
// folder, and a time that has no file date.
int64_t GetFileAgeInMinutes(const UnicodeString& FileName);

// ---- Setting -------------------------------------------------------------------
// The setters open the existing file or folder (never creating it) under the
// same exclusive lock as a stream of mode 0x0022, so they fail while another
// opener holds a lock. They never raise.

// Sets one time of FileName to DateTime (local time, to the millisecond):
// ftLastAccess or ftLastWrite. ftCreation, and any other value, sets nothing
// and answers false. Folders work too.
bool SetFileTimesHelper(const UnicodeString& FileName, TDateTime DateTime, TFileTimes Times);
bool SetFileLastWriteDate(const UnicodeString& FileName, TDateTime DateTime);
bool SetFileLastAccessDate(const UnicodeString& FileName, TDateTime DateTime);
// Always false on Linux (see above).
bool SetFileCreationDate(const UnicodeString& FileName, TDateTime DateTime);

// Sets the last-write time to NewDate at file-date precision. The file is
// opened for reading and writing, so a folder answers false, as does a date
// outside 1980 to 2107.
bool SetFileDate(const UnicodeString& FileName, TDateTime NewDate);
// Sets the last-write time of the existing file or folder to Now() at
// file-date precision; false, creating nothing, when it is missing.
bool TouchFile(const UnicodeString& FileName);

// The destination's last-write time becomes the source's creation time at
// file-date precision (SetFileDate, whose result is not consulted). False
// only for an error raised on the way.
bool CopyFileDateAttribute(const UnicodeString& SourceFilePath, const UnicodeString& DestinationFilePath);
// SetFileCreationDate of the destination with the source's creation time,
// then SetFileLastWriteDate with its last-write time (GetFileChangeDate);
// the setters' results are not consulted. False for an error raised on the
// way, as for a missing source ("FileTime Convert Error").
bool CopyFileAllDateAttribute(const UnicodeString& SourceFilePath,
                              const UnicodeString& DestinationFilePath);

// ---- Size texts ----------------------------------------------------------------
// Units are binary: 1 KB = 1024 bytes, 1 MB = 1024 KB, 1 GB = 1024 MB.

// B in kibibytes, mebibytes or gibibytes with exactly two decimals, "." as
// separator, no thousands separator, "-" for a negative count. The quotient
// is exact, so the rounding is exact too: a third decimal of exactly 5
// rounds away from zero.
//   ByteToKb(1536) == "1.50";  ByteToKb(0) == "0.00";  ByteToGb(1610612736) == "1.50"
//   ByteToKb(-1024) == "-1.00";  ByteToKb(1152) == "1.13" (1.125)
AnsiString ByteToKb(int64_t B);
AnsiString ByteToMb(int64_t B);
AnsiString ByteToGb(int64_t B);

// B split into whole gibibytes, mebibytes, kibibytes and bytes, written from
// the first part that is not 0: "GB ", "MB ", "KB " after the first three,
// "Bytes" after the bytes when all four are written, else "Byte". A
// negative count is all bytes.
//   ByteToStr(500) == u"500Byte";  ByteToStr(1536) == u"1KB 512Byte"
//   ByteToStr(1073741825) == u"1GB 0MB 0KB 1Bytes";  ByteToStr(-5) == u"-5Byte"
UnicodeString ByteToStr(int64_t B);

}  // namespace TkxFiles
