// platform/ui/Align.h — a control's alignment in its parent: aligned to the
// top it spans the parent's width at its own height, aligned to the client
// area it fills the parent. The geometry follows every size change of the
// parent, and a change of parent.
#pragma once

#include <cstdint>

class QWidget;

namespace kx::platform::ui {

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Aligns Control (alNone: leaves it where it is from now on).
void SetAlign(QWidget* Control, TAlign Align);
TAlign GetAlign(const QWidget* Control);
// Aligns Parent's aligned children to its size now. A hidden widget hears of
// its own size changes only when it is shown; a container that sizes hidden
// children calls this after doing so.
void RealignChildren(QWidget* Parent);

}  // namespace kx::platform::ui
