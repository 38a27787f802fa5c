#include "platform/net/name_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace kx::platform::net {
namespace {

std::atomic<bool> g_closed{false};

std::mutex& ResolverLock() {
  static std::mutex lock;
  return lock;
}
Resolver& TestResolver() {
  static Resolver resolver;
  return resolver;
}

std::string NumericText(const sockaddr* Address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (Address->sa_family == AF_INET) {
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(Address)->sin_addr, text, sizeof text);
  } else if (Address->sa_family == AF_INET6) {
    ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(Address)->sin6_addr, text,
                sizeof text);
  }
  return text;
}

HostLookup SystemLookup(const std::string& Host, AddressOrder Order, bool WantCanonicalName,
                        bool Numeric) {
  HostLookup result;
  addrinfo hints{};
  hints.ai_family = Order == AddressOrder::IPv4Only ? AF_INET : AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = (Numeric ? AI_NUMERICHOST : 0) | (WantCanonicalName ? AI_CANONNAME : 0);
  addrinfo* list = nullptr;
  const int rc = ::getaddrinfo(Host.c_str(), nullptr, &hints, &list);
  if (rc != 0) {
    result.Error = std::string("host not found: ") + ::gai_strerror(rc);
    return result;
  }
  std::vector<std::string> v4, others;
  for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
    if (WantCanonicalName && result.CanonicalName.empty() && a->ai_canonname != nullptr)
      result.CanonicalName = a->ai_canonname;
    const std::string text = NumericText(a->ai_addr);
    if (text.empty()) continue;
    auto& into = a->ai_family == AF_INET ? v4 : others;
    if (std::find(into.begin(), into.end(), text) == into.end()) into.push_back(text);
  }
  ::freeaddrinfo(list);
  result.Addresses = std::move(v4);
  if (Order == AddressOrder::IPv4First)
    result.Addresses.insert(result.Addresses.end(), others.begin(), others.end());
  if (result.Addresses.empty()) result.Error = "host not found: no address of the wanted family";
  return result;
}

}  // namespace

bool IsNumericHost(const std::string& Host) {
  in6_addr buffer{};
  return ::inet_pton(AF_INET, Host.c_str(), &buffer) == 1 ||
         ::inet_pton(AF_INET6, Host.c_str(), &buffer) == 1;
}

HostLookup LookupHost(const std::string& Host, AddressOrder Order, bool WantCanonicalName) {
  if (Host.empty()) return HostLookup{"empty host name", {}, {}};
  if (IsNumericHost(Host)) return SystemLookup(Host, Order, WantCanonicalName, true);
  if (g_closed.load()) return HostLookup{"name lookup is closed", {}, {}};
  Resolver resolver;
  {
    std::lock_guard lock(ResolverLock());
    resolver = TestResolver();
  }
  if (resolver) return resolver(Host, Order, WantCanonicalName);
  return SystemLookup(Host, Order, WantCanonicalName, false);
}

void SetResolverForTesting(Resolver TheResolver) {
  std::lock_guard lock(ResolverLock());
  TestResolver() = std::move(TheResolver);
}

void OpenNameLookup() { g_closed = false; }
void CloseNameLookup() { g_closed = true; }

}  // namespace kx::platform::net
