#include "system/kxFiles_Contents.h"

#include <limits>
#include <memory>

#include "platform/file/FileSystem.h"
#include "platform/file/Path.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/LargeBuffer.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/Trim.h"
#include "system/kxFiles_Paths.h"
#include "system/kxMD5.h"
#include "system/kxToolsEvo2_Identity.h"
#include "text/kxStrings.h"

namespace TkxFiles {
namespace {

constexpr uint16_t kReadDenyWrite = fmOpenRead | fmShareDenyWrite;  // 0x0020

// One size query, one allocation, one read. MaxSize -1 reads the whole file.
bool Load(const UnicodeString& fileName, AnsiString& data, uint16_t mode, int64_t maxSize) {
  try {
    FileStream file(fileName, mode);
    const int64_t size = file.Size();
    const int64_t n = maxSize >= 0 && size > maxSize ? maxSize : size;
    // Contents travel with 32-bit lengths: 2 GiB and more cannot be loaded.
    if (n > std::numeric_limits<int32_t>::max()) return false;
    kx::platform::ReserveLarge(data, static_cast<size_t>(n));
    data.resize(static_cast<size_t>(n));
    if (file.Read(data.data(), n) != n) throw EReadError("stream read exception - data size mismatch");
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

// ---- Load and save -----------------------------------------------------------

bool LoadFileToString(const UnicodeString& FileName, AnsiString& Data) {
  return Load(FileName, Data, kReadDenyWrite, -1);
}

bool LoadFileToString(const UnicodeString& FileName, AnsiString& Data, uint16_t AccessMode) {
  return Load(FileName, Data, AccessMode, -1);
}

bool LoadFileToString(const UnicodeString& FileName, AnsiString& Data, int32_t MaxSize) {
  return MaxSize >= 0 && Load(FileName, Data, kReadDenyWrite, MaxSize);
}

bool SaveStringToFile(const UnicodeString& FileName, const AnsiString& Data, bool Append,
                      bool MD5Check, const AnsiString& MD5) {
  try {
    {
      // An existing entry is decided by any entry of the name: a hidden file
      // must be appended to, not created anew and emptied.
      const bool append = Append && kx::platform::EntryExists(FileName);
      FileStream file(FileName, append ? uint16_t{fmOpenReadWrite} : uint16_t{fmCreate});
      if (append) file.Seek(0, soEnd);
      const auto size = static_cast<int64_t>(Data.size());
      if (size > 0 && file.Write(Data.data(), size) != size)
        throw EWriteError("stream write exception - data size mismatch");
    }
    if (MD5Check && TkxMD5::GetMD5FromFile(FileName, kReadDenyWrite) != MD5)
      throw Exception("MD5 check failed");
    return true;
  } catch (...) {
    return false;
  }
}

bool MergeFiles(const UnicodeString& FirstFileName, const UnicodeString& SecondFileName) {
  if (!FileExists(FirstFileName) || !FileExists(SecondFileName)) return false;
  FileStream first(FirstFileName, fmOpenRead);
  FileStream second(SecondFileName, fmOpenReadWrite);
  second.Seek(0, soEnd);
  second.CopyFrom(first, 0);
  return true;
}

bool CreateBlankFile(const UnicodeString& Filename) { return kx::platform::CreateNewFile(Filename); }

// ---- Sizes and free space ----------------------------------------------------

int64_t GetSizeOfFile(const UnicodeString& Name) {
  kx::platform::FileEntry entry;
  if (Name.empty() || !kx::platform::FindFirstEntry(Name, kx::platform::kAnyEntry, entry)) return 0;
  return entry.Size;
}

int64_t GetFileSize(const UnicodeString& SzFile) {
  kx::platform::FileEntry entry;
  return kx::platform::FindFirstEntry(SzFile, kx::platform::kPlainFiles, entry) ? entry.Size : 0;
}

int64_t GetFileSizeEx(const UnicodeString& SzFile) {
  kx::platform::FileEntry entry;
  return kx::platform::FindFirstEntry(SzFile, kx::platform::kAnyEntry, entry) ? entry.Size : -1;
}

int64_t GetFreeDiskSpace(const UnicodeString& Path, bool InMB) {
  const int64_t bytes = kx::platform::FreeDiskSpace(TrimBlanks(Path));
  return bytes != -1 && InMB ? bytes / 1048576 : bytes;
}

// ---- Comparison --------------------------------------------------------------

bool CompareFile(const UnicodeString& FileOne, const UnicodeString& FileTwo) {
  return TkxMD5::GetMD5FromFile(FileOne, fmOpenRead | fmShareDenyNone) ==
         TkxMD5::GetMD5FromFile(FileTwo, fmOpenRead | fmShareDenyNone);
}

bool CompareFile(const UnicodeString& FileOne, const UnicodeString& FileTwo,
                 bool CheckFileExistsOne, bool CheckFileExistsTwo, bool /*CompareFileName*/) {
  if (CheckFileExistsOne && !FileExists(FileOne)) throw Exception("File 1 not exists");
  if (CheckFileExistsTwo && !FileExists(FileTwo)) throw Exception("File 2 not exists");
  if (!TkxStrings::EqualsW(kx::platform::ExtractFileName(FileOne), kx::platform::ExtractFileName(FileTwo),
                           false, true))
    return false;
  return CompareFile(FileOne, FileTwo);
}

// ---- Locks and owners --------------------------------------------------------

uintptr_t CreateFileLock(const UnicodeString& FileName) { return kx::platform::LockFile(FileName); }

bool ReleaseFileLock(uintptr_t Handle) { return kx::platform::UnlockFile(Handle); }

bool FileIsInUse(const UnicodeString& FileName) {
  kx::platform::FileEntry entry;
  if (!kx::platform::FindFirstEntry(FileName, kx::platform::kPlainFiles, entry)) return false;
  if ((entry.Attributes & kx::platform::faReadOnly) != 0) return true;
  try {
    FileStream probe(FileName, fmOpenReadWrite | fmShareExclusive);
    return false;
  } catch (const Exception&) {
    return true;
  }
}

bool GetFileOwner(const UnicodeString& FileName, UnicodeString& Domain, UnicodeString& Username) {
  std::string account;
  if (!kx::platform::FileOwnerName(FileName, account)) return false;
  Domain = TkxTools::GetComputerName();
  Username = ToUtf16(account);
  return true;
}

}  // namespace TkxFiles
