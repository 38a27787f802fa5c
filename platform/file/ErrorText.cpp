#include "platform/file/ErrorText.h"

#include <cstring>

namespace kx::platform {

UnicodeString OSErrorMessage(int32_t Error) {
  if (Error == 0) return {};
  char buffer[256];
  // The GNU variant answers a pointer that may or may not be the buffer.
  return ToUtf16(strerror_r(Error, buffer, sizeof buffer));
}

}  // namespace kx::platform
