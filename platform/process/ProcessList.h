// platform/process/ProcessList.h — the processes that run now.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/rtl/Text.h"

namespace kx::platform {

struct ProcessEntry {
  uint32_t Pid = 0;
  // The file name (without folder) of the program it runs: that of its
  // executable file (without " (deleted)" when the file was replaced), else
  // of its argument 0, else its command name (the kernel's threads).
  UnicodeString Name;
};

// Every process (thread-group leader) in /proc, in the order of the listing;
// processes that have ended but not been reaped (zombies) are left out, as
// are those that end while they are read.
std::vector<ProcessEntry> ProcessSnapshot();

// The entry of the process Pid, read alone; nullopt when there is no such
// process (a thread's id is none, nor is a zombie).
std::optional<ProcessEntry> FindProcess(uint32_t Pid);

}  // namespace kx::platform
