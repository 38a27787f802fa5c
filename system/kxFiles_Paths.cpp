#include "system/kxFiles_Paths.h"

#include <algorithm>
#include <cerrno>

#include "platform/file/ErrorText.h"
#include "platform/file/FileSystem.h"
#include "platform/file/Path.h"
#include "platform/os/Folders.h"
#include "platform/os/LastError.h"
#include "platform/os/System.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Trim.h"
#include "system/kxToolsEvo2_SystemInfo.h"
#include "system/kxWin32.h"
#include "text/kxStrings.h"

namespace TkxFiles {
namespace {

using kx::platform::IsPathDelimiter;


bool EndsWithDelimiter(const UnicodeString& s) { return !s.empty() && IsPathDelimiter(s.back()); }

const TkxCharSet& ForbiddenFileNameChars() {
  static const TkxCharSet set = [] {
    TkxCharSet s = TkxStrings::TkxCharSetOf(u"\"*/:<>?\\|");
    for (int c = 0; c < 32; ++c) s.set(static_cast<size_t>(c));
    s.set(127);
    return s;
  }();
  return set;
}

}  // namespace

// ---- Existence and folders ---------------------------------------------------

bool FileExists(const UnicodeString& Path) {
  kx::platform::FileEntry entry;
  return kx::platform::FindFirstEntry(Path, kx::platform::kPlainFiles, entry);
}

bool PathExists(const UnicodeString& Path) {
  const UnicodeString folder = CheckPathExt(kx::platform::ExtractFilePath(Path));
  return !folder.empty() && kx::platform::DirectoryExists(folder);
}

bool CreatePath(const UnicodeString& Path, bool CheckExistence) {
  const UnicodeString folder = kx::platform::ExtractFilePath(Path);
  if (CheckExistence && PathExists(folder)) return true;
  bool created = false;
  for (size_t i = 0; i < folder.size(); ++i)
    if (IsPathDelimiter(folder[i])) created = kx::platform::CreateDirectory(folder.substr(0, i + 1));
  return created;
}

// ---- Path texts --------------------------------------------------------------

UnicodeString CheckPathExt(const UnicodeString& Path) {
  return kx::platform::IncludeTrailingDelimiter(UnicodeString(TrimBlanks(Path)));
}

UnicodeString ErasePathExt(const UnicodeString& Path) {
  UnicodeString path(TrimBlanks(Path));
  if (EndsWithDelimiter(path)) path.pop_back();
  return path;
}

UnicodeString CheckFileExtension(const UnicodeString& Extension, bool ToLowercase) {
  UnicodeString extension(TrimBlanks(Extension));
  if (!extension.empty() && extension[0] != u'.') extension.insert(0, 1, u'.');
  return ToLowercase ? LowerText(extension) : extension;
}

UnicodeString ExtractPureFileName(const UnicodeString& Path) {
  const UnicodeString name = kx::platform::ExtractFileName(Path);
  const int32_t dot = TkxStrings::RightPosWL(u".", name);
  return dot > 0 ? name.substr(0, static_cast<size_t>(dot - 1)) : name;
}

UnicodeString GetFileExtention(const UnicodeString& FilePath) {
  const int32_t dot = TkxStrings::GetLastPosW(FilePath, u".", false);
  return dot > 0 ? TkxStrings::SubStringW(FilePath, dot, false, false) : FilePath;
}

UnicodeString ConvertToFileName(const UnicodeString& Str) {
  constexpr size_t kMaxName = 256;
  UnicodeString name = TkxStrings::ApplyTkxCharset(Str, ForbiddenFileNameChars(), true);
  if (name.size() <= kMaxName) return name;
  const UnicodeString extension = kx::platform::ExtractFileExt(name);
  UnicodeString pure = ExtractPureFileName(name);
  if (pure.empty()) pure = u"_";
  const size_t keep = std::max<ptrdiff_t>(1, static_cast<ptrdiff_t>(kMaxName) -
                                                 static_cast<ptrdiff_t>(extension.size()));
  name = pure.substr(0, keep) + extension;
  name.resize(std::min(name.size(), kMaxName));
  return name;
}

UnicodeString ShortPath(const UnicodeString& Path, int32_t Maxlen) {
  if (static_cast<int64_t>(Path.size()) <= Maxlen) return Path;
  const UnicodeString file = kx::platform::ExtractFileName(Path);
  const int64_t limit = int64_t{Maxlen} - static_cast<int64_t>(file.size()) - 4;
  UnicodeString head;
  std::u16string_view rest = Path;
  for (;;) {
    size_t at = 0;
    while (at < rest.size() && !IsPathDelimiter(rest[at])) ++at;
    if (at == rest.size()) break;  // no level left
    const int64_t position = static_cast<int64_t>(at) + 1;
    if (position + static_cast<int64_t>(head.size()) >= limit) break;
    head.append(rest.substr(0, at + 1));
    rest.remove_prefix(at + 1);
  }
  return head + u"..." + kx::platform::PathDelimiterFor(Path) + file;
}

UnicodeString GetShortDOSPath(const UnicodeString& SLongName) {
  if (!kx::platform::EntryExists(SLongName))
    throw Exception(u"unable to determine short path name from " + SLongName);
  return SLongName;
}

UnicodeString BuildPathStr(const UnicodeString& InPath, bool CheckPathSuffix,
                           const UnicodeString& UserName, const UnicodeString& HostName) {
  const UnicodeString path = TkxStrings::CheckDefaultPlaceHolders(InPath, UserName, HostName);
  return CheckPathSuffix ? CheckPathExt(path) : path;
}

// ---- Free and unique names ---------------------------------------------------

UnicodeString GetFreeFileName(const UnicodeString& Destination, uint32_t MaxRetry,
                              const UnicodeString& Separator, bool AlwaysAddId,
                              bool WithLeadingZero) {
  return kx::platform::FreeFileName(Destination, MaxRetry, Separator, AlwaysAddId, WithLeadingZero,
                                    [](const UnicodeString& candidate) { return FileExists(candidate); });
}

UnicodeString CreateUniqueFilename(const UnicodeString& TempDirectory, const UnicodeString& Ext) {
  const UnicodeString folder = kx::platform::IncludeTrailingDelimiter(TempDirectory);
  uint16_t start = 0;
  while (start == 0) kx::platform::RandomBytes(&start, sizeof start);
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  for (uint32_t i = 0; i < 65535; ++i) {
    const auto number = static_cast<uint16_t>((start - 1 + i) % 65535 + 1);
    UnicodeString digits;
    for (uint16_t v = number; v != 0; v = static_cast<uint16_t>(v >> 4)) digits.insert(0, 1, kHex[v & 15]);
    if (kx::platform::CreateNewFile(folder + u"~" + digits + u".tmp")) {
      UnicodeString name = u"~" + digits;
      name.resize(std::max<size_t>(name.size(), 8), u'0');
      return folder + name + u"." + Ext;
    }
    if (kx::platform::LastOSError() != EEXIST) break;
  }
  const int32_t error = kx::platform::LastOSError();
  throw EOSError(kx::platform::OSErrorMessage(error), error);
}

UnicodeString DetermineNewFilename(const UnicodeString& Destination, TStrings& FileList,
                                   const UnicodeString& ValidExtensions,
                                   const UnicodeString& NewExtension, int32_t MaxFilenameLength,
                                   int32_t MaxFinalLength) {
  const UnicodeString folder = kx::platform::ExtractFilePath(Destination);
  const UnicodeString newExtension = CheckFileExtension(NewExtension, true);
  UnicodeString valid = UpperText(ValidExtensions) + u",";
  std::erase_if(valid, [](char16_t c) { return c == u' ' || c == u'.'; });
  const bool all = valid == u"*,";
  // Whole items only: "pdf" must not select "x.df", nor an empty item every
  // file without extension.
  std::vector<UnicodeString> items;
  for (size_t start = 0; start < valid.size();) {
    const size_t comma = valid.find(u',', start);
    if (comma > start) items.push_back(valid.substr(start, comma - start));
    start = comma + 1;
  }

  std::vector<UnicodeString> selected;
  for (int32_t i = 0; i < FileList.Count(); ++i) {
    const UnicodeString entry = FileList[i];
    UnicodeString extension = UpperText(kx::platform::ExtractFileExt(entry));
    if (!extension.empty()) extension.erase(0, 1);
    if (all || (!extension.empty() && std::find(items.begin(), items.end(), extension) != items.end()))
      selected.push_back(entry);
  }
  UnicodeString name;
  if (selected.empty()) {
    name = u"Document";
    return kx::platform::FreeFileName(folder + name + newExtension);
  }

  auto pureName = [](const UnicodeString& entry) {
    return TkxStrings::ReplaceW(ExtractPureFileName(entry), u"  ", u" ");
  };
  if (selected.size() == 1) {
    name = pureName(selected.front());
  } else {
    const size_t maxPart = static_cast<size_t>(std::max(MaxFilenameLength, 0));
    for (const UnicodeString& entry : selected) {
      UnicodeString part = pureName(entry);
      if (part.size() > maxPart) part = part.substr(0, maxPart) + u"...";
      name += (name.empty() ? u"" : u", ") + part;
    }
  }
  const size_t maxFinal = static_cast<size_t>(std::max(MaxFinalLength, 0));
  if (name.size() > maxFinal) name = name.substr(0, maxFinal) + u"...";
  name = TkxStrings::ReplaceW(name, u"....", u"...");
  return kx::platform::FreeFileName(folder + name + newExtension);
}

// ---- Well-known folders -----------------------------------------------------

UnicodeString GetTempPath() {
  const auto dir = kx::platform::EnvironmentVariable("TMPDIR");
  return CheckPathExt(dir && !dir->empty() ? ToUtf16(*dir) : UnicodeString(u"/tmp"));
}

UnicodeString GetUserTempPath() {
  const UnicodeString appData = TkxTools::GetSpecialFolderPath(28);
  if (appData.empty()) return GetTempPath();
  return appData + u"Temp" + kx::platform::PathDelimiterFor(appData);
}

UnicodeString GetWinPath(bool UserSpecific) {
  return UserSpecific ? CheckPathExt(ToUtf16(kx::platform::WindowsDirectory()))
                      : TkxWin32::GetWindowsDirectory();
}

UnicodeString GetSpecialFolder(int32_t Folder) {
  // Asking never creates the folder here.
  UnicodeString folder = ToUtf16(kx::platform::SpecialFolderPath(Folder & ~0x8000));
  while (folder.size() > 1 && IsPathDelimiter(folder.back())) folder.pop_back();
  return folder;
}

}  // namespace TkxFiles
