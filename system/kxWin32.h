// system/kxWin32.h — TkxWin32: the few Windows facilities the toolkit asks
// for by name.
#pragma once

#include "platform/rtl/Text.h"

namespace TkxWin32 {

// The system-wide Windows folder with a closing separator. Linux has none:
// the answer is "/".
UnicodeString GetWindowsDirectory();

}  // namespace TkxWin32
