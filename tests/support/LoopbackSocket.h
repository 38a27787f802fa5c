// tests/support/LoopbackSocket.h — a TCP socket bound to 127.0.0.1 on a port
// the system chooses, for the test peers and servers that accept by hand.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace kx::testing {

// A bound socket and its port. With Backlog > 0 it listens as well; with 0
// it is only bound (a port that is noted and closed stands for a server that
// is down). Raises std::runtime_error when the system refuses.
inline int BindLoopback(int Backlog, int& Port) {
  const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      (Backlog > 0 && ::listen(socket, Backlog) != 0) ||
      ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(socket);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  Port = ntohs(address.sin_port);
  return socket;
}

}  // namespace kx::testing
