// The readers of a queue record's outside texts on hostile input: the field
// and table buffers, zone texts and document links. No crash and no
// sanitizer report; the buffer readers may raise only the platform's
// exceptions, the zone and link readers never. A zone that was written
// reads back to what the writer wrote.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "export/kxQueueManager.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    ParseMetaDataBuffer(bytes);
  } catch (const Exception&) {
  }
  try {
    ParseMetaTableDataBuffer(bytes);
  } catch (const Exception&) {
  }
  try {
    const AnsiString text = RelRectToZoneStr(ZoneStrToRelRect(bytes));
    // Whole numbers up to 2^53 survive the trip through double exactly.
    const TRelRect again = ZoneStrToRelRect(text);
    bool exact = true;
    for (const double v : {again.Left, again.Top, again.Width, again.Height})
      exact = exact && v > -9007199254740992.0 && v < 9007199254740992.0;
    if (exact && RelRectToZoneStr(again) != text) std::abort();

    UnicodeString repository;
    TIdType id;
    int32_t version = 0;
    if (!ParseDocumentUri(ToUtf16(bytes), repository, id, version)) std::abort();
    if (id.Length() > 32) std::abort();
  } catch (...) {
    std::abort();
  }
  return 0;
}
