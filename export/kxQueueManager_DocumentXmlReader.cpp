#include "export/kxQueueManager_DocumentXmlReader.h"

#include <algorithm>
#include <climits>
#include <array>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export/kxQueueManager_BlobRefs.h"
#include "export/kxQueueManager_Failure.h"
#include "export/kxQueueManager_Tools.h"
#include "platform/file/Path.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/LargeBuffer.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Stream.h"
#include "platform/xml/XmlPullReader.h"
#include "platform/xml/XmlWriter.h"
#include "system/internal/kxBase64.h"
#include "system/kxDateTime.h"
#include "system/kxFiles.h"
#include "system/kxToolsEvo2_Identity.h"
#include "system/kxTypes_Enums.h"
#include "system/kxTypes_Rect.h"
#include "system/kxTypes_Variant.h"
#include "text/kxConversion.h"
#include "text/kxStrings_Search.h"

namespace kxQueueManager {
namespace {

using kx::platform::XmlPullNode;
using kx::platform::XmlPullReader;
using kx::platform::XmlTextShape;

// ---- What the pass keeps -----------------------------------------------------------

UnicodeString At(int32_t Line, int32_t Column) {
  return u" (line " + IntToStr(Line) + u", column " + IntToStr(Column) + u")";
}

// The text of an element as the document model reads it, or the error it
// raises there.
struct ElementText {
  UnicodeString text;
  UnicodeString error;  // the element does not hold a single text

  const UnicodeString& Get() const {
    if (!error.empty()) throw EXMLDocError(error);
    return text;
  }
};

// An attribute: absent, or its value.
using Attr = std::optional<UnicodeString>;

Attr ReadAttr(const XmlPullReader& r, std::string_view Name) {
  const std::string_view* v = r.Attribute(Name);
  if (v == nullptr) return std::nullopt;
  return ToUtf16(*v);
}

UnicodeString Or(const Attr& A, const char16_t* Default) { return A ? *A : UnicodeString(Default); }

// An index field or an alternative.
struct FieldPart {
  Attr name, externalId, dataType, confidence, zone, page;
  UnicodeString value;
  std::vector<FieldPart> alternatives;
};

struct ColumnPart {
  Attr externalId, dataType;
  ElementText name;
};

struct CellPart {
  Attr id, confidence, zone, page;
  int32_t line = 0;
  int32_t column = 0;
  ElementText text;
};

struct RowPart {
  Attr confidence, zone, page;
  std::vector<CellPart> cells;
};

// The children of a blob that the record takes, by name.
enum BlobChild : uint8_t {
  kId, kBlobId, kName, kDocType, kMimeType, kExtension, kSize, kDataSize, kEncryption, kReference,
  kDate, kPages, kBlobChildCount
};
constexpr std::array<std::string_view, kBlobChildCount> kBlobChildNames = {
    "Id", "BlobId", "Name", "DocType", "MimeType", "Extension", "Size", "DataSize", "Encryption",
    "Reference", "Date", "Pages"};

struct BlobPart {
  std::array<std::optional<ElementText>, kBlobChildCount> children;
  bool hasData = false;
  ByteBuffer data;
  UnicodeString dataError;

  UnicodeString Text(BlobChild Child) const {
    return children[Child] ? children[Child]->Get() : UnicodeString();
  }
};

// The option elements, in the order the options are read.
enum Option : uint8_t {
  kState, kTask, kRetries, kCreationDate, kChangeDate, kRetryDate, kLanguage, kCheckSum, kKeyHash,
  kPriority, kUserName, kClient, kApplication, kOrigin, kProject, kDestination, kExportTitle,
  kExportservice, kEngineBuffer, kScriptBuffer, kConvertScheme, kScriptScheme, kPostScriptScheme,
  kExportScheme, kSubject, kMessages, kOptionCount
};
constexpr std::array<std::string_view, kOptionCount> kOptionNames = {
    "State", "Task", "Retries", "CreationDate", "ChangeDate", "RetryDate", "Language", "CheckSum",
    "KeyHash", "Priority", "UserName", "Client", "Application", "Origin", "Project", "Destination",
    "ExportTitle", "Exportservice", "EngineBuffer", "ScriptBuffer", "ConvertScheme", "ScriptScheme",
    "PostScriptScheme", "ExportScheme", "Subject", "Messages"};

struct OptionPart {
  bool seen = false;
  bool usable = false;  // exactly one text node: its text counts
  UnicodeString text;
  int32_t line = 0;
  int32_t column = 0;
};

struct DocumentParts {
  std::string root;
  int32_t rootLine = 0;
  int32_t rootColumn = 0;
  std::string id, stackId, uriDocId;
  std::array<OptionPart, kOptionCount> options;
  std::vector<FieldPart> fields;
  std::vector<ColumnPart> columns;
  std::vector<RowPart> rows;
  std::vector<BlobPart> blobs;
};

// ---- The pass ------------------------------------------------------------------------

// On an element's start tag: its text, read through its end tag.
ElementText ReadElementText(XmlPullReader& r) {
  const std::string name(r.Name());
  const int32_t line = r.Line();
  const int32_t column = r.Column();
  std::string bytes;
  const XmlTextShape shape = r.ReadText([&](std::string_view piece) { bytes.append(piece); });
  ElementText t;
  if (shape.Single())
    t.text = ToUtf16(bytes);
  else
    t.error = u"the XML element '" + ToUtf16(name) + u"' does not hold a single text" + At(line, column);
  return t;
}

bool IsBlank(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// On an element's start tag: reads it through its end tag and answers its
// value as the document model's GetNodeValue gives it: the text of its first
// child when that is a text or CDATA node, else "" (blank text beside child
// elements is no child there); a text without CR LF gets each LF as CR LF.
// Each child element is handed to Child, which reads it through its end tag.
template <class F>
UnicodeString ReadNodeValue(XmlPullReader& r, F&& Child) {
  const int32_t depth = r.Depth();
  std::optional<std::string> first;          // the first child's text, when it is one
  bool firstSeen = false;
  std::optional<std::string> firstKept;      // the same without blank text nodes
  bool firstKeptSeen = false;
  bool elements = false;
  while (r.Read() && !(r.Kind() == XmlPullNode::EndElement && r.Depth() == depth)) {
    const XmlPullNode kind = r.Kind();
    const bool text = kind == XmlPullNode::Text || kind == XmlPullNode::CData;
    if (!firstSeen) {
      firstSeen = true;
      if (text) first = std::string(r.Value());
    }
    if (!firstKeptSeen && !(kind == XmlPullNode::Text && IsBlank(r.Value()))) {
      firstKeptSeen = true;
      if (text) firstKept = std::string(r.Value());
    }
    if (kind == XmlPullNode::StartElement) {
      elements = true;
      Child(r);
    }
  }
  const std::optional<std::string>& chosen = elements ? firstKept : first;
  if (!chosen) return UnicodeString();
  UnicodeString value = ToUtf16(*chosen);
  if (value.find(u"\r\n") == UnicodeString::npos) {
    UnicodeString crlf;
    crlf.reserve(value.size());
    for (char16_t c : value) {
      if (c == u'\n') crlf += u'\r';
      crlf += c;
    }
    value = std::move(crlf);
  }
  return value;
}

void ReadFieldAttributes(const XmlPullReader& r, FieldPart& f) {
  f.name = ReadAttr(r, "Name");
  f.externalId = ReadAttr(r, "ExternalId");
  f.dataType = ReadAttr(r, "DataType");
  f.confidence = ReadAttr(r, "Confidence");
  f.zone = ReadAttr(r, "Zone");
  f.page = ReadAttr(r, "Page");
}

FieldPart ReadIndexField(XmlPullReader& r) {
  FieldPart f;
  ReadFieldAttributes(r, f);
  bool alternatives = false;
  f.value = ReadNodeValue(r, [&](XmlPullReader& c) {
    if (alternatives || c.Name() != "Alternatives") return c.Skip();
    alternatives = true;
    const int32_t depth = c.Depth();
    while (c.NextChild(depth)) {
      FieldPart a;
      ReadFieldAttributes(c, a);
      a.value = ReadNodeValue(c, [](XmlPullReader& deeper) { deeper.Skip(); });
      f.alternatives.push_back(std::move(a));
    }
  });
  return f;
}

void ReadTable(XmlPullReader& r, DocumentParts& doc) {
  const int32_t depth = r.Depth();
  bool header = false;
  bool rows = false;
  while (r.NextChild(depth)) {
    if (!header && r.Name() == "Header") {
      header = true;
      const int32_t headerDepth = r.Depth();
      bool fields = false;
      while (r.NextChild(headerDepth)) {
        if (fields || r.Name() != "Fields") continue;
        fields = true;
        const int32_t fieldsDepth = r.Depth();
        while (r.NextChild(fieldsDepth)) {
          ColumnPart c;
          c.externalId = ReadAttr(r, "ExternalId");
          c.dataType = ReadAttr(r, "DataType");
          c.name = ReadElementText(r);
          doc.columns.push_back(std::move(c));
        }
      }
    } else if (!rows && r.Name() == "Rows") {
      rows = true;
      const int32_t rowsDepth = r.Depth();
      while (r.NextChild(rowsDepth)) {
        RowPart row;
        row.confidence = ReadAttr(r, "Confidence");
        row.zone = ReadAttr(r, "Zone");
        row.page = ReadAttr(r, "Page");
        const int32_t rowDepth = r.Depth();
        while (r.NextChild(rowDepth)) {
          CellPart cell;
          cell.id = ReadAttr(r, "Id");
          cell.confidence = ReadAttr(r, "Confidence");
          cell.zone = ReadAttr(r, "Zone");
          cell.page = ReadAttr(r, "Page");
          cell.line = r.Line();
          cell.column = r.Column();
          cell.text = ReadElementText(r);
          row.cells.push_back(std::move(cell));
        }
        doc.rows.push_back(std::move(row));
      }
    }
  }
}

void ReadIndex(XmlPullReader& r, DocumentParts& doc) {
  const int32_t depth = r.Depth();
  bool table = false;
  while (r.NextChild(depth)) {
    if (r.Name() == "Field") {
      doc.fields.push_back(ReadIndexField(r));
    } else if (!table && r.Name() == "Table") {
      table = true;
      ReadTable(r, doc);
    }
  }
}

// Decodes the Base64 text of "Data" into the blob's buffer as the text
// streams by. The buffer is reserved once for what the rest of the input
// can hold at most (3 bytes per 4 characters), so it never grows by copying;
// pages it does not fill are never touched and cost no memory.
class DataDecoder {
 public:
  explicit DataDecoder(const XmlPullReader& r) : reader_(r) {}

  void operator()(std::string_view piece) {
    const size_t need = bytes_.size() + (piece.size() + 3) / 4 * 3 + kSlack;
    if (need > bytes_.capacity()) {
      const int64_t unread = std::max<int64_t>(reader_.UnreadBytes(), 0);
      const size_t bound = bytes_.size() + static_cast<size_t>(unread / 4 * 3) + need;
      // A small blob's buffer stays small; past the first block, all of it.
      const size_t target = bytes_.capacity() == 0 ? std::min(bound, kFirstBlock) : bound;
      kx::platform::ReserveLarge(bytes_, std::max(need, target));
    }
    decoder_.Update(piece, bytes_);
  }

  std::string Finish() {
    decoder_.Finish(bytes_);
    return std::move(bytes_);
  }

 private:
  static constexpr size_t kSlack = 8;  // the last group of Finish and more
  static constexpr size_t kFirstBlock = 64 * 1024;
  const XmlPullReader& reader_;
  kxInternal::Base64Decoder decoder_;
  std::string bytes_;
};

BlobPart ReadBlob(XmlPullReader& r) {
  BlobPart b;
  const int32_t depth = r.Depth();
  while (r.NextChild(depth)) {
    const std::string_view name = r.Name();
    if (name == "Data") {
      if (b.hasData) continue;
      b.hasData = true;
      const int32_t line = r.Line();
      const int32_t column = r.Column();
      DataDecoder decoder(r);
      if (r.ReadText(std::ref(decoder)).Single())
        b.data = ByteBuffer(decoder.Finish());
      else
        b.dataError = u"the XML element 'Data' does not hold a single text" + At(line, column);
      continue;
    }
    const auto it = std::find(kBlobChildNames.begin(), kBlobChildNames.end(), name);
    if (it == kBlobChildNames.end()) continue;
    std::optional<ElementText>& child = b.children[static_cast<size_t>(it - kBlobChildNames.begin())];
    if (!child) child = ReadElementText(r);
  }
  return b;
}

void ReadContent(XmlPullReader& r, DocumentParts& doc) {
  const int32_t depth = r.Depth();
  bool index = false;
  bool blobs = false;
  while (r.NextChild(depth)) {
    if (!index && r.Name() == "Index") {
      index = true;
      ReadIndex(r, doc);
    } else if (!blobs && r.Name() == "Blobs") {
      blobs = true;
      const int32_t blobsDepth = r.Depth();
      while (r.NextChild(blobsDepth)) doc.blobs.push_back(ReadBlob(r));
    }
  }
}

void ReadOptions(XmlPullReader& r, DocumentParts& doc) {
  const int32_t depth = r.Depth();
  while (r.NextChild(depth)) {
    const auto it = std::find(kOptionNames.begin(), kOptionNames.end(), r.Name());
    if (it == kOptionNames.end()) continue;
    OptionPart& o = doc.options[static_cast<size_t>(it - kOptionNames.begin())];
    if (o.seen) continue;
    o.seen = true;
    o.line = r.Line();
    o.column = r.Column();
    std::string bytes;
    const XmlTextShape shape = r.ReadText([&](std::string_view piece) { bytes.append(piece); });
    // One text node alone: an empty element, CDATA or anything more give the default.
    o.usable = shape.Single() && shape.Texts == 1 && !shape.CData;
    if (o.usable) o.text = ToUtf16(bytes);
  }
}

void ReadDocument(XmlPullReader& r, DocumentParts& doc) {
  while (r.Read() && r.Kind() != XmlPullNode::StartElement) {
  }
  doc.root = std::string(r.Name());
  doc.rootLine = r.Line();
  doc.rootColumn = r.Column();
  if (doc.root != "kxDocument") {
    r.Skip();
  } else {
    auto attr = [&](std::string_view name) {
      const std::string_view* v = r.Attribute(name);
      return v != nullptr ? std::string(*v) : std::string();
    };
    doc.id = attr("Id");
    doc.stackId = attr("StackId");
    doc.uriDocId = attr("URIDocId");
    bool options = false;
    bool content = false;
    while (r.NextChild(0)) {
      if (!options && r.Name() == "Options") {
        options = true;
        ReadOptions(r, doc);
      } else if (!content && r.Name() == "Content") {
        content = true;
        ReadContent(r, doc);
      }
    }
  }
  while (r.Read()) {  // to the end: a fault after the root fails the parse too
  }
}

// ---- The steps -----------------------------------------------------------------------

// A whole number for a 32-bit field: ErrorVal also beyond the 32-bit range.
int32_t Int32(const UnicodeString& Text, int32_t ErrorVal) {
  const int64_t v = TkxConversion::StrToInt(Text, ErrorVal);
  return v < INT32_MIN || v > INT32_MAX ? ErrorVal : static_cast<int32_t>(v);
}

// StrToInt with a 64-bit error value.
int64_t Int64(const UnicodeString& Text, int64_t ErrorVal) {
  const int64_t v = TkxConversion::StrToInt(Text, 0);
  return v == TkxConversion::StrToInt(Text, 1) ? v : ErrorVal;
}

bool IsPathInput(const AnsiString& Input, UnicodeString& Path) {
  const bool pathLike = (Input.size() >= 3 && Input.compare(1, 2, ":\\") == 0) ||
                        Input.compare(0, 2, "\\\\") == 0 || Input.compare(0, 1, "/") == 0;
  if (!pathLike) return false;
  Path = ToUtf16(Input);
  return LowerText(kx::platform::ExtractFileExt(Path)) == u".xml" && TkxFiles::FileExists(Path);
}

void ReadIdentity(TDocumentQueueRecord& q, const DocumentParts& doc, bool NewId) {
  if (NewId) {
    q.Id = TkxTools::CreateId();
    q.StackId = TIdType();
    return;
  }
  q.Id = TIdType(doc.id);
  q.StackId = TIdType(doc.stackId);
  if (!doc.uriDocId.empty()) {
    int32_t version = 0;
    ParseDocumentUri(ToUtf16(doc.uriDocId), q.Repository, q.Id, version);
    q.Version = static_cast<uint32_t>(version);
  }
  if (TkxStrings::IsEmptyA(q.Id.ToString(), true)) q.Id = TkxTools::CreateId();
}

void ReadOptionsStep(TDocumentQueueRecord& q, const DocumentParts& doc) {
  // One clock reading for the three date defaults, which go through the
  // same conversion as the document's texts.
  const TDateTime now = Now();
  const UnicodeString nowStamp = ToUtf16(TkxDateTime::DateTimeToTimeStampStr(now, false));
  const UnicodeString dayBefore =
      ToUtf16(TkxDateTime::DateTimeToTimeStampStr(TDateTime(now.Val - 1.0), false));
  std::string_view element;
  try {
    auto text = [&](Option o, const UnicodeString& Default) -> UnicodeString {
      element = kOptionNames[o];
      return doc.options[o].usable ? doc.options[o].text : Default;
    };
    auto date = [&](Option o, const UnicodeString& Default) {
      const UnicodeString t = text(o, Default);
      const Variant v = TkxTypes::StrToVarExt(t, 7);
      if (v.IsNull()) {
        const OptionPart& part = doc.options[o];
        throw EConvertError(u"'" + t + u"' is not a valid date" + At(part.line, part.column));
      }
      return v.ToDateTime();
    };
    q.State = StrToQueueState(text(kState, u"IDLE"), kxQS_Unknown);
    q.Task = StrToQueueTask(text(kTask, u"EXPORT"), kxQT_Unknown);
    q.Retries = Int32(text(kRetries, u"0"), 0);
    q.CreationDate = date(kCreationDate, nowStamp);
    q.ChangeDate = date(kChangeDate, nowStamp);
    q.RetryDate = date(kRetryDate, dayBefore);
    q.Language = ToUtf8(text(kLanguage, u""));
    q.CheckSum = TIdType(ToUtf8(text(kCheckSum, u"")));
    q.KeyHash = TIdType(ToUtf8(text(kKeyHash, u"")));
    q.Priority = Int32(text(kPriority, u"0"), 0);
    q.UserName = text(kUserName, u"");
    q.Client = text(kClient, u"");
    q.Application = text(kApplication, u"");
    q.Origin = text(kOrigin, u"");
    q.Project = text(kProject, u"");
    q.Destination = text(kDestination, u"");
    q.ExportTitle = text(kExportTitle, u"");
    q.ExportService = text(kExportservice, u"");
    q.EngineBuffer = text(kEngineBuffer, u"");
    q.ScriptBuffer = text(kScriptBuffer, u"");
    q.ConvertScheme = text(kConvertScheme, u"");
    q.ScriptScheme = text(kScriptScheme, u"");
    q.PostScriptScheme = text(kPostScriptScheme, u"");
    q.ExportScheme = text(kExportScheme, u"");
    q.Subject = text(kSubject, u"");
    q.Messages = text(kMessages, u"");
  } catch (const Exception& e) {
    throw Exception(u"error parsing xml options (" + ToUtf16(element) + u") (" + e.Message + u")");
  }
}

template <class Value>
void FillValue(Value& v, const FieldPart& f, TVarType DefaultType) {
  v.VarType = TkxTypes::GetVarTypeFromStr(Or(f.dataType, u""), DefaultType);
  v.Confidence = TkxConversion::StrToReal(Or(f.confidence, u""), false, 100);
  v.Zone = TkxTypes::StrToFloatRectLTWH(Or(f.zone, u""));
  v.Page = Int32(Or(f.page, u""), 0);
  v.Value = f.value;
  v.VarValue = TkxTypes::StrToVarExt(v.Value, v.VarType);
}

void ReadFieldsStep(TDocumentQueueRecord& q, const DocumentParts& doc) {
  try {
    q.MetaData.clear();
    q.MetaData.reserve(doc.fields.size());
    for (const FieldPart& f : doc.fields) {
      TkxMetaField m;
      m.IntField = f.name && !f.name->empty() ? *f.name : UnicodeString(u"Field");
      m.ExtField = f.externalId ? *f.externalId : m.IntField;
      FillValue(m, f, varOleStr);
      for (const FieldPart& a : f.alternatives) {
        TkxAlternativeValue alt;
        FillValue(alt, a, m.VarType);
        m.Alternatives.push_back(std::move(alt));
      }
      q.MetaData.push_back(std::move(m));
    }
  } catch (const Exception& e) {
    throw Exception(u"error parsing xml field data (" + e.Message + u")");
  }
}

void ReadTableStep(TDocumentQueueRecord& q, const DocumentParts& doc) {
  try {
    TkxMetaTableData& table = q.MetaTableData;
    table.Header.clear();
    table.Rows.clear();
    for (const ColumnPart& c : doc.columns) {
      TkxMetaTableDataHeaderField h;
      h.Name = c.name.Get();
      h.ExtName = c.externalId ? *c.externalId : h.Name;
      h.VarType = TkxTypes::GetVarTypeFromStr(Or(c.dataType, u""), varOleStr);
      table.Header.push_back(std::move(h));
    }
    TkxMetaTableDataColumnField preset;
    preset.Value = Variant::Null();
    preset.Confidence = 100;
    preset.Zone = TkxTypes::FloatRect(0, 0, 0, 0);
    for (size_t i = 0; i < doc.rows.size(); ++i) {
      const RowPart& r = doc.rows[i];
      TkxMetaTableDataRow row;
      row.Columns.assign(table.Header.size(), preset);
      row.Confidence = TkxConversion::StrToReal(Or(r.confidence, u"100"), false, 100);
      row.Zone = TkxTypes::StrToFloatRectLTWH(Or(r.zone, u"0,0,0,0"));
      row.Page = Int32(Or(r.page, u"0"), 0);
      for (const CellPart& c : r.cells) {
        int32_t id = 0;
        const UnicodeString idText = Or(c.id, u"");
        if (!TryStrToInt(idText, id))
          throw EConvertError(u"'" + idText + u"' is not a valid integer value" + At(c.line, c.column));
        if (id < 0 || static_cast<size_t>(id) >= table.Header.size())
          throw Exception(u"invalid table column id " + IntToStr(id) + u" in row " +
                          IntToStr(static_cast<int64_t>(i)));
        TkxMetaTableDataColumnField& cell = row.Columns[static_cast<size_t>(id)];
        cell.Value = TkxTypes::StrToVarExt(c.text.Get(), table.Header[static_cast<size_t>(id)].VarType);
        cell.Confidence = TkxConversion::StrToReal(Or(c.confidence, u"100"), false, 0);
        cell.Zone = TkxTypes::StrToFloatRectLTWH(Or(c.zone, u"0,0,0,0"));
        cell.Page = Int32(Or(c.page, u"0"), 0);
      }
      table.Rows.push_back(std::move(row));
    }
  } catch (const Exception& e) {
    throw Exception(u"error parsing xml table data (" + e.Message + u")");
  }
}

void ReadBlobsStep(TDocumentQueueRecord& q, DocumentParts& doc, bool LoadBlobRefs,
                   bool LoadBlobRefData, const UnicodeString& DocumentFolder,
                   const UnicodeString& BlobTempPath) {
  try {
    q.Blobs.clear();
    q.Blobs.reserve(doc.blobs.size());
    for (BlobPart& b : doc.blobs) {
      TkxBlob blob;
      UnicodeString id = b.Text(kId);
      if (TkxStrings::IsEmptyW(id, true)) id = b.Text(kBlobId);
      blob.Id = TkxStrings::IsEmptyW(id, true) ? TkxTools::CreateId().ToString() : ToUtf8(id);
      blob.BlobName = b.Text(kName);
      blob.DocType = b.Text(kDocType);
      blob.MimeType = b.Text(kMimeType);
      blob.Extension = LowerText(b.Text(kExtension));
      blob.BlobSize = TkxConversion::StrToInt(b.Text(kSize), -1);
      blob.DataSize = Int64(b.Text(kDataSize), blob.BlobSize);
      blob.Encryption = TkxTypes::GetEncryptionType(b.Text(kEncryption));
      blob.BlobRefId = ToUtf8(b.Text(kReference));
      if (!b.dataError.empty()) throw EXMLDocError(b.dataError);
      blob.BlobData = std::move(b.data);  // the decoded bytes, not copied
      const UnicodeString date = b.Text(kDate);
      if (!date.empty()) {
        try {
          blob.BlobDate = TkxDateTime::TimeStampStrToDateTime(date);
        } catch (const Exception&) {
          blob.BlobDate = TDateTime();
        }
      }
      const UnicodeString pages = b.Text(kPages);
      blob.PageCount = pages.empty() ? 0 : Int32(pages, 0);
      if (blob.Extension.empty())
        blob.Extension = u"." + TkxFiles::GetExtensionFromMimeType(blob.MimeType);
      if (blob.MimeType.empty()) blob.MimeType = TkxFiles::GetMIMEType(u"~~~" + blob.Extension, u"");
      if (LoadBlobRefs && blob.BlobData.Empty() && !TkxStrings::IsEmptyA(blob.BlobRefId, true))
        ResolveBlobReference(blob, DocumentFolder, BlobTempPath, LoadBlobRefData);
      else if (blob.BlobSize == 0)
        blob.BlobSize = static_cast<int64_t>(blob.BlobData.Size());
      q.Blobs.push_back(std::move(blob));
    }
  } catch (const Exception& e) {
    throw Exception(u"error parsing xml blob data (" + e.Message + u")");
  }
}

void Load(TDocumentQueueRecord& q, const AnsiString& DocumentXML, bool NewId, bool LoadBlobRefs,
          bool LoadBlobRefData, const UnicodeString& BlobTempPath) {
  if (std::all_of(DocumentXML.begin(), DocumentXML.end(),
                  [](char c) { return static_cast<unsigned char>(c) <= 0x20; }))
    throw Exception(u"empty xml buffer - processing aborted");

  // The whole document is read before the record is touched: a fault
  // anywhere in it fails here.
  DocumentParts doc;
  UnicodeString path;
  UnicodeString folder;
  if (IsPathInput(DocumentXML, path)) {
    folder = kx::platform::ExtractFilePath(path);
    FileStream file(path, fmOpenRead | fmShareDenyWrite);
    XmlPullReader reader(file);
    ReadDocument(reader, doc);
  } else {
    XmlPullReader reader(DocumentXML);
    ReadDocument(reader, doc);
  }

  InitQueueRecord(q);
  if (doc.root != "kxDocument")
    throw EXMLDocError(u"the document element is '" + ToUtf16(doc.root) + u"', not 'kxDocument'" +
                       At(doc.rootLine, doc.rootColumn));
  ReadIdentity(q, doc, NewId);
  ReadOptionsStep(q, doc);
  ReadFieldsStep(q, doc);
  if (TkxStrings::IsEmptyA(q.KeyHash.ToString(), true)) q.KeyHash = GetKeyHash(q.MetaData);
  ReadTableStep(q, doc);
  ReadBlobsStep(q, doc, LoadBlobRefs, LoadBlobRefData, folder, BlobTempPath);
}

}  // namespace

bool LoadDocumentXML(TDocumentQueueRecord& QueueItem, AnsiString& DocumentXML, bool NewId,
                     bool LoadBlobRefs, bool LoadBlobRefData, const UnicodeString& BlobTempPath,
                     UnicodeString& Message) {
  try {
    Load(QueueItem, DocumentXML, NewId, LoadBlobRefs, LoadBlobRefData, BlobTempPath);
    return true;
  } catch (...) {
    SetFailureMessage(u"error loading document xml (", Message);
  }
  DocumentXML.clear();
  DocumentXML.shrink_to_fit();
  return false;
}

}  // namespace kxQueueManager

bool TkxQueueTools::LoadDocumentXML(TDocumentQueueRecord& QueueItem, AnsiString& DocumentXML,
                                    bool NewId, bool LoadBlobRefs, bool LoadBlobRefData) {
  return kxQueueManager::LoadDocumentXML(QueueItem, DocumentXML, NewId, LoadBlobRefs,
                                         LoadBlobRefData, BlobTempPath, Message);
}
