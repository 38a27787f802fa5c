// export/kxQueueManager_BlobRefs.h — finding and loading the file of a blob
// that a document names only by reference, for the document readers (XML and
// JSON).
//
// A reference comes from the document, so it is outside input: only a plain
// file name is looked up, BlobRefId + Extension, which holds no "/", "\" or
// NUL and is not "." or "..". Anything else ("../../x", "/etc/x" with text
// input) is refused as if the file were missing, so a document can name no
// file outside the folders below.
//
// The export run stores a blob's copy beside its document under the name it
// had on the host, "ABC-1.PDF", while the document says ".pdf": on a file
// system that tells case apart the exact name then misses. So where the
// exact name is not in a folder, the first file of the folder's sorted
// listing whose name equals it after UpperText of both is taken, before the
// next folder is tried.
#pragma once

#include <functional>

#include "platform/rtl/Text.h"
#include "system/kxTypes_Records.h"

namespace kxQueueManager {

// The file Name stands for in Folder: Folder and Name are joined without a
// separator (Folder normally ends with one; an empty Folder is the current
// folder). Answers that path when a visible regular file has it (exactly,
// a name with "*" or "?" too, which is never taken as a mask); else the
// path of the first file in the same folder whose name equals the path's
// file name after UpperText of both; else "". Name is not checked here.
//   FindBlobRefFile(u"/in/", u"ABC-1.pdf") == u"/in/ABC-1.PDF"   (only that file there)
UnicodeString FindBlobRefFile(const UnicodeString& Folder, const UnicodeString& Name);

// Resolves the reference of Blob, for a reader that has decided that the
// blob needs its file (its BlobData is empty and BlobRefId is set). The file
// BlobRefId + Extension is looked for by FindBlobRefFile in DocumentFolder,
// then in BlobTempPath; BlobLink and OrgLink become its path. With
// LoadBlobRefData its bytes then become BlobData. A BlobSize of 0 becomes the
// file's size. Raises Exception
//   "referenced blob with id " + BlobRefId + " not found (" + BlobRefId + Extension + ")"
// when the name is refused (see the top) or found in neither folder (Blob
// unchanged), and
//   "unable to load blob data from " + BlobLink
// when the file cannot be read (BlobLink and OrgLink set, nothing else).
void ResolveBlobReference(TkxBlob& Blob, const UnicodeString& DocumentFolder,
                          const UnicodeString& BlobTempPath, bool LoadBlobRefData);

// For tests: Probe hears every path the lookup asks the file system about,
// a file's path or a folder's listing (the folder followed by "*"), before it
// asks. nullptr ends it.
void SetBlobRefProbeForTesting(std::function<void(const UnicodeString& Path)> Probe);

}  // namespace kxQueueManager
