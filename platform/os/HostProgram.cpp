#include "platform/os/HostProgram.h"

#include <cstdlib>
#include <mutex>

namespace kx::platform {
namespace {

// Function-local, so that a caller running before the library's dynamic
// initialisers (a load-time constructor) finds them ready.
std::mutex& Mutex() {
  static std::mutex mutex;
  return mutex;
}

std::optional<std::string>& ForTesting() {
  static std::optional<std::string> forTesting;
  return forTesting;
}

}  // namespace

std::string HostProgramFileName() {
  {
    std::lock_guard<std::mutex> lock(Mutex());
    if (ForTesting()) return *ForTesting();
  }
  char* real = ::realpath("/proc/self/exe", nullptr);
  if (real == nullptr) return {};
  std::string path(real);
  std::free(real);
  return path;
}

void SetHostProgramForTesting(std::optional<std::string> Path) {
  std::lock_guard<std::mutex> lock(Mutex());
  ForTesting() = std::move(Path);
}

}  // namespace kx::platform
