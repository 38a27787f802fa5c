// config/QRTInfoPanel.h — the dialog's header strip: white, with a colour
// gradient from x = 64 to the right edge, a title, a subject line and a
// 48-pixel picture chosen by the kind of component being configured.
//
// The five pictures are the library's resources of type "JPEG" (USEREXIT,
// EXPORTSERVICE, CONVERSION, PLUGIN, RECOGNITION), loaded by the
// constructor, which raises EResNotFound when one is missing.
//
// A kind other than Custom and Plugin_Custom makes the subject the
// library's FileDescription, taken once, at the first paint ("#####" when
// the description begins with five "#"). Reading PanelType (any kind but
// Custom) first gives the panel its standard look again: the getter has
// that side effect, so code of the panel reads the field.
//
// Properties (Qt properties of these names): Title, Subject, Font (the
// panel's own font record, not the widget's), StartColor, EndeColor,
// GradientOrientation, PanelType, Picture, Scroll.
#pragma once

#include <QImage>
#include <QWidget>

#include <memory>
#include <string_view>

#include "config/kxVCLTools.h"
#include "platform/rtl/Graphics.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Canvas.h"

using kx::platform::ui::TBitmap;
using kx::platform::ui::TCanvas;

class TQRTInfoPanel : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Title READ TitleText WRITE SetTitleText)
  Q_PROPERTY(QString Subject READ SubjectText WRITE SetSubjectText)
  Q_PROPERTY(QFont Font READ FontValue WRITE SetFontValue)
  Q_PROPERTY(int StartColor READ StartColor WRITE SetStartColor)
  Q_PROPERTY(int EndeColor READ EndeColor WRITE SetEndeColor)
  Q_PROPERTY(int GradientOrientation READ GradientOrientation WRITE SetGradientOrientationValue)
  Q_PROPERTY(int PanelType READ PanelTypeValue WRITE SetPanelTypeValue)
  Q_PROPERTY(QImage Picture READ PictureValue WRITE SetPictureValue)
  Q_PROPERTY(bool Scroll READ Scroll WRITE SetScroll)

 public:
  enum TkxTypes { UserExit, Exportservice, Conversion, Recognition, Plugin, Plugin_Custom, Custom };
  Q_ENUM(TkxTypes)

  explicit TQRTInfoPanel(QWidget* AOwner = nullptr);
  ~TQRTInfoPanel() override;

  const UnicodeString& Title() const { return FTitle; }
  void SetTitle(const UnicodeString& Value);
  const UnicodeString& Subject() const { return FSubject; }
  void SetSubject(const UnicodeString& Value);
  TFont& Font() { return FFont; }
  void SetFont(const TFont& Value);
  TColor StartColor() const { return FStartColor; }
  void SetStartColor(TColor Value);
  TColor EndeColor() const { return FEndeColor; }
  void SetEndeColor(TColor Value);
  TGradientOrientation GradientOrientation() const { return FGradOrient; }
  void SetGradientOrientation(TGradientOrientation Value);
  // Reading resets the look (see the top).
  TkxTypes PanelType();
  void SetPanelType(TkxTypes Value);
  const TBitmap& Picture() const { return FPicture; }
  void SetPicture(const TBitmap& Value);
  bool Scroll() const { return FScroll; }
  void SetScroll(bool Value);

  // Paints the panel into Canvas (what the paint event shows).
  void Paint(TCanvas& Canvas);

  // The pictures of the five kinds: the resource's bytes, the decoded
  // JPEG, its bitmap and the image shown.
  std::string_view ResUser, ResExport, ResConvert, ResPlugin, ResReco;
  TBitmap JpegUser, BitmapUser, ImageUser;
  TBitmap JpegExport, BitmapExport, ImageExport;
  TBitmap JpegConvert, BitmapConvert, ImageConvert;
  TBitmap JpegPlugin, BitmapPlugin, ImagePlugin;
  TBitmap JpegReco, BitmapReco, ImageReco;

 protected:
  void paintEvent(QPaintEvent* Event) override;
  // The stops of the last paint.
  TGradRow iGrad;

 private:
  QString TitleText() const;
  void SetTitleText(const QString& Value);
  QString SubjectText() const;
  void SetSubjectText(const QString& Value);
  QFont FontValue() const;
  void SetFontValue(const QFont& Value);
  void SetGradientOrientationValue(int Value) { SetGradientOrientation(TGradientOrientation(Value)); }
  int PanelTypeValue() { return PanelType(); }
  void SetPanelTypeValue(int Value) { SetPanelType(TkxTypes(Value)); }
  QImage PictureValue() const { return FPicture.Image(); }
  void SetPictureValue(const QImage& Value) { SetPicture(TBitmap(Value)); }
  const TBitmap& KindPicture() const;

  TColor FStartColor = clWhite;
  TColor FEndeColor = 15724527;
  TGradientOrientation FGradOrient = goLeft2Right;
  TkxTypes FTypes = Custom;
  UnicodeString FTitle;
  UnicodeString FSubject;
  TBitmap FPicture;
  bool FScroll = false;
  bool FStart = true;
  bool FSet = false;
  TFont FFont;
  std::unique_ptr<TCanvas> canvas_;
};
