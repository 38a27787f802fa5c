// system/kxToolsEvo2_Shell.h — TkxTools: links on the desktop, file types,
// questions and messages to the user, the screen, and the quick log.
//
// How this works on Linux:
//   - A link is a freedesktop.org desktop entry (see CreateLinkFile).
//   - A file type is registered in the registry store's classes root only
//     (platform/registry/): the data is written, the desktop does not learn
//     of it.
//   - Dialogs, the clipboard and the screen go through the desktop hook
//     (platform/desktop/): without a usable display the answers are its
//     headless ones.
//   - There is no window title to read and no keyboard queue to empty:
//     GetActiveWindowTitle answers "" and ClearKeyboardBuffer 0.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"

namespace TkxTools {

// Writes LinkFile as a desktop entry (mode 0755) that starts FileName with
// the arguments of Parameter (taken apart by the platform's argument rule):
//   [Desktop Entry]
//   Type=Application
//   Name=<LinkFile's file name without extension>
//   Comment=<Description>
//   Exec=<FileName and the arguments, quoted where needed>
//   Path=<FileName's folder>          (when it has one)
//   Icon=<IconFile>                   (when not empty; IconId has no place)
// A FileName that is no executable file gives Type=Link with URL= its URI
// (a URL stays as it is) instead of Exec and Path. An existing LinkFile,
// exactly that one, is replaced. Values are escaped as desktop entries
// require. Whether the file was written.
bool CreateLinkFile(const UnicodeString& FileName, const UnicodeString& Parameter,
                    const UnicodeString& Description, const UnicodeString& LinkFile,
                    const UnicodeString& IconFile, int32_t IconId);

// Writes, below the registry's classes root, in this order, stopping at the
// first failure (T is Extension + "_file"):
//   "." + Extension                (default) = T
//   "." + Extension + "\shellnew"  FileName = "unnamed." + Extension,
//                                  NullFile = ""   (only with EnableNewFile)
//   T                              (default) = FileType
//   T + "\DefaultIcon"             (default) = IconFile, + "," + IconId
//                                              unless IconId is -1
//   T + "\shell\open\command"      (default) = "\"" + ExeFile + "\" \"%1\""
// True when everything was written.
bool RegisterFileType(const UnicodeString& ExeFile, const UnicodeString& FileType,
                      const UnicodeString& Extension, const UnicodeString& IconFile, int32_t IconId,
                      bool EnableNewFile);

// Asks for a user name and a password, both prefilled (cut to 511 and 255
// units). Both receive what the dialog held, also when it was cancelled;
// true only when the user confirmed. Headless: false, both unchanged.
bool PromptForCredentials(const UnicodeString& Caption, const UnicodeString& MessageText,
                          UnicodeString& UserName, UnicodeString& Password);

// Shows VarToStr(MessageText) in a modal message box and waits until it is
// closed. Always true.
bool ShowMessage(const Variant& MessageText);

// Brings the application's main window to the front. Always true.
bool PushApplicationToFront();

// Always "" (see above).
UnicodeString GetActiveWindowTitle();

// Saves the screen (with ActiveWindow, the application's active window when
// it has one) as a JPEG of JpegQuality (1 to 100) to JpegFileName. False on
// any error, and always without a display.
bool TakeScreenShot(const UnicodeString& JpegFileName, bool ActiveWindow, int32_t JpegQuality);

// Always 0 (see above).
int32_t ClearKeyboardBuffer();

// Appends "[" + the local time as "dd.mm.yyyy hh:nn:ss-zzz" (":" the time
// separator of the format settings) + "] " + VarToStr(Data) + CR LF, in
// UTF-8 and one write, to OtherLogFile, or when that is empty to "qdl.log"
// in the host program's folder; the file is created when missing. False on
// any error, which is swallowed.
bool qdl(const Variant& Data, const UnicodeString& OtherLogFile);

namespace detail {
// The text of a desktop entry's Exec key (before the value escaping that
// every value gets): the program (the first argument) in double quotes, each
// further argument as it stands, or quoted too when it holds a reserved
// character or is empty; inside quotes '"', '`', '$' and '\' are escaped by
// '\'; every '%' doubled; arguments joined by one blank.
//   ExecLine({u"/opt/my app/run", u"-x", u"50%"}) == u"\"/opt/my app/run\" -x 50%%"
UnicodeString ExecLine(const std::vector<UnicodeString>& Arguments);
}  // namespace detail

}  // namespace TkxTools
