#include "platform/rtl/Guid.h"

#include <cstring>

#include "platform/os/System.h"

TGUID CreateGUID() {
  uint8_t bytes[16];
  kx::platform::RandomBytes(bytes, sizeof bytes);
  TGUID g;
  std::memcpy(&g.D1, bytes, 4);
  std::memcpy(&g.D2, bytes + 4, 2);
  std::memcpy(&g.D3, bytes + 6, 2);
  std::memcpy(g.D4.data(), bytes + 8, 8);
  // On the fields as numbers: the version is the top digit of D3 as written.
  g.D3 = static_cast<uint16_t>((g.D3 & 0x0FFF) | 0x4000);
  g.D4[0] = static_cast<uint8_t>((g.D4[0] & 0x3F) | 0x80);
  return g;
}

UnicodeString GUIDToString(const TGUID& Guid) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  UnicodeString out;
  out.reserve(38);
  auto put = [&](uint64_t value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
      out.push_back(kHex[(value >> shift) & 0xF]);
  };
  out.push_back(u'{');
  put(Guid.D1, 8);
  out.push_back(u'-');
  put(Guid.D2, 4);
  out.push_back(u'-');
  put(Guid.D3, 4);
  out.push_back(u'-');
  put(Guid.D4[0], 2);
  put(Guid.D4[1], 2);
  out.push_back(u'-');
  for (size_t i = 2; i < 8; ++i) put(Guid.D4[i], 2);
  out.push_back(u'}');
  return out;
}
