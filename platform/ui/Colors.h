// platform/ui/Colors.h — the platform's colour values as Qt colours.
//
// A colour value is a 32-bit number: the lowest byte is red, then green, then
// blue. A highest byte of 255 marks a system colour, whose lowest byte indexes
// the table below (a fixed table of ours, the classic light scheme, so a form
// looks the same on every desktop). clNone (536870911) is no colour.
//   ToQColor(15132390) == QColor(0xE6, 0xE6, 0xE6);  ToQColor(clBtnFace) == QColor(240, 240, 240)
#pragma once

#include <QColor>

#include <cstdint>

namespace kx::platform::ui {

using TColor = int32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000F);
inline constexpr TColor clWindow = static_cast<TColor>(0xFF000005);
inline constexpr TColor clWindowText = static_cast<TColor>(0xFF000008);

// An invalid QColor for clNone and for a system colour outside the table;
// the other values' highest byte is ignored.
QColor ToQColor(TColor Color);
// The value of an opaque colour; clNone for an invalid QColor. Never a
// system colour.
TColor FromQColor(const QColor& Color);

}  // namespace kx::platform::ui
