// platform/http/HttpServer.h — an HTTP server object with all its settings.
//
// The object holds what a server is made of (port, software name, sessions,
// limits, bindings, TLS) so that the settings can be built and checked now;
// the engine that listens and answers arrives later. Until then SetActive
// (true) raises: a server that cannot serve must not look as if it did.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/http/TlsSettings.h"

namespace kx::platform::http {

// One local address to listen on.
struct ServerBinding {
  std::string IP;  // empty: every address of the version
  TIdIPVersion IPVersion = Id_IPv4;
  int32_t Port = 0;

  friend bool operator==(const ServerBinding&, const ServerBinding&) = default;
};

class HttpServer {
 public:
  int32_t DefaultPort = 80;
  std::string ServerSoftware;
  bool AutoStartSession = false;
  uint32_t SessionTimeOut = 0;       // milliseconds; 0: sessions never expire
  uint32_t TerminateWaitTime = 5000;  // milliseconds to wait for connections at stop
  int32_t MaximumHeaderLineCount = 1024;
  int32_t MaxConnections = 0;  // 0: no limit
  std::vector<ServerBinding> Bindings;
  std::optional<TlsSettings> Tls;  // the TLS handler; its Password unlocks the key

  bool Active() const { return active_; }
  // False stops (nothing to do now); true raises Exception "the HTTP server
  // engine is not built yet".
  void SetActive(bool Value);

 private:
  bool active_ = false;
};

}  // namespace kx::platform::http
