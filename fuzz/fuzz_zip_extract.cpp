// Unpacking archives: whatever bytes an archive file holds, GetFilesFromZip
// must end without a crash and write nothing outside the folder it was
// given. The target folder lies twelve levels below a private root, so a
// member that climbs out of it with ".." levels still lands inside the root,
// where the check below sees it; absolute names would leave the root, and
// the listed files are checked to lie inside the target as well.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "system/kxFiles_Zip.h"

namespace fs = std::filesystem;

namespace {

const std::string& Root() {
  static const std::string root = [] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr ? tmp : "/tmp") + "/fuzz_zip_extract." + std::to_string(::getpid());
  }();
  return root;
}

bool Inside(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string root = Root();
  const std::string archive = root + "/in.zip";
  std::string target = root;
  for (int level = 1; level <= 12; ++level) target += "/l" + std::to_string(level);
  fs::remove_all(root);
  fs::create_directories(target);
  std::ofstream(archive, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  TStringList files;
  TkxFiles::GetFilesFromZip(ToUtf16(archive), ToUtf16(target), files);

  for (int32_t i = 0; i < files.Count(); ++i)
    if (!Inside(fs::weakly_canonical(ToUtf8(files[i])).string(), target)) std::abort();
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string path = it->path().string();
    const bool onTheWay = it->is_directory() && (target == path || Inside(target, path));
    if (path != archive && !onTheWay && !Inside(path, target)) std::abort();
  }
  fs::remove_all(root);
  return 0;
}
