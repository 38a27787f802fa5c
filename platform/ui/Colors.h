// platform/ui/Colors.h — the platform's colour values as Qt colours.
//
// A colour value is a 32-bit number: the lowest byte is red, then green, then
// blue. A highest byte of 255 marks a system colour, whose lowest byte indexes
// a fixed table of ours (ColorToRGB). clNone (536870911) is no colour.
//   ToQColor(15132390) == QColor(0xE6, 0xE6, 0xE6);  ToQColor(clBtnFace) == QColor(240, 240, 240)
#pragma once

#include <QColor>

#include <cstdint>

#include "platform/rtl/Graphics.h"

namespace kx::platform::ui {

// The values and their table are the platform layer's (platform/rtl/Graphics.h).
using ::TColor;
using ::clBtnFace;
using ::clNone;
using ::clSilver;
using ::clWhite;
using ::clWindow;
using ::clWindowText;

// An invalid QColor for clNone and for a system colour outside the table;
// the other values' highest byte is ignored.
QColor ToQColor(TColor Color);
// The value of an opaque colour; clNone for an invalid QColor. Never a
// system colour.
TColor FromQColor(const QColor& Color);

}  // namespace kx::platform::ui
