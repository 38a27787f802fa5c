// LoadDocumentJson on arbitrary text, with blob references looked up (with
// and without loading their bytes), in a sandbox folder. It never crashes,
// and every path the reference lookup asks about lies in one of its two
// folders: the current folder (text input has no document folder) and the
// temporary blob folder, never below or above them.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "export/kxQueueManager_BlobRefs.h"
#include "export/kxQueueManager_DocumentJsonReader.h"
#include "platform/rtl/Exceptions.h"

namespace {

const UnicodeString& TempFolder() {
  static const UnicodeString folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                             "/fuzz_document_json." + std::to_string(::getpid());
    std::system(("mkdir -p '" + base + "/cwd' '" + base + "/temp'").c_str());
    // A few files the references may find.
    for (const char* name : {"/cwd/a.pdf", "/cwd/B.TIF", "/temp/a.pdf", "/temp/c.bin", "/secret.pdf"})
      std::ofstream(base + name) << "bytes";
    if (::chdir((base + "/cwd").c_str()) != 0) std::abort();
    static const std::string sandbox = base;
    std::atexit([] { std::system(("rm -rf '" + sandbox + "'").c_str()); });
    return ToUtf16(base + "/temp/");
  }();
  return folder;
}

bool HasSeparator(std::u16string_view Name) { return Name.find_first_of(u"/\\") != std::u16string_view::npos; }

// A path the lookup may ask about: a name alone (the current folder) or one
// directly in the temporary folder; a folder's listing ends in "*".
bool InTheFolders(const UnicodeString& Path) {
  const UnicodeString& temp = TempFolder();
  if (Path.rfind(temp, 0) == 0) return !HasSeparator(std::u16string_view(Path).substr(temp.size()));
  return !HasSeparator(Path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const UnicodeString& temp = TempFolder();
  kxQueueManager::SetBlobRefProbeForTesting([](const UnicodeString& Path) {
    if (!InTheFolders(Path)) {
      std::fprintf(stderr, "looked outside the folders: %s\n", ToUtf8(Path).c_str());
      std::abort();
    }
  });
  // The first byte picks the flags; a blank in front keeps the rest text
  // even when it looks like a path.
  const bool loadData = (data[0] & 1) != 0;
  const bool newId = (data[0] & 2) != 0;
  const std::string text = " " + std::string(reinterpret_cast<const char*>(data) + 1, size - 1);
  TDocumentQueueRecord q;
  UnicodeString message;
  try {
    kxQueueManager::LoadDocumentJson(q, text, newId, true, loadData, temp, message);
  } catch (const Exception& e) {
    if (message != u"error loading document json (" + e.Message + u")") std::abort();
  }
  kxQueueManager::SetBlobRefProbeForTesting(nullptr);
  return 0;
}
