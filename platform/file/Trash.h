// platform/file/Trash.h — the user's trash as Linux desktops keep it (the
// freedesktop.org trash layout), where file managers, trash-cli and the
// desktop's trash can show and restore what went there.
//
// A trash folder holds files/, with the entries moved there, and info/,
// with one NAME.trashinfo per entry saying where it came from and when:
//   [Trash Info]
//   Path=/home/u/a%20b.txt
//   DeletionDate=2024-07-01T10:30:00
// (Path percent-encoded, byte by byte; DeletionDate in local time, from the
// clock of platform/rtl/Clock.h).
//
// Which trash: the home trash ($XDG_DATA_HOME/Trash, else
// ~/.local/share/Trash) when the entry lies on its file system. Otherwise a
// trash at the top folder of the entry's own file system: $topdir/.Trash/UID
// when $topdir/.Trash is a folder (not a link) with the sticky bit, as an
// administrator makes it, else $topdir/.Trash-UID. Both are made when
// missing and used only when they are folders of this user's own, never
// through a link; the Path of such a trash is relative to $topdir, so the
// volume can be mounted elsewhere. Folders are made with mode 0700.
// Entries never cross file systems and are never deleted.
#pragma once

#include <string_view>

namespace kx::platform {

// Moves the entry Path (a file, a link itself, or a folder with all it
// holds) into the trash: info/NAME.trashinfo is created first, exclusively,
// and synced; then the entry is renamed to files/NAME without replacing
// anything, and when that fails the info file goes again. NAME is the
// entry's name, or "-2", "-3", ... before its extension when the trash holds
// that name already. False, with the last OS error set, when Path names
// nothing, when no trash on the entry's file system can be used (the error
// tells why its folder is unfit: ENOTDIR, ELOOP for a link, EACCES for
// another user's) or the rename fails; the entry then stays where it was.
bool MoveToTrash(std::u16string_view Path);

// For tests: Folder counts as the top folder of its file system (a test
// cannot mount one). Empty restores the real tops.
void SetTrashTopForTesting(std::u16string_view Folder);

}  // namespace kx::platform
