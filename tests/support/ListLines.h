// tests/support/ListLines.h — a string list's entries joined by "|", so that
// one comparison in a table row shows the whole list ("" for an empty list).
#pragma once

#include <cstdint>
#include <string>

#include "platform/rtl/StringList.h"

inline std::u16string ListLines(const TStringsT<UnicodeString>& List) {
  std::u16string out;
  for (int32_t i = 0; i < List.Count(); ++i) {
    if (i > 0) out += u'|';
    out += List.Get(i);
  }
  return out;
}
