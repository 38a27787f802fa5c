// export/kxQueueManager_DocumentJsonReader.h — a document JSON (the format
// of kxQueueManager_DocumentJson.h), given as a file path or as the text
// itself, back into a queue record.
//
// Input: the untrimmed text is a path when it has ":\" at its second
// position or starts with "\\" or "/", its extension (from the last "."
// after the last "\", "/" or ":") is ".json" in any case, and the file
// exists; the file is then read once (UTF-8; a UTF-16 file with its
// byte-order mark is converted) and its folder, up to and including that
// separator, is the document folder. Anything else, a path to a missing
// ".json" file included, is parsed as JSON text, without a document folder.
// The JSON parser is platform/json/JsonReader.h: errors name line and
// column; a member name repeated in one object is one.
//
// Members are looked up by their exact name and read by kind:
//   text:   a string as it is, a whole number in decimal, a floating
//           number in the general form (no ".0"), "true"/"false", "null";
//           an object or array gives the default;
//   whole:  a number; a string that is a whole decimal number ("-" and
//           digits, within 64 bits), else the default; a floating number
//           cut toward zero (not finite or beyond 64 bits: the default);
//           true 1, false 0; null, objects and arrays the default. 32-bit
//           fields keep the low 32 bits;
//   float:  a number; a string read with "." as decimal point, else the
//           default; true 1, false 0; null, objects and arrays the default;
//   date:   the text read by ISO8601ToDateTime without raising; 0 when
//           missing or unreadable.
// Where an array is required ("Fields", "Rows", "Blobs", "Alternatives",
// "Zone", a row's "Fields") or an object (their elements, but the numbers
// of "Zone"), another kind fails with "Invalid cast
// (TgoBsonValue.AsBsonArray)" or "Invalid cast (TgoBsonValue.AsBsonDocument)".
#pragma once

#include "export/kxQueueManager_Record.h"
#include "platform/rtl/Text.h"

namespace kxQueueManager {

// Reads DocumentJson (unchanged) into QueueItem:
//   1. Fails with "empty json buffer - processing aborted" when nothing but
//      bytes up to 0x20 is there; the record is then unchanged.
//   2. Resets the record (InitQueueRecord), recognises and parses the input.
//   3. Without NewId: Id and StackId from "Id" and "StackId" (cut to 32
//      bytes, never inside a character); a "URIDocId" sets Repository, Id
//      and Version (ParseDocumentUri). With NewId the reset's new id stays.
//   4. The options ("State" default "IDLE", "Task" default "EXPORT", other
//      texts kxQS_Unknown / kxQT_Unknown; "Retries", "Priority", the three
//      dates, the texts), each replacing the reset's value.
//   5. Fields: "Value" (missing: null) by BsonValueToVariant with the type
//      "Type" names (default 8); VarType from "Type", default the value's
//      own code; Value = VarToStrExt(VarValue); "ExternalId" default the
//      name; "Confidence" rounded half to even, default 100; a "Zone" of
//      exactly five numbers gives page, Left, Top, Width, Height.
//      Alternatives likewise, "Value" default an empty text read as type 13.
//   6. KeyHash from GetKeyHash when the document gave none.
//   7. Table: cells are placed by their exact "Name"; a new name appends a
//      header entry (ExtName from "ExternalId", VarType 0, set by any cell
//      type other than 0 and 1); every row ends with one cell per header
//      entry, padded cells null with confidence 100 and a zero zone.
//   8. Blobs: texts, "Size" and "DataSize" 64-bit, "Extension" lower-cased
//      (empty: "." + the MIME type's extension), "MimeType" (empty: the
//      extension's type), "Data" Base64-decoded straight into BlobData.
//      With LoadBlobRefs a blob without bytes whose trimmed "Reference" is
//      not empty is looked up as BlobRefId + Extension in the document
//      folder (the current folder for text input), then in BlobTempPath
//      (see kxQueueManager_BlobRefs.h for the names taken); BlobLink and
//      OrgLink name the file found, LoadBlobRefData reads it into BlobData,
//      and a Size of 0 becomes the file's size. Otherwise a Size of 0 becomes
//      the length of BlobData.
// True on success. On a failure Message becomes
// "error loading document json (" + the error's text + ")" and the error
// is raised again; the record then holds the reset and what was read before
// the failing point. BlobCount, ProcessLog and both buffers are not set.
bool LoadDocumentJson(TDocumentQueueRecord& QueueItem, const AnsiString& DocumentJson, bool NewId,
                      bool LoadBlobRefs, bool LoadBlobRefData, const UnicodeString& BlobTempPath,
                      UnicodeString& Message);

}  // namespace kxQueueManager
