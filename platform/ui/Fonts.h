// platform/ui/Fonts.h — the forms' font. Forms are laid out in pixels for
// Tahoma; when the system's font configuration does not list Tahoma, the
// font files found when the build was configured are registered with Qt on
// first use (a family Qt cannot find falls back to its default).
#pragma once

#include <QFont>

namespace kx::platform::ui {

// Tahoma at a pixel size (a form's "height -11" is pixel size 11). Call on
// the GUI thread.
QFont FormFont(int PixelSize, bool Bold = false);

}  // namespace kx::platform::ui
