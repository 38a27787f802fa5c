#include "platform/rtl/Graphics.h"

#include <cstdlib>

namespace {

// The standard values of the system colours, by index (the classic light
// scheme, so a form looks the same on every desktop).
constexpr int32_t kSystemColors[] = {
    RGB(200, 200, 200),  //  0 scroll bar
    RGB(0, 0, 0),        //  1 desktop background
    RGB(153, 180, 209),  //  2 active caption
    RGB(191, 205, 219),  //  3 inactive caption
    RGB(240, 240, 240),  //  4 menu
    RGB(255, 255, 255),  //  5 window
    RGB(100, 100, 100),  //  6 window frame
    RGB(0, 0, 0),        //  7 menu text
    RGB(0, 0, 0),        //  8 window text
    RGB(0, 0, 0),        //  9 caption text
    RGB(180, 180, 180),  // 10 active border
    RGB(244, 247, 252),  // 11 inactive border
    RGB(171, 171, 171),  // 12 application workspace
    RGB(0, 120, 215),    // 13 highlight
    RGB(255, 255, 255),  // 14 highlight text
    RGB(240, 240, 240),  // 15 button face
    RGB(160, 160, 160),  // 16 button shadow
    RGB(109, 109, 109),  // 17 grey text
    RGB(0, 0, 0),        // 18 button text
    RGB(0, 0, 0),        // 19 inactive caption text
    RGB(255, 255, 255),  // 20 button highlight
    RGB(105, 105, 105),  // 21 3-D dark shadow
    RGB(227, 227, 227),  // 22 3-D light
    RGB(0, 0, 0),        // 23 tooltip text
    RGB(255, 255, 225),  // 24 tooltip background
    RGB(181, 181, 181),  // 25 (unused by the platform)
    RGB(0, 102, 204),    // 26 hot light
    RGB(185, 209, 234),  // 27 gradient of the active caption
    RGB(215, 228, 242),  // 28 gradient of the inactive caption
    RGB(51, 153, 255),   // 29 menu highlight
    RGB(240, 240, 240),  // 30 menu bar
};

bool IsSystemColor(TColor Color) { return (uint32_t(Color) >> 24) == 0xFF; }

}  // namespace

int32_t ColorToRGB(TColor Color) {
  if (!IsColor(Color)) return 0;
  if (IsSystemColor(Color)) return kSystemColors[uint32_t(Color) & 0xFF];
  return Color & 0xFFFFFF;
}

bool IsColor(TColor Color) {
  if (Color == clNone) return false;
  if (!IsSystemColor(Color)) return true;
  return (uint32_t(Color) & 0x00FFFF00) == 0 && (uint32_t(Color) & 0xFF) < std::size(kSystemColors);
}

int32_t MulDiv(int32_t Number, int32_t Numerator, int32_t Denominator) {
  if (Denominator == 0) return -1;
  const int64_t product = int64_t(Number) * int64_t(Numerator);
  const bool negative = (product < 0) != (Denominator < 0);
  const uint64_t p = product < 0 ? uint64_t(-product) : uint64_t(product);
  const uint64_t d = Denominator < 0 ? uint64_t(-int64_t(Denominator)) : uint64_t(Denominator);
  const uint64_t q = (p + d / 2) / d;  // halves away from zero (d odd: no half)
  if (q > (negative ? uint64_t(INT32_MAX) + 1 : uint64_t(INT32_MAX))) return -1;
  return negative ? int32_t(-int64_t(q)) : int32_t(q);
}

void TFont::SetName(const UnicodeString& Value) {
  // An empty name leaves the font as it was.
  if (Value.empty() || Value == name_) return;
  name_ = Value;
  Changed();
}

void TFont::SetHeight(int32_t Value) {
  if (Value == height_) return;
  height_ = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (Value == style_) return;
  style_ = Value;
  Changed();
}

void TFont::Assign(const TFont& Other) {
  if (&Other == this || Other == *this) return;
  name_ = Other.name_;
  height_ = Other.height_;
  color_ = Other.color_;
  style_ = Other.style_;
  Changed();
}
