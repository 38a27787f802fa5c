// text/kxStrings.h — TkxStrings, the text operations, one header per area.
#pragma once

#include "text/kxStrings_Search.h"
#include "text/kxStrings_Edit.h"
#include "text/kxStrings_Replace.h"
#include "text/kxStrings_Convert.h"
#include "text/kxStrings_PlaceHolders.h"
#include "text/kxStrings_CharClass.h"
#include "text/kxStrings_RegEx.h"
#include "text/kxStrings_Match.h"
#include "text/kxStrings_Lists.h"
#include "text/kxStrings_Mining.h"
#include "text/kxStrings_Dates.h"
#include "text/kxStrings_Stem.h"
#include "text/kxStrings_OCR.h"
