#include "platform/ui/Colors.h"

#include <array>

namespace kx::platform::ui {
namespace {

// System colours by index, as 0xRRGGBB.
constexpr std::array<uint32_t, 31> kSystemColors = {
    0xC8C8C8,  //  0 scroll bar
    0x000000,  //  1 desktop background
    0x99B4D1,  //  2 active caption
    0xBFCDDB,  //  3 inactive caption
    0xF0F0F0,  //  4 menu
    0xFFFFFF,  //  5 window
    0x646464,  //  6 window frame
    0x000000,  //  7 menu text
    0x000000,  //  8 window text
    0x000000,  //  9 caption text
    0xB4B4B4,  // 10 active border
    0xF4F7FC,  // 11 inactive border
    0xABABAB,  // 12 application workspace
    0x0078D7,  // 13 highlight
    0xFFFFFF,  // 14 highlight text
    0xF0F0F0,  // 15 button face
    0xA0A0A0,  // 16 button shadow
    0x6D6D6D,  // 17 grey text
    0x000000,  // 18 button text
    0x000000,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x696969,  // 21 3D dark shadow
    0xE3E3E3,  // 22 3D light
    0x000000,  // 23 tooltip text
    0xFFFFE1,  // 24 tooltip background
    0xB5B5B5,  // 25 (unused by the platform)
    0x0066CC,  // 26 hot light
    0xB9D1EA,  // 27 gradient of the active caption
    0xD7E4F2,  // 28 gradient of the inactive caption
    0x3399FF,  // 29 menu highlight
    0xF0F0F0,  // 30 menu bar
};

}  // namespace

QColor ToQColor(TColor Color) {
  if (Color == clNone) return QColor();
  const uint32_t value = static_cast<uint32_t>(Color);
  if ((value >> 24) == 0xFF) {
    const uint32_t index = value & 0xFF;
    if ((value & 0x00FFFF00) != 0 || index >= kSystemColors.size()) return QColor();
    const uint32_t rgb = kSystemColors[index];
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  }
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

TColor FromQColor(const QColor& Color) {
  if (!Color.isValid()) return clNone;
  const QColor rgb = Color.toRgb();
  return static_cast<TColor>(rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16));
}

}  // namespace kx::platform::ui
