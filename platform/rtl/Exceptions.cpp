#include "platform/rtl/Exceptions.h"

#include <string>

#include "platform/file/ErrorText.h"

const char* Exception::what() const noexcept {
  try {
    what_ = ToUtf8Strict(Message);
    return what_.c_str();
  } catch (...) {
    return "Exception";
  }
}

EInOutError::EInOutError(int32_t errorCode)
    : Exception(u"I/O error " + ToUtf16(std::to_string(errorCode)) + u": " +
                kx::platform::OSErrorMessage(errorCode)),
      ErrorCode(errorCode) {}
