#include "export/kxQueueManager_Failure.h"

#include <exception>

#include "platform/rtl/Exceptions.h"

namespace kxQueueManager {

void SetFailureMessage(const char16_t* Context, UnicodeString& Message) noexcept {
  try {
    UnicodeString reason;
    try {
      throw;
    } catch (const Exception& e) {
      reason = e.Message;
    } catch (const std::exception& e) {
      reason = ToUtf16(std::string_view(e.what()));
    } catch (...) {
      reason = u"unknown error";
    }
    Message = Context + reason + u")";
  } catch (...) {  // no memory even for the text
    Message.clear();
  }
}

}  // namespace kxQueueManager
