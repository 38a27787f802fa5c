#include "system/kxFiles_Listing.h"

#include "platform/file/FileSystem.h"
#include "platform/file/Path.h"
#include "platform/file/Remove.h"

namespace TkxFiles {
namespace {

void AddFolders(const UnicodeString& Folder, TStrings& PathList, bool Recursive) {
  const char16_t separator = kx::platform::PathDelimiterFor(Folder);
  for (const auto& entry : kx::platform::FindEntries(Folder + u"*.*", kx::platform::kFolders)) {
    if ((entry.Attributes & kx::platform::faDirectory) == 0) continue;
    const UnicodeString path = Folder + entry.Name + separator;
    if (kx::platform::IsSymbolicLink(path) || PathList.IndexOf(path) >= 0) continue;
    PathList.Add(path);
    if (Recursive) AddFolders(path, PathList, true);
  }
}

}  // namespace

bool GetPathList(const UnicodeString& Root, TStrings& PathList, bool AddRoot, bool Recursive) {
  const UnicodeString root = kx::platform::ExtractFilePath(Root);
  if (root.empty()) return true;
  if (AddRoot) PathList.Add(root);
  AddFolders(root, PathList, Recursive);
  return true;
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
