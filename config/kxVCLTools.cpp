#include "config/kxVCLTools.h"

#include <cstring>
#include <optional>
#include <string>

#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"
#include "platform/versioninfo/VersionResource.h"
#include "system/kxToolsEvo2_Identity.h"

namespace kxVCLTools {
namespace {

namespace vi = kx::platform::versioninfo;

constexpr char16_t kUnknown[] = u"Unknown";

UnicodeString Trimmed(std::u16string_view Text) { return UnicodeString(TrimBlanks(Text)); }

bool EqualsIgnoringAsciiCase(std::u16string_view A, std::u16string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    char16_t a = A[i], b = B[i];
    if (a >= u'a' && a <= u'z') a = char16_t(a - 32);
    if (b >= u'a' && b <= u'z') b = char16_t(b - 32);
    if (a != b) return false;
  }
  return true;
}

uint32_t Read32(const std::string& Block, size_t At) {
  const auto* p = reinterpret_cast<const unsigned char*>(Block.data() + At);
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

UnicodeString QueryVersionString(const vi::VersionBlock& Block, const UnicodeString& Key) {
  // "\StringFileInfo\<table>\<name>"
  std::u16string_view rest(Key);
  if (!rest.empty() && rest.front() == u'\\') rest.remove_prefix(1);
  const size_t first = rest.find(u'\\');
  if (first == std::u16string_view::npos || !EqualsIgnoringAsciiCase(rest.substr(0, first), u"StringFileInfo"))
    return {};
  rest.remove_prefix(first + 1);
  const size_t second = rest.find(u'\\');
  if (second == std::u16string_view::npos) return {};
  const std::u16string_view table = rest.substr(0, second), name = rest.substr(second + 1);
  for (const vi::StringTable& candidate : Block.Tables) {
    if (!EqualsIgnoringAsciiCase(candidate.Key, table)) continue;
    const vi::StringEntry* entry = vi::FindEntry(candidate, name);
    return entry != nullptr ? Trimmed(entry->Text) : UnicodeString();
  }
  return {};
}

bool ReadFileInfo(const UnicodeString& FileName, TFileInfo& Info) {
  try {
    const std::optional<std::string> bytes = vi::ReadVersionBlock(FileName);
    if (!bytes || bytes->empty()) {
      for (UnicodeString* field : {&Info.CompanyName, &Info.FileDescription, &Info.FileVersion,
                                   &Info.InternalName, &Info.LegalCopyright, &Info.LegalTrademarks,
                                   &Info.OriginalFilename, &Info.ProductName, &Info.ProductVersion,
                                   &Info.Comment})
        *field = kUnknown;
      return false;
    }
    const std::optional<vi::VersionBlock> block = vi::ParseVersionBlock(*bytes);
    if (!block || block->Translations.empty()) return false;
    const vi::Translation first = block->Translations.front();
    const UnicodeString prefix = u"\\StringFileInfo\\" + IntToHex(int32_t(first.Language), 4) +
                                 IntToHex(int32_t(first.CodePage), 4) + u"\\";
    Info.CompanyName = QueryVersionString(*block, prefix + u"CompanyName");
    Info.FileDescription = QueryVersionString(*block, prefix + u"FileDescription");
    Info.FileVersion = QueryVersionString(*block, prefix + u"FileVersion");
    Info.InternalName = QueryVersionString(*block, prefix + u"InternalName");
    Info.LegalCopyright = QueryVersionString(*block, prefix + u"LegalCopyright");
    Info.LegalTrademarks = QueryVersionString(*block, prefix + u"LegalTrademarks");
    Info.OriginalFilename = QueryVersionString(*block, prefix + u"OriginalFilename");
    Info.ProductName = QueryVersionString(*block, prefix + u"ProductName");
    Info.ProductVersion = QueryVersionString(*block, prefix + u"ProductVersion");
    Info.Comment = QueryVersionString(*block, prefix + u"Comment");
    return true;
  } catch (...) {
    return false;
  }
}

bool ReadFixedFileVersion(const UnicodeString& FileName, uint16_t& Major, uint16_t& Minor,
                          uint16_t& Release, uint16_t& Build) {
  Major = Minor = Release = Build = 0;
  try {
    const std::optional<std::string> block = vi::ReadVersionBlock(FileName);
    if (!block || block->size() < vi::kFileVersionLSOffset + 4) return false;
    const uint32_t ms = Read32(*block, vi::kFileVersionMSOffset);
    const uint32_t ls = Read32(*block, vi::kFileVersionLSOffset);
    Major = uint16_t(ms >> 16);
    Minor = uint16_t(ms & 0xFFFF);
    Release = uint16_t(ls >> 16);
    Build = uint16_t(ls & 0xFFFF);
    return true;
  } catch (...) {
    return false;
  }
}

UnicodeString GetFileVersionText(const UnicodeString& FileName) {
  uint16_t major, minor, release, build;
  if (!ReadFixedFileVersion(FileName, major, minor, release, build)) return kUnknown;
  return IntToStr(int32_t(major)) + u"." + IntToStr(int32_t(minor)) + u"." + IntToStr(int32_t(release)) +
         u"." + IntToStr(int32_t(build));
}

UnicodeString GetModuleDescription() {
  TFileInfo info;
  return ReadFileInfo(TkxTools::GetModuleFileName(), info) ? info.FileDescription : UnicodeString(kUnknown);
}

UnicodeString GetModuleCopyright() {
  TFileInfo info;
  return ReadFileInfo(TkxTools::GetModuleFileName(), info) ? info.LegalCopyright : UnicodeString(kUnknown);
}

UnicodeString GetModuleVersionText() {
  TFileInfo info;
  const UnicodeString module = TkxTools::GetModuleFileName();
  if (!ReadFileInfo(module, info)) return u"Unknown build";
  return GetFileVersionText(module) + u" (rel. " + info.ProductVersion + u")";
}

UnicodeString PlaceholderOr(const UnicodeString& Text) {
  return TrimBlanks(Text).substr(0, 5) == u"#####" ? UnicodeString(u"#####") : Text;
}

}  // namespace kxVCLTools
