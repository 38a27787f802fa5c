#include "config/QRTInfoPanel.h"

#include <QPainter>

#include "config/kxVCLTools_Paint.h"
#include "platform/resources/Resources.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Align.h"
#include "platform/ui/QtConvert.h"

namespace ui = kx::platform::ui;

namespace {

constexpr TColor kSubjectGrey = 8421504;  // red, green and blue 128
constexpr TColor kEndColor = 15724527;    // red, green and blue 239

void StandardFont(TFont& Font) {
  Font.SetColor(clBlack);
  Font.SetSize(8);
  Font.SetName(u"Tahoma");
  Font.SetStyle(0);
}

// A picture resource of the library and its decoded JPEG.
void LoadPicture(const char16_t* Name, std::string_view& Res, TBitmap& Jpeg, TBitmap& Bitmap, TBitmap& Image) {
  Res = kx::platform::FindResource(Name, u"JPEG");
  if (!Jpeg.LoadFromBytes(Res))
    throw Exception(u"The picture " + UnicodeString(Name) + u" is no JPEG image");
  Bitmap = Jpeg;
  Image = Bitmap;
}

}  // namespace

TQRTInfoPanel::TQRTInfoPanel(QWidget* AOwner) : QWidget(AOwner), canvas_(std::make_unique<TCanvas>(0, 0)) {
  StandardFont(FFont);
  FFont.OnChange = [this] { update(); };
  resize(width(), 64);
  setProperty("DoubleBuffered", true);
  FSubject = u"Subject";
  FStart = true;
  FSet = false;
  FTitle = u"Title";
  FTypes = Custom;
  FGradOrient = goLeft2Right;
  ui::SetAlign(this, ui::alTop);
  FStartColor = clWhite;
  FEndeColor = kEndColor;
  LoadPicture(u"USEREXIT", ResUser, JpegUser, BitmapUser, ImageUser);
  LoadPicture(u"EXPORTSERVICE", ResExport, JpegExport, BitmapExport, ImageExport);
  LoadPicture(u"CONVERSION", ResConvert, JpegConvert, BitmapConvert, ImageConvert);
  LoadPicture(u"PLUGIN", ResPlugin, JpegPlugin, BitmapPlugin, ImagePlugin);
  LoadPicture(u"RECOGNITION", ResReco, JpegReco, BitmapReco, ImageReco);
}

TQRTInfoPanel::~TQRTInfoPanel() { FFont.OnChange = nullptr; }

void TQRTInfoPanel::SetTitle(const UnicodeString& Value) {
  FFont.SetColor(clBlack);
  FTitle = Value;
  update();
}

void TQRTInfoPanel::SetSubject(const UnicodeString& Value) {
  FFont.SetColor(kSubjectGrey);
  FSubject = Value;
  update();
}

void TQRTInfoPanel::SetFont(const TFont& Value) {
  if (&Value != &FFont) FFont.Assign(Value);
  update();
}

void TQRTInfoPanel::SetStartColor(TColor Value) {
  FStartColor = Value;
  update();
}

void TQRTInfoPanel::SetEndeColor(TColor Value) {
  FEndeColor = Value;
  update();
}

void TQRTInfoPanel::SetGradientOrientation(TGradientOrientation Value) {
  FGradOrient = Value;
  update();
}

TQRTInfoPanel::TkxTypes TQRTInfoPanel::PanelType() {
  if (FTypes != Custom) {
    StandardFont(FFont);
    resize(width(), 64);
    FGradOrient = goLeft2Right;
    ui::SetAlign(this, ui::alTop);
    FStartColor = clWhite;
    FEndeColor = kEndColor;
    update();
  }
  return FTypes;
}

void TQRTInfoPanel::SetPanelType(TkxTypes Value) {
  FTypes = Value;
  if (Value == Custom) {
    FSet = false;
  } else {
    FSet = true;
    const char16_t* title = nullptr;
    switch (Value) {
      case UserExit: title = u"Configure userexit"; break;
      case Exportservice: title = u"Configure exportservice"; break;
      case Conversion: title = u"Configure conversion engine"; break;
      case Plugin: title = u"Configure plugin engine"; break;
      case Recognition: title = u"Configure recognition engine"; break;
      default: break;
    }
    if (title != nullptr) {
      SetTitle(title);
      SetSubject(kxVCLTools::GetModuleDescription());
    }
    if (Value == Plugin_Custom) FSet = false;
  }
  update();
}

void TQRTInfoPanel::SetPicture(const TBitmap& Value) {
  FPicture = Value;
  update();
}

void TQRTInfoPanel::SetScroll(bool Value) {
  if (Value != FScroll) FScroll = Value;
}

QString TQRTInfoPanel::TitleText() const { return ui::ToQString(FTitle); }
void TQRTInfoPanel::SetTitleText(const QString& Value) { SetTitle(ui::FromQString(Value)); }
QString TQRTInfoPanel::SubjectText() const { return ui::ToQString(FSubject); }
void TQRTInfoPanel::SetSubjectText(const QString& Value) { SetSubject(ui::FromQString(Value)); }
QFont TQRTInfoPanel::FontValue() const { return ui::ToQFont(FFont); }
void TQRTInfoPanel::SetFontValue(const QFont& Value) { SetFont(ui::FromQFont(Value, FFont.Color())); }

const TBitmap& TQRTInfoPanel::KindPicture() const {
  switch (FTypes) {
    case UserExit: return ImageUser;
    case Exportservice: return ImageExport;
    case Conversion: return ImageConvert;
    case Recognition: return ImageReco;
    case Plugin:
    case Plugin_Custom: return ImagePlugin;
    default: return FPicture;
  }
}

void TQRTInfoPanel::Paint(TCanvas& Canvas) {
  if (FSet && FStart) {
    FSubject = kxVCLTools::PlaceholderOr(kxVCLTools::GetModuleDescription());
    FStart = false;
  }
  const int32_t w = width(), h = height();
  Canvas.Font = FFont;
  Canvas.Brush.Style = ui::bsSolid;
  Canvas.Brush.Color = clWhite;
  Canvas.FillRect(Canvas.ClipRect());
  Canvas.Brush.Style = ui::bsClear;
  iGrad = {FStartColor, FEndeColor};
  kxVCLTools::DrawGradient(Canvas, TRect(64, 0, w, h), iGrad, FGradOrient, false);
  Canvas.DrawFocusRect(TRect(0, 0, w, h));
  constexpr uint32_t kFormat = ui::DT_SINGLELINE | ui::DT_VCENTER | ui::DT_NOPREFIX;
  auto text = [&](const UnicodeString& Text, TColor Color, int32_t X, int32_t Y) {
    Canvas.Font.SetColor(Color);
    Canvas.DrawText(Text, TRect(X, Y, X + Canvas.TextWidth(Text), Y + Canvas.TextHeight(Text)), kFormat);
  };
  text(FTitle, clBlack, 72, 16);
  text(FSubject, kSubjectGrey, 72, 32);
  Canvas.DrawFocusRect(TRect(8, 8, 56, 56));
  if (FTypes == Custom) {
    Canvas.Brush.Color = FStartColor;
    Canvas.Pen.Color = FStartColor;
    Canvas.Pen.Style = ui::psClear;
    Canvas.Pen.Width = 0;
  }
  Canvas.Draw(8, 8, KindPicture());
  Canvas.Pen.Style = ui::psSolid;
  Canvas.Pen.Width = 1;
  Canvas.Pen.Color = FStartColor;
  Canvas.MoveTo(8, 8);
  Canvas.LineTo(55, 8);
  Canvas.LineTo(55, 55);
  Canvas.LineTo(8, 55);
  Canvas.LineTo(8, 8);
}

void TQRTInfoPanel::paintEvent(QPaintEvent*) {
  canvas_->SetSize(width(), height());
  Paint(*canvas_);
  QPainter(this).drawImage(0, 0, canvas_->Image());
}
