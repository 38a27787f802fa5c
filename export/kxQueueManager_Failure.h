// export/kxQueueManager_Failure.h — the failure text of a document operation
// that reports by result and Message instead of raising.
#pragma once

#include "platform/rtl/Text.h"

namespace kxQueueManager {

// Called inside a catch block: Message := Context + the text of the exception
// being handled (an Exception's Message, a standard exception's what(), else
// "unknown error") + ")"; empty when even that text cannot be made. Never
// raises.
//   catch (...) { SetFailureMessage(u"error loading document xml (", Message); }
void SetFailureMessage(const char16_t* Context, UnicodeString& Message) noexcept;

}  // namespace kxQueueManager
