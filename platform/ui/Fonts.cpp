#include "platform/ui/Fonts.h"

#include <QFontDatabase>
#include <QString>

namespace kx::platform::ui {
namespace {

// Asked each time: a font registered with one Qt application is gone when
// the library's GUI thread makes a new one.
void EnsureTahoma() {
  if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) return;
#ifdef KX_TAHOMA_REGULAR
  QFontDatabase::addApplicationFont(QStringLiteral(KX_TAHOMA_REGULAR));
#endif
#ifdef KX_TAHOMA_BOLD
  QFontDatabase::addApplicationFont(QStringLiteral(KX_TAHOMA_BOLD));
#endif
}

}  // namespace

QFont FormFont(int PixelSize, bool Bold) {
  EnsureTahoma();
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(PixelSize);
  font.setBold(Bold);
  return font;
}

}  // namespace kx::platform::ui
