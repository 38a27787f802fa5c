#include "system/kxVersionTools.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/versioninfo/VersionBlock.h"
#include "platform/versioninfo/VersionResource.h"
#include "text/kxConversion.h"
#include "text/kxStrings.h"

namespace TkxVersionTools {

namespace detail {
const std::array<FileInfoField, 10> FileInfoFields = {{
    {u"CompanyName", &TkxFileInfo::CompanyName},
    {u"FileDescription", &TkxFileInfo::FileDescription},
    {u"FileVersion", &TkxFileInfo::FileVersion},
    {u"InternalName", &TkxFileInfo::InternalName},
    {u"LegalCopyright", &TkxFileInfo::LegalCopyright},
    {u"LegalTrademarks", &TkxFileInfo::LegalTrademarks},
    {u"OriginalFilename", &TkxFileInfo::OriginalFilename},
    {u"ProductName", &TkxFileInfo::ProductName},
    {u"ProductVersion", &TkxFileInfo::ProductVersion},
    {u"Comment", &TkxFileInfo::Comment},
}};
}  // namespace detail

namespace {

namespace vi = kx::platform::versioninfo;

using TextChanges = std::vector<std::pair<std::u16string_view, UnicodeString>>;

bool ChangeTexts(const UnicodeString& FileName, const TextChanges& Changes) {
  return vi::RewriteVersionBlock(FileName, [&](std::string& block) {
    const std::optional<vi::VersionBlock> parsed = vi::ParseVersionBlock(block);
    if (!parsed) return false;
    if (parsed->HasFixedInfo) vi::SetFileVersion(block, 0x00010001, 0x00010001);
    for (const vi::Translation& t : parsed->Translations) {
      const vi::StringTable* table = parsed->FindTable(t);
      if (table == nullptr) continue;
      for (const auto& [name, value] : Changes)
        if (const vi::StringEntry* entry = vi::FindEntry(*table, name))
          vi::ReplaceText(block, *entry, value);
    }
    return true;
  });
}

// The first four parts of Text + Tail split at ".", each read by StrToInt.
std::array<int64_t, 4> ReadParts(const UnicodeString& Text, const UnicodeString& Tail,
                                 int32_t ErrorVal) {
  TStringList parts;
  TkxStrings::SplitStringW(Text + Tail, u".", parts);
  std::array<int64_t, 4> out{};
  for (int32_t i = 0; i < 4; ++i)
    out[i] = i < parts.GetCount() ? TkxConversion::StrToInt(parts[i], ErrorVal) : 0;
  return out;
}

bool IsZero(const TkxVersion& v) {
  return v.Major == 0 && v.Minor == 0 && v.Revision == 0 && v.Build == 0;
}

}  // namespace

bool ChangeFileVersionInformation(const UnicodeString& FileName, const UnicodeString& Attribute,
                                  const UnicodeString& AttrValue) {
  return ChangeTexts(FileName, {{Attribute, AttrValue}});
}

bool ChangeFileVersionInformation(const UnicodeString& FileName, const TkxFileInfo& FileInfo) {
  TextChanges changes;
  for (const auto& field : detail::FileInfoFields)
    changes.emplace_back(field.Name, FileInfo.*field.Field);
  return ChangeTexts(FileName, changes);
}

bool ChangeInternalFileVersion(const UnicodeString& FileName, uint16_t Major, uint16_t Minor,
                               uint16_t Revision, uint16_t Build) {
  const uint32_t ms = static_cast<uint32_t>(Major) << 16 | Minor;
  const uint32_t ls = static_cast<uint32_t>(Revision) << 16 | Build;
  return vi::RewriteVersionBlock(FileName, [&](std::string& block) {
    const std::optional<vi::VersionBlock> parsed = vi::ParseVersionBlock(block);
    if (!parsed || !parsed->HasFixedInfo) return false;
    vi::SetFileVersion(block, ms, ls);
    vi::SetProductVersion(block, ms, ls);
    return true;
  });
}

bool GetInternalFileVersion(const UnicodeString& FileName, uint16_t& Major, uint16_t& Minor,
                            uint16_t& Revision, uint16_t& Build) {
  Major = Minor = Revision = Build = 0;
  const std::optional<std::string> block = vi::ReadVersionBlock(FileName);
  if (!block) return false;
  const std::optional<vi::VersionBlock> parsed = vi::ParseVersionBlock(*block);
  if (!parsed || !parsed->HasFixedInfo) return false;
  Major = static_cast<uint16_t>(parsed->Fixed.FileVersionMS >> 16);
  Minor = static_cast<uint16_t>(parsed->Fixed.FileVersionMS & 0xFFFF);
  Revision = static_cast<uint16_t>(parsed->Fixed.FileVersionLS >> 16);
  Build = static_cast<uint16_t>(parsed->Fixed.FileVersionLS & 0xFFFF);
  return true;
}

AnsiString GetInternalFileVersionStr(const UnicodeString& FileName) {
  uint16_t major, minor, revision, build;
  if (!GetInternalFileVersion(FileName, major, minor, revision, build)) return "Unknown";
  using TkxConversion::IntToStr;
  return IntToStr(major) + "." + IntToStr(minor) + "." + IntToStr(revision) + "." + IntToStr(build);
}

uint16_t GetBuild(const UnicodeString& FileName) {
  uint16_t major, minor, revision, build;
  GetInternalFileVersion(FileName, major, minor, revision, build);
  return build;
}

TkxVersion GetVersionFromStr(const UnicodeString& Version) {
  const std::array<int64_t, 4> p = ReadParts(Version, u"....", 0);
  return {static_cast<uint32_t>(p[0]), static_cast<uint32_t>(p[1]), static_cast<uint32_t>(p[2]),
          static_cast<uint32_t>(p[3])};
}

UnicodeString GetVersionStr(const TkxVersion& Version) {
  using TkxConversion::IntToStr;
  return ToUtf16(IntToStr(Version.Major) + "." + IntToStr(Version.Minor) + "." +
                 IntToStr(Version.Revision) + "." + IntToStr(Version.Build));
}

bool IsValidVersionString(const UnicodeString& Version) {
  for (int64_t part : ReadParts(Version, u".0.0.0.", -1))
    if (part < 0) return false;
  return true;
}

bool IsValidVersion(const TkxVersion& Version) {
  constexpr uint32_t kInvalid = 99999;
  const bool allInvalid = Version.Major == kInvalid && Version.Minor == kInvalid &&
                          Version.Revision == kInvalid && Version.Build == kInvalid;
  return !IsZero(Version) && !allInvalid;
}

bool IsValidVersion(const UnicodeString& Version) {
  return IsValidVersion(GetVersionFromStr(Version));
}

TkxVersionComparison CompareVersions(const TkxVersion& TestVersion,
                                     const TkxVersion& ReferenceVersion) {
  if (IsZero(TestVersion) || IsZero(ReferenceVersion)) return kxVC_Unknown;
  const std::array<uint32_t, 4> a = {TestVersion.Major, TestVersion.Minor, TestVersion.Revision,
                                     TestVersion.Build};
  const std::array<uint32_t, 4> b = {ReferenceVersion.Major, ReferenceVersion.Minor,
                                     ReferenceVersion.Revision, ReferenceVersion.Build};
  if (a == b) return kxVC_Identical;
  return a < b ? kxVC_Older : kxVC_Newer;
}

TkxVersionComparison CompareVersions(const UnicodeString& TestVersion,
                                     const UnicodeString& ReferenceVersion) {
  return CompareVersions(GetVersionFromStr(TestVersion), GetVersionFromStr(ReferenceVersion));
}

TkxVersion InitVersion() { return {}; }

}  // namespace TkxVersionTools
