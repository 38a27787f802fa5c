// platform/os/CommandLine.h — the arguments the process was started with.
#pragma once

#include <optional>
#include <vector>

#include "platform/rtl/Text.h"

namespace kx::platform {

// The process's arguments as the system split them (/proc/self/cmdline), each
// decoded by the codec of Text.h; argument 0, the program as it was started,
// comes first. Quotes were resolved by whoever started the process, so an
// argument holds its blanks and quotes as given. Read afresh on every call;
// empty when the list cannot be read.
std::vector<UnicodeString> CommandLineArguments();

// Replaces the arguments for tests (argument 0 first); nullopt restores the
// process's own.
void SetCommandLineForTesting(std::optional<std::vector<UnicodeString>> Arguments);

}  // namespace kx::platform
