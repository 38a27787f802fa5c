#include "export/kxQueueManager_DocumentJsonReader.h"

#include <cmath>
#include <optional>
#include <unordered_map>

#include "export/kxQueueManager_BlobRefs.h"
#include "export/kxQueueManager_Failure.h"
#include "platform/json/JsonReader.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/LargeBuffer.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Stream.h"
#include "system/internal/kxBase64.h"
#include "system/kxDateTime.h"
#include "system/kxFiles_Mime.h"
#include "system/kxFiles_Paths.h"
#include "system/kxTypes_Enums.h"
#include "system/kxTypes_Variant.h"

namespace kxQueueManager {

namespace {

using kx::platform::JsonDocument;
using kx::platform::JsonValue;
using Member = std::optional<JsonValue>;

// ---- Reading a value by kind ------------------------------------------------------

UnicodeString AsText(const Member& V, const UnicodeString& Default) {
  if (!V) return Default;
  switch (V->Kind()) {
    case BsonKind::String:
      return V->Text();
    case BsonKind::Int32:
      return IntToStr(V->AsInt32());
    case BsonKind::Int64:
      return IntToStr(V->AsInt64());
    case BsonKind::Double:
      return FloatToStr(V->AsDouble());
    case BsonKind::Boolean:
      return V->AsBoolean() ? u"true" : u"false";
    case BsonKind::Null:
      return u"null";
    default:
      return Default;
  }
}

// "-" and decimal digits within 64 bits, nothing else.
bool WholeDecimal(std::u16string_view S, int64_t& Value) {
  const bool negative = !S.empty() && S[0] == u'-';
  if (negative) S.remove_prefix(1);
  if (S.empty()) return false;
  uint64_t magnitude = 0;
  for (char16_t c : S) {
    if (c < u'0' || c > u'9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - u'0');
    if (magnitude > (UINT64_MAX - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  const uint64_t limit = negative ? (uint64_t{1} << 63) : (uint64_t{1} << 63) - 1;
  if (magnitude > limit) return false;
  Value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

int64_t AsWhole(const Member& V, int64_t Default) {
  if (!V) return Default;
  switch (V->Kind()) {
    case BsonKind::String: {
      int64_t value;
      return WholeDecimal(V->Text(), value) ? value : Default;
    }
    case BsonKind::Int32:
      return V->AsInt32();
    case BsonKind::Int64:
      return V->AsInt64();
    case BsonKind::Double: {
      const double d = std::trunc(V->AsDouble());
      return d >= -0x1p63 && d < 0x1p63 ? static_cast<int64_t>(d) : Default;  // NaN fails too
    }
    case BsonKind::Boolean:
      return V->AsBoolean() ? 1 : 0;
    default:
      return Default;
  }
}

int32_t AsWhole32(const Member& V, int32_t Default) {
  return static_cast<int32_t>(static_cast<uint64_t>(AsWhole(V, Default)));  // the low 32 bits
}

double AsFloat(const Member& V, double Default) {
  if (!V) return Default;
  switch (V->Kind()) {
    case BsonKind::String: {
      double value;
      return TryStrToFloat(V->Text(), value, u'.') ? value : Default;
    }
    case BsonKind::Int32:
      return V->AsInt32();
    case BsonKind::Int64:
      return static_cast<double>(V->AsInt64());
    case BsonKind::Double:
      return V->AsDouble();
    case BsonKind::Boolean:
      return V->AsBoolean() ? 1 : 0;
    default:
      return Default;
  }
}

TDateTime AsDate(const Member& V) {
  if (!V) return TDateTime(0);
  return TkxDateTime::ISO8601ToDateTime(AsText(V, UnicodeString()), false);
}

// A confidence: rounded half to even, 100 when missing.
double AsConfidence(const Member& V) { return std::nearbyint(AsFloat(V, 100)); }

JsonValue AsArray(const JsonValue& V) {
  if (V.Kind() != BsonKind::Array) throw Exception(u"Invalid cast (TgoBsonValue.AsBsonArray)");
  return V;
}

JsonValue AsObject(const JsonValue& V) {
  if (V.Kind() != BsonKind::Document) throw Exception(u"Invalid cast (TgoBsonValue.AsBsonDocument)");
  return V;
}

// A scalar as a document-model value for BsonValueToVariant; Default when
// missing. An object or array gives null, as BsonValueToVariant would.
BsonValue AsBson(const Member& V, const BsonValue& Default) {
  if (!V) return Default;
  switch (V->Kind()) {
    case BsonKind::Document:
    case BsonKind::Array:
      return BsonValue::Null();
    default:
      return kx::platform::ToBsonValue(*V);
  }
}

// A zone member: an array; exactly five whole numbers give the page and the
// zone, any other count leaves both as they are.
void ReadZone(const Member& V, int32_t& Page, TRelRect& Zone) {
  if (!V) return;
  const JsonValue zone = AsArray(*V);
  if (zone.Count() != 5) return;
  Page = AsWhole32(zone.Item(0), 0);
  Zone.Left = static_cast<double>(AsWhole(zone.Item(1), 0));
  Zone.Top = static_cast<double>(AsWhole(zone.Item(2), 0));
  Zone.Width = static_cast<double>(AsWhole(zone.Item(3), 0));
  Zone.Height = static_cast<double>(AsWhole(zone.Item(4), 0));
}

// ---- The input ------------------------------------------------------------------------

// The document folder when Input names an existing ".json" file: the path
// up to and including its last "\", "/" or ":".
std::optional<UnicodeString> DocumentFile(const UnicodeString& Input, UnicodeString& Folder) {
  const bool path = (Input.size() >= 3 && Input[1] == u':' && Input[2] == u'\\') ||
                    Input.rfind(u"\\\\", 0) == 0 || Input.rfind(u"/", 0) == 0;
  if (!path) return std::nullopt;
  const size_t separator = Input.find_last_of(u"\\/:");
  const size_t dot = Input.rfind(u'.');
  if (dot == UnicodeString::npos || (separator != UnicodeString::npos && dot < separator))
    return std::nullopt;
  if (LowerText(Input.substr(dot)) != u".json" || !TkxFiles::FileExists(Input)) return std::nullopt;
  Folder = Input.substr(0, separator + 1);
  return Input;
}

// The whole file as UTF-8 text: a UTF-16 file (by its byte-order mark)
// converted, any other as it is.
std::string ReadDocumentFile(const UnicodeString& Path) {
  std::string bytes;
  {
    FileStream file(Path, fmOpenRead | fmShareDenyWrite);
    kx::platform::ReserveLarge(bytes, static_cast<size_t>(file.Size()));
    bytes.resize(static_cast<size_t>(file.Size()));
    file.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  const bool le = bytes.rfind("\xFF\xFE", 0) == 0;
  const bool be = bytes.rfind("\xFE\xFF", 0) == 0;
  if (!le && !be) return bytes;
  std::u16string units((bytes.size() - 2) / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    const auto a = static_cast<unsigned char>(bytes[2 + 2 * i]);
    const auto b = static_cast<unsigned char>(bytes[3 + 2 * i]);
    units[i] = static_cast<char16_t>(le ? (a | b << 8) : (a << 8 | b));
  }
  return ToUtf8(units);
}

bool IsBlank(std::string_view Bytes) {
  for (char c : Bytes)
    if (static_cast<unsigned char>(c) > 0x20) return false;
  return true;
}

// ---- The record ---------------------------------------------------------------------

class DocumentJsonReader {
 public:
  DocumentJsonReader(TDocumentQueueRecord& Q, const JsonValue& Root) : q_(Q), root_(Root) {}

  Member Get(const JsonValue& Object, const char16_t* Name) { return Object.Find(Name); }
  UnicodeString Text(const JsonValue& Object, const char16_t* Name, const UnicodeString& Default = {}) {
    return AsText(Get(Object, Name), Default);
  }

  void Identity() {
    q_.Id = TIdType(ToUtf8(Text(root_, u"Id")));
    q_.StackId = TIdType(ToUtf8(Text(root_, u"StackId")));
    const UnicodeString uri = Text(root_, u"URIDocId");
    if (!uri.empty()) {
      int32_t version = 0;
      ParseDocumentUri(uri, q_.Repository, q_.Id, version);
      q_.Version = static_cast<uint32_t>(version);
    }
  }

  void Options() {
    q_.State = StrToQueueState(Text(root_, u"State", u"IDLE"), kxQS_Unknown);
    q_.Task = StrToQueueTask(Text(root_, u"Task", u"EXPORT"), kxQT_Unknown);
    q_.Retries = AsWhole32(Get(root_, u"Retries"), 0);
    q_.CreationDate = AsDate(Get(root_, u"CreationDate"));
    q_.ChangeDate = AsDate(Get(root_, u"ChangeDate"));
    q_.RetryDate = AsDate(Get(root_, u"RetryDate"));
    q_.Language = ToUtf8(Text(root_, u"Language"));
    q_.CheckSum = TIdType(ToUtf8(Text(root_, u"CheckSum")));
    q_.KeyHash = TIdType(ToUtf8(Text(root_, u"KeyHash")));
    q_.Priority = AsWhole32(Get(root_, u"Priority"), 0);
    q_.UserName = Text(root_, u"UserName");
    q_.Client = Text(root_, u"Client");
    q_.Application = Text(root_, u"Application");
    q_.Origin = Text(root_, u"Origin");
    q_.Project = Text(root_, u"Project");
    q_.Destination = Text(root_, u"Destination");
    q_.ExportTitle = Text(root_, u"ExportTitle");
    q_.ExportService = Text(root_, u"Exportservice");
    q_.EngineBuffer = Text(root_, u"EngineBuffer");
    q_.ScriptBuffer = Text(root_, u"ScriptBuffer");
    q_.ConvertScheme = Text(root_, u"ConvertScheme");
    q_.ScriptScheme = Text(root_, u"ScriptScheme");
    q_.PostScriptScheme = Text(root_, u"PostScriptScheme");
    q_.ExportScheme = Text(root_, u"ExportScheme");
    q_.Subject = Text(root_, u"Subject");
    q_.Messages = Text(root_, u"Messages");
  }

  void Fields() {
    q_.MetaData.clear();
    const Member fields = Get(root_, u"Fields");
    if (!fields) return;
    const JsonValue list = AsArray(*fields);
    q_.MetaData.reserve(list.Count());
    for (size_t i = 0; i < list.Count(); ++i) {
      const JsonValue element = AsObject(list.Item(i));
      TkxMetaField f;
      f.IntField = Text(element, u"Name");
      f.ExtField = Text(element, u"ExternalId", f.IntField);
      const UnicodeString type = Text(element, u"Type");
      f.VarValue = TkxTypes::BsonValueToVariant(AsBson(Get(element, u"Value"), BsonValue::Null()),
                                                TkxTypes::GetVarTypeFromStr(type, varOleStr));
      f.VarType = TkxTypes::GetVarTypeFromStr(type, f.VarValue.VarType());
      f.Value = TkxTypes::VarToStrExt(f.VarValue);
      f.Confidence = AsConfidence(Get(element, u"Confidence"));
      ReadZone(Get(element, u"Zone"), f.Page, f.Zone);
      if (const Member alternatives = Get(element, u"Alternatives")) {
        const JsonValue alts = AsArray(*alternatives);
        f.Alternatives.reserve(alts.Count());
        for (size_t k = 0; k < alts.Count(); ++k) {
          const JsonValue alt = AsObject(alts.Item(k));
          TkxAlternativeValue a;
          a.VarValue = TkxTypes::BsonValueToVariant(
              AsBson(Get(alt, u"Value"), BsonValue::String(UnicodeString())), kUnknownType);
          a.Value = TkxTypes::VarToStrExt(a.VarValue);
          a.Confidence = AsConfidence(Get(alt, u"Confidence"));
          ReadZone(Get(alt, u"Zone"), a.Page, a.Zone);
          f.Alternatives.push_back(std::move(a));
        }
      }
      q_.MetaData.push_back(std::move(f));
    }
  }

  void Table() {
    TkxMetaTableData& table = q_.MetaTableData;
    table.Header.clear();
    table.Rows.clear();
    const Member rows = Get(root_, u"Rows");
    if (!rows) return;
    const JsonValue list = AsArray(*rows);
    std::unordered_map<UnicodeString, size_t> columns;  // header entry by name
    table.Rows.reserve(list.Count());
    for (size_t r = 0; r < list.Count(); ++r) {
      const JsonValue element = AsObject(list.Item(r));
      TkxMetaTableDataRow row;
      row.Confidence = AsConfidence(Get(element, u"Confidence"));
      ReadZone(Get(element, u"Zone"), row.Page, row.Zone);
      if (const Member cells = Get(element, u"Fields")) {
        const JsonValue cellList = AsArray(*cells);
        for (size_t c = 0; c < cellList.Count(); ++c) {
          const JsonValue cell = AsObject(cellList.Item(c));
          const UnicodeString type = Text(cell, u"Type");
          Variant value = TkxTypes::BsonValueToVariant(
              AsBson(Get(cell, u"Value"), BsonValue::String(UnicodeString())),
              TkxTypes::GetVarTypeFromStr(type, kUnknownType));
          const UnicodeString name = Text(cell, u"Name");
          const UnicodeString extName = Text(cell, u"ExternalId", name);
          const TVarType code = TkxTypes::GetVarTypeFromStr(type, value.VarType());
          auto [it, added] = columns.try_emplace(name, table.Header.size());
          if (added) table.Header.push_back({name, extName, 0});
          if (code != varEmpty && code != varNull) table.Header[it->second].VarType = code;
          // The row grows to the cell's entry with padded cells; every row is
          // padded to the whole header once at the end.
          if (row.Columns.size() <= it->second) row.Columns.resize(it->second + 1, PaddedCell());
          TkxMetaTableDataColumnField& target = row.Columns[it->second];
          target.Value = std::move(value);
          target.Confidence = AsConfidence(Get(cell, u"Confidence"));
          ReadZone(Get(cell, u"Zone"), target.Page, target.Zone);
        }
      }
      table.Rows.push_back(std::move(row));
    }
    for (TkxMetaTableDataRow& row : table.Rows) row.Columns.resize(table.Header.size(), PaddedCell());
  }

  // The blobs as the document gives them; references are resolved later.
  void Blobs() {
    q_.Blobs.clear();
    const Member blobs = Get(root_, u"Blobs");
    if (!blobs) return;
    const JsonValue list = AsArray(*blobs);
    q_.Blobs.reserve(list.Count());
    for (size_t i = 0; i < list.Count(); ++i) {
      const JsonValue element = AsObject(list.Item(i));
      TkxBlob b;
      b.Id = ToUtf8(Text(element, u"Id"));
      b.BlobName = Text(element, u"Name");
      b.DocType = Text(element, u"DocType");
      b.MimeType = Text(element, u"MimeType");
      b.Extension = LowerText(Text(element, u"Extension"));
      b.BlobSize = AsWhole(Get(element, u"Size"), 0);
      b.DataSize = AsWhole(Get(element, u"DataSize"), 0);
      b.BlobDate = AsDate(Get(element, u"Date"));
      b.PageCount = AsWhole32(Get(element, u"Pages"), 0);
      b.Encryption = TkxTypes::GetEncryptionType(Text(element, u"Encryption"));
      b.BlobRefId = ToUtf8(Text(element, u"Reference"));
      if (const Member data = Get(element, u"Data")) b.BlobData = DecodeData(*data);
      if (b.Extension.empty()) b.Extension = u"." + TkxFiles::GetExtensionFromMimeType(b.MimeType);
      if (b.MimeType.empty()) b.MimeType = TkxFiles::GetMIMEType(u"~~~" + b.Extension, UnicodeString());
      q_.Blobs.push_back(std::move(b));
    }
  }

 private:
  static constexpr TVarType kUnknownType = 13;  // no type named: a text stays a text

  static TkxMetaTableDataColumnField PaddedCell() {
    TkxMetaTableDataColumnField cell;
    cell.Value = Variant::Null();
    cell.Confidence = 100;
    return cell;
  }

  // The bytes of "Data", decoded from the input into the blob's own buffer:
  // a string is unescaped first only when it holds a "\"; any other kind is
  // read as text.
  static ByteBuffer DecodeData(const JsonValue& Data) {
    std::string escaped;
    std::string_view text;
    if (Data.Kind() == BsonKind::String && !Data.HasEscapes()) {
      text = Data.RawString();
    } else {
      escaped = Data.Kind() == BsonKind::String ? Data.Bytes() : ToUtf8(AsText(Data, UnicodeString()));
      text = escaped;
    }
    std::string bytes;  // the decoder reserves it at its full size
    kxInternal::Base64Decoder decoder;
    decoder.Update(text, bytes);
    decoder.Finish(bytes);
    return ByteBuffer(std::move(bytes));
  }

  TDocumentQueueRecord& q_;
  JsonValue root_;
};

}  // namespace

bool LoadDocumentJson(TDocumentQueueRecord& QueueItem, const AnsiString& DocumentJson, bool NewId,
                      bool LoadBlobRefs, bool LoadBlobRefData, const UnicodeString& BlobTempPath,
                      UnicodeString& Message) {
  try {
    if (IsBlank(DocumentJson)) throw Exception(u"empty json buffer - processing aborted");
    InitQueueRecord(QueueItem);

    UnicodeString folder;
    std::string fileText;  // kept until the record is filled: the tree points into it
    std::string_view text = DocumentJson;
    if (const auto path = DocumentFile(ToUtf16(DocumentJson), folder)) {
      fileText = ReadDocumentFile(*path);
      text = fileText;
    }
    const JsonDocument doc = JsonDocument::Parse(text);

    DocumentJsonReader reader(QueueItem, doc.Root());
    if (!NewId) reader.Identity();
    reader.Options();
    reader.Fields();
    if (IsBlank(QueueItem.KeyHash.View())) QueueItem.KeyHash = GetKeyHash(QueueItem.MetaData);
    reader.Table();
    reader.Blobs();
    for (TkxBlob& blob : QueueItem.Blobs) {
      if (LoadBlobRefs && blob.BlobData.Empty() && !IsBlank(blob.BlobRefId)) {
        ResolveBlobReference(blob, folder, BlobTempPath, LoadBlobRefData);
      } else if (blob.BlobSize == 0) {
        blob.BlobSize = static_cast<int64_t>(blob.BlobData.Size());
      }
    }
    return true;
  } catch (...) {
    SetFailureMessage(u"error loading document json (", Message);
    throw;
  }
}

}  // namespace kxQueueManager
