#include "export/kxQueueManager_DocumentXml.h"

#include <charconv>
#include <cmath>
#include <memory>

#include "export/kxQueueManager_Failure.h"
#include "export/kxQueueManager_MetaBuffers.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/Trim.h"
#include "system/internal/kxBase64.h"
#include "system/kxDateTime.h"
#include "system/kxToolsEvo2_SystemInfo.h"
#include "system/kxTypes_Enums.h"
#include "system/kxTypes_Variant.h"
#include "text/kxConversion.h"

namespace kxQueueManager {

namespace {

using kx::platform::StringXmlSink;
using kx::platform::XmlWriter;

UnicodeString Safe(const UnicodeString& Text) { return TkxTools::PrepareXMLStringW(Text, false); }

std::string DecimalText(int64_t Value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, Value);
  return std::string(buf, r.ptr);
}

// Row and cell confidences: "." and at least two decimals.
std::string RowConfidenceText(double Confidence) {
  return TkxConversion::FloatToStr(Confidence, 7, 2);
}

}  // namespace

UnicodeString TrimDocumentFieldName(const UnicodeString& Name) {
  return UnicodeString(TrimWhiteSpace(Name));
}

AnsiString DocumentConfidenceText(double Confidence) {
  return ToUtf8(FloatToStr(Confidence, FormatSettings().DecimalSeparator));
}

// ---- TkxDocumentXmlWriter ----------------------------------------------------------

void TkxDocumentXmlWriter::TextElement(std::string_view Name, const UnicodeString& Text) {
  xml_.StartElement(Name);
  if (!Text.empty()) xml_.Text(std::u16string_view(Safe(Text)));
  xml_.EndElement();
}

void TkxDocumentXmlWriter::TextElement(std::string_view Name, std::string_view Utf8Text) {
  TextElement(Name, ToUtf16(Utf8Text));
}

void TkxDocumentXmlWriter::SafeAttribute(std::string_view Name, const UnicodeString& Value) {
  xml_.Attribute(ToUtf16(Name), std::u16string_view(Safe(Value)));
}

void TkxDocumentXmlWriter::IndexField(const TkxMetaField& Field) {
  if (Field.IntField.empty()) return;
  xml_.StartElement("Field");
  SafeAttribute("Name", Field.IntField);
  if (Field.ExtField != Field.IntField) SafeAttribute("ExternalId", Field.ExtField);
  SafeAttribute("DataType", TkxTypes::GetVarTypeStr(Field.VarType));
  if (Field.Confidence < 100) xml_.Attribute("Confidence", DocumentConfidenceText(Field.Confidence));
  if (Field.Page > 0) xml_.Attribute("Page", DecimalText(Field.Page));
  if (Field.Zone.Width > 0) xml_.Attribute("Zone", RelRectToZoneStr(Field.Zone));
  const UnicodeString value = TkxTypes::VarToStrExt(Field.VarValue);
  if (!value.empty()) xml_.Text(std::u16string_view(Safe(value)));
  if (!Field.Alternatives.empty()) {
    xml_.StartElement("Alternatives");
    for (const TkxAlternativeValue& alt : Field.Alternatives) {
      xml_.StartElement("Alternative");
      if (alt.VarType != Field.VarType)
        SafeAttribute("DataType", TkxTypes::GetVarTypeStr(alt.VarType));
      if (alt.Confidence < 100) xml_.Attribute("Confidence", DocumentConfidenceText(alt.Confidence));
      if (alt.Page > 0) xml_.Attribute("Page", DecimalText(alt.Page));
      if (alt.Zone.Width > 0) xml_.Attribute("Zone", RelRectToZoneStr(alt.Zone));
      const UnicodeString text = TkxTypes::VarToStrExt(alt.VarValue);
      if (!text.empty()) xml_.Text(std::u16string_view(Safe(text)));
      xml_.EndElement();
    }
    xml_.EndElement();
  }
  xml_.EndElement();
}

void TkxDocumentXmlWriter::Table(const TkxMetaTableData& Table) {
  if (Table.Header.empty() || Table.Rows.empty()) return;
  xml_.StartElement("Table");
  xml_.StartElement("Header");
  xml_.StartElement("Fields");
  for (size_t i = 0; i < Table.Header.size(); ++i) {
    const TkxMetaTableDataHeaderField& column = Table.Header[i];
    xml_.StartElement("Field");
    xml_.Attribute("Id", DecimalText(static_cast<int64_t>(i)));
    SafeAttribute("ExternalId", column.ExtName);
    SafeAttribute("DataType", TkxTypes::GetVarTypeStr(column.VarType));
    if (!column.Name.empty()) xml_.Text(std::u16string_view(Safe(column.Name)));
    xml_.EndElement();
  }
  xml_.EndElement();
  xml_.EndElement();
  xml_.StartElement("Rows");
  for (const TkxMetaTableDataRow& row : Table.Rows) {
    xml_.StartElement("Row");
    if (row.Confidence < 100) xml_.Attribute("Confidence", RowConfidenceText(row.Confidence));
    if (row.Page > 0) xml_.Attribute("Page", DecimalText(row.Page));
    if (row.Zone.Width > 0) xml_.Attribute("Zone", RelRectToZoneStr(row.Zone));
    for (size_t i = 0; i < row.Columns.size(); ++i) {
      const TkxMetaTableDataColumnField& cell = row.Columns[i];
      if (TkxTypes::VarIsInitial(cell.Value)) continue;
      xml_.StartElement("Col");
      xml_.Attribute("Id", DecimalText(static_cast<int64_t>(i)));
      if (cell.Confidence < 100) xml_.Attribute("Confidence", RowConfidenceText(cell.Confidence));
      if (cell.Zone.Width > 0) xml_.Attribute("Zone", RelRectToZoneStr(cell.Zone));
      if (cell.Page > 0) xml_.Attribute("Page", DecimalText(cell.Page));
      const UnicodeString text = TkxTypes::VarToStrExt(cell.Value);
      if (!text.empty()) xml_.Text(std::u16string_view(Safe(text)));
      xml_.EndElement();
    }
    xml_.EndElement();
  }
  xml_.EndElement();
  xml_.EndElement();
}

void TkxDocumentXmlWriter::Blob(const TkxBlob& Blob) {
  xml_.StartElement("Blob");
  if (!Blob.Id.empty()) TextElement("Id", std::string_view(Blob.Id));
  TextElement("Name", Blob.BlobName);
  if (!Blob.DocType.empty()) TextElement("DocType", Blob.DocType);
  TextElement("MimeType", Blob.MimeType);
  TextElement("Extension", Blob.Extension);
  TextElement("Size", std::string_view(DecimalText(Blob.BlobSize)));
  TextElement("Date", std::string_view(TkxDateTime::DateTimeToTimeStampStr(Blob.BlobDate, false)));
  TextElement("Pages", std::string_view(DecimalText(Blob.PageCount)));
  if (Blob.Encryption != kxCM_None) {
    TextElement("DataSize", std::string_view(DecimalText(Blob.DataSize)));
    TextElement("Encryption", TkxTypes::GetEncryptionTypeStr(Blob.Encryption));
  }
  // A blob that carries its bytes is embedded even when it has a stored
  // copy; only a blob without bytes is written as a reference, and then its
  // file is never opened.
  if (!Blob.BlobRefId.empty() && Blob.BlobData.Empty())
    TextElement("Reference", std::string_view(Blob.BlobRefId));
  else
    BlobData(Blob);
  xml_.EndElement();
}

void TkxDocumentXmlWriter::BlobData(const TkxBlob& Blob) {
  xml_.StartElement("Data");
  xml_.CData(std::string_view());  // the section stands also for no bytes
  // The text goes straight to the sink between the section's opening and
  // closing.
  WriteBlobBase64(Blob, true, [this](std::string_view text) { xml_.CDataBase64(text); });
  xml_.EndElement();
}

void WriteBlobBase64(const TkxBlob& Blob, bool Format,
                     const std::function<void(std::string_view)>& Out) {
  // One buffer for the text of a block, handed on once per block.
  kxInternal::Base64Encoder encoder(Format);
  const std::unique_ptr<char[]> text(
      new char[kxInternal::Base64Encoder::MaxUpdateLength(kDocumentBlobBlock)]);
  auto encode = [&](std::string_view bytes) {
    const char* end = encoder.Update(bytes, text.get());
    if (end != text.get()) Out(std::string_view(text.get(), static_cast<size_t>(end - text.get())));
  };
  if (!Blob.BlobData.Empty()) {
    std::string_view bytes = Blob.BlobData.View();  // the shared buffer itself, no copy
    while (!bytes.empty()) {
      const std::string_view block = bytes.substr(0, kDocumentBlobBlock);
      bytes.remove_prefix(block.size());
      encode(block);
    }
  } else {
    const UnicodeString failure = u"blob stream exception of file " + Blob.BlobLink;
    std::unique_ptr<FileStream> file;
    int64_t remaining = 0;
    try {
      // A FIFO or a device is no blob file: refused, never waited for.
      file = std::make_unique<FileStream>(Blob.BlobLink, fmOpenRead | fmShareDenyWrite, true);
      remaining = file->Size();
    } catch (const Exception&) {
      throw Exception(failure);
    }
    const size_t blockSize = static_cast<size_t>(std::min<int64_t>(remaining, kDocumentBlobBlock));
    const std::unique_ptr<char[]> block(new char[blockSize]);
    while (remaining > 0) {
      const int64_t want = std::min<int64_t>(remaining, kDocumentBlobBlock);
      int64_t got = 0;
      try {
        while (got < want) {
          const int64_t n = file->Read(block.get() + got, want - got);
          if (n <= 0) break;
          got += n;
        }
      } catch (const Exception&) {
        throw Exception(failure);
      }
      if (got < want) throw Exception(failure);  // the file shrank since it was opened
      remaining -= got;
      encode(std::string_view(block.get(), static_cast<size_t>(got)));
    }
  }
  char tail[kxInternal::Base64Encoder::kMaxFinishLength];
  const char* end = encoder.Finish(tail);
  if (end != tail) Out(std::string_view(tail, static_cast<size_t>(end - tail)));
}

// ---- The document ----------------------------------------------------------------

namespace {

void WriteOptions(TkxDocumentXmlWriter& doc, const TDocumentQueueRecord& q, bool full) {
  auto stamp = [](TDateTime d) { return TkxDateTime::DateTimeToTimeStampStr(d, false); };
  auto text8 = [&doc](std::string_view name, std::string_view bytes) {
    doc.TextElement(name, ToUtf16(bytes));  // undecodable bytes become blanks, not errors
  };
  if (full) {
    text8("State", QueueStateToStr(q.State));
    text8("Task", QueueTaskToStr(q.Task));
  }
  text8("CreationDate", stamp(q.CreationDate));
  text8("ChangeDate", stamp(q.ChangeDate));
  if (full) text8("RetryDate", stamp(q.RetryDate));
  text8("Language", q.Language);
  if (full) {
    text8("CheckSum", q.CheckSum.View());
    text8("KeyHash", q.KeyHash.View());
    text8("Priority", DecimalText(q.Priority));
  }
  doc.TextElement("Subject", q.Subject);
  if (full) {
    doc.TextElement("UserName", q.UserName);
    doc.TextElement("Client", q.Client);
    doc.TextElement("Application", q.Application);
    doc.TextElement("Origin", q.Origin);
    doc.TextElement("Project", q.Project);
    doc.TextElement("Destination", q.Destination);
    doc.TextElement("ExportTitle", q.ExportTitle);
    doc.TextElement("Exportservice", q.ExportService);
    doc.TextElement("EngineBuffer", q.EngineBuffer);
    doc.TextElement("ScriptBuffer", q.ScriptBuffer);
    doc.TextElement("ConvertScheme", q.ConvertScheme);
    doc.TextElement("ScriptScheme", q.ScriptScheme);
    doc.TextElement("PostScriptScheme", q.PostScriptScheme);
    doc.TextElement("ExportScheme", q.ExportScheme);
  }
  doc.TextElement("Messages", q.Messages);
}

}  // namespace

void CompleteDocumentRecord(TDocumentQueueRecord& QueueItem) {
  if (QueueItem.MetaData.empty()) QueueItem.MetaData = ParseMetaDataBuffer(QueueItem.MetaDataBuffer);
  if (QueueItem.Subject.empty()) QueueItem.Subject = GetSubjectText(QueueItem);
  QueueItem.KeyHash = GetKeyHash(QueueItem.MetaData);
  for (TkxMetaField& field : QueueItem.MetaData) {
    field.IntField = TrimDocumentFieldName(field.IntField);
    field.ExtField = TrimDocumentFieldName(field.ExtField);
  }
  // The whole table, header included, comes from the buffer when it has no
  // rows; an empty buffer gives an empty table.
  if (QueueItem.MetaTableData.Rows.empty())
    QueueItem.MetaTableData = ParseMetaTableDataBuffer(QueueItem.MetaTableDataBuffer);
}

void WriteDocumentXml(const TDocumentQueueRecord& QueueItem, kx::platform::XmlSink& Sink,
                      bool IncludeOptions) {
  XmlWriter xml(Sink);
  TkxDocumentXmlWriter doc(xml);
  xml.StartElement("kxDocument");
  doc.SafeAttribute("Id", ToUtf16(QueueItem.Id.View()));
  doc.SafeAttribute("StackId", ToUtf16(QueueItem.StackId.View()));
  if (!QueueItem.Repository.empty())
    doc.SafeAttribute("URIDocId",
                      BuildDocumentUri(QueueItem.Repository, QueueItem,
                                       static_cast<int32_t>(QueueItem.Version)));

  xml.StartElement("Options");
  WriteOptions(doc, QueueItem, IncludeOptions);
  xml.EndElement();

  xml.StartElement("Content");
  xml.StartElement("Index");
  for (const TkxMetaField& field : QueueItem.MetaData) doc.IndexField(field);
  doc.Table(QueueItem.MetaTableData);
  xml.EndElement();  // Index

  xml.StartElement("Blobs");
  for (const TkxBlob& blob : QueueItem.Blobs) doc.Blob(blob);
  xml.EndElement();
  xml.EndElement();  // Content
  xml.EndElement();  // kxDocument
  xml.Finish();
}

bool CreateDocumentXML(TDocumentQueueRecord& QueueItem, AnsiString& DocumentXML,
                       bool IncludeOptions, UnicodeString& Message) {
  DocumentXML.clear();
  try {
    CompleteDocumentRecord(QueueItem);
    StringXmlSink sink(DocumentXML);
    WriteDocumentXml(QueueItem, sink, IncludeOptions);
    return true;
  } catch (const std::exception&) {
    SetFailureMessage(u"error creating document xml (", Message);
  }
  DocumentXML.clear();
  DocumentXML.shrink_to_fit();
  return false;
}

}  // namespace kxQueueManager
