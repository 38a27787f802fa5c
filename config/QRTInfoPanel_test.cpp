#include "config/QRTInfoPanel.h"

#include <gtest/gtest.h>

#include <QImage>

#include "platform/resources/Resources.h"
#include "platform/rtl/Exceptions.h"
#include "platform/versioninfo/TestImages.h"
#include "tests/support/QtTestApplication.h"

namespace {

namespace images = kx::platform::versioninfo::testing;

class InfoPanelTest : public ::testing::Test {
 protected:
  void SetUp() override { kx::testing::QtTestApplication(); }
};

#ifdef KX_TEST_WITHOUT_PICTURES

TEST_F(InfoPanelTest, AMissingPictureRaisesTheResourceError) {
  EXPECT_THROW(TQRTInfoPanel panel, EResNotFound);
}

#else

TEST_F(InfoPanelTest, ThePicturesAreJpegsOf48By48) {
  bool haveDjpeg = false;
  images::RunCommand("command -v djpeg", haveDjpeg);
  for (const char16_t* name : {u"USEREXIT", u"EXPORTSERVICE", u"CONVERSION", u"PLUGIN", u"RECOGNITION"}) {
    const std::string_view bytes = kx::platform::FindResource(name, u"JPEG");
    if (!haveDjpeg) continue;
    const std::string file = images::TempFolder() + "/" + ToUtf8(name) + ".jpg";
    ASSERT_TRUE(images::WriteFile(file, bytes));
    bool ok = false;
    const std::string ppm = images::RunCommand("djpeg -pnm '" + file + "'", ok);
    EXPECT_TRUE(ok) << ToUtf8(name);
    EXPECT_EQ(ppm.substr(0, 9), "P6\n48 48\n") << ToUtf8(name);
  }
  TQRTInfoPanel panel;
  for (const TBitmap* image : {&panel.ImageUser, &panel.ImageExport, &panel.ImageConvert, &panel.ImagePlugin,
                               &panel.ImageReco}) {
    EXPECT_EQ(image->Width(), 48);
    EXPECT_EQ(image->Height(), 48);
  }
  if (!haveDjpeg) GTEST_SKIP() << "djpeg is needed to check the pictures (scripts/setup installs it)";
}

TEST_F(InfoPanelTest, ConstructionAndTheTextSetters) {
  TQRTInfoPanel panel;
  EXPECT_EQ(panel.height(), 64);
  EXPECT_EQ(panel.Title(), u"Title");
  EXPECT_EQ(panel.Subject(), u"Subject");
  EXPECT_EQ(panel.StartColor(), clWhite);
  EXPECT_EQ(panel.EndeColor(), 15724527);
  EXPECT_EQ(panel.Font().Name(), u"Tahoma");
  EXPECT_EQ(panel.Font().Size(), 8);
  EXPECT_EQ(panel.property("PanelType").toInt(), TQRTInfoPanel::Custom);

  panel.SetSubject(u"s");
  EXPECT_EQ(panel.Font().Color(), 8421504);  // grey
  panel.setProperty("Title", QStringLiteral("t"));
  EXPECT_EQ(panel.Font().Color(), clBlack);
  EXPECT_EQ(panel.Title(), u"t");

  // Aligned to the top of its parent, whose width it follows.
  QWidget parent;
  parent.resize(546, 535);
  TQRTInfoPanel child(&parent);
  EXPECT_EQ(child.geometry(), QRect(0, 0, 546, 64));
  parent.show();  // a hidden widget's size changes reach it when it is shown
  parent.resize(300, 200);
  EXPECT_EQ(child.geometry(), QRect(0, 0, 300, 64));
}

TEST_F(InfoPanelTest, PanelKindsSetTitlesAndTheSubjectOnce) {
  struct Case { TQRTInfoPanel::TkxTypes kind; const char16_t* title; };
  const Case cases[] = {
      {TQRTInfoPanel::UserExit, u"Configure userexit"},
      {TQRTInfoPanel::Exportservice, u"Configure exportservice"},
      {TQRTInfoPanel::Conversion, u"Configure conversion engine"},
      {TQRTInfoPanel::Plugin, u"Configure plugin engine"},
      {TQRTInfoPanel::Recognition, u"Configure recognition engine"},
  };
  const UnicodeString description = kxVCLTools::GetModuleDescription();
  for (const auto& c : cases) {
    TQRTInfoPanel panel;
    panel.SetPanelType(c.kind);
    EXPECT_EQ(panel.Title(), c.title);
    EXPECT_EQ(panel.Subject(), description);
  }

  TQRTInfoPanel panel;
  panel.resize(546, 64);
  panel.SetPanelType(TQRTInfoPanel::Exportservice);
  panel.SetSubject(u"written before the first paint");
  TCanvas canvas(546, 64);
  panel.Paint(canvas);
  EXPECT_EQ(panel.Subject(), kxVCLTools::PlaceholderOr(description));
  panel.SetSubject(u"written later");
  panel.Paint(canvas);
  EXPECT_EQ(panel.Subject(), u"written later");

  TQRTInfoPanel custom;
  custom.SetTitle(u"my title");
  custom.SetSubject(u"my subject");
  custom.SetPanelType(TQRTInfoPanel::Plugin_Custom);
  custom.resize(546, 64);
  custom.Paint(canvas);
  EXPECT_EQ(custom.Title(), u"my title");
  EXPECT_EQ(custom.Subject(), u"my subject");
  const QRgb p = custom.ImagePlugin.Image().pixel(20, 20);
  EXPECT_EQ(canvas.Pixel(28, 28), RGB(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p))));
}

TEST_F(InfoPanelTest, ReadingThePanelTypeResetsTheLook) {
  TQRTInfoPanel panel;
  panel.SetPanelType(TQRTInfoPanel::Conversion);
  panel.Font().SetSize(20);
  panel.SetStartColor(clRed);
  panel.SetGradientOrientation(goTop2Bottom);
  panel.resize(100, 100);
  EXPECT_EQ(panel.property("PanelType").toInt(), TQRTInfoPanel::Conversion);
  EXPECT_EQ(panel.Font().Size(), 8);
  EXPECT_EQ(panel.StartColor(), clWhite);
  EXPECT_EQ(panel.GradientOrientation(), goLeft2Right);
  EXPECT_EQ(panel.height(), 64);

  TQRTInfoPanel custom;
  custom.Font().SetSize(20);
  EXPECT_EQ(custom.PanelType(), TQRTInfoPanel::Custom);
  EXPECT_EQ(custom.Font().Size(), 20);
}

TEST_F(InfoPanelTest, PaintsWhiteTheGradientAndTheFrame) {
  TQRTInfoPanel panel;
  panel.resize(546, 64);
  panel.SetPanelType(TQRTInfoPanel::Exportservice);
  TCanvas canvas(546, 64);
  panel.Paint(canvas);
  EXPECT_EQ(canvas.Pixel(60, 40), clWhite);
  EXPECT_EQ(canvas.Pixel(64, 60), clWhite);                   // the gradient starts white ...
  EXPECT_EQ(canvas.Pixel(64 + 241, 60), RGB(247, 247, 247));  // 255 - 16 * 241 / 482
  EXPECT_EQ(canvas.Pixel(544, 60), RGB(239, 239, 239));       // ... and ends in 239
  EXPECT_EQ(canvas.Pixel(1, 0), clWhite);                     // focus rectangle: x + y odd stays
  EXPECT_EQ(canvas.Pixel(0, 0), clBlack);                     // even: inverted white
  EXPECT_EQ(canvas.Pixel(8, 30), clWhite);                    // the frame in StartColor
  EXPECT_EQ(canvas.Pixel(55, 55), clWhite);
  const QRgb p = panel.ImageExport.Image().pixel(10, 40);
  EXPECT_EQ(canvas.Pixel(18, 48), RGB(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p))));
  EXPECT_EQ(panel.property("PanelType").toInt(), TQRTInfoPanel::Exportservice);
}

#endif

}  // namespace
