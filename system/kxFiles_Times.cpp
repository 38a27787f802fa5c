#include "system/kxFiles_Times.h"

#include <charconv>
#include <cstdint>

#include "platform/file/FileSystem.h"
#include "platform/file/FileTimes.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"

namespace TkxFiles {

namespace {

using kx::platform::FileEntry;
using kx::platform::FileTime;

// File times from year 1 to 9999, the range of date-time values.
constexpr int64_t kFirstSecond = -62'135'596'800;
constexpr int64_t kLastSecond = 253'402'300'799;
constexpr int64_t kFileDateStepMs = 2000;

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

[[noreturn]] void RaiseConvertError() { throw Exception(u"FileTime Convert Error"); }

using kx::platform::UnixMsToDateTime;

// A date-time as milliseconds since 1970 on its own clock; raises for NaN
// and values outside the years 1 to 9999.
int64_t ToUnixMs(TDateTime value) {
  int64_t ms;
  if (!kx::platform::DateTimeToUnixMs(value, ms)) RaiseConvertError();
  return ms;
}

// A file time (UTC) as local milliseconds since 1970, cut to the millisecond.
int64_t LocalMs(const FileTime& time) {
  if (time.Seconds < kFirstSecond || time.Seconds > kLastSecond) RaiseConvertError();
  const int64_t utc = time.Seconds * 1000 + time.Nanoseconds / 1'000'000;
  return ToUnixMs(UtcToLocalTime(UnixMsToDateTime(utc)));
}

// Local milliseconds at file-date precision: seconds floored to even, and
// false outside the years 1980 to 2107.
bool ToFileDateMs(int64_t localMs, int64_t& fileDateMs) {
  fileDateMs = FloorDiv(localMs, kFileDateStepMs) * kFileDateStepMs;
  uint16_t year, month, day;
  DecodeDate(UnixMsToDateTime(fileDateMs), year, month, day);
  return year >= 1980 && year <= 2107;
}

// A local date-time as the file time to set.
FileTime ToFileTime(int64_t localMs) {
  const int64_t utc = ToUnixMs(LocalTimeToUtc(UnixMsToDateTime(localMs)));
  FileTime time;
  time.Seconds = FloorDiv(utc, 1000);
  time.Nanoseconds = static_cast<uint32_t>(utc - time.Seconds * 1000) * 1'000'000u;
  return time;
}

bool FindAny(const UnicodeString& name, FileEntry& entry) {
  return kx::platform::FindFirstEntry(name, kx::platform::kAnyEntry, entry);
}

// Sets the last-write time to the file date of a local time.
bool SetLastWriteFileDate(const UnicodeString& fileName, TDateTime local, bool readWrite) {
  try {
    int64_t fileDateMs;
    if (!ToFileDateMs(ToUnixMs(local), fileDateMs)) return false;
    const FileTime time = ToFileTime(fileDateMs);
    return kx::platform::SetFileTimes(fileName, readWrite, nullptr, &time);
  } catch (...) {
    return false;
  }
}

// |B| / 2^Shift with two decimals, rounded half away from zero, in exact
// integer arithmetic.
AnsiString UnitText(int64_t b, int shift) {
  const uint64_t magnitude = b < 0 ? 0 - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);
  const unsigned __int128 scaled = static_cast<unsigned __int128>(magnitude) * 100;
  const unsigned __int128 unit = static_cast<unsigned __int128>(1) << shift;
  uint64_t hundredths = static_cast<uint64_t>(scaled >> shift);
  if ((scaled & (unit - 1)) * 2 >= unit) ++hundredths;

  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, hundredths / 100).ptr;
  AnsiString text = b < 0 ? "-" : "";
  text.append(digits, end);
  text += '.';
  text += static_cast<char>('0' + hundredths % 100 / 10);
  text += static_cast<char>('0' + hundredths % 10);
  return text;
}

}  // namespace

// ---- Reading -------------------------------------------------------------------

TDateTime GetFileCreationDate(const UnicodeString& Fname) {
  FileEntry entry;
  if (!FindAny(Fname, entry)) RaiseConvertError();
  try {
    return UnixMsToDateTime(LocalMs(entry.CreationTime));
  } catch (...) {
    RaiseConvertError();
  }
}

TDateTime GetFileChangeDate(const UnicodeString& Fname) {
  FileEntry entry;
  if (!FindAny(Fname, entry)) RaiseConvertError();
  try {
    return UnixMsToDateTime(LocalMs(entry.LastWriteTime));
  } catch (...) {
    RaiseConvertError();
  }
}

TDateTime GetCreationTimeOfFile(const UnicodeString& AFileName) {
  try {
    FileEntry entry;
    if (!FindAny(AFileName, entry)) return TDateTime(0);
    return UnixMsToDateTime(LocalMs(entry.CreationTime));
  } catch (...) {
    return TDateTime(0);
  }
}

TDateTime GetFileDateTime(const UnicodeString& FileName) {
  try {
    FileEntry entry;
    int64_t fileDateMs;
    if (!FindAny(FileName, entry) || !ToFileDateMs(LocalMs(entry.LastWriteTime), fileDateMs))
      return TDateTime(0);
    return UnixMsToDateTime(fileDateMs);
  } catch (...) {
    return TDateTime(0);
  }
}

int64_t GetFileAgeInMinutes(const UnicodeString& FileName) {
  try {
    FileEntry entry;
    int64_t fileDateMs;
    if (!FindAny(FileName, entry) || (entry.Attributes & kx::platform::faDirectory) != 0 ||
        !ToFileDateMs(LocalMs(entry.LastWriteTime), fileDateMs))
      return 0;
    constexpr int64_t kMsPerMinute = 60'000;
    const int64_t age = ToUnixMs(Now()) - fileDateMs;
    int64_t minutes = FloorDiv(age, kMsPerMinute);
    const int64_t rest = age - minutes * kMsPerMinute;  // 0 .. 59,999
    if (rest * 2 > kMsPerMinute || (rest * 2 == kMsPerMinute && minutes % 2 != 0)) ++minutes;
    return minutes;
  } catch (...) {
    return 0;
  }
}

// ---- Setting -------------------------------------------------------------------

bool SetFileTimesHelper(const UnicodeString& FileName, TDateTime DateTime, TFileTimes Times) {
  try {
    if (Times != ftLastAccess && Times != ftLastWrite) return false;  // no creation time on Linux
    const FileTime time = ToFileTime(ToUnixMs(DateTime));
    return kx::platform::SetFileTimes(FileName, false, Times == ftLastAccess ? &time : nullptr,
                                      Times == ftLastWrite ? &time : nullptr);
  } catch (...) {
    return false;
  }
}

bool SetFileLastWriteDate(const UnicodeString& FileName, TDateTime DateTime) {
  return SetFileTimesHelper(FileName, DateTime, ftLastWrite);
}

bool SetFileLastAccessDate(const UnicodeString& FileName, TDateTime DateTime) {
  return SetFileTimesHelper(FileName, DateTime, ftLastAccess);
}

bool SetFileCreationDate(const UnicodeString& FileName, TDateTime DateTime) {
  return SetFileTimesHelper(FileName, DateTime, ftCreation);
}

bool SetFileDate(const UnicodeString& FileName, TDateTime NewDate) {
  return SetLastWriteFileDate(FileName, NewDate, true);
}

bool TouchFile(const UnicodeString& FileName) {
  try {
    return SetLastWriteFileDate(FileName, Now(), false);
  } catch (...) {
    return false;
  }
}

bool CopyFileDateAttribute(const UnicodeString& SourceFilePath, const UnicodeString& DestinationFilePath) {
  try {
    SetFileDate(DestinationFilePath, GetCreationTimeOfFile(SourceFilePath));
    return true;
  } catch (...) {
    return false;
  }
}

bool CopyFileAllDateAttribute(const UnicodeString& SourceFilePath,
                              const UnicodeString& DestinationFilePath) {
  try {
    SetFileCreationDate(DestinationFilePath, GetCreationTimeOfFile(SourceFilePath));
    SetFileLastWriteDate(DestinationFilePath, GetFileChangeDate(SourceFilePath));
    return true;
  } catch (...) {
    return false;
  }
}

// ---- Size texts ----------------------------------------------------------------

AnsiString ByteToKb(int64_t B) { return UnitText(B, 10); }
AnsiString ByteToMb(int64_t B) { return UnitText(B, 20); }
AnsiString ByteToGb(int64_t B) { return UnitText(B, 30); }

UnicodeString ByteToStr(int64_t B) {
  constexpr int64_t kKb = int64_t{1} << 10, kMb = int64_t{1} << 20, kGb = int64_t{1} << 30;
  int64_t rest = B;
  auto split = [&rest](int64_t unit) {
    if (rest < unit) return int64_t{0};
    const int64_t part = rest / unit;
    rest %= unit;
    return part;
  };
  const int64_t g = split(kGb), m = split(kMb), k = split(kKb);
  UnicodeString text;
  if (g > 0) text += IntToStr(g) + u"GB ";
  if (g > 0 || m > 0) text += IntToStr(m) + u"MB ";
  if (g > 0 || m > 0 || k > 0) text += IntToStr(k) + u"KB ";
  return text + IntToStr(rest) + (g > 0 ? u"Bytes" : u"Byte");
}

}  // namespace TkxFiles
