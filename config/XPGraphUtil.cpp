#include "config/XPGraphUtil.h"

namespace XPGraphUtil {
namespace {

namespace ui = kx::platform::ui;

uint8_t Clamp(int32_t Value) { return uint8_t(Value < 0 ? 0 : Value > 255 ? 255 : Value); }

bool Empty(const TRect& Rect) { return Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top; }

void Fill(TCanvas& Canvas, const TRect& Rect, TColor Color) {
  Canvas.Brush.Style = ui::bsSolid;
  Canvas.Brush.Color = Color;
  Canvas.FillRect(Rect);
}

// The platform's frame: a one-pixel outline in the brush.
void FrameRect(TCanvas& Canvas, const TRect& R, TColor Color) {
  Fill(Canvas, TRect(R.Left, R.Top, R.Right, R.Top + 1), Color);
  Fill(Canvas, TRect(R.Left, R.Bottom - 1, R.Right, R.Bottom), Color);
  Fill(Canvas, TRect(R.Left, R.Top, R.Left + 1, R.Bottom), Color);
  Fill(Canvas, TRect(R.Right - 1, R.Top, R.Right, R.Bottom), Color);
}

// The left strip's rows, each blending from the pixel left of the band to
// the one right of it.
void BlendLeftStrip(TCanvas& Canvas, const TRect& R, int32_t K) {
  const int32_t left = R.Left + K / 4;
  for (int32_t y = R.Top + K; y <= R.Bottom; ++y)
    GradientFill(Canvas, TRect(left, y, R.Left + K, y + 1), Canvas.Pixel(left - 1, y),
                 Canvas.Pixel(R.Left + K + 1, y), fdLeftToRight, 8);
}

}  // namespace

TColor DarkenColor(TColor Color, int32_t Amount) {
  const int32_t rgb = ColorToRGB(Color);
  return RGB(Clamp(GetRValue(rgb) - Amount), Clamp(GetGValue(rgb) - Amount), Clamp(GetBValue(rgb) - Amount));
}

void GradientFill(TCanvas& Canvas, const TRect& Rect, TColor StartColor, TColor EndColor,
                  TFillDirection Direction, int32_t Colors) {
  if (Empty(Rect)) return;
  if (Colors < 2) {
    Fill(Canvas, Rect, StartColor);
    return;
  }
  const bool reversed = Direction == fdBottomToTop || Direction == fdRightToLeft;
  const bool vertical = Direction == fdTopToBottom || Direction == fdBottomToTop;
  const int32_t first = ColorToRGB(reversed ? EndColor : StartColor);
  const int32_t last = ColorToRGB(reversed ? StartColor : EndColor);
  const int32_t deltaR = GetRValue(last) - GetRValue(first);
  const int32_t deltaG = GetGValue(last) - GetGValue(first);
  const int32_t deltaB = GetBValue(last) - GetBValue(first);
  const int32_t size = vertical ? RectHeight(Rect) : RectWidth(Rect);
  Colors = Max(2, Min(Colors, size));
  const int32_t step = size / Colors;
  Canvas.Pen.Style = ui::psSolid;
  Canvas.Pen.Mode = ui::pmCopy;
  auto band = [&](int32_t from, int32_t to) {
    return vertical ? TRect(Rect.Left, from, Rect.Right, to) : TRect(from, Rect.Top, to, Rect.Bottom);
  };
  const int32_t nearEdge = vertical ? Rect.Top : Rect.Left;
  if (step > 0) {
    for (int32_t i = 0; i < Colors; ++i) {
      const TColor color = RGB(uint8_t(GetRValue(first) + MulDiv(i, deltaR, Colors - 1)),
                               uint8_t(GetGValue(first) + MulDiv(i, deltaG, Colors - 1)),
                               uint8_t(GetBValue(first) + MulDiv(i, deltaB, Colors - 1)));
      Fill(Canvas, band(nearEdge + i * step, nearEdge + (i + 1) * step), color);
    }
  }
  const int32_t remainder = size % Colors;
  if (remainder > 0) {
    const int32_t farEdge = vertical ? Rect.Bottom : Rect.Right;
    Fill(Canvas, band(farEdge - remainder, farEdge), last);
  }
}

void GradientFillRect(TCanvas& Canvas, const TRect& Rect, TColor StartColor, TColor EndColor,
                      TFillDirection Direction, int32_t Colors) {
  const TRect& r = Rect;
  switch (Direction) {
    case fdVerticalFromCenter: {
      const int32_t middle = r.Top + RectHeight(r) / 2;
      GradientFill(Canvas, TRect(r.Left, r.Top, r.Right, middle), StartColor, EndColor, fdTopToBottom, Colors);
      GradientFill(Canvas, TRect(r.Left, middle, r.Right, r.Bottom), StartColor, EndColor, fdBottomToTop, Colors);
      break;
    }
    case fdHorizFromCenter: {
      const int32_t middle = r.Left + RectWidth(r) / 2;
      GradientFill(Canvas, TRect(r.Left, r.Top, middle, r.Bottom), StartColor, EndColor, fdLeftToRight, Colors);
      GradientFill(Canvas, TRect(middle, r.Top, r.Right, r.Bottom), StartColor, EndColor, fdRightToLeft, Colors);
      break;
    }
    case fdXP:
      GradientFillXP(Canvas, Rect, StartColor, EndColor, Colors);
      break;
    default:
      GradientFill(Canvas, Rect, StartColor, EndColor, Direction, Colors);
      break;
  }
}

void GradientFillXP(TCanvas& Canvas, const TRect& Rect, TColor StartColor, TColor EndColor, int32_t Colors) {
  constexpr int32_t K = 6;
  constexpr int32_t kHighlight = 30;
  if (Empty(Rect)) return;
  const int32_t L = Rect.Left, T = Rect.Top, R = Rect.Right, B = Rect.Bottom;
  const TColor S = StartColor, E = EndColor;
  const TColor light = DarkenColor(S, -kHighlight);
  FrameRect(Canvas, Rect, E);
  GradientFill(Canvas, TRect(L + K, T + K, R, B - K), E, S, fdTopToBottom, Colors);
  GradientFill(Canvas, TRect(L + K, B - K, R, B), S, E, fdTopToBottom, Colors);
  BlendLeftStrip(Canvas, Rect, K);
  GradientFill(Canvas, TRect(L + K, T, R, T + K / 4), light, S, fdTopToBottom, 8);
  GradientFill(Canvas, TRect(L + K, T + K / 4, R, T + K), S, E, fdTopToBottom, 8);
  GradientFill(Canvas, TRect(L, T + K, L + K / 4, B), light, S, fdLeftToRight, 8);
  BlendLeftStrip(Canvas, Rect, K);
  for (int32_t i = 0; i <= K; ++i) {
    Canvas.Pen.Color = Canvas.Pixel(L + i, T + K + 1);
    Canvas.MoveTo(L + i, T + K);
    Canvas.LineTo(L + i, T + i);
    Canvas.LineTo(L + K, T + i);
  }
}

void TileBitmap(TCanvas& Canvas, const TRect& Rect, const TBitmap& Bitmap) {
  const int32_t w = Bitmap.Width(), h = Bitmap.Height();
  if (w == 0 || h == 0) return;
  Canvas.SaveState();
  const TRect clip = Canvas.ClipRect();
  Canvas.SetClipRect(TRect(Max(clip.Left, Rect.Left), Max(clip.Top, Rect.Top), Min(clip.Right, Rect.Right),
                           Min(clip.Bottom, Rect.Bottom)));
  for (int32_t i = 0; i <= RectWidth(Rect) / w; ++i)
    for (int32_t j = 0; j <= RectHeight(Rect) / h; ++j) Canvas.Draw(Rect.Left + i * w, Rect.Top + j * h, Bitmap);
  Canvas.RestoreState();
}

}  // namespace XPGraphUtil
