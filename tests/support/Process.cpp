#include "tests/support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace kx::testing {

namespace {

using Clock = std::chrono::steady_clock;

int MsUntil(Clock::time_point Deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

void CloseIfOpen(int& Fd) {
  if (Fd >= 0) ::close(Fd);
  Fd = -1;
}

// Starts Argv (Argv[0] looked up in PATH) with stdout on a pipe, stderr on
// the same pipe when MergeErrors, and stdin on another pipe when InputFd is
// wanted (else /dev/null); answers the pid, or -1.
pid_t Spawn(const std::vector<std::string>& Argv, bool MergeErrors, int& OutputFd, int* InputFd) {
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
  if (MergeErrors) posix_spawn_file_actions_adddup2(&actions, out[1], 2);
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

// Waits up to TimeoutMs for Pid to end, then kills it; always reaps it.
// Its exit status, or -1 when it was killed or ended by a signal.
int Reap(pid_t Pid, int TimeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(Pid, &status, WNOHANG);
    if (done == Pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0 && errno != EINTR) return -1;
    if (Clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(Pid, SIGKILL);
  while (::waitpid(Pid, &status, 0) < 0 && errno == EINTR) {
  }
  return -1;
}

}  // namespace

BoundedResult RunBounded(const std::vector<std::string>& Argv, int TimeoutMs, std::string_view Input) {
  BoundedResult result;
  int output = -1, input = -1;
  const pid_t pid = Spawn(Argv, true, output, &input);
  if (pid < 0) {
    CloseIfOpen(output);
    CloseIfOpen(input);
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
  result.TimedOut = open;
  // Its output is closed: it ends now, or is killed when it lingers.
  const int code = Reap(pid, open ? 0 : std::max(MsUntil(deadline), 1000));
  feeder.join();
  ::close(output);
  if (!result.TimedOut) result.ExitCode = code;
  return result;
}

// ---- ChildProcess -----------------------------------------------------------------

ChildProcess::ChildProcess(const std::string& Program, const std::vector<std::string>& Arguments) {
  std::vector<std::string> argv{Program};
  argv.insert(argv.end(), Arguments.begin(), Arguments.end());
  pid_ = Spawn(argv, false, output_, &input_);
  if (pid_ < 0) {
    CloseIfOpen(input_);
    CloseIfOpen(output_);
    throw std::runtime_error("cannot start " + Program);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) Kill();
  CloseIfOpen(input_);
  CloseIfOpen(output_);
}

std::string ChildProcess::ReadLine(int TimeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
  for (;;) {
    const size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      return line;
    }
    const int left = MsUntil(deadline);
    if (left == 0) return {};
    if (!ReadOutput(output_, buffer_, left)) {
      std::string rest;
      rest.swap(buffer_);
      return rest;
    }
  }
}

void ChildProcess::Kill() {
  if (pid_ <= 0) return;
  Reap(pid_, 0);
  pid_ = -1;
}

int ChildProcess::Finish(int TimeoutMs) {
  CloseIfOpen(input_);
  if (pid_ <= 0) return -1;
  const int code = Reap(pid_, TimeoutMs);
  pid_ = -1;
  return code;
}

// ---- BackgroundProgram -------------------------------------------------------------

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& Argv) {
  pid_ = Spawn(Argv, true, output_, nullptr);
  if (pid_ < 0) {
    CloseIfOpen(output_);
    throw std::runtime_error("cannot start " + Argv.front());
  }
}

BackgroundProgram::~BackgroundProgram() {
  ::kill(pid_, SIGTERM);
  Reap(pid_, 2000);
  ::close(output_);
}

std::string BackgroundProgram::WaitForOutput(std::string_view Text, int TimeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (seen_.find(Text) == std::string::npos && Clock::now() < deadline) {
    if (!ReadOutput(output_, seen_, 50)) break;
  }
  return seen_;
}

uint32_t PidOfHandle(uintptr_t Handle) {
  std::ifstream info("/proc/self/fdinfo/" + std::to_string(Handle));
  std::string line;
  while (std::getline(info, line))
    if (line.rfind("Pid:", 0) == 0) return static_cast<uint32_t>(std::stoul(line.substr(4)));
  return 0;
}

bool HandleEnds(uintptr_t Handle, int TimeoutMs) {
  struct pollfd watch = {static_cast<int>(Handle), POLLIN, 0};
  return ::poll(&watch, 1, TimeoutMs) == 1;
}

}  // namespace kx::testing
