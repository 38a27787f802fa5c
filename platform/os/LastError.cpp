#include "platform/os/LastError.h"

#include <cerrno>

namespace kx::platform {
namespace {
thread_local int32_t t_lastError = 0;
}  // namespace

int32_t LastOSError() { return t_lastError; }

void SetLastOSError(int32_t ErrorCode) { t_lastError = ErrorCode; }

bool FailWithErrno() {
  t_lastError = errno;
  return false;
}

}  // namespace kx::platform
