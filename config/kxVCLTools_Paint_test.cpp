#include "config/kxVCLTools_Paint.h"

#include <gtest/gtest.h>

#include "tests/support/QtTestApplication.h"

namespace {

using kx::platform::ui::TCanvas;

constexpr TColor kGrey = RGB(0x77, 0x77, 0x77);

class GradientPaintTest : public ::testing::Test {
 protected:
  void SetUp() override { kx::testing::QtTestApplication(); }
  static std::unique_ptr<TCanvas> Canvas(int32_t w, int32_t h) {
    auto canvas = std::make_unique<TCanvas>(w, h);
    canvas->Brush.Color = kGrey;
    canvas->FillRect(TRect(0, 0, w, h));
    return canvas;
  }
};

TEST_F(GradientPaintTest, SegmentLinesRoundHalvesToEvenAndReachTheFarEdge) {
  struct Case {
    const char* what;
    TGradientOrientation orientation;
    TColor c1, c2;
    bool reverse;
    std::vector<uint8_t> reds;  // lines 0..N
  };
  const std::vector<Case> cases = {
      {"2.5 rounds to 2, 7.5 to 8", goLeft2Right, RGB(0, 0, 0), RGB(10, 0, 0), false, {0, 2, 5, 8, 10}},
      {"reversed", goLeft2Right, RGB(0, 0, 0), RGB(10, 0, 0), true, {10, 8, 5, 2, 0}},
      {"top to bottom", goTop2Bottom, RGB(0, 0, 0), RGB(10, 0, 0), false, {0, 2, 5, 8, 10}},
  };
  for (const auto& c : cases) {
    auto canvas = Canvas(8, 8);
    const TRect r(1, 1, 5, 5);  // N = 4
    kxVCLTools::DrawGradientSegment(*canvas, r, c.c1, c.c2, c.orientation, c.reverse);
    for (int32_t i = 0; i <= 4; ++i) {
      const bool across = c.orientation == goLeft2Right;
      const int32_t x = across ? 1 + i : 2, y = across ? 2 : 1 + i;
      EXPECT_EQ(canvas->Pixel(x, y), RGB(c.reds[size_t(i)], 0, 0)) << c.what << " line " << i;
    }
    // A line runs from the near edge up to, not onto, the opposite one.
    if (c.orientation == goLeft2Right) {
      EXPECT_EQ(canvas->Pixel(5, 1), RGB(c.reds[4], 0, 0)) << c.what;
      EXPECT_EQ(canvas->Pixel(5, 5), kGrey) << c.what;
    } else {
      EXPECT_EQ(canvas->Pixel(4, 5), RGB(c.reds[4], 0, 0)) << c.what;
      EXPECT_EQ(canvas->Pixel(5, 5), kGrey) << c.what;
    }
  }
  auto flat = Canvas(4, 4);
  kxVCLTools::DrawGradientSegment(*flat, TRect(1, 1, 1, 3), clBlack, clWhite, goLeft2Right, false);
  EXPECT_EQ(flat->Pixel(1, 1), kGrey);
}

TEST_F(GradientPaintTest, RadialSegmentColoursPixelsCloserThanTheRadius) {
  auto canvas = Canvas(12, 12);
  kxVCLTools::DrawGradientSegment(*canvas, TRect(0, 0, 10, 10), RGB(0, 0, 0), RGB(100, 0, 0),
                                  goRadInner2Outer, false);
  EXPECT_EQ(canvas->Pixel(5, 5), RGB(0, 0, 0));     // the centre
  EXPECT_EQ(canvas->Pixel(5, 1), RGB(80, 0, 0));    // distance 4 of 5
  EXPECT_EQ(canvas->Pixel(8, 8), RGB(85, 0, 0));    // 4.24: 84.85
  EXPECT_EQ(canvas->Pixel(5, 0), kGrey);            // at the radius
  EXPECT_EQ(canvas->Pixel(0, 0), kGrey);
  auto thin = Canvas(4, 4);
  kxVCLTools::DrawGradientSegment(*thin, TRect(0, 0, 4, 1), clBlack, clWhite, goRadInner2Outer, false);
  EXPECT_EQ(thin->Pixel(0, 0), kGrey);
}

TEST_F(GradientPaintTest, GradientSegmentsAndTheUnpaintedRest) {
  auto canvas = Canvas(103, 4);
  TGradRow colors = {RGB(0, 0, 0), RGB(99, 0, 0), RGB(0, 99, 0), RGB(0, 0, 99)};
  kxVCLTools::DrawGradient(*canvas, TRect(1, 0, 102, 4), colors, goLeft2Right, false);
  EXPECT_EQ(canvas->Pixel(1, 0), RGB(0, 0, 0));
  EXPECT_EQ(canvas->Pixel(1 + 16, 0), RGB(48, 0, 0));  // 99 / 33 * 16 = 48
  EXPECT_EQ(canvas->Pixel(1 + 33, 0), RGB(99, 0, 0));  // where segments 0 and 1 meet
  EXPECT_EQ(canvas->Pixel(1 + 66, 3), RGB(0, 99, 0));
  EXPECT_EQ(canvas->Pixel(1 + 99, 0), RGB(0, 0, 99));  // lines 0..99
  EXPECT_EQ(canvas->Pixel(1 + 100, 0), kGrey);         // the last column stays
  EXPECT_EQ(canvas->Pixel(0, 0), kGrey);

  TGradRow reversed = {clBlack, clWhite};
  auto down = Canvas(4, 12);
  kxVCLTools::DrawGradient(*down, TRect(0, 0, 4, 10), reversed, goTop2Bottom, true);
  EXPECT_EQ(reversed, (TGradRow{clWhite, clBlack}));  // the caller's list is reversed
  EXPECT_EQ(down->Pixel(0, 0), clWhite);
  EXPECT_EQ(down->Pixel(0, 10), clBlack);

  for (auto [row, orientation] : {std::pair{TGradRow{clBlack}, goLeft2Right},
                                  std::pair{TGradRow{clBlack, clWhite}, goRadInner2Outer}}) {
    auto untouched = Canvas(10, 10);
    kxVCLTools::DrawGradient(*untouched, TRect(0, 0, 10, 10), row, orientation, false);
    EXPECT_EQ(untouched->Pixel(5, 5), kGrey);
  }
}

}  // namespace
