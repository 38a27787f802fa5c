// tests/support/QtTestApplication.h — one QApplication for a test binary
// that paints or makes widgets (fonts and widgets need one). The binary's
// environment chooses the platform (QT_QPA_PLATFORM=offscreen).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

namespace kx::testing {

// Makes the application on the first call, on the calling thread; it is
// destroyed when the tests have run (a test environment's tear-down), so
// that what it holds is freed before the leak check.
inline QApplication& QtTestApplication() {
  static QApplication* app = nullptr;
  if (app == nullptr) {
    static int argc = 1;
    static char name[] = "kxtest";
    static char* argv[] = {name, nullptr};
    app = new QApplication(argc, argv);
    struct Owner : ::testing::Environment {
      void TearDown() override {
        delete app;
        app = nullptr;
      }
    };
    ::testing::AddGlobalTestEnvironment(new Owner);
  }
  return *app;
}

}  // namespace kx::testing
