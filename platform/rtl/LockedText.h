// platform/rtl/LockedText.h — a text that several threads may write and read:
// every access copies under the object's own lock, so a reader never sees a
// text half written.
//
//   LockedText Message;
//   Message = u"database connection is online";   // from any thread
//   UnicodeString now = Message;                  // a copy, taken under the lock
#pragma once

#include <mutex>

#include "platform/rtl/Text.h"

class LockedText {
 public:
  LockedText() = default;
  explicit LockedText(UnicodeString Text) : text_(std::move(Text)) {}
  LockedText(const LockedText& Other) : text_(Other.Get()) {}
  LockedText& operator=(const LockedText& Other) {
    if (this != &Other) Set(Other.Get());
    return *this;
  }
  LockedText& operator=(UnicodeString Text) {
    Set(std::move(Text));
    return *this;
  }

  void Set(UnicodeString Text) {
    std::lock_guard<std::mutex> lock(mutex_);
    text_ = std::move(Text);
  }
  UnicodeString Get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
  }
  operator UnicodeString() const { return Get(); }  // NOLINT: reads as the text it holds
  void Clear() { Set(UnicodeString()); }
  bool IsEmpty() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_.empty();
  }

  friend bool operator==(const LockedText& A, std::u16string_view B) { return A.Get() == B; }

 private:
  mutable std::mutex mutex_;
  UnicodeString text_;
};
