// platform/os/LastError.h — the calling thread's last operating-system error.
//
// Every wrapper in platform/ that makes a system call stores errno here when
// the call fails, and leaves it alone when the call succeeds, so the value
// still tells why the last failure happened after later calls went well.
// Each thread has its own value; a new thread starts with 0.
#pragma once

#include <cstdint>

namespace kx::platform {

// The errno value of the last failing call on this thread; 0 when none failed.
int32_t LastOSError();
void SetLastOSError(int32_t ErrorCode);
// Stores the current errno and answers false, for "return Fail();" in wrappers.
bool FailWithErrno();

}  // namespace kx::platform
