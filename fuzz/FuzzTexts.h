// fuzz/FuzzTexts.h — UTF-16 texts and numbers taken one after another from a
// fuzz input, for the targets that fill records with arbitrary values.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/rtl/Text.h"

namespace kx::fuzz {

class Texts {
 public:
  Texts(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  // A length byte (taken modulo 24), then that many 16-bit units, any of
  // them; empty once the input is used up.
  UnicodeString Next() {
    if (pos_ >= size_) return UnicodeString();
    size_t n = data_[pos_++] % 24;
    UnicodeString s;
    for (; n > 0 && pos_ + 1 < size_; --n, pos_ += 2)
      s += static_cast<char16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    return s;
  }
  // A signed byte times 1000003: small, large and negative numbers; 0 once
  // the input is used up.
  int32_t Number() { return pos_ < size_ ? static_cast<int8_t>(data_[pos_++]) * 1000003 : 0; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace kx::fuzz
