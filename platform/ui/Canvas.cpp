#include "platform/ui/Canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/ui/Fonts.h"
#include "platform/ui/QtConvert.h"

namespace kx::platform::ui {

QFont ToQFont(const TFont& Font) {
  const int pixels = std::max(1, std::abs(Font.Height()));
  // Tahoma through the forms' font, which makes sure Qt has it.
  QFont font = Font.Name() == u"Tahoma" ? FormFont(pixels) : QFont(ToQString(Font.Name()));
  font.setPixelSize(pixels);
  const TFontStyles style = Font.Style();
  font.setBold((style & FontStyle(fsBold)) != 0);
  font.setItalic((style & FontStyle(fsItalic)) != 0);
  font.setUnderline((style & FontStyle(fsUnderline)) != 0);
  font.setStrikeOut((style & FontStyle(fsStrikeOut)) != 0);
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

TFont FromQFont(const QFont& Font, TColor Color) {
  TFont font;
  font.SetName(FromQString(Font.family()));
  if (Font.pixelSize() > 0)
    font.SetHeight(-Font.pixelSize());
  else if (Font.pointSize() > 0)
    font.SetSize(Font.pointSize());
  TFontStyles style = 0;
  if (Font.bold()) style |= FontStyle(fsBold);
  if (Font.italic()) style |= FontStyle(fsItalic);
  if (Font.underline()) style |= FontStyle(fsUnderline);
  if (Font.strikeOut()) style |= FontStyle(fsStrikeOut);
  font.SetStyle(style);
  font.SetColor(Color);
  return font;
}

namespace {

// Every value paints: what is no colour paints black, as on the platform.
QColor PaintColor(TColor Color) {
  const int32_t rgb = ColorToRGB(Color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

QRect ToQRect(const TRect& Rect) {
  return QRect(Rect.Left, Rect.Top, Rect.Right - Rect.Left, Rect.Bottom - Rect.Top);
}

TRect Intersect(const TRect& A, const TRect& B) {
  return TRect(std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
               std::min(A.Bottom, B.Bottom));
}

}  // namespace

struct TCanvas::Impl {
  QImage image;
  std::unique_ptr<QPainter> painter;
  TRect clip;
  std::vector<TRect> saved;

  explicit Impl(int32_t w, int32_t h)
      : image(std::max(0, w), std::max(0, h), QImage::Format_RGB32), clip(0, 0, std::max(0, w), std::max(0, h)) {
    image.fill(Qt::white);
  }

  // The painter, begun on the image with the current clip.
  QPainter& P() {
    if (!painter) {
      painter = std::make_unique<QPainter>(&image);
      painter->setRenderHint(QPainter::Antialiasing, false);
      painter->setRenderHint(QPainter::TextAntialiasing, false);
      painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
      ApplyClip();
    }
    return *painter;
  }
  void ApplyClip() {
    if (painter) painter->setClipRect(ToQRect(clip));
  }
  void End() { painter.reset(); }

  // Fills columns L..R-1 and rows T..B-1, clipped.
  void Fill(int32_t L, int32_t T, int32_t R, int32_t B, const QColor& Color) {
    if (R <= L || B <= T) return;
    P().fillRect(QRect(L, T, R - L, B - T), Color);
  }
};

TCanvas::TCanvas(int32_t Width, int32_t Height) : impl_(std::make_unique<Impl>(Width, Height)) {}
TCanvas::~TCanvas() = default;

int32_t TCanvas::Width() const { return impl_->image.width(); }
int32_t TCanvas::Height() const { return impl_->image.height(); }

void TCanvas::SetSize(int32_t Width, int32_t Height) {
  Width = std::max(0, Width);
  Height = std::max(0, Height);
  if (Width == this->Width() && Height == this->Height()) return;
  impl_->End();
  QImage next(Width, Height, QImage::Format_RGB32);
  next.fill(Qt::white);
  {
    QPainter copy(&next);
    copy.drawImage(0, 0, impl_->image);
  }
  impl_->image = std::move(next);
  impl_->clip = TRect(0, 0, Width, Height);
  impl_->saved.clear();
}

const QImage& TCanvas::Image() {
  // A copy taken by the caller must not share a buffer a painter draws into.
  impl_->End();
  return impl_->image;
}

TRect TCanvas::ClipRect() const { return impl_->clip; }

void TCanvas::SetClipRect(const TRect& Rect) {
  impl_->clip = Intersect(Rect, TRect(0, 0, Width(), Height()));
  impl_->ApplyClip();
}

void TCanvas::SaveState() { impl_->saved.push_back(impl_->clip); }

void TCanvas::RestoreState() {
  if (impl_->saved.empty()) return;
  impl_->clip = impl_->saved.back();
  impl_->saved.pop_back();
  impl_->ApplyClip();
}

void TCanvas::FillRect(const TRect& Rect) {
  if (Brush.Style == bsClear) return;
  impl_->Fill(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom, PaintColor(Brush.Color));
}

void TCanvas::Rectangle(int32_t L, int32_t T, int32_t R, int32_t B) {
  if (R <= L || B <= T) return;
  const bool pen = Pen.Style != psClear;
  if (Brush.Style != bsClear) {
    if (pen)
      impl_->Fill(L + 1, T + 1, R - 1, B - 1, PaintColor(Brush.Color));
    else
      impl_->Fill(L, T, R, B, PaintColor(Brush.Color));
  }
  if (!pen) return;
  const QColor c = PaintColor(Pen.Color);
  impl_->Fill(L, T, R, T + 1, c);
  impl_->Fill(L, B - 1, R, B, c);
  impl_->Fill(L, T, L + 1, B, c);
  impl_->Fill(R - 1, T, R, B, c);
}

void TCanvas::RoundRect(int32_t L, int32_t T, int32_t R, int32_t B, int32_t CornerWidth,
                        int32_t CornerHeight) {
  if (R <= L || B <= T) return;
  QPainter& p = impl_->P();
  p.save();
  if (Pen.Style == psClear)
    p.setPen(Qt::NoPen);
  else
    p.setPen(QPen(PaintColor(Pen.Color), 0));
  if (Brush.Style == bsClear)
    p.setBrush(Qt::NoBrush);
  else
    p.setBrush(PaintColor(Brush.Color));
  // A cosmetic pen on QRect(L, T, w - 1, h - 1) covers columns L..R-1.
  p.drawRoundedRect(QRect(L, T, R - L - 1, B - T - 1), CornerWidth / 2.0, CornerHeight / 2.0);
  p.restore();
}

void TCanvas::MoveTo(int32_t X, int32_t Y) { penPos_ = TPoint(X, Y); }

void TCanvas::LineTo(int32_t X, int32_t Y) {
  const TPoint from = penPos_;
  penPos_ = TPoint(X, Y);
  if (Pen.Style == psClear || (from.X == X && from.Y == Y)) return;
  const QColor c = PaintColor(Pen.Color);
  if (from.Y == Y) {
    if (X > from.X)
      impl_->Fill(from.X, Y, X, Y + 1, c);
    else
      impl_->Fill(X + 1, Y, from.X + 1, Y + 1, c);
    return;
  }
  if (from.X == X) {
    if (Y > from.Y)
      impl_->Fill(X, from.Y, X + 1, Y, c);
    else
      impl_->Fill(X, Y + 1, X + 1, from.Y + 1, c);
    return;
  }
  // Bresenham, end point left out.
  int32_t x = from.X, y = from.Y;
  const int32_t dx = std::abs(X - x), dy = -std::abs(Y - y);
  const int32_t sx = x < X ? 1 : -1, sy = y < Y ? 1 : -1;
  int32_t err = dx + dy;
  while (x != X || y != Y) {
    impl_->Fill(x, y, x + 1, y + 1, c);
    const int32_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

TColor TCanvas::Pixel(int32_t X, int32_t Y) {
  if (X < 0 || Y < 0 || X >= Width() || Y >= Height()) return clNone;
  // The raster painter draws straight into the image's buffer.
  const QRgb p = std::as_const(impl_->image).pixel(X, Y);
  return RGB(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p)));
}

void TCanvas::SetPixel(int32_t X, int32_t Y, TColor Color) { impl_->Fill(X, Y, X + 1, Y + 1, PaintColor(Color)); }

int32_t TCanvas::TextWidth(const UnicodeString& Text) {
  return QFontMetrics(ToQFont(Font)).horizontalAdvance(ToQString(Text));
}

int32_t TCanvas::TextHeight(const UnicodeString& Text) {
  (void)Text;
  return QFontMetrics(ToQFont(Font)).height();
}

void TCanvas::TextOut(int32_t X, int32_t Y, const UnicodeString& Text) {
  const QString text = ToQString(Text);
  const QFont font = ToQFont(Font);
  const QFontMetrics metrics(font);
  QPainter& p = impl_->P();
  if (Brush.Style != bsClear)
    p.fillRect(QRect(X, Y, metrics.horizontalAdvance(text), metrics.height()), PaintColor(Brush.Color));
  p.setFont(font);
  p.setPen(PaintColor(Font.Color()));
  p.drawText(X, Y + metrics.ascent(), text);
}

void TCanvas::DrawText(const UnicodeString& Text, const TRect& Rect, uint32_t Flags) {
  if (Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top) return;
  const QFont font = ToQFont(Font);
  const QFontMetrics metrics(font);
  int qtFlags = 0;
  if ((Flags & DT_CENTER) != 0)
    qtFlags |= Qt::AlignHCenter;
  else if ((Flags & DT_RIGHT) != 0)
    qtFlags |= Qt::AlignRight;
  else
    qtFlags |= Qt::AlignLeft;
  const bool single = (Flags & DT_SINGLELINE) != 0;
  if (single) qtFlags |= Qt::TextSingleLine;
  qtFlags |= (single && (Flags & DT_VCENTER) != 0) ? Qt::AlignVCenter : Qt::AlignTop;
  qtFlags |= (Flags & DT_NOPREFIX) != 0 ? 0 : Qt::TextShowMnemonic;
  const QRect rect = ToQRect(Rect);
  QString text = ToQString(Text);
  if ((Flags & DT_END_ELLIPSIS) != 0)
    text = metrics.elidedText(text, Qt::ElideRight, rect.width(), qtFlags & Qt::TextShowMnemonic);
  QPainter& p = impl_->P();
  p.save();
  p.setClipRect(ToQRect(Intersect(Rect, impl_->clip)));
  p.setFont(font);
  if (Brush.Style != bsClear) p.fillRect(p.boundingRect(rect, qtFlags, text), PaintColor(Brush.Color));
  p.setPen(PaintColor(Font.Color()));
  p.drawText(rect, qtFlags, text);
  p.restore();
}

void TCanvas::DrawFocusRect(const TRect& Rect) {
  if (Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top) return;
  QPainter& p = impl_->P();
  p.save();
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  const QColor white(255, 255, 255);
  auto invert = [&](int32_t x, int32_t y) {
    if (((x + y) & 1) == 0) p.fillRect(QRect(x, y, 1, 1), white);
  };
  for (int32_t x = Rect.Left; x < Rect.Right; ++x) {
    invert(x, Rect.Top);
    if (Rect.Bottom - 1 > Rect.Top) invert(x, Rect.Bottom - 1);
  }
  for (int32_t y = Rect.Top + 1; y < Rect.Bottom - 1; ++y) {
    invert(Rect.Left, y);
    if (Rect.Right - 1 > Rect.Left) invert(Rect.Right - 1, y);
  }
  p.restore();
}

void TCanvas::Draw(int32_t X, int32_t Y, const TBitmap& Picture) {
  if (Picture.Empty()) return;
  impl_->P().drawImage(QPoint(X, Y), Picture.Image());
}

void TCanvas::StretchDraw(const TRect& Rect, const TBitmap& Picture) {
  if (Picture.Empty() || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top) return;
  impl_->P().drawImage(ToQRect(Rect), Picture.Image());
}

}  // namespace kx::platform::ui
