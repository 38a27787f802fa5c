// tests/support/TaggedServer.h — a TCP server on 127.0.0.1 that speaks the
// tagged message protocol for tests: it reads one request per connection
// (up to its closing tag) and answers as its switches say: the whole answer
// at once, in small delayed blocks, not at all (the connection stays open),
// or by closing at once; after an answer it closes, or waits for the client
// to close. The answer is made from the request, so it can hold
// anything a test needs: another-case closing tag, a zero byte, more bytes
// than a lowered cap.
//
// It serves connections one after another on a thread of its own; every wait
// is bounded, and the destructor stops it.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kx::testing {

class TaggedServer {
 public:
  enum class Delivery { Whole, Blocks, Silent, Close };
  struct Behaviour {
    Delivery How = Delivery::Whole;
    // The answer to a request; by default "<ALIVE><enc=none><comp=false></ALIVE>"
    // for the probe and an echo of the request otherwise.
    std::function<std::string(const std::string& Request)> Answer;
    size_t BlockSize = 7;  // Blocks: bytes per send
    int BlockDelayMs = 20;  // Blocks: pause before each send
    bool KeepOpen = false;  // after answering, wait for the client to close
  };

  TaggedServer();  // whole answers, the default answer
  explicit TaggedServer(Behaviour B);
  ~TaggedServer();
  TaggedServer(const TaggedServer&) = delete;
  TaggedServer& operator=(const TaggedServer&) = delete;

  int Port() const { return port_; }
  // The requests read so far, in order.
  std::vector<std::string> Requests();
  int Connections() const { return connections_; }

 private:
  void Serve();
  void Handle(int Connection);

  Behaviour behaviour_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A port on 127.0.0.1 that nobody listens on.
int RefusedPort();

}  // namespace kx::testing
