// platform/rtl/Guid.h — GUIDs: the record, new random ones, and their text.
#pragma once

#include <array>
#include <cstdint>

#include "platform/rtl/Text.h"

// The platform's GUID record. The text form writes D1, D2 and D3 as numbers
// and D4 byte by byte, so the fields' byte order in memory never shows.
struct TGUID {
  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  std::array<uint8_t, 8> D4{};

  friend bool operator==(const TGUID&, const TGUID&) = default;
};

// A new random GUID, version 4 with the variant of RFC 9562: 122 bits from
// the kernel's random source, the version set in D3 (the text's 13th digit is
// "4") and the variant in D4[0] (the 17th digit is 8, 9, A or B).
TGUID CreateGUID();

// The 38-character text: braces, 8-4-4-4-12 upper-case hexadecimal digits.
//   GUIDToString({0x6B29FC40, 0xCA47, 0x1067, {0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0xDA}})
//     == u"{6B29FC40-CA47-1067-B31D-00DD010662DA}"
UnicodeString GUIDToString(const TGUID& Guid);
