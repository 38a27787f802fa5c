#include "platform/ui/Panel.h"

#include <QPainter>

namespace kx::platform::ui {

TkxPanel::TkxPanel(QWidget* Parent) : QWidget(Parent) {}

void TkxPanel::SetColor(TColor Color) {
  color_ = Color;
  update();
}

void TkxPanel::SetBevelOuter(TBevelCut Bevel) {
  bevelOuter_ = Bevel;
  update();
}

void TkxPanel::SetParentBackground(bool Value) {
  parentBackground_ = Value;
  update();
}

void TkxPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QColor fill = ToQColor(color_);
  if (!parentBackground_ && fill.isValid()) painter.fillRect(rect(), fill);
  if (bevelOuter_ == TBevelCut::bvNone) return;
  const QColor light = ToQColor(static_cast<TColor>(0xFF000014));   // button highlight
  const QColor shadow = ToQColor(static_cast<TColor>(0xFF000010));  // button shadow
  const QColor topLeft = bevelOuter_ == TBevelCut::bvRaised ? light : shadow;
  const QColor bottomRight = bevelOuter_ == TBevelCut::bvRaised ? shadow : light;
  const QRect r = rect().adjusted(0, 0, -1, -1);
  painter.setPen(topLeft);
  painter.drawLine(r.topLeft(), r.topRight());
  painter.drawLine(r.topLeft(), r.bottomLeft());
  painter.setPen(bottomRight);
  painter.drawLine(r.bottomLeft(), r.bottomRight());
  painter.drawLine(r.topRight(), r.bottomRight());
}

}  // namespace kx::platform::ui
