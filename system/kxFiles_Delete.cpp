#include "system/kxFiles_Delete.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "platform/file/FileSystem.h"
#include "platform/file/InPlaceFile.h"
#include "platform/file/Path.h"
#include "platform/file/Remove.h"
#include "platform/file/Trash.h"
#include "platform/os/LastError.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "system/kxFiles_Listing.h"
#include "system/kxFiles_Times.h"
#include "system/kxToolsEvo2_Identity.h"
#include "text/kxStrings_PlaceHolders.h"

namespace TkxFiles {
namespace {

constexpr int kDeleteTries = 10;
constexpr auto kDeletePause = std::chrono::milliseconds(100);
constexpr int64_t kWipeBlock = 65536;

// A file of this name is still there. Hidden files count: Linux cannot take
// the hidden attribute away before deleting, so a hidden file that resists
// must not read as deleted.
bool FileLeft(const UnicodeString& Filename) {
  kx::platform::FileEntry entry;
  return kx::platform::FindFirstEntry(Filename, kx::platform::kPlainAndHiddenFiles, entry);
}

uint8_t PassPattern(int32_t pass, std::minstd_rand& random) {
  if (pass <= 6) return pass % 2 == 1 ? 0x00 : 0xFF;
  if (pass == 7) return 0xF6;
  return static_cast<uint8_t>('A' + std::uniform_int_distribution<int>(0, 25)(random));
}

std::function<void(const detail::WipePass&)>& WipeObserver() {
  static std::function<void(const detail::WipePass&)> observer;
  return observer;
}

// Step 2 of WipeFile: overwrites every block RewrittenTimes times, each pass
// synced to the device before the next.
bool Overwrite(kx::platform::InPlaceFile& file, int32_t RewrittenTimes) {
  std::minstd_rand random(std::random_device{}());
  std::vector<uint8_t> block(kWipeBlock);
  for (int64_t position = 0;; ) {
    const int64_t n = file.ReadAt(position, block.data(), kWipeBlock);
    if (n <= 0) return n == 0;
    if (RewrittenTimes < 1) RewrittenTimes = 7;
    for (int32_t pass = 1; pass <= RewrittenTimes; ++pass) {
      const uint8_t pattern = PassPattern(pass, random);
      std::fill_n(block.begin(), n, pattern);
      if (file.WriteAt(position, block.data(), n) < n || !file.SyncData()) return false;
      if (WipeObserver()) WipeObserver()({position, n, pass, pattern});
    }
    position += n;
  }
}

}  // namespace

bool ForceDeleteFile(const UnicodeString& Filename) {
  for (int attempt = 1; attempt <= kDeleteTries; ++attempt) {
    kx::platform::SetFileAttributes(Filename, kx::platform::faArchive);
    // No pause after the last try: nothing would look again.
    if (!kx::platform::DeleteFile(Filename) && attempt < kDeleteTries)
      std::this_thread::sleep_for(kDeletePause);
    if (!FileLeft(Filename)) return true;
  }
  return !FileLeft(Filename);
}

int32_t DeleteFile32(const UnicodeString& Source, uint32_t AgeInMin, bool Subfolder,
                     bool RetainExecutables) {
  const auto walk = detail::WalkMaskedSource(Source, Subfolder);
  int32_t deleted = 0;
  for (const auto& folder : walk.Folders) {
    for (const auto& entry : kx::platform::FindEntries(folder + walk.Mask, kx::platform::kPlainFiles)) {
      if (entry.Attributes & kx::platform::faDirectory) continue;
      const UnicodeString path = folder + entry.Name;
      if (AgeInMin > 0 && GetFileAgeInMinutes(path) < static_cast<int64_t>(AgeInMin)) continue;
      if (RetainExecutables) {
        const UnicodeString extension = LowerText(kx::platform::ExtractFileExt(entry.Name));
        if (extension == u".dll" || extension == u".exe" || extension == u".com" ||
            extension == u".sys")
          continue;
      }
      if (ForceDeleteFile(path)) ++deleted;
    }
  }
  return deleted;
}

bool DeletePath(const UnicodeString& Path, bool Recursive) {
  const UnicodeString root = kx::platform::ExtractFilePath(Path);
  if (root.empty()) return false;
  bool ok = true;
  if (Recursive) {
    TStringList below;
    below.SetCaseSensitive(true);
    GetPathList(root, below, false, true);
    for (int32_t i = below.Count() - 1; i >= 0; --i)
      ok = kx::platform::RemoveDirectory(below.Get(i)) && ok;
  }
  return kx::platform::RemoveDirectory(root) && ok;
}

bool MoveFileToRecycleBin(const UnicodeString& SFileName) {
  return kx::platform::MoveToTrash(SFileName);
}

bool WipeFile(const UnicodeString& SzFilename, int32_t RewrittenTimes, int32_t RenameTimes) {
  bool ok;
  {
    // Never through a link: the file it points to lies outside the folder.
    kx::platform::InPlaceFile file(SzFilename);
    if (!file.IsOpen()) return false;
    ok = Overwrite(file, RewrittenTimes);
    ok = file.Close() && ok;
  }
  // Renamed within its own folder, so the wiped file never wanders into
  // the working folder of the process.
  const UnicodeString folder = kx::platform::ExtractFilePath(SzFilename);
  UnicodeString current = SzFilename;
  try {
    for (int32_t i = 0; i < RenameTimes && ok; ++i) {
      const UnicodeString next = folder + ToUtf16(TkxStrings::CreateGuidStr());
      ok = kx::platform::MoveFile(current, next);
      if (ok) current = next;
    }
  } catch (const Exception&) {
    ok = false;
  }
  {
    kx::platform::InPlaceFile cut(current);
    if (!cut.IsOpen() || !cut.Truncate(0) || !cut.Close()) return false;
  }
  return kx::platform::DeleteFile(current) && ok;
}

void SecureDeleteFiles(const UnicodeString& APath, const UnicodeString& AFindMask, bool AWithSub,
                       int32_t RewrittenTimes, int32_t RenameTimes) {
  if (APath.empty() || AFindMask.empty()) return;
  const UnicodeString folder = kx::platform::IncludeTrailingDelimiter(APath);
  for (const auto& entry : kx::platform::FindEntries(folder + AFindMask, kx::platform::kAnyEntry))
    WipeFile(folder + entry.Name, RewrittenTimes, RenameTimes);
  if (!AWithSub) return;
  for (const auto& entry : kx::platform::FindEntries(folder + u"*.*", kx::platform::kAnyEntry))
    if ((entry.Attributes & kx::platform::faDirectory) &&
        !kx::platform::IsSymbolicLink(folder + entry.Name))
      SecureDeleteFiles(folder + entry.Name, AFindMask, true, RewrittenTimes, RenameTimes);
}

bool DirectoryIsEmpty(const UnicodeString& Path) {
  if (!kx::platform::DirectoryExists(Path)) return false;
  // An empty search also stands for a folder that cannot be read; the
  // last OS error tells the two apart.
  kx::platform::SetLastOSError(0);
  const auto entries =
      kx::platform::FindEntries(kx::platform::IncludeTrailingDelimiter(Path) + u"*",
                                kx::platform::kAnyEntry);
  return entries.empty() && kx::platform::LastOSError() == 0;
}

bool DeleteDirectoryIsEmpty(const UnicodeString& Path) {
  return DirectoryIsEmpty(Path) && kx::platform::RemoveDirectory(Path);
}

namespace detail {

void SetWipeObserverForTesting(std::function<void(const WipePass&)> Observer) {
  WipeObserver() = std::move(Observer);
}

}  // namespace detail

}  // namespace TkxFiles
