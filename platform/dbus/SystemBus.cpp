#include "platform/dbus/SystemBus.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace kx::platform::dbus {
namespace {

constexpr const char* kSystemd = "org.freedesktop.systemd1";
constexpr const char* kSystemdPath = "/org/freedesktop/systemd1";
constexpr const char* kSystemdManager = "org.freedesktop.systemd1.Manager";
constexpr const char* kUnit = "org.freedesktop.systemd1.Unit";
constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";
constexpr const char* kFileManager = "org.freedesktop.FileManager1";
constexpr const char* kFileManagerPath = "/org/freedesktop/FileManager1";

// One connection, closed with the object.
class Connection {
 public:
  explicit Connection(bool System) {
    if ((System ? sd_bus_open_system(&bus_) : sd_bus_open_user(&bus_)) < 0) bus_ = nullptr;
  }
  ~Connection() { sd_bus_flush_close_unref(bus_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sd_bus* get() const { return bus_; }
  explicit operator bool() const { return bus_ != nullptr; }

 private:
  sd_bus* bus_ = nullptr;
};

// A reply and an error, both freed with the object.
struct Call {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  ~Call() {
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
  }
};

std::optional<std::string> StringProperty(sd_bus* Bus, const char* Path, const char* Name) {
  Call call;
  char* value = nullptr;
  if (sd_bus_get_property_string(Bus, kSystemd, Path, kUnit, Name, &call.error, &value) < 0)
    return std::nullopt;
  std::string text(value);
  std::free(value);
  return text;
}

bool UnitJob(const char* Method, const std::string& Unit) {
  Connection bus(true);
  if (!bus) return false;
  Call call;
  return sd_bus_call_method(bus.get(), kSystemd, kSystemdPath, kSystemdManager, Method, &call.error,
                            &call.reply, "ss", Unit.c_str(), "replace") >= 0;
}

}  // namespace

std::optional<UnitStates> ReadUnitStates(const std::string& Unit) {
  Connection bus(true);
  if (!bus) return std::nullopt;
  Call call;
  if (sd_bus_call_method(bus.get(), kSystemd, kSystemdPath, kSystemdManager, "LoadUnit", &call.error,
                         &call.reply, "s", Unit.c_str()) < 0)
    return std::nullopt;
  const char* path = nullptr;
  if (sd_bus_message_read(call.reply, "o", &path) < 0) return std::nullopt;
  UnitStates states;
  auto load = StringProperty(bus.get(), path, "LoadState");
  auto active = StringProperty(bus.get(), path, "ActiveState");
  if (!load || !active) return std::nullopt;
  states.LoadState = std::move(*load);
  states.ActiveState = std::move(*active);
  states.FreezerState = StringProperty(bus.get(), path, "FreezerState").value_or("");
  return states;
}

bool StartUnit(const std::string& Unit) { return UnitJob("StartUnit", Unit); }
bool StopUnit(const std::string& Unit) { return UnitJob("StopUnit", Unit); }

bool SystemBusAvailable() { return static_cast<bool>(Connection(true)); }

bool RequestPowerAction(PowerAction Action) {
  Connection bus(true);
  if (!bus) return false;
  const char* method =
      Action == PowerAction::PowerOff ? "PowerOff" : (Action == PowerAction::Reboot ? "Reboot" : "Halt");
  Call call;
  sd_bus_call_method(bus.get(), kLogind, kLogindPath, kLogindManager, method, &call.error, &call.reply,
                     "b", 0);
  return true;
}

bool TerminateOwnSession() {
  Connection bus(true);
  if (!bus) return false;
  Call lookup;
  const char* path = nullptr;
  if (sd_bus_call_method(bus.get(), kLogind, kLogindPath, kLogindManager, "GetSessionByPID",
                         &lookup.error, &lookup.reply, "u", static_cast<uint32_t>(::getpid())) >= 0 &&
      sd_bus_message_read(lookup.reply, "o", &path) >= 0) {
    char* id = nullptr;
    if (sd_bus_path_decode(path, "/org/freedesktop/login1/session", &id) > 0) {
      Call call;
      sd_bus_call_method(bus.get(), kLogind, kLogindPath, kLogindManager, "TerminateSession",
                         &call.error, &call.reply, "s", id);
      std::free(id);
    }
  }
  return true;
}

bool ShowItemInFileManager(const std::string& Uri) {
  Connection bus(false);
  if (!bus) return false;
  Call call;
  sd_bus_message* request = nullptr;
  if (sd_bus_message_new_method_call(bus.get(), &request, kFileManager, kFileManagerPath, kFileManager,
                                     "ShowItems") < 0)
    return false;
  const char* uris[] = {Uri.c_str(), nullptr};
  const bool built = sd_bus_message_append_strv(request, const_cast<char**>(uris)) >= 0 &&
                     sd_bus_message_append(request, "s", "") >= 0;
  const bool answered = built && sd_bus_call(bus.get(), request, 0, &call.error, &call.reply) >= 0;
  sd_bus_message_unref(request);
  return answered;
}

}  // namespace kx::platform::dbus
