#include "system/kxToolsEvo2_DataLink.h"

#include "platform/db/Connection.h"

namespace TkxTools {

UnicodeString GetConnectionstringFromUdlFile(const UnicodeString& FileName) {
  try {
    return kx::platform::db::ReadDataLinkFile(FileName);
  } catch (...) {
    return UnicodeString();
  }
}

}  // namespace TkxTools
