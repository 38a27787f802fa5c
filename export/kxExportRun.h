// export/kxExportRun.h — the export run of command 600.
#pragma once

#include "platform/rtl/Text.h"

namespace kx::plugin {

// Builds one document from the plug-in state and writes or uploads it.
// True with ErrorText emptied, or false with the reason in ErrorText.
bool RunExport(UnicodeString& ErrorText);

}  // namespace kx::plugin
