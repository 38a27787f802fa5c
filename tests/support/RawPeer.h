// tests/support/RawPeer.h — a TCP peer on 127.0.0.1 that reads whole HTTP
// requests and answers them with canned bytes: for answers no HTTP server
// library would give (no status line, a folded header, a close before the
// answer, a stall), for capturing a request exactly as it went over the
// wire, and as a sink that swallows large uploads.
//
// It serves a fixed number of connections, one after the other, on a port
// of its own; every wait is bounded, and the destructor stops it.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/LoopbackSocket.h"

namespace kx::testing {

class RawPeer {
 public:
  struct Answer {
    std::string Bytes;    // sent once the request has been read
    int StallMs = 0;      // wait this long first (bounded by the destructor)
    bool Close = false;   // then close without sending anything
    bool KeepBody = true;  // false: count the body's bytes, keep none
    bool BeforeBody = false;  // answer once the head is read; the body is drained after
  };

  explicit RawPeer(Answer TheAnswer, int Connections = 1)
      : answer_(std::move(TheAnswer)), remaining_(Connections) {
    listener_ = BindLoopback(16, port_);
    thread_ = std::thread([this] { Serve(); });
  }

  ~RawPeer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }

  RawPeer(const RawPeer&) = delete;
  RawPeer& operator=(const RawPeer&) = delete;

  int Port() const { return port_; }
  std::string Url(std::string_view Path) const {
    char digits[8];
    const auto end = std::to_chars(digits, digits + sizeof(digits), port_).ptr;
    return "http://127.0.0.1:" + std::string(digits, end) + std::string(Path);
  }

  // The requests read so far (head and body as received), after waiting up
  // to 10 s for Count of them.
  std::vector<std::string> Requests(size_t Count = 1) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(10), [&] { return requests_.size() >= Count; });
    return requests_;
  }
  // Body bytes read in all (also those not kept).
  int64_t BodyBytes() const { return bodyBytes_; }

 private:
  static constexpr int kSliceMs = 50;
  static constexpr int kReadLimitMs = 10000;

  void Serve() {
    while (!stop_ && remaining_ > 0) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, kSliceMs) <= 0) continue;
      const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection < 0) continue;
      --remaining_;
      Handle(connection);
      ::close(connection);
    }
  }

  // Waits up to kReadLimitMs in all for bytes; false on end, error or time-out.
  bool ReadSome(int Connection, std::string& Into, size_t Limit, int& WaitedMs) {
    char buffer[1 << 16];
    while (!stop_ && WaitedMs < kReadLimitMs) {
      pollfd p{Connection, POLLIN, 0};
      const int ready = ::poll(&p, 1, kSliceMs);
      if (ready == 0) {
        WaitedMs += kSliceMs;
        continue;
      }
      if (ready < 0) return false;
      const ssize_t n = ::recv(Connection, buffer, std::min(sizeof(buffer), Limit), 0);
      if (n <= 0) return false;
      Into.append(buffer, static_cast<size_t>(n));
      return true;
    }
    return false;
  }

  static int64_t ContentLength(std::string_view Head) {
    std::string lower(Head);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const size_t at = lower.find("\ncontent-length:");
    if (at == std::string::npos) return 0;
    int64_t value = 0;
    for (size_t i = at + 16; i < lower.size() && lower[i] != '\r'; ++i) {
      if (lower[i] >= '0' && lower[i] <= '9') value = value * 10 + (lower[i] - '0');
    }
    return value;
  }

  void Handle(int Connection) {
    std::string request;
    int waited = 0;
    size_t headEnd = std::string::npos;
    while ((headEnd = request.find("\r\n\r\n")) == std::string::npos) {
      if (!ReadSome(Connection, request, 1 << 16, waited)) break;
    }
    if (headEnd != std::string::npos && !answer_.BeforeBody) {
      int64_t missing = ContentLength(std::string_view(request).substr(0, headEnd + 4)) -
                        static_cast<int64_t>(request.size() - headEnd - 4);
      bodyBytes_ += static_cast<int64_t>(request.size() - headEnd - 4);
      std::string chunk;
      while (missing > 0) {
        chunk.clear();
        if (!ReadSome(Connection, chunk, static_cast<size_t>(std::min<int64_t>(missing, 1 << 16)),
                      waited)) {
          break;
        }
        missing -= static_cast<int64_t>(chunk.size());
        bodyBytes_ += static_cast<int64_t>(chunk.size());
        waited = 0;
        if (answer_.KeepBody) request += chunk;
      }
    }
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(std::move(request));
    }
    changed_.notify_all();
    for (int slept = 0; slept < answer_.StallMs && !stop_; slept += kSliceMs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMs));
    }
    if (answer_.Close || stop_) return;
    size_t sent = 0;
    while (sent < answer_.Bytes.size()) {
      const ssize_t n = ::send(Connection, answer_.Bytes.data() + sent, answer_.Bytes.size() - sent,
                               MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    ::shutdown(Connection, SHUT_WR);
    // Let the client read the answer before the socket goes away.
    std::string rest;
    int drained = kReadLimitMs - 2000;
    while (ReadSome(Connection, rest, 1 << 16, drained)) rest.clear();
  }

  Answer answer_;
  std::atomic<int> remaining_;
  std::atomic<bool> stop_{false};
  std::atomic<int64_t> bodyBytes_{0};
  int listener_ = -1;
  int port_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace kx::testing
