// Records built from arbitrary bytes go through CreateDocumentJson and
// LoadDocumentJson and come back equal in everything the format carries:
// written again, they give the same text, and blob bytes and 8-bit fields
// (raw bytes included) are the same.
//
// The records keep to what the format can carry: cell values of kinds that
// read back as themselves (a cell's type is its value's own), external
// names that are not blank (the key hash is taken before names are
// trimmed), ids without "/" beside a document link, blobs with bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "export/kxQueueManager_DocumentJson.h"
#include "export/kxQueueManager_DocumentJsonReader.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxTypes_Variant.h"

namespace {

// Values taken one after another from the input; zeros once it is used up.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint32_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t Word() { return Byte() | Byte() << 8; }
  UnicodeString Text() {
    UnicodeString s;
    for (uint32_t n = Byte() % 12; n > 0; --n) s += static_cast<char16_t>(Word());
    return s;
  }
  TDateTime Date() { return TDateTime(1 + Word() % 60000 + (Word() * 1000 + Word()) % 86400000 / 86400000.0); }
  Variant Value(TVarType& Type, bool Cell) {
    switch (Byte() % 7) {
      case 0: Type = 3; return Variant::FromInteger(static_cast<int32_t>(Word() << 16 | Word()));
      case 1: Type = 20; return Variant::FromInt64(-(int64_t{1} << 40) - Word());
      case 2: Type = 5; return Variant::FromDouble(static_cast<int32_t>(Word() << 16 | Word()) / 1024.0);
      case 3: Type = 11; return Variant::FromBoolean((Byte() & 1) != 0);
      case 4: Type = 7; return Variant::FromDate(Date());
      case 5: Type = 1; return Variant::Null();
      default: Type = Cell ? 258 : 8; return Cell ? Variant::FromUString(Text()) : Variant::FromOleStr(Text());
    }
  }
  double Confidence() { return Byte() % 120; }
  void Zone(int32_t& Page, TRelRect& Zone) {
    Page = static_cast<int32_t>(Byte() % 4);
    Zone.Left = Word();
    Zone.Top = Word();
    Zone.Width = Byte() % 2 ? Word() : 0;
    Zone.Height = Word();
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

TDocumentQueueRecord Build(Input& in) {
  TDocumentQueueRecord q;
  q.Id = TIdType("D" + std::to_string(in.Word()));
  q.StackId = TIdType(ToUtf8(in.Text()));
  if (in.Byte() & 1) q.Repository = u"repo";
  q.Version = in.Byte();
  q.State = static_cast<TkxQueueState>(in.Byte() % 10);
  q.Task = static_cast<TkxQueueTask>(in.Byte() % 4);
  q.CreationDate = in.Date();
  q.ChangeDate = in.Date();
  q.RetryDate = in.Date();
  q.CheckSum = TIdType(ToUtf8(in.Text()));
  q.Priority = static_cast<int32_t>(in.Word()) - 30000;
  q.Language = ToUtf8(in.Text());
  q.Subject = in.Text();
  q.Messages = in.Text();
  q.UserName = in.Text();
  q.ExportService = in.Text();
  for (uint32_t n = in.Byte() % 4; n > 0; --n) {
    TkxMetaField f;
    f.IntField = u"F" + in.Text();
    f.ExtField = in.Byte() % 2 ? f.IntField : u"E" + in.Text();
    f.VarValue = in.Value(f.VarType, false);
    f.Value = TkxTypes::VarToStrExt(f.VarValue);
    f.Confidence = in.Confidence();
    in.Zone(f.Page, f.Zone);
    for (uint32_t k = in.Byte() % 3; k > 0; --k) {
      TkxAlternativeValue a;
      a.VarValue = in.Byte() % 2 ? Variant::FromUString(in.Text()) : Variant::FromInteger(static_cast<int32_t>(in.Word()));
      a.Confidence = in.Confidence();
      in.Zone(a.Page, a.Zone);
      f.Alternatives.push_back(a);
    }
    q.MetaData.push_back(f);
  }
  const uint32_t columns = in.Byte() % 4;
  for (uint32_t c = 0; c < columns; ++c)
    q.MetaTableData.Header.push_back({u"C" + ToUtf16(std::to_string(c)) + in.Text(), u"", 0});
  for (uint32_t r = columns ? in.Byte() % 4 : 0; r > 0; --r) {
    TkxMetaTableDataRow row;
    row.Confidence = in.Confidence();
    in.Zone(row.Page, row.Zone);
    for (uint32_t c = 0; c < columns; ++c) {
      TkxMetaTableDataColumnField cell;
      TVarType type;
      cell.Value = in.Value(type, true);
      cell.Confidence = in.Confidence();
      in.Zone(cell.Page, cell.Zone);
      row.Columns.push_back(cell);
    }
    q.MetaTableData.Rows.push_back(row);
  }
  for (uint32_t n = in.Byte() % 3; n > 0; --n) {
    TkxBlob b;
    b.Id = ToUtf8(in.Text());
    b.BlobName = in.Text();
    b.MimeType = u"application/pdf";
    b.Extension = u".pdf";
    b.BlobDate = in.Date();
    std::string bytes = ToUtf8(in.Text());
    bytes += static_cast<char>(in.Byte());
    b.BlobData = ByteBuffer(bytes);
    b.BlobSize = static_cast<int64_t>(bytes.size());
    q.Blobs.push_back(b);
  }
  return q;
}

[[noreturn]] void Fail(const char* What, const std::string& A, const std::string& B) {
  std::fprintf(stderr, "%s\n%s\n%s\n", What, A.c_str(), B.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  TDocumentQueueRecord q = Build(in);
  const bool options = (in.Byte() & 1) != 0;
  UnicodeString message;
  AnsiString first, second;
  TDocumentQueueRecord back;
  try {
    kxQueueManager::CreateDocumentJson(q, first, options, true, message);
    kxQueueManager::LoadDocumentJson(back, first, false, false, false, u"", message);
    TDocumentQueueRecord again = back;
    kxQueueManager::CreateDocumentJson(again, second, options, true, message);
  } catch (const Exception& e) {
    Fail("failed", ToUtf8(e.Message), first);
  }
  if (second != first) Fail("texts differ", first, second);
  if (back.Id != q.Id || back.Language != q.Language || back.Blobs.size() != q.Blobs.size())
    Fail("record differs", first, second);
  for (size_t i = 0; i < q.Blobs.size(); ++i)
    if (back.Blobs[i].BlobData != q.Blobs[i].BlobData || back.Blobs[i].Id != q.Blobs[i].Id)
      Fail("blob differs", first, second);
  return 0;
}
