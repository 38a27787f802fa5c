#include "platform/ui/Align.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace kx::platform::ui {
namespace {

// Lives as a child of the control; watches the control and its parent.
class Aligner : public QObject {
 public:
  Aligner(QWidget* Control, TAlign Align) : QObject(Control), control_(Control), align_(Align) {
    setObjectName(QStringLiteral("kxAligner"));
    Control->installEventFilter(this);
    Watch();
    Apply();
  }
  TAlign Align() const { return align_; }
  void Realign() { Apply(); }
  void SetAlign(TAlign Align) {
    align_ = Align;
    Apply();
  }

  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Watched == control_ && Event->type() == QEvent::ParentChange) {
      Watch();
      Apply();
    } else if (Watched == parent_ && Event->type() == QEvent::Resize) {
      Apply();
    }
    return false;
  }

 private:
  void Watch() {
    if (parent_) parent_->removeEventFilter(this);
    parent_ = control_->parentWidget();
    if (parent_) parent_->installEventFilter(this);
  }
  void Apply() {
    if (!parent_) return;
    const int w = parent_->width(), h = parent_->height();
    switch (align_) {
      case alTop: control_->setGeometry(0, 0, w, control_->height()); break;
      case alBottom: control_->setGeometry(0, h - control_->height(), w, control_->height()); break;
      case alLeft: control_->setGeometry(0, 0, control_->width(), h); break;
      case alRight: control_->setGeometry(w - control_->width(), 0, control_->width(), h); break;
      case alClient: control_->setGeometry(0, 0, w, h); break;
      case alNone: break;
    }
  }

  QWidget* control_;
  QPointer<QWidget> parent_;
  TAlign align_;
};

Aligner* Find(const QWidget* Control) {
  return Control->findChild<Aligner*>(QStringLiteral("kxAligner"), Qt::FindDirectChildrenOnly);
}

}  // namespace

void SetAlign(QWidget* Control, TAlign Align) {
  if (Control == nullptr) return;
  if (Aligner* aligner = Find(Control))
    aligner->SetAlign(Align);
  else
    new Aligner(Control, Align);
}

void RealignChildren(QWidget* Parent) {
  if (Parent == nullptr) return;
  for (QObject* child : Parent->children())
    if (child->isWidgetType())
      if (Aligner* aligner = Find(static_cast<QWidget*>(child))) aligner->Realign();
}

TAlign GetAlign(const QWidget* Control) {
  const Aligner* aligner = Control != nullptr ? Find(Control) : nullptr;
  return aligner != nullptr ? aligner->Align() : alNone;
}

}  // namespace kx::platform::ui
