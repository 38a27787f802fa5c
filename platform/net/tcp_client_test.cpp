#include "platform/net/tcp_client.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/name_lookup.h"
#include "tests/support/LoopbackSocket.h"

namespace {

using kx::platform::net::TcpClient;

TEST(TcpClient, TalksToAPeerByNumberAndByName) {
  int port = 0;
  const int listener = kx::testing::BindLoopback(4, port);
  std::thread peer([&] {
    for (int i = 0; i < 2; ++i) {
      pollfd p{listener, POLLIN, 0};
      if (::poll(&p, 1, 5000) <= 0) return;
      const int c = ::accept(listener, nullptr, nullptr);
      char buffer[16];
      const ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
      if (n > 0) ::send(c, buffer, static_cast<size_t>(n), MSG_NOSIGNAL);
      ::close(c);
    }
  });
  kx::platform::net::SetResolverForTesting([](const std::string&, auto, bool) {
    return kx::platform::net::HostLookup{"", "", {"127.0.0.1"}};
  });
  for (const auto& [host, numeric] : {std::pair{"127.0.0.1", true}, std::pair{"peer.test", false}}) {
    TcpClient client;
    client.Connect(host, port, numeric, 2000);
    EXPECT_EQ(client.Send("ping", 4), 4u);
    ASSERT_TRUE(client.WaitForData(5000));
    char buffer[16];
    EXPECT_EQ(std::string(buffer, client.Receive(buffer, sizeof buffer)), "ping");
    ASSERT_TRUE(client.WaitForData(5000));
    EXPECT_EQ(client.Receive(buffer, sizeof buffer), 0u);  // closed by the peer
  }
  kx::platform::net::SetResolverForTesting(nullptr);
  peer.join();
  ::close(listener);
}

TEST(TcpClient, FailuresRaise) {
  int port = 0;
  ::close(kx::testing::BindLoopback(0, port));  // nobody listens there now
  struct Case {
    std::string host;
    bool numeric;
    int port;
  };
  const Case cases[] = {
      {"127.0.0.1", true, port},               // refused
      {"127.0.0.1.5", true, port},             // not an address
      {"no-such-host.invalid", false, port},   // not found
      {"127.0.0.1", true, 70000},              // no port
  };
  for (const Case& c : cases) {
    TcpClient client;
    EXPECT_THROW(client.Connect(c.host, c.port, c.numeric, 2000), ESocketError) << c.host;
    EXPECT_FALSE(client.Connected());
  }
  TcpClient idle;
  EXPECT_FALSE(idle.WaitForData(10));
  EXPECT_THROW(idle.Send("x", 1), ESocketError);
}

TEST(TcpClient, ConnectIsBoundedByItsTimeOut) {
  // A listener that never accepts: once its queue is full, the next
  // connection attempt gets no answer at all.
  int port = 0;
  const int listener = kx::testing::BindLoopback(1, port);
  std::vector<TcpClient> fillers(8);
  bool blocked = false;
  for (TcpClient& f : fillers) {
    const auto start = std::chrono::steady_clock::now();
    try {
      f.Connect("127.0.0.1", port, true, 300);
    } catch (const ESocketError& e) {
      EXPECT_NE(std::string(e.what()).find("timed out"), std::string::npos) << e.what();
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
      blocked = true;
      break;
    }
  }
  ::close(listener);
  if (!blocked) GTEST_SKIP() << "this system accepts beyond the listen queue";
}

}  // namespace
