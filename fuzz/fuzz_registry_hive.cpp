// Hive files: whatever bytes a hive file holds, reading must end without a
// crash, and what the writer makes of the result must read back as a sound
// hive that writes the same text again (so a rewrite never changes or loses
// what was read). The first byte picks the root, the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry/Hive.h"

using namespace kx::platform::registry;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const HKEY kRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
                                HKEY_USERS, HKEY_CURRENT_CONFIG};
  const HKEY root = kRoots[data[0] % 5];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  Hive first;
  first.Root = root;
  ReadHive(bytes, first);
  const std::string written = WriteHive(first);

  Hive second;
  second.Root = root;
  ReadHive(written, second);
  if (second.Damaged) std::abort();
  if (WriteHive(second) != written) std::abort();
  return 0;
}
