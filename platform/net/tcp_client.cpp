#include "platform/net/tcp_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <algorithm>
#include <cstring>

#include "platform/net/name_lookup.h"

namespace kx::platform::net {
namespace {

[[noreturn]] void Fail(const std::string& What, int Error) {
  throw ESocketError(What + ": " + std::strerror(Error));
}

}  // namespace

TcpClient::~TcpClient() { Close(); }

void TcpClient::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void TcpClient::Connect(const std::string& Host, int32_t Port, bool NumericHost,
                        int32_t TimeoutMs) {
  Close();
  peer_ = Host + ":" + std::to_string(Port);
  if (Port < 0 || Port > 65535) throw ESocketError("connect to " + peer_ + ": invalid port");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(Port));
  std::string ip = Host;
  if (!NumericHost) {
    const HostLookup found = LookupHost(Host, AddressOrder::IPv4Only);
    if (!found.Found()) throw ESocketError("connect to " + peer_ + ": " + found.Error);
    ip = found.Addresses.front();
  }
  if (::inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1)
    throw ESocketError("connect to " + peer_ + ": not an IPv4 address");

  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) Fail("socket", errno);
  fd_ = fd;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (errno != EINPROGRESS) {
      const int e = errno;
      Close();
      Fail("connect to " + peer_, e);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
      int wait = -1;
      if (TimeoutMs > 0) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        wait = static_cast<int>(std::max<int64_t>(0, left.count()));
      }
      pollfd p{fd, POLLOUT, 0};
      const int ready = ::poll(&p, 1, wait);
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) {
        const int e = errno;
        Close();
        Fail("connect to " + peer_, e);
      }
      if (ready == 0) {
        Close();
        throw ESocketError("connect to " + peer_ + ": timed out");
      }
      break;
    }
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
    if (error != 0) {
      Close();
      Fail("connect to " + peer_, error);
    }
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (TimeoutMs > 0) {
    timeval tv{TimeoutMs / 1000, (TimeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  }
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

size_t TcpClient::Send(const char* Data, size_t Count) {
  if (fd_ < 0) throw ESocketError("send: not connected");
  for (;;) {
    const ssize_t n = ::send(fd_, Data, Count, MSG_NOSIGNAL);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    Fail("send to " + peer_, errno);
  }
}

bool TcpClient::WaitForData(int32_t TimeoutMs) {
  if (fd_ < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  for (;;) {
    // Rounded up: poll waits whole milliseconds, and a wait cut short by a
    // fraction would end before the deadline.
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(0, left.count())));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) Fail("poll " + peer_, errno);
    return ready > 0;
  }
}

size_t TcpClient::Receive(char* Buffer, size_t Count) {
  if (fd_ < 0) throw ESocketError("receive: not connected");
  for (;;) {
    const ssize_t n = ::recv(fd_, Buffer, Count, 0);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno == EINTR) continue;
    Fail("receive from " + peer_, errno);
  }
}

}  // namespace kx::platform::net
