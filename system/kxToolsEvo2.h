// system/kxToolsEvo2.h — TkxTools: every area's declarations, and the case
// mapping of UTF-16 text.
//
// UpperText and LowerText (platform/rtl/CaseMapping.h) are the system's one
// case mapping: every comparison of UTF-16 text without regard to case goes
// through them. Text that a format defines in ASCII, and 8-bit text, folds
// only "a"-"z" (AsciiUpper, same header). Sorting, and the string lists'
// comparisons, are the collator's (platform/rtl/Collation.h), not a mapping.
//
// A unit that needs only one area includes that area's header.
#pragma once

#include "platform/rtl/CaseMapping.h"

// TkxTools, one header per area.
#include "system/kxToolsEvo2_DataLink.h"
#include "system/kxToolsEvo2_Identity.h"
#include "system/kxToolsEvo2_Process.h"
#include "system/kxToolsEvo2_Shell.h"
#include "system/kxToolsEvo2_SystemInfo.h"
#include "system/kxToolsEvo2_Version.h"
