// platform/net/name_lookup.h — the one way the system turns a host name into
// addresses.
//
// A numeric host (dotted IPv4 or IPv6 text) is taken as it stands and never
// reaches the resolver; a name goes to the system's resolver (getaddrinfo:
// hosts file, DNS, ...). Addresses come back as numeric texts in the
// resolver's order, each once; IPv4Only keeps the IPv4 addresses alone,
// IPv4First puts them before the others.
//
//   LookupHost("127.0.0.1", AddressOrder::IPv4Only).Addresses == {"127.0.0.1"}
//   LookupHost("no.such.host.invalid", ...).Error == the resolver's reason
//
// Tests replace the resolver for names through SetResolverForTesting.
// While the library unloads (after CloseNameLookup) a name is not looked
// up: the resolver may load libraries of its own, which must not happen
// under the loader's lock. Numeric hosts work all the same.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kx::platform::net {

enum class AddressOrder { IPv4Only, IPv4First };

struct HostLookup {
  std::string Error;                   // empty when the host was found
  std::string CanonicalName;           // when asked for and known
  std::vector<std::string> Addresses;  // numeric texts; empty when not found

  bool Found() const { return Error.empty() && !Addresses.empty(); }
};

// True when Host is a numeric IPv4 or IPv6 address text.
bool IsNumericHost(const std::string& Host);

// Never raises; a failure is in Error ("host not found: " + the resolver's
// reason, "empty host name", "name lookup is closed").
HostLookup LookupHost(const std::string& Host, AddressOrder Order, bool WantCanonicalName = false);

// The resolver for names (Host is never numeric or empty here); nullptr
// restores the system's.
using Resolver = std::function<HostLookup(const std::string& Host, AddressOrder Order,
                                          bool WantCanonicalName)>;
void SetResolverForTesting(Resolver TheResolver);

// The load list's entry: Open at load, Close at unload (both idempotent).
// Lookups are open in a program that never runs the list.
void OpenNameLookup();
void CloseNameLookup();

}  // namespace kx::platform::net
