// platform/desktop_qt/QtDesktop.h — the desktop hook (platform/desktop/)
// over Qt 6 Widgets. Every call runs on the GUI host's thread
// (platform/ui/GuiHost.h); when no display can be used the hook gives the
// headless answers instead.
//
//   message box            QMessageBox, centred on the screen
//   credentials            a dialog with the fields "UserName" (up to 511
//                          units) and "Password" (up to 255 units, hidden)
//   clipboard              the flavours text/plain, text/html (UTF-8) and
//                          "HTML Format" (the framed HTML)
//   screen grab            the primary screen, or the application's active
//                          window with its frame; JPEG made in memory
//   main window            the active window, else the first visible one
#pragma once

namespace kx::platform {

// Installs the Qt hook as the desktop. No Qt call, no thread: safe while the
// library loads.
void InstallQtDesktop();
// Restores the headless desktop and ends the GUI host's own thread.
void UninstallQtDesktop();

}  // namespace kx::platform
