#include "config/kxVCLTools_Paint.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kxVCLTools {
namespace {

// To the nearest integer, halves to even, then cut to 8 bits.
uint8_t Channel(double Value) { return uint8_t(int64_t(std::nearbyint(Value)) & 0xFF); }

}  // namespace

void DrawGradientSegment(TCanvas& Canvas, const TRect& Rect, TColor Color1, TColor Color2,
                         TGradientOrientation Orientation, bool Reverse) {
  if (Reverse) std::swap(Color1, Color2);
  const int32_t from = ColorToRGB(Color1), to = ColorToRGB(Color2);
  const double r0 = GetRValue(from), g0 = GetGValue(from), b0 = GetBValue(from);
  const double dr = double(GetRValue(to)) - r0, dg = double(GetGValue(to)) - g0, db = double(GetBValue(to)) - b0;
  const int32_t L = Rect.Left, T = Rect.Top, R = Rect.Right, B = Rect.Bottom;
  if (Orientation == goRadInner2Outer) {
    const int32_t radius = std::min(R - L, B - T) / 2;
    if (radius <= 0) return;
    const double sr = dr / radius, sg = dg / radius, sb = db / radius;
    for (int32_t x = L; x <= R; ++x)
      for (int32_t y = T; y <= B; ++y) {
        const double d = std::hypot(double(x - (L + radius)), double(y - (T + radius)));
        if (d < radius)
          Canvas.SetPixel(x, y, RGB(Channel(r0 + sr * d), Channel(g0 + sg * d), Channel(b0 + sb * d)));
      }
    return;
  }
  const bool horizontal = Orientation == goLeft2Right;
  const int32_t n = horizontal ? R - L : B - T;
  if (n <= 0) return;
  const double sr = dr / n, sg = dg / n, sb = db / n;
  Canvas.Pen.Style = kx::platform::ui::psSolid;
  for (int32_t i = 0; i <= n; ++i) {
    Canvas.Pen.Color = RGB(Channel(r0 + sr * i), Channel(g0 + sg * i), Channel(b0 + sb * i));
    if (horizontal) {
      Canvas.MoveTo(L + i, T);
      Canvas.LineTo(L + i, B);
    } else {
      Canvas.MoveTo(L, T + i);
      Canvas.LineTo(R, T + i);
    }
  }
}

void DrawGradient(TCanvas& Canvas, const TRect& Rect, TGradRow& Colors, TGradientOrientation Orientation,
                  bool Reverse) {
  if (Orientation == goRadInner2Outer || Colors.size() < 2) return;
  const bool horizontal = Orientation == goLeft2Right;
  const int32_t size = horizontal ? Rect.Right - Rect.Left : Rect.Bottom - Rect.Top;
  if (Reverse) std::reverse(Colors.begin(), Colors.end());
  const int32_t count = int32_t(Colors.size());
  const int32_t step = size / (count - 1);
  for (int32_t i = 0; i + 1 < count; ++i) {
    const TRect segment = horizontal
                              ? TRect(Rect.Left + i * step, Rect.Top, Rect.Left + (i + 1) * step, Rect.Bottom)
                              : TRect(Rect.Left, Rect.Top + i * step, Rect.Right, Rect.Top + (i + 1) * step);
    DrawGradientSegment(Canvas, segment, Colors[size_t(i)], Colors[size_t(i) + 1], Orientation, false);
  }
}

}  // namespace kxVCLTools
