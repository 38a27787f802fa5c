// platform/net/tcp_client.h — a blocking IPv4 TCP client with time-outs, for
// request-and-answer protocols: connect, send, wait for data, receive, close.
//
// Every failure of the system raises ESocketError with the call and the
// system's reason ("connect to 127.0.0.1:9: Connection refused"); a send
// that times out or a peer that closes is no error (see Send, Receive).
// No signal is ever raised by a peer that went away (MSG_NOSIGNAL).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/rtl/Exceptions.h"

KX_DECLARE_EXCEPTION(ESocketError, Exception);

namespace kx::platform::net {

class TcpClient {
 public:
  TcpClient() = default;
  ~TcpClient();  // closes
  TcpClient(const TcpClient&) = delete;
  TcpClient& operator=(const TcpClient&) = delete;

  // Connects to Port of Host: a dotted IPv4 address when NumericHost, else
  // a name, looked up (IPv4 only) and connected at its first address. The
  // connect waits at most TimeoutMs (0 or below: as long as the system
  // does); the same bound then serves every send (SO_SNDTIMEO). Raises
  // ESocketError: an address that does not read, a name not found, refused,
  // unreachable, "connect to ...: timed out".
  void Connect(const std::string& Host, int32_t Port, bool NumericHost, int32_t TimeoutMs);
  bool Connected() const { return fd_ >= 0; }

  // Sends up to Count bytes; the number sent, 0 when the send time-out ran
  // out with nothing sent. Raises ESocketError when the connection broke.
  size_t Send(const char* Data, size_t Count);
  // Whether data (or the peer's close) waits to be read, after waiting up
  // to TimeoutMs (0 or below: not at all).
  bool WaitForData(int32_t TimeoutMs);
  // Reads what is there, up to Count bytes; 0 when the peer closed. Raises
  // ESocketError when the connection broke.
  size_t Receive(char* Buffer, size_t Count);

  void Close();

 private:
  int fd_ = -1;
  std::string peer_;  // "host:port", for error texts
};

}  // namespace kx::platform::net
