// platform/syslog/SysLogClient.h — a syslog client object: where messages go.
//
// The object holds its settings now; the sender arrives later. Until then
// SetActive(true) raises, so that nobody takes silence for delivery.
#pragma once

#include <cstdint>
#include <string>

namespace kx::platform::syslog {

class SysLogClient {
 public:
  std::string Host;
  int32_t Port = 514;
  uint32_t ReceiveTimeout = 0;  // milliseconds

  bool Active() const { return active_; }
  // False does nothing; true raises Exception "the syslog sender is not built
  // yet".
  void SetActive(bool Value);

 private:
  bool active_ = false;
};

}  // namespace kx::platform::syslog
