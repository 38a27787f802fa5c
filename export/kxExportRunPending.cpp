// Stands in for the export run until it is built; delete this file then.
#include "export/kxExportRun.h"

namespace kx::plugin {

bool RunExport(UnicodeString& ErrorText) {
  ErrorText = u"export run not available in this build";
  return false;
}

}  // namespace kx::plugin
