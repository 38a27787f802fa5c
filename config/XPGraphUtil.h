// config/XPGraphUtil.h — banded gradients, the framed "XP" fill and tiled
// pictures, painted on a canvas (platform/ui/Canvas.h) for the page control
// and its tab sheets. Colours go through ColorToRGB before use.
#pragma once

#include <cstdint>

#include "platform/rtl/Geometry.h"
#include "platform/rtl/Graphics.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Canvas.h"

enum TFillDirection : uint8_t {
  fdTopToBottom,
  fdBottomToTop,
  fdLeftToRight,
  fdRightToLeft,
  fdVerticalFromCenter,
  fdHorizFromCenter,
  fdXP
};

namespace XPGraphUtil {

using kx::platform::ui::TBitmap;
using kx::platform::ui::TCanvas;

// Red, green and blue each minus Amount, clamped to 0..255; a negative
// Amount lightens.
TColor DarkenColor(TColor Color, int32_t Amount);

// Bands of one colour each for the four straight directions. Colors below 2
// fills StartColor. Otherwise Colors becomes max(2, min(Colors, size)) (size:
// the height for vertical directions, the width for horizontal ones) and
// each band is size div Colors pixels, from the top or left; band i has
// Base + MulDiv(i, Delta, Colors - 1) per channel on the ramp from
// StartColor to EndColor (EndColor to StartColor for fdBottomToTop and
// fdRightToLeft). The size mod Colors pixels at the bottom or right get the
// ramp's last colour. Leaves the brush at the last colour used.
//   60 colours over 30 rows: 30 bands of one row; over 1 row: the ramp's
//   last colour only.
void GradientFill(TCanvas& Canvas, const TRect& Rect, TColor StartColor, TColor EndColor,
                  TFillDirection Direction, int32_t Colors);

// Every direction: the two "from centre" directions split the rectangle at
// size div 2 into a forward and a reversed fill (EndColor in the middle,
// StartColor at both edges); fdXP is GradientFillXP.
void GradientFillRect(TCanvas& Canvas, const TRect& Rect, TColor StartColor, TColor EndColor,
                      TFillDirection Direction, int32_t Colors);

// The framed fill: a frame in EndColor, a body from EndColor to StartColor
// with a bottom strip back to EndColor, a lightened top and left edge six
// pixels wide whose left strip blends into what lies beside it, and a
// rounded top-left corner. The left strip's rows run to Rect.Bottom
// inclusive and read the pixels beside them from the canvas.
void GradientFillXP(TCanvas& Canvas, const TRect& Rect, TColor StartColor, TColor EndColor, int32_t Colors);

// Bitmap repeated from the rectangle's top left corner, clipped to the
// rectangle; nothing for an empty bitmap.
void TileBitmap(TCanvas& Canvas, const TRect& Rect, const TBitmap& Bitmap);

inline int32_t Max(int32_t A, int32_t B) { return A > B ? A : B; }
inline int32_t Min(int32_t A, int32_t B) { return A < B ? A : B; }
inline int32_t RectWidth(const TRect& Rect) { return Rect.Right - Rect.Left; }
inline int32_t RectHeight(const TRect& Rect) { return Rect.Bottom - Rect.Top; }

}  // namespace XPGraphUtil
