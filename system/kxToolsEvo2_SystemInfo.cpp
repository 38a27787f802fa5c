#include "system/kxToolsEvo2_SystemInfo.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file/ErrorText.h"
#include "platform/file/FileReader.h"
#include "platform/file/Path.h"
#include "platform/os/Folders.h"
#include "platform/os/LastError.h"
#include "platform/os/SystemInfo.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Trim.h"
#include "platform/rtl/Variant.h"
#include "system/kxConstants.h"
#include "system/kxRegistry.h"
#include "text/kxStrings.h"

namespace TkxTools {
namespace {

namespace platform = kx::platform;

// The host program's file: the executable of the process.
constexpr char16_t kHostProgram[] = u"/proc/self/exe";

// A string value (REG_SZ or REG_EXPAND_SZ) up to its first zero unit;
// nullopt when the value is missing or of another type.
std::optional<UnicodeString> RegistryString(HKEY Root, const UnicodeString& Key,
                                            const UnicodeString& Name) {
  const auto value = platform::registry::QueryValue(Root, Key, Name);
  if (!value || (value->Type != REG_SZ && value->Type != REG_EXPAND_SZ)) return std::nullopt;
  UnicodeString text;
  for (size_t i = 0; i + 1 < value->Data.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(static_cast<uint8_t>(value->Data[i]) |
                                                (static_cast<uint8_t>(value->Data[i + 1]) << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

[[noreturn]] void RaiseInvalidExecutable() { throw Exception(u"Invalid executable"); }

void ReadOrRaise(const platform::FileReader& File, uint64_t Offset, void* Buffer, size_t Count) {
  if (!File.ReadAt(Offset, Buffer, Count)) throw EReadError(u"Stream read error");
}

constexpr std::array<std::u16string_view, 20> kYesWords = {
    u"JA",  u"YES", u"OK",      u"1",   u"X",  u"TRUE", u"WAHR", u"RICHTIG", u"KORREKT", u"RIGHT",
    u"YAP", u"OUI", u"CORRECT", u"JAU", u"YO", u"JO",   u"YEP",  u"YEPP",    u"YAPP",    u"YUP"};

// PrepareXMLStringW, made once for each value of its flag so that the loop
// tests nothing it need not. Nearly every unit lies in the first range and
// needs no replacement: one comparison and a copy. Every other unit goes the
// long way through the full tables.
template <bool Notation>
UnicodeString PrepareXml(const UnicodeString& Data) {
  using kxConstants::XmlCharRanges;
  using kxConstants::XmlNotationReplacements;
  // For the units below 128: the replacement's index, -1 for a unit that is
  // copied as it is, -2 for one that needs the full tables.
  static const std::array<int8_t, 128> kAscii = [] {
    std::array<int8_t, 128> index{};
    for (char16_t u = 0; u < 128; ++u)
      index[u] = u >= XmlCharRanges[0].First && u <= XmlCharRanges[0].Last ? -1 : -2;
    if (Notation)
      for (size_t k = 0; k < XmlNotationReplacements.size(); ++k)
        index[XmlNotationReplacements[k].Char] = static_cast<int8_t>(k);
    return index;
  }();
  static const size_t kLongest = [] {
    size_t longest = 1;
    for (const auto& r : XmlNotationReplacements) longest = std::max(longest, r.Replacement.size());
    return longest;
  }();
  const char32_t first = XmlCharRanges[0].First;
  const char32_t last = XmlCharRanges[0].Last;
  const char16_t* in = Data.data();
  const size_t n = Data.size();

  UnicodeString out;
  // Without replacements every character keeps its length; with them the
  // buffer doubles whenever the room left might not take a replacement.
  out.resize(Notation ? n + n / 8 + kLongest : n);
  char16_t* q = out.data();
  size_t w = 0;
  size_t limit = out.size() - (Notation ? kLongest : 0);
  for (size_t i = 0; i < n; ++i) {
    if (Notation && w > limit) {
      out.resize(2 * out.size());
      q = out.data();
      limit = out.size() - kLongest;
    }
    const char16_t unit = in[i];
    const bool inFirstRange = unit >= first && unit <= last;
    if (Notation ? (unit < 128 ? kAscii[unit] == -1 : inFirstRange) : inFirstRange) {
      q[w++] = unit;
      continue;
    }
    if (Notation && unit < 128 && kAscii[unit] >= 0) {
      for (char16_t r : XmlNotationReplacements[kAscii[unit]].Replacement) q[w++] = r;
      continue;
    }
    char32_t c = unit;
    const bool pair =
        unit >= 0xD800 && unit <= 0xDBFF && i + 1 < n && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF;
    if (pair) c = 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (in[i + 1] - 0xDC00);
    // A lone surrogate (U+D800-U+DFFF as a character) lies in no range.
    bool allowed = false;
    for (const auto& range : XmlCharRanges)
      allowed = allowed || (c >= range.First && c <= range.Last);
    if (!allowed) {
      q[w++] = u' ';
    } else if (pair) {
      q[w++] = unit;
      q[w++] = in[++i];
    } else {
      q[w++] = unit;
    }
  }
  out.resize(w);
  return out;
}

}  // namespace

// ---- Platform and executables ------------------------------------------------

TkxOSPlatform GetOSPlatform() {
  const std::optional<UnicodeString> buildLab = RegistryString(
      HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"BuildLabEx");
  return detail::OSPlatformFromBuildLab(buildLab.value_or(u""));
}

TkxOSPlatform GetOSPlatformFromApplicationEnvironment() {
  return detail::OSPlatformFromApplication(GetOSPlatform(), GetExecutableCPUPlatform(kHostProgram));
}

bool IsExecutablex64(const UnicodeString& ModuleFileName) {
  const platform::FileReader file(ModuleFileName);
  if (!file.IsOpen())
    throw EFOpenError(u"Cannot open file \"" + ModuleFileName + u"\". " +
                      platform::OSErrorMessage(platform::LastOSError()));
  std::array<uint8_t, 64> head{};
  ReadOrRaise(file, 0, head.data(), head.size());
  if (head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') {
    const uint16_t machine =
        head[5] == 2 ? static_cast<uint16_t>(head[18] << 8 | head[19]) : Le16(&head[18]);
    return machine != 3;  // EM_386
  }
  if (head[0] != 'M' || head[1] != 'Z') RaiseInvalidExecutable();
  const uint32_t peOffset =
      static_cast<uint32_t>(Le16(&head[60])) | static_cast<uint32_t>(Le16(&head[62])) << 16;
  if (peOffset == 0) RaiseInvalidExecutable();
  std::array<uint8_t, 264> pe{};
  ReadOrRaise(file, peOffset, pe.data(), pe.size());
  if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) RaiseInvalidExecutable();
  return Le16(&pe[4]) != 0x014C;
}

TkxCPUPlatform GetExecutableCPUPlatform(const UnicodeString& ModuleFileName) {
  try {
    return IsExecutablex64(ModuleFileName) ? kxCPU_x64 : kxCPU_x86;
  } catch (...) {
    return kxCPU_Unknown;
  }
}

TkxWindowsVersion GetWindowsVersion() { return kxWV_Unknown; }

UnicodeString GetNativeWindowsSystem32Folder() {
  const UnicodeString windows = platform::IncludeTrailingDelimiter(ToUtf16(platform::WindowsDirectory()));
  const UnicodeString name =
      detail::System32FolderName(GetOSPlatform(), GetExecutableCPUPlatform(kHostProgram));
  return platform::IncludeTrailingDelimiter(windows + name);
}

// ---- Language ----------------------------------------------------------------

UnicodeString GetWindowsLanguage(uint32_t LocaleType) {
  const uint32_t lcid = platform::UserLocaleLCID();
  UnicodeString lcidText;
  if (lcid != 0) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    for (uint32_t v = lcid; v != 0 || lcidText.size() < 4; v >>= 4)
      lcidText.insert(lcidText.begin(), kHex[v & 0xF]);
  }
  switch (LocaleType) {
    case 1: return lcidText;
    case 3:
      if (!lcidText.empty())
        for (const auto& row : kxConstants::LanguageTable)
          if (row.LCID == lcidText && !row.WinAbbreviation.empty())
            return UnicodeString(row.WinAbbreviation);
      return UnicodeString(TrimBlanks(UpperText(ToUtf16(platform::UserLocaleISO3Language()))));
    default: return u"";
  }
}

UnicodeString GetShortWindowsLanguage(const UnicodeString& Default) {
  return detail::ShortLanguageFrom(Default, GetWindowsLanguage(3), GetWindowsLanguage(1));
}

bool IsWindowsThemeActive() {
  const std::optional<UnicodeString> value = RegistryString(
      HKEY_CURRENT_USER, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
      u"ThemeActive");
  return value && detail::IsYesWord(*value);
}

// ---- Folders -----------------------------------------------------------------

UnicodeString GetSpecialFolderPath(int32_t CSIDL) {
  return platform::IncludeTrailingDelimiter(
      UnicodeString(TrimBlanks(ToUtf16(platform::SpecialFolderPath(CSIDL)))));
}

UnicodeString GetAppDataPath() { return GetSpecialFolderPath(28); }

UnicodeString GetProgramFilesPath() {
  const Variant value =
      TkxRegistry::GetValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                            u"ProgramFilesDir", Variant::FromUString(u""), false);
  return platform::IncludeTrailingDelimiter(UnicodeString(TrimBlanks(VarToStr(value))));
}

// ---- Errors, drives, memory, sessions -----------------------------------------

UnicodeString GetLastErrorMessage() {
  const int32_t code = platform::LastOSError();
  return UnicodeString(TrimBlanks(platform::OSErrorMessage(code)));
}

AnsiString GetDriveTypeStr(const AnsiString& Drive) {
  std::string path;
  if (!platform::ToSystemPath(ToUtf16(Drive), path)) return "Unknown";
  const std::optional<platform::DriveKind> kind = platform::DriveKindOf(path);
  if (!kind) return "Error";
  switch (*kind) {
    case platform::DriveKind::Removable: return "Removable";
    case platform::DriveKind::Fixed: return "Fixed";
    case platform::DriveKind::Network: return "Network";
    case platform::DriveKind::CdRom: return "CD-ROM";
    case platform::DriveKind::RamDisk: return "RAM Disk";
    case platform::DriveKind::NoMountPoint: break;
  }
  return "Unknown";
}

UnicodeString GetVolumeLabel(char16_t /*DriveChar*/) { return u""; }

int32_t GetMemoryUsage() {
  return static_cast<int32_t>(static_cast<uint32_t>(platform::ResidentMemoryOfSelf().value_or(0)));
}

uint32_t GetProcessMemoryUsage(uint32_t ProcessId) {
  return static_cast<uint32_t>(platform::ResidentMemoryOfProcess(ProcessId).value_or(0));
}

int32_t GetNumberOfProcessors() { return platform::OnlineProcessorCount(); }

bool IsRDPSession() { return platform::IsRemoteSession(); }
bool IsRemoteSession() { return platform::IsRemoteSession(); }

// ---- XML ---------------------------------------------------------------------

UnicodeString PrepareXMLStringW(const UnicodeString& Data, bool ApplyNotationReplacements) {
  return ApplyNotationReplacements ? PrepareXml<true>(Data) : PrepareXml<false>(Data);
}

// ---- Pure classifiers -----------------------------------------------------------

namespace detail {

TkxOSPlatform OSPlatformFromBuildLab(const UnicodeString& BuildLabEx) {
  const UnicodeString t = LowerText(BuildLabEx);
  auto has = [&](std::u16string_view s) { return t.find(s) != UnicodeString::npos; };
  if (has(u".amd64")) return kxOSP_Win64;
  if (has(u".x86")) return kxOSP_Win32;
  if (has(u"amd64")) return kxOSP_Win64;
  if (has(u"x86")) return kxOSP_Win32;
  return kxOSP_Unknown;
}

TkxOSPlatform OSPlatformFromApplication(TkxOSPlatform OS, TkxCPUPlatform Program) {
  if (OS == kxOSP_Win32) return Program == kxCPU_x86 ? kxOSP_Win32 : kxOSP_Unknown;
  if (OS == kxOSP_Win64) {
    if (Program == kxCPU_x86) return kxOSP_Win32;
    if (Program == kxCPU_x64) return kxOSP_Win64;
  }
  return kxOSP_Unknown;
}

UnicodeString System32FolderName(TkxOSPlatform OS, TkxCPUPlatform Program) {
  return OS == kxOSP_Win64 && Program == kxCPU_x86 ? u"Sysnative" : u"System32";
}

TkxWindowsVersion WindowsVersionFrom(uint32_t Major, uint32_t Minor, uint8_t ProductType,
                                     bool ServerR2) {
  const uint32_t v = Major * 100 + Minor;
  if (Major > 100 || Minor > 99) return kxWV_Unknown;
  if (ProductType == 1) {
    switch (v) {
      case 500: return kxWV_Win2000;
      case 501: return kxWV_WinXP;
      case 600: return kxWV_WinVista;
      case 601: return kxWV_Win7;
      case 602: return kxWV_Win8;
      case 603: return kxWV_Win8_1;
      case 1000: return kxWV_Win10;
      default: return kxWV_Unknown;
    }
  }
  switch (v) {
    case 502: return ServerR2 ? kxWV_WinServer2003R2 : kxWV_WinServer2003;
    case 600: return kxWV_WinServer2008;
    case 601: return kxWV_WinServer2008R2;
    case 602: return kxWV_WinServer2012;
    case 603: return kxWV_WinServer2012R2;
    case 1000: return kxWV_WinServer2016;
    default: return kxWV_Unknown;
  }
}

UnicodeString ShortLanguageFrom(const UnicodeString& Default, const UnicodeString& Abbreviation,
                                const UnicodeString& LCID) {
  for (const auto& row : kxConstants::LanguageTable) {
    if (row.Iso639_2B == Abbreviation ||
        (!row.Iso639_2T.empty() && row.Iso639_2T == Abbreviation) ||
        (!row.WinAbbreviation.empty() && row.WinAbbreviation == Abbreviation) ||
        (!row.LCID.empty() && row.LCID == LCID))
      return UpperText(UnicodeString(row.Iso639_1));
  }
  return UpperText(Default);
}

bool IsYesWord(const UnicodeString& Text) {
  UnicodeString upper = Text;
  for (char16_t& c : upper)
    if (c >= u'a' && c <= u'z') c -= 32;
  for (std::u16string_view word : kYesWords)
    if (upper == word) return true;
  return false;
}

}  // namespace detail

}  // namespace TkxTools
