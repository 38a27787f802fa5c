#include "environment/kxVanto.h"

#include "platform/file/Path.h"
#include "platform/os/HostProgram.h"

namespace TkxVanto::detail {

UnicodeString HostProgramFile() { return ToUtf16(kx::platform::HostProgramFileName()); }

UnicodeString HostProgramFolder() { return kx::platform::ExtractFilePath(HostProgramFile()); }

UnicodeString Below(const UnicodeString& Base, std::initializer_list<std::u16string_view> Parts) {
  const char16_t separator = kx::platform::PathDelimiterFor(Base);
  UnicodeString path = Base;
  for (const std::u16string_view part : Parts) {
    path += part;
    path.push_back(separator);
  }
  return path;
}

}  // namespace TkxVanto::detail
