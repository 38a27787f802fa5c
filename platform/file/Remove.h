// platform/file/Remove.h — removing one file or one empty folder, and the
// two tests that keep removals from hitting what they must not: the link
// test that keeps walks inside their tree, and the same-file test that keeps
// a copy from emptying its own source.
//
// Paths follow the rule of Path.h. Nothing here raises: a failing call
// answers false and leaves its errno in the last OS error
// (platform/os/LastError.h).
#pragma once

#include <string_view>

namespace kx::platform {

// Removes a file, link or other non-folder entry of exactly this name (a
// link itself, never its target). A folder is refused (EISDIR). Unlike on
// the original platform a read-only file can be removed: Linux asks only
// for write access to the folder.
bool DeleteFile(std::u16string_view Path);

// Removes an empty folder; a trailing separator is allowed.
bool RemoveDirectory(std::u16string_view Path);

// The entry of exactly this name is a symbolic link (whatever it points
// to; a trailing separator is ignored). A folder walk that copies, moves,
// deletes or wipes must not enter such a folder: it leads out of the tree.
bool IsSymbolicLink(std::u16string_view Path);

// Both paths name the same existing file (links followed, hard links
// included). False when either is missing.
bool IsSameFile(std::u16string_view One, std::u16string_view Two);

}  // namespace kx::platform
