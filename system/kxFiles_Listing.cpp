#include "system/kxFiles_Listing.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <optional>
#include <set>
#include <typeinfo>

#include "platform/file/FileSystem.h"
#include "platform/file/Path.h"
#include "platform/file/Remove.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Collation.h"
#include "platform/rtl/Trim.h"
#include "system/kxFiles_Paths.h"
#include "system/kxFiles_Times.h"
#include "text/kxStrings_Match.h"
#include "text/kxStrings_Replace.h"
#include "text/kxStrings_Search.h"

namespace TkxFiles {
namespace {

using kx::platform::FileEntry;

bool IsFolder(const FileEntry& entry) { return (entry.Attributes & kx::platform::faDirectory) != 0; }

// The names of the folders directly below Folder found by Folder + Mask;
// links to folders are left out.
std::vector<UnicodeString> FolderNames(const UnicodeString& Folder, const char16_t* Mask) {
  std::vector<UnicodeString> names;
  for (auto& entry : kx::platform::FindEntries(Folder + Mask, kx::platform::kFolders))
    if (IsFolder(entry) && !kx::platform::IsSymbolicLink(Folder + entry.Name))
      names.push_back(std::move(entry.Name));
  return names;
}

// Answers whether a list finds a text by its own search, as IndexOf does.
// For a plain unsorted string list, whose IndexOf reads every entry, a
// sorted copy of its entries under the same comparison answers instead, so
// that a walk over a large tree does not take quadratic time.
class ListSearch {
 public:
  explicit ListSearch(TStrings& List) : list_(List) {
    auto* plain = typeid(List) == typeid(TStringList) ? static_cast<TStringList*>(&List) : nullptr;
    if (plain == nullptr || plain->Sorted()) return;
    const bool caseSensitive = plain->CaseSensitive();
    copy_.emplace(Order{caseSensitive});
    for (int32_t i = 0; i < List.Count(); ++i) copy_->insert(List.Get(i));
  }
  bool Finds(const UnicodeString& Text) const {
    return copy_ ? copy_->contains(Text) : list_.IndexOf(Text) >= 0;
  }
  void Add(const UnicodeString& Text) {
    list_.Add(Text);
    if (copy_) copy_->insert(Text);
  }

 private:
  struct Order {
    bool caseSensitive;
    bool operator()(const UnicodeString& a, const UnicodeString& b) const {
      return (caseSensitive ? AnsiCompareStr(a, b) : AnsiCompareText(a, b)) < 0;
    }
  };
  TStrings& list_;
  std::optional<std::set<UnicodeString, Order>> copy_;
};

void AddFolders(const UnicodeString& Folder, ListSearch& PathList, bool Recursive) {
  const char16_t separator = kx::platform::PathDelimiterFor(Folder);
  for (const auto& name : FolderNames(Folder, u"*.*")) {
    const UnicodeString path = Folder + name + separator;
    if (PathList.Finds(path)) continue;
    PathList.Add(path);
    if (Recursive) AddFolders(path, PathList, true);
  }
}

bool Ignored(const UnicodeString& Path, const TStringList* IgnorePathes) {
  if (IgnorePathes == nullptr) return false;
  for (int32_t i = 0; i < IgnorePathes->Count(); ++i)
    if (TkxStrings::Contains(Path, IgnorePathes->Get(i), true)) return true;
  return false;
}

bool SubDirs(const UnicodeString& SSearchPath, TStrings& ResultList, TStringList* IgnorePathes,
             bool Recusive, bool AddRoot) {
  if (Ignored(SSearchPath, IgnorePathes)) return false;
  if (AddRoot) ResultList.Add(SSearchPath);
  const char16_t separator = kx::platform::PathDelimiterFor(SSearchPath);
  std::vector<UnicodeString> level;
  for (const auto& name : FolderNames(SSearchPath, u"*")) {
    UnicodeString path = SSearchPath + name + separator;
    if (Ignored(path, IgnorePathes)) continue;
    ResultList.Add(path);
    level.push_back(std::move(path));
  }
  if (Recusive)
    for (const auto& path : level) SubDirs(path, ResultList, IgnorePathes, true, false);
  return ResultList.Count() > 0;
}

// A day count as a minute limit: 0 stays 0, else (Days - 1) x 1440 plus the
// minutes since local midnight; a limit beyond the Cardinal range stays at
// its largest value.
uint32_t DaysToMinutes(uint32_t Days) {
  if (Days == 0) return 0;
  uint16_t hour, minute, second, ms;
  DecodeTime(Now(), hour, minute, second, ms);
  const uint64_t minutes = (uint64_t{Days} - 1) * 1440 + hour * 60u + minute;
  return static_cast<uint32_t>(std::min<uint64_t>(minutes, std::numeric_limits<uint32_t>::max()));
}

// The frame of the age lists: FileList made sorted without duplicates, the
// entries of Path (folders never) offered to Take in name order, each taken
// one added and counted; Stop asked after every entry. An error answers the
// count reached.
uint32_t CollectFiles(const UnicodeString& Path, TStringList& FileList,
                      const std::function<bool(const FileEntry&, const UnicodeString&)>& Take,
                      const std::function<bool()>& Stop) {
  uint32_t count = 0;
  try {
    FileList.SetSorted(true);
    FileList.SetDuplicates(dupIgnore);
    const UnicodeString folder = kx::platform::ExtractFilePath(Path);
    for (const auto& entry : kx::platform::FindEntries(Path, kx::platform::kAnyEntry)) {
      const UnicodeString path = folder + entry.Name;
      if (!IsFolder(entry) && Take(entry, path)) {
        FileList.Add(path);
        ++count;
      }
      if (Stop()) break;
    }
  } catch (...) {
  }
  return count;
}

bool WithinAges(const UnicodeString& path, uint32_t FromMinutes, uint32_t ToMinutes) {
  const int64_t age = GetFileAgeInMinutes(path);
  return (FromMinutes == 0 || age >= int64_t{FromMinutes}) && (ToMinutes == 0 || age <= int64_t{ToMinutes});
}

}  // namespace

// ---- Folder lists ----------------------------------------------------------------

bool GetSubDirs(const UnicodeString& SSearchPath, TStrings& ResultList, TStringList* IgnorePathes,
                bool Recusive, bool AddRoot) {
  ResultList.BeginUpdate();
  bool result;
  try {
    result = SubDirs(SSearchPath, ResultList, IgnorePathes, Recusive, AddRoot);
  } catch (...) {
    ResultList.EndUpdate();
    throw;
  }
  ResultList.EndUpdate();
  return result;
}

bool GetFlatPathList(const UnicodeString& Root, TStrings& PathList) {
  const UnicodeString root = CheckPathExt(Root);
  if (root.empty()) return true;
  for (const auto& name : FolderNames(root, u"*.*")) PathList.Add(name);
  return true;
}

bool GetPathList(const UnicodeString& Root, TStrings& PathList, bool AddRoot, bool Recursive) {
  const UnicodeString root = kx::platform::ExtractFilePath(Root);
  if (root.empty()) return true;
  if (AddRoot) PathList.Add(root);
  ListSearch search(PathList);
  AddFolders(root, search, Recursive);
  return true;
}

// ---- File lists by age or date ---------------------------------------------------

uint32_t GetFileListByFileAgeInMinutes(const UnicodeString& Path, uint32_t Minutes,
                                       TStringList& FileList, TFileAge FileAge, int32_t Attributes,
                                       int32_t MaxFiles) {
  const auto take = [&](const FileEntry& entry, const UnicodeString& path) {
    if ((entry.Attributes & static_cast<uint32_t>(Attributes)) == 0) return false;
    if (Minutes == 0) return true;
    switch (FileAge) {
      case faYounger: return WithinAges(path, 0, Minutes);
      case faOlder: return WithinAges(path, Minutes, 0);
    }
    return false;
  };
  return CollectFiles(Path, FileList, take,
                      [&] { return MaxFiles > 0 && FileList.Count() >= MaxFiles; });
}

uint32_t GetFileListByFileAgeInDays(const UnicodeString& Path, uint32_t Days,
                                    TStringList& FileList, TFileAge FileAge, int32_t Attributes,
                                    int32_t MaxFiles) {
  try {
    return GetFileListByFileAgeInMinutes(Path, DaysToMinutes(Days), FileList, FileAge, Attributes,
                                         MaxFiles);
  } catch (...) {
    return 0;
  }
}

uint32_t GetFileListByFileAgeBetweenInMinutes(const UnicodeString& Path, uint32_t FromMinutes,
                                              uint32_t ToMinutes, TStringList& FileList) {
  return CollectFiles(
      Path, FileList,
      [&](const FileEntry&, const UnicodeString& path) { return WithinAges(path, FromMinutes, ToMinutes); },
      [] { return false; });
}

uint32_t GetFileListBetweenFileAgeInDays(const UnicodeString& Path, uint32_t FromDays,
                                         uint32_t ToDays, TStringList& FileList) {
  try {
    return GetFileListByFileAgeBetweenInMinutes(Path, DaysToMinutes(FromDays), DaysToMinutes(ToDays),
                                                FileList);
  } catch (...) {
    return 0;
  }
}

uint32_t GetFileListByFileAgeBetweenDate(const UnicodeString& Path, TDateTime FromDate,
                                         TDateTime ToDate, TStringList& FileList) {
  const auto take = [&](const FileEntry& entry, const UnicodeString& path) {
    const TDateTime written = GetFileDateTime(path);
    return FromDate <= written && written <= ToDate && EqualsFileName(entry.Name, Path);
  };
  return CollectFiles(Path, FileList, take, [] { return false; });
}

// ---- Masks and file types ---------------------------------------------------------

bool EqualsFileName(const UnicodeString& PathWithoutMask, const UnicodeString& PathPossibleWithMask) {
  return TkxStrings::EqualsExW(kx::platform::ExtractFileName(PathWithoutMask),
                               kx::platform::ExtractFileName(PathPossibleWithMask), true, true,
                               u"*", u"?");
}

bool GetFilePathesWithTypesInList(const UnicodeString& AFilePath, TStrings& AllowedList,
                                  TStrings& FilePathesResult, bool IsStarReplacerAllowed) {
  (void)IsStarReplacerAllowed;
  const UnicodeString extension = GetFileExtention(AFilePath);
  bool ok = true;
  bool added = false;
  for (int32_t i = 0; i < AllowedList.Count(); ++i) {
    const UnicodeString type = u"." + AllowedList.Get(i);
    if (!TkxStrings::EqualsExW(type, extension, true, true, true, false)) continue;
    const UnicodeString path = TkxStrings::ReplaceW(AFilePath, extension, type);
    if (TkxStrings::EndsWith(path, type, true)) {
      FilePathesResult.Add(path);
      added = true;
    } else {
      ok = false;
    }
  }
  return ok && added;
}

int32_t GetFileTypesFromPathList(TStrings& PathList, TStringList& ResultList) {
  ResultList.SetDuplicates(dupIgnore);
  for (int32_t i = 0; i < PathList.Count(); ++i) ResultList.Add(GetFileExtention(PathList.Get(i)));
  return ResultList.Count();
}

bool FileTypeExists(TStrings& FileList) {
  kx::platform::FileEntry entry;
  for (int32_t i = 0; i < FileList.Count(); ++i)
    if (kx::platform::FindFirstEntry(FileList.Get(i), kx::platform::kAnyEntry, entry)) return true;
  return false;
}

bool FileTypeExists(const UnicodeString& Path, TStrings& FileNameList) {
  kx::platform::FileEntry entry;
  for (int32_t i = 0; i < FileNameList.Count(); ++i)
    if (kx::platform::FindFirstEntry(Path + FileNameList.Get(i), kx::platform::kAnyEntry, entry))
      return true;
  return false;
}

bool GetValidFileTypesInList(const UnicodeString& AFileName, TStrings& AllowedList,
                             TStrings& IncludedFileTypes, bool IsStarReplacerAllowed) {
  const UnicodeString extension = GetFileExtention(AFileName);
  const bool everything = IsStarReplacerAllowed && TrimBlanks(extension) == u"*";
  bool added = false;
  for (int32_t i = 0; i < AllowedList.Count(); ++i) {
    const UnicodeString entry = AllowedList.Get(i);
    if (everything || TkxStrings::EqualsW(entry, extension, true, true)) {
      IncludedFileTypes.Add(entry);
      added = true;
    }
  }
  return added;
}

namespace detail {

MaskedWalk WalkMaskedSource(const UnicodeString& Source, bool SubFolders) {
  MaskedWalk walk;
  walk.Root = kx::platform::ExtractFilePath(Source);
  walk.Mask = kx::platform::ExtractFileName(Source);
  if (walk.Root.empty()) return walk;
  walk.Folders.push_back(walk.Root);
  if (!SubFolders) return walk;
  // Linux names differ by case alone.
  TStringList below;
  below.SetCaseSensitive(true);
  GetPathList(walk.Root, below, false, true);
  for (int32_t i = 0; i < below.Count(); ++i) walk.Folders.push_back(below.Get(i));
  return walk;
}

}  // namespace detail

}  // namespace TkxFiles
