#include "environment/kxNet_IP.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/net/name_lookup.h"
#include "platform/os/System.h"
#include "tests/support/Process.h"

namespace {

using Parts = std::vector<int32_t>;

TEST(IPAddress, GetIPFromStr) {
  struct Case {
    std::u16string in, address;
    TkxIPType type;
    Parts parts;
  };
  const Case cases[] = {
      {u" 192.168.1.* ", u"192.168.1.*", kxIPv4, {192, 168, 1, -1, -1, -1, -1, -1}},
      {u"\t10.0.0.1\r\n", u"10.0.0.1", kxIPv4, {10, 0, 0, 1, -1, -1, -1, -1}},
      {u"::1", u"::1", kxIPv6, {0, 0, 1, -1, -1, -1, -1, -1}},  // empty parts are not expanded
      {u"fe80:0:0:0:1:2:3:4", u"fe80:0:0:0:1:2:3:4", kxIPv6, {65152, 0, 0, 0, 1, 2, 3, 4}},
      {u"FE80::*:x", u"FE80::*:x", kxIPv6, {65152, 0, -1, -1, -1, -1, -1, -1}},
      {u"10.0.0.x", u"10.0.0.x", kxIPv4, {10, 0, 0, -1, -1, -1, -1, -1}},  // not a number: any
      {u"1..3", u"1..3", kxIPv4, {1, 0, 3, -1, -1, -1, -1, -1}},           // an empty part is 0
      {u"1.2.3.4.5.6.7.8.9", u"1.2.3.4.5.6.7.8.9", kxIPv4, {1, 2, 3, 4, 5, 6, 7, 8}},
      {u"99999999999.$1F.0x10.-5", u"99999999999.$1F.0x10.-5", kxIPv4, {-1, 31, 16, -5, -1, -1, -1, -1}},
      {u"1.2:3", u"1.2:3", kxIPv6, {1, 2, 3, -1, -1, -1, -1, -1}},  // ":" decides first
      {u"host", u"host", kxIPUnknown, {-1, -1, -1, -1, -1, -1, -1, -1}},
      {u"", u"", kxIPUnknown, {-1, -1, -1, -1, -1, -1, -1, -1}},
  };
  for (const Case& c : cases) {
    const TkxIPAddress a = TkxNet::GetIPFromStr(c.in);
    EXPECT_EQ(a.Address, c.address) << ToUtf8(c.in);
    EXPECT_EQ(a.IPType, c.type) << ToUtf8(c.in);
    EXPECT_EQ(a.OctetArray, c.parts) << ToUtf8(c.in);
  }
}

TEST(IPAddress, AccessLists) {
  struct Case {
    std::u16string list;
    size_t entries;
    std::vector<std::u16string> in, out;
  };
  const Case cases[] = {
      {u"10.0.0.*; 192.168", 2, {u"10.0.0.17", u"192.168.5.6", u" 10.0.0.1 ", u"10.0.0"},
       {u"10.0.1.17", u"::1", u"host", u""}},
      {u"10.0.0.5", 1, {u"10.0.0.5"}, {u"10.0.0.*", u"10.0.0"}},  // -1 in the address matches only -1
      {u"\r\n 10.0.0.1\r\n10.0.0.2;", 3, {u"10.0.0.1", u"10.0.0.2"}, {u"10.0.0.3"}},
      {u"10.0.0.1\n10.0.0.2", 1, {}, {u"10.0.0.1", u"10.0.0.2"}},  // a lone LF separates nothing
      {u"a,,b", 3, {}, {u"a", u""}},  // unknown entries match nothing
      {u"fe80:*", 1, {u"fe80::1", u"FE80:1:2:3:4:5:6:7"}, {u"fe81::1", u"254.128.0.1"}},
      {u"*.*.*.*", 1, {u"1.2.3.4", u"1.2"}, {u"::", u"1"}},
      {u"", 0, {}, {u"127.0.0.1", u""}},
      {u" ; ", 2, {}, {u"1.2.3.4"}},
  };
  for (const Case& c : cases) {
    TkxIPRanges list{TkxIPAddress{}};
    EXPECT_TRUE(TkxNet::GetIPListFromStr(c.list, list));
    EXPECT_EQ(list.size(), c.entries) << ToUtf8(c.list);
    for (const auto& ip : c.in) EXPECT_TRUE(TkxNet::IsIPInRange(ip, list)) << ToUtf8(c.list) << " / " << ToUtf8(ip);
    for (const auto& ip : c.out) EXPECT_FALSE(TkxNet::IsIPInRange(ip, list)) << ToUtf8(c.list) << " / " << ToUtf8(ip);
  }
  // An entry made elsewhere with fewer parts counts the missing ones as any.
  EXPECT_TRUE(TkxNet::IsIPInRange(u"10.1.2.3", {TkxIPAddress{u"10", kxIPv4, {10}}}));
}

TEST(IPAddress, IsLocalHost) {
  for (const char16_t* yes : {u"127.0.0.1", u"::1", u"0:0:0:0:0:0:0:1",
                              u"0000:0000:0000:0000:0000:0000:0000:0001", u"localhost", u"LocalHost"}) {
    EXPECT_TRUE(TkxNet::IsLocalHost(yes)) << ToUtf8(yes);
  }
  for (const char16_t* no : {u" 127.0.0.1", u"127.0.0.2", u"::0001", u"localhost.", u"", u"127.1"}) {
    EXPECT_FALSE(TkxNet::IsLocalHost(no)) << ToUtf8(no);
  }
}

// A TCP socket of Family bound to every address on Port (0: any), listening;
// with Reuse it sets SO_REUSEADDR, as servers do.
int Listen(int Family, int& Port, bool DualStack = false, bool Reuse = false) {
  const int s = ::socket(Family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return -1;
  const int on = 1;
  if (Reuse) ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_storage storage{};
  socklen_t length;
  if (Family == AF_INET6) {
    const int v6only = DualStack ? 0 : 1;
    ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &v6only, sizeof v6only);
    auto* a = reinterpret_cast<sockaddr_in6*>(&storage);
    a->sin6_family = AF_INET6;
    a->sin6_addr = in6addr_any;
    a->sin6_port = htons(static_cast<uint16_t>(Port));
    length = sizeof(sockaddr_in6);
  } else {
    auto* a = reinterpret_cast<sockaddr_in*>(&storage);
    a->sin_family = AF_INET;
    a->sin_addr.s_addr = htonl(INADDR_ANY);
    a->sin_port = htons(static_cast<uint16_t>(Port));
    length = sizeof(sockaddr_in);
  }
  if (::bind(s, reinterpret_cast<sockaddr*>(&storage), length) != 0 || ::listen(s, 4) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
    ::close(s);
    return -1;
  }
  Port = ntohs(Family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                                  : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
  return s;
}

TEST(IPAddress, PortIsFree) {
  int held = 0;
  const int v4 = Listen(AF_INET, held);
  ASSERT_GE(v4, 0);
  EXPECT_FALSE(TkxNet::PortIsFree(held));
  ::close(v4);
  EXPECT_TRUE(TkxNet::PortIsFree(held));
  EXPECT_FALSE(TkxNet::PortIsFree(65536 + held));  // never cut to 16 bits
  for (const int32_t port : {-1, 65536, 70000}) EXPECT_FALSE(TkxNet::PortIsFree(port)) << port;
  EXPECT_TRUE(TkxNet::PortIsFree(0));

  // A port whose only trace is a connection of a server in TIME_WAIT (the
  // server closed first) is free for a listener that reuses addresses.
  int waiting = 0;
  const int listener = Listen(AF_INET, waiting, false, true);
  ASSERT_GE(listener, 0);
  const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(static_cast<uint16_t>(waiting));
  ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
  const int served = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  ASSERT_GE(served, 0);
  ::close(served);
  char byte;
  EXPECT_EQ(::recv(client, &byte, 1, 0), 0);  // the server's close has arrived
  ::close(client);
  ::close(listener);
  int again = waiting;
  const int plain = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(static_cast<uint16_t>(again));
  EXPECT_NE(::bind(plain, reinterpret_cast<sockaddr*>(&any), sizeof any), 0)
      << "no TIME_WAIT left on the port: the case shows nothing";
  ::close(plain);
  EXPECT_TRUE(TkxNet::PortIsFree(waiting));

  int dual = 0;
  const int v6 = Listen(AF_INET6, dual, true);
  if (v6 < 0) GTEST_SKIP() << "no IPv6 sockets here";
  EXPECT_FALSE(TkxNet::PortIsFree(dual));
  ::close(v6);
}

struct ResolverGuard {
  ~ResolverGuard() { kx::platform::net::SetResolverForTesting(nullptr); }
};

TEST(IPAddress, LocalAddressesThroughTheNameLookup) {
  const std::string host = kx::platform::HostName();
  if (host.empty() || kx::platform::net::IsNumericHost(host)) {
    GTEST_SKIP() << "the host name \"" << host << "\" does not reach the resolver";
  }
  ResolverGuard guard;
  using kx::platform::net::HostLookup;
  struct Case {
    const char* what;
    HostLookup answer;
    bool result;
    std::vector<std::u16string> list;
    std::u16string single;
  };
  const Case cases[] = {
      {"two addresses", {"", "", {"10.1.2.3", "10.1.2.4"}}, true, {u"old", u"10.1.2.3", u"10.1.2.4"},
       u"10.1.2.3"},
      {"no entry", {"", "", {}}, false, {u"old"}, u"127.0.0.1"},
      {"failing lookup", {"host not found: seam", "", {}}, false, {u"old"}, u"127.0.0.1"},
  };
  for (const Case& c : cases) {
    std::string asked;
    kx::platform::net::SetResolverForTesting(
        [&](const std::string& name, kx::platform::net::AddressOrder order, bool) {
          asked = name;
          EXPECT_EQ(order, kx::platform::net::AddressOrder::IPv4Only);
          return c.answer;
        });
    TStringList list;
    list.Add(u"old");
    EXPECT_EQ(TkxNet::GetLocalIP(list), c.result) << c.what;
    EXPECT_EQ(asked, host) << c.what;
    std::vector<std::u16string> got;
    for (int32_t i = 0; i < list.Count(); ++i) got.push_back(list.Strings(i));
    EXPECT_EQ(got, c.list) << c.what;
    EXPECT_EQ(TkxNet::GetSingleLocalIP(), c.single) << c.what;
  }
}

TEST(IPAddress, LocalAddressesForReal) {
  const std::string host = kx::platform::HostName();
  const auto getent = kx::testing::RunBounded({"getent", "ahostsv4", host}, kx::testing::kChildTimeoutMs);
  if (getent.ExitCode < 0) GTEST_SKIP() << "getent cannot run";
  // getent lists every address once per socket type; the stream lines count.
  std::vector<std::u16string> want;
  std::istringstream lines(getent.Output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string address, type;
    if (fields >> address >> type && type == "STREAM") want.push_back(ToUtf16(address));
  }
  TStringList list;
  EXPECT_EQ(TkxNet::GetLocalIP(list), !want.empty());
  std::vector<std::u16string> got;
  for (int32_t i = 0; i < list.Count(); ++i) got.push_back(list.Strings(i));
  EXPECT_EQ(got, want);
}

}  // namespace
