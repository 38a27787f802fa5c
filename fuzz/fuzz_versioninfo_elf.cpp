// ELF files: whatever bytes a file holds, the search for the section
// ".kxversioninfo" ends without a crash and finds only bytes inside the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/file/FileReader.h"
#include "platform/versioninfo/ExecutableFile.h"
#include "platform/versioninfo/VersionBlock.h"

using namespace kx::platform::versioninfo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const kx::platform::MemorySource file(bytes);
  if (const auto where = LocateElfVersionBlock(file)) {
    if (where->Offset > size || where->Size > size - where->Offset) std::abort();
    ParseVersionBlock(bytes.substr(where->Offset, where->Size));
  }
  return 0;
}
