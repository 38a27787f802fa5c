#include "tests/support/TaggedServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "tests/support/LoopbackSocket.h"

namespace kx::testing {
namespace {

constexpr int kSliceMs = 20;
constexpr int kReadLimitMs = 5000;

// Whether Text ends with "</" + its first tag's name + ">".
bool Whole(const std::string& Text) {
  const size_t gt = Text.find('>');
  if (Text.empty() || Text[0] != '<' || gt == std::string::npos) return false;
  const std::string closing = "</" + Text.substr(1, gt - 1) + ">";
  return Text.size() > gt + 1 && Text.size() >= closing.size() &&
         Text.compare(Text.size() - closing.size(), closing.size(), closing) == 0;
}

void SendAll(int Connection, const char* Data, size_t Size) {
  while (Size > 0) {
    const ssize_t n = ::send(Connection, Data, Size, MSG_NOSIGNAL);
    if (n <= 0) return;
    Data += n;
    Size -= static_cast<size_t>(n);
  }
}

}  // namespace

TaggedServer::TaggedServer() : TaggedServer(Behaviour{}) {}

TaggedServer::TaggedServer(Behaviour B) : behaviour_(std::move(B)) {
  if (!behaviour_.Answer) {
    behaviour_.Answer = [](const std::string& request) {
      return request == "<ALIVE><></ALIVE>" ? std::string("<ALIVE><enc=none><comp=false></ALIVE>") : request;
    };
  }
  listener_ = BindLoopback(16, port_);
  thread_ = std::thread([this] { Serve(); });
}

TaggedServer::~TaggedServer() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

std::vector<std::string> TaggedServer::Requests() {
  std::lock_guard lock(mutex_);
  return requests_;
}

void TaggedServer::Serve() {
  while (!stop_) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, kSliceMs) <= 0) continue;
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    ++connections_;
    Handle(connection);
    ::close(connection);
  }
}

void TaggedServer::Handle(int Connection) {
  std::string request;
  char buffer[65536];
  for (int waited = 0; !stop_ && waited < kReadLimitMs && !Whole(request);) {
    pollfd p{Connection, POLLIN, 0};
    if (::poll(&p, 1, kSliceMs) == 0) {
      waited += kSliceMs;
      continue;
    }
    const ssize_t n = ::recv(Connection, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.append(buffer, static_cast<size_t>(n));
  }
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }
  // Until the client gives up (or the server stops).
  auto holdOpen = [&] {
    while (!stop_) {
      pollfd p{Connection, POLLIN, 0};
      if (::poll(&p, 1, kSliceMs) > 0 && ::recv(Connection, buffer, sizeof buffer, 0) <= 0) return;
    }
  };
  switch (behaviour_.How) {
    case Delivery::Close:
      return;
    case Delivery::Silent:
      holdOpen();
      return;
    case Delivery::Whole: {
      const std::string answer = behaviour_.Answer(request);
      SendAll(Connection, answer.data(), answer.size());
      break;
    }
    case Delivery::Blocks: {
      const std::string answer = behaviour_.Answer(request);
      for (size_t at = 0; at < answer.size() && !stop_; at += behaviour_.BlockSize) {
        std::this_thread::sleep_for(std::chrono::milliseconds(behaviour_.BlockDelayMs));
        SendAll(Connection, answer.data() + at, std::min(behaviour_.BlockSize, answer.size() - at));
      }
      break;
    }
  }
  if (behaviour_.KeepOpen) {
    holdOpen();
    return;
  }
  // Let the client read the answer before the socket goes.
  ::shutdown(Connection, SHUT_WR);
  for (int waited = 0; !stop_ && waited < kReadLimitMs;) {
    pollfd p{Connection, POLLIN, 0};
    if (::poll(&p, 1, kSliceMs) == 0) {
      waited += kSliceMs;
      continue;
    }
    if (::recv(Connection, buffer, sizeof buffer, 0) <= 0) return;
  }
}

int RefusedPort() {
  int port = 0;
  ::close(BindLoopback(0, port));
  return port;
}

}  // namespace kx::testing
