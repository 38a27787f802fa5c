#include "export/kxQueueManager_DocumentJson.h"

#include <cmath>

#include "export/kxQueueManager_DocumentXml.h"
#include "export/kxQueueManager_Failure.h"
#include "export/kxQueueManager_MetaBuffers.h"
#include "platform/json/JsonWriter.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "system/kxDateTime.h"
#include "system/kxTypes_Enums.h"
#include "system/kxTypes_Variant.h"

namespace kxQueueManager {

namespace {

using kx::platform::JsonWriter;

// The nearest whole number, halves to even.
int64_t RoundHalfEven(double Value) {
  const double r = std::nearbyint(Value);
  if (!(r >= -0x1p63 && r < 0x1p63))
    throw EConvertError(u"'" + FloatToStr(Value) + u"' cannot be rounded to a whole number");
  return static_cast<int64_t>(r);
}

class DocumentJsonWriter {
 public:
  DocumentJsonWriter(JsonWriter& Json, bool IncludeBlobData) : json_(Json), withData_(IncludeBlobData) {}

  void Text(const char16_t* Name, const UnicodeString& Value) {
    json_.Name(Name);
    json_.String(Value);
  }
  void Text8(const char16_t* Name, std::string_view Value) {
    json_.Name(Name);
    json_.String8(Value);
  }
  void Whole(const char16_t* Name, int64_t Value) {
    json_.Name(Name);
    json_.Int(Value);
  }
  void Date(const char16_t* Name, TDateTime Value) {
    Text(Name, TkxDateTime::DateTimeToISO8601Str(Value));
  }

  void Value(Variant& V) {
    json_.Name(u"Value");
    kx::platform::WriteBsonValue(json_, TkxTypes::VarToBsonValueByRef(V, true));
  }

  void Confidence(double Value) {
    if (Value < 100) Whole(u"Confidence", RoundHalfEven(Value));
  }

  void Zone(int32_t Page, const TRelRect& Zone) {
    if (Page <= 0 && !(Zone.Width > 0)) return;
    json_.Name(u"Zone");
    json_.BeginArray();
    json_.Int(Page);
    for (double v : {Zone.Left, Zone.Top, Zone.Width, Zone.Height}) json_.Int(RoundHalfEven(v));
    json_.EndArray();
  }

  void Field(TkxMetaField& Field) {
    json_.BeginObject();
    Text(u"Name", Field.IntField);
    Value(Field.VarValue);
    Text(u"Type", TkxTypes::GetVarTypeStr(Field.VarType));
    if (Field.ExtField != Field.IntField) Text(u"ExternalId", Field.ExtField);
    Confidence(Field.Confidence);
    Zone(Field.Page, Field.Zone);
    if (!Field.Alternatives.empty()) {
      json_.Name(u"Alternatives");
      json_.BeginArray();
      for (TkxAlternativeValue& alt : Field.Alternatives) {
        json_.BeginObject();
        Value(alt.VarValue);
        Confidence(alt.Confidence);
        Zone(alt.Page, alt.Zone);
        json_.EndObject();
      }
      json_.EndArray();
    }
    json_.EndObject();
  }

  void Rows(TkxMetaTableData& Table) {
    json_.Name(u"Rows");
    json_.BeginArray();
    if (!Table.Header.empty()) {
      for (TkxMetaTableDataRow& row : Table.Rows) {
        json_.BeginObject();
        Confidence(row.Confidence);
        Zone(row.Page, row.Zone);
        json_.Name(u"Fields");
        json_.BeginArray();
        for (size_t k = 0; k < row.Columns.size(); ++k) {
          TkxMetaTableDataColumnField& cell = row.Columns[k];
          json_.BeginObject();
          // A cell beyond the header (the system never makes one) has no name.
          Text(u"Name", k < Table.Header.size() ? Table.Header[k].Name : UnicodeString());
          Value(cell.Value);
          Text(u"Type", TkxTypes::GetVarTypeStr(TkxTypes::GetVarType(cell.Value)));
          Confidence(cell.Confidence);
          Zone(cell.Page, cell.Zone);
          json_.EndObject();
        }
        json_.EndArray();
        json_.EndObject();
      }
    }
    json_.EndArray();
  }

  void Blob(const TkxBlob& Blob) {
    json_.BeginObject();
    Text8(u"Id", Blob.Id);
    Text(u"Name", Blob.BlobName);
    Text(u"DocType", Blob.DocType);
    Text(u"MimeType", Blob.MimeType);
    Text(u"Extension", Blob.Extension);
    Whole(u"Size", Blob.BlobSize);
    Date(u"Date", Blob.BlobDate);
    Whole(u"Pages", Blob.PageCount);
    if (Blob.Encryption != kxCM_None) {
      Whole(u"DataSize", Blob.DataSize);
      Text(u"Encryption", TkxTypes::GetEncryptionTypeStr(Blob.Encryption));
    }
    // Only a blob without bytes is written as a reference, and then its file
    // is never opened.
    if (!Blob.BlobRefId.empty() && Blob.BlobData.Empty()) {
      Text8(u"Reference", Blob.BlobRefId);
    } else if (withData_) {
      json_.Name(u"Data");
      json_.BeginString();
      WriteBlobBase64(Blob, false, [this](std::string_view text) { json_.PlainStringPart(text); });
      json_.EndString();
    }
    json_.EndObject();
  }

 private:
  JsonWriter& json_;
  bool withData_;
};

void WriteOptions(DocumentJsonWriter& doc, const TDocumentQueueRecord& q) {
  doc.Text8(u"State", QueueStateToStr(q.State));
  doc.Text8(u"Task", QueueTaskToStr(q.Task));
  doc.Date(u"RetryDate", q.RetryDate);
  doc.Text8(u"CheckSum", q.CheckSum.View());
  doc.Text8(u"KeyHash", q.KeyHash.View());
  doc.Whole(u"Priority", q.Priority);
  doc.Text(u"UserName", q.UserName);
  doc.Text(u"Client", q.Client);
  doc.Text(u"Application", q.Application);
  doc.Text(u"Origin", q.Origin);
  doc.Text(u"Project", q.Project);
  doc.Text(u"Destination", q.Destination);
  doc.Text(u"ExportTitle", q.ExportTitle);
  doc.Text(u"Exportservice", q.ExportService);
  doc.Text(u"EngineBuffer", q.EngineBuffer);
  doc.Text(u"ScriptBuffer", q.ScriptBuffer);
  doc.Text(u"ConvertScheme", q.ConvertScheme);
  doc.Text(u"ScriptScheme", q.ScriptScheme);
  doc.Text(u"PostScriptScheme", q.PostScriptScheme);
  doc.Text(u"ExportScheme", q.ExportScheme);
}

}  // namespace

void WriteDocumentJson(TDocumentQueueRecord& QueueItem, kx::platform::XmlSink& Sink,
                       bool IncludeOptions, bool IncludeBlobData) {
  TDocumentQueueRecord& q = QueueItem;
  if (q.MetaData.empty()) q.MetaData = ParseMetaDataBuffer(q.MetaDataBuffer);
  // The whole table, header included, comes from the buffer when it has no
  // rows; an empty buffer gives an empty table.
  if (q.MetaTableData.Rows.empty()) q.MetaTableData = ParseMetaTableDataBuffer(q.MetaTableDataBuffer);
  if (q.Subject.empty()) q.Subject = GetSubjectText(q);
  q.KeyHash = GetKeyHash(q.MetaData);

  JsonWriter json(Sink);
  DocumentJsonWriter doc(json, IncludeBlobData);
  json.BeginObject();
  doc.Text8(u"Id", q.Id.View());
  doc.Text8(u"StackId", q.StackId.View());
  if (!q.Repository.empty())
    doc.Text(u"URIDocId", BuildDocumentUri(q.Repository, q, static_cast<int32_t>(q.Version)));
  doc.Date(u"CreationDate", q.CreationDate);
  doc.Date(u"ChangeDate", q.ChangeDate);
  doc.Text8(u"Language", q.Language);
  doc.Text(u"Subject", q.Subject);
  doc.Text(u"Messages", q.Messages);
  if (IncludeOptions) WriteOptions(doc, q);

  json.Name(u"Fields");
  json.BeginArray();
  for (TkxMetaField& field : q.MetaData) {
    field.IntField = TrimDocumentFieldName(field.IntField);
    field.ExtField = TrimDocumentFieldName(field.ExtField);
    if (!field.IntField.empty()) doc.Field(field);
  }
  json.EndArray();

  doc.Rows(q.MetaTableData);

  json.Name(u"Blobs");
  json.BeginArray();
  for (const TkxBlob& blob : q.Blobs) doc.Blob(blob);
  json.EndArray();
  json.EndObject();
  json.Finish();
}

bool CreateDocumentJson(TDocumentQueueRecord& QueueItem, AnsiString& DocumentJson,
                        bool IncludeOptions, bool IncludeBlobData, UnicodeString& Message) {
  DocumentJson.clear();
  try {
    kx::platform::StringXmlSink sink(DocumentJson);
    WriteDocumentJson(QueueItem, sink, IncludeOptions, IncludeBlobData);
    return true;
  } catch (...) {
    SetFailureMessage(u"error creating document json (", Message);
    DocumentJson.clear();
    DocumentJson.shrink_to_fit();
    throw;
  }
}

}  // namespace kxQueueManager
