// system/kxTypes.h — TkxTypes, the shared records and enumerations and the
// operations on them, one header per area.
#pragma once

#include "system/kxTypes_Records.h"
#include "system/kxTypes_Enums.h"
#include "system/kxTypes_Variant.h"
#include "system/kxTypes_Rect.h"
