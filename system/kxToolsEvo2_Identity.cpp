#include "system/kxToolsEvo2_Identity.h"

#include <string_view>

#include "platform/file/Path.h"
#include "platform/os/CommandLine.h"
#include "platform/os/System.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Guid.h"
#include "platform/rtl/Trim.h"
#include "system/kxTypes_Variant.h"
#include "text/kxStrings_Search.h"

namespace TkxTools {
namespace {

constexpr size_t kNetBiosLength = 15;

std::string FirstLabel(const std::string& host) { return host.substr(0, host.find('.')); }

// The canonical name of this host; the host name itself when the lookup
// fails.
std::string CanonicalName() {
  const std::string host = kx::platform::HostName();
  const std::string canonical = kx::platform::CanonicalHostName(host);
  return canonical.empty() ? host : canonical;
}

// Calls F(name, value) for each part of a "name=value;..." list until F
// answers false.
template <class F>
void ForEachPart(const UnicodeString& ConfigString, F&& f) {
  std::u16string_view s = ConfigString;
  while (!s.empty()) {
    const size_t semi = s.find(u';');
    const std::u16string_view part = TrimBlanks(s.substr(0, semi));
    const size_t eq = part.find(u'=');
    const std::u16string_view name =
        eq == std::u16string_view::npos ? std::u16string_view() : part.substr(0, eq);
    const std::u16string_view value = eq == std::u16string_view::npos ? part : part.substr(eq + 1);
    if (!f(name, value)) return;
    if (semi == std::u16string_view::npos) return;
    s.remove_prefix(semi + 1);
  }
}

// Uniform in 0 .. n-1 (n > 0), without the bias of a plain modulo.
uint32_t RandomBelow(uint32_t n) {
  const uint32_t limit = UINT32_MAX - UINT32_MAX % n;
  uint32_t r;
  do {
    kx::platform::RandomBytes(&r, sizeof r);
  } while (r >= limit);
  return r % n;
}

}  // namespace

AnsiString CreateGuidStr() { return ToUtf8(GUIDToString(CreateGUID())); }

TIdType CreateId() {
  const AnsiString guid = CreateGuidStr();
  AnsiString id;
  for (size_t i = 1; i + 1 < guid.size(); ++i)
    if (guid[i] != '-') id.push_back(guid[i]);
  return TIdType(id);
}

UnicodeString GetComputerName() {
  UnicodeString text = ToUtf16(AsciiUpper(FirstLabel(kx::platform::HostName())));
  if (text.size() > kNetBiosLength) text.resize(kNetBiosLength);
  return text;
}

UnicodeString GetComputerNameEx(uint32_t Format) {
  if (Format > 8) throw Exception(u"unknown format descriptor");
  switch (Format) {
    case 0:
    case 4:
      return GetComputerName();
    case 1:
    case 5:
      return ToUtf16(FirstLabel(kx::platform::HostName()));
    case 2:
    case 6: {
      const std::string canonical = CanonicalName();
      const size_t dot = canonical.find('.');
      return dot == std::string::npos ? UnicodeString() : ToUtf16(canonical.substr(dot + 1));
    }
    case 3:
    case 7: {
      const std::string canonical = CanonicalName();
      return ToUtf16(canonical.find('.') != std::string::npos ? canonical
                                                              : kx::platform::HostName());
    }
    default:
      return UnicodeString();  // 8 names no format: the call fails
  }
}

UnicodeString GetUserName() {
  kx::platform::UserAccount account;
  if (!kx::platform::EffectiveUserAccount(account)) return UnicodeString();
  return UnicodeString(TrimBlanks(ToUtf16(account.Name)));
}

UnicodeString GetUserNameEx(uint32_t Format) {
  const UnicodeString user = GetUserName();
  if (Format == NameSamCompatible && !user.empty())
    return UnicodeString(TrimBlanks(UpperText(GetComputerName()) + u"\\" + user));
  if (Format == NameDisplay) {
    kx::platform::UserAccount account;
    if (kx::platform::EffectiveUserAccount(account)) {
      const UnicodeString full(TrimBlanks(ToUtf16(account.FullName)));
      if (!full.empty()) return full;
    }
  }
  switch (Format) {
    case 0:
    case 3:
    case 7:
    case 9:
      return user;
    case 1:
    case 2:
    case 8:
    case 10:
    case 11:
      return UpperText(GetComputerName()) + u"\\" + user;
    case 6:
      return UnicodeString();
    default:
      throw Exception(u"invalid format type");
  }
}

UnicodeString GetEnvironmentString(const UnicodeString& EnvironmentStr) {
  if (auto exact = kx::platform::EnvironmentVariable(ToUtf8(EnvironmentStr)))
    return ToUtf16(*exact);
  const UnicodeString wanted = UpperText(EnvironmentStr);
  for (const auto& [name, value] : kx::platform::EnvironmentVariables())
    if (UpperText(ToUtf16(name)) == wanted) return ToUtf16(value);
  return UnicodeString();
}

Variant GetEnvironmentStringEx(const UnicodeString& EnvironmentStr, const Variant& Default,
                               uint16_t ResultType) {
  const UnicodeString text = GetEnvironmentString(EnvironmentStr);
  if (text.empty()) return Default;
  if (ResultType == varNull) ResultType = TkxTypes::GetVarType(Default);
  return TkxTypes::StrToVarExt(text, ResultType);
}

UnicodeString GetModuleFileName() { return ToUtf16(kx::platform::ModuleFileName()); }

UnicodeString GetModuleFileNameInfo() { return GetModuleFileName(); }

AnsiString GetModulePath() {
  const UnicodeString path = GetModuleFileName();
  const size_t last = path.find_last_of(u"/\\");
  if (last == UnicodeString::npos) return AnsiString();
  return ToUtf8(path.substr(0, last) + kx::platform::PathDelimiterFor(path));
}

Variant GetStartParam(const UnicodeString& Name, const Variant& Default, const AnsiString& Prefix,
                      uint16_t ResultType) {
  const UnicodeString key = ToUtf16(Prefix) + UpperText(Name);
  const std::vector<UnicodeString> args = kx::platform::CommandLineArguments();
  for (size_t i = 1; i < args.size(); ++i) {
    const UnicodeString& arg = args[i];
    const size_t eq = arg.find(u'=');
    const UnicodeString name =
        eq == UnicodeString::npos ? UnicodeString() : UpperText(arg.substr(0, eq));
    if (name != key) continue;
    if (ResultType == varNull) ResultType = TkxTypes::GetVarType(Default);
    return TkxTypes::StrToVarExt(eq == UnicodeString::npos ? UnicodeString() : arg.substr(eq + 1),
                                 ResultType);
  }
  return Default;
}

UnicodeString GetConfigStringParameter(const UnicodeString& ConfigString,
                                       const UnicodeString& Parameter,
                                       const UnicodeString& Default) {
  UnicodeString result = Default;
  ForEachPart(ConfigString, [&](std::u16string_view name, std::u16string_view value) {
    if (!SameTextAscii(name, Parameter)) return true;
    result.assign(value);
    return false;
  });
  return result;
}

bool GetConfigStringParameters(const UnicodeString& ConfigString, const UnicodeString& Parameter,
                               TStringList*& Values) {
  if (Values == nullptr) Values = new TStringList();
  ForEachPart(ConfigString, [&](std::u16string_view name, std::u16string_view value) {
    if (Parameter.empty() || SameTextAscii(name, Parameter)) Values->Add(UnicodeString(value));
    return true;
  });
  return true;
}

uint32_t GetTickCount() {
  return static_cast<uint32_t>(kx::platform::MillisecondsSinceBoot() & 0xFFFFFFFFu);
}

AnsiString GeneratePassword(int32_t PWLen, bool HighSec) {
  static constexpr std::string_view kKinds[] = {"0123456789", "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                                                "abcdefghijklmnopqrstuvwxyz", "!%#$+?*"};
  AnsiString password;
  for (int32_t i = 0; i < PWLen; ++i) {
    const std::string_view kind = kKinds[RandomBelow(HighSec ? 4 : 3)];
    password.push_back(kind[RandomBelow(static_cast<uint32_t>(kind.size()))]);
  }
  return password;
}

namespace detail {
void InitializeModulePath() { (void)kx::platform::ModuleFileName(); }
}  // namespace detail

}  // namespace TkxTools
