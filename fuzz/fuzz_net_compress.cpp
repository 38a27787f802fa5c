// Style sheets and scripts from outside through the shrinking filters:
// every input ends, with no read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "environment/kxNet_Filters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const UnicodeString text = ToUtf16(std::string(reinterpret_cast<const char*>(data), size));
  (void)TkxNet::CompressJavaScript(text);
  (void)TkxNet::CompressCSS(text);
  return 0;
}
