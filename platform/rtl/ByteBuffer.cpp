#include "platform/rtl/ByteBuffer.h"

#include <atomic>

ByteBuffer::ByteBuffer(std::string Bytes) {
  if (!Bytes.empty()) bytes_ = std::make_shared<std::string>(std::move(Bytes));
}

ByteBuffer::ByteBuffer(const void* Data, size_t Size) {
  if (Size != 0) bytes_ = std::make_shared<std::string>(static_cast<const char*>(Data), Size);
}

std::string& ByteBuffer::Mutable() {
  if (!bytes_) {
    bytes_ = std::make_shared<std::string>();
  } else if (bytes_.use_count() > 1) {
    bytes_ = std::make_shared<std::string>(*bytes_);
  } else {
    // Sole owner: the last other holder may have let go on another thread
    // just now. use_count() is a relaxed read; this fence orders that holder's
    // last reads before our writes.
    std::atomic_thread_fence(std::memory_order_acquire);
  }
  return *bytes_;
}
