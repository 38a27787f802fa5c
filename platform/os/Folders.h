// platform/os/Folders.h — the folders the system keeps for its own and the
// user's purposes, by the shell's folder numbers (CSIDL).
//
// There is no Windows folder on Linux: the system-wide Windows folder is the
// root "/", and every caller that asks for it (the system folders, the
// Windows-folder operations of the file toolkit) gets it from here.
#pragma once

#include <cstdint>
#include <string>

namespace kx::platform {

// "/"
std::string WindowsDirectory();

// The folder for a folder number, without closing separator (the root stays
// "/"); "" for a number without a folder here, and when the user's home
// cannot be found for a folder below it. The flag bits 0xFF00 are masked
// off; 0x8000 creates the folder (mode 0700, with its parents) and gives ""
// when that fails. Otherwise the folder need not exist.
//   0, 16  the desktop          5, 12  documents        13  music
//   14     videos               39     pictures         21  templates
//          (these six from the XDG user folders: user-dirs.dirs in the
//          configuration folder, else ~/Desktop, ~/Documents, ...)
//   26     $XDG_CONFIG_HOME or ~/.config       28  $XDG_DATA_HOME or ~/.local/share
//   32     $XDG_CACHE_HOME or ~/.cache         35  /var/lib
//   40     the home folder                     36  the Windows folder ("/")
//   7      the user's autostart folder (configuration folder + "/autostart")
//   24     /etc/xdg/autostart
//   2, 11  the user's applications (data folder + "/applications")
//   22, 23 /usr/share/applications             20  the user's fonts (data folder + "/fonts")
//   37, 41 /usr/bin      38, 42 /opt           43, 44 /usr/lib
// An XDG variable that is empty or not absolute is ignored. The home folder
// is $HOME when that is absolute, else the account's home folder.
std::string SpecialFolderPath(int32_t CSIDL);

}  // namespace kx::platform
