// tests/support/ChildProcess.h — another program started by a test, with its
// standard input and output connected to the test.
//
// The child inherits the test's environment as it is at the start (so a
// FakeInstallation's variables reach it), but not in-process overrides such
// as the host program or the command line: it has its own.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace kx::testing {

class ChildProcess {
 public:
  // Starts Program with Arguments (argument 0 is Program itself). Throws
  // std::runtime_error when it cannot be started.
  ChildProcess(const std::string& Program, const std::vector<std::string>& Arguments);
  // Kills the child when it still runs.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of its output without the line end; "" at the end.
  std::string ReadLine();
  // All of its remaining output (waits for it to close its output).
  std::string ReadAll();
  // Sends SIGKILL and waits for the child to end.
  void Kill();
  // Closes its standard input and waits for it to end; its exit status.
  int Finish();

 private:
  pid_t pid_ = -1;
  int input_ = -1;   // its standard input
  int output_ = -1;  // its standard output
  std::string buffer_;
};

// Runs Program to its end and answers its standard output.
std::string RunProgram(const std::string& Program, const std::vector<std::string>& Arguments);

}  // namespace kx::testing
