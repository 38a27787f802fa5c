// platform/dbus/SystemBus.h — what the system's services answer over D-Bus:
// systemd (service units), systemd-logind (power and sessions) and the
// desktop's file manager.
//
// The system bus is the one DBUS_SYSTEM_BUS_ADDRESS names (else the
// system's socket), the session bus the one DBUS_SESSION_BUS_ADDRESS names;
// tests start a private bus daemon and point both variables at it. Every
// call opens its own connection and closes it again, so any thread may call.
// Nothing here raises: without a bus the answers are nullopt or false.
#pragma once

#include <optional>
#include <string>

namespace kx::platform::dbus {

// The states systemd reports for a unit: LoadState ("loaded",
// "not-found", "error", ...), ActiveState ("active", "inactive",
// "activating", ...) and FreezerState ("running", "frozen", ...; "" from a
// systemd without it).
struct UnitStates {
  std::string LoadState;
  std::string ActiveState;
  std::string FreezerState;
};

// Loads the unit Unit (the manager's LoadUnit, which answers units it does
// not know too, with LoadState "not-found") and reads its states; nullopt
// when there is no system bus or the manager refuses.
std::optional<UnitStates> ReadUnitStates(const std::string& Unit);

// Asks the manager to start or stop Unit in mode "replace". True when the
// manager took the job; what then happens to the unit shows in its states.
bool StartUnit(const std::string& Unit);
bool StopUnit(const std::string& Unit);

// Whether a system bus can be reached at all.
bool SystemBusAvailable();

// Asks systemd-logind to power off, reboot or halt the machine, never
// interactively (no authentication prompt). True when the request reached
// the bus, whatever logind answered; false without a system bus.
enum class PowerAction { PowerOff, Reboot, Halt };
bool RequestPowerAction(PowerAction Action);

// Asks systemd-logind to end the login session of this process (looked up
// by its process id). True when the request reached the bus, whatever
// logind answered; false without a system bus.
bool TerminateOwnSession();

// Asks the desktop's file manager (org.freedesktop.FileManager1 on the
// session bus) to show the item Uri ("file:///home/ann/a.txt") in its
// folder. True when the file manager took the call.
bool ShowItemInFileManager(const std::string& Uri);

}  // namespace kx::platform::dbus
