#include "environment/kxConsoleTools.h"

#include <chrono>
#include <optional>
#include <thread>

#include "environment/kxVanto_Identity.h"
#include "platform/console.h"
#include "platform/file/FileSystem.h"
#include "platform/named_mutex.h"
#include "platform/os/CommandLine.h"
#include "platform/os/HostProgram.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/IniFile.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"
#include "system/kxToolsEvo2_Identity.h"
#include "system/kxTypes_Variant.h"
#include "text/kxStrings.h"

namespace {

// ParamStrW(0) ... ParamStrW(ParamCount), read once.
std::vector<UnicodeString> Params() {
  std::vector<UnicodeString> params = kx::platform::CommandLineArguments();
  for (UnicodeString& p : params) std::erase(p, u'"');
  if (params.empty()) params.emplace_back();
  params[0] = ToUtf16(kx::platform::HostProgramFileName());
  return params;
}

// The value of Param when its part before the first Separator, upper-cased,
// is Key; nullopt otherwise (also without a Separator).
std::optional<UnicodeString> MatchParam(const UnicodeString& Param, const UnicodeString& Key,
                                        const UnicodeString& Separator) {
  if (Separator.empty()) return std::nullopt;
  const size_t at = Param.find(Separator);
  if (at == UnicodeString::npos || UpperText(Param.substr(0, at)) != Key) return std::nullopt;
  return Param.substr(at + Separator.size());
}

// The first matching value of a "--name=value" argument.
std::optional<UnicodeString> FirstParam(const UnicodeString& Name, const AnsiString& Prefix) {
  const UnicodeString key = ToUtf16(Prefix) + UpperText(Name);
  const std::vector<UnicodeString> params = Params();
  for (size_t i = 1; i < params.size(); ++i)
    if (auto value = MatchParam(params[i], key, u"=")) return value;
  return std::nullopt;
}

}  // namespace

TkxConsoleTools::TkxConsoleTools() : ServerName(TkxVanto::GetProgramName()) {}

// ---- Command line ------------------------------------------------------------------

UnicodeString TkxConsoleTools::ParamStrW(int32_t Index) {
  if (Index == 0) return ToUtf16(kx::platform::HostProgramFileName());
  std::vector<UnicodeString> arguments = kx::platform::CommandLineArguments();
  if (Index < 0) ++Index;  // -1 is argument 0 as it was written
  if (Index < 0 || static_cast<size_t>(Index) >= arguments.size()) return UnicodeString();
  std::erase(arguments[Index], u'"');
  return arguments[Index];
}

int32_t TkxConsoleTools::ParamCount() {
  const size_t n = kx::platform::CommandLineArguments().size();
  return n == 0 ? 0 : static_cast<int32_t>(n - 1);
}

bool TkxConsoleTools::GetStartParams(const UnicodeString& Name, TStringList*& Values,
                                     const AnsiString& Prefix) {
  if (Values == nullptr) Values = new TStringList();
  Values->Clear();
  const UnicodeString key = ToUtf16(Prefix) + UpperText(Name);
  const std::vector<UnicodeString> params = Params();
  for (size_t i = 1; i < params.size(); ++i)
    if (const auto value = MatchParam(params[i], key, u"=")) Values->Add(*value);
  return true;
}

Variant TkxConsoleTools::GetStartParam(const UnicodeString& Name, const Variant& Default,
                                       const AnsiString& Prefix) {
  const std::optional<UnicodeString> value = FirstParam(Name, Prefix);
  return value ? Variant::FromUString(*value) : Default;
}

Variant TkxConsoleTools::GetStartParamEx(const UnicodeString& Name, const Variant& Default,
                                         const AnsiString& Prefix, uint16_t ResultType) {
  const std::optional<UnicodeString> value = FirstParam(Name, Prefix);
  if (!value) return Default;
  return TkxTypes::StrToVarExt(*value,
                               ResultType == varNull ? TkxTypes::GetVarType(Default) : ResultType);
}

UnicodeString TkxConsoleTools::BuildParamString(const std::vector<UnicodeString>& Params,
                                                const AnsiString& Prefix) {
  const UnicodeString prefix = ToUtf16(Prefix);
  UnicodeString line;
  for (const UnicodeString& p : Params) line += u"\"" + prefix + p + u"\" ";
  return UnicodeString(TrimBlanks(line));
}

bool TkxConsoleTools::GetHelpStartParamState() {
  const std::vector<UnicodeString> params = Params();
  return params.size() == 2 && (params[1] == u"/?" || params[1] == u"-?" || params[1] == u"--?");
}

UnicodeString TkxConsoleTools::GetOwnCommandLine() {
  UnicodeString line;
  for (const UnicodeString& p : Params()) line += p + u" ";
  return UnicodeString(TrimBlanks(line));
}

// ---- Start parameters with defaults ------------------------------------------------------

Variant TkxConsoleTools::GetStartParameter(const UnicodeString& Name, const Variant& Default,
                                           const AnsiString& ParamPrefix,
                                           const AnsiString& ParamValueSeparator) {
  Variant result = Default;
  Message.clear();
  try {
    const UnicodeString key = ToUtf16(ParamPrefix) + UpperText(Name);
    const UnicodeString separator = ToUtf16(ParamValueSeparator);
    const std::vector<UnicodeString> params = Params();
    for (size_t i = 1; i < params.size(); ++i) {
      if (const auto value = MatchParam(params[i], key, separator)) {
        return TkxTypes::StrToVarExt(*value, TkxTypes::GetVarType(Default));
      }
    }
    if (DefaultStartParamIni.empty() || !kx::platform::EntryExists(DefaultStartParamIni) ||
        kx::platform::DirectoryExists(DefaultStartParamIni))
      return result;
    const TMemIniFile ini(DefaultStartParamIni);
    if (!ini.ValueExists(u"Parameters", Name)) return result;
    switch (VarType(Default)) {
      case varSmallint:
      case varInteger:
      case varByte:
      case varWord:
      case varLongWord:
      case varInt64:
        result = Variant::FromInteger(ini.ReadInteger(u"Parameters", Name, Default.ToInteger()));
        break;
      case varBoolean:
        result = Variant::FromBoolean(ini.ReadBool(u"Parameters", Name, Default.ToBoolean()));
        break;
      default:
        result = Variant::FromUString(ini.ReadString(u"Parameters", Name, VarToStr(Default)));
        break;
    }
  } catch (const Exception& e) {
    Message = e.Message;
  }
  return result;
}

bool TkxConsoleTools::GetStartParameters(const UnicodeString& Name, TStringList*& Values,
                                         const AnsiString& Prefix) {
  try {
    GetStartParams(Name, Values, Prefix);
  } catch (...) {
  }
  return true;
}

// ---- Console --------------------------------------------------------------------------

bool TkxConsoleTools::KeyPressed() { return kx::platform::console::KeyPressed(); }

bool TkxConsoleTools::WaitForKeypressed(int32_t WaitSeconds) {
  double counted = 0.0;
  while (true) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    counted += 0.5;
    if (KeyPressed()) break;
    if (WaitSeconds > 0 && counted > WaitSeconds) break;
  }
  return true;
}

bool TkxConsoleTools::ClsConsole() { return kx::platform::console::ClearScreen(); }

bool TkxConsoleTools::SetConsoleTitle() {
  UnicodeString title = ServerName;
  if (InstanceId > 0) title += u" (instance id " + IntToStr(InstanceId) + u")";
  return kx::platform::console::SetTitle(title);
}

// ---- Mutexes ----------------------------------------------------------------------------

bool TkxConsoleTools::IsMutexActive(const UnicodeString& MutexName) {
  try {
    return kx::platform::named_mutex::IsActive(MutexName);
  } catch (...) {
    return false;
  }
}

bool TkxConsoleTools::WaitForMutex(const UnicodeString& MutexName, int32_t Wait) {
  try {
    return kx::platform::named_mutex::Wait(MutexName, Wait) !=
           kx::platform::named_mutex::WaitResult::Failed;
  } catch (...) {
    return false;
  }
}

bool TkxConsoleTools::RegisterMutex(const UnicodeString& MutexName) {
  try {
    return kx::platform::named_mutex::Create(MutexName) ==
           kx::platform::named_mutex::CreateResult::Created;
  } catch (...) {
    return false;
  }
}

bool TkxConsoleTools::CloseMutex(const UnicodeString& MutexName) {
  try {
    return kx::platform::named_mutex::Release(MutexName) ==
           kx::platform::named_mutex::ReleaseResult::Released;
  } catch (...) {
    return false;
  }
}
