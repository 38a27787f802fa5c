// platform/rtl/LargeBuffer.h — room for blob-sized byte strings.
#pragma once

#include <cstddef>
#include <string>

namespace kx::platform {

// Reserves room for Capacity bytes in Buffer (its content stays). From 8 MiB
// on, the new memory is also offered to the kernel for huge pages before it
// is first written: a fresh 100 MB buffer otherwise costs some 25,000 page
// faults, which dominate the time of loading a file or encoding a blob,
// above all in virtual machines. A hint only: nothing fails without it.
void ReserveLarge(std::string& Buffer, size_t Capacity);

}  // namespace kx::platform
