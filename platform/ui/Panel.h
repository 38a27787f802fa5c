// platform/ui/Panel.h — the platform's panel: a plain container that paints
// its own colour (unless it takes its parent's background) and an outer
// bevel one pixel wide. Forms and the styler recognise it by its type.
#pragma once

#include <QWidget>

#include "platform/ui/Colors.h"

namespace kx::platform::ui {

enum class TBevelCut { bvNone, bvLowered, bvRaised };

class TkxPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TkxPanel(QWidget* Parent = nullptr);

  TColor Color() const { return color_; }
  void SetColor(TColor Color);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut Bevel);
  // On (the default): the panel shows what lies behind it and paints no
  // colour of its own.
  bool ParentBackground() const { return parentBackground_; }
  void SetParentBackground(bool Value);

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  TColor color_ = clBtnFace;
  TBevelCut bevelOuter_ = TBevelCut::bvRaised;
  bool parentBackground_ = true;
};

}  // namespace kx::platform::ui
