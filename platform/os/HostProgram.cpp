#include "platform/os/HostProgram.h"

#include <cstdlib>
#include <mutex>

namespace kx::platform {
namespace {

std::mutex g_mutex;
std::optional<std::string> g_forTesting;

}  // namespace

std::string HostProgramFileName() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_forTesting) return *g_forTesting;
  }
  char* real = ::realpath("/proc/self/exe", nullptr);
  if (real == nullptr) return {};
  std::string path(real);
  std::free(real);
  return path;
}

void SetHostProgramForTesting(std::optional<std::string> Path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_forTesting = std::move(Path);
}

}  // namespace kx::platform
