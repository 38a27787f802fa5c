// platform/ui/QtConvert.h — our font records as Qt's fonts (texts:
// QtText.h, colours: Colors.h), for the code that paints and builds widgets.
#pragma once

#include <QFont>

#include "platform/rtl/Graphics.h"
#include "platform/ui/Colors.h"
#include "platform/ui/QtText.h"

namespace kx::platform::ui {

// The font with its pixel height (|Height|), styles, no antialiasing.
QFont ToQFont(const TFont& Font);
// A Qt font as a font record in Color: its family, its pixel size as the
// height (a point size through the 96 dpi relation) and its styles.
TFont FromQFont(const QFont& Font, TColor Color = clWindowText);

}  // namespace kx::platform::ui
