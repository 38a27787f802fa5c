// export/kxExportRun.h — the export run of command 600.
#pragma once

#include <functional>

#include "platform/rtl/Text.h"

namespace kx::plugin {

// Builds one document from the plug-in state and writes or uploads it.
// True with ErrorText emptied, or false with the reason in ErrorText.
bool RunExport(UnicodeString& ErrorText);

// For tests: Hook is called with every document file name the run has
// chosen, just before the document is published under it, so a test can
// take the name meanwhile as another process might. nullptr removes it.
void SetExportNameHookForTesting(std::function<void(const UnicodeString& FileName)> Hook);

}  // namespace kx::plugin
