#include "platform/syslog/SysLogClient.h"

#include "platform/rtl/Exceptions.h"

namespace kx::platform::syslog {

void SysLogClient::SetActive(bool Value) {
  if (Value) throw Exception("the syslog sender is not built yet");
  active_ = false;
}

}  // namespace kx::platform::syslog
