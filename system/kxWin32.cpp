#include "system/kxWin32.h"

#include "platform/file/Path.h"
#include "platform/os/Folders.h"

namespace TkxWin32 {

UnicodeString GetWindowsDirectory() {
  UnicodeString folder = ToUtf16(kx::platform::WindowsDirectory());
  if (folder.empty() || !kx::platform::IsPathDelimiter(folder.back())) folder += u'/';
  return folder;
}

}  // namespace TkxWin32
