// platform/file/AtomicReplace.h — replacing a whole file so that no reader
// ever sees a half-written one.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace kx::platform {

// Writes Data to a staged file in the same folder (StagedFile.h: a hidden
// temporary name, fsync, rename), gives it the mode of the file it replaces
// (NewFileMode when there is none; the umask does not apply; private while
// it is written) and renames it over Path; then the folder is synced too. A
// reader opening Path sees the old content or the new one. On failure Path
// is unchanged, the temporary file is removed, errno tells why, and the
// answer is false. The folder must exist.
//
// Callers that read, change and write back a shared file serialise around
// this call themselves (the registry store holds a lock on a side file).
bool ReplaceFileAtomically(const std::string& Path, std::string_view Data, mode_t NewFileMode);

}  // namespace kx::platform
