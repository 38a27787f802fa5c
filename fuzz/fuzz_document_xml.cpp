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
#include "platform/xml/XmlDocument.h"

namespace {

// Texts taken one after another from the input: a length byte, then that
// many 16-bit units; empty once the input is used up.
class Texts {
 public:
  Texts(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  UnicodeString Next() {
    if (pos_ >= size_) return UnicodeString();
    size_t n = data_[pos_++] % 24;
    UnicodeString s;
    for (; n > 0 && pos_ + 1 < size_; --n, pos_ += 2)
      s += static_cast<char16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    return s;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Texts t(data, size);
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
