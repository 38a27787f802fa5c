#include "config/QRTAboutPanel.h"

#include <gtest/gtest.h>

#include <QImage>

#include "config/kxVCLTools.h"
#include "tests/support/QtTestApplication.h"

namespace {

class AboutPanelTest : public ::testing::Test {
 protected:
  void SetUp() override { kx::testing::QtTestApplication(); }
};

#ifdef KX_VERINFO_USED_SETTINGS

TEST_F(AboutPanelTest, TextsComeFromTheLibraryAndReplaceWhatWasWrittenAtTheFirstPaint) {
  TQRTAboutPanel panel;
  const UnicodeString version = u"Version " + kxVCLTools::GetModuleVersionText();
  EXPECT_EQ(panel.ProductName(), kxVCLTools::GetModuleDescription());
  EXPECT_EQ(panel.CopyRight(), kxVCLTools::GetModuleCopyright());
  EXPECT_EQ(panel.ProgramVersion(), version);
  EXPECT_NE(panel.ProductName(), u"Unknown");

  panel.setProperty("ProgramVersion", QStringLiteral("Version 1.0.6129.40144 (rel. 1.0.0.0)"));
  panel.SetProductName(u"stored");
  EXPECT_EQ(panel.ProgramVersion(), u"Version 1.0.6129.40144 (rel. 1.0.0.0)");
  panel.resize(527, 399);
  TCanvas canvas(527, 399);
  panel.Paint(canvas);
  EXPECT_EQ(panel.ProgramVersion(), version);
  EXPECT_EQ(panel.ProductName(), kxVCLTools::PlaceholderOr(kxVCLTools::GetModuleDescription()));
  panel.SetProductName(u"later");
  panel.Paint(canvas);
  EXPECT_EQ(panel.ProductName(), u"later");  // once only

  // Reading the kind reads the texts again and resets the font.
  panel.Font().SetSize(14);
  EXPECT_EQ(panel.property("PanelType").toInt(), TQRTAboutPanel::QRT);
  EXPECT_EQ(panel.ProductName(), kxVCLTools::GetModuleDescription());
  EXPECT_EQ(panel.Font().Size(), 8);
  panel.SetPanelType(TQRTAboutPanel::Custom);
  panel.SetProductName(u"custom");
  EXPECT_EQ(panel.PanelType(), TQRTAboutPanel::Custom);
  EXPECT_EQ(panel.ProductName(), u"custom");
}

#else

TEST_F(AboutPanelTest, WithoutVersionInformationTheTextsAreUnknown) {
  TQRTAboutPanel panel;
  panel.resize(527, 399);
  TCanvas canvas(527, 399);
  panel.Paint(canvas);
  EXPECT_EQ(panel.ProductName(), u"Unknown");
  EXPECT_EQ(panel.CopyRight(), u"Unknown");
  EXPECT_EQ(panel.ProgramVersion(), u"Version Unknown build");
}

#endif

TEST_F(AboutPanelTest, PicturePositionDefaultsAndThePaint) {
  QWidget page;
  page.resize(527, 399);
  TQRTAboutPanel panel;
  panel.setParent(&page);
  EXPECT_EQ(panel.geometry(), QRect(0, 0, 527, 399));  // fills its parent

  QImage picture(10, 6, QImage::Format_RGB32);
  picture.fill(QColor(0, 0, 200));
  panel.SetPicture(TBitmap(picture));
  TCanvas canvas(527, 399);
  panel.Paint(canvas);
  EXPECT_EQ(canvas.Pixel(3, 3), RGB(0, 0, 200));  // never written nor read: at 0, 0
  EXPECT_EQ(canvas.Pixel(300, 200), 15724527);

  EXPECT_EQ(panel.PictureLeft(), 16);  // a stored 0 answers and stores the default
  EXPECT_EQ(panel.property("PictureTop").toInt(), 80);
  panel.Paint(canvas);
  EXPECT_EQ(canvas.Pixel(16 + 3, 80 + 3), RGB(0, 0, 200));
  panel.SetPictureLeft(40);
  panel.SetPictureTop(0);
  EXPECT_EQ(panel.PictureLeft(), 40);
  EXPECT_EQ(panel.PictureTop(), 80);

  // The additional line stands above the bottom by its height + 32, or + 16.
  for (bool unicode : {true, false}) {
    TCanvas lines(527, 399);
    panel.SetPicture(TBitmap());
    panel.SetAdditionalInfo(u"Additional");
    panel.SetUnicodeReady(unicode);
    panel.Paint(lines);
    const int32_t height = lines.TextHeight(u"Additional");
    int32_t lowest = -1;
    for (int32_t y = 100; y < 398; ++y)
      for (int32_t x = 16; x < 200; ++x)
        if (lines.Pixel(x, y) == clBlack) lowest = y;
    const int32_t top = 399 - height - (unicode ? 32 : 16);
    EXPECT_GT(lowest, top) << unicode;
    EXPECT_LT(lowest, top + height) << unicode;
  }
}

}  // namespace
