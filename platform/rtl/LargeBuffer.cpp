#include "platform/rtl/LargeBuffer.h"

#include <sys/mman.h>

#include <cstdint>

namespace kx::platform {

void ReserveLarge(std::string& Buffer, size_t Capacity) {
  constexpr size_t kLarge = size_t{8} << 20;
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  if (Capacity <= Buffer.capacity()) return;
  Buffer.reserve(Capacity);
  if (Capacity < kLarge) return;
  // The huge pages wholly inside the untouched part of the buffer.
  const auto begin = reinterpret_cast<uintptr_t>(Buffer.data() + Buffer.size() + 1);
  const auto end = reinterpret_cast<uintptr_t>(Buffer.data()) + Capacity;
  const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = end & ~(kHugePage - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace kx::platform
