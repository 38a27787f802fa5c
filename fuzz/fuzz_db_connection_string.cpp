// Connection strings (OLE DB parts) and ODBC strings: whatever the text,
// parsing ends without a crash; an ODBC string built from the parts of a
// string parses back to the same parts; the provider mapping either maps or
// raises EDatabaseError (data link files are left out: they read files).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/db/Connection.h"
#include "platform/db/ConnectionString.h"

namespace db = kx::platform::db;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const UnicodeString text = ToUtf16(std::string_view(reinterpret_cast<const char*>(Data), Size));
  db::ConnectionParts parts;
  for (const auto& part : db::ParseConnectionString(text)) {
    // Keys an ODBC string can carry: no "=", ";", "{" or outer blanks.
    const UnicodeString& key = part.first;
    if (key.empty() || key.find_first_of(u"=;{") != UnicodeString::npos || key.front() <= u' ' ||
        key.back() <= u' ')
      continue;
    parts.push_back(part);
  }
  for (const auto& part : db::ParseOdbcString(text)) (void)part;
  if (db::ParseOdbcString(db::BuildOdbcString(parts)) != parts) abort();
  if (db::FindPart(parts, u"File Name") == nullptr) {
    try {
      db::ResolveConnectionString(text, u"/cfg");
    } catch (const EDatabaseError&) {
    }
  }
  return 0;
}
