// platform/http/HttpServer.h — an HTTP/1.1 server with all its settings.
//
// The object holds what a server is made of (port, software name, limits,
// bindings, TLS) and, while active, listens and answers. Settings are read
// when it is activated; changing them while it is active acts from the
// next activation.
//
// How it serves:
//   - One listening socket per Bindings entry, on the entry's Port (0: one
//     the system picks; BoundPort tells which); without bindings one on
//     every IPv4 address at DefaultPort. One thread accepts per binding;
//     every connection gets a thread of its own, which runs OnCommand for
//     each request on it, whatever the method. Connections are kept alive
//     as HTTP/1.1 says; "Expect: 100-continue" is answered before the body
//     is read.
//   - A reply that OnCommand did not write goes out from the response info
//     as it stands. An exception leaving OnCommand gives the client 500 with
//     an empty body (or a closed connection, when the reply had begun) and
//     its text to OnError, never to the client.
//   - ServerSoftware, when not empty, is the "Server" header of every reply.
//   - MaxConnections above 0: a connection beyond it gets "503 Service
//     Unavailable" and is closed. A request with more header lines than
//     MaximumHeaderLineCount, a header block above 1 MiB or that does not
//     parse gets 400; a body above BodyLimit (when set) 413; each closes
//     the connection.
//   - With Tls, every connection speaks TLS: certificate chain (CertFile),
//     key (KeyFile, unlocked by Password), trusted issuers of client
//     certificates (RootCertFile, VerifyDirs, VerifyDepth above 0), cipher
//     list (when not empty) and protocol range (SSLVersions, as
//     TlsVersionRange maps them). Any VerifyMode flag asks the client for
//     a certificate and verifies it; sslvrfFailIfNoPeerCert refuses a
//     client that has none, sslvrfClientOnce asks only once per connection.
//     Method and Mode act on nothing here. A failed handshake closes that
//     connection only.
//   - Deactivation stops accepting, waits up to TerminateWaitTime for
//     running handlers to end, then closes every connection and waits for
//     its thread; a handler that still runs then is waited for (its writes
//     fail), so no hook is called once SetActive(false) has returned.
//   - AutoStartSession and SessionTimeOut act on nothing: the server keeps
//     no sessions.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/http/ServerInfo.h"
#include "platform/http/TlsSettings.h"

namespace kx::platform::http {

// One local address to listen on.
struct ServerBinding {
  std::string IP;  // empty: every address of the version
  TIdIPVersion IPVersion = Id_IPv4;
  int32_t Port = 0;

  friend bool operator==(const ServerBinding&, const ServerBinding&) = default;
};

namespace detail {
class ServerEngine;
}

class HttpServer {
 public:
  HttpServer();
  ~HttpServer();  // deactivates
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  int32_t DefaultPort = 80;
  std::string ServerSoftware;
  bool AutoStartSession = false;
  uint32_t SessionTimeOut = 0;        // milliseconds
  uint32_t TerminateWaitTime = 5000;  // milliseconds to wait for handlers at stop
  int32_t MaximumHeaderLineCount = 1024;
  int32_t MaxConnections = 0;  // 0: no limit
  int64_t BodyLimit = 0;       // largest request body in bytes; 0: no limit
  std::vector<ServerBinding> Bindings;
  std::optional<TlsSettings> Tls;  // the TLS handler; its Password unlocks the key

  // Runs for every request, on the connection's thread.
  std::function<void(TIdContext&, TIdHTTPRequestInfo&, TIdHTTPResponseInfo&)> OnCommand;
  // Gets the text of an exception that left OnCommand.
  std::function<void(const std::string& Text)> OnError;

  bool Active() const;
  // True listens on every binding: raises EIdSocketError when one cannot
  // be bound (nothing stays open then) and EIdException for TLS settings
  // that cannot be used. False stops (see the top of this file). Setting
  // the state it has does nothing.
  void SetActive(bool Value);
  // The port of the first listening socket; 0 while inactive.
  int32_t BoundPort() const;

 private:
  std::unique_ptr<detail::ServerEngine> engine_;
};

}  // namespace kx::platform::http
