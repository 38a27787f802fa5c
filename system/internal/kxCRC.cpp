#include "system/internal/kxCRC.h"

#include <zlib.h>

namespace kxInternal {

uint32_t UpdateCrc32(uint32_t Crc, const void* Data, size_t Length) {
  if (Data == nullptr) return 0;
  return static_cast<uint32_t>(crc32_z(Crc, static_cast<const Bytef*>(Data), Length));
}

uint32_t UpdateCrc32(uint32_t Crc, std::span<const uint8_t> Data) {
  // An empty span may carry a null pointer; it still leaves the value as it is.
  if (Data.empty()) return Crc;
  return UpdateCrc32(Crc, Data.data(), Data.size());
}

}  // namespace kxInternal
