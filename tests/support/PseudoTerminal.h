// tests/support/PseudoTerminal.h — a pseudo-terminal that stands in for the
// console (platform/console.h) while it lives: the test types keys on the
// master side and reads there what was written to the terminal.
#pragma once

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "platform/console.h"

namespace kx::testing {

class PseudoTerminal {
 public:
  PseudoTerminal() {
    if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0)
      throw std::runtime_error("openpty failed");
    kx::platform::console::SetDescriptorsForTesting(std::pair(slave_, slave_));
  }
  ~PseudoTerminal() {
    kx::platform::console::SetDescriptorsForTesting(std::nullopt);
    ::close(master_);
    ::close(slave_);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  int Terminal() const { return slave_; }

  // Types Keys and gives the line discipline a moment to pass them on.
  void Type(const std::string& Keys) {
    if (::write(master_, Keys.data(), Keys.size()) != static_cast<ssize_t>(Keys.size()))
      throw std::runtime_error("typing failed");
    ::usleep(20000);
  }

  // What the terminal received since the last call.
  std::string Screen() {
    std::string bytes;
    pollfd p{master_, POLLIN, 0};
    char chunk[256];
    while (::poll(&p, 1, 50) > 0) {
      const ssize_t n = ::read(master_, chunk, sizeof chunk);
      if (n <= 0) break;
      bytes.append(chunk, static_cast<size_t>(n));
    }
    return bytes;
  }

 private:
  int master_ = -1, slave_ = -1;
};

}  // namespace kx::testing
