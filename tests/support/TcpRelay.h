// tests/support/TcpRelay.h — a TCP relay on 127.0.0.1 in front of a server,
// for tests of lost connections (header-only): every connection it accepts
// is joined to a new one to the server. Drop cuts every joined connection;
// while refusing, a new connection is accepted and closed at once.
//
//   kx::testing::TcpRelay relay(serverPort);   // clients connect to relay.Port()
//   relay.SetRefusing(true);
//   relay.Drop();                              // the server is "gone"
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/LoopbackSocket.h"

namespace kx::testing {

class TcpRelay {
 public:
  explicit TcpRelay(int TargetPort) : target_(TargetPort) {
    listen_ = BindLoopback(16, port_);
    if (::pipe2(wake_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    thread_ = std::thread([this] { Run(); });
  }
  ~TcpRelay() {
    stop_ = true;
    Wake();
    thread_.join();
    for (auto& [a, b] : pairs_) {
      ::close(a);
      ::close(b);
    }
    ::close(listen_);
    ::close(wake_[0]);
    ::close(wake_[1]);
  }
  TcpRelay(const TcpRelay&) = delete;
  TcpRelay& operator=(const TcpRelay&) = delete;

  int Port() const { return port_; }
  void SetRefusing(bool Refusing) { refusing_ = Refusing; }
  // Cuts every joined connection; returns once they are closed.
  void Drop() {
    std::unique_lock<std::mutex> lock(mutex_);
    ++dropRequests_;
    Wake();
    const int want = dropRequests_;
    while (dropsDone_ < want) {
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      lock.lock();
    }
  }

 private:
  void Wake() {
    const char c = 0;
    (void)!::write(wake_[1], &c, 1);
  }

  int Connect() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(target_));
    if (s >= 0 && ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) return s;
    if (s >= 0) ::close(s);
    return -1;
  }

  void Run() {
    while (!stop_) {
      std::vector<pollfd> fds{{listen_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      const size_t polled = pairs_.size();  // a pair accepted below waits for the next round
      for (auto& [a, b] : pairs_) {
        fds.push_back({a, POLLIN, 0});
        fds.push_back({b, POLLIN, 0});
      }
      if (::poll(fds.data(), fds.size(), 200) < 0) continue;
      if (fds[1].revents != 0) {
        char buffer[64];
        (void)!::read(wake_[0], buffer, sizeof(buffer));
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (dropsDone_ < dropRequests_) {
          for (auto& [a, b] : pairs_) {
            ::shutdown(a, SHUT_RDWR);
            ::close(a);
            ::close(b);
          }
          pairs_.clear();
          dropsDone_ = dropRequests_;
          continue;
        }
      }
      if ((fds[0].revents & POLLIN) != 0) {
        const int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
          const int server = refusing_ ? -1 : Connect();
          if (server < 0)
            ::close(client);
          else
            pairs_.emplace_back(client, server);
        }
      }
      std::vector<std::pair<int, int>> kept(pairs_.begin() + static_cast<std::ptrdiff_t>(polled), pairs_.end());
      for (size_t i = 0; i < polled; ++i) {
        auto [a, b] = pairs_[i];
        bool open = true;
        for (int side = 0; side < 2 && open; ++side) {
          const pollfd& p = fds[2 + 2 * i + static_cast<size_t>(side)];
          if (p.revents == 0) continue;
          const int from = side == 0 ? a : b, to = side == 0 ? b : a;
          char buffer[65536];
          const ssize_t n = ::read(from, buffer, sizeof(buffer));
          if (n <= 0) {
            open = false;
            break;
          }
          for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer + done, static_cast<size_t>(n - done));
            if (w <= 0) {
              open = false;
              break;
            }
            done += w;
          }
        }
        if (open) {
          kept.emplace_back(a, b);
        } else {
          ::close(a);
          ::close(b);
        }
      }
      pairs_ = std::move(kept);
    }
  }

  int target_;
  int port_ = 0;
  int listen_ = -1;
  int wake_[2] = {-1, -1};
  std::atomic<bool> stop_{false};
  std::atomic<bool> refusing_{false};
  std::mutex mutex_;
  int dropRequests_ = 0;
  int dropsDone_ = 0;
  std::vector<std::pair<int, int>> pairs_;  // relay thread only
  std::thread thread_;
};

}  // namespace kx::testing
