// export/kxQueueManager_Record.h — the document queue record and the
// stateless operations around it: starting a record, state and task texts,
// adding blobs and index fields, the key hash, the subject, zone texts and
// the document link.
//
// A record owns its texts and arrays and is copied by value, except blob
// bytes: TkxBlob::BlobData is a shared ByteBuffer, so copying a record (or
// its Blobs) never copies file contents. Pass records by reference anyway.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "system/kxTypes_Enums.h"
#include "system/kxTypes_Records.h"

struct TDocumentQueueRecord {
  TIdType Id;
  TIdType StackId;
  uint32_t Version = 0;
  TkxQueueState State = kxQS_Import;
  AnsiString StateStr;  // free text; writers use QueueStateToStr(State)
  TkxQueueTask Task = kxQT_Export;
  AnsiString TaskStr;   // free text; writers use QueueTaskToStr(Task)
  int32_t Retries = 0;
  TDateTime CreationDate;
  TDateTime ChangeDate;
  TDateTime RetryDate;
  TIdType CheckSum;
  TIdType KeyHash;
  int32_t Priority = 0;
  UnicodeString UserName;
  UnicodeString Client;
  UnicodeString Application;
  UnicodeString Origin;
  UnicodeString Project;
  UnicodeString Destination;
  UnicodeString ExportTitle;
  UnicodeString ExportService;
  UnicodeString EngineBuffer;
  UnicodeString ScriptBuffer;
  UnicodeString ConvertScheme;
  UnicodeString ScriptScheme;
  UnicodeString PostScriptScheme;
  UnicodeString ExportScheme;
  UnicodeString Repository;
  UnicodeString ProcessLog;
  AnsiString Language;
  AnsiString MetaDataBuffer;       // index fields in text form (ParseMetaDataBuffer)
  AnsiString MetaTableDataBuffer;  // the table in text form (ParseMetaTableDataBuffer)
  TkxMetaData MetaData;
  TkxMetaTableData MetaTableData;
  TkxBlobs Blobs;
  int32_t BlobCount = 0;  // not maintained: count Blobs instead
  UnicodeString Subject;
  UnicodeString Messages;

  friend bool operator==(const TDocumentQueueRecord&, const TDocumentQueueRecord&) = default;
};

using TDocumentQueueRecords = std::vector<TDocumentQueueRecord>;

// Resets QueueItem for a new document: a new Id, Version 1, state and task
// kxQS_Unknown / kxQT_Unknown, CreationDate = ChangeDate = now (one clock
// reading), RetryDate one day earlier, UserName the user-principal name,
// Client the computer name; every other text, MetaData, the table and Blobs
// emptied. BlobCount is left as it is. Always true.
bool InitQueueRecord(TDocumentQueueRecord& QueueItem);

// "IMPORT", "IDLE", ... "UNKNOWN"; "UNKNOWN" for a value outside the enumeration.
AnsiString QueueStateToStr(TkxQueueState State);
// The state whose text equals Text upper-cased and trimmed, else Default:
//   StrToQueueState(u" idle ", kxQS_Error) == kxQS_Idle
TkxQueueState StrToQueueState(const UnicodeString& Text, TkxQueueState Default);
// "EXPORT", "PLUMO", "UNKNOWN", "MOVE"; "UNKNOWN" for any other value.
AnsiString QueueTaskToStr(TkxQueueTask Task);
TkxQueueTask StrToQueueTask(const UnicodeString& Text, TkxQueueTask Default);

// Adds a blob (Index below 0) or replaces the blob at Index, from a file
// (FileName) or from bytes (BlobData). Empty BlobName, MimeType and Extension
// are taken from the file name. With Store the file or bytes are copied to
// StorePath as Id + "-" + (BlobId or slot number) + extension; the blob then
// points at the copy and BlobRefId names it. The name is made file-name safe
// and its extension lower case, the same text as the blob's Extension, so
// BlobRefId + Extension names the copy. No existing entry is ever
// overwritten: the copy is written under a staged name, synced, and given
// the first free name ("ABC-1-2.pdf"), the next one when another writer
// takes that name meanwhile. Raises on every failure and then leaves QueueItem as
// it was (a copy already written stays on disk). Always true otherwise.
bool AddQueueBlob(TDocumentQueueRecord& QueueItem, const UnicodeString& FileName,
                  const UnicodeString& BlobName, const ByteBuffer& BlobData,
                  const UnicodeString& MimeType, const UnicodeString& Extension, bool Store,
                  const UnicodeString& StorePath, const UnicodeString& DocType,
                  const AnsiString& BlobId, int32_t Index, int64_t DataSize,
                  TkxCryptingMethod Encryption);

// Adds a text field (or, with Replace, overwrites the first field named
// exactly FieldName, keeping its zone, page and alternatives). VarValue is a
// UTF-16 text variant while VarType is 8. Answers the field's index, -1 for
// an empty FieldName.
int32_t AddMetaFieldValue(TDocumentQueueRecord& QueueItem, const UnicodeString& FieldName,
                          const UnicodeString& Value, double Confidence, bool Replace);
// As AddMetaFieldValue with the value's text, then sets VarValue, VarType,
// Zone and Page of the field.
int32_t AddMetaField(TDocumentQueueRecord& QueueItem, const UnicodeString& FieldName,
                     const Variant& Value, TVarType VarType, bool Replace, double Confidence,
                     const TRelRect& Zone, int32_t Page);

// MD5 (32 upper-case hex digits) of the UTF-8 bytes of the Value texts of all
// fields with an ExtField, joined without separator.
TIdType GetKeyHash(const TkxMetaData& MetaData);

// The field values joined by blanks, at most 100 characters plus "...";
// with no values and two or more blobs, the first blob's name.
UnicodeString GetSubjectText(const TDocumentQueueRecord& QueueItem);

// "Left,Top,Width,Height", each rounded half to even; "0,0,0,0" when a value
// does not round into a 64-bit integer.
//   Left 10.5, Top 11.5, Width 20.4, Height 0 give "10,12,20,0"
AnsiString RelRectToZoneStr(const TRelRect& Zone);
// The reverse: Right = Left + Width, Bottom = Top + Height; all zero when an
// item is not a number; missing items 0. Items are split at ",", and "."
// is the decimal point.
//   ZoneStrToRelRect("10,20"): Left 10, Top 20, Right 10, Bottom 20
TRelRect ZoneStrToRelRect(const AnsiString& ZoneStr);

// "doc://" + Repository + "/" + Id + "/" + Version.
UnicodeString BuildDocumentUri(const UnicodeString& Repository,
                               const TDocumentQueueRecord& QueueItem, int32_t Version);
// The reverse; a missing version gives 0, an unreadable one 1. Always true.
bool ParseDocumentUri(const UnicodeString& Uri, UnicodeString& Repository, TIdType& Id,
                      int32_t& Version);
