// system/kxToolsEvo2_Process.h — TkxTools: starting programs and documents,
// finding and ending processes, system services, the services and hosts
// files, and ending the session.
//
// How this works on Linux:
//   - A program is started from the command line "\"" + Filename + "\" " +
//     Params, taken apart by the platform's argument rule
//     (platform/process/Arguments.h): the first argument names the program
//     (with a separator: a file, relative to the current folder; without:
//     looked up in PATH). It runs in a session of its own (the "new
//     console"), with the caller's environment, its standard streams on
//     /dev/null and no other descriptor of the caller. Whether it started is
//     exact: a program that cannot be run answers false.
//   - Window states and show commands have no meaning here and are ignored.
//   - Priority classes become nice values: 0x40 (idle) 19, 0x4000 (below
//     normal) 10, 0x20 (normal) 0, 0x8000 (above normal) -5, 0x80 (high)
//     -10, 0x100 (real time) -20; any other value 0. A negative value the
//     system refuses starts the program at 0.
//   - A process handle is a pidfd (see platform/process/Process.h); the
//     caller closes it (kx::platform::CloseProcessHandle) or passes it to
//     KillProcess, which sends SIGKILL. Programs started without waiting
//     are not the caller's children and leave no zombie.
//   - Process names are the file names of their executables (see
//     platform/process/ProcessList.h). A name asked for that ends in ".exe"
//     (any case) also matches the same name without it.
//   - Services are systemd's service units, over the system bus
//     (platform/dbus/SystemBus.h): a name without ".service" gets it. The
//     states are: not found or not loadable 0, inactive or failed 1,
//     activating 2, deactivating 3, active or reloading 4, thawing 5,
//     freezing 6, frozen 7. Only this computer's services can be read: a
//     Machine that is neither empty nor this computer's name (without
//     regard to case; a leading "\\" ignored) gives 0, as does a missing
//     bus.
//   - The services and hosts files are /etc/services and /etc/hosts
//     (platform/os/SystemFiles.h), 8-bit text (raw bytes kept through the
//     codec of platform/rtl/Text.h). Lines that are written end as the
//     file's own lines do (CR LF when its first line does, else LF).
//   - Ending the session asks systemd-logind; windows of other programs
//     cannot be closed, and driver information files cannot be installed:
//     RemoteCloseApplication and InstallINF answer false.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/rtl/Text.h"

namespace TkxTools {

// ---- Programs --------------------------------------------------------------------

// Starts the program (see above) in WorkDirectory ("" the current folder)
// and waits for its end, letting the GUI handle its events every 50 ms when
// called on the GUI thread. ExitCode becomes 0 first, then the program's
// exit status (128 + the signal when a signal ended it). The result is
// whether the program started.
//   ExecAndWait(u"sh", u"-c \"exit 3\"", 0, code, u"") == true, code == 3
bool ExecAndWait(const UnicodeString& Filename, const UnicodeString& Params, uint16_t WindowState,
                 uint32_t& ExitCode, const UnicodeString& WorkDirectory);
bool ExecAndWait(const UnicodeString& Filename, const UnicodeString& Params, uint16_t WindowState,
                 const UnicodeString& WorkDirectory);

// Starts the program at normal priority without waiting; whether it started.
bool ExecProcess(const UnicodeString& Filename, const UnicodeString& Params, uint16_t WindowState,
                 const UnicodeString& WorkDirectory);
// The same at the priority class Priority; ProcessHandle receives the
// process's handle, which the caller owns, or 0 when it did not start.
bool ExecProcess(const UnicodeString& Filename, const UnicodeString& Params, uint32_t Priority,
                 uint16_t WindowState, uintptr_t& ProcessHandle, const UnicodeString& WorkDirectory);
// Starts CmdLine as it stands, in the current folder, without waiting.
bool ExecProcess(const UnicodeString& CmdLine, uint16_t WindowState);

// Opens ShellCommand:
//   1. trimmed (units at or below U+0020 at both ends); "" gives false;
//   2. with Check and a blank in it: the file is the text before the first
//      blank, the parameters the rest; else the file is all of it;
//   3. with IsUrl the parameters are dropped, and a file without "http://"
//      or "https://" (in LowerText) raises Exception "invalid url";
//   4. a URL, an existing file that is not executable or a folder goes to
//      the desktop's opener (xdg-open); an executable file, or a name found
//      in PATH, is started with the parameters. All without waiting.
// True when the opener or the program started; false for anything else.
bool ShellExecute(const UnicodeString& ShellCommand, uint16_t ShowCmd, bool IsUrl, bool Check);
// Asks the desktop's file manager to show FileName in its folder; without
// one, opens the folder with the desktop's opener. Whether either took it.
bool ShowFileInExplorer(const UnicodeString& FileName);

// ---- Processes -------------------------------------------------------------------------

// Ends (SIGKILL) every process whose name equals the file name part of
// ExeFileName in the invariant upper case ("a"-"z" only). Whether the last
// one tried was ended; false when none matched.
bool KillProcess(const UnicodeString& ExeFileName);
// Ends (SIGKILL) the process of a handle from ExecProcess; 0 gives false.
bool KillProcess(uintptr_t ProcessHandle);

// Whether a process of that name runs (names compared in UpperText).
bool ProcessExists(const UnicodeString& ExeFileName);
// Whether the process PID runs; 0 gives false.
bool ProcessExists(uint32_t PID);
// Whether the process PID runs a program of the name of ExeFileName's file
// name part (UpperText); 0 gives false.
bool ProcessExists(uint32_t PID, const UnicodeString& ExeFileName);

// Always false (see above).
bool RemoteCloseApplication(const UnicodeString& WindowCaption);

// ---- Services --------------------------------------------------------------------------

// The state of the service unit (see above for the numbers).
uint32_t GetServiceStatus(const UnicodeString& Machine, const UnicodeString& Service);
// False at once when GetServiceStatus of this computer gives 0. Otherwise
// asks systemd to start (stop) the unit, then reads the state up to 120
// times, pausing 500 ms after each reading that is neither 0 nor running
// (stopped); true when the last reading is running (stopped).
bool StartService(const UnicodeString& Service);
bool StopService(const UnicodeString& Service);

// ---- The services and hosts files ------------------------------------------------------

// The port of the first line of the services file that names Typ (see
// detail::ServicesLinePort); -1 when no line does. Raises EInOutError when
// the file cannot be read.
//   a line "ftp<TAB><TAB>21/tcp": GetServicesPort(u"FTP") == 21
int32_t GetServicesPort(const UnicodeString& Typ);
// Replaces the first non-empty line of the services file whose name (the
// text before its first blank or tab, trimmed) equals Name in UpperText by
//   Name padded to 18, Port, "/", ConnectionType padded to 27, "#", Comment
// (nothing cut; a Name of 18 units or more is followed by one blank), or
// appends it. Every other byte of the file stays; the file
// is replaced as a whole (written in place where the system refuses to
// rename over it, as on a bind mount). False on any error.
bool SetServiceSettings(const UnicodeString& Name, const UnicodeString& Port,
                        const UnicodeString& ConnectionType, const UnicodeString& Comment);
// Appends the line Address + two blanks + Host to the hosts file in one
// write, after a line break when the file's last line lacks one. False on
// any error, a missing file among them.
bool SetHostSettings(const UnicodeString& Address, const UnicodeString& Host);
// At the first line of the hosts file that is not empty, does not start
// with "#" and contains Host anywhere (UpperText; so "local" finds
// "localhost"): Address receives the line's text before its first blank or
// tab, trimmed, and the result is true. Otherwise false, Address unchanged.
// Raises EInOutError when the file cannot be read.
bool GetHostSettings(const UnicodeString& Host, UnicodeString& Address);

// Always false (see above).
bool InstallINF(const UnicodeString& PathName, uintptr_t hParent);

// ---- Session ---------------------------------------------------------------------------

// LogOff ends this process's login session (whatever the other flags say);
// otherwise Reboot reboots, PowerOff powers off, and neither halts the
// machine. QuickShutDown (force) has no counterpart. True once asked,
// whatever the system answered; false without a system bus.
bool SystemShutDown(bool QuickShutDown, bool Reboot, bool PowerOff, bool LogOff);

namespace detail {

// The line parsers of the services and hosts files.
//
// A services line, tabs turned into blanks and trimmed, names what is
// before its first blank ("" without a blank). When that name equals Typ in
// the invariant upper case: the line without its first Typ.size() units,
// trimmed; the text before its first "/", trimmed and without any "%", read
// as a whole number: "" gives 0, no number -1. nullopt when the name does
// not match.
std::optional<int32_t> ServicesLinePort(const UnicodeString& Line, const UnicodeString& Typ);
// The name SetServiceSettings compares: the line's text before its first
// blank or tab, trimmed ("" without either).
UnicodeString ServicesLineName(const UnicodeString& Line);
// A hosts line that is not empty, does not start with "#" and whose
// UpperText contains HostUpper (not empty): its text before the first blank
// or tab, trimmed ("" without either); else nullopt.
std::optional<UnicodeString> HostsLineAddress(const UnicodeString& Line, const UnicodeString& HostUpper);

// The pause between two readings of StartService and StopService;
// nullptr restores the real sleep.
void SetServicePollSleepForTesting(std::function<void(uint32_t Milliseconds)> Sleep);

}  // namespace detail

}  // namespace TkxTools
