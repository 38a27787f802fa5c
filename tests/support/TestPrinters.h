// tests/support/TestPrinters.h — makes GoogleTest print UTF-16 texts as UTF-8,
// so that a failing comparison shows u"Straße" and not a row of code units.
// Included into every test source by the build.
#pragma once
#ifdef __cplusplus
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/rtl/Text.h"

namespace testing::internal {
template <>
class UniversalPrinter<std::u16string> {
 public:
  static void Print(const std::u16string& value, std::ostream* os) {
    *os << "u\"" << ToUtf8(value) << "\"";
  }
};
}  // namespace testing::internal
#endif
