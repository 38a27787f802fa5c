// platform/versioninfo/ExecutableFile.h — finding the version block inside an
// executable file without loading it.
//
// - "MZ": a PE32 or PE32+ image. The block is the resource of type 16, name 1
//   and the first language listed under it, whatever that language is; its
//   data RVA is turned into a file offset through the section table.
// - 7F "ELF": an ELF32 or ELF64 file, little-endian. The block is the
//   contents of the section named ".kxversioninfo" (the build puts one into
//   libkxexport.so); "strip --strip-all" keeps it, being an allocated
//   section.
// Anything else, and any offset or size that points outside the file, has
// no version block. The file is only read through a RandomAccessSource, so a
// crafted file can make the search fail but never read out of bounds.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/file/FileReader.h"

namespace kx::platform::versioninfo {

// Where the block lies in the file. Size is the resource's or section's
// size (at most 65535: a block never exceeds that); the block's own wLength
// may be smaller.
struct BlockLocation {
  uint64_t Offset = 0;
  uint32_t Size = 0;
};

std::optional<BlockLocation> LocatePeVersionBlock(const RandomAccessSource& File);
std::optional<BlockLocation> LocateElfVersionBlock(const RandomAccessSource& File);
// By the file's first bytes: the PE search for "MZ", the ELF search for
// 7F "ELF", nullopt otherwise.
std::optional<BlockLocation> LocateVersionBlock(const RandomAccessSource& File);

// The file offset of a PE image's 32-bit CheckSum field; nullopt for a file
// that is no PE image.
std::optional<uint64_t> PeCheckSumOffset(const RandomAccessSource& File);
// The PE image checksum of the whole file: the 16-bit words summed with end
// around carry (the CheckSum field counted as 0), plus the file's length.
uint32_t ComputePeCheckSum(std::string_view File, uint64_t CheckSumOffset);

}  // namespace kx::platform::versioninfo
