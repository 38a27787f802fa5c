// platform/os/SystemInfo.h — what the running system says about memory,
// processors, sessions, mounted file systems and the user's
// language. Nothing here raises.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kx::platform {

// Resident memory in bytes (resident pages of /proc/<pid>/statm times the
// page size) of this process, or of the process Pid; nullopt when it cannot
// be read (no such process, no right to look).
std::optional<uint64_t> ResidentMemoryOfSelf();
std::optional<uint64_t> ResidentMemoryOfProcess(uint32_t Pid);

// Processors online now (sysconf); at least 1.
int32_t OnlineProcessorCount();

// Whether the process runs in a remote login session: the systemd login
// session of the process, when it has one, says so; otherwise the session
// counts as remote when SSH_CONNECTION is set.
bool IsRemoteSession();

// What the file system mounted at Path is, by /proc/self/mountinfo.
enum class DriveKind {
  NoMountPoint,  // nothing is mounted at exactly Path (drive letters among them)
  Removable,     // a block device the kernel marks removable
  Fixed,         // any other local file system
  Network,       // NFS, SMB/CIFS, AFS, Ceph, network FUSE file systems, ...
  CdRom,         // iso9660, udf
  RamDisk,       // tmpfs, ramfs
};
// The kind of a file system by its type in the mount table ("tmpfs",
// "nfs4", "fuse.sshfs", ...); RemovableDevice tells whether the block device
// under it is removable.
DriveKind DriveKindOfFileSystem(const std::string& Type, bool RemovableDevice);
// Path is a system file name (see ToSystemPath in platform/file/Path.h); trailing
// "/" do not matter. nullopt when the mount table cannot be read.
std::optional<DriveKind> DriveKindOf(const std::string& Path);

// The user's locale as the language lookups see it: UserLocale()
// (platform/rtl/FormatSettings.h), C and POSIX counting as "en_US", and a
// locale without territory taking ICU's likely one ("de" gives "de_DE").
std::string UserLanguageLocale();
// Its Windows locale id by ICU (0x0407); 0 when ICU has none.
uint32_t UserLocaleLCID();
// Its ISO 639-2 language code by ICU ("deu"); "" when ICU has none.
std::string UserLocaleISO3Language();

}  // namespace kx::platform
