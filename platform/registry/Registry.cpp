#include "platform/registry/Registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/file/AtomicReplace.h"
#include "platform/file/FileDescriptor.h"
#include "platform/registry/Hive.h"
#include "platform/rtl/CaseMapping.h"

namespace kx::platform::registry {
namespace {

constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kMachineFolderMode = 0755;
constexpr mode_t kUserFileMode = 0600;
constexpr mode_t kMachineFileMode = 0644;

struct HiveLocation {
  std::string Folder;
  std::string File;
  mode_t FolderMode = kMachineFolderMode;
  mode_t FileMode = kMachineFileMode;
};

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  struct passwd pw {};
  struct passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::geteuid(), &pw, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr)
    return found->pw_dir;
  return {};
}

bool Locate(HKEY root, HiveLocation& loc) {
  const std::u16string_view name = RootName(root);
  if (name.empty()) return false;
  const bool user = root == HKEY_CURRENT_USER;
  loc.FileMode = user ? kUserFileMode : kMachineFileMode;
  if (const char* dir = std::getenv("VANTO_REGISTRY_DIR"); dir != nullptr && *dir != '\0') {
    loc.Folder = dir;
    loc.FolderMode = kPrivateFolderMode;
  } else if (user) {
    // XDG_CONFIG_HOME counts only when absolute, as the XDG rules say.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
      loc.Folder = xdg;
    } else {
      const std::string home = HomeFolder();
      if (home.empty()) return false;
      loc.Folder = home + "/.config";
    }
    loc.Folder += "/vanto/registry";
    loc.FolderMode = kPrivateFolderMode;
  } else {
    loc.Folder = "/etc/vanto/registry";
    loc.FolderMode = kMachineFolderMode;
  }
  while (loc.Folder.size() > 1 && loc.Folder.back() == '/') loc.Folder.pop_back();
  loc.File = loc.Folder + (loc.Folder == "/" ? "" : "/") + ToUtf8(name) + ".reg";
  return true;
}

// Creates the folder and every missing folder above it with Mode.
bool EnsureFolder(const std::string& folder, mode_t mode) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  for (size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos != folder.size() && folder[pos] != '/') continue;
    const std::string part = folder.substr(0, pos);
    if (::mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return false;
  }
  // mkdir honours the umask; the mode of the hive folder is meant as given.
  ::chmod(folder.c_str(), mode);
  return true;
}

// Reads the hive file; a missing file is an empty hive. False when the file
// exists but cannot be read.
bool LoadFile(const std::string& file, Hive& hive) {
  std::string bytes;
  if (!ReadFileToEnd(file, bytes)) return errno == ENOENT;
  ReadHive(bytes, hive);
  return true;
}

bool Load(HKEY root, Hive& hive) {
  HiveLocation loc;
  if (!Locate(root, loc)) return false;
  hive.Root = root;
  return LoadFile(loc.File, hive);
}

// What a change made of the hive.
enum class Change { Failed, Unchanged, Changed };

// Locks the hive's side file, reads the hive afresh, applies the change and
// writes the hive back when it changed. False when the hive cannot be
// locked, read or written, when it is damaged, or when the change failed.
template <class F>
bool Modify(HKEY root, F&& change) {
  HiveLocation loc;
  if (!Locate(root, loc) || !EnsureFolder(loc.Folder, loc.FolderMode)) return false;
  const std::string lockFile = loc.File + ".lock";
  const int lock = OpenRetrying(lockFile.c_str(), O_RDWR | O_CREAT, loc.FileMode);
  if (lock < 0) return false;
  while (::flock(lock, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(lock);
      return false;
    }
  }
  Hive hive;
  hive.Root = root;
  bool ok = LoadFile(loc.File, hive) && !hive.Damaged;
  if (ok) {
    const Change result = change(hive);
    ok = result != Change::Failed;
    if (result == Change::Changed)
      ok = ReplaceFileAtomically(loc.File, WriteHive(hive), loc.FileMode);
  }
  ::close(lock);  // releases the lock
  return ok;
}

// F(key) of the key at Path, read without a lock; nullopt when the path
// names no key, the key is missing or the hive cannot be read.
template <class F>
auto ReadKey(HKEY root, const UnicodeString& path, F&& f)
    -> std::optional<decltype(f(std::declval<HiveKey&>()))> {
  std::vector<UnicodeString> segments;
  Hive hive;
  if (!SplitKeyPath(path, segments) || !Load(root, hive)) return std::nullopt;
  HiveKey* key = FindKey(hive.Top, segments);
  if (key == nullptr) return std::nullopt;
  return f(*key);
}

// Folded segments of A are a prefix of (or equal to) those of B.
bool IsWithin(const std::vector<UnicodeString>& a, const std::vector<UnicodeString>& b) {
  if (b.size() < a.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperText(a[i]) != UpperText(b[i])) return false;
  return true;
}

}  // namespace

bool KeyExists(HKEY Root, const UnicodeString& Key) {
  return ReadKey(Root, Key, [](HiveKey&) { return true; }).has_value();
}

std::optional<RegistryValue> QueryValue(HKEY Root, const UnicodeString& Key,
                                        const UnicodeString& Name) {
  return ReadKey(Root, Key,
                 [&](HiveKey& key) -> std::optional<RegistryValue> {
                   HiveValue* value = key.FindValue(Name);
                   if (value == nullptr) return std::nullopt;
                   return RegistryValue{value->Type, std::move(value->Data)};
                 })
      .value_or(std::nullopt);
}

std::optional<std::vector<UnicodeString>> ValueNames(HKEY Root, const UnicodeString& Key) {
  return ReadKey(Root, Key, [](HiveKey& key) {
    std::vector<UnicodeString> names;
    names.reserve(key.Values.size());
    for (const HiveValue& v : key.Values) names.push_back(v.Name);
    return names;
  });
}

std::optional<std::vector<UnicodeString>> SubKeyNames(HKEY Root, const UnicodeString& Key) {
  return ReadKey(Root, Key, [](HiveKey& key) {
    std::vector<UnicodeString> names;
    names.reserve(key.SubKeys.size());
    for (const auto& entry : key.SubKeys) names.push_back(entry.second->Name);
    return names;
  });
}

bool SetValue(HKEY Root, const UnicodeString& Key, const UnicodeString& Name, uint32_t Type,
              std::string_view Data) {
  std::vector<UnicodeString> segments;
  if (!SplitKeyPath(Key, segments) || !IsValidValueName(Name)) return false;
  return Modify(Root, [&](Hive& hive) {
    HiveKey& key = CreateKeyPath(hive.Top, segments);
    if (HiveValue* v = key.FindValue(Name)) {
      v->Type = Type;
      v->Data.assign(Data);
    } else {
      key.Values.push_back({Name, Type, std::string(Data)});
    }
    return Change::Changed;
  });
}

bool CreateKey(HKEY Root, const UnicodeString& Key) {
  std::vector<UnicodeString> segments;
  if (!SplitKeyPath(Key, segments)) return false;
  return Modify(Root, [&](Hive& hive) {
    if (FindKey(hive.Top, segments) != nullptr) return Change::Unchanged;
    CreateKeyPath(hive.Top, segments);
    return Change::Changed;
  });
}

bool DeleteValue(HKEY Root, const UnicodeString& Key, const UnicodeString& Name) {
  std::vector<UnicodeString> segments;
  if (!SplitKeyPath(Key, segments)) return false;
  return Modify(Root, [&](Hive& hive) {
    HiveKey* key = FindKey(hive.Top, segments);
    HiveValue* value = key != nullptr ? key->FindValue(Name) : nullptr;
    if (value == nullptr) return Change::Failed;
    key->Values.erase(key->Values.begin() + (value - key->Values.data()));
    return Change::Changed;
  });
}

bool DeleteKey(HKEY Root, const UnicodeString& Key) {
  std::vector<UnicodeString> segments;
  if (!SplitKeyPath(Key, segments) || segments.empty()) return false;
  return Modify(Root, [&](Hive& hive) {
    const std::vector<UnicodeString> parentPath(segments.begin(), segments.end() - 1);
    HiveKey* parent = FindKey(hive.Top, parentPath);
    if (parent == nullptr || parent->SubKeys.erase(UpperText(segments.back())) == 0)
      return Change::Failed;
    return Change::Changed;
  });
}

bool MoveKey(HKEY Root, const UnicodeString& OldKey, const UnicodeString& NewKey) {
  std::vector<UnicodeString> from, to;
  if (!SplitKeyPath(OldKey, from) || !SplitKeyPath(NewKey, to) || from.empty() || to.empty() ||
      IsWithin(from, to))
    return false;
  return Modify(Root, [&](Hive& hive) {
    const std::vector<UnicodeString> fromParentPath(from.begin(), from.end() - 1);
    HiveKey* fromParent = FindKey(hive.Top, fromParentPath);
    if (fromParent == nullptr || FindKey(hive.Top, to) != nullptr) return Change::Failed;
    const auto it = fromParent->SubKeys.find(UpperText(from.back()));
    if (it == fromParent->SubKeys.end() || to.size() + KeyHeight(*it->second) > kMaxKeyDepth)
      return Change::Failed;
    std::unique_ptr<HiveKey> moved = std::move(it->second);
    fromParent->SubKeys.erase(it);
    moved->Name = to.back();
    const std::vector<UnicodeString> toParentPath(to.begin(), to.end() - 1);
    CreateKeyPath(hive.Top, toParentPath).SubKeys[UpperText(to.back())] = std::move(moved);
    return Change::Changed;
  });
}

std::string HiveFilePath(HKEY Root) {
  HiveLocation loc;
  return Locate(Root, loc) ? loc.File : std::string();
}

}  // namespace kx::platform::registry
