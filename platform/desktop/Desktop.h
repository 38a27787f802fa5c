// platform/desktop/Desktop.h — the user's desktop as the toolkit sees it:
// message box, credentials dialog, clipboard, screen grab, raising the
// application's main window, and an event pump for waits on the GUI
// thread.
//
// The desktop is a hook. Without one installed it is headless, and the
// answers are fixed:
//   ShowMessage            true (nobody to show it to, nothing to wait for)
//   PromptForCredentials   false, both texts unchanged
//   CopyToClipboard        raises EClipboardException
//   GrabScreenJpeg         false
//   RaiseMainWindow        true
//   PumpEvents             nothing
// The plug-in installs its Qt form (platform/desktop_qt/) when it loads;
// that form answers headless too when no display can be used.
#pragma once

#include <string>

#include "platform/rtl/Text.h"

namespace kx::platform {

// What goes on the clipboard in one step: a plain text, the HTML text as
// UTF-8, and the same HTML framed for programs that read the "HTML Format"
// flavour (header with byte offsets; see TkxTools::CopyHTMLToClipBoard).
struct ClipboardContent {
  UnicodeString PlainText;
  std::string HtmlUtf8;
  std::string HtmlFormat;
};

class DesktopHook {
 public:
  virtual ~DesktopHook() = default;

  // A modal message box with Text, centred on the screen; returns when the
  // user closed it.
  virtual bool ShowMessage(const UnicodeString& Text) = 0;
  // A dialog asking for a user name and a password, prefilled with both.
  // Afterwards both hold what the dialog held, also when it was cancelled;
  // true only when the user confirmed.
  virtual bool PromptForCredentials(const UnicodeString& Caption, const UnicodeString& Message,
                                    UnicodeString& UserName, UnicodeString& Password) = 0;
  // Replaces the clipboard's content; raises EClipboardException when the
  // clipboard cannot be written.
  virtual void CopyToClipboard(const ClipboardContent& Content) = 0;
  // The screen (or, with ActiveWindow, the application's active window when
  // it has one) as a JPEG of Quality (1 to 100) in Jpeg; false when there is
  // nothing to grab or it cannot be encoded.
  virtual bool GrabScreenJpeg(bool ActiveWindow, int32_t Quality, std::string& Jpeg) = 0;
  // Brings the application's main window to the front.
  virtual bool RaiseMainWindow() = 0;
  // Lets the GUI handle what is waiting for it, when called on the GUI
  // thread; nothing on any other thread.
  virtual void PumpEvents() = 0;
};

// The installed hook, or the headless one.
DesktopHook& Desktop();
// Installs Hook (which must outlive its use); nullptr restores the headless
// desktop.
void SetDesktopHook(DesktopHook* Hook);

// The headless answers, for hooks that find no usable display.
DesktopHook& HeadlessDesktop();

}  // namespace kx::platform
