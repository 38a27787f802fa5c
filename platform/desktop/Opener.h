// platform/desktop/Opener.h — handing a document, folder or URL to the
// desktop, which opens it with the program the user chose for it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/Text.h"

namespace kx::platform {

// Starts the desktop's opener (xdg-open, from xdg-utils) on Target without
// waiting. True when the opener started (what it then does is its own
// affair); false when it cannot be started, with the errno value in the
// last OS error.
bool OpenWithDesktop(const UnicodeString& Target);

// Replaces the opener's command (the target is added as its last
// argument) for tests; nullopt restores xdg-open.
void SetOpenerForTesting(std::optional<std::vector<UnicodeString>> Command);

// The "file://" URI of Path (made absolute against the current folder):
// every byte of its system name but letters, digits, "-._~/" percent-encoded.
//   FileUri(u"/tmp/a b.txt") == "file:///tmp/a%20b.txt"
// "" for a path that names nothing here (a drive or network path).
std::string FileUri(const UnicodeString& Path);

}  // namespace kx::platform
