#include "platform/os/SystemInfo.h"

#include <systemd/sd-login.h>
#include <unicode/uloc.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/file/FileDescriptor.h"
#include "platform/rtl/FormatSettings.h"

namespace kx::platform {
namespace {

// statm: "size resident shared text lib data dt", in pages.
std::optional<uint64_t> ResidentMemoryFrom(const std::string& StatmFile) {
  std::string bytes;
  if (!ReadFileToEnd(StatmFile, bytes)) return std::nullopt;
  const std::string_view line = std::string_view(bytes).substr(0, bytes.find('\n'));
  const size_t blank = line.find(' ');
  if (blank == std::string::npos) return std::nullopt;
  const char* begin = line.data() + blank + 1;
  const char* end = line.data() + line.size();
  uint64_t resident = 0;
  const auto [stop, ec] = std::from_chars(begin, end, resident);
  if (ec != std::errc() || stop == begin) return std::nullopt;
  const long page = ::sysconf(_SC_PAGESIZE);
  return resident * static_cast<uint64_t>(page > 0 ? page : 4096);
}

// "\040" and the other octal escapes of the mount table.
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
        s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
      out.push_back(
          static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// The blank-separated fields of a line.
std::vector<std::string_view> Fields(std::string_view Line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (start < Line.size()) {
    const size_t blank = Line.find(' ', start);
    const size_t end = blank == std::string_view::npos ? Line.size() : blank;
    if (end > start) fields.push_back(Line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

// Whether the first word of File is Expected.
bool FileSays(const std::string& File, std::string_view Expected) {
  std::string bytes;
  if (!ReadFileToEnd(File, bytes)) return false;
  static constexpr char kSpace[] = " \t\n\v\f\r";
  const size_t start = bytes.find_first_not_of(kSpace);
  if (start == std::string::npos) return false;
  return std::string_view(bytes).substr(start, bytes.find_first_of(kSpace, start) - start) == Expected;
}

bool IsRemovableDevice(const std::string& MajorMinor) {
  const std::string device = "/sys/dev/block/" + MajorMinor;
  // A partition's flag sits on the disk that holds it.
  if (::access((device + "/partition").c_str(), F_OK) == 0)
    return FileSays(device + "/../removable", "1");
  return FileSays(device + "/removable", "1");
}

}  // namespace

DriveKind DriveKindOfFileSystem(const std::string& Type, bool RemovableDevice) {
  static const char* const kRam[] = {"tmpfs", "ramfs"};
  static const char* const kNetwork[] = {
      "nfs",
      "nfs4",
      "cifs",
      "smb3",
      "smbfs",
      "ncpfs",
      "afs",
      "ceph",
      "glusterfs",
      "lustre",
      "davfs",
      "fuse.sshfs",
      "fuse.s3fs",
      "fuse.rclone",
      "fuse.glusterfs",
      "fuse.ceph-fuse",
      "fuse.davfs2",
      "fuse.gcsfuse",
      "fuse.smbnetfs",
  };
  static const char* const kCd[] = {"iso9660", "udf"};
  for (const char* t : kRam)
    if (Type == t) return DriveKind::RamDisk;
  for (const char* t : kNetwork)
    if (Type == t) return DriveKind::Network;
  for (const char* t : kCd)
    if (Type == t) return DriveKind::CdRom;
  return RemovableDevice ? DriveKind::Removable : DriveKind::Fixed;
}

std::optional<uint64_t> ResidentMemoryOfSelf() { return ResidentMemoryFrom("/proc/self/statm"); }

std::optional<uint64_t> ResidentMemoryOfProcess(uint32_t Pid) {
  if (Pid == 0) return std::nullopt;
  return ResidentMemoryFrom("/proc/" + std::to_string(Pid) + "/statm");
}

int32_t OnlineProcessorCount() {
  const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int32_t>(n) : 1;
}

bool IsRemoteSession() {
  char* session = nullptr;
  if (sd_pid_get_session(0, &session) >= 0 && session != nullptr) {
    const int remote = sd_session_is_remote(session);
    std::free(session);
    if (remote >= 0) return remote > 0;
  }
  return std::getenv("SSH_CONNECTION") != nullptr;
}

std::optional<DriveKind> DriveKindOf(const std::string& Path) {
  std::string table;
  if (!ReadFileToEnd("/proc/self/mountinfo", table)) return std::nullopt;
  std::string path = Path;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty() || path[0] != '/') return DriveKind::NoMountPoint;

  // Mounts stack: the last line for a mount point is the one in view.
  std::optional<DriveKind> kind;
  for (size_t start = 0, end; start < table.size(); start = end + 1) {
    end = std::min(table.find('\n', start), table.size());
    const std::string_view line = std::string_view(table).substr(start, end - start);
    // id parent major:minor root mount-point options [optional...] - type source ...
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 6 || Unescape(std::string(fields[4])) != path) continue;
    size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (dash + 1 >= fields.size()) continue;
    kind = DriveKindOfFileSystem(std::string(fields[dash + 1]),
                                 IsRemovableDevice(std::string(fields[2])));
  }
  return kind ? kind : DriveKind::NoMountPoint;
}

std::string UserLanguageLocale() {
  const std::string locale = UserLocale();
  if (locale == "C" || locale == "POSIX") return "en_US";
  UErrorCode status = U_ZERO_ERROR;
  char country[ULOC_COUNTRY_CAPACITY] = {};
  uloc_getCountry(locale.c_str(), country, sizeof country, &status);
  if (U_FAILURE(status) || country[0] != '\0') return locale;

  char likely[ULOC_FULLNAME_CAPACITY] = {};
  status = U_ZERO_ERROR;
  uloc_addLikelySubtags(locale.c_str(), likely, sizeof likely, &status);
  if (U_FAILURE(status)) return locale;
  status = U_ZERO_ERROR;
  uloc_getCountry(likely, country, sizeof country, &status);
  if (U_FAILURE(status) || country[0] == '\0') return locale;
  // ICU's LCID table knows "de_DE", not "de_Latn_DE": keep a script only
  // when the user named one ("sr_Latn").
  char language[ULOC_LANG_CAPACITY] = {};
  char script[ULOC_SCRIPT_CAPACITY] = {};
  status = U_ZERO_ERROR;
  uloc_getLanguage(locale.c_str(), language, sizeof language, &status);
  uloc_getScript(locale.c_str(), script, sizeof script, &status);
  if (U_FAILURE(status)) return locale;
  std::string out = language;
  if (script[0] != '\0') out += std::string("_") + script;
  return out + "_" + country;
}

uint32_t UserLocaleLCID() { return uloc_getLCID(UserLanguageLocale().c_str()); }

std::string UserLocaleISO3Language() {
  const char* code = uloc_getISO3Language(UserLanguageLocale().c_str());
  return code ? code : "";
}

}  // namespace kx::platform
