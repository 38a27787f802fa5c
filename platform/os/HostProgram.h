// platform/os/HostProgram.h — the executable file of the running process.
//
// Not the same as ModuleFileName (System.h): inside the plug-in that is the
// library, while the host program is the application that loaded it. The
// installation tools take the host program's folder and name from here.
#pragma once

#include <optional>
#include <string>

namespace kx::platform {

// The resolved full path of the process's executable (realpath of
// /proc/self/exe), read afresh on every call; "" when it cannot be resolved.
std::string HostProgramFileName();

// Replaces the answer of HostProgramFileName for tests (the path need not
// exist); nullopt restores the process's own.
void SetHostProgramForTesting(std::optional<std::string> Path);

}  // namespace kx::platform
