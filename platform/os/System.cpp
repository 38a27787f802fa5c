#include "platform/os/System.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <pwd.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/net/name_lookup.h"

extern char** environ;

namespace kx::platform {
namespace {

std::string Resolved(const char* path) {
  char* real = ::realpath(path, nullptr);
  if (real == nullptr) return {};
  std::string result(real);
  std::free(real);
  return result;
}

// The object that holds this function: a shared library has its path in the
// link map (relative when it was loaded by a relative path, hence realpath
// at once); the main program has an empty name there.
std::string LocateModule() {
  Dl_info info{};
  link_map* map = nullptr;
  if (::dladdr1(reinterpret_cast<void*>(&LocateModule), &info, reinterpret_cast<void**>(&map),
                RTLD_DL_LINKMAP) != 0 &&
      map != nullptr && map->l_name != nullptr && map->l_name[0] != '\0') {
    std::string path = Resolved(map->l_name);
    return path.empty() ? std::string(map->l_name) : path;
  }
  return Resolved("/proc/self/exe");
}

}  // namespace

void RandomBytes(void* Buffer, size_t Size) {
  auto* p = static_cast<unsigned char*>(Buffer);
  while (Size > 0) {
    ssize_t n = ::getrandom(p, Size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      // A kernel without getrandom (before 3.17): the same source as a file.
      const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
      n = fd >= 0 ? ::read(fd, p, Size) : -1;
      if (fd >= 0) ::close(fd);
      if (n < 0 && errno == EINTR) continue;
      // Never hand out predictable bytes in place of random ones.
      if (n <= 0) std::abort();
    }
    p += n;
    Size -= static_cast<size_t>(n);
  }
}

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string CanonicalHostName(const std::string& Host) {
  return net::LookupHost(Host, net::AddressOrder::IPv4First, true).CanonicalName;
}

bool EffectiveUserAccount(UserAccount& Account) {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(size > 0 ? static_cast<size_t>(size) : 16384, '\0');
  passwd pw{};
  passwd* found = nullptr;
  int rc;
  while ((rc = ::getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found)) == ERANGE &&
         buffer.size() < (size_t{1} << 20))
    buffer.resize(buffer.size() * 2);
  if (rc != 0 || found == nullptr) return false;
  Account.Name = pw.pw_name != nullptr ? pw.pw_name : "";
  const std::string gecos = pw.pw_gecos != nullptr ? pw.pw_gecos : "";
  Account.FullName = gecos.substr(0, gecos.find(','));
  return true;
}

std::optional<std::string> EnvironmentVariable(const std::string& Name) {
  const char* value = std::getenv(Name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::vector<std::pair<std::string, std::string>> EnvironmentVariables() {
  std::vector<std::pair<std::string, std::string>> result;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq == nullptr) continue;
    result.emplace_back(std::string(*e, static_cast<size_t>(eq - *e)), std::string(eq + 1));
  }
  return result;
}

const std::string& ModuleFileName() {
  static const std::string name = LocateModule();
  return name;
}

uint64_t MillisecondsSinceBoot() {
  timespec ts{};
  if (::clock_gettime(CLOCK_BOOTTIME, &ts) != 0) return 0;
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1'000'000u;
}

void LowerCurrentThreadPriority() {
  // On Linux the nice value is per thread when addressed by the thread id.
  const auto tid = static_cast<id_t>(::gettid());
  errno = 0;
  const int current = ::getpriority(PRIO_PROCESS, tid);
  if (current == -1 && errno != 0) return;
  ::setpriority(PRIO_PROCESS, tid, current + 1);
}

}  // namespace kx::platform
