#include "tests/support/LoopbackServer.h"

#include <charconv>
#include <chrono>
#include <stdexcept>

namespace kx::testing {

LoopbackServer::LoopbackServer() : server_(std::make_unique<httplib::Server>()) {}

LoopbackServer::LoopbackServer(const std::string& CertFile, const std::string& KeyFile,
                               const std::string& ClientCaFile)
    : server_(std::make_unique<httplib::SSLServer>(
          CertFile.c_str(), KeyFile.c_str(), ClientCaFile.empty() ? nullptr : ClientCaFile.c_str())),
      tls_(true) {
  if (!server_->is_valid()) throw std::runtime_error("the TLS test server cannot load its certificate");
}

LoopbackServer::~LoopbackServer() { Stop(); }

void LoopbackServer::Start() {
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("the test server cannot listen on 127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!server_->is_running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!server_->is_running()) throw std::runtime_error("the test server did not start");
}

void LoopbackServer::Stop() {
  if (!thread_.joinable()) return;
  server_->stop();
  thread_.join();
}

std::string LoopbackServer::Url(std::string_view Path) const {
  char digits[8];
  const auto end = std::to_chars(digits, digits + sizeof(digits), port_).ptr;
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::string(digits, end) +
         std::string(Path);
}

}  // namespace kx::testing
