// system/kxFiles_Mime.h — TkxFiles: MIME types of file names and extensions
// of MIME types.
//
// Both lookups walk the built-in table of kxConstants::MimeTable first (its
// row order decides every first match) and fall back to the registry only
// when the table has no answer. They create nothing in the registry and
// never read the host's MIME files, whose contents differ from machine to
// machine.
#pragma once

#include "platform/rtl/Text.h"

namespace TkxFiles {

// The MIME type of the extension of the file-name part of FileName (without
// its dot, LowerText). A name without extension has the empty extension,
// which the table knows as "application/octet-stream", so it never gets
// Default. An extension the table lacks is looked up as the value
// "Content Type" of the key "." + extension below HKEY_CLASSES_ROOT; Default
// when that is missing or empty.
//   GetMIMEType(u"report.PDF", u"") == u"application/pdf"
//   GetMIMEType(u".pdf", u"") == u"application/pdf"      (all extension)
//   GetMIMEType(u"pdf", u"x") == u"application/octet-stream"
//   GetMIMEType(u"a.unknown", u"x") == u"x"              (nothing in the registry)
UnicodeString GetMIMEType(const UnicodeString& FileName, const UnicodeString& Default);

// The first table extension (without dot) of the lower-cased MimeType. When
// that is empty (an unknown type, and "application/octet-stream", whose
// first extension is the empty one), the value named by the lower-cased
// MimeType below HKEY_LOCAL_MACHINE\SOFTWARE\vanto\System\ContentTypes, as
// it stands (with or without a dot); empty when there is none.
//   GetExtensionFromMimeType(u"IMAGE/JPEG") == u"jpg"
//   GetExtensionFromMimeType(u"application/x-netcdf") == u"cdf"
UnicodeString GetExtensionFromMimeType(const UnicodeString& MimeType);

}  // namespace TkxFiles
