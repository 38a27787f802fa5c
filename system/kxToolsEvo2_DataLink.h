// system/kxToolsEvo2_DataLink.h — TkxTools: OLE DB data link files, the
// module's resources, and HTML on the clipboard.
//
// A data link file (".udl") is an INI file, UTF-16 with a byte-order mark as
// written by the system, with the section "oledb" and one line holding the
// connection string:
//   [oledb]
//   ; Everything after this line is an OLE DB initstring
//   Provider=SQLite;Data Source=kxsyscfg.db
//
// There is no data link dialog on Linux: "editing" a data link file creates
// it when it is missing and reads it back.
#pragma once

#include <string>

#include "platform/rtl/Text.h"

namespace TkxTools {

// "Provider=" followed by the value of the key "Provider" in the section
// "oledb" (the rest of the connection line); so a connection string that
// begins with "Provider=" comes back whole, and a missing key or a missing
// file gives "Provider=" alone. A file that cannot be read (a folder, no
// right) gives "". Never raises.
UnicodeString GetConnectionstringFromUdlFile(const UnicodeString& FileName);

// Writes FileName anew as a data link file holding ConStr: the bytes FF FE,
// then in UTF-16LE "[oledb]", "; Everything after this line is an OLE DB
// initstring" and ConStr, each followed by CR LF. True; raises
// EFCreateError (or EWriteError) when the file cannot be written.
bool CreateUDLFile(const UnicodeString& FileName, const UnicodeString& ConStr);
// Creates FileName empty when it does not exist, and answers
// GetConnectionstringFromUdlFile of it; with Temp the file is then deleted
// (TkxFiles::ForceDeleteFile).
UnicodeString EditUDLFile(const UnicodeString& FileName, bool Temp);
// ConnectionString written to a new temporary data link file
// (TkxFiles::GetTempPath + "kxconstr-" + CreateId + "~~~.udl") and read back
// by EditUDLFile with Temp: a string that begins with "Provider=" comes back
// unchanged, and no file stays.
UnicodeString EditConnectionString(const UnicodeString& ConnectionString);

// The module's resource Name of type DType (platform/resources/; names and
// types without regard to case), its bytes decoded as 8-bit text. Raises
// EResNotFound when the module has no such resource.
UnicodeString GetResource(const UnicodeString& Name, const UnicodeString& DType);

// Puts PlainStr and HtmlStr on the clipboard in one step (the desktop hook
// of platform/desktop/): PlainStr as plain text, HtmlStr as HTML (UTF-8),
// and as the "HTML Format" text of detail::HtmlClipboardText. True; raises
// EClipboardException when the clipboard cannot be written (always, without
// a desktop).
bool CopyHTMLToClipBoard(const UnicodeString& PlainStr, const UnicodeString& HtmlStr);

namespace detail {
// The "HTML Format" clipboard text of Html, bytes:
//   "Version:0.9" CR LF "StartHTML:-1" CR LF "EndHTML:-1" CR LF
//   "StartFragment:000081" CR LF "EndFragment:" + the length of the whole
//   text in bytes (header, HTML and the final CR LF), at least six digits,
//   + CR LF, then Html in UTF-8 and CR LF.
//   HtmlClipboardText(u"") ends "EndFragment:000083\r\n\r\n" (83 bytes)
std::string HtmlClipboardText(const UnicodeString& Html);
}  // namespace detail

}  // namespace TkxTools
