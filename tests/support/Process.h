// tests/support/Process.h — running the command-line tools that tests use
// as peers and oracles (openssl, curl, python3), always bounded in time.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace kx::testing {

struct BoundedResult {
  int ExitCode = -1;      // -1 when it could not start, was killed or timed out
  bool TimedOut = false;
  std::string Output;     // stdout and stderr together
};

// Runs Argv[0] (looked up in PATH) with Input on its stdin; kills it after
// TimeoutMs.
BoundedResult RunBounded(const std::vector<std::string>& Argv, int TimeoutMs,
                         std::string_view Input = {});

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

}  // namespace kx::testing
