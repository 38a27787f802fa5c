// export/kxQueueManager.h — the document queue record and the queue tools.
#pragma once

#include "export/kxQueueManager_MetaBuffers.h"
#include "export/kxQueueManager_Record.h"
#include "export/kxQueueManager_Tools.h"
#include "export/kxQueueManager_DocumentXml.h"
#include "export/kxQueueManager_DocumentJson.h"
#include "export/kxQueueManager_DocumentJsonReader.h"
#include "export/kxQueueManager_Save.h"
