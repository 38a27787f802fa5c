// platform/rtl/ByteBuffer.h — a shared, copy-on-write buffer of bytes.
//
// Blob data can be hundreds of megabytes, and the records that carry it are
// copied freely (arrays of blobs, queue records, variants). A ByteBuffer makes
// those copies cheap: copying shares the bytes, and the bytes are copied only
// when one holder asks to change them (Mutable) while another still shares
// them. Reading never copies.
//
//   ByteBuffer a(std::string(100'000'000, 'x'));
//   ByteBuffer b = a;          // no byte copied; b.SharesWith(a)
//   b.Mutable()[0] = 'y';      // now b has its own copy; a is unchanged
//
// Threads: different ByteBuffer objects that share bytes may be used on
// different threads at the same time (reading, copying, changing through
// Mutable). One ByteBuffer object is not to be changed on one thread while
// another thread uses it, like any standard container.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class ByteBuffer {
 public:
  ByteBuffer() = default;  // empty
  // Takes the bytes over (no copy when Bytes is passed as an rvalue).
  explicit ByteBuffer(std::string Bytes);
  // Copies Size bytes from Data.
  ByteBuffer(const void* Data, size_t Size);

  size_t Size() const { return bytes_ ? bytes_->size() : 0; }
  bool Empty() const { return Size() == 0; }
  // The bytes; valid until this buffer is changed, assigned or destroyed.
  std::string_view View() const {
    return bytes_ ? std::string_view(*bytes_) : std::string_view();
  }
  const char* Data() const { return View().data(); }
  // The bytes as an owned string (a copy).
  std::string ToString() const { return std::string(View()); }

  // The bytes for changing, made this buffer's own first when shared.
  std::string& Mutable();
  void Clear() { bytes_.reset(); }

  // True when both buffers hold the same bytes in memory (not merely equal
  // ones); two empty buffers share nothing.
  bool SharesWith(const ByteBuffer& Other) const {
    return bytes_ != nullptr && bytes_ == Other.bytes_;
  }

  // Equal bytes.
  friend bool operator==(const ByteBuffer& A, const ByteBuffer& B) { return A.View() == B.View(); }

 private:
  std::shared_ptr<std::string> bytes_;  // null when empty
};
