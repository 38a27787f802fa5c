#include "platform/file/ErrorText.h"

#include <cstring>

namespace kx::platform {

UnicodeString OSErrorMessage(int32_t Error) {
  // strerrordesc_np, unlike strerror, neither follows the locale nor makes
  // up "Unknown error N" for a value it does not know.
  const char* text = ::strerrordesc_np(Error);
  return text ? ToUtf16(text) : UnicodeString();
}

}  // namespace kx::platform
