// Compressed strings from outside (configuration strings, messages): any
// bytes either raise EZDecompressionError or give a payload, which must then
// survive a compression round trip unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "text/kxStrings_PlaceHolders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string payload;
  try {
    payload = TkxStrings::DecompressString(input);
  } catch (const EZDecompressionError&) {
    return 0;
  }
  if (TkxStrings::DecompressString(TkxStrings::CompressString(payload)) != payload) std::abort();
  return 0;
}
