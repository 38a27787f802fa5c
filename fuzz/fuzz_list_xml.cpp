// The document and blob list writers on arbitrary UTF-16 texts in every text
// and attribute: both succeed, and their output parses.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "export/kxQueueManager_ListXml.h"
#include "fuzz/FuzzTexts.h"
#include "platform/xml/XmlDocument.h"

namespace {

void Check(bool ok, const AnsiString& xml, const UnicodeString& message) {
  if (!ok) {
    std::fprintf(stderr, "writer failed: %s\n", ToUtf8(message).c_str());
    std::abort();
  }
  kx::platform::XmlDocument::Load(xml);  // raises, and so fails the run, when it does not parse
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kx::fuzz::Texts t(data, size);
  TDocumentQueueRecords records(2);
  TkxBlobs blobs(2);
  for (TDocumentQueueRecord& q : records) {
    q.Id = TIdType(ToUtf8(t.Next()));
    q.Subject = t.Next();
    q.Messages = t.Next();
    q.BlobCount = t.Number();
    q.CreationDate = TDateTime(45000.25);
  }
  for (TkxBlob& b : blobs) {
    b.BlobRefId = ToUtf8(t.Next());
    b.TackId = ToUtf8(t.Next());
    b.Extension = t.Next();
    b.DocType = t.Next();
    b.MimeType = t.Next();
    b.BlobName = t.Next();
    b.SortId = t.Number();
    b.BlobSize = t.Number();
    b.State = static_cast<TkxQueueState>(static_cast<uint8_t>(t.Number()) % 12);
  }
  AnsiString xml;
  UnicodeString message;
  Check(kxQueueManager::CreateDocumentListXML(records, xml, message), xml, message);
  Check(kxQueueManager::CreateBlobListXML(blobs, xml, message), xml, message);
  return 0;
}
