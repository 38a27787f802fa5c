// system/kxFiles.h — TkxFiles, the file toolkit, one header per area.
#pragma once

#include "system/kxFiles_Paths.h"
#include "system/kxFiles_Contents.h"
#include "system/kxFiles_Zip.h"
#include "system/kxFiles_Mime.h"
#include "system/kxFiles_Times.h"
#include "system/kxFiles_Copy.h"
#include "system/kxFiles_Delete.h"
#include "system/kxFiles_Listing.h"
