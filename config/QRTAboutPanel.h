// config/QRTAboutPanel.h — the about page: product name, legal notice and
// version of the running library (its own version texts, read at the first
// paint, replacing whatever was written before), an optional picture and an
// optional additional line, on a light grey panel that fills its parent.
//
// Reading PanelType (kind QRT) gives the panel its standard font again and
// reads the three texts anew, without the "#####" rule of the first paint.
// PictureLeft and PictureTop answer 16 and 80 for a position of 0 (and
// store them); painting uses the stored values as they are.
//
// Properties (Qt properties of these names): ProductName, CopyRight,
// ProgramVersion, UnicodeReady, AdditionalInfo, Font (the panel's own font
// record), Picture, PictureTop, PictureLeft, PanelType.
#pragma once

#include <QImage>
#include <QWidget>

#include <memory>

#include "platform/rtl/Graphics.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Canvas.h"

using kx::platform::ui::TBitmap;
using kx::platform::ui::TCanvas;

class TQRTAboutPanel : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString ProductName READ ProductNameText WRITE SetProductNameText)
  Q_PROPERTY(QString CopyRight READ CopyRightText WRITE SetCopyRightText)
  Q_PROPERTY(QString ProgramVersion READ ProgramVersionText WRITE SetProgramVersionText)
  Q_PROPERTY(bool UnicodeReady READ UnicodeReady WRITE SetUnicodeReady)
  Q_PROPERTY(QString AdditionalInfo READ AdditionalInfoText WRITE SetAdditionalInfoText)
  Q_PROPERTY(QFont Font READ FontValue WRITE SetFontValue)
  Q_PROPERTY(QImage Picture READ PictureValue WRITE SetPictureValue)
  Q_PROPERTY(int PictureTop READ PictureTop WRITE SetPictureTop)
  Q_PROPERTY(int PictureLeft READ PictureLeft WRITE SetPictureLeft)
  Q_PROPERTY(int PanelType READ PanelTypeValue WRITE SetPanelTypeValue)

 public:
  enum TkxTypes { QRT, Custom };
  Q_ENUM(TkxTypes)

  explicit TQRTAboutPanel(QWidget* AOwner = nullptr);
  ~TQRTAboutPanel() override;

  const UnicodeString& ProductName() const { return FName; }
  virtual void SetProductName(const UnicodeString& Value);
  const UnicodeString& CopyRight() const { return FRight; }
  void SetCopyRight(const UnicodeString& Value);
  const UnicodeString& ProgramVersion() const { return FVersion; }
  void SetProgramVersion(const UnicodeString& Value);
  bool UnicodeReady() const { return FUnicode; }
  void SetUnicodeReady(bool Value);
  const UnicodeString& AdditionalInfo() const { return FAddInfo; }
  void SetAdditionalInfo(const UnicodeString& Value);
  TFont& Font() { return FFont; }
  void SetFont(const TFont& Value);
  const TBitmap& Picture() const { return FPicture; }
  void SetPicture(const TBitmap& Value);
  int32_t PictureTop();
  void SetPictureTop(int32_t Value);
  int32_t PictureLeft();
  void SetPictureLeft(int32_t Value);
  TkxTypes PanelType();
  void SetPanelType(TkxTypes Value);

  void Paint(TCanvas& Canvas);

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  QString ProductNameText() const;
  void SetProductNameText(const QString& Value);
  QString CopyRightText() const;
  void SetCopyRightText(const QString& Value);
  QString ProgramVersionText() const;
  void SetProgramVersionText(const QString& Value);
  QString AdditionalInfoText() const;
  void SetAdditionalInfoText(const QString& Value);
  QFont FontValue() const;
  void SetFontValue(const QFont& Value);
  QImage PictureValue() const { return FPicture.Image(); }
  void SetPictureValue(const QImage& Value) { SetPicture(TBitmap(Value)); }
  int PanelTypeValue() { return PanelType(); }
  void SetPanelTypeValue(int Value) { SetPanelType(TkxTypes(Value)); }
  void ReadTexts();

  TkxTypes FTypes = QRT;
  UnicodeString FName, FRight, FVersion;
  TBitmap FPicture;
  bool FUnicode = true;
  UnicodeString FAddInfo;
  int32_t FWidth = 48, FHeight = 48;
  int32_t FTop = 0, FLeft = 0;
  bool FStart = false;
  TFont FFont;
  std::unique_ptr<TCanvas> canvas_;
};
