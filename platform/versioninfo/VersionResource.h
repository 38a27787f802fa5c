// platform/versioninfo/VersionResource.h — the version block of a file on
// disk: read it, or change it and put the file back.
//
// Files are parsed, never loaded: loading a library would run its
// constructors. See ExecutableFile.h for where the block is found.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/rtl/Text.h"

namespace kx::platform::versioninfo {

// The bytes of FileName's version block (the resource or section, whole);
// nullopt when the file cannot be read or has no block.
std::optional<std::string> ReadVersionBlock(const UnicodeString& FileName);

// Reads the whole file into memory, finds its block and lets Change alter
// the block's bytes in place (it must keep their number, and answers false
// to give up). The changed copy then replaces the file atomically: a PE
// CheckSum that is not 0 is computed anew, the file's mode is kept, and when
// FileName is a symbolic link the file it points to is replaced. A process
// that has the file open or mapped keeps the old one.
// False, with the file unchanged, when it cannot be read, has no block,
// Change gives up, or the file cannot be replaced (the thread's last OS
// error tells why where a system call failed).
bool RewriteVersionBlock(const UnicodeString& FileName,
                         const std::function<bool(std::string& Block)>& Change);

}  // namespace kx::platform::versioninfo
