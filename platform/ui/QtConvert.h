// platform/ui/QtConvert.h — our texts, colours and fonts as Qt's, for the
// code that paints and builds widgets.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include "platform/rtl/Graphics.h"
#include "platform/rtl/Text.h"

namespace kx::platform::ui {

inline QString ToQString(const UnicodeString& Text) {
  return QString(reinterpret_cast<const QChar*>(Text.data()), static_cast<qsizetype>(Text.size()));
}
inline UnicodeString FromQString(const QString& Text) {
  return UnicodeString(reinterpret_cast<const char16_t*>(Text.utf16()), size_t(Text.size()));
}

// The colour's plain RGB (ColorToRGB), opaque.
QColor ToQColor(TColor Color);
// The font with its pixel height (|Height|), styles, no antialiasing.
QFont ToQFont(const TFont& Font);
// A Qt font as a font record in Color: its family, its pixel size as the
// height (a point size through the 96 dpi relation) and its styles.
TFont FromQFont(const QFont& Font, TColor Color = clWindowText);

}  // namespace kx::platform::ui
