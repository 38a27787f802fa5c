// The ":NAME" scanner: whatever the statement, it ends without a crash, each
// name it reports is a marker that became one "?", and nothing else of the
// text changes length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/db/SqlText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const UnicodeString sql = ToUtf16(std::string_view(reinterpret_cast<const char*>(Data), Size));
  const kx::platform::db::ScannedSql s = kx::platform::db::ScanParameters(sql);
  size_t removed = 0;
  for (const UnicodeString& name : s.Names) {
    if (name.empty()) abort();
    removed += name.size();  // ":" + name became "?"
  }
  if (s.Sql.size() + removed != sql.size()) abort();
  return 0;
}
