#include "platform/ui/Colors.h"

namespace kx::platform::ui {

QColor ToQColor(TColor Color) {
  if (!IsColor(Color)) return QColor();
  const int32_t rgb = ColorToRGB(Color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& Color) {
  if (!Color.isValid()) return clNone;
  const QColor rgb = Color.toRgb();
  return static_cast<TColor>(rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16));
}

}  // namespace kx::platform::ui
