// The settings dialog of command 800 through the loaded plug-in: without a
// display it answers -1 and the plug-in goes on; offscreen the dialog shows
// on the plug-in's own GUI thread, which pins the plug-in in memory. Each
// group runs in a process of its own (CTest selects it with GTEST_FILTER).
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QMetaObject>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include "tools/kxhost/kxHost.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string RunHost(const std::string& script) {
  kx::host::HostOptions options;
  options.PluginPath = KX_PLUGIN_PATH;
  std::ostringstream out, err;
  kx::host::RunScript(options, script, out, err);
  return out.str();
}

TEST(NoDisplay, TheDialogAnswersMinusOneAndTheHostGoesOn) {
  // CTest runs this group with the xcb platform.
  const fs::path source = fs::path(std::getenv("KX_SOURCE_DIR")) / "testdata/kxhost";
  const std::string script = ReadText(source / "dialog-nodisplay.kxs");
  const std::string expected = ReadText(source / "dialog-nodisplay.out");
  for (const char* display : {"", ":97"}) {  // none; one where no X server listens
    ::setenv("DISPLAY", display, 1);
    EXPECT_EQ(RunHost(script), expected) << display;
  }
}

// Presses the button named Button of the next modal dialog, on the GUI
// thread of whichever Qt application runs it.
void PressWhenShown(const char* Button, std::atomic<bool>& Pressed) {
  while (!Pressed) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
      QMetaObject::invokeMethod(app, [&Pressed, Button] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr || Pressed) return;
        if (auto* b = dialog->findChild<QAbstractButton*>(QString::fromLatin1(Button))) {
          Pressed = true;
          b->click();
        }
      });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TEST(Offscreen, TheDialogPinsThePluginAndShowsAgainAfterAnUnload) {
  const std::string script = "110\t<kxConfig><Task>t</Task></kxConfig>\n800\n850\n";
  std::atomic<bool> pressed{false};
  std::thread ok([&] { PressWhenShown("btn_OK", pressed); });
  const std::string first = RunHost(script);  // loads, runs and unloads the plug-in
  ok.join();
  EXPECT_NE(first.find("800 -> 0\n"), std::string::npos) << first;
  EXPECT_NE(first.find("<CreateNewDocId>true</CreateNewDocId>"), std::string::npos) << first;

  void* handle = dlopen(KX_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(handle, nullptr);  // pinned
  if (handle != nullptr) dlclose(handle);

  pressed = false;
  std::thread cancel([&] { PressWhenShown("btn_Cancel", pressed); });
  const std::string again = RunHost(script);
  cancel.join();
  EXPECT_EQ(again, "110 -> 0\n800 -> 0\n850 -> 0 data=\"<kxConfig><Task>t</Task></kxConfig>\"\n");
}

}  // namespace
