#include "system/kxToolsEvo2_Process.h"

#include <cerrno>
#include <chrono>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/dbus/SystemBus.h"
#include "platform/desktop/Desktop.h"
#include "platform/desktop/Opener.h"
#include "platform/file/AtomicReplace.h"
#include "platform/file/FileSystem.h"
#include "platform/file/Path.h"
#include "platform/os/LastError.h"
#include "platform/os/System.h"
#include "platform/os/SystemFiles.h"
#include "platform/process/Arguments.h"
#include "platform/process/Process.h"
#include "platform/process/ProcessList.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/Trim.h"
#include "system/kxToolsEvo2_Identity.h"

namespace TkxTools {
namespace {

using kx::platform::ProcessStart;

// ---- Programs ------------------------------------------------------------------------

int32_t NiceOfPriorityClass(uint32_t Priority) {
  switch (Priority) {
    case 0x40: return 19;
    case 0x4000: return 10;
    case 0x8000: return -5;
    case 0x80: return -10;
    case 0x100: return -20;
    default: return 0;
  }
}

constexpr uint32_t kNormalPriority = 0x20;

ProcessStart StartOf(const UnicodeString& CommandLine, const UnicodeString& WorkDirectory,
                     uint32_t Priority, bool Detached) {
  ProcessStart start;
  start.Arguments = kx::platform::SplitArguments(CommandLine);
  start.WorkDirectory = WorkDirectory;
  start.Nice = NiceOfPriorityClass(Priority);
  start.Detached = Detached;
  return start;
}

UnicodeString CommandLineOf(const UnicodeString& Filename, const UnicodeString& Params) {
  return u"\"" + Filename + u"\" " + Params;
}

// ---- Process names -------------------------------------------------------------------

UnicodeString WithoutExe(UnicodeString UpperName) {
  if (UpperName.size() > 4 && UpperName.ends_with(u".EXE")) UpperName.resize(UpperName.size() - 4);
  return UpperName;
}

// Whether a process's name matches the name asked for, both already in the
// same upper case: equal, or equal to the asked name without ".EXE".
bool NameMatches(const UnicodeString& ProcessUpper, const UnicodeString& WantedUpper) {
  return ProcessUpper == WantedUpper || ProcessUpper == WithoutExe(WantedUpper);
}

// ---- Services ------------------------------------------------------------------------

std::function<void(uint32_t)>& PollSleep() {
  static std::function<void(uint32_t)> sleep;
  return sleep;
}

void PollPause(uint32_t Milliseconds) {
  if (PollSleep())
    PollSleep()(Milliseconds);
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

bool IsThisComputer(const UnicodeString& Machine) {
  std::u16string_view name = TrimBlanks(Machine);
  while (!name.empty() && name.front() == u'\\') name.remove_prefix(1);
  if (name.empty()) return true;
  const UnicodeString upper = UpperText(UnicodeString(name));
  return upper == UpperText(GetComputerName()) ||
         upper == UpperText(ToUtf16(kx::platform::HostName()));
}

std::string UnitOf(const UnicodeString& Service) {
  std::string unit = ToUtf8(Service);
  if (!unit.ends_with(".service")) unit += ".service";
  return unit;
}

uint32_t StateOf(const kx::platform::dbus::UnitStates& States) {
  if (States.LoadState == "not-found" || States.LoadState == "error") return 0;
  if (States.FreezerState == "thawing") return 5;
  if (States.FreezerState == "freezing") return 6;
  if (States.FreezerState == "frozen") return 7;
  const std::string& active = States.ActiveState;
  if (active == "inactive" || active == "failed") return 1;
  if (active == "activating") return 2;
  if (active == "deactivating") return 3;
  if (active == "active" || active == "reloading") return 4;
  return 0;
}

bool ControlService(const UnicodeString& Service, bool Start) {
  if (GetServiceStatus(UnicodeString(), Service) == 0) return false;
  const std::string unit = UnitOf(Service);
  if (Start)
    kx::platform::dbus::StartUnit(unit);
  else
    kx::platform::dbus::StopUnit(unit);
  const uint32_t awaited = Start ? 4 : 1;
  uint32_t state = 0;
  for (int reading = 1; reading <= 120; ++reading) {
    state = GetServiceStatus(UnicodeString(), Service);
    if (state == 0 || state == awaited || reading == 120) break;
    PollPause(500);
  }
  return state == awaited;
}

// ---- System files --------------------------------------------------------------------

// The whole of a system file; EInOutError with the system's error when it
// cannot be read.
std::string ReadSystemFile(const UnicodeString& Path) {
  try {
    FileStream file(Path, fmOpenRead | fmShareDenyNone);
    std::string bytes(static_cast<size_t>(file.Size()), '\0');
    bytes.resize(static_cast<size_t>(file.Read(bytes.data(), static_cast<int64_t>(bytes.size()))));
    return bytes;
  } catch (const EStreamError&) {
    const int32_t error = kx::platform::LastOSError();
    throw EInOutError(error != 0 ? error : EIO);
  }
}

// The file's lines, each with its line end ("\n" or "\r\n"; the last one
// may have none).
struct Line {
  std::string_view Text;
  std::string_view End;
};
std::vector<Line> LinesOf(std::string_view Bytes) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < Bytes.size()) {
    size_t lf = Bytes.find('\n', start);
    if (lf == std::string_view::npos) {
      lines.push_back({Bytes.substr(start), {}});
      break;
    }
    const size_t end = lf > start && Bytes[lf - 1] == '\r' ? lf - 1 : lf;
    lines.push_back({Bytes.substr(start, end - start), Bytes.substr(end, lf + 1 - end)});
    start = lf + 1;
  }
  return lines;
}

// The file's own line end: that of its first line, "\n" when it has none.
std::string_view LineEndOf(std::string_view Bytes) {
  const size_t lf = Bytes.find('\n');
  return lf != std::string_view::npos && lf > 0 && Bytes[lf - 1] == '\r' ? "\r\n" : "\n";
}

UnicodeString PadRight(const UnicodeString& Text, size_t Width) {
  return Text.size() >= Width ? Text : Text + UnicodeString(Width - Text.size(), u' ');
}

size_t FirstBlankOrTab(std::u16string_view Text) { return Text.find_first_of(u" \t"); }

// Writes Bytes over the file Path: atomically when the system lets us
// rename over it, else (a bind-mounted file: EBUSY) in place.
bool RewriteSystemFile(const UnicodeString& Path, std::string_view Bytes) {
  std::string name;
  if (!kx::platform::ToSystemPath(Path, name)) return false;
  if (kx::platform::ReplaceFileAtomically(name, Bytes, 0644)) return true;
  if (errno != EBUSY) return false;
  FileStream file(Path, fmOpenWrite | fmShareDenyNone);
  file.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  file.SetSize(static_cast<int64_t>(Bytes.size()));
  return true;
}

}  // namespace

// ---- Programs ------------------------------------------------------------------------

bool ExecAndWait(const UnicodeString& Filename, const UnicodeString& Params, uint16_t,
                 uint32_t& ExitCode, const UnicodeString& WorkDirectory) {
  ExitCode = 0;
  uintptr_t handle = 0;
  if (!kx::platform::StartProcess(
          StartOf(CommandLineOf(Filename, Params), WorkDirectory, kNormalPriority, false), &handle))
    return false;
  kx::platform::WaitForProcess(handle, [] { kx::platform::Desktop().PumpEvents(); }, ExitCode);
  kx::platform::CloseProcessHandle(handle);
  return true;
}

bool ExecAndWait(const UnicodeString& Filename, const UnicodeString& Params, uint16_t WindowState,
                 const UnicodeString& WorkDirectory) {
  uint32_t exitCode;
  return ExecAndWait(Filename, Params, WindowState, exitCode, WorkDirectory);
}

bool ExecProcess(const UnicodeString& Filename, const UnicodeString& Params, uint16_t,
                 const UnicodeString& WorkDirectory) {
  return kx::platform::StartProcess(
      StartOf(CommandLineOf(Filename, Params), WorkDirectory, kNormalPriority, true), nullptr);
}

bool ExecProcess(const UnicodeString& Filename, const UnicodeString& Params, uint32_t Priority, uint16_t,
                 uintptr_t& ProcessHandle, const UnicodeString& WorkDirectory) {
  ProcessHandle = 0;
  return kx::platform::StartProcess(
      StartOf(CommandLineOf(Filename, Params), WorkDirectory, Priority, true), &ProcessHandle);
}

bool ExecProcess(const UnicodeString& CmdLine, uint16_t) {
  return kx::platform::StartProcess(StartOf(CmdLine, UnicodeString(), kNormalPriority, true), nullptr);
}

bool ShellExecute(const UnicodeString& ShellCommand, uint16_t, bool IsUrl, bool Check) {
  const UnicodeString text(TrimBlanks(ShellCommand));
  if (text.empty()) return false;
  UnicodeString file = text;
  UnicodeString params;
  const size_t blank = text.find(u' ');
  if (Check && blank != UnicodeString::npos) {
    file = text.substr(0, blank);
    params = text.substr(blank + 1);
  }
  if (IsUrl) {
    params.clear();
    const UnicodeString lower = LowerText(file);
    if (lower.find(u"http://") == UnicodeString::npos && lower.find(u"https://") == UnicodeString::npos)
      throw Exception(u"invalid url");
  }
  // A URL: a scheme of two or more letters before ":" (one letter is a drive).
  const size_t colon = file.find(u':');
  bool url = colon != UnicodeString::npos && colon >= 2;
  for (size_t i = 0; url && i < colon; ++i) {
    const char16_t c = file[i];
    url = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
          (i > 0 && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.'));
  }
  if (url) return kx::platform::OpenWithDesktop(file);

  // A file in the current folder goes before one of the same name in PATH.
  const bool named = file.find_first_of(u"/\\") == UnicodeString::npos;
  const UnicodeString path = named ? u"./" + file : file;
  ProcessStart start;
  if (kx::platform::EntryExists(path)) {
    if (kx::platform::DirectoryExists(path) || kx::platform::ResolveProgram(path).empty())
      return kx::platform::OpenWithDesktop(file);  // a folder or a document
    start.Arguments.push_back(path);
  } else if (named) {
    start.Arguments.push_back(file);  // looked up in PATH
  } else {
    return false;
  }
  for (UnicodeString& argument : kx::platform::SplitArguments(params))
    start.Arguments.push_back(std::move(argument));
  start.Detached = true;
  return kx::platform::StartProcess(start, nullptr);
}

bool ShowFileInExplorer(const UnicodeString& FileName) {
  const std::string uri = kx::platform::FileUri(FileName);
  if (uri.empty()) return false;
  if (kx::platform::dbus::ShowItemInFileManager(uri)) return true;
  UnicodeString folder = kx::platform::ExtractFilePath(FileName);
  if (folder.empty()) folder = u".";
  return kx::platform::OpenWithDesktop(folder);
}

// ---- Processes -----------------------------------------------------------------------

bool KillProcess(const UnicodeString& ExeFileName) {
  const UnicodeString wanted = AsciiUpper(kx::platform::ExtractFileName(ExeFileName));
  bool last = false;
  for (const kx::platform::ProcessEntry& process : kx::platform::ProcessSnapshot())
    if (NameMatches(AsciiUpper(process.Name), wanted)) last = kx::platform::KillProcessId(process.Pid);
  return last;
}

bool KillProcess(uintptr_t ProcessHandle) { return kx::platform::KillProcessHandle(ProcessHandle); }

bool ProcessExists(const UnicodeString& ExeFileName) {
  const UnicodeString wanted = UpperText(kx::platform::ExtractFileName(ExeFileName));
  for (const kx::platform::ProcessEntry& process : kx::platform::ProcessSnapshot())
    if (NameMatches(UpperText(process.Name), wanted)) return true;
  return false;
}

bool ProcessExists(uint32_t PID) { return kx::platform::FindProcess(PID).has_value(); }

bool ProcessExists(uint32_t PID, const UnicodeString& ExeFileName) {
  const auto process = kx::platform::FindProcess(PID);
  return process && NameMatches(UpperText(process->Name),
                                UpperText(kx::platform::ExtractFileName(ExeFileName)));
}

bool RemoteCloseApplication(const UnicodeString&) { return false; }

// ---- Services ------------------------------------------------------------------------

uint32_t GetServiceStatus(const UnicodeString& Machine, const UnicodeString& Service) {
  if (!IsThisComputer(Machine)) return 0;
  const auto states = kx::platform::dbus::ReadUnitStates(UnitOf(Service));
  return states ? StateOf(*states) : 0;
}

bool StartService(const UnicodeString& Service) { return ControlService(Service, true); }
bool StopService(const UnicodeString& Service) { return ControlService(Service, false); }

// ---- The services and hosts files ----------------------------------------------------

int32_t GetServicesPort(const UnicodeString& Typ) {
  const std::string bytes = ReadSystemFile(kx::platform::ServicesFilePath());
  for (const Line& line : LinesOf(bytes))
    if (auto port = detail::ServicesLinePort(ToUtf16(line.Text), Typ)) return *port;
  return -1;
}

bool SetServiceSettings(const UnicodeString& Name, const UnicodeString& Port,
                        const UnicodeString& ConnectionType, const UnicodeString& Comment) {
  try {
    const UnicodeString path = kx::platform::ServicesFilePath();
    const std::string bytes = ReadSystemFile(path);
    // At least one blank after the name: a name of 18 units or more glued
    // to its port would make the line unreadable.
    const std::string entry = ToUtf8(PadRight(Name, Name.size() < 18 ? 18 : Name.size() + 1) + Port +
                                     u"/" + PadRight(ConnectionType, 27) + u"#" + Comment);
    const UnicodeString wanted = UpperText(Name);
    std::string out;
    out.reserve(bytes.size() + entry.size() + 2);
    bool replaced = false;
    const std::vector<Line> lines = LinesOf(bytes);
    for (const Line& line : lines) {
      if (!replaced && !line.Text.empty() &&
          UpperText(detail::ServicesLineName(ToUtf16(line.Text))) == wanted) {
        out += entry;
        replaced = true;
      } else {
        out += line.Text;
      }
      out += line.End;
    }
    if (!replaced) {
      const std::string_view end = LineEndOf(bytes);
      if (!lines.empty() && lines.back().End.empty()) out += end;
      out += entry;
      out += end;
    }
    return RewriteSystemFile(path, out);
  } catch (...) {
    return false;
  }
}

bool SetHostSettings(const UnicodeString& Address, const UnicodeString& Host) {
  try {
    FileStream file(kx::platform::HostsFilePath(), fmOpenReadWrite | fmAppend | fmShareDenyNone);
    std::string bytes(static_cast<size_t>(file.Size()), '\0');
    bytes.resize(static_cast<size_t>(file.Read(bytes.data(), static_cast<int64_t>(bytes.size()))));
    const std::string_view end = LineEndOf(bytes);
    std::string line;
    if (!bytes.empty() && bytes.back() != '\n') line += end;
    line += ToUtf8(Address + u"  " + Host);
    line += end;
    file.WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
    return true;
  } catch (...) {
    return false;
  }
}

bool GetHostSettings(const UnicodeString& Host, UnicodeString& Address) {
  const std::string bytes = ReadSystemFile(kx::platform::HostsFilePath());
  const UnicodeString wanted = UpperText(Host);
  for (const Line& line : LinesOf(bytes)) {
    if (auto address = detail::HostsLineAddress(ToUtf16(line.Text), wanted)) {
      Address = std::move(*address);
      return true;
    }
  }
  return false;
}

bool InstallINF(const UnicodeString&, uintptr_t) { return false; }

// ---- Session -------------------------------------------------------------------------

bool SystemShutDown(bool, bool Reboot, bool PowerOff, bool LogOff) {
  using kx::platform::dbus::PowerAction;
  if (LogOff) return kx::platform::dbus::TerminateOwnSession();
  if (Reboot) return kx::platform::dbus::RequestPowerAction(PowerAction::Reboot);
  return kx::platform::dbus::RequestPowerAction(PowerOff ? PowerAction::PowerOff : PowerAction::Halt);
}

namespace detail {

std::optional<int32_t> ServicesLinePort(const UnicodeString& Line, const UnicodeString& Typ) {
  UnicodeString text = Line;
  for (char16_t& c : text)
    if (c == u'\t') c = u' ';
  const std::u16string_view trimmed = TrimBlanks(text);
  const size_t blank = trimmed.find(u' ');
  const std::u16string_view name =
      blank == std::u16string_view::npos ? std::u16string_view() : trimmed.substr(0, blank);
  if (AsciiUpper(name) != AsciiUpper(Typ)) return std::nullopt;
  const std::u16string_view rest =
      TrimBlanks(trimmed.substr(Typ.size() < trimmed.size() ? Typ.size() : trimmed.size()));
  const size_t slash = rest.find(u'/');
  UnicodeString port;
  for (const char16_t c : TrimBlanks(slash == std::u16string_view::npos ? std::u16string_view()
                                                                         : rest.substr(0, slash)))
    if (c != u'%') port.push_back(c);
  if (port.empty()) return 0;
  return StrToIntDef(port, -1);
}

UnicodeString ServicesLineName(const UnicodeString& Line) {
  const size_t blank = FirstBlankOrTab(Line);
  return blank == UnicodeString::npos ? UnicodeString() : UnicodeString(TrimBlanks(Line.substr(0, blank)));
}

std::optional<UnicodeString> HostsLineAddress(const UnicodeString& Line, const UnicodeString& HostUpper) {
  if (Line.empty() || Line[0] == u'#' || HostUpper.empty()) return std::nullopt;
  if (UpperText(Line).find(HostUpper) == UnicodeString::npos) return std::nullopt;
  const size_t blank = FirstBlankOrTab(Line);
  return blank == UnicodeString::npos ? UnicodeString() : UnicodeString(TrimBlanks(Line.substr(0, blank)));
}

void SetServicePollSleepForTesting(std::function<void(uint32_t)> Sleep) { PollSleep() = std::move(Sleep); }

}  // namespace detail

}  // namespace TkxTools
