#include "platform/console.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <utility>

#include "platform/os/LastError.h"
#include "platform/rtl/Text.h"

namespace kx::platform::console {
namespace {

std::atomic<int> g_input{0};
std::atomic<int> g_output{1};

bool WriteAll(int Fd, std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t n = ::write(Fd, Bytes.data(), Bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return FailWithErrno();
    Bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool WriteToTerminal(std::string_view Bytes) {
  const int fd = g_output.load();
  if (::isatty(fd) == 0) return FailWithErrno();
  return WriteAll(fd, Bytes);
}

}  // namespace

bool KeyPressed() {
  const int fd = g_input.load();
  termios saved{};
  if (::isatty(fd) == 0 || ::tcgetattr(fd, &saved) != 0) return FailWithErrno();
  termios raw = saved;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  if (::tcsetattr(fd, TCSANOW, &raw) != 0) return FailWithErrno();
  bool pressed = false;
  pollfd p{fd, POLLIN, 0};
  int ready;
  while ((ready = ::poll(&p, 1, 0)) < 0 && errno == EINTR) {
  }
  if (ready > 0 && (p.revents & POLLIN) != 0) {
    char byte = 0;
    ssize_t n;
    while ((n = ::read(fd, &byte, 1)) < 0 && errno == EINTR) {
    }
    pressed = n == 1;
  }
  ::tcsetattr(fd, TCSANOW, &saved);
  return pressed;
}

bool ClearScreen() { return WriteToTerminal("\x1b[2J\x1b[H"); }

bool SetTitle(std::u16string_view Title) {
  std::u16string shown;
  shown.reserve(Title.size());
  for (const char16_t c : Title)
    if (c >= 0x20 && !(c >= 0x7F && c <= 0x9F)) shown.push_back(c);
  return WriteToTerminal("\x1b]0;" + ToUtf8Strict(shown) + "\x07");
}

void SetDescriptorsForTesting(std::optional<std::pair<int, int>> InputOutput) {
  g_input = InputOutput ? InputOutput->first : 0;
  g_output = InputOutput ? InputOutput->second : 1;
}

}  // namespace kx::platform::console
