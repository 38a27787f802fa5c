// export/kxPluginTools.h — the hand-over object: one document as the host
// hands it over, piece by piece (index fields, table cells, blob files).
//
// The host sends fields and cells as short text forms:
//   field:  Name[Type,Page,Left,Top,Width,Height,Confidence]=Value
//           (the bracket is optional and may hold the type alone)
//   cell:   Column,Row=Value  or  Column[Type,Page,Left,Top,Width,Height,Confidence],Row=Value
//   row:    Row=[Page,Left,Top,Width,Height,Confidence]
// Whole numbers in a bracket read with TkxConversion::StrToInt(Text, 0): an
// empty or unreadable item is 0, "90.0" is 90, "90.5" is 0. Confidence is
// capped at 100 (negative values stay); Right = Left + Width and
// Bottom = Top + Height.
//
// Operations answer true, or false with the reason in Message; most of them
// clear Message (see each). Removing a field or blob only clears and
// deactivates its slot: counts never shrink except by the Clear operations.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "system/kxTypes_Records.h"

struct TkxPluginField {
  bool Active = false;
  UnicodeString Name;
  Variant Value;
  TVarType DataType = 0;
  double Confidence = 0.0;
  TRelRect Zone;
  int32_t Page = 0;
};
using TkxPluginFields = std::vector<TkxPluginField>;

struct TkxPluginBlob {
  bool Active = false;
  UnicodeString FileName;  // the host's file
  UnicodeString BlobName;
  RawByteString BlobData;  // the content when handed over in memory
  bool Reference = false;
  AnsiString DocId;  // no operation sets it
  UnicodeString DocType;
  int64_t Size = 0;  // bytes; 64-bit so that files above 2 GiB keep their size
};
using TkxPluginBlobs = std::vector<TkxPluginBlob>;

struct TkxCellRecord {
  double Confidence = 0.0;
  TRelRect Zone;
  int32_t Page = 0;
};
using TkxCellRecords = std::vector<TkxCellRecord>;

// One column. Values and Cells always have the same length (index = row).
struct TkxTableRecord {
  UnicodeString Column;
  TVarType DataType = 0;
  std::vector<Variant> Values;
  TkxCellRecords Cells;
  int32_t Tag = 0;  // no operation uses it
};
using TkxPluginTable = std::vector<TkxTableRecord>;

struct TkxTableRow {
  int32_t Row = 0;
  int32_t Page = 0;
  TRelRect Zone;
  double Confidence = 0.0;
};
using TkxTableRows = std::vector<TkxTableRow>;

class TkxPluginTools : public TObject {
 public:
  // Cells and rows above this row number are refused like negative ones: a
  // column grows to its highest row at once, so one hostile number could
  // otherwise exhaust the host's memory.
  static constexpr int64_t MaxTableRow = 1000000;

  TkxPluginTools();
  ~TkxPluginTools() override;
  TkxPluginTools(const TkxPluginTools&) = delete;
  TkxPluginTools& operator=(const TkxPluginTools&) = delete;

  static constexpr char kVersion[] = "2.2.0";  // this class's own version text
  AnsiString Version = kVersion;
  UnicodeString Message;
  TkxPluginFields Fields;
  TkxPluginTable Table;
  TkxTableRows TableRows;
  TkxPluginBlobs Blobs;
  UnicodeString Title;    // cleared by Clear; nothing sets it
  UnicodeString AppName;  // cleared by Clear; nothing sets it

  // ---- Fields -------------------------------------------------------------------
  // A text value (DataType 8), Confidence 100, zero zone, Page 0.
  bool AddField(const UnicodeString& Name, const UnicodeString& Value);
  // A copy of Value with its own type code as DataType.
  bool AddField(const UnicodeString& Name, const Variant& Value);
  // The text form of a field. The name before a bracket is trimmed (white
  // space and control characters), a name without a bracket is not. A
  // bracket with the type alone keeps Confidence 100; with a "," all seven
  // items are read and missing ones count 0 ("Amount[INT,3]=7": Page 3,
  // Confidence 0). Without "=" the name is empty and the whole text is the
  // value. DataType = GetVarTypeFromStr(type, 8); the value is
  // StrToVarExt(text, DataType), which carries its own type code.
  bool AddField(const UnicodeString& Data);
  // The name part of a field text as AddField(Data) reads it; empty on any
  // error. Message untouched.
  UnicodeString GetFieldName(const UnicodeString& Data);
  // The text after the first "=", the whole text when there is none.
  // Message untouched.
  UnicodeString GetFieldValueStr(const UnicodeString& Data);
  bool ClearFields();
  // Slots, active or not.
  int32_t GetFieldCount();
  // The value text of the first active field whose name matches FieldName
  // by UpperText forms; Default when none does.
  UnicodeString GetFieldValueByName(const UnicodeString& FieldName, const UnicodeString& Default);
  // The first matching active field becomes inactive with an empty name and
  // an empty text value; true when one matched.
  bool RemoveFieldByName(const UnicodeString& FieldName);

  // ---- Blobs ------------------------------------------------------------------------
  // Size is the length of BlobData, or the file's size when BlobData is
  // empty (0 for a missing file, which is accepted).
  bool AddBlob(const UnicodeString& FileName, const RawByteString& BlobData, bool Reference);
  bool AddBlob(const UnicodeString& FileName, const RawByteString& BlobData,
               const UnicodeString& BlobName, bool Reference);
  bool AddBlob(const UnicodeString& FileName, const RawByteString& BlobData,
               const UnicodeString& BlobName, const UnicodeString& DocType, bool Reference);
  // The blob at BlobId, or the last one when BlobId is below 0; false
  // outside the blobs. Message untouched.
  bool SetBlobName(const UnicodeString& BlobName, int32_t BlobId);
  // Deactivates the slot and empties FileName, BlobData and Reference.
  bool RemoveBlobById(int32_t BlobId);
  bool ClearBlobs();
  int32_t GetBlobCount();

  // ---- Table ------------------------------------------------------------------------
  // Empties the columns; TableRows stay.
  bool ClearTable();
  // The text form of a cell. The column name is not trimmed; a bracket
  // always reads seven items ("Total[INT],2=5" has Confidence 0); no
  // bracket means "UCS2STR". A new column has DataType 1; a cell of type 0
  // or 1 never changes it, any other type becomes the column's. The row text
  // must be a whole number from 0 to MaxTableRow (empty means 0); any other
  // row text refuses the cell, which then changes nothing.
  bool AddTableField(const UnicodeString& Data);
  // The text form of a row; the row number reads strictly ("x=[...]" fails
  // with the conversion's message), a text without "[" fails with
  // "invalid row data".
  bool AddTableRow(const UnicodeString& Data);
  // The length of the first column; 0 without columns. Message untouched.
  int32_t GetTableRowCount();

  // ClearFields, ClearTable, ClearBlobs, Title and AppName emptied; TableRows stay.
  bool Clear();
};
