// Raw header blocks from outside (the queue server's answers). The first
// byte gives the length of the header name taken from the input; the rest is
// the block. The value is a trimmed piece of the block.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "environment/kxNet_Multipart.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t nameLength = std::min<size_t>(data[0] % 32, size - 1);
  const AnsiString name(reinterpret_cast<const char*>(data + 1), nameLength);
  const AnsiString block(reinterpret_cast<const char*>(data + 1 + nameLength), size - 1 - nameLength);
  const AnsiString value = TkxNet::GetHttpRawHeaderValue(name, block);
  if (value.empty()) return 0;
  if (block.find(value) == std::string::npos) std::abort();
  if (static_cast<unsigned char>(value.front()) <= 0x20 || static_cast<unsigned char>(value.back()) <= 0x20)
    std::abort();
  return 0;
}
