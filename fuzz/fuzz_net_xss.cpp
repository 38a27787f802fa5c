// Request text from outside through the cross-site-scripting filter. The
// first byte picks the switches; with quoting and no allowed characters
// the result holds none of the quoted characters but inside references.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "environment/kxNet_Filters.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  UnicodeString words;
  if ((flags & 8) != 0) {
    const size_t split = input.find('\0');
    if (split != std::string::npos) {
      words = ToUtf16(input.substr(split + 1));
      input.resize(split);
    }
  }
  const UnicodeString text = ToUtf16(input);
  const bool quote = (flags & 1) != 0;
  const UnicodeString allowed = (flags & 16) != 0 ? UnicodeString(u"<&") : UnicodeString();
  try {
    const UnicodeString result =
        TkxNet::XSSProtection(text, quote, (flags & 2) != 0, allowed, (flags & 4) != 0, words);
    if (!quote && result != text) std::abort();
    if (quote && allowed.empty() && result.find_first_of(u"\"'()/<>") != UnicodeString::npos) {
      std::abort();
    }
  } catch (const Exception& e) {
    if (e.Message != u"found possible XSS attack!") std::abort();
  }
  return 0;
}
