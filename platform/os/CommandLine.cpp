#include "platform/os/CommandLine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>

namespace kx::platform {
namespace {

std::mutex g_mutex;
std::optional<std::vector<UnicodeString>> g_forTesting;

std::vector<UnicodeString> ReadProcCmdline() {
  std::vector<UnicodeString> args;
  const int fd = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return args;
  std::string bytes;
  char buffer[4096];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  // Every argument ends with a zero byte, the last one too.
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    args.push_back(ToUtf16(std::string_view(bytes).substr(start, end - start)));
    start = end + 1;
  }
  return args;
}

}  // namespace

std::vector<UnicodeString> CommandLineArguments() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_forTesting) return *g_forTesting;
  }
  return ReadProcCmdline();
}

void SetCommandLineForTesting(std::optional<std::vector<UnicodeString>> Arguments) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_forTesting = std::move(Arguments);
}

}  // namespace kx::platform
