// platform/ui/Canvas.h — the drawing surface of owner-drawn controls: a
// 32-bit RGB image painted without antialiasing, with the platform's
// drawing rules kept in this one place.
//
// Rules (coordinates in pixels, y downwards, a TRect's right column and
// bottom row outside it unless said otherwise):
//   - FillRect(L, T, R, B) fills columns L..R-1 and rows T..B-1 with the
//     brush; a clear brush fills nothing.
//   - Rectangle and RoundRect draw their one-pixel pen outline inside those
//     bounds (on columns L and R-1, rows T and B-1) and fill the inside with
//     the brush; a clear pen leaves the outline to the brush, a clear brush
//     leaves the inside alone.
//   - MoveTo / LineTo draw from the current position up to the end point,
//     which is left out; the end point becomes the current position.
//   - DrawText lays one text into a rectangle by its flags: single line,
//     vertical centring (single line only), end ellipsis, left, centre or
//     right alignment, and "&" marking the next character unless
//     DT_NOPREFIX ("&&" is one "&"). Text is drawn in the font's colour,
//     clipped to the rectangle; with a solid brush its box is filled first.
//   - DrawFocusRect inverts every second pixel of the rectangle's outline
//     (those with x + y even), so drawing it twice restores the image.
// Widgets paint into a canvas and copy its Image in their paint event;
// Pixels reads back what the canvas holds.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/Geometry.h"
#include "platform/rtl/Graphics.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Bitmap.h"

class QImage;

namespace kx::platform::ui {

// Pens draw one pixel wide, whatever Width holds, by copying their colour.
enum TPenStyle : uint8_t { psSolid, psClear };
enum TPenMode : uint8_t { pmCopy };
enum TBrushStyle : uint8_t { bsSolid, bsClear };

// DrawText's flags, the platform's values.
inline constexpr uint32_t DT_LEFT = 0x0000;
inline constexpr uint32_t DT_CENTER = 0x0001;
inline constexpr uint32_t DT_RIGHT = 0x0002;
inline constexpr uint32_t DT_VCENTER = 0x0004;
inline constexpr uint32_t DT_SINGLELINE = 0x0020;
inline constexpr uint32_t DT_NOPREFIX = 0x0800;
inline constexpr uint32_t DT_END_ELLIPSIS = 0x8000;

struct TPen {
  TColor Color = clBlack;
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
  int32_t Width = 1;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

class TCanvas {
 public:
  // A canvas on a new Width × Height image, filled white.
  TCanvas(int32_t Width, int32_t Height);
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  int32_t Width() const;
  int32_t Height() const;
  // Makes the image Width × Height, keeping what fits, the rest white.
  void SetSize(int32_t Width, int32_t Height);
  // What the canvas holds; valid until the next drawing call.
  const QImage& Image();

  TPen Pen;
  TBrush Brush;
  TFont Font;

  // The rectangle drawing is limited to: the whole image unless
  // SetClipRect narrowed it. SaveState / RestoreState keep it on a stack.
  TRect ClipRect() const;
  void SetClipRect(const TRect& Rect);
  void SaveState();
  void RestoreState();

  void FillRect(const TRect& Rect);
  void Rectangle(int32_t L, int32_t T, int32_t R, int32_t B);
  void Rectangle(const TRect& Rect) { Rectangle(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom); }
  // Corners are ellipse quarters of CornerWidth × CornerHeight.
  void RoundRect(int32_t L, int32_t T, int32_t R, int32_t B, int32_t CornerWidth, int32_t CornerHeight);
  void MoveTo(int32_t X, int32_t Y);
  void LineTo(int32_t X, int32_t Y);
  TPoint PenPos() const { return penPos_; }

  // The colour at (X, Y) as a plain RGB value; clNone outside the image.
  TColor Pixel(int32_t X, int32_t Y);
  // Sets one pixel (inside the clip rectangle only).
  void SetPixel(int32_t X, int32_t Y, TColor Color);

  int32_t TextWidth(const UnicodeString& Text);
  int32_t TextHeight(const UnicodeString& Text);
  // Draws Text at (X, Y) (its top left corner), unclipped by a rectangle.
  void TextOut(int32_t X, int32_t Y, const UnicodeString& Text);
  void DrawText(const UnicodeString& Text, const TRect& Rect, uint32_t Flags);
  void DrawFocusRect(const TRect& Rect);

  // Draws Picture with its top left corner at (X, Y), or stretched over Rect.
  void Draw(int32_t X, int32_t Y, const TBitmap& Picture);
  void StretchDraw(const TRect& Rect, const TBitmap& Picture);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  TPoint penPos_;
};

}  // namespace kx::platform::ui
