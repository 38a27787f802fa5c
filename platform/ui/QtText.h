// platform/ui/QtText.h — texts between the system (UTF-16) and Qt (UTF-16):
// unit for unit, never through UTF-8, so a lone surrogate survives.
#pragma once

#include <QString>

#include <string_view>

#include "platform/rtl/Text.h"

namespace kx::platform::ui {

inline QString ToQString(std::u16string_view Text) {
  return QString::fromUtf16(Text.data(), static_cast<qsizetype>(Text.size()));
}

inline UnicodeString FromQString(const QString& Text) {
  return UnicodeString(reinterpret_cast<const char16_t*>(Text.utf16()), static_cast<size_t>(Text.size()));
}

}  // namespace kx::platform::ui
