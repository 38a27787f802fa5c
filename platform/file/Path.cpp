#include "platform/file/Path.h"

#include <algorithm>
#include <cerrno>

#include "platform/os/LastError.h"

namespace kx::platform {
namespace {

bool HasDrivePrefix(std::u16string_view path) {
  return path.size() >= 2 && path[1] == u':' &&
         ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
}

size_t FileNameStart(std::u16string_view path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsPathDelimiter(path[i - 1])) return i;
  return HasDrivePrefix(path) ? 2 : 0;
}

}  // namespace

bool IsDriveOrNetworkPath(std::u16string_view Path) {
  return HasDrivePrefix(Path) || Path.starts_with(u"\\\\");
}

char16_t PathDelimiterFor(std::u16string_view Path) {
  return Path.find(u'\\') != std::u16string_view::npos && Path.find(u'/') == std::u16string_view::npos
             ? u'\\'
             : u'/';
}

UnicodeString IncludeTrailingDelimiter(std::u16string_view Path) {
  UnicodeString path(Path);
  if (!path.empty() && !IsPathDelimiter(path.back())) path.push_back(PathDelimiterFor(path));
  return path;
}

UnicodeString ExtractFilePath(std::u16string_view Path) {
  return UnicodeString(Path.substr(0, FileNameStart(Path)));
}

UnicodeString ExtractFileName(std::u16string_view Path) {
  return UnicodeString(Path.substr(FileNameStart(Path)));
}

UnicodeString ExtractFileExt(std::u16string_view Path) {
  const std::u16string_view name = Path.substr(FileNameStart(Path));
  const size_t dot = name.rfind(u'.');
  return dot == std::u16string_view::npos ? UnicodeString() : UnicodeString(name.substr(dot));
}

UnicodeString ChangeFileExt(std::u16string_view Path, std::u16string_view Ext) {
  const size_t start = FileNameStart(Path);
  const size_t dot = Path.substr(start).rfind(u'.');
  UnicodeString result(dot == std::u16string_view::npos ? Path : Path.substr(0, start + dot));
  result += Ext;
  return result;
}

bool ToSystemPath(std::u16string_view Path, std::string& SystemName) {
  if (Path.empty() || IsDriveOrNetworkPath(Path)) {
    SetLastOSError(ENOENT);
    return false;
  }
  // A lone surrogate would become "?" and name another file.
  if (!ToUtf8Exact(Path, SystemName)) {
    SetLastOSError(ENOENT);
    return false;
  }
  std::replace(SystemName.begin(), SystemName.end(), '\\', '/');
  return true;
}

std::string PercentEncodedPath(std::string_view SystemName) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(SystemName.size());
  for (const unsigned char c : SystemName) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~' || c == '/') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

}  // namespace kx::platform
