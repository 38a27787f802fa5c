// tests/support/LoopbackServer.h — an HTTP or HTTPS server for tests, on
// 127.0.0.1 with a port of its own, over cpp-httplib (tests only).
//
//   kx::testing::LoopbackServer server;
//   server.Http().Put("/up", [](const httplib::Request& q, httplib::Response& r) { ... });
//   server.Start();
//   ... TkxIndy::HTTPPut(ToUtf16(server.Url("/up")), ...) ...
// Handlers are registered before Start. The destructor stops the server and
// waits for its thread; Start waits at most 5 s for it to listen.
#pragma once

#include <httplib.h>

#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace kx::testing {

class LoopbackServer {
 public:
  // Plain HTTP.
  LoopbackServer();
  // HTTPS with this certificate and key (PEM); with ClientCaFile, a client
  // certificate issued by it is required.
  LoopbackServer(const std::string& CertFile, const std::string& KeyFile,
                 const std::string& ClientCaFile = std::string());
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  httplib::Server& Http() { return *server_; }
  void Start();
  void Stop();

  int Port() const { return port_; }
  // "http://127.0.0.1:" + port + Path (https for a TLS server).
  std::string Url(std::string_view Path) const;

 private:
  std::unique_ptr<httplib::Server> server_;
  bool tls_ = false;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace kx::testing
