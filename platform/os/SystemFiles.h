// platform/os/SystemFiles.h — where the system keeps its services and hosts
// files.
#pragma once

#include <optional>
#include <string>

#include "platform/rtl/Text.h"

namespace kx::platform {

// "/etc/services" and "/etc/hosts"; for tests, the files "services" and
// "hosts" in the folder given to SetSystemFileFolderForTesting.
UnicodeString ServicesFilePath();
UnicodeString HostsFilePath();

// nullopt restores /etc.
void SetSystemFileFolderForTesting(std::optional<std::string> Folder);

}  // namespace kx::platform
