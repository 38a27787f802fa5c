// The document XML writer on arbitrary UTF-16 texts: field names and values,
// alternatives, table header and cells, blob and option texts. Whatever the
// units (controls, lone surrogates, U+FFFE, markup characters), the writer
// succeeds and its output parses.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "export/kxQueueManager_DocumentXml.h"
#include "fuzz/FuzzTexts.h"
#include "platform/xml/XmlDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kx::fuzz::Texts t(data, size);
  TDocumentQueueRecord q;
  q.Id = TIdType(ToUtf8(t.Next()));
  q.Subject = t.Next();
  q.Messages = t.Next();
  q.UserName = t.Next();
  q.ExportService = t.Next();
  q.Language = ToUtf8(t.Next());
  q.Repository = t.Next();
  for (int i = 0; i < 3; ++i) {
    TkxMetaField f;
    f.IntField = t.Next();
    f.ExtField = t.Next();
    f.VarValue = Variant::FromOleStr(t.Next());
    f.VarType = 8;
    f.Confidence = 50;
    TkxAlternativeValue a;
    a.VarValue = Variant::FromOleStr(t.Next());
    a.VarType = 3;
    f.Alternatives.push_back(a);
    q.MetaData.push_back(f);
  }
  q.MetaTableData.Header = {{t.Next(), t.Next(), 8}, {t.Next(), t.Next(), 8}};
  TkxMetaTableDataRow row;
  row.Columns.resize(2);
  row.Columns[0].Value = Variant::FromOleStr(t.Next());
  row.Columns[1].Value = Variant::FromOleStr(t.Next());
  q.MetaTableData.Rows.push_back(row);
  TkxBlob blob;
  blob.Id = ToUtf8(t.Next());
  blob.BlobName = t.Next();
  blob.DocType = t.Next();
  blob.MimeType = t.Next();
  blob.Extension = t.Next();
  blob.BlobRefId = ToUtf8(t.Next());
  blob.BlobData = ByteBuffer(ToUtf8(t.Next()));
  if (blob.BlobData.Empty() && blob.BlobRefId.empty()) blob.BlobRefId = "r";
  q.Blobs.push_back(blob);

  AnsiString xml;
  UnicodeString message;
  if (!kxQueueManager::CreateDocumentXML(q, xml, true, message)) {
    std::fprintf(stderr, "writer failed: %s\n", ToUtf8(message).c_str());
    std::abort();
  }
  kx::platform::XmlDocument::Load(xml);  // raises, and so fails the run, when it does not parse
  return 0;
}
