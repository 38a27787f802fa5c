// platform/file/FaultInjection.h — the file layer's test seam: makes a chosen
// write, sync, rename or close of the layer fail with a chosen error, so that
// full disks, failed syncs and failed publishes can be tested, and records the
// layer's syncs and renames, so that a test can tell what was on disk before
// what was published.
//
// Compiled in and off by default: until a test arms a fault or starts the
// record, each of those calls costs one relaxed atomic load. Process-wide;
// tests that use it run their file operations on one thread.
//
//   InjectFileFaultForTesting(FileCall::Sync, 2, EIO);  // the 2nd sync from now fails
//   ... save a document ...                           // fails as a failed fsync does
//   ClearFileFaultsForTesting();
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kx::platform {

// The calls of the layer that the seam counts:
//   Write   one write of bytes (a block of a copy, one write of a staged file,
//           one write of a file stream);
//   Sync    fsync or fdatasync of a file (not of a folder);
//   Rename  the rename that publishes a staged file, or a move;
//   Close   the close of a file that was written.
enum class FileCall : uint8_t { Write, Sync, Rename, Close };

// Arms a fault: the Nth call of that kind from now on (1: the next one) fails
// with Error without reaching the system, and the seam disarms it. Arming a
// kind again replaces its fault.
void InjectFileFaultForTesting(FileCall Call, uint64_t Nth, int Error);
// Disarms every fault, stops the record and forgets it.
void ClearFileFaultsForTesting();

// One recorded call: for Sync the file synced (its name at that moment), for
// Rename the old name in Path and the new one in Target. Names in system form.
struct FileCallRecord {
  FileCall Call;
  std::string Path;
  std::string Target;
};
// Starts (true) or stops recording syncs and renames; starting forgets an
// earlier record.
void RecordFileCallsForTesting(bool On);
std::vector<FileCallRecord> RecordedFileCallsForTesting();

namespace detail {
// For the layer itself: true, with errno set to the armed error, when this
// call must fail. Path and Target name the file for the record (Sync: its
// descriptor is enough; pass -1 otherwise).
bool FileCallFails(FileCall Call, int Fd = -1, const char* Path = nullptr,
                   const char* Target = nullptr);
}  // namespace detail

}  // namespace kx::platform
