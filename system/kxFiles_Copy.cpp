#include "system/kxFiles_Copy.h"

#include <functional>
#include <vector>

#include "platform/file/FileSystem.h"
#include "platform/file/Path.h"
#include "platform/file/Remove.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/Trim.h"
#include "system/kxFiles_Contents.h"
#include "system/kxFiles_Delete.h"
#include "system/kxFiles_Listing.h"
#include "system/kxFiles_Paths.h"
#include "system/kxFiles_Times.h"
#include "system/kxToolsEvo2_SystemInfo.h"

namespace TkxFiles {
namespace {

// Destination exists and holds the bytes of Source (by digest).
bool Same(const UnicodeString& Source, const UnicodeString& Destination) {
  return FileExists(Destination) && CompareFile(Source, Destination);
}

bool EqualFileNames(const UnicodeString& One, const UnicodeString& Two) {
  return UpperText(kx::platform::ExtractFileName(One)) ==
         UpperText(kx::platform::ExtractFileName(Two));
}

// Rebuilds the path of Source below DestinationStartPath; see the header.
UnicodeString KeepingPathTarget(const UnicodeString& Source, const UnicodeString& DestinationStartPath) {
  size_t first = 0;
  while (first < Source.size() && !kx::platform::IsPathDelimiter(Source[first])) ++first;
  const UnicodeString rest = first < Source.size() ? Source.substr(first) : Source;
  const UnicodeString joined = DestinationStartPath + UnicodeString(TrimBlanks(rest));
  UnicodeString target;
  target.reserve(joined.size());
  for (size_t i = 0; i < joined.size(); ++i) {
    const char16_t c = joined[i];
    if (i >= 2 && kx::platform::IsPathDelimiter(c) &&
        kx::platform::IsPathDelimiter(target.back()))
      continue;
    target.push_back(c);
  }
  return target;
}

constexpr size_t kMaxKeepingPathLength = 254;

// The frame of both keeping-path copies: Short copies to a target of at most
// 254 characters, its errors passing through; Long copies to a longer one,
// unless that raises, under a catch-all.
bool CopyKeepingPath(const UnicodeString& Source, const UnicodeString& DestinationStartPath,
                     bool ErrorWhenPathToLong,
                     const std::function<bool(const UnicodeString&)>& Short,
                     const std::function<bool(const UnicodeString&)>& Long) {
  const UnicodeString target = KeepingPathTarget(Source, DestinationStartPath);
  if (target.size() <= kMaxKeepingPathLength) {
    CreatePath(target, true);
    return Short(target);
  }
  if (ErrorWhenPathToLong) throw Exception(u"destination path to long");
  try {
    CreatePath(target, true);
    return Long(target);
  } catch (...) {
    return false;
  }
}

// The names of the files matching Mask in Folder under Filter.
std::vector<UnicodeString> MatchingFiles(const UnicodeString& Folder, const UnicodeString& Mask,
                                         uint32_t Filter) {
  std::vector<UnicodeString> names;
  for (const auto& entry : kx::platform::FindEntries(Folder + Mask, Filter))
    if ((entry.Attributes & kx::platform::faDirectory) == 0) names.push_back(entry.Name);
  return names;
}

// Folder (below From) moved below To.
UnicodeString Rebased(const UnicodeString& Folder, const UnicodeString& From, const UnicodeString& To) {
  return To + Folder.substr(From.size());
}

}  // namespace

bool CopyFile32(const UnicodeString& Source, const UnicodeString& Destination) {
  return CopyFile32(Source, Destination, kCopyFileFailIfExists);
}

bool CopyFile32(const UnicodeString& Source, const UnicodeString& Destination, uint32_t CopyFlags) {
  return kx::platform::CopyFile(Source, Destination, (CopyFlags & kCopyFileFailIfExists) != 0);
}

bool CopyFile32(const UnicodeString& Source, const UnicodeString& Destination,
                TkxEXISTS_MODE ExistMode) {
  try {
    switch (ExistMode) {
      case IF_SAME_DO_NOTHING:
        return Same(Source, Destination);
      case OVERWRITE:
        return CopyFile32(Source, Destination, uint32_t{0});
      case UNIQE_FILENAME:
        return CopyFileWithUniqueFileName(Source, Destination);
      case IF_NOT_SAME_USE_UNIQUE_FILE_NAME:
        return Same(Source, Destination) || CopyFileWithUniqueFileName(Source, Destination);
    }
  } catch (const Exception&) {
  }
  return false;
}

int32_t CopyFile32(const UnicodeString& Source, const UnicodeString& Destination, bool SubFolders) {
  const auto walk = detail::WalkMaskedSource(Source, SubFolders);
  const UnicodeString destinationRoot = kx::platform::ExtractFilePath(Destination);
  int32_t copied = 0;
  for (const auto& folder : walk.Folders) {
    const UnicodeString target = Rebased(folder, walk.Root, destinationRoot);
    CreatePath(target, true);
    for (const auto& name : MatchingFiles(folder, walk.Mask, kx::platform::kPlainFiles))
      if (CopyFile32(folder + name, target + name, uint32_t{0})) ++copied;
  }
  return copied;
}

int32_t SyncCopyFile32(const UnicodeString& Source, const UnicodeString& Destination,
                       bool SubFolders, bool OverWrite, bool RaiseExceptions,
                       TStrings* ExclusionPaths) {
  const UnicodeString destinationRoot = CheckPathExt(Destination);
  auto walk = detail::WalkMaskedSource(Source, SubFolders);
  if (walk.Root.empty() || !kx::platform::DirectoryExists(walk.Root) || destinationRoot.empty())
    return 0;
  if (ExclusionPaths != nullptr) {
    for (int32_t i = 0; i < ExclusionPaths->Count(); ++i)
      ExclusionPaths->Put(i, UpperText(ExclusionPaths->Get(i)));
    std::erase_if(walk.Folders, [&](const UnicodeString& folder) {
      const UnicodeString upper = UpperText(folder);
      for (int32_t i = 0; i < ExclusionPaths->Count(); ++i)
        if (ExclusionPaths->Get(i) == upper) return true;
      return false;
    });
  }

  int32_t copied = 0;
  for (const auto& folder : walk.Folders) {
    const UnicodeString target = Rebased(folder, walk.Root, destinationRoot);
    CreatePath(target, true);
    for (const auto& name : MatchingFiles(folder, walk.Mask, kx::platform::kPlainFiles)) {
      const UnicodeString from = folder + name;
      const UnicodeString to = target + name;
      if (!OverWrite && FileExists(to) && GetFileDateTime(from) == GetFileDateTime(to)) continue;
      if (CopyFile32(from, to, uint32_t{0})) {
        ++copied;
      } else if (RaiseExceptions) {
        throw Exception(u"copy file " + from + u" to " + to + u" failed (" +
                        TkxTools::GetLastErrorMessage() + u")");
      }
    }
  }

  const auto mirror = detail::WalkMaskedSource(destinationRoot + walk.Mask, SubFolders);
  for (auto folder = mirror.Folders.rbegin(); folder != mirror.Folders.rend(); ++folder) {
    const UnicodeString sourceFolder = Rebased(*folder, mirror.Root, walk.Root);
    for (const auto& name : MatchingFiles(*folder, walk.Mask, kx::platform::kPlainFiles))
      if (!FileExists(sourceFolder + name)) kx::platform::DeleteFile(*folder + name);
    if (!PathExists(sourceFolder)) DeletePath(*folder, false);
  }
  return copied;
}

bool CopyFileWithUniqueFileName(const UnicodeString& SourceFilepath,
                                const UnicodeString& DestinationPath) {
  return CopyFile32(SourceFilepath, kx::platform::FreeFileName(DestinationPath));
}

bool StreamCopyFile(const UnicodeString& Source, const UnicodeString& Destination,
                    TkxEXISTS_MODE ExistMode) {
  UnicodeString target = Destination;
  try {
    if (!FileExists(Source)) return false;
    const bool same = FileExists(Destination) &&
                      CompareFile(Source, Destination, true, true, true);
    // Copying a file over itself (by its own or another name) would first
    // delete or empty the source: there is nothing to do.
    const bool itself = kx::platform::IsSameFile(Source, Destination);
    switch (ExistMode) {
      case IF_SAME_DO_NOTHING:
        if (same || itself) return true;
        break;
      case OVERWRITE:
        if (itself) return true;
        if (same) kx::platform::DeleteFile(Destination);
        break;
      case UNIQE_FILENAME:
        if (same) target = kx::platform::FreeFileName(Destination);
        break;
      case IF_NOT_SAME_USE_UNIQUE_FILE_NAME:
        if (EqualFileNames(Source, Destination)) target = kx::platform::FreeFileName(Destination);
        break;
    }
    if (itself && target == Destination) return true;
  } catch (...) {
    return false;
  }
  FileStream in(Source, fmOpenRead);
  FileStream out(target, fmCreate);
  out.CopyFrom(in, 0);
  return true;
}

bool StreamCopyFileKeepingPath(const UnicodeString& Source,
                               const UnicodeString& DestinationStartPath,
                               bool ErrorWhenPathToLong, TkxEXISTS_MODE ExistMode) {
  const auto copy = [&](const UnicodeString& target) {
    return StreamCopyFile(Source, target, ExistMode);
  };
  return CopyKeepingPath(Source, DestinationStartPath, ErrorWhenPathToLong, copy, copy);
}

bool CopyFileKeepingPath32(const UnicodeString& Source, const UnicodeString& DestinationStartPath,
                           bool ErrorWhenPathToLong, TkxEXISTS_MODE ExistMode) {
  return CopyKeepingPath(
      Source, DestinationStartPath, ErrorWhenPathToLong,
      [&](const UnicodeString& target) { return CopyFile32(Source, target, ExistMode); },
      [&](const UnicodeString& target) { return CopyFile32(Source, target); });
}

bool MoveFile32(const UnicodeString& Source, const UnicodeString& Destination) {
  return kx::platform::MoveFile(Source, Destination);
}

bool MoveFileWithUniqueFileName(const UnicodeString& SourceFilepath,
                                const UnicodeString& DestinationPath) {
  return MoveFile32(SourceFilepath, kx::platform::FreeFileName(DestinationPath));
}

UnicodeString MoveAndGetFileWithUniqueFileName(const UnicodeString& SourceFilepath,
                                               const UnicodeString& DestinationPath) {
  const UnicodeString target = kx::platform::FreeFileName(DestinationPath);
  return MoveFile32(SourceFilepath, target) ? target : UnicodeString();
}

int32_t MoveFile32(const UnicodeString& Source, const UnicodeString& Destination, bool SubFolders,
                   bool IgnoreFileAttributes, bool DeleteSourcePaths) {
  const auto walk = detail::WalkMaskedSource(Source, SubFolders);
  const UnicodeString destinationRoot = kx::platform::ExtractFilePath(Destination);
  const uint32_t filter =
      IgnoreFileAttributes ? kx::platform::kPlainAndHiddenFiles : kx::platform::kPlainFiles;
  int32_t moved = 0;
  for (const auto& folder : walk.Folders) {
    const UnicodeString target = Rebased(folder, walk.Root, destinationRoot);
    CreatePath(target, true);
    for (const auto& name : MatchingFiles(folder, walk.Mask, filter)) {
      const UnicodeString from = folder + name;
      uint32_t attributes = 0;
      if (IgnoreFileAttributes) {
        kx::platform::FileEntry entry;
        if (kx::platform::FindFirstEntry(from, kx::platform::kAnyEntry, entry))
          attributes = entry.Attributes;
        kx::platform::SetFileAttributes(from, kx::platform::faArchive);
      }
      const bool ok = MoveFile32(from, target + name);
      if (ok) ++moved;
      // A failed move leaves the source where it was (and the target may be
      // another file): the attributes go back on the source.
      if (IgnoreFileAttributes) kx::platform::SetFileAttributes(ok ? target + name : from, attributes);
    }
  }
  if (DeleteSourcePaths) {
    for (auto folder = walk.Folders.rbegin(); folder != walk.Folders.rend(); ++folder) {
      kx::platform::SetFileAttributes(*folder, kx::platform::faDirectory);
      DeletePath(*folder, false);
    }
  }
  return moved;
}

bool ForceMoveFile32(const UnicodeString& Source, const UnicodeString& Destination) {
  kx::platform::SetFileAttributes(Source, kx::platform::faArchive);
  return MoveFile32(Source, kx::platform::FreeFileName(Destination));
}

UnicodeString ForceMoveFile32(const UnicodeString& Source, const UnicodeString& Destination,
                              TkxEXISTS_MODE ExistMode) {
  const TDateTime created = GetCreationTimeOfFile(Source);
  const TDateTime written = GetFileChangeDate(Source);
  UnicodeString target;
  switch (ExistMode) {
    case IF_SAME_DO_NOTHING:
      if (Same(Source, Destination)) return {};
      target = kx::platform::FreeFileName(Destination);
      break;
    case OVERWRITE:
      target = Destination;
      break;
    case UNIQE_FILENAME:
      target = kx::platform::FreeFileName(Destination);
      break;
    case IF_NOT_SAME_USE_UNIQUE_FILE_NAME:
      if (Same(Source, Destination)) {
        // Removing a Source that is Destination itself would lose the file.
        if (!kx::platform::IsSameFile(Source, Destination)) ForceDeleteFile(Source);
        return Destination;
      }
      target = kx::platform::FreeFileName(Destination);
      break;
    default:
      return {};
  }
  if (!MoveFile32(Source, target)) return {};
  SetFileCreationDate(target, created);
  SetFileLastWriteDate(target, written);
  return target;
}

}  // namespace TkxFiles
