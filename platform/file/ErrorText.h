// platform/file/ErrorText.h — the system's text for an error number: the file
// layer puts it into its exception messages, and TkxTools reports the last OS
// error with it.
#pragma once

#include <cstdint>

#include "platform/rtl/Text.h"

namespace kx::platform {

// The system's description of an errno value, in English whatever the
// locale ("No such file or directory"; 0 gives "Success"); "" for a value the
// system has no text for.
UnicodeString OSErrorMessage(int32_t Error);

}  // namespace kx::platform
