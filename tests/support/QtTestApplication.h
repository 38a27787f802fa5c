// tests/support/QtTestApplication.h — one QApplication for a test binary
// that paints or makes widgets (fonts and widgets need one). The binary's
// environment chooses the platform (QT_QPA_PLATFORM=offscreen).
#pragma once

#include <QApplication>

namespace kx::testing {

// Makes the application on the first call, on the calling thread; it lives
// until the process ends. It is never destroyed: that would unload Qt's
// plug-ins (the JPEG reader) while the process runs on, and the leak check
// at exit cannot read the thread data of a library that is gone.
inline QApplication& QtTestApplication() {
  static int argc = 1;
  static char name[] = "kxtest";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace kx::testing
