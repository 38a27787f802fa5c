#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

extern char** environ;

namespace kx::testing {

ChildProcess::ChildProcess(const std::string& Program, const std::vector<std::string>& Arguments) {
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    throw std::runtime_error("pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  std::vector<char*> argv{const_cast<char*>(Program.c_str())};
  for (const std::string& a : Arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int rc = ::posix_spawn(&pid_, Program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  input_ = in[1];
  output_ = out[0];
  if (rc != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + Program);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) Kill();
  if (input_ >= 0) ::close(input_);
  if (output_ >= 0) ::close(output_);
}

std::string ChildProcess::ReadLine() {
  while (true) {
    const size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      return line;
    }
    char chunk[4096];
    const ssize_t n = ::read(output_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::string rest;
      rest.swap(buffer_);
      return rest;
    }
    buffer_.append(chunk, static_cast<size_t>(n));
  }
}

std::string ChildProcess::ReadAll() {
  std::string all;
  all.swap(buffer_);
  char chunk[4096];
  while (true) {
    const ssize_t n = ::read(output_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return all;
    all.append(chunk, static_cast<size_t>(n));
  }
}

void ChildProcess::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

int ChildProcess::Finish() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
  if (pid_ <= 0) return -1;
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string RunProgram(const std::string& Program, const std::vector<std::string>& Arguments) {
  ChildProcess child(Program, Arguments);
  std::string output = child.ReadAll();
  child.Finish();
  return output;
}

}  // namespace kx::testing
