#include "config/XPGraphUtil.h"

#include <gtest/gtest.h>

#include <QImage>

#include "tests/support/QtTestApplication.h"

namespace {

using kx::platform::ui::TCanvas;
using namespace XPGraphUtil;

constexpr TColor kGrey = RGB(0x77, 0x77, 0x77);  // the untouched background

class XPGraphUtilTest : public ::testing::Test {
 protected:
  void SetUp() override { kx::testing::QtTestApplication(); }
  static std::unique_ptr<TCanvas> Canvas(int32_t w, int32_t h) {
    auto canvas = std::make_unique<TCanvas>(w, h);
    canvas->Brush.Color = kGrey;
    canvas->FillRect(TRect(0, 0, w, h));
    return canvas;
  }
};

TEST_F(XPGraphUtilTest, DarkenColorClampsEachChannel) {
  struct Case { TColor color; int32_t amount; TColor want; };
  const Case cases[] = {
      {RGB(10, 100, 250), 15, RGB(0, 85, 235)},
      {RGB(10, 100, 250), -30, RGB(40, 130, 255)},
      {clBtnFace, 15, RGB(225, 225, 225)},  // a system colour through its RGB
      {clWhite, 0, clWhite},
  };
  for (const auto& c : cases) EXPECT_EQ(DarkenColor(c.color, c.amount), c.want) << c.color << " " << c.amount;
}

TEST_F(XPGraphUtilTest, GradientFillBandsAtTheirEdges) {
  const TColor black = clBlack, white = clWhite, red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
  struct Probe { int32_t at; TColor want; };
  struct Case {
    const char* what;
    TFillDirection dir;
    int32_t size, colors;
    TColor start, end;
    std::vector<Probe> probes;  // along the direction's axis, from the top or left
  };
  const std::vector<Case> cases = {
      {"60 colours over 30 rows: one row each", fdTopToBottom, 30, 60, black, white,
       {{0, black}, {1, RGB(9, 9, 9)}, {15, RGB(132, 132, 132)}, {29, white}}},
      {"one row: no bands, the remainder in the last colour", fdTopToBottom, 1, 60, black, white, {{0, white}}},
      {"one row reversed: the start colour", fdBottomToTop, 1, 60, black, white, {{0, black}}},
      {"one colour fills the start colour", fdTopToBottom, 10, 1, red, blue, {{0, red}, {9, red}}},
      {"bottom to top: the start colour at the bottom", fdBottomToTop, 10, 2, red, blue,
       {{0, blue}, {4, blue}, {5, red}, {9, red}}},
      {"remainder at the far edge, halves away from zero", fdTopToBottom, 10, 3, black, white,
       {{0, black}, {2, black}, {3, RGB(128, 128, 128)}, {8, white}, {9, white}}},
      {"a falling ramp", fdTopToBottom, 3, 3, white, black, {{0, white}, {1, RGB(127, 127, 127)}, {2, black}}},
      {"left to right", fdLeftToRight, 7, 2, red, blue, {{0, red}, {2, red}, {3, blue}, {6, blue}}},
      {"right to left with remainder", fdRightToLeft, 7, 3, red, blue,
       {{0, blue}, {2, RGB(128, 0, 127)}, {3, RGB(128, 0, 127)}, {4, red}, {6, red}}},
  };
  for (const auto& c : cases) {
    const bool vertical = c.dir == fdTopToBottom || c.dir == fdBottomToTop;
    auto canvas = vertical ? Canvas(4, c.size + 2) : Canvas(c.size + 2, 4);
    const TRect rect = vertical ? TRect(1, 1, 3, 1 + c.size) : TRect(1, 1, 1 + c.size, 3);
    GradientFill(*canvas, rect, c.start, c.end, c.dir, c.colors);
    for (const auto& p : c.probes) {
      const int32_t x = vertical ? 1 : 1 + p.at, y = vertical ? 1 + p.at : 1;
      EXPECT_EQ(canvas->Pixel(x, y), p.want) << c.what << " at " << p.at;
    }
    // Nothing outside the rectangle.
    EXPECT_EQ(canvas->Pixel(0, 0), kGrey) << c.what;
    EXPECT_EQ(vertical ? canvas->Pixel(1, c.size + 1) : canvas->Pixel(c.size + 1, 1), kGrey) << c.what;
    EXPECT_EQ(vertical ? canvas->Pixel(3, 1) : canvas->Pixel(1, 3), kGrey) << c.what;
  }
  auto canvas = Canvas(4, 4);
  GradientFill(*canvas, TRect(2, 2, 2, 4), red, blue, fdTopToBottom, 4);
  EXPECT_EQ(canvas->Pixel(2, 2), kGrey);
}

TEST_F(XPGraphUtilTest, FromCentreSplitsAtHalfTheSize) {
  const TColor start = RGB(0, 0, 0), end = RGB(200, 200, 200);
  auto v = Canvas(3, 21);
  GradientFillRect(*v, TRect(0, 0, 3, 21), start, end, fdVerticalFromCenter, 60);
  EXPECT_EQ(v->Pixel(0, 0), start);
  EXPECT_EQ(v->Pixel(0, 9), end);    // last row of the upper half (10 rows)
  EXPECT_EQ(v->Pixel(0, 10), end);   // first row of the lower half (11 rows)
  EXPECT_EQ(v->Pixel(0, 20), start);
  auto h = Canvas(20, 3);
  GradientFillRect(*h, TRect(0, 0, 20, 3), start, end, fdHorizFromCenter, 60);
  EXPECT_EQ(h->Pixel(0, 1), start);
  EXPECT_EQ(h->Pixel(9, 1), end);
  EXPECT_EQ(h->Pixel(10, 1), end);
  EXPECT_EQ(h->Pixel(19, 1), start);
  auto straight = Canvas(3, 10);
  GradientFillRect(*straight, TRect(0, 0, 3, 10), start, end, fdBottomToTop, 60);
  EXPECT_EQ(straight->Pixel(0, 9), start);
}

TEST_F(XPGraphUtilTest, XPFillFramesBodyEdgesAndCorner) {
  const TColor S = RGB(200, 210, 220), E = RGB(100, 110, 120);
  auto canvas = Canvas(60, 50);
  const TRect r(5, 5, 45, 35);
  canvas->SetPixel(5, 35, clRed);  // left of the left strip's row at Bottom
  GradientFillRect(*canvas, r, S, E, fdXP, 60);
  EXPECT_EQ(canvas->Pixel(20, 11), E);                   // the body's first row
  EXPECT_EQ(canvas->Pixel(20, 34), E);                   // the bottom strip's last row
  EXPECT_EQ(canvas->Pixel(44, 28), S);                   // where body and bottom strip meet
  EXPECT_EQ(canvas->Pixel(20, 5), S);                    // top line, one row: the ramp's end
  EXPECT_EQ(canvas->Pixel(20, 6), S);                    // top strip from S ...
  EXPECT_EQ(canvas->Pixel(20, 10), E);                   // ... to E
  EXPECT_EQ(canvas->Pixel(5, 20), S);                    // the outer column: one pixel, the ramp's end
  for (int32_t i = 0; i < 6; ++i)                        // the corner's columns take the colour below them
    EXPECT_EQ(canvas->Pixel(5 + i, 5 + i + 1), canvas->Pixel(5 + i, 5 + 7)) << i;
  EXPECT_EQ(canvas->Pixel(4, 20), kGrey);
  EXPECT_EQ(canvas->Pixel(45, 20), kGrey);
  EXPECT_EQ(canvas->Pixel(6, 35), clRed);                // the left strip's rows run to Bottom inclusive
  EXPECT_EQ(canvas->Pixel(20, 35), kGrey);

  auto empty = Canvas(10, 10);
  GradientFillXP(*empty, TRect(5, 5, 5, 9), S, E, 60);
  EXPECT_EQ(empty->Pixel(5, 5), kGrey);
}

TEST_F(XPGraphUtilTest, TileBitmapRepeatsAndClipsToTheRectangle) {
  QImage bitmap(3, 2, QImage::Format_RGB32);
  bitmap.setPixel(0, 0, qRgb(255, 0, 0));
  bitmap.setPixel(1, 0, qRgb(0, 255, 0));
  bitmap.setPixel(2, 0, qRgb(0, 0, 255));
  for (int x = 0; x < 3; ++x) bitmap.setPixel(x, 1, qRgb(10, 10, 10));
  auto canvas = Canvas(12, 12);
  TileBitmap(*canvas, TRect(1, 1, 8, 6), TBitmap(bitmap));
  struct Probe { int32_t x, y; TColor want; };
  const Probe probes[] = {
      {1, 1, RGB(255, 0, 0)}, {4, 1, RGB(255, 0, 0)}, {7, 3, RGB(255, 0, 0)}, {7, 5, RGB(255, 0, 0)},
      {5, 2, RGB(10, 10, 10)}, {2, 5, RGB(0, 255, 0)},
      {8, 5, kGrey}, {7, 6, kGrey}, {0, 1, kGrey},  // cut by the rectangle
  };
  for (const auto& p : probes) EXPECT_EQ(canvas->Pixel(p.x, p.y), p.want) << p.x << "," << p.y;
  EXPECT_EQ(canvas->ClipRect(), TRect(0, 0, 12, 12));

  auto untouched = Canvas(4, 4);
  TileBitmap(*untouched, TRect(0, 0, 4, 4), TBitmap());
  EXPECT_EQ(untouched->Pixel(0, 0), kGrey);
}

}  // namespace
