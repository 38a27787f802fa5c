#include "export/kxQueueManager_BlobRefs.h"

#include <utility>

#include "platform/file/FileSystem.h"
#include "platform/file/Mask.h"
#include "platform/file/Path.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxFiles.h"

namespace kxQueueManager {
namespace {

std::function<void(const UnicodeString&)>& Probe() {
  static std::function<void(const UnicodeString&)> probe;
  return probe;
}

void Probing(const UnicodeString& Path) {
  if (Probe()) Probe()(Path);
}

// A name that stays inside the folder it is joined to.
bool IsPlainName(const UnicodeString& Name) {
  if (Name == u"." || Name == u"..") return false;
  for (char16_t c : Name)
    if (c == u'/' || c == u'\\' || c == u'\0') return false;
  return true;
}

// The size of the file at Path, which exists; a name with "*" or "?" is
// found in its folder's listing, so it is never taken as a mask.
int64_t FileSize(const UnicodeString& Path) {
  const UnicodeString name = kx::platform::ExtractFileName(Path);
  if (!kx::platform::HasWildcards(name)) {
    Probing(Path);
    return TkxFiles::GetSizeOfFile(Path);
  }
  const UnicodeString listing = kx::platform::ExtractFilePath(Path) + u"*";
  Probing(listing);
  for (const kx::platform::FileEntry& entry :
       kx::platform::FindEntries(listing, kx::platform::kPlainFiles))
    if (entry.Name == name) return entry.Size;
  return 0;
}

}  // namespace

UnicodeString FindBlobRefFile(const UnicodeString& Folder, const UnicodeString& Name) {
  const UnicodeString path = Folder + Name;
  if (!kx::platform::HasWildcards(Name)) {
    Probing(path);
    if (TkxFiles::FileExists(path)) return path;
  }
  const UnicodeString folder = kx::platform::ExtractFilePath(path);
  const UnicodeString file = kx::platform::ExtractFileName(path);
  const UnicodeString listing = folder + u"*";
  Probing(listing);
  const UnicodeString upper = UpperText(file);
  UnicodeString found;
  for (const kx::platform::FileEntry& entry :
       kx::platform::FindEntries(listing, kx::platform::kPlainFiles)) {
    if (entry.Name == file) return folder + entry.Name;
    if (found.empty() && UpperText(entry.Name) == upper) found = folder + entry.Name;
  }
  return found;
}

void ResolveBlobReference(TkxBlob& Blob, const UnicodeString& DocumentFolder,
                          const UnicodeString& BlobTempPath, bool LoadBlobRefData) {
  const UnicodeString refId = ToUtf16(Blob.BlobRefId);
  const UnicodeString name = refId + Blob.Extension;
  UnicodeString link;
  if (IsPlainName(name)) {
    link = FindBlobRefFile(DocumentFolder, name);
    if (link.empty()) link = FindBlobRefFile(BlobTempPath, name);
  }
  if (link.empty())
    throw Exception(u"referenced blob with id " + refId + u" not found (" + name + u")");

  Blob.BlobLink = link;
  Blob.OrgLink = link;
  int64_t size;
  if (LoadBlobRefData) {
    AnsiString bytes;
    if (!TkxFiles::LoadFileToString(link, bytes))
      throw Exception(u"unable to load blob data from " + link);
    size = static_cast<int64_t>(bytes.size());
    Blob.BlobData = ByteBuffer(std::move(bytes));
  } else {
    size = FileSize(link);
  }
  if (Blob.BlobSize == 0) Blob.BlobSize = size;
}

void SetBlobRefProbeForTesting(std::function<void(const UnicodeString& Path)> Probe) {
  kxQueueManager::Probe() = std::move(Probe);
}

}  // namespace kxQueueManager
