// platform/xml/XmlLibrary.h — the one-time preparation of libxml2.
//
// libxml2 keeps process-wide tables that its first use builds; building them
// from two threads at once is not safe. The plug-in therefore prepares the
// library once at load, before any of its threads parses (the "libxml2" entry
// of the module list). The parsers of this folder also make sure of it on
// first use, so tests and tools that never load the plug-in work as well.
//
// Nothing here changes a libxml2 global (error handlers, defaults), and the
// library's global clean-up is never called: the host may use libxml2 too,
// and would find it torn down.
#pragma once

namespace kx::platform {

// Idempotent and cheap after the first call.
void InitializeXmlLibrary();

}  // namespace kx::platform
