#include "platform/process/ProcessList.h"

#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <string_view>

#include "platform/file/FileDescriptor.h"

namespace kx::platform {
namespace {

std::string_view BaseName(std::string_view Path) {
  const size_t slash = Path.rfind('/');
  return slash == std::string_view::npos ? Path : Path.substr(slash + 1);
}

// The line "Tgid:" of /proc/PID/status and the state letter; false when the
// process is gone.
bool ReadStatus(const std::string& Folder, uint32_t& Tgid, char& State) {
  std::string status;
  if (!ReadFileToEnd(Folder + "/status", status)) return false;
  Tgid = 0;
  State = '?';
  size_t line = 0;
  while (line < status.size()) {
    size_t end = status.find('\n', line);
    if (end == std::string::npos) end = status.size();
    const std::string_view text(status.data() + line, end - line);
    auto value = [&](std::string_view key) {
      std::string_view v = text.substr(key.size());
      while (!v.empty() && (v[0] == ' ' || v[0] == '\t')) v.remove_prefix(1);
      return v;
    };
    if (text.starts_with("State:")) {
      const std::string_view v = value("State:");
      if (!v.empty()) State = v[0];
    } else if (text.starts_with("Tgid:")) {
      for (const char c : value("Tgid:")) {
        if (c < '0' || c > '9') break;
        Tgid = Tgid * 10 + static_cast<uint32_t>(c - '0');
      }
    }
    line = end + 1;
  }
  return true;
}

UnicodeString ProgramName(const std::string& Folder) {
  char target[PATH_MAX];
  const ssize_t n = ::readlink((Folder + "/exe").c_str(), target, sizeof target - 1);
  if (n > 0) {
    std::string_view path(target, static_cast<size_t>(n));
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.ends_with(kDeleted)) path.remove_suffix(kDeleted.size());
    const std::string_view name = BaseName(path);
    if (!name.empty()) return ToUtf16(name);
  }
  std::string cmdline;
  if (ReadFileToEnd(Folder + "/cmdline", cmdline) && !cmdline.empty()) {
    const std::string_view name = BaseName(std::string_view(cmdline.c_str()));
    if (!name.empty()) return ToUtf16(name);
  }
  std::string comm;
  ReadFileToEnd(Folder + "/comm", comm);
  while (!comm.empty() && comm.back() == '\n') comm.pop_back();
  return ToUtf16(comm);
}

std::optional<ProcessEntry> ReadEntry(uint32_t Pid) {
  const std::string folder = "/proc/" + std::to_string(Pid);
  uint32_t tgid;
  char state;
  if (!ReadStatus(folder, tgid, state) || tgid != Pid || state == 'Z' || state == 'X')
    return std::nullopt;
  return ProcessEntry{Pid, ProgramName(folder)};
}

}  // namespace

std::vector<ProcessEntry> ProcessSnapshot() {
  std::vector<ProcessEntry> entries;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return entries;
  while (const dirent* entry = ::readdir(proc)) {
    uint32_t pid = 0;
    bool number = entry->d_name[0] != '\0';
    for (const char* c = entry->d_name; *c != '\0' && number; ++c) {
      if (*c < '0' || *c > '9' || pid > UINT32_MAX / 10) number = false;
      else pid = pid * 10 + static_cast<uint32_t>(*c - '0');
    }
    if (!number || pid == 0) continue;
    if (auto found = ReadEntry(pid)) entries.push_back(std::move(*found));
  }
  ::closedir(proc);
  return entries;
}

std::optional<ProcessEntry> FindProcess(uint32_t Pid) {
  if (Pid == 0) return std::nullopt;
  return ReadEntry(Pid);
}

}  // namespace kx::platform
