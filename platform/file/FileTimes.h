// platform/file/FileTimes.h — setting the times of a file or folder.
//
// Times are read with the directory search (FileSystem.h, FileEntry). Linux
// keeps no settable creation time: the birth time that some file systems
// record is set by the kernel when the file is made and by nothing else, so
// only the last-access and last-write times can be set here.
#pragma once

#include <string_view>

#include "platform/file/FileSystem.h"

namespace kx::platform {

// Opens the existing entry Path (never creating it), takes the exclusive
// lock that a FileStream of mode 0x0022 takes, so it fails while another
// opener of this layer holds a lock, and sets the given times; nullptr
// leaves a time as it is. ReadWrite opens for reading and writing, which a
// folder refuses; without it, folders are opened as well (read only, and
// with O_NONBLOCK, so a FIFO never blocks the call). The times are set by
// the file's owner (or a privileged process) only. False, with the last OS
// error, when the entry cannot be opened or locked or the system refuses.
bool SetFileTimes(std::u16string_view Path, bool ReadWrite, const FileTime* LastAccess,
                  const FileTime* LastWrite);

}  // namespace kx::platform
