#include "platform/versioninfo/VersionResource.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/file/AtomicReplace.h"
#include "platform/file/FileReader.h"
#include "platform/file/Path.h"
#include "platform/os/LastError.h"
#include "platform/versioninfo/ExecutableFile.h"

namespace kx::platform::versioninfo {

std::optional<std::string> ReadVersionBlock(const UnicodeString& FileName) {
  const FileReader file(FileName);
  if (!file.IsOpen()) return std::nullopt;
  const std::optional<BlockLocation> where = LocateVersionBlock(file);
  if (!where) return std::nullopt;
  std::string block(where->Size, '\0');
  if (!file.ReadAt(where->Offset, block.data(), block.size())) return std::nullopt;
  return block;
}

bool RewriteVersionBlock(const UnicodeString& FileName,
                         const std::function<bool(std::string& Block)>& Change) {
  std::string bytes;
  {
    const FileReader file(FileName);
    if (!file.IsOpen() || !file.ReadAll(bytes)) return false;
  }
  const MemorySource image(bytes);
  const std::optional<BlockLocation> where = LocateVersionBlock(image);
  if (!where) return false;
  std::string block = bytes.substr(where->Offset, where->Size);
  if (!Change(block) || block.size() != where->Size) return false;
  const std::optional<uint64_t> checkSumAt = PeCheckSumOffset(image);
  std::copy(block.begin(), block.end(), bytes.begin() + static_cast<ptrdiff_t>(where->Offset));

  if (const std::optional<uint64_t> at = checkSumAt) {
    auto* p = reinterpret_cast<unsigned char*>(bytes.data() + *at);
    if (p[0] | p[1] | p[2] | p[3]) {
      const uint32_t sum = ComputePeCheckSum(bytes, *at);
      for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(sum >> (8 * i));
    }
  }

  // Replace the file a link points to, not the link.
  std::string name;
  if (!ToSystemPath(FileName, name)) return false;
  std::unique_ptr<char, decltype(&std::free)> target(::realpath(name.c_str(), nullptr),
                                                     &std::free);
  if (!target) return FailWithErrno();
  if (!ReplaceFileAtomically(target.get(), bytes, 0644)) return FailWithErrno();
  return true;
}

}  // namespace kx::platform::versioninfo
