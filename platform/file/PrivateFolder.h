// platform/file/PrivateFolder.h — folders of the current user inside folders
// that every user shares (the system's temporary folder, /tmp).
//
// A predictable name in a shared folder can be taken first by another user,
// or planted as a symbolic link that leads somewhere else. So such a folder is
// created with mode 0700, and an existing one is used only when it is a real
// folder of the current (effective) user.
#pragma once

#include <string_view>

namespace kx::platform {

enum class PrivateFolderState {
  Ready,    // created now (mode 0700), or a folder of ours that was there
  Symlink,  // the name is a symbolic link (not followed)
  Foreign,  // the name belongs to another user
  Failed,   // could not be created, or is a file of ours; errno in LastOSError
};

// Makes the folder Path (with or without a closing separator) when it is
// missing; its parent must exist. An existing entry is examined without
// following a link. Drive and network paths fail.
PrivateFolderState MakePrivateFolder(std::u16string_view Path);

}  // namespace kx::platform
