#include "config/QRTAboutPanel.h"

#include <QPainter>

#include "config/kxVCLTools.h"
#include "platform/ui/Align.h"
#include "platform/ui/QtConvert.h"

namespace ui = kx::platform::ui;

namespace {

constexpr TColor kBackground = 15724527;  // red, green and blue 239
constexpr int32_t kDefaultPictureLeft = 16;
constexpr int32_t kDefaultPictureTop = 80;

void StandardFont(TFont& Font) {
  Font.SetColor(clBlack);
  Font.SetSize(8);
  Font.SetName(u"Tahoma");
  Font.SetStyle(0);
}

}  // namespace

TQRTAboutPanel::TQRTAboutPanel(QWidget* AOwner) : QWidget(AOwner), canvas_(std::make_unique<TCanvas>(0, 0)) {
  StandardFont(FFont);
  FFont.OnChange = [this] { update(); };
  setProperty("DoubleBuffered", true);
  ReadTexts();
  FUnicode = true;
  FTypes = QRT;
  ui::SetAlign(this, ui::alClient);
  FWidth = 48;
  FHeight = 48;
  FStart = false;
}

TQRTAboutPanel::~TQRTAboutPanel() { FFont.OnChange = nullptr; }

void TQRTAboutPanel::ReadTexts() {
  FName = kxVCLTools::GetModuleDescription();
  FRight = kxVCLTools::GetModuleCopyright();
  FVersion = u"Version " + kxVCLTools::GetModuleVersionText();
}

void TQRTAboutPanel::SetProductName(const UnicodeString& Value) {
  FName = Value;
  update();
}
void TQRTAboutPanel::SetCopyRight(const UnicodeString& Value) {
  FRight = Value;
  update();
}
void TQRTAboutPanel::SetProgramVersion(const UnicodeString& Value) {
  FVersion = Value;
  update();
}
void TQRTAboutPanel::SetUnicodeReady(bool Value) {
  FUnicode = Value;
  update();
}
void TQRTAboutPanel::SetAdditionalInfo(const UnicodeString& Value) {
  FAddInfo = Value;
  update();
}
void TQRTAboutPanel::SetFont(const TFont& Value) {
  if (&Value != &FFont) FFont.Assign(Value);
  update();
}
void TQRTAboutPanel::SetPicture(const TBitmap& Value) {
  FPicture = Value;
  update();
}

int32_t TQRTAboutPanel::PictureTop() {
  if (FTop == 0) FTop = kDefaultPictureTop;
  return FTop;
}
void TQRTAboutPanel::SetPictureTop(int32_t Value) {
  FTop = Value == 0 ? kDefaultPictureTop : Value;
  update();
}
int32_t TQRTAboutPanel::PictureLeft() {
  if (FLeft == 0) FLeft = kDefaultPictureLeft;
  return FLeft;
}
void TQRTAboutPanel::SetPictureLeft(int32_t Value) {
  FLeft = Value == 0 ? kDefaultPictureLeft : Value;
  update();
}

TQRTAboutPanel::TkxTypes TQRTAboutPanel::PanelType() {
  if (FTypes == QRT) {
    StandardFont(FFont);
    setProperty("DoubleBuffered", true);
    ReadTexts();
    update();
  }
  return FTypes;
}
void TQRTAboutPanel::SetPanelType(TkxTypes Value) {
  FTypes = Value;
  update();
}

QString TQRTAboutPanel::ProductNameText() const { return ui::ToQString(FName); }
void TQRTAboutPanel::SetProductNameText(const QString& Value) { SetProductName(ui::FromQString(Value)); }
QString TQRTAboutPanel::CopyRightText() const { return ui::ToQString(FRight); }
void TQRTAboutPanel::SetCopyRightText(const QString& Value) { SetCopyRight(ui::FromQString(Value)); }
QString TQRTAboutPanel::ProgramVersionText() const { return ui::ToQString(FVersion); }
void TQRTAboutPanel::SetProgramVersionText(const QString& Value) { SetProgramVersion(ui::FromQString(Value)); }
QString TQRTAboutPanel::AdditionalInfoText() const { return ui::ToQString(FAddInfo); }
void TQRTAboutPanel::SetAdditionalInfoText(const QString& Value) { SetAdditionalInfo(ui::FromQString(Value)); }
QFont TQRTAboutPanel::FontValue() const { return ui::ToQFont(FFont); }
void TQRTAboutPanel::SetFontValue(const QFont& Value) { SetFont(ui::FromQFont(Value, FFont.Color())); }

void TQRTAboutPanel::Paint(TCanvas& Canvas) {
  if (!FStart) {
    FName = kxVCLTools::PlaceholderOr(kxVCLTools::GetModuleDescription());
    const UnicodeString version = kxVCLTools::GetModuleVersionText();
    FVersion = kxVCLTools::PlaceholderOr(version) == u"#####" ? UnicodeString(u"Version #####") : u"Version " + version;
    FRight = kxVCLTools::PlaceholderOr(kxVCLTools::GetModuleCopyright());
    FStart = true;
  }
  const int32_t w = width(), h = height();
  Canvas.Font = FFont;
  Canvas.Brush.Style = ui::bsSolid;
  Canvas.Brush.Color = kBackground;
  Canvas.FillRect(Canvas.ClipRect());
  Canvas.Brush.Style = ui::bsClear;
  Canvas.DrawFocusRect(TRect(0, 0, w, h));
  constexpr uint32_t kFormat = ui::DT_SINGLELINE | ui::DT_VCENTER | ui::DT_NOPREFIX;
  auto text = [&](const UnicodeString& Text, int32_t X, int32_t Y) {
    Canvas.DrawText(Text, TRect(X, Y, X + Canvas.TextWidth(Text), Y + Canvas.TextHeight(Text)), kFormat);
  };
  Canvas.Font.SetColor(clBlack);
  Canvas.Font.SetStyle(FontStyle(fsBold));
  text(FName, 16, 16);
  Canvas.Font.SetStyle(0);
  text(FRight, 16, 32);
  text(FVersion, 16, 48);
  if (!FPicture.Empty()) {
    Canvas.DrawFocusRect(TRect(FLeft, FTop, FLeft + FPicture.Width(), FTop + FPicture.Height()));
    Canvas.Draw(FLeft, FTop, FPicture);
  }
  if (!FAddInfo.empty()) text(FAddInfo, 16, h - Canvas.TextHeight(FAddInfo) - (FUnicode ? 32 : 16));
}

void TQRTAboutPanel::paintEvent(QPaintEvent*) {
  canvas_->SetSize(width(), height());
  Paint(*canvas_);
  QPainter(this).drawImage(0, 0, canvas_->Image());
}
