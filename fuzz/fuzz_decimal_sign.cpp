// The decimal sign of OCR text: any UTF-16 text with each combination of
// the look-alike flags answers "." or "," and never raises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/rtl/Text.h"
#include "text/kxStrings_Mining.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  UnicodeString content((size - 1) / 2, u'\0');
  for (size_t i = 0; i < content.size(); ++i)
    content[i] = static_cast<char16_t>(data[1 + 2 * i] | (data[2 + 2 * i] << 8));
  const bool withoutMinus = (data[0] & 4) != 0;
  for (int flags = 0; flags < 4; ++flags) {
    const UnicodeString sign =
        TkxStrings::GetDezimalSign(content, (flags & 1) != 0, (flags & 2) != 0, withoutMinus);
    if (sign != u"." && sign != u",") std::abort();
  }
  return 0;
}
