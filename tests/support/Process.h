// tests/support/Process.h — other programs that tests start: the command-line
// tools used as peers and oracles (openssl, curl, python3) and the probe
// programs built beside the tests. Every wait is bounded in time, so a child
// that hangs fails the test instead of stopping the run.
//
// A child inherits the test's environment as it is at the start (so a
// FakeInstallation's variables reach it), but not in-process overrides such
// as the host program or the command line: it has its own.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kx::testing {

// How long a test waits for a child by default.
inline constexpr int kChildTimeoutMs = 30000;

struct BoundedResult {
  int ExitCode = -1;      // -1 when it could not start, was killed or timed out
  bool TimedOut = false;
  std::string Output;     // stdout and stderr together
};

// Runs Argv[0] (looked up in PATH) with Input on its stdin; kills it after
// TimeoutMs.
BoundedResult RunBounded(const std::vector<std::string>& Argv, int TimeoutMs,
                         std::string_view Input = {});

// A program that a test talks to: its standard input and output are
// connected to the test; its standard error stays the test's.
class ChildProcess {
 public:
  // Starts Program with Arguments (argument 0 is Program itself). Throws
  // std::runtime_error when it cannot be started.
  ChildProcess(const std::string& Program, const std::vector<std::string>& Arguments);
  // Kills the child when it still runs.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of its output without the line end; "" at the end of its
  // output and when no line comes within TimeoutMs.
  std::string ReadLine(int TimeoutMs = kChildTimeoutMs);
  // Sends SIGKILL and waits for the child to end.
  void Kill();
  // Closes its standard input and waits for it to end; its exit status, or
  // -1 when it was killed because it did not end within TimeoutMs.
  int Finish(int TimeoutMs = kChildTimeoutMs);

 private:
  pid_t pid_ = -1;
  int input_ = -1;   // its standard input
  int output_ = -1;  // its standard output
  std::string buffer_;
};

// A program that runs beside the test (a TLS server, say) until the object
// goes. Its stdout and stderr are read through a pipe.
class BackgroundProgram {
 public:
  explicit BackgroundProgram(const std::vector<std::string>& Argv);
  ~BackgroundProgram();  // SIGTERM, then SIGKILL after 2 s; always reaped
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  // Reads output until it holds Text or TimeoutMs pass; the output so far.
  std::string WaitForOutput(std::string_view Text, int TimeoutMs);

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::string seen_;
};

// The process id behind a process handle (a pidfd); 0 when it has none.
uint32_t PidOfHandle(uintptr_t Handle);
// Whether the process of a handle ends within TimeoutMs.
bool HandleEnds(uintptr_t Handle, int TimeoutMs = kChildTimeoutMs);

}  // namespace kx::testing
