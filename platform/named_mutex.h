// platform/named_mutex.h — named mutexes shared by the processes of one user.
//
// A mutex is a lock file per name in $XDG_RUNTIME_DIR/vanto/mutex/ (when that
// variable holds an absolute path), else in /tmp/vanto-mutex-<uid>/. The
// folders are made with mode 0700 and refused when they are symbolic links
// or belong to another user; so are lock files. A name becomes a file name
// by keeping ASCII letters, digits, "-", "_" and "." (not a leading ".") and
// writing every other byte of its UTF-8 form as "%" and two hexadecimal
// digits; a very long name is cut and completed by a hash of the whole.
// Names are case-sensitive. Processes with different XDG_RUNTIME_DIR
// settings do not see each other's mutexes.
//
// Open file description locks (F_OFD_SETLK) carry the state:
//   - a shared lock on byte 0 is an open handle: the mutex exists while any
//     process holds one;
//   - an exclusive lock on byte 1 is ownership;
//   - an exclusive lock on byte 2 is held for a moment while a handle is
//     created or opened, so that "exists?" and "open" happen as one step.
// The kernel drops every lock of a process that ends, however it ends, so a
// dead owner leaves nothing behind (the file stays, harmless).
//
// Ownership belongs to the process, not to a thread: an owner that waits
// again succeeds at once. Handles that this layer keeps (a created mutex,
// the ownership gained by a wait) live in a locked process-wide table until
// the process ends or Release gives the ownership back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kx::platform::named_mutex {

// True when a mutex of that name exists (some process holds a handle).
// False when none exists and on any error.
bool IsActive(std::u16string_view Name);

enum class CreateResult { Created, Exists, Failed };
// Creates the mutex owned by this process, unless it exists. The handle
// stays open for the life of the process.
CreateResult Create(std::u16string_view Name);

enum class WaitResult { NoMutex, Acquired, TimedOut, Failed };
// Opens an existing mutex and waits up to Milliseconds (below 0: without
// limit) to own it. Acquired leaves it owned by this process; the handle of
// the wait is closed otherwise.
WaitResult Wait(std::u16string_view Name, int32_t Milliseconds);

enum class ReleaseResult { NoMutex, Released, Failed };
// Gives up this process's ownership of an existing mutex; Released also when
// this process did not own it (nothing changes then). The handle of a
// Create stays open, so the mutex keeps existing.
ReleaseResult Release(std::u16string_view Name);

// The lock file's name for Name (see above), for tests.
std::string FileNameFor(std::u16string_view Name);

}  // namespace kx::platform::named_mutex
