#include "platform/rtl/Exceptions.h"

const char* Exception::what() const noexcept {
  try {
    what_ = ToUtf8Strict(Message);
    return what_.c_str();
  } catch (...) {
    return "Exception";
  }
}
