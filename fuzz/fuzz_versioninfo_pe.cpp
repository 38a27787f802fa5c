// PE files: whatever bytes a file holds, the search for its version block
// ends without a crash and finds only bytes inside the file; the CheckSum
// field, when there is one, lies inside it too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/file/FileReader.h"
#include "platform/versioninfo/ExecutableFile.h"
#include "platform/versioninfo/VersionBlock.h"

using namespace kx::platform::versioninfo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Every input is read as a PE file: the "MZ" is the fuzzer's to find.
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const kx::platform::MemorySource file(bytes);
  if (const auto where = LocatePeVersionBlock(file)) {
    if (where->Offset > size || where->Size > size - where->Offset) std::abort();
    ParseVersionBlock(bytes.substr(where->Offset, where->Size));
  }
  if (const auto at = PeCheckSumOffset(file)) {
    if (*at + 4 > size) std::abort();
    ComputePeCheckSum(bytes, *at);
  }
  return 0;
}
