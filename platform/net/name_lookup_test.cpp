#include "platform/net/name_lookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kx::platform::net::AddressOrder;
using kx::platform::net::HostLookup;
using kx::platform::net::LookupHost;

struct ResolverGuard {
  ~ResolverGuard() {
    kx::platform::net::SetResolverForTesting(nullptr);
    kx::platform::net::OpenNameLookup();
  }
};

TEST(NameLookup, NumericHostsNeverReachTheResolver) {
  ResolverGuard guard;
  int calls = 0;
  kx::platform::net::SetResolverForTesting([&](const std::string&, AddressOrder, bool) {
    ++calls;
    return HostLookup{"seam", {}, {}};
  });
  struct Case {
    std::string host;
    AddressOrder order;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"127.0.0.1", AddressOrder::IPv4Only, {"127.0.0.1"}},
      {"::1", AddressOrder::IPv4First, {"::1"}},
      {"::1", AddressOrder::IPv4Only, {}},  // no IPv4 address in it
      {"10.0.0.256", AddressOrder::IPv4Only, {}},  // not numeric: a name, so the seam
  };
  for (const Case& c : cases) EXPECT_EQ(LookupHost(c.host, c.order).Addresses, c.want) << c.host;
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(LookupHost("", AddressOrder::IPv4Only).Found());
  EXPECT_EQ(calls, 1);
}

TEST(NameLookup, NamesGoThroughTheSeamUnlessClosed) {
  ResolverGuard guard;
  kx::platform::net::SetResolverForTesting([](const std::string& host, AddressOrder, bool canon) {
    return HostLookup{"", canon ? host + ".example" : "", {"192.0.2.7"}};
  });
  const HostLookup found = LookupHost("peer", AddressOrder::IPv4Only, true);
  EXPECT_TRUE(found.Found());
  EXPECT_EQ(found.CanonicalName, "peer.example");
  kx::platform::net::CloseNameLookup();
  EXPECT_EQ(LookupHost("peer", AddressOrder::IPv4Only).Error, "name lookup is closed");
  EXPECT_TRUE(LookupHost("127.0.0.1", AddressOrder::IPv4Only).Found());
  kx::platform::net::OpenNameLookup();
  EXPECT_TRUE(LookupHost("peer", AddressOrder::IPv4Only).Found());
}

TEST(NameLookup, SystemResolver) {
  // The special-use name that never resolves.
  const HostLookup missing = LookupHost("no-such-host.invalid", AddressOrder::IPv4Only);
  EXPECT_FALSE(missing.Found());
  EXPECT_EQ(missing.Error.rfind("host not found: ", 0), 0u) << missing.Error;
  const HostLookup local = LookupHost("localhost", AddressOrder::IPv4First);
  if (!local.Found()) GTEST_SKIP() << "localhost does not resolve here: " << local.Error;
  EXPECT_EQ(local.Addresses.front().rfind("127.", 0), 0u) << local.Addresses.front();
}

}  // namespace
