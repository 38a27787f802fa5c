// system/kxToolsEvo2.h — upper and lower case of UTF-16 text.
//
// Every comparison without regard to case in the system goes through these
// two functions (configuration keys, type names, file names, the IgnoreCase
// flag of the text operations), so they must give the same answer everywhere:
//
// - The mapping is the simple one-to-one mapping of each code point, the same
//   under every locale. Keys compared against ASCII names ("INT", "BINARY")
//   therefore match under a Turkish locale too: "i" always becomes "I".
// - The result has exactly as many units as the argument, so a position found
//   in the mapped text is the same position in the original. "ß" stays "ß";
//   a surrogate pair maps only when its mapping is again a pair; a lone
//   surrogate (also a raw byte carried as U+DC80..U+DCFF) passes unchanged.
// - The whole text is mapped, an embedded zero unit included: the length, not
//   a terminator, bounds it.
//
//   UpperText(u"straße") == u"STRAßE";  LowerText(u"İSTANBUL") == u"istanbul"
#pragma once

#include "platform/rtl/Text.h"

UnicodeString UpperText(const UnicodeString& S);
UnicodeString LowerText(const UnicodeString& S);

// TkxTools, one header per area.
#include "system/kxToolsEvo2_DataLink.h"
#include "system/kxToolsEvo2_Identity.h"
#include "system/kxToolsEvo2_Process.h"
#include "system/kxToolsEvo2_Shell.h"
#include "system/kxToolsEvo2_SystemInfo.h"
#include "system/kxToolsEvo2_Version.h"
