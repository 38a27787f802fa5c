// platform/file/ErrorText.h — the system's text for an error number, as the
// file layer puts it into its exception messages.
#pragma once

#include <cstdint>

#include "platform/rtl/Text.h"

namespace kx::platform {

// strerror's text ("No such file or directory"); "" for 0.
UnicodeString OSErrorMessage(int32_t Error);

}  // namespace kx::platform
