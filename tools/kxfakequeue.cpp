// kxfakequeue: the fake queue server of the tests (tests/support/
// FakeQueueServer.h) as a program of its own, for benchmarks and for trying
// a client by hand.
//
//   kxfakequeue [--root PATH] [--body-limit BYTES]
//               [--fail-blob N:KIND[:VALUE[:MESSAGE]]]...
//               [--fail-document N:KIND[:VALUE[:MESSAGE]]]...
//
// N is the request number of the kind (from 1; 0 for every request). KIND is
// one of: status (VALUE the status, default 500), redirect (VALUE the 3xx
// status, default 302), hash-lower, hash-wrong, hash-missing, blobid-missing,
// docid-missing, delay (VALUE milliseconds, default 5000), close, reset,
// not-http. MESSAGE, when given (it may hold ":"), is sent as "Error-Message".
//   kxfakequeue --fail-blob 2:status:503:queue full --fail-document 0:docid-missing
//
// The first line of output is the port; the server runs on 127.0.0.1 until
// SIGTERM or SIGINT, or until standard input ends when it is a pipe or a
// terminal (so a parent that dies takes the server with it). Exit 0 after a
// stop, 2 for bad options or when the server cannot start.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/support/FakeQueueServer.h"

namespace {

using kx::test::FakeFault;
using kx::test::FakeQueueFault;

int Usage(const std::string& Why) {
  std::cerr << "kxfakequeue: " << Why << "\n"
            << "usage: kxfakequeue [--root PATH] [--body-limit BYTES]\n"
               "                   [--fail-blob N:KIND[:VALUE[:MESSAGE]]]...\n"
               "                   [--fail-document N:KIND[:VALUE[:MESSAGE]]]...\n"
               "KIND: status redirect hash-lower hash-wrong hash-missing blobid-missing\n"
               "      docid-missing delay close reset not-http\n";
  return 2;
}

template <typename Number>
bool ReadNumber(std::string_view Text, Number& Value) {
  const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return error == std::errc() && end == Text.data() + Text.size() && !Text.empty();
}

// "N:KIND[:VALUE[:MESSAGE]]"; false when it does not read.
bool ParseFault(std::string_view Text, int& Number, FakeQueueFault& Fault) {
  // Splits off the text before the next ":"; Rest keeps what follows it.
  auto take = [](std::string_view& Rest) {
    const size_t colon = Rest.find(':');
    const std::string_view part = Rest.substr(0, colon);
    Rest = colon == std::string_view::npos ? std::string_view() : Rest.substr(colon + 1);
    return std::pair(part, colon != std::string_view::npos);
  };
  std::string_view parts[3];
  bool more = false;
  std::tie(parts[0], more) = take(Text);
  if (!more) return false;
  std::tie(parts[1], more) = take(Text);
  if (more) {
    std::tie(parts[2], more) = take(Text);
    if (more) Fault.ErrorMessage = std::string(Text);  // the rest, colons and all
  }
  if (!ReadNumber(parts[0], Number) || Number < 0) return false;
  struct Name {
    std::string_view text;
    FakeFault kind;
  };
  static constexpr Name kNames[] = {
      {"status", FakeFault::Status},          {"redirect", FakeFault::Redirect},
      {"hash-lower", FakeFault::HashLowerCase}, {"hash-wrong", FakeFault::HashWrong},
      {"hash-missing", FakeFault::HashMissing}, {"blobid-missing", FakeFault::BlobIdMissing},
      {"docid-missing", FakeFault::DocumentIdMissing}, {"delay", FakeFault::Delay},
      {"close", FakeFault::CloseWithoutAnswer}, {"reset", FakeFault::ResetMidBody},
      {"not-http", FakeFault::NotHttp}};
  Fault.Kind = FakeFault::None;
  for (const auto& n : kNames) {
    if (n.text == parts[1]) Fault.Kind = n.kind;
  }
  if (Fault.Kind == FakeFault::None) return false;
  int value = 0;
  if (!parts[2].empty() && !ReadNumber(parts[2], value)) return false;
  switch (Fault.Kind) {
    case FakeFault::Status:
      Fault.Status = value != 0 ? value : 500;
      return Fault.Status >= 100 && Fault.Status <= 999;
    case FakeFault::Redirect:
      Fault.Status = value != 0 ? value : 302;
      return Fault.Status >= 300 && Fault.Status <= 399;
    case FakeFault::Delay:
      Fault.DelayMs = value != 0 ? value : 5000;
      return Fault.DelayMs > 0;
    default:
      return parts[2].empty();
  }
}

bool WatchInput() {
  struct stat info {};
  if (::fstat(0, &info) != 0) return false;
  return S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode) || ::isatty(0) == 1;
}

}  // namespace

int main(int argc, char** argv) {
  kx::test::FakeQueueServer::Options options;
  struct Armed {
    bool blob;
    int number;
    FakeQueueFault fault;
  };
  std::vector<Armed> faults;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage("missing value after " + arg);
    const std::string value = argv[++i];
    if (arg == "--root") {
      options.RootPath = value;
    } else if (arg == "--body-limit") {
      if (!ReadNumber(value, options.BodyLimit)) return Usage("bad body limit " + value);
    } else if (arg == "--fail-blob" || arg == "--fail-document") {
      Armed armed{arg == "--fail-blob", 0, {}};
      if (!ParseFault(value, armed.number, armed.fault)) return Usage("bad fault " + value);
      faults.push_back(std::move(armed));
    } else {
      return Usage("unknown option " + arg);
    }
  }

  // Signals are taken from a descriptor, so every thread of the server keeps
  // them blocked and the main thread sees them in its wait.
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGTERM);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGHUP);
  sigprocmask(SIG_BLOCK, &stops, nullptr);
  const int signals = ::signalfd(-1, &stops, SFD_CLOEXEC);
  if (signals < 0) return Usage("signalfd failed");

  try {
    kx::test::FakeQueueServer server(options);
    for (auto& armed : faults) {
      if (armed.blob) {
        server.FailBlob(armed.number, std::move(armed.fault));
      } else {
        server.FailDocument(armed.number, std::move(armed.fault));
      }
    }
    std::cout << server.Port() << "\n" << server.Url() << std::endl;

    const bool watchInput = WatchInput();
    for (;;) {
      pollfd p[2] = {{signals, POLLIN, 0}, {watchInput ? 0 : -1, POLLIN, 0}};
      if (::poll(p, 2, -1) < 0) continue;
      if (p[0].revents != 0) break;
      if (p[1].revents != 0) {
        char buffer[4096];
        if (::read(0, buffer, sizeof(buffer)) <= 0) break;
      }
    }
  } catch (const std::exception& e) {
    return Usage(e.what());
  }
  return 0;
}
