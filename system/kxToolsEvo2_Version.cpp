#include "system/kxToolsEvo2_Version.h"

#include <optional>
#include <string>

#include "platform/rtl/Trim.h"
#include "platform/versioninfo/VersionBlock.h"
#include "platform/versioninfo/VersionResource.h"
#include "system/kxToolsEvo2_Identity.h"
#include "system/kxVersionTools.h"
#include "text/kxStrings.h"

namespace TkxTools {
namespace {

namespace vi = kx::platform::versioninfo;

// GetFileInfo of the module, or nullopt.
std::optional<TkxFileInfo> ModuleFileInfo() {
  TkxFileInfo info;
  if (!GetFileInfo(GetModuleFileName(), info)) return std::nullopt;
  return info;
}

UnicodeString ModuleText(UnicodeString TkxFileInfo::*Field) {
  const std::optional<TkxFileInfo> info = ModuleFileInfo();
  return info ? (*info).*Field : UnicodeString(u"Unknown");
}

// "1.2" -> "00000000010000000002"
UnicodeString VersionKey(const UnicodeString& Version) {
  UnicodeString text;
  for (char16_t c : Version) {
    if (c == u' ') continue;
    text.push_back(c == u',' ? u'.' : c);
  }
  text.push_back(u'.');
  UnicodeString key;
  size_t start = 0;
  for (size_t dot = text.find(u'.'); dot != UnicodeString::npos;
       start = dot + 1, dot = text.find(u'.', start)) {
    const size_t length = dot - start;
    if (length < 10) key.append(10 - length, u'0');
    key.append(text, start, length);
  }
  return key;
}

}  // namespace

bool GetFileInfo(const UnicodeString& FileName, TkxFileInfo& FileInfo) {
  const std::optional<std::string> block = vi::ReadVersionBlock(FileName);
  const std::optional<vi::VersionBlock> parsed =
      block ? vi::ParseVersionBlock(*block) : std::nullopt;
  if (!parsed) {
    for (const auto& field : TkxVersionTools::detail::FileInfoFields)
      FileInfo.*field.Field = u"Unknown";
    return false;
  }
  if (parsed->Translations.empty()) return false;
  const vi::StringTable* table = parsed->FindTable(parsed->Translations.front());
  for (const auto& field : TkxVersionTools::detail::FileInfoFields) {
    const vi::StringEntry* entry = table ? vi::FindEntry(*table, field.Name) : nullptr;
    FileInfo.*field.Field = entry ? UnicodeString(TrimBlanks(entry->Text)) : u"";
  }
  return true;
}

UnicodeString GetProgramVersion() { return GetProgramVersion(GetModuleFileName()); }

UnicodeString GetProgramVersion(const UnicodeString& FileName) {
  TkxFileInfo info;
  if (!GetFileInfo(FileName, info)) return u"Unknown";
  return info.ProductVersion + u" (build " +
         ToUtf16(TkxVersionTools::GetInternalFileVersionStr(FileName)) + u")";
}

bool GetProgramVersion(const UnicodeString& FileName, uint16_t& Major, uint16_t& Minor,
                       uint16_t& Revision, uint16_t& Build) {
  return TkxVersionTools::GetInternalFileVersion(FileName, Major, Minor, Revision, Build);
}

UnicodeString GetFileBuild(const UnicodeString& FileName) {
  return ToUtf16(TkxVersionTools::GetInternalFileVersionStr(FileName));
}

UnicodeString GetProgramCopyright() { return ModuleText(&TkxFileInfo::LegalCopyright); }
UnicodeString GetProgramCopyrightString() { return ModuleText(&TkxFileInfo::LegalCopyright); }
UnicodeString GetProgramProductString() { return ModuleText(&TkxFileInfo::ProductName); }
UnicodeString GetProgramDescription() { return ModuleText(&TkxFileInfo::FileDescription); }

int32_t CompareVersions(const UnicodeString& Ver1, const UnicodeString& Ver2) {
  const UnicodeString a = VersionKey(Ver1);
  const UnicodeString b = VersionKey(Ver2);
  if (a == b) return 0;
  return a > b ? 1 : 2;
}

}  // namespace TkxTools
