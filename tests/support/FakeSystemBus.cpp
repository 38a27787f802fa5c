#include "tests/support/FakeSystemBus.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "tests/support/Process.h"

namespace kx::testing {
namespace {

constexpr const char* kUnitPrefix = "/org/freedesktop/systemd1/unit";
constexpr const char* kSessionPrefix = "/org/freedesktop/login1/session";

std::optional<std::string> GetVariable(const char* Name) {
  const char* value = std::getenv(Name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void RestoreVariable(const char* Name, const std::optional<std::string>& Value) {
  if (Value)
    ::setenv(Name, Value->c_str(), 1);
  else
    ::unsetenv(Name);
}

bool OnPath(const std::string& Program) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  for (size_t start = 0; start <= folders.size();) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    if (::access((folders.substr(start, end - start) + "/" + Program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

// The daemon and the thread that serves the fake objects on it.
struct FakeSystemBus::Service {
  std::filesystem::path folder;
  std::unique_ptr<BackgroundProgram> daemon;
  sd_bus* bus = nullptr;
  std::thread thread;
  std::atomic<bool> stop{false};

  mutable std::mutex mutex;  // guards what follows
  std::map<std::string, Unit> units;
  std::vector<std::string> calls;
  bool logindRefuses = false;

  void Record(std::string Line) {
    std::lock_guard lock(mutex);
    calls.push_back(std::move(Line));
  }

  static Service* Self(void* UserData) { return static_cast<Service*>(UserData); }

  static std::string UnitOf(const char* Path) {
    char* name = nullptr;
    if (sd_bus_path_decode(Path, kUnitPrefix, &name) <= 0) return {};
    std::string unit(name);
    std::free(name);
    return unit;
  }

  // ---- systemd ----

  static int LoadUnit(sd_bus_message* m, void* data, sd_bus_error*) {
    const char* unit = nullptr;
    if (int r = sd_bus_message_read(m, "s", &unit); r < 0) return r;
    Self(data)->Record(std::string("LoadUnit ") + unit);
    char* path = nullptr;
    sd_bus_path_encode(kUnitPrefix, unit, &path);
    const int r = sd_bus_reply_method_return(m, "o", path);
    std::free(path);
    return r;
  }

  static int Job(sd_bus_message* m, void* data, sd_bus_error*, bool Start) {
    const char* unit = nullptr;
    const char* mode = nullptr;
    if (int r = sd_bus_message_read(m, "ss", &unit, &mode); r < 0) return r;
    Service* self = Self(data);
    self->Record(std::string(Start ? "StartUnit " : "StopUnit ") + unit + " " + mode);
    {
      std::lock_guard lock(self->mutex);
      auto found = self->units.find(unit);
      if (found != self->units.end()) {
        auto& next = Start ? found->second.AfterStart : found->second.AfterStop;
        if (!next.empty()) found->second.ActiveStates = next;
      }
    }
    return sd_bus_reply_method_return(m, "o", "/org/freedesktop/systemd1/job/1");
  }
  static int StartUnit(sd_bus_message* m, void* data, sd_bus_error* e) { return Job(m, data, e, true); }
  static int StopUnit(sd_bus_message* m, void* data, sd_bus_error* e) { return Job(m, data, e, false); }

  static int UnitProperty(sd_bus*, const char* path, const char*, const char* property,
                          sd_bus_message* reply, void* data, sd_bus_error*) {
    Service* self = Self(data);
    std::lock_guard lock(self->mutex);
    const std::string unit = UnitOf(path);
    auto found = self->units.find(unit);
    Unit missing;
    missing.LoadState = "not-found";
    Unit& state = found != self->units.end() ? found->second : missing;
    std::string value;
    if (std::string_view(property) == "LoadState") {
      value = state.LoadState;
    } else if (std::string_view(property) == "ActiveState") {
      value = state.ActiveStates.empty() ? "inactive" : state.ActiveStates.front();
      if (state.ActiveStates.size() > 1) state.ActiveStates.pop_front();
    } else {
      value = state.FreezerState;
    }
    return sd_bus_message_append(reply, "s", value.c_str());
  }

  static int FindUnit(sd_bus*, const char*, const char*, void* data, void** found, sd_bus_error*) {
    *found = data;
    return 1;
  }

  // ---- logind ----

  int Refusal(sd_bus_error* e) {
    std::lock_guard lock(mutex);
    if (!logindRefuses) return 0;
    return sd_bus_error_set(e, SD_BUS_ERROR_ACCESS_DENIED, "not allowed");
  }

  static int Power(sd_bus_message* m, void* data, sd_bus_error* e) {
    int interactive = -1;
    if (int r = sd_bus_message_read(m, "b", &interactive); r < 0) return r;
    Service* self = Self(data);
    self->Record(std::string(sd_bus_message_get_member(m)) + (interactive ? " true" : " false"));
    if (int r = self->Refusal(e); r < 0) return r;
    return sd_bus_reply_method_return(m, "");
  }

  static int GetSessionByPID(sd_bus_message* m, void* data, sd_bus_error* e) {
    uint32_t pid = 0;
    if (int r = sd_bus_message_read(m, "u", &pid); r < 0) return r;
    Service* self = Self(data);
    self->Record("GetSessionByPID " + std::to_string(pid == static_cast<uint32_t>(::getpid()) ? 0 : pid));
    if (int r = self->Refusal(e); r < 0) return r;
    char* path = nullptr;
    sd_bus_path_encode(kSessionPrefix, "c7", &path);
    const int r = sd_bus_reply_method_return(m, "o", path);
    std::free(path);
    return r;
  }

  static int TerminateSession(sd_bus_message* m, void* data, sd_bus_error* e) {
    const char* id = nullptr;
    if (int r = sd_bus_message_read(m, "s", &id); r < 0) return r;
    Service* self = Self(data);
    self->Record(std::string("TerminateSession ") + id);
    if (int r = self->Refusal(e); r < 0) return r;
    return sd_bus_reply_method_return(m, "");
  }

  // ---- file manager ----

  static int ShowItems(sd_bus_message* m, void* data, sd_bus_error*) {
    char** uris = nullptr;
    const char* startup = nullptr;
    if (int r = sd_bus_message_read_strv(m, &uris); r < 0) return r;
    if (int r = sd_bus_message_read(m, "s", &startup); r < 0) return r;
    std::string line = "ShowItems";
    for (char** uri = uris; uri != nullptr && *uri != nullptr; ++uri) {
      line += std::string(" ") + *uri;
      std::free(*uri);
    }
    std::free(uris);
    Self(data)->Record(line);
    return sd_bus_reply_method_return(m, "");
  }

  void Serve() {
    while (!stop) {
      const int r = sd_bus_process(bus, nullptr);
      if (r < 0) break;
      if (r == 0) sd_bus_wait(bus, 50000);
    }
  }
};

namespace {

const sd_bus_vtable kSystemdManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("LoadUnit", "s", "o", &FakeSystemBus::Service::LoadUnit, 0),
    SD_BUS_METHOD("StartUnit", "ss", "o", &FakeSystemBus::Service::StartUnit, 0),
    SD_BUS_METHOD("StopUnit", "ss", "o", &FakeSystemBus::Service::StopUnit, 0),
    SD_BUS_VTABLE_END};

const sd_bus_vtable kSystemdUnit[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("LoadState", "s", &FakeSystemBus::Service::UnitProperty, 0, 0),
    SD_BUS_PROPERTY("ActiveState", "s", &FakeSystemBus::Service::UnitProperty, 0, 0),
    SD_BUS_PROPERTY("FreezerState", "s", &FakeSystemBus::Service::UnitProperty, 0, 0),
    SD_BUS_VTABLE_END};

const sd_bus_vtable kLogindManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("PowerOff", "b", "", &FakeSystemBus::Service::Power, 0),
    SD_BUS_METHOD("Reboot", "b", "", &FakeSystemBus::Service::Power, 0),
    SD_BUS_METHOD("Halt", "b", "", &FakeSystemBus::Service::Power, 0),
    SD_BUS_METHOD("GetSessionByPID", "u", "o", &FakeSystemBus::Service::GetSessionByPID, 0),
    SD_BUS_METHOD("TerminateSession", "s", "", &FakeSystemBus::Service::TerminateSession, 0),
    SD_BUS_VTABLE_END};

const sd_bus_vtable kFileManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("ShowItems", "ass", "", &FakeSystemBus::Service::ShowItems, 0),
    SD_BUS_VTABLE_END};

}  // namespace

bool FakeSystemBus::Available() { return OnPath("dbus-daemon"); }

FakeSystemBus::FakeSystemBus() : service_(std::make_unique<Service>()) {
  const char* tmp = std::getenv("TMPDIR");
  service_->folder = std::filesystem::path(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") /
                     ("kxbus-" + std::to_string(::getpid()));
  std::filesystem::remove_all(service_->folder);
  std::filesystem::create_directories(service_->folder);
  const std::string socket = (service_->folder / "bus").string();
  const std::string config = (service_->folder / "bus.conf").string();
  std::ofstream(config)
      << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n  <type>session</type>\n  <listen>unix:path="
      << socket
      << "</listen>\n  <auth>EXTERNAL</auth>\n"
         "  <policy context=\"default\">\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n</busconfig>\n";
  service_->daemon = std::make_unique<BackgroundProgram>(std::vector<std::string>{
      "dbus-daemon", "--config-file=" + config, "--nofork", "--print-address=1"});
  const std::string output = service_->daemon->WaitForOutput("\n", kChildTimeoutMs);
  if (output.find("unix:") == std::string::npos)
    throw std::runtime_error("dbus-daemon did not start: " + output);
  address_ = "unix:path=" + socket;

  sd_bus* bus = nullptr;
  if (sd_bus_new(&bus) < 0 || sd_bus_set_address(bus, address_.c_str()) < 0 ||
      sd_bus_set_bus_client(bus, 1) < 0 || sd_bus_start(bus) < 0) {
    sd_bus_unref(bus);
    throw std::runtime_error("cannot connect to the private bus");
  }
  service_->bus = bus;
  Service* self = service_.get();
  if (sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/systemd1", "org.freedesktop.systemd1.Manager",
                               kSystemdManager, self) < 0 ||
      sd_bus_add_fallback_vtable(bus, nullptr, kUnitPrefix, "org.freedesktop.systemd1.Unit", kSystemdUnit,
                                 &Service::FindUnit, self) < 0 ||
      sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                               kLogindManager, self) < 0 ||
      sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1",
                               kFileManager, self) < 0 ||
      sd_bus_request_name(bus, "org.freedesktop.systemd1", 0) < 0 ||
      sd_bus_request_name(bus, "org.freedesktop.login1", 0) < 0 ||
      sd_bus_request_name(bus, "org.freedesktop.FileManager1", 0) < 0)
    throw std::runtime_error("cannot serve the fake objects");

  oldSystem_ = GetVariable("DBUS_SYSTEM_BUS_ADDRESS");
  oldSession_ = GetVariable("DBUS_SESSION_BUS_ADDRESS");
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
  ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
  service_->thread = std::thread([self] { self->Serve(); });
}

FakeSystemBus::~FakeSystemBus() {
  service_->stop = true;
  if (service_->thread.joinable()) service_->thread.join();
  sd_bus_flush_close_unref(service_->bus);
  service_->daemon.reset();
  RestoreVariable("DBUS_SYSTEM_BUS_ADDRESS", oldSystem_);
  RestoreVariable("DBUS_SESSION_BUS_ADDRESS", oldSession_);
  std::error_code ec;
  std::filesystem::remove_all(service_->folder, ec);
}

void FakeSystemBus::SetUnit(const std::string& Name, Unit State) {
  std::lock_guard lock(service_->mutex);
  service_->units[Name] = std::move(State);
}

void FakeSystemBus::SetLogindRefuses(bool Refuses) {
  std::lock_guard lock(service_->mutex);
  service_->logindRefuses = Refuses;
}

void FakeSystemBus::RemoveFileManager() {
  // The connection belongs to the serving thread: pause it while the name goes.
  service_->stop = true;
  service_->thread.join();
  sd_bus_release_name(service_->bus, "org.freedesktop.FileManager1");
  service_->stop = false;
  Service* self = service_.get();
  service_->thread = std::thread([self] { self->Serve(); });
}

std::vector<std::string> FakeSystemBus::Calls() const {
  std::lock_guard lock(service_->mutex);
  return service_->calls;
}

void FakeSystemBus::ClearCalls() {
  std::lock_guard lock(service_->mutex);
  service_->calls.clear();
}

void FakeSystemBus::CheckBusIsPrivate() const {
  for (const char* name : {"DBUS_SYSTEM_BUS_ADDRESS", "DBUS_SESSION_BUS_ADDRESS"}) {
    const auto value = GetVariable(name);
    if (!value || *value != address_) {
      std::fprintf(stderr, "%s names %s, not the private test bus: aborting\n", name,
                   value ? value->c_str() : "nothing");
      std::abort();
    }
  }
}

}  // namespace kx::testing
