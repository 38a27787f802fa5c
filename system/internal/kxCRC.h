// system/internal/kxCRC.h — CRC-32 continued from a previous value.
//
// The standard reflected CRC-32 (polynomial 0xEDB88320, as in zip, gzip and
// PNG): starting from 0 gives the checksum of the data, and feeding the pieces
// of a stream one after another gives the checksum of the whole.
//   UpdateCrc32(0, "123456789", 9) == 0xCBF43926
//   UpdateCrc32(UpdateCrc32(0, "12345", 5), "6789", 4) == 0xCBF43926
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kxInternal {

// A null Data gives 0; a Length of 0 with a valid Data gives Crc unchanged.
uint32_t UpdateCrc32(uint32_t Crc, const void* Data, size_t Length);
uint32_t UpdateCrc32(uint32_t Crc, std::span<const uint8_t> Data);

}  // namespace kxInternal
