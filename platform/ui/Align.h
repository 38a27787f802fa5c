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

}  // namespace kx::platform::ui
