// tests/support/FakeSystemBus.h — a private D-Bus daemon standing in for
// both the system and the session bus, with fake systemd, systemd-logind
// and file-manager objects on it, so that the bus clients of
// platform/dbus/ talk to a real bus without ever reaching the machine's.
//
//   FakeSystemBus bus;                  // starts dbus-daemon, points
//                                       // DBUS_SYSTEM_BUS_ADDRESS and
//                                       // DBUS_SESSION_BUS_ADDRESS at it
//   bus.SetUnit("kxsrv.service", {"loaded", {"inactive"}, "running"});
//   ... code under test ...
//   EXPECT_EQ(bus.Calls(), (std::vector<std::string>{"LoadUnit kxsrv.service", ...}));
//
// The fakes record every method call as one line: the method's name and
// its arguments, separated by blanks. Unknown units load with LoadState
// "not-found" and ActiveState "inactive", as systemd answers.
//
// While an object lives, every test of the process that reaches a system
// bus must reach this one: CheckBusIsPrivate aborts the test program when
// the bus variables name another (a test must never talk to the real
// systemd or logind). The previous values come back when it goes.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kx::testing {

class FakeSystemBus {
 public:
  struct Unit {
    std::string LoadState = "loaded";
    // Each read of ActiveState takes the first entry while more than one
    // is left, so a sequence plays out over a polling loop.
    std::deque<std::string> ActiveStates = {"inactive"};
    std::string FreezerState = "running";
    // What a StartUnit or StopUnit job makes of ActiveStates (unchanged
    // when empty).
    std::deque<std::string> AfterStart;
    std::deque<std::string> AfterStop;
  };

  // Throws std::runtime_error when dbus-daemon cannot be started (tests
  // check Available() first: the daemon is a peer that may be missing).
  FakeSystemBus();
  ~FakeSystemBus();
  FakeSystemBus(const FakeSystemBus&) = delete;
  FakeSystemBus& operator=(const FakeSystemBus&) = delete;

  // Whether dbus-daemon is installed.
  static bool Available();

  void SetUnit(const std::string& Name, Unit State);
  // Makes logind answer every method with an error (access denied).
  void SetLogindRefuses(bool Refuses);
  // Takes the file-manager name off the bus (no file manager running).
  void RemoveFileManager();

  // The calls so far, in order; ClearCalls forgets them.
  std::vector<std::string> Calls() const;
  void ClearCalls();

  // Aborts the program unless both bus variables name this bus.
  void CheckBusIsPrivate() const;

  const std::string& Address() const { return address_; }

  struct Service;  // the daemon and the fake objects' thread

 private:
  std::string address_;
  std::optional<std::string> oldSystem_, oldSession_;
  std::unique_ptr<Service> service_;
};

}  // namespace kx::testing
