#include "system/internal/kxCRC.h"

#include "platform/zlib/Zlib.h"

namespace kxInternal {

uint32_t UpdateCrc32(uint32_t Crc, const void* Data, size_t Length) {
  if (Data == nullptr) return 0;
  return kx::platform::zlib::Crc32(Crc, Data, Length);
}

uint32_t UpdateCrc32(uint32_t Crc, std::span<const uint8_t> Data) {
  // An empty span may carry a null pointer; it still leaves the value as it is.
  if (Data.empty()) return Crc;
  return UpdateCrc32(Crc, Data.data(), Data.size());
}

}  // namespace kxInternal
