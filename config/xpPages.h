// config/xpPages.h — the dialog's page control, which paints its own tab row,
// and tab sheets that paint their own background (colour, gradient, tiled
// or stretched picture).
//
// TxpPageControl holds a row of tabs (a QTabBar that gives the tabs'
// geometry, mouse hits and keys, and paints nothing) and its TxpTabSheet
// pages. Only pages whose TabVisible is on have a tab, so a tab index is not
// a page index. A tab is its caption's width in the page's font plus
// kTabPadding pixels, TabHeight - 2 high, from (2, 2). The page area is the
// control less one pixel on the left, right and bottom and less TabHeight at
// the top: a 529 x 424 control with TabHeight 24 has a 527 x 399 page at
// (1, 24).
//
// Painting: the whole control in BackgroundColor, then each visible page's
// tab: OnDrawItem when OwnerDraw is on and it is set, else the top or the
// bottom tab painter by TabPosition (the row itself stays on top). Style
// changes no painting.
//
// The image list is held weakly: a list that is destroyed is simply gone.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTabBar>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "config/XPGraphUtil.h"
#include "platform/rtl/Geometry.h"
#include "platform/rtl/Graphics.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Canvas.h"

enum TxpTabPosition : uint8_t { tpTop, tpBottom };
enum TxpPageControlStyle : uint8_t { pcsXP, pcsVANTO };
enum TxpTabBGStyle : uint8_t { bgsNone, bgsGradient, bgsTileImage, bgsStrechImage };
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

// The owner-draw states; TOwnerDrawState is a set of them (bit 1 << state).
enum TOwnerDrawStateItem : uint8_t {
  odSelected,
  odGrayed,
  odDisabled,
  odChecked,
  odFocused,
  odDefault,
  odHotLight,
  odInactive,
  odNoAccel,
  odNoFocusRect,
  odReserved1,
  odReserved2,
  odComboBoxEdit
};
using TOwnerDrawState = uint16_t;

using kx::platform::ui::TBitmap;
using kx::platform::ui::TCanvas;

class TxpTabSheet;

using TDrawItemEvent = std::function<void(QWidget* Control, int32_t Index, TCanvas& ACanvas,
                                          const TRect& ARect, TOwnerDrawState State)>;
using TGlyphMapEvent = std::function<void(QWidget* Control, int32_t PageIndex, int32_t& GlyphIndex)>;

// Pictures of one size, drawn by index. Changed is emitted by every change.
class TImageList : public QObject {
  Q_OBJECT
 public:
  TImageList(int32_t Width, int32_t Height, QObject* Parent = nullptr);
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t Count() const { return int32_t(images_.size()); }
  // Appends a picture (scaled to the list's size); its index.
  int32_t Add(const TBitmap& Picture);
  void Clear();
  // Draws picture Index with its top left corner at (X, Y); nothing for an
  // index outside the list. A disabled picture is drawn in grey.
  void Draw(TCanvas& Canvas, int32_t X, int32_t Y, int32_t Index, bool Enabled) const;

 signals:
  void Changed();

 private:
  int32_t width_, height_;
  std::vector<TBitmap> images_;
};

class TxpPageControl : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QObject* ImageList READ ImageListObject WRITE SetImageListObject)
  Q_PROPERTY(bool OwnerDraw READ OwnerDraw WRITE SetOwnerDraw)
  Q_PROPERTY(int BackgroundColor READ BackgroundColor WRITE SetBackgroundColor)
  Q_PROPERTY(int TabTextAlignment READ TabTextAlignment WRITE SetTabTextAlignmentValue)
  Q_PROPERTY(int Style READ Style WRITE SetStyleValue)
  Q_PROPERTY(int BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(int TabPosition READ TabPosition WRITE SetTabPositionValue)
  Q_PROPERTY(int TabHeight READ TabHeight WRITE SetTabHeight)
  Q_PROPERTY(QObject* ActivePage READ ActivePageObject)

 public:
  // Pixels added to a caption's width to make a tab.
  static constexpr int32_t kTabPadding = 20;

  explicit TxpPageControl(QWidget* Parent = nullptr);
  ~TxpPageControl() override;

  // ---- Properties ---------------------------------------------------------
  TImageList* ImageList() const { return imageList_.data(); }
  void SetImageList(TImageList* Value);
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool Value);
  TColor BackgroundColor() const { return bgColor_; }
  void SetBackgroundColor(TColor Value) { bgColor_ = Value; }
  TAlignment TabTextAlignment() const { return tabTextAlignment_; }
  void SetTabTextAlignment(TAlignment Value);
  TxpPageControlStyle Style() const { return style_; }
  void SetStyle(TxpPageControlStyle Value);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor Value) { borderColor_ = Value; }
  TxpTabPosition TabPosition() const { return tabPosition_; }
  void SetTabPosition(TxpTabPosition Value);
  int32_t TabHeight() const { return tabHeight_; }
  void SetTabHeight(int32_t Value);
  TDrawItemEvent OnDrawItem;
  TGlyphMapEvent OnGlyphMap;

  // ---- Pages ----------------------------------------------------------------
  int32_t PageCount() const { return int32_t(pages_.size()); }
  TxpTabSheet* Pages(int32_t Index) const;
  TxpTabSheet* ActivePage() const;
  void SetActivePage(TxpTabSheet* Page);
  int32_t ActivePageIndex() const;
  void SetActivePageIndex(int32_t Index);

  // ---- The tab control's state ---------------------------------------------
  // The number of tabs (visible pages), the tab of a page (-1 when its tab
  // is hidden) and the page of a tab.
  int32_t TabCount() const;
  int32_t TabIndexOf(const TxpTabSheet* Page) const;
  TxpTabSheet* PageOfTab(int32_t TabIndex) const;
  // The rectangle of a tab in the control (empty for an unknown tab).
  TRect TabRect(int32_t TabIndex) const;
  // The selected tab; -1 when none.
  int32_t CurrentTab() const;
  // The image index given to a tab (-1 when none was given).
  int32_t TabImage(int32_t TabIndex) const;
  void SetTabImage(int32_t TabIndex, int32_t ImageIndex);
  // The display area of a window rectangle (Larger false), or the window
  // rectangle of a display area (Larger true).
  TRect AdjustRect(bool Larger, const TRect& Rect) const;
  // The page area grown by one pixel, its top one lower; set on every size
  // change.
  TRect BorderRect() const { return borderRect_; }
  // The tab control's style bits: the fixed-size owner-draw tabs (0x2000)
  // when OwnerDraw is on.
  uint32_t CreateParams() const;
  // Rebuilds the tab row from the pages and hands the image list again.
  void CreateWnd();
  void RecreateWnd();

  // Maps each page's tab image through OnGlyphMap (glyph := page index).
  void UpdateGlyphs();

  // Paints the whole control into Canvas (what the paint event shows).
  void PaintTo(TCanvas& Canvas);
  void DrawTopTab(const TRect& Rect, TCanvas& Canvas, int32_t PageIndex, int32_t TabIndex);
  void DrawBottomTab(const TRect& Rect, TCanvas& Canvas, int32_t PageIndex, int32_t TabIndex);

 protected:
  virtual void DrawTabText(int32_t PageIndex, TCanvas& Canvas, const TRect& Rect, bool Selected);
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;

 private:
  friend class TxpTabSheet;
  class TabBar;

  QObject* ActivePageObject() const;
  QObject* ImageListObject() const { return imageList_.data(); }
  void SetImageListObject(QObject* Value) { SetImageList(qobject_cast<TImageList*>(Value)); }
  void SetTabTextAlignmentValue(int Value) { SetTabTextAlignment(TAlignment(Value)); }
  void SetStyleValue(int Value) { SetStyle(TxpPageControlStyle(Value)); }
  void SetTabPositionValue(int Value) { SetTabPosition(TxpTabPosition(Value)); }
  void AddPage(TxpTabSheet* Page);
  void RemovePage(TxpTabSheet* Page);
  void PageChanged();  // caption, font or tab visibility of a page
  void RebuildTabs();
  void ShowCurrentPage();
  void UpdateGeometry();  // the size message
  void AfterStyleChange();

  TabBar* tabBar_;
  std::unique_ptr<TCanvas> canvas_;
  QPointer<TImageList> imageList_;
  QMetaObject::Connection imageListChanged_;
  TColor bgColor_ = clBtnFace;
  TColor borderColor_ = clBlack;
  TRect borderRect_;
  bool ownerDraw_ = false;
  TxpPageControlStyle style_ = pcsVANTO;
  TxpTabPosition tabPosition_ = tpTop;
  TAlignment tabTextAlignment_ = taCenter;
  int32_t tabHeight_ = 22;
  std::vector<TxpTabSheet*> pages_;
  std::map<int32_t, int32_t> tabImages_;
};

class TxpTabSheet : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int Color READ Color WRITE SetColor)
  Q_PROPERTY(int TabColor READ TabColor WRITE SetTabColor)
  Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
  Q_PROPERTY(bool ShowTabHint READ ShowTabHint WRITE SetShowTabHint)
  Q_PROPERTY(QString TabHint READ TabHintText WRITE SetTabHintText)
  Q_PROPERTY(QImage BGImage READ BGImageValue WRITE SetBGImageValue)
  Q_PROPERTY(int BGStyle READ BGStyle WRITE SetBGStyleValue)
  Q_PROPERTY(int GradientStartColor READ GradientStartColor WRITE SetGradientStartColor)
  Q_PROPERTY(int GradientEndColor READ GradientEndColor WRITE SetGradientEndColor)
  Q_PROPERTY(int GradientFillDir READ GradientFillDir WRITE SetGradientFillDirValue)
  Q_PROPERTY(QString Caption READ CaptionText WRITE SetCaptionText)
  Q_PROPERTY(bool TabVisible READ TabVisible WRITE SetTabVisible)

 public:
  // A page of PageControl (appended) when one is given.
  explicit TxpTabSheet(TxpPageControl* PageControl = nullptr);
  ~TxpTabSheet() override;

  TxpPageControl* PageControl() const { return pageControl_; }
  // Moves the sheet to the end of PageControl's pages (nullptr: none).
  void SetPageControl(TxpPageControl* PageControl);
  // The sheet's index among its control's pages; -1 without a control.
  int32_t PageIndex() const;

  const UnicodeString& Caption() const { return caption_; }
  void SetCaption(const UnicodeString& Value);
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool Value);
  // The page's font: the sheet's Qt font in FontColor.
  TFont Font() const;
  void SetFont(const TFont& Value);

  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TColor TabColor() const { return tabColor_; }
  void SetTabColor(TColor Value) { tabColor_ = Value; }
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t Value);
  bool ShowTabHint() const { return showTabHint_; }
  void SetShowTabHint(bool Value) { showTabHint_ = Value; }
  const UnicodeString& TabHint() const { return tabHint_; }
  void SetTabHint(const UnicodeString& Value) { tabHint_ = Value; }
  const TBitmap& BGImage() const { return bgImage_; }
  void SetBGImage(const TBitmap& Value);
  TxpTabBGStyle BGStyle() const { return bgStyle_; }
  void SetBGStyle(TxpTabBGStyle Value);
  TColor GradientStartColor() const { return gradientStartColor_; }
  void SetGradientStartColor(TColor Value);
  TColor GradientEndColor() const { return gradientEndColor_; }
  void SetGradientEndColor(TColor Value);
  TFillDirection GradientFillDir() const { return gradientFillDir_; }
  void SetGradientFillDir(TFillDirection Value);

  // Paints the background into Canvas (what the paint event shows).
  void PaintBackground(TCanvas& Canvas);

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void changeEvent(QEvent* Event) override;

 private:
  friend class TxpPageControl;
  QString CaptionText() const;
  void SetCaptionText(const QString& Value);
  QString TabHintText() const;
  void SetTabHintText(const QString& Value);
  QImage BGImageValue() const { return bgImage_.Image(); }
  void SetBGImageValue(const QImage& Value) { SetBGImage(TBitmap(Value)); }
  void SetBGStyleValue(int Value) { SetBGStyle(TxpTabBGStyle(Value)); }
  void SetGradientFillDirValue(int Value) { SetGradientFillDir(TFillDirection(Value)); }

  TxpPageControl* pageControl_ = nullptr;
  std::unique_ptr<TCanvas> canvas_;
  UnicodeString caption_;
  bool tabVisible_ = true;
  TColor fontColor_ = clWindowText;
  TColor color_ = clWhite;
  TColor tabColor_ = clNone;
  TColor gradientStartColor_ = clWhite;
  TColor gradientEndColor_ = clSilver;
  TFillDirection gradientFillDir_ = fdTopToBottom;
  int32_t imageIndex_ = -1;
  bool showTabHint_ = false;
  UnicodeString tabHint_;
  TBitmap bgImage_;
  TxpTabBGStyle bgStyle_ = bgsNone;
};
