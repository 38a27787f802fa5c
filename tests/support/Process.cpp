#include "tests/support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace kx::testing {

namespace {

using Clock = std::chrono::steady_clock;

// Starts Argv with stdout and stderr on a pipe (and stdin on another when
// InputFd is wanted); answers the pid, or -1.
pid_t Spawn(const std::vector<std::string>& Argv, int& OutputFd, int* InputFd) {
  int out[2], in[2] = {-1, -1};
  if (::pipe2(out, O_CLOEXEC) != 0) return -1;
  if (InputFd != nullptr && ::pipe2(in, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  if (InputFd != nullptr) {
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  std::vector<char*> argv;
  for (const std::string& a : Argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (InputFd != nullptr) {
    ::close(in[0]);
    *InputFd = in[1];
  }
  OutputFd = out[0];
  return pid;
}

// Reads what is there within WaitMs; false at the end of the output.
bool ReadOutput(int Fd, std::string& Into, int WaitMs) {
  pollfd p{Fd, POLLIN, 0};
  if (::poll(&p, 1, WaitMs) <= 0) return true;
  char buffer[4096];
  const ssize_t n = ::read(Fd, buffer, sizeof(buffer));
  if (n <= 0) return false;
  Into.append(buffer, static_cast<size_t>(n));
  return true;
}

}  // namespace

BoundedResult RunBounded(const std::vector<std::string>& Argv, int TimeoutMs, std::string_view Input) {
  BoundedResult result;
  int output = -1, input = -1;
  const pid_t pid = Spawn(Argv, output, &input);
  if (pid < 0) {
    if (output >= 0) ::close(output);
    if (input >= 0) ::close(input);
    return result;
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
  // The input goes in on a thread of its own, so a program that answers
  // while it reads never blocks us.
  std::thread feeder([input, Input] {
    size_t sent = 0;
    while (sent < Input.size()) {
      const ssize_t n = ::write(input, Input.data() + sent, Input.size() - sent);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    ::close(input);
  });
  bool open = true;
  while (open && Clock::now() < deadline) open = ReadOutput(output, result.Output, 50);
  if (open) {
    result.TimedOut = true;
    ::kill(pid, SIGKILL);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  feeder.join();
  ::close(output);
  if (!result.TimedOut && WIFEXITED(status)) result.ExitCode = WEXITSTATUS(status);
  return result;
}

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& Argv) {
  pid_ = Spawn(Argv, output_, nullptr);
  if (pid_ < 0) throw std::runtime_error("cannot start " + Argv.front());
}

BackgroundProgram::~BackgroundProgram() {
  ::kill(pid_, SIGTERM);
  int status = 0;
  const auto deadline = Clock::now() + std::chrono::seconds(2);
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (Clock::now() >= deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::close(output_);
}

std::string BackgroundProgram::WaitForOutput(std::string_view Text, int TimeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (seen_.find(Text) == std::string::npos && Clock::now() < deadline) {
    if (!ReadOutput(output_, seen_, 50)) break;
  }
  return seen_;
}

}  // namespace kx::testing
