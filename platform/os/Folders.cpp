#include "platform/os/Folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/file/FileDescriptor.h"
#include "platform/os/LastError.h"

namespace kx::platform {
namespace {

std::optional<std::string> AbsoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return std::nullopt;
  return std::string(value);
}

std::string HomeFolder() {
  if (auto home = AbsoluteVariable("HOME")) return *home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  struct passwd pw {};
  struct passwd* found = nullptr;
  while (::getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found) == ERANGE &&
         buffer.size() < (1u << 20))
    buffer.resize(buffer.size() * 2);
  if (found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') return "";
  return found->pw_dir;
}

// $Variable, else the home folder + Fallback; "" without a home folder.
std::string BaseFolder(const char* Variable, const char* Fallback) {
  if (auto value = AbsoluteVariable(Variable)) return *value;
  const std::string home = HomeFolder();
  return home.empty() ? "" : home + Fallback;
}

std::string ConfigFolder() { return BaseFolder("XDG_CONFIG_HOME", "/.config"); }
std::string DataFolder() { return BaseFolder("XDG_DATA_HOME", "/.local/share"); }

std::string Below(const std::string& Base, const char* Name) {
  return Base.empty() ? "" : Base + Name;
}

// One of the XDG user folders: its line in user-dirs.dirs,
//   XDG_DESKTOP_DIR="$HOME/Desktop"
// (a path relative to the home folder or an absolute one), else the home
// folder + "/" + Default.
std::string UserFolder(std::string_view Key, const char* Default) {
  const std::string home = HomeFolder();
  if (home.empty()) return "";
  const std::string config = ConfigFolder();
  // A missing or unreadable file leaves every folder at its default.
  std::string file;
  ReadFileToEnd(config + "/user-dirs.dirs", file);
  std::optional<std::string> found;
  for (size_t start = 0, end; start < file.size(); start = end + 1) {
    end = std::min(file.find('\n', start), file.size());
    const std::string_view line = std::string_view(file).substr(start, end - start);
    if (line.size() <= Key.size() || line.compare(0, Key.size(), Key) != 0 ||
        line[Key.size()] != '=')
      continue;
    std::string value;
    bool escaped = false;
    for (char c : std::string_view(line).substr(Key.size() + 1)) {
      if (escaped) {
        value.push_back(c);
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c != '"') {
        value.push_back(c);
      }
    }
    if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/'))
      found = home + value.substr(5);
    else if (!value.empty() && value[0] == '/')
      found = value;
  }
  if (found) {
    while (found->size() > 1 && found->back() == '/') found->pop_back();
    return *found;
  }
  return home + "/" + Default;
}

bool CreateFolders(const std::string& Path) {
  struct stat st {};
  if (::stat(Path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    SetLastOSError(ENOTDIR);
    return false;
  }
  const size_t slash = Path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !CreateFolders(Path.substr(0, slash)))
    return false;
  if (::mkdir(Path.c_str(), 0700) != 0 && errno != EEXIST) return FailWithErrno();
  return true;
}

std::string FolderOf(int32_t Number) {
  switch (Number) {
    case 0:
    case 16: return UserFolder("XDG_DESKTOP_DIR", "Desktop");
    case 5:
    case 12: return UserFolder("XDG_DOCUMENTS_DIR", "Documents");
    case 13: return UserFolder("XDG_MUSIC_DIR", "Music");
    case 14: return UserFolder("XDG_VIDEOS_DIR", "Videos");
    case 39: return UserFolder("XDG_PICTURES_DIR", "Pictures");
    case 21: return UserFolder("XDG_TEMPLATES_DIR", "Templates");
    case 26: return ConfigFolder();
    case 28: return DataFolder();
    case 32: return BaseFolder("XDG_CACHE_HOME", "/.cache");
    case 35: return "/var/lib";
    case 40: return HomeFolder();
    case 7: return Below(ConfigFolder(), "/autostart");
    case 24: return "/etc/xdg/autostart";
    case 2:
    case 11: return Below(DataFolder(), "/applications");
    case 22:
    case 23: return "/usr/share/applications";
    case 20: return Below(DataFolder(), "/fonts");
    case 37:
    case 41: return "/usr/bin";
    case 38:
    case 42: return "/opt";
    case 43:
    case 44: return "/usr/lib";
    case 36: return WindowsDirectory();
    default: return "";
  }
}

}  // namespace

std::string WindowsDirectory() { return "/"; }

std::string SpecialFolderPath(int32_t CSIDL) {
  constexpr int32_t kFlags = 0xFF00;  // above the folder number
  constexpr int32_t kCreate = 0x8000;
  std::string path = FolderOf(CSIDL & ~kFlags);
  if (!path.empty() && (CSIDL & kCreate) != 0 && !CreateFolders(path)) return "";
  return path;
}

}  // namespace kx::platform
