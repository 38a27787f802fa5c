#include "platform/os/CommandLine.h"

#include <mutex>
#include <string>

#include "platform/file/FileDescriptor.h"

namespace kx::platform {
namespace {

// Function-local, so that a caller running before the library's dynamic
// initialisers (a load-time constructor) finds them ready.
std::mutex& Mutex() {
  static std::mutex mutex;
  return mutex;
}

std::optional<std::vector<UnicodeString>>& ForTesting() {
  static std::optional<std::vector<UnicodeString>> forTesting;
  return forTesting;
}

std::vector<UnicodeString> ReadProcCmdline() {
  std::vector<UnicodeString> args;
  std::string bytes;
  // A read that fails half way keeps the arguments read so far.
  ReadFileToEnd("/proc/self/cmdline", bytes);
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
    std::lock_guard<std::mutex> lock(Mutex());
    if (ForTesting()) return *ForTesting();
  }
  return ReadProcCmdline();
}

void SetCommandLineForTesting(std::optional<std::vector<UnicodeString>> Arguments) {
  std::lock_guard<std::mutex> lock(Mutex());
  ForTesting() = std::move(Arguments);
}

}  // namespace kx::platform
