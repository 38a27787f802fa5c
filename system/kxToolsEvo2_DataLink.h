// system/kxToolsEvo2_DataLink.h — TkxTools: OLE DB data link files.
//
// A data link file (".udl") is an INI file, UTF-16 with a byte-order mark as
// written by the system, with the section "oledb" and one line holding the
// connection string:
//   [oledb]
//   ; Everything after this line is an OLE DB initstring
//   Provider=SQLite;Data Source=kxsyscfg.db
#pragma once

#include "platform/rtl/Text.h"

namespace TkxTools {

// "Provider=" followed by the value of the key "Provider" in the section
// "oledb" (the rest of the connection line); so a connection string that
// begins with "Provider=" comes back whole, and a missing key or a missing
// file gives "Provider=" alone. A file that cannot be read (a folder, no
// right) gives "". Never raises.
UnicodeString GetConnectionstringFromUdlFile(const UnicodeString& FileName);

}  // namespace TkxTools
