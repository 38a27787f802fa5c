// platform/process/Process.h — starting programs, waiting for them and
// ending them.
//
// A process is known by a handle that is a pidfd (a descriptor of the
// process, so a reused process id never hits another program); the caller
// owns it and closes it with CloseProcessHandle. No signal handler is ever
// installed: a waited-for program is reaped by WaitForProcess, and a
// detached one is never a child of the caller, so it leaves no zombie.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/Text.h"

namespace kx::platform {

struct ProcessStart {
  // Argument 0 names the program: a name with a separator ("/" or "\") is a
  // file, relative to the caller's current folder; a name without one is
  // looked up in PATH. It is passed on as given.
  std::vector<UnicodeString> Arguments;
  // The folder the program starts in; "" for the caller's current folder.
  UnicodeString WorkDirectory;
  // The nice value (-20 to 19). A negative value the system refuses starts
  // the program at 0.
  int32_t Nice = 0;
  // A program that runs on by itself: it is not the caller's child (it can
  // be ended and watched through its handle, but not waited for).
  bool Detached = false;
};

// Starts the program in a session of its own, with the caller's
// environment, its standard streams on /dev/null and no other descriptor of
// the caller open. True when the program runs; false, with the errno value
// in the last OS error (platform/os/LastError.h), when it could not be
// started: not found (ENOENT), not executable (EACCES), a work folder that
// cannot be entered, ... With Handle the caller receives the process's
// handle (it must close it); without, no handle stays open and the start is
// detached whatever Detached says. A program that is not detached must be
// waited for (WaitForProcess) by whoever holds its handle.
bool StartProcess(const ProcessStart& Start, uintptr_t* Handle);

// Waits for the end of the program of Handle, a child started without
// Detached, in steps of 50 ms, calling Pump (when set) before each step;
// then reaps it. ExitCode: its exit status, or 128 + the signal that ended
// it; 0 when the system cannot tell (another part of the host reaped it).
// False only for a handle that cannot be waited on.
bool WaitForProcess(uintptr_t Handle, const std::function<void()>& Pump, uint32_t& ExitCode);

// Sends SIGKILL to the process of Handle; false when it has ended (and
// been reaped) or the handle is none.
bool KillProcessHandle(uintptr_t Handle);
// Sends SIGKILL to the process Pid (through a pidfd, so the process asked
// for is the one that is hit); false when there is none or no right to.
bool KillProcessId(uint32_t Pid);

// Closes a handle; 0 and closed handles are ignored.
void CloseProcessHandle(uintptr_t Handle);

// The file a program name starts (see ProcessStart::Arguments), in system
// form; "" when there is none, with errno ENOENT or EACCES.
std::string ResolveProgram(std::u16string_view Program);

}  // namespace kx::platform
