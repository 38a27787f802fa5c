// export/kxQueueManager_DocumentJson.h — the document JSON of a queue
// record, written member by member into a byte sink (a string, or a file
// that never holds the document whole in memory).
//
// One object in the compact layout of platform/json/JsonWriter.h, ASCII
// only. Members, in this order:
//   "Id", "StackId", "URIDocId" (only with a Repository), "CreationDate",
//   "ChangeDate", "Language", "Subject", "Messages"; with IncludeOptions
//   "State", "Task", "RetryDate", "CheckSum", "KeyHash", "Priority",
//   "UserName", "Client", "Application", "Origin", "Project", "Destination",
//   "ExportTitle", "Exportservice", "EngineBuffer", "ScriptBuffer",
//   "ConvertScheme", "ScriptScheme", "PostScriptScheme", "ExportScheme";
//   then "Fields", "Rows" and "Blobs", always (also as "[]").
// A field: "Name", "Value", "Type", then "ExternalId" when the names differ
// (case-sensitive), "Confidence" below 100, "Zone" with a page or width
// above 0, "Alternatives" when there are any (each "Value", "Confidence",
// "Zone"). A row: "Confidence", "Zone", "Fields" with one cell per column
// ("Name" of header entry k, "" beyond the header; "Value", "Type" of the
// cell's own value, "Confidence", "Zone"); rows only when the table has a
// header entry and a row. A blob: "Id", "Name", "DocType", "MimeType",
// "Extension", "Size", "Date", "Pages", with encryption "DataSize" and
// "Encryption", then "Reference" (a reference and no bytes: the file is
// not read) or, with IncludeBlobData, "Data" (Base64 on one line).
//
// Values are those of TkxTypes::VarToBsonValueByRef(v, true): whole
// numbers, floating numbers (3.0), true/false, null (also for a value that
// does not convert), texts; dates, of values and of the record alike, are
// DateTimeToISO8601Str texts, no zone shift. Confidences and zone values
// are rounded half to even; one that is not finite or beyond 64 bits fails
// the writer with EConvertError.
#pragma once

#include "export/kxQueueManager_Record.h"
#include "platform/rtl/Text.h"
#include "platform/xml/XmlWriter.h"

namespace kxQueueManager {

// Writes QueueItem as a document JSON into Sink and flushes it. The record
// is completed first and keeps the changes, also when a later step fails:
// MetaData from MetaDataBuffer when it has no fields, the whole table from
// MetaTableDataBuffer when it has no rows, Subject from GetSubjectText
// when empty, KeyHash always; IntField and ExtField of every field are
// trimmed (TrimDocumentFieldName) as they are written, and a field whose
// trimmed IntField is empty is left out. Raises on any failure, among them
// Exception("blob stream exception of file " + BlobLink); bytes written
// before stay in the sink.
void WriteDocumentJson(TDocumentQueueRecord& QueueItem, kx::platform::XmlSink& Sink,
                       bool IncludeOptions, bool IncludeBlobData);

// The text of WriteDocumentJson in DocumentJson (replaced); true. On a
// failure DocumentJson is emptied, Message becomes
// "error creating document json (" + the error's text + ")", and the same
// error is raised again.
bool CreateDocumentJson(TDocumentQueueRecord& QueueItem, AnsiString& DocumentJson,
                        bool IncludeOptions, bool IncludeBlobData, UnicodeString& Message);

}  // namespace kxQueueManager
