// The rectangle readers and the set reader on hostile text: no crash, no
// sanitizer report, no exception (none of them raises), and a set reader that
// writes only the set's own bytes. What the writers make of a rectangle that
// was read must read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/rtl/Text.h"
#include "system/kxTypes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const UnicodeString text = ToUtf16(bytes);
  try {
    TkxTypes::StrToFloatRect(text);
    TkxTypes::StrToFloatRectLTWH(text);
    const TAdvRect adv = TkxTypes::StrToAdvRect(text);
    const TRect rect = TkxTypes::StrToRect(text);
    if (TkxTypes::StrToAdvRect(ToUtf16(TkxTypes::AdvRectToStr(adv))) != adv) std::abort();
    if (TkxTypes::StrToRect(ToUtf16(TkxTypes::RectToStr(rect))) != rect) std::abort();
    TkxTypes::FloatRectToAdvRect(TkxTypes::StrToFloatRectLTWH(text));
    TkxTypes::FloatRectToTRect(TkxTypes::StrToFloatRect(text));

    // Sets of every supported size, with guard bytes around them.
    TkxSetInfo info = TkxTypes::CryptingMethodSetInfo();
    for (int32_t setSize : {1, 2, 4, 3}) {
      info.Size = setSize;
      unsigned char buf[12];
      std::memset(buf, 0xA5, sizeof buf);
      const bool ok = TkxTypes::StringToSet(info, buf + 4, bytes);
      if (ok != (setSize != 3)) std::abort();
      for (int i = 0; i < 4; ++i)
        if (buf[i] != 0xA5 || buf[8 + i] != 0xA5) std::abort();
      if (ok) {
        uint8_t again[4] = {};
        const std::string written = TkxTypes::SetToString(info, buf + 4, true);
        const bool read = TkxTypes::StringToSet(info, again, written);
        if (!read || std::memcmp(again, buf + 4, setSize) != 0) std::abort();
      }
    }
  } catch (...) {
    std::abort();
  }
  return 0;
}
