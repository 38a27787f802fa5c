// Reading a document XML from arbitrary text with both reference flags, in a
// sandbox folder that holds a few blob files: the reader never crashes,
// fails only with its loading text, and looks up no path outside the
// current folder (the text's document folder) and the temporary folder.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "export/kxQueueManager_BlobRefs.h"
#include "export/kxQueueManager_DocumentXmlReader.h"

namespace {

UnicodeString g_temp;
bool g_outside = false;

bool Plain(std::u16string_view name) { return name.find_first_of(u"/\\") == std::u16string_view::npos; }

void Check(const UnicodeString& path) {
  const bool inTemp = path.compare(0, g_temp.size(), g_temp) == 0 &&
                      Plain(std::u16string_view(path).substr(g_temp.size()));
  if (!inTemp && !Plain(path)) {
    std::fprintf(stderr, "looked up outside the folders: %s\n", ToUtf8(path).c_str());
    g_outside = true;
  }
}

void Sandbox() {
  const char* tmp = std::getenv("TMPDIR");
  const std::string root = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                           "/fuzz_document_xml_reader." + std::to_string(::getpid());
  ::mkdir(root.c_str(), 0700);
  ::mkdir((root + "/temp").c_str(), 0700);
  for (const char* name : {"/A.tif", "/b.PDF", "/temp/C.txt", "/temp/d"})
    std::ofstream(root + name, std::ios::binary) << "blob " << name;
  if (::chdir(root.c_str()) != 0) std::abort();
  g_temp = ToUtf16(root + "/temp/");
  kxQueueManager::SetBlobRefProbeForTesting(&Check);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (Sandbox(), true);
  (void)ready;
  AnsiString text(reinterpret_cast<const char*>(data), size);
  // Text input only: a path-like start could name a file of the machine.
  if (text.compare(0, 1, "/") == 0 || text.compare(0, 2, "\\\\") == 0 ||
      (text.size() >= 3 && text.compare(1, 2, ":\\") == 0))
    text.insert(0, " ");
  TDocumentQueueRecord q;
  UnicodeString message;
  const bool ok = kxQueueManager::LoadDocumentXML(q, text, false, true, true, g_temp, message);
  if (!ok && message.rfind(u"error loading document xml (", 0) != 0) std::abort();
  if (!ok && !text.empty()) std::abort();
  if (g_outside) std::abort();
  return 0;
}
