#include "system/kxFiles_Zip.h"

#include <utility>
#include <vector>

#include "platform/file/FileSystem.h"
#include "platform/file/Path.h"
#include "platform/zip/ZipArchive.h"
#include "system/kxFiles_Contents.h"
#include "system/kxFiles_Paths.h"
#include "text/kxStrings.h"

namespace TkxFiles {

namespace {

using kx::platform::IsPathDelimiter;
using kx::platform::ZipArchive;

bool IsFolderEntry(const UnicodeString& name) { return !name.empty() && IsPathDelimiter(name.back()); }

// A stored name that stays below the folder it is unpacked into: relative,
// without a drive, and without a ".." level.
bool StaysInside(const UnicodeString& name) {
  if (name.empty() || IsPathDelimiter(name.front())) return false;
  const char16_t first = name[0] | 0x20;  // ASCII letters to lower case
  if (name.size() >= 2 && name[1] == u':' && first >= u'a' && first <= u'z') return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsPathDelimiter(name[end])) ++end;
    if (name.compare(start, end - start, u"..") == 0) return false;
    start = end + 1;
  }
  return true;
}

// Adds (file, member name) pairs in order and saves once; Data, when given,
// is the content instead of the file's.
bool AddMembers(const std::vector<std::pair<UnicodeString, UnicodeString>>& members,
                const UnicodeString& zipFile, const AnsiString* data) {
  ZipArchive zip;
  if (!zip.OpenForUpdate(zipFile) || !zip.SetComment("")) return false;
  for (const auto& [file, name] : members) {
    AnsiString loaded;
    if (data == nullptr && !LoadFileToString(file, loaded)) return false;
    if (!zip.Add(name, data != nullptr ? *data : loaded)) return false;
  }
  return zip.Save();
}

}  // namespace

bool AddFileToZip(const AnsiString& InFile, const AnsiString& ZipFile, const AnsiString& Data) {
  try {
    const UnicodeString inFile = ToUtf16(InFile);
    if (!FileExists(inFile) && TkxStrings::IsEmptyA(Data, true)) return false;
    const UnicodeString name = kx::platform::ExtractFileName(inFile);
    return AddMembers({{inFile, name}}, ToUtf16(ZipFile), Data.empty() ? nullptr : &Data);
  } catch (...) {
    return false;
  }
}

bool AddFilesToZip(const TStrings& InFiles, const UnicodeString& ZipFile) {
  try {
    std::vector<std::pair<UnicodeString, UnicodeString>> members;
    for (int32_t i = 0; i < InFiles.Count(); ++i) {
      const UnicodeString file = InFiles[i];
      members.emplace_back(file, kx::platform::ExtractFileName(file));
    }
    return AddMembers(members, ZipFile, nullptr);
  } catch (...) {
    return false;
  }
}

bool GetFileFromZip(const UnicodeString& Outfile, const UnicodeString& ZipFile) {
  try {
    ZipArchive zip;
    UnicodeString name;
    if (!zip.OpenForReading(ZipFile) || zip.Count() == 0 || !zip.Name(0, name) || IsFolderEntry(name))
      return false;
    CreatePath(Outfile, true);
    return zip.ExtractToFile(0, Outfile);
  } catch (...) {
    return false;
  }
}

bool GetFilesFromZip(const UnicodeString& ZipFile, const UnicodeString& TargetPath,
                     TStringList& ContentFiles) {
  try {
    ContentFiles.Clear();
    const UnicodeString target = CheckPathExt(TargetPath);
    CreatePath(target, true);
    const char16_t delimiter = kx::platform::PathDelimiterFor(target);

    ZipArchive zip;
    if (!zip.OpenForReading(ZipFile)) return false;
    const int64_t count = zip.Count();
    for (int64_t i = 0; i < count; ++i) {
      UnicodeString name;
      if (!zip.Name(i, name) || !StaysInside(name)) return false;
      for (char16_t& c : name)
        if (IsPathDelimiter(c)) c = delimiter;
      if (IsFolderEntry(name)) {
        if (!CreatePath(target + name, true)) return false;
        continue;
      }
      const UnicodeString file = kx::platform::FreeFileName(target + name);
      CreatePath(file, true);
      // The free-name search skips hidden files and folders; never write
      // over one of those.
      if (kx::platform::EntryExists(file)) return false;
      if (!zip.ExtractToFile(i, file)) return false;
      ContentFiles.Add(file);
    }
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace TkxFiles
