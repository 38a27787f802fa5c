#include "config/xpPages.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>

#include "platform/ui/QtConvert.h"
#include "tests/support/QtTestApplication.h"

namespace {

namespace ui = kx::platform::ui;

class PageControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kx::testing::QtTestApplication();
    pc_ = std::make_unique<TxpPageControl>();
    pc_->resize(529, 424);
    for (const char16_t* caption : {u"Process", u"DRAV", u"File", u"About"}) {
      auto* sheet = new TxpTabSheet(pc_.get());
      sheet->SetCaption(caption);
    }
  }
  TxpTabSheet* Page(int32_t i) { return pc_->Pages(i); }
  std::unique_ptr<TCanvas> Paint() {
    auto canvas = std::make_unique<TCanvas>(pc_->width(), pc_->height());
    pc_->PaintTo(*canvas);
    return canvas;
  }
  std::unique_ptr<TxpPageControl> pc_;
};

TEST_F(PageControlTest, PageAreaAndTabGeometry) {
  struct Case { int32_t tabHeight; QRect page; TRect border; };
  for (const Case& c : {Case{24, QRect(1, 24, 527, 399), TRect(0, 24, 529, 424)},
                        Case{22, QRect(1, 22, 527, 401), TRect(0, 22, 529, 424)}}) {
    pc_->SetTabHeight(c.tabHeight);
    EXPECT_EQ(Page(0)->geometry(), c.page) << c.tabHeight;
    EXPECT_EQ(pc_->BorderRect(), c.border) << c.tabHeight;
    EXPECT_EQ(pc_->AdjustRect(false, TRect(0, 0, 529, 424)),
              TRect(c.page.left(), c.page.top(), c.page.right() + 1, c.page.bottom() + 1));
    const TRect first = pc_->TabRect(0);
    EXPECT_EQ(first.Top, 2);
    EXPECT_EQ(first.Bottom, c.tabHeight);
    EXPECT_EQ(first.Left, 2);
  }
  // A tab is its caption's width plus the padding; tabs follow each other.
  const QFontMetrics metrics(Page(1)->font());
  const TRect drav = pc_->TabRect(1);
  EXPECT_EQ(drav.Right - drav.Left, metrics.horizontalAdvance(QStringLiteral("DRAV")) + TxpPageControl::kTabPadding);
  EXPECT_EQ(pc_->TabRect(0).Right, drav.Left);
  EXPECT_EQ(pc_->TabRect(9), TRect());
  EXPECT_EQ(pc_->CreateParams(), 0u);
  pc_->SetOwnerDraw(true);
  EXPECT_EQ(pc_->CreateParams(), 0x2000u);
}

TEST_F(PageControlTest, OnlyVisibleTabsCount) {
  Page(1)->SetTabVisible(false);
  EXPECT_EQ(pc_->TabCount(), 3);
  EXPECT_EQ(pc_->PageOfTab(1), Page(2));
  EXPECT_EQ(pc_->TabIndexOf(Page(1)), -1);
  EXPECT_EQ(pc_->TabIndexOf(Page(3)), 2);
  pc_->SetActivePage(Page(2));
  EXPECT_EQ(pc_->CurrentTab(), 1);
  EXPECT_EQ(pc_->ActivePageIndex(), 2);
  EXPECT_TRUE(Page(2)->isVisibleTo(pc_.get()));
  EXPECT_FALSE(Page(0)->isVisibleTo(pc_.get()));

  std::vector<std::pair<int32_t, TRect>> drawn;
  pc_->SetOwnerDraw(true);
  pc_->OnDrawItem = [&](QWidget* control, int32_t index, TCanvas&, const TRect& rect, TOwnerDrawState state) {
    EXPECT_EQ(control, pc_.get());
    EXPECT_EQ(state, 0);
    drawn.emplace_back(index, rect);
  };
  Paint();
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[1], std::make_pair(int32_t(2), pc_->TabRect(1)));  // page index, tab rectangle
}

TEST_F(PageControlTest, TopTabsFillTheirColoursOnTheBackground) {
  pc_->SetBackgroundColor(RGB(230, 230, 230));
  Page(2)->SetTabColor(RGB(0, 128, 0));
  pc_->SetActivePage(Page(1));
  auto canvas = Paint();
  const auto probe = [&](int32_t tab) {
    const TRect r = pc_->TabRect(tab);
    return canvas->Pixel(r.Left, r.Top - 1);  // inside the fill, away from the caption
  };
  EXPECT_EQ(probe(1), 12217663);                 // selected: red 63, green 109, blue 186
  EXPECT_EQ(probe(0), RGB(215, 215, 215));       // background darkened by 15
  EXPECT_EQ(probe(2), RGB(0, 128, 0));           // the page's tab colour
  EXPECT_EQ(canvas->Pixel(0, 0), RGB(230, 230, 230));
  EXPECT_EQ(canvas->Pixel(pc_->TabRect(3).Right - 2, 5), RGB(230, 230, 230));  // right of the fill
  EXPECT_EQ(canvas->Pixel(500, 5), RGB(230, 230, 230));

  // The selected caption is white; an unselected one has the font's colour.
  TFont font = Page(0)->Font();
  font.SetColor(RGB(200, 0, 0));
  Page(0)->SetFont(font);
  canvas = Paint();
  const auto count = [&](int32_t tab, TColor color) {
    const TRect r = pc_->TabRect(tab);
    int n = 0;
    for (int32_t y = r.Top; y < r.Bottom; ++y)
      for (int32_t x = r.Left; x < r.Right; ++x) n += canvas->Pixel(x, y) == color;
    return n;
  };
  EXPECT_GT(count(1, clWhite), 5);
  EXPECT_GT(count(0, RGB(200, 0, 0)), 5);
  EXPECT_EQ(count(0, clWhite), 0);  // the white pass lies under the final one

  // Style paints nothing differently.
  const QImage before = canvas->Image().copy();
  pc_->SetStyle(pcsXP);
  EXPECT_EQ(Paint()->Image(), before);
}

TEST_F(PageControlTest, BottomTabsKeepTheRowOnTopAndThePageFontsColour) {
  const TRect before = pc_->TabRect(1);
  pc_->SetTabPosition(tpBottom);
  EXPECT_EQ(pc_->TabRect(1), before);
  Page(0)->SetColor(RGB(250, 250, 250));
  pc_->SetBorderColor(RGB(1, 2, 3));
  pc_->SetActivePage(Page(0));
  auto canvas = Paint();
  const TRect sel = pc_->TabRect(0);
  // Selected: Bottom - 2 + 1 + 1, Left - 2, Right + 1; the outline in BorderColor.
  EXPECT_EQ(canvas->Pixel(sel.Left - 2, sel.Top + 1), RGB(1, 2, 3));
  EXPECT_EQ(canvas->Pixel(sel.Left, sel.Top + 3), RGB(250, 250, 250));
  EXPECT_EQ(canvas->Pixel(sel.Left + 1, sel.Top - 1), RGB(250, 250, 250));  // joined to the page
  // Not selected: darkened by 5, shading lines darkened by 20 and 10.
  const TRect other = pc_->TabRect(1);
  EXPECT_EQ(canvas->Pixel(other.Left + 1, other.Top + 3), RGB(250, 250, 250));  // page 1 is white - 5
  Page(1)->SetColor(RGB(200, 200, 200));
  canvas = Paint();
  EXPECT_EQ(canvas->Pixel(other.Left + 1, other.Top + 3), RGB(195, 195, 195));
  EXPECT_EQ(canvas->Pixel(other.Right - 3, other.Top + 5), RGB(175, 175, 175));
  EXPECT_EQ(canvas->Pixel(other.Right - 4, other.Top + 6), RGB(185, 185, 185));
  // The captions keep the page font's colour (black), selected or not: no
  // white from the first pass stays.
  for (const TRect& tab : {sel, other}) {
    int white = 0, black = 0;
    for (int32_t y = tab.Top; y < tab.Bottom; ++y)
      for (int32_t x = tab.Left; x < tab.Right; ++x) {
        white += canvas->Pixel(x, y) == clWhite;
        black += canvas->Pixel(x, y) == clBlack;
      }
    EXPECT_EQ(white, 0);
    EXPECT_GT(black, 5);
  }
}

TEST_F(PageControlTest, LeftAlignedCaptionsStartInTheShrunkRectangle) {
  pc_->SetTabTextAlignment(taLeftJustify);
  pc_->SetActivePage(Page(1));
  auto canvas = Paint();
  const TRect r = pc_->TabRect(1);
  int32_t first = INT32_MAX;
  for (int32_t y = r.Top; y < r.Bottom; ++y)
    for (int32_t x = r.Left; x < r.Right; ++x)
      if (canvas->Pixel(x, y) == clWhite) first = std::min(first, x);
  // The caption's rectangle: Left - 1 + 2 - 1.
  EXPECT_GE(first, r.Left);
  EXPECT_LE(first, r.Left + 3);
}

TEST_F(PageControlTest, ImageIndexesFollowTheImageList) {
  auto list = std::make_unique<TImageList>(16, 16);
  QImage red(16, 16, QImage::Format_RGB32);
  red.fill(QColor(255, 0, 0));
  list->Add(TBitmap(red));
  pc_->OnGlyphMap = [](QWidget*, int32_t page, int32_t& glyph) { glyph = 10 + page; };
  pc_->SetImageList(list.get());
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(Page(i)->ImageIndex(), i);
    EXPECT_EQ(pc_->TabImage(i), 10 + i);  // the glyph map
  }
  // The tab shows the page's image index, not the glyph: page 0 shows image 0.
  pc_->SetActivePage(Page(1));
  auto canvas = Paint();
  const TRect r = pc_->TabRect(0);
  const int32_t top = r.Top - 2;
  EXPECT_EQ(canvas->Pixel(r.Left - 1 + 4, (top + r.Bottom - 16) / 2 + 1), RGB(255, 0, 0));

  Page(2)->SetImageIndex(-5);
  EXPECT_EQ(Page(2)->ImageIndex(), -1);
  EXPECT_EQ(pc_->TabImage(2), -1);
  list->Clear();  // a change maps the glyphs again
  EXPECT_EQ(pc_->TabImage(2), 12);

  pc_->SetImageList(nullptr);
  for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(Page(i)->ImageIndex(), -1);

  TxpTabSheet loose;
  loose.SetImageIndex(3);  // no page control: not stored
  EXPECT_EQ(loose.ImageIndex(), -1);

  pc_->SetImageList(list.get());
  list.reset();  // the list goes first: the control forgets it
  EXPECT_EQ(pc_->ImageList(), nullptr);
  Paint();
}

TEST_F(PageControlTest, SheetBackgrounds) {
  TxpTabSheet* sheet = Page(0);
  TCanvas canvas(20, 30);
  sheet->SetColor(RGB(9, 9, 9));
  sheet->SetBGStyle(bgsGradient);
  sheet->PaintBackground(canvas);
  EXPECT_EQ(canvas.Pixel(5, 0), clWhite);   // white to silver, top to bottom, 60 colours
  EXPECT_EQ(canvas.Pixel(5, 29), clSilver);
  EXPECT_EQ(canvas.Pixel(5, 15), RGB(222, 222, 222));  // 255 - MulDiv(15, 63, 29): 30 bands of one row

  sheet->SetBGStyle(bgsTileImage);  // no picture: the colour
  sheet->PaintBackground(canvas);
  EXPECT_EQ(canvas.Pixel(5, 15), RGB(9, 9, 9));

  QImage dot(4, 4, QImage::Format_RGB32);
  dot.fill(QColor(0, 0, 200));
  sheet->SetBGImage(TBitmap(dot));
  sheet->PaintBackground(canvas);
  EXPECT_EQ(canvas.Pixel(19, 29), RGB(0, 0, 200));  // tiled to the last row and column
  sheet->SetBGStyle(bgsStrechImage);
  sheet->PaintBackground(canvas);
  EXPECT_EQ(canvas.Pixel(10, 10), RGB(0, 0, 200));

  sheet->SetBGImage(TBitmap());  // an empty picture ends a picture style
  EXPECT_EQ(sheet->BGStyle(), bgsNone);
  sheet->SetBGStyle(bgsGradient);
  sheet->SetBGImage(TBitmap());
  EXPECT_EQ(sheet->BGStyle(), bgsGradient);
}

TEST_F(PageControlTest, SheetsLeaveTheirControlAndTheControlItsSheets) {
  delete Page(1);
  EXPECT_EQ(pc_->PageCount(), 3);
  EXPECT_EQ(Page(1)->Caption(), u"File");
  EXPECT_EQ(Page(1)->PageIndex(), 1);
  TxpTabSheet* kept = Page(2);
  kept->SetPageControl(nullptr);
  EXPECT_EQ(pc_->PageCount(), 2);
  EXPECT_EQ(kept->PageIndex(), -1);
  kept->SetPageControl(pc_.get());
  EXPECT_EQ(kept->PageIndex(), 2);
  pc_.reset();  // its sheets go with it
}

}  // namespace
