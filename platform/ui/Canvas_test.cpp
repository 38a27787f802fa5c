#include "platform/ui/Canvas.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <climits>

#include "tests/support/QtTestApplication.h"

namespace ui = kx::platform::ui;
using ui::TCanvas;

namespace {

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override { kx::testing::QtTestApplication(); }

  // The box of pixels inside Area that differ from Background; (0,0,0,0)
  // when there are none.
  static TRect Ink(TCanvas& canvas, TRect area = TRect(), TColor background = clWhite) {
    if (area == TRect()) area = TRect(0, 0, canvas.Width(), canvas.Height());
    TRect box(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
    for (int32_t y = area.Top; y < area.Bottom; ++y)
      for (int32_t x = area.Left; x < area.Right; ++x)
        if (canvas.Pixel(x, y) != background) {
          box.Left = std::min(box.Left, x);
          box.Top = std::min(box.Top, y);
          box.Right = std::max(box.Right, x + 1);
          box.Bottom = std::max(box.Bottom, y + 1);
        }
    return box.Left == INT32_MAX ? TRect() : box;
  }
};

TEST_F(CanvasTest, FillRectLeavesOutItsRightColumnAndBottomRow) {
  TCanvas canvas(10, 10);
  canvas.Brush.Color = clRed;
  canvas.FillRect(TRect(2, 3, 5, 7));
  EXPECT_EQ(Ink(canvas), TRect(2, 3, 5, 7));
  canvas.FillRect(TRect(5, 5, 5, 9));  // empty
  canvas.Brush.Style = ui::bsClear;
  canvas.FillRect(TRect(0, 0, 10, 10));
  EXPECT_EQ(Ink(canvas), TRect(2, 3, 5, 7));
}

TEST_F(CanvasTest, RectangleDrawsItsOutlineInsideTheBounds) {
  TCanvas canvas(10, 10);
  canvas.Pen.Color = clBlack;
  canvas.Brush.Color = clRed;
  canvas.Rectangle(1, 2, 6, 8);
  EXPECT_EQ(Ink(canvas), TRect(1, 2, 6, 8));
  EXPECT_EQ(canvas.Pixel(1, 2), clBlack);
  EXPECT_EQ(canvas.Pixel(5, 7), clBlack);
  EXPECT_EQ(canvas.Pixel(2, 3), clRed);
  EXPECT_EQ(canvas.Pixel(4, 6), clRed);

  TCanvas round(20, 20);
  round.Pen.Color = clBlack;
  round.Brush.Color = clRed;
  round.RoundRect(2, 2, 18, 16, 6, 6);
  EXPECT_EQ(Ink(round), TRect(2, 2, 18, 16));
  EXPECT_EQ(round.Pixel(10, 2), clBlack);  // straight edges lie on the bounds
  EXPECT_EQ(round.Pixel(17, 9), clBlack);
  EXPECT_EQ(round.Pixel(2, 2), clWhite);   // the corner is cut
  EXPECT_EQ(round.Pixel(10, 9), clRed);
}

TEST_F(CanvasTest, LineToLeavesOutItsEndPoint) {
  struct Case { TPoint from, to; TRect ink; };
  const Case cases[] = {
      {{1, 1}, {5, 1}, {1, 1, 5, 2}},
      {{5, 1}, {1, 1}, {2, 1, 6, 2}},
      {{2, 0}, {2, 4}, {2, 0, 3, 4}},
      {{2, 4}, {2, 0}, {2, 1, 3, 5}},
      {{0, 0}, {4, 4}, {0, 0, 4, 4}},
      {{3, 3}, {3, 3}, {}},
  };
  for (const auto& c : cases) {
    TCanvas canvas(8, 8);
    canvas.Pen.Color = clBlack;
    canvas.MoveTo(c.from.X, c.from.Y);
    canvas.LineTo(c.to.X, c.to.Y);
    EXPECT_EQ(Ink(canvas), c.ink) << c.from.X << "," << c.from.Y << " -> " << c.to.X << "," << c.to.Y;
    EXPECT_EQ(canvas.PenPos(), c.to);
  }
  TCanvas clear(8, 8);
  clear.Pen.Style = ui::psClear;
  clear.LineTo(5, 5);
  EXPECT_EQ(Ink(clear), TRect());
}

TEST_F(CanvasTest, FocusRectInvertsEverySecondOutlinePixelAndUndoesItself) {
  TCanvas canvas(10, 10);
  canvas.Brush.Color = RGB(10, 20, 30);
  canvas.FillRect(TRect(0, 0, 10, 10));
  canvas.DrawFocusRect(TRect(1, 1, 7, 6));
  EXPECT_EQ(canvas.Pixel(1, 1), RGB(245, 235, 225));  // x + y even: inverted
  EXPECT_EQ(canvas.Pixel(2, 1), RGB(10, 20, 30));
  EXPECT_EQ(canvas.Pixel(6, 4), RGB(245, 235, 225));  // right column, bottom row - 1
  EXPECT_EQ(canvas.Pixel(5, 5), RGB(245, 235, 225));
  EXPECT_EQ(canvas.Pixel(3, 3), RGB(10, 20, 30));      // inside stays
  EXPECT_EQ(canvas.Pixel(7, 1), RGB(10, 20, 30));      // the right column is outside
  canvas.DrawFocusRect(TRect(1, 1, 7, 6));
  EXPECT_EQ(Ink(canvas, TRect(), RGB(10, 20, 30)), TRect());
}

TEST_F(CanvasTest, ClipRectLimitsDrawingUntilRestored) {
  TCanvas canvas(10, 10);
  canvas.Brush.Color = clBlack;
  canvas.SaveState();
  canvas.SetClipRect(TRect(2, 2, 4, 4));
  canvas.FillRect(TRect(0, 0, 10, 10));
  EXPECT_EQ(Ink(canvas), TRect(2, 2, 4, 4));
  canvas.RestoreState();
  EXPECT_EQ(canvas.ClipRect(), TRect(0, 0, 10, 10));
  canvas.FillRect(TRect(8, 8, 9, 9));
  EXPECT_EQ(Ink(canvas), TRect(2, 2, 9, 9));
}

TEST_F(CanvasTest, DrawTextAlignsCentresElidesAndClips) {
  const TRect box(10, 10, 190, 40);
  struct Case { uint32_t flags; const char* what; };
  const Case cases[] = {{ui::DT_LEFT, "left"}, {ui::DT_CENTER, "centre"}, {ui::DT_RIGHT, "right"}};
  for (const auto& c : cases) {
    TCanvas canvas(200, 50);
    canvas.Brush.Style = ui::bsClear;
    canvas.Font.SetColor(clBlack);
    canvas.DrawText(u"Process", box, c.flags | ui::DT_SINGLELINE | ui::DT_VCENTER | ui::DT_NOPREFIX);
    const TRect ink = Ink(canvas);
    ASSERT_NE(ink, TRect()) << c.what;
    const int32_t width = canvas.TextWidth(u"Process");
    EXPECT_GT(width, 20);
    if (c.flags == ui::DT_LEFT) {
      EXPECT_LE(ink.Left, box.Left + 2) << c.what;
    } else if (c.flags == ui::DT_RIGHT) {
      EXPECT_GE(ink.Right, box.Right - 3) << c.what;
    } else {
      EXPECT_LE(std::abs((ink.Left + ink.Right) - (box.Left + box.Right)), 4) << c.what;
    }
    EXPECT_LE(std::abs((ink.Top + ink.Bottom) - (box.Top + box.Bottom)), 6) << c.what;
  }

  TCanvas narrow(100, 30);
  narrow.Brush.Style = ui::bsClear;
  narrow.DrawText(u"Generate new document id", TRect(5, 5, 45, 25),
                  ui::DT_SINGLELINE | ui::DT_END_ELLIPSIS | ui::DT_NOPREFIX);
  const TRect ink = Ink(narrow);
  EXPECT_NE(ink, TRect());
  EXPECT_GE(ink.Left, 5);
  EXPECT_LE(ink.Right, 45);

  // A solid brush fills the text's box first.
  TCanvas opaque(100, 30);
  opaque.Brush.Color = clRed;
  opaque.DrawText(u"Ok", TRect(0, 0, 100, 30), ui::DT_SINGLELINE | ui::DT_NOPREFIX);
  EXPECT_EQ(opaque.Pixel(0, 1), clRed);
}

TEST_F(CanvasTest, PrefixMarksTheNextCharacterUnlessSwitchedOff) {
  TCanvas prefix(200, 30), plain(200, 30);
  for (TCanvas* c : {&prefix, &plain}) c->Brush.Style = ui::bsClear;
  prefix.DrawText(u"&&&&&&&&", TRect(0, 0, 200, 30), ui::DT_SINGLELINE);
  plain.DrawText(u"&&&&&&&&", TRect(0, 0, 200, 30), ui::DT_SINGLELINE | ui::DT_NOPREFIX);
  // "&&" is one "&": half the width.
  const TRect a = Ink(prefix), b = Ink(plain);
  EXPECT_LT(a.Right - a.Left, (b.Right - b.Left) * 2 / 3);
}

TEST_F(CanvasTest, DrawsPicturesAndKeepsWhatFitsWhenResized) {
  QImage picture(3, 2, QImage::Format_RGB32);
  picture.fill(QColor(0, 0, 255));
  TCanvas canvas(10, 10);
  const ui::TBitmap bitmap(picture);
  canvas.Draw(4, 5, bitmap);
  EXPECT_EQ(Ink(canvas), TRect(4, 5, 7, 7));
  EXPECT_EQ(canvas.Pixel(4, 5), RGB(0, 0, 255));
  canvas.StretchDraw(TRect(0, 0, 2, 4), bitmap);
  EXPECT_EQ(Ink(canvas, TRect(0, 0, 3, 10)), TRect(0, 0, 2, 4));
  canvas.SetSize(5, 6);
  EXPECT_EQ(canvas.Image().size(), QSize(5, 6));
  EXPECT_EQ(canvas.Pixel(4, 5), RGB(0, 0, 255));
  EXPECT_EQ(canvas.Pixel(5, 5), clNone);
}

}  // namespace
