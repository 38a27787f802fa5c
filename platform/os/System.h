// platform/os/System.h — what the running system says about itself: random
// bytes, the host and user names, the environment, the file of the module
// that holds this code, and the time since boot.
//
// Texts are the system's bytes (UTF-8 on Linux); callers decode them with the
// codec of Text.h. Nothing here raises: a failed call answers an empty text,
// nullopt or false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kx::platform {

// Size bytes from the kernel's random source (getrandom), which is ready
// from early boot on; there is no state shared between callers.
void RandomBytes(void* Buffer, size_t Size);

// gethostname(); "" on failure.
std::string HostName();
// The canonical name of Host from the name lookup (platform/net/
// name_lookup.h: a DNS or hosts-file lookup, so it may take time); "" when
// the lookup fails.
std::string CanonicalHostName(const std::string& Host);

// The account the process runs as (its effective user id): the login name,
// and the full name, the account's comment field up to its first ",".
struct UserAccount {
  std::string Name;
  std::string FullName;
};
bool EffectiveUserAccount(UserAccount& Account);

// The value of the variable of exactly this name; nullopt when it is not set.
std::optional<std::string> EnvironmentVariable(const std::string& Name);
// Every variable as name and value, in the order of the environment.
std::vector<std::pair<std::string, std::string>> EnvironmentVariables();

// The full, resolved path of the file that holds this code: the plug-in
// library when the code runs there, the program in a test program. Settled
// on the first call (the plug-in makes that call while it loads), so a later
// change of the working folder does not matter; "" when it cannot be found.
const std::string& ModuleFileName();

// Milliseconds since boot, time spent suspended included (CLOCK_BOOTTIME).
uint64_t MillisecondsSinceBoot();

// Runs the calling thread one step below normal priority (nice + 1), for
// background checks that must not compete with the host's work. Where the
// system refuses, the thread keeps its priority.
void LowerCurrentThreadPriority();

}  // namespace kx::platform
