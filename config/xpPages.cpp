#include "config/xpPages.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

#include "platform/ui/Align.h"
#include "platform/ui/QtConvert.h"

namespace ui = kx::platform::ui;

namespace {

constexpr TColor kSelectedTabColor = 12217663;  // red 63, green 109, blue 186
constexpr uint32_t kOwnerDrawFixed = 0x2000;

TRect Inflate(const TRect& R, int32_t D) { return TRect(R.Left - D, R.Top - D, R.Right + D, R.Bottom + D); }

}  // namespace

// ---- TImageList --------------------------------------------------------------------

TImageList::TImageList(int32_t Width, int32_t Height, QObject* Parent)
    : QObject(Parent), width_(Width), height_(Height) {}

int32_t TImageList::Add(const TBitmap& Picture) {
  QImage image = Picture.Image();
  if (!image.isNull() && (image.width() != width_ || image.height() != height_))
    image = image.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  images_.emplace_back(image);
  emit Changed();
  return Count() - 1;
}

void TImageList::Clear() {
  images_.clear();
  emit Changed();
}

void TImageList::Draw(TCanvas& Canvas, int32_t X, int32_t Y, int32_t Index, bool Enabled) const {
  if (Index < 0 || Index >= Count()) return;
  const TBitmap& picture = images_[size_t(Index)];
  if (Enabled) {
    Canvas.Draw(X, Y, picture);
  } else {
    Canvas.Draw(X, Y, TBitmap(picture.Image().convertToFormat(QImage::Format_Grayscale8)
                                  .convertToFormat(QImage::Format_RGB32)));
  }
}

// ---- The tab row ---------------------------------------------------------------------

class TxpPageControl::TabBar : public QTabBar {
 public:
  explicit TabBar(TxpPageControl* Owner) : QTabBar(Owner), owner_(Owner) {
    setDrawBase(false);
    setExpanding(false);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
  }

 protected:
  // A tab: its page's caption in the page's font, plus the padding.
  QSize tabSizeHint(int Index) const override {
    const TxpTabSheet* page = owner_->PageOfTab(Index);
    const QFont font = page != nullptr ? page->font() : owner_->font();
    const int width = QFontMetrics(font).horizontalAdvance(tabText(Index)) + kTabPadding;
    return QSize(width, std::max(1, owner_->TabHeight() - 2));
  }
  QSize minimumTabSizeHint(int Index) const override { return tabSizeHint(Index); }
  void paintEvent(QPaintEvent*) override {}  // the page control paints the row

 private:
  TxpPageControl* owner_;
};

// ---- TxpPageControl ------------------------------------------------------------------

TxpPageControl::TxpPageControl(QWidget* Parent)
    : QWidget(Parent), tabBar_(new TabBar(this)), canvas_(std::make_unique<TCanvas>(0, 0)) {
  setProperty("ShowHint", true);
  connect(tabBar_, &QTabBar::currentChanged, this, [this](int) {
    ShowCurrentPage();
    update();
  });
  UpdateGeometry();
}

TxpPageControl::~TxpPageControl() {
  if (imageList_) disconnect(imageListChanged_);
  for (TxpTabSheet* page : pages_) page->pageControl_ = nullptr;
  pages_.clear();
}

void TxpPageControl::SetImageList(TImageList* Value) {
  if (imageList_) disconnect(imageListChanged_);
  imageList_ = Value;
  if (Value != nullptr) {
    for (int32_t i = 0; i < PageCount(); ++i) pages_[size_t(i)]->SetImageIndex(i);
    imageListChanged_ = connect(Value, &TImageList::Changed, this, [this] {
      if (imageList_) UpdateGlyphs();
    });
  } else {
    for (TxpTabSheet* page : pages_) page->SetImageIndex(-1);
  }
  UpdateGlyphs();
  UpdateGeometry();
}

void TxpPageControl::SetOwnerDraw(bool Value) {
  if (Value == ownerDraw_) return;
  ownerDraw_ = Value;
  AfterStyleChange();
}

void TxpPageControl::SetTabTextAlignment(TAlignment Value) {
  if (Value == tabTextAlignment_) return;
  tabTextAlignment_ = Value;
  update();
}

void TxpPageControl::SetStyle(TxpPageControlStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  AfterStyleChange();
}

void TxpPageControl::SetTabPosition(TxpTabPosition Value) {
  if (Value == tabPosition_) return;
  tabPosition_ = Value;
  AfterStyleChange();
}

void TxpPageControl::SetTabHeight(int32_t Value) {
  if (Value == tabHeight_ || Value < 0) return;
  tabHeight_ = Value;
  RecreateWnd();
}

void TxpPageControl::AfterStyleChange() {
  RecreateWnd();
  if (PageCount() > 0 && ActivePage() != nullptr) ActivePage()->update();
}

TxpTabSheet* TxpPageControl::Pages(int32_t Index) const {
  return Index >= 0 && Index < PageCount() ? pages_[size_t(Index)] : nullptr;
}

TxpTabSheet* TxpPageControl::ActivePage() const { return PageOfTab(CurrentTab()); }

void TxpPageControl::SetActivePage(TxpTabSheet* Page) {
  const int32_t tab = TabIndexOf(Page);
  if (tab >= 0) tabBar_->setCurrentIndex(tab);
}

int32_t TxpPageControl::ActivePageIndex() const {
  const TxpTabSheet* page = ActivePage();
  return page != nullptr ? page->PageIndex() : -1;
}

void TxpPageControl::SetActivePageIndex(int32_t Index) { SetActivePage(Pages(Index)); }

QObject* TxpPageControl::ActivePageObject() const { return ActivePage(); }

int32_t TxpPageControl::TabCount() const { return int32_t(tabBar_->count()); }

int32_t TxpPageControl::TabIndexOf(const TxpTabSheet* Page) const {
  int32_t tab = 0;
  for (const TxpTabSheet* page : pages_) {
    if (!page->TabVisible()) continue;
    if (page == Page) return tab;
    ++tab;
  }
  return -1;
}

TxpTabSheet* TxpPageControl::PageOfTab(int32_t TabIndex) const {
  if (TabIndex < 0) return nullptr;
  int32_t tab = 0;
  for (TxpTabSheet* page : pages_) {
    if (!page->TabVisible()) continue;
    if (tab == TabIndex) return page;
    ++tab;
  }
  return nullptr;
}

TRect TxpPageControl::TabRect(int32_t TabIndex) const {
  if (TabIndex < 0 || TabIndex >= TabCount()) return TRect();
  const QRect r = tabBar_->tabRect(TabIndex).translated(tabBar_->pos());
  return TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

int32_t TxpPageControl::CurrentTab() const { return tabBar_->currentIndex(); }

int32_t TxpPageControl::TabImage(int32_t TabIndex) const {
  const auto it = tabImages_.find(TabIndex);
  return it != tabImages_.end() ? it->second : -1;
}

void TxpPageControl::SetTabImage(int32_t TabIndex, int32_t ImageIndex) {
  if (TabIndex < 0) return;
  tabImages_[TabIndex] = ImageIndex;
  update();
}

TRect TxpPageControl::AdjustRect(bool Larger, const TRect& Rect) const {
  // The tab control's own display area: 4 pixels in, below the tab row.
  if (Larger) return TRect(Rect.Left - 4, Rect.Top - tabHeight_ - 4, Rect.Right + 4, Rect.Bottom + 4);
  const TRect display(Rect.Left + 4, Rect.Top + tabHeight_ + 4, Rect.Right - 4, Rect.Bottom - 4);
  // The page covers the control's border: 3 pixels more on every side, one
  // more at the top.
  return TRect(display.Left - 3, display.Top - 4, display.Right + 3, display.Bottom + 3);
}

uint32_t TxpPageControl::CreateParams() const { return ownerDraw_ ? kOwnerDrawFixed : 0; }

void TxpPageControl::CreateWnd() {
  RebuildTabs();
  if (imageList_) SetImageList(imageList_.data());
  UpdateGeometry();
}

void TxpPageControl::RebuildTabs() {
  const QSignalBlocker block(tabBar_);
  TxpTabSheet* active = ActivePage();
  while (tabBar_->count() > 0) tabBar_->removeTab(0);
  for (TxpTabSheet* page : pages_)
    if (page->TabVisible()) tabBar_->addTab(ui::ToQString(page->Caption()));
  if (active == nullptr || TabIndexOf(active) < 0) active = PageOfTab(0);
  if (active != nullptr) tabBar_->setCurrentIndex(TabIndexOf(active));
  ShowCurrentPage();
}

void TxpPageControl::RecreateWnd() { CreateWnd(); }

void TxpPageControl::UpdateGlyphs() {
  if (!imageList_) return;
  for (int32_t i = 0; i < PageCount(); ++i) {
    int32_t glyph = i;
    if (OnGlyphMap) OnGlyphMap(this, i, glyph);
    SetTabImage(i, glyph);
  }
}

void TxpPageControl::UpdateGeometry() {
  const int32_t w = width(), h = height();
  tabBar_->setGeometry(2, 2, std::max(0, w - 4), std::max(1, tabHeight_ - 2));
  const TRect page = AdjustRect(false, TRect(0, 0, w, h));
  for (TxpTabSheet* sheet : pages_) {
    sheet->setGeometry(page.Left, page.Top, std::max(0, page.Right - page.Left), std::max(0, page.Bottom - page.Top));
    ui::RealignChildren(sheet);
  }
  const TRect border = Inflate(page, 1);
  borderRect_ = TRect(border.Left, border.Top + 1, border.Right, border.Bottom);
}

void TxpPageControl::ShowCurrentPage() {
  TxpTabSheet* active = ActivePage();
  for (TxpTabSheet* page : pages_) page->setVisible(page == active);
}

void TxpPageControl::AddPage(TxpTabSheet* Page) {
  pages_.push_back(Page);
  Page->setParent(this);
  RebuildTabs();
  UpdateGeometry();
}

void TxpPageControl::RemovePage(TxpTabSheet* Page) {
  std::erase(pages_, Page);
  RebuildTabs();
  update();
}

void TxpPageControl::PageChanged() {
  RebuildTabs();
  update();
}

void TxpPageControl::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  UpdateGeometry();
}

void TxpPageControl::PaintTo(TCanvas& Canvas) {
  Canvas.Brush.Style = ui::bsSolid;
  Canvas.Brush.Color = bgColor_;
  Canvas.FillRect(Canvas.ClipRect());
  int32_t tab = 0;
  for (int32_t i = 0; i < PageCount(); ++i) {
    if (!pages_[size_t(i)]->TabVisible()) continue;
    const TRect rect = TabRect(tab);
    if (ownerDraw_ && OnDrawItem)
      OnDrawItem(this, i, Canvas, rect, 0);
    else if (tabPosition_ == tpTop)
      DrawTopTab(rect, Canvas, i, tab);
    else
      DrawBottomTab(rect, Canvas, i, tab);
    ++tab;
  }
}

void TxpPageControl::paintEvent(QPaintEvent*) {
  canvas_->SetSize(width(), height());
  PaintTo(*canvas_);
  QPainter(this).drawImage(0, 0, canvas_->Image());
}

void TxpPageControl::DrawTopTab(const TRect& Rect, TCanvas& Canvas, int32_t PageIndex, int32_t TabIndex) {
  const bool selected = CurrentTab() == TabIndex;
  TRect r = Rect;
  r.Top -= 2;
  r.Left -= 1;
  r.Right -= 1;
  const TxpTabSheet* page = Pages(PageIndex);
  TColor color;
  if (selected)
    color = kSelectedTabColor;
  else if (page != nullptr && page->TabColor() != clNone)
    color = page->TabColor();
  else
    color = XPGraphUtil::DarkenColor(bgColor_, 15);
  Canvas.Brush.Style = ui::bsSolid;
  Canvas.Brush.Color = color;
  Canvas.FillRect(TRect(r.Left, r.Top - 1, r.Right - 2, r.Bottom));
  DrawTabText(PageIndex, Canvas, r, selected);
}

void TxpPageControl::DrawBottomTab(const TRect& Rect, TCanvas& Canvas, int32_t PageIndex, int32_t TabIndex) {
  TRect r = Rect;
  r.Bottom -= 2;
  const bool selected = CurrentTab() == TabIndex;
  const TxpTabSheet* page = Pages(PageIndex);
  TColor c = page != nullptr ? page->Color() : clWhite;
  if (selected) {
    r.Bottom += 1;
    r.Left -= 2;
    r.Right += 1;
  } else {
    r.Right -= 1;
    r.Top += 1;
    c = XPGraphUtil::DarkenColor(c, 5);
  }
  r.Bottom += 1;
  Canvas.Brush.Style = ui::bsSolid;
  Canvas.Brush.Color = c;
  Canvas.Pen.Style = ui::psSolid;
  Canvas.Pen.Color = borderColor_;
  Canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom - 6);
  Canvas.RoundRect(r.Left, r.Top + 6, r.Right, r.Bottom, 6, 6);
  Canvas.FillRect(TRect(r.Left + 1, r.Top + 6, r.Right - 1, r.Bottom - 3));
  auto line = [&](TColor color, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    Canvas.Pen.Color = color;
    Canvas.MoveTo(x0, y0);
    Canvas.LineTo(x1, y1);
  };
  if (selected) {
    Canvas.Pen.Color = c;
    Canvas.Rectangle(r.Left + 1, r.Top - 1, r.Right - 1, r.Top + 2);
  } else {
    line(XPGraphUtil::DarkenColor(c, 20), r.Right - 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
    line(XPGraphUtil::DarkenColor(c, 10), r.Right - 3, r.Top + 4, r.Right - 3, r.Bottom - 3);
    line(XPGraphUtil::DarkenColor(c, 20), r.Left + 2, r.Bottom - 2, r.Right - 2, r.Bottom - 2);
    line(XPGraphUtil::DarkenColor(c, 10), r.Left + 3, r.Bottom - 3, r.Right - 3, r.Bottom - 3);
  }
  // The caption in the page font's colour, selected or not.
  DrawTabText(PageIndex, Canvas, r, false);
}

void TxpPageControl::DrawTabText(int32_t PageIndex, TCanvas& Canvas, const TRect& Rect, bool Selected) {
  const TxpTabSheet* page = Pages(PageIndex);
  if (page == nullptr) return;
  Canvas.Brush.Style = ui::bsClear;
  Canvas.Font = page->Font();
  TRect text = Inflate(Rect, -2);
  if (imageList_)
    text.Left += imageList_->Width() + 6;
  else
    text.Left -= 1;
  uint32_t format = ui::DT_SINGLELINE | ui::DT_VCENTER | ui::DT_END_ELLIPSIS;
  if (tabTextAlignment_ == taCenter)
    format |= ui::DT_CENTER;
  else if (tabTextAlignment_ == taRightJustify)
    format |= ui::DT_RIGHT;
  const TColor fontColor = Canvas.Font.Color();
  Canvas.Font.SetColor(clWhite);
  Canvas.DrawText(page->Caption(), text, format);
  Canvas.Font.SetColor(Selected ? clWhite : fontColor);
  Canvas.DrawText(page->Caption(), text, format);
  if (imageList_)
    imageList_->Draw(Canvas, Rect.Left + 4, (Rect.Top + Rect.Bottom - imageList_->Height()) / 2 + 1,
                     page->ImageIndex(), true);
}

// ---- TxpTabSheet ---------------------------------------------------------------------

TxpTabSheet::TxpTabSheet(TxpPageControl* PageControl) : canvas_(std::make_unique<TCanvas>(0, 0)) {
  if (PageControl != nullptr) SetPageControl(PageControl);
}

TxpTabSheet::~TxpTabSheet() {
  if (pageControl_ != nullptr) pageControl_->RemovePage(this);
}

void TxpTabSheet::SetPageControl(TxpPageControl* PageControl) {
  if (pageControl_ != nullptr) pageControl_->RemovePage(this);
  pageControl_ = PageControl;
  if (PageControl != nullptr) PageControl->AddPage(this);
}

int32_t TxpTabSheet::PageIndex() const {
  if (pageControl_ == nullptr) return -1;
  const auto& pages = pageControl_->pages_;
  const auto it = std::find(pages.begin(), pages.end(), this);
  return it != pages.end() ? int32_t(it - pages.begin()) : -1;
}

void TxpTabSheet::SetCaption(const UnicodeString& Value) {
  if (Value == caption_) return;
  caption_ = Value;
  if (pageControl_ != nullptr) pageControl_->PageChanged();
}

void TxpTabSheet::SetTabVisible(bool Value) {
  if (Value == tabVisible_) return;
  tabVisible_ = Value;
  if (pageControl_ != nullptr) pageControl_->PageChanged();
}

TFont TxpTabSheet::Font() const { return ui::FromQFont(font(), fontColor_); }

void TxpTabSheet::SetFont(const TFont& Value) {
  fontColor_ = Value.Color();
  setFont(ui::ToQFont(Value));
}

void TxpTabSheet::changeEvent(QEvent* Event) {
  QWidget::changeEvent(Event);
  if (Event->type() == QEvent::FontChange && pageControl_ != nullptr) pageControl_->PageChanged();
}

QString TxpTabSheet::CaptionText() const { return ui::ToQString(caption_); }
void TxpTabSheet::SetCaptionText(const QString& Value) { SetCaption(ui::FromQString(Value)); }
QString TxpTabSheet::TabHintText() const { return ui::ToQString(tabHint_); }
void TxpTabSheet::SetTabHintText(const QString& Value) { tabHint_ = ui::FromQString(Value); }

void TxpTabSheet::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  update();
  try {
    if (pageControl_ != nullptr) pageControl_->update();
  } catch (...) {
  }
}

void TxpTabSheet::SetImageIndex(int32_t Value) {
  if (Value < -1) Value = -1;
  if (Value == imageIndex_ || pageControl_ == nullptr) return;
  imageIndex_ = Value;
  pageControl_->SetTabImage(PageIndex(), Value);
}

void TxpTabSheet::SetBGImage(const TBitmap& Value) {
  bgImage_ = Value;
  update();
  if (bgImage_.Empty() && (bgStyle_ == bgsTileImage || bgStyle_ == bgsStrechImage)) SetBGStyle(bgsNone);
}

void TxpTabSheet::SetBGStyle(TxpTabBGStyle Value) {
  if (Value == bgStyle_) return;
  bgStyle_ = Value;
  update();
}

void TxpTabSheet::SetGradientStartColor(TColor Value) {
  if (Value == gradientStartColor_) return;
  gradientStartColor_ = Value;
  update();
}

void TxpTabSheet::SetGradientEndColor(TColor Value) {
  if (Value == gradientEndColor_) return;
  gradientEndColor_ = Value;
  update();
}

void TxpTabSheet::SetGradientFillDir(TFillDirection Value) {
  if (Value == gradientFillDir_) return;
  gradientFillDir_ = Value;
  update();
}

void TxpTabSheet::PaintBackground(TCanvas& Canvas) {
  const TRect client(0, 0, Canvas.Width(), Canvas.Height());
  Canvas.Brush.Style = ui::bsSolid;
  Canvas.Brush.Color = color_;
  const bool picture = bgStyle_ == bgsTileImage || bgStyle_ == bgsStrechImage;
  if (bgStyle_ == bgsNone || (picture && bgImage_.Empty())) {
    Canvas.FillRect(client);
  } else if (bgStyle_ == bgsGradient) {
    XPGraphUtil::GradientFillRect(Canvas, client, gradientStartColor_, gradientEndColor_, gradientFillDir_, 60);
  } else if (bgStyle_ == bgsTileImage) {
    XPGraphUtil::TileBitmap(Canvas, client, bgImage_);
  } else {
    Canvas.StretchDraw(client, bgImage_);
  }
}

void TxpTabSheet::paintEvent(QPaintEvent*) {
  canvas_->SetSize(width(), height());
  PaintBackground(*canvas_);
  QPainter(this).drawImage(0, 0, canvas_->Image());
}
