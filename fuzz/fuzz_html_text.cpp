// HTML to text on arbitrary input, read two ways: the bytes as UTF-8 through
// the codec, and the bytes as UTF-16 units (lone surrogates included). The
// conversion must not fail or hang, and its result is trimmed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/Text.h"
#include "text/kxStrings_Convert.h"

namespace {

void Check(const UnicodeString& html) {
  const UnicodeString text = TkxStrings::HtmlToText(html);
  if (!text.empty() && (text.front() <= 0x20 || text.back() <= 0x20)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(ToUtf16(std::string(reinterpret_cast<const char*>(data), size)));
  UnicodeString units(size / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  Check(units);
  return 0;
}
