#include "platform/file/FaultInjection.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cerrno>
#include <mutex>

namespace kx::platform {
namespace {

struct Fault {
  uint64_t Remaining = 0;  // calls until the one that fails; 0: none armed
  int Error = 0;
};

// Constant-initialised and trivially destructible: usable at any time,
// also while the process exits.
std::atomic<bool> g_active{false};
std::mutex g_lock;
std::array<Fault, 4> g_faults;
bool g_recording = false;

std::vector<FileCallRecord>& Records() {
  static auto* records = new std::vector<FileCallRecord>();
  return *records;
}

void UpdateActive() {
  bool any = g_recording;
  for (const Fault& f : g_faults) any = any || f.Remaining != 0;
  g_active.store(any, std::memory_order_relaxed);
}

std::string NameOf(int fd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  std::string name(4096, '\0');
  const ssize_t n = ::readlink(link, name.data(), name.size());
  name.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return name;
}

}  // namespace

void InjectFileFaultForTesting(FileCall Call, uint64_t Nth, int Error) {
  const std::lock_guard<std::mutex> lock(g_lock);
  g_faults[static_cast<size_t>(Call)] = {Nth, Error};
  UpdateActive();
}

void ClearFileFaultsForTesting() {
  const std::lock_guard<std::mutex> lock(g_lock);
  g_faults = {};
  g_recording = false;
  Records().clear();
  UpdateActive();
}

void RecordFileCallsForTesting(bool On) {
  const std::lock_guard<std::mutex> lock(g_lock);
  if (On) Records().clear();
  g_recording = On;
  UpdateActive();
}

std::vector<FileCallRecord> RecordedFileCallsForTesting() {
  const std::lock_guard<std::mutex> lock(g_lock);
  return Records();
}

namespace detail {

bool FileCallFails(FileCall Call, int Fd, const char* Path, const char* Target) {
  if (!g_active.load(std::memory_order_relaxed)) return false;
  const int saved = errno;
  const std::lock_guard<std::mutex> lock(g_lock);
  Fault& fault = g_faults[static_cast<size_t>(Call)];
  if (fault.Remaining != 0 && --fault.Remaining == 0) {
    UpdateActive();
    errno = fault.Error;
    return true;
  }
  if (g_recording && (Call == FileCall::Sync || Call == FileCall::Rename))
    Records().push_back({Call, Path != nullptr ? std::string(Path) : NameOf(Fd),
                         Target != nullptr ? std::string(Target) : std::string()});
  errno = saved;
  return false;
}

}  // namespace detail
}  // namespace kx::platform
