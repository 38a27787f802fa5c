// system/kxTypes_Records.h — the records and arrays that the whole system
// shares: document metadata, blobs, URL parameters, versions, addresses.
//
// Every record owns its texts and arrays and is copied by value; arrays are
// std::vector, indexed from 0. Fields start as 0, empty, false, Empty and the
// enumeration's ordinal 0, so a new record is the all-zero record the rest of
// the system expects (a new TkxBlob has State kxQS_Import). The one exception
// to deep copying is TkxBlob::BlobData: copying a blob, or an array of blobs,
// shares the bytes (see ByteBuffer), so a large file is never copied by
// passing its record around.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/ByteBuffer.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "system/kxTypes_Enums.h"

// A short 8-bit text of at most 32 bytes held in place: the 32 upper-case
// hexadecimal digits of a generated id, or empty for "no id".
class TIdType {
 public:
  static constexpr size_t kCapacity = 32;

  TIdType() = default;  // empty
  // Text cut to at most 32 bytes, never inside a UTF-8 sequence (a byte that
  // is not valid UTF-8 counts as one character):
  //   TIdType(std::string(40, 'A')).View() == std::string(32, 'A')
  //   TIdType(std::string(31, 'A') + "\xC3\xA4").Length() == 31
  explicit TIdType(std::string_view Text) {
    size_t end = 0;
    while (end < Text.size()) {
      const size_t len = SequenceLength(Text, end);
      if (end + len > kCapacity) break;
      end += len;
    }
    Text.copy(chars_, end);
    length_ = static_cast<uint8_t>(end);
  }

  std::string_view View() const { return std::string_view(chars_, length_); }
  AnsiString ToString() const { return AnsiString(View()); }
  size_t Length() const { return length_; }
  bool IsEmpty() const { return length_ == 0; }

  friend bool operator==(const TIdType& A, const TIdType& B) { return A.View() == B.View(); }

 private:
  // The length of the character at Pos: the whole UTF-8 sequence when one
  // starts there, else 1.
  static size_t SequenceLength(std::string_view Text, size_t Pos) {
    const auto lead = static_cast<unsigned char>(Text[Pos]);
    const size_t len = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (len == 1 || Pos + len > Text.size()) return 1;
    return IsValidUtf8(Text.substr(Pos, len)) ? len : 1;
  }

  uint8_t length_ = 0;
  char chars_[kCapacity] = {};
};

using TStringArray = std::vector<UnicodeString>;
using TWideStringArray = std::vector<UnicodeString>;

// A zone on a page. Conversions and texts: kxTypes_Rect.h.
struct TRelRect {
  double Left = 0.0;
  double Top = 0.0;
  double Right = 0.0;
  double Bottom = 0.0;
  double Width = 0.0;
  double Height = 0.0;

  friend bool operator==(const TRelRect&, const TRelRect&) = default;
};

struct TAdvRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  int32_t Width = 0;
  int32_t Height = 0;

  friend bool operator==(const TAdvRect&, const TAdvRect&) = default;
};

struct TkxVersion {
  uint32_t Major = 0;
  uint32_t Minor = 0;
  uint32_t Revision = 0;
  uint32_t Build = 0;

  friend bool operator==(const TkxVersion&, const TkxVersion&) = default;
};

// ---- Document metadata ---------------------------------------------------------

// One alternative reading of a field value.
struct TkxAlternativeValue {
  UnicodeString Value;
  Variant VarValue;
  TVarType VarType = 0;
  double Confidence = 0.0;
  TRelRect Zone;
  int32_t Page = 0;

  friend bool operator==(const TkxAlternativeValue&, const TkxAlternativeValue&) = default;
};
using TkxAlternativeValues = std::vector<TkxAlternativeValue>;

// One index field.
struct TkxMetaField {
  UnicodeString IntField;  // the internal field name
  UnicodeString ExtField;  // the external field name
  UnicodeString Value;
  Variant VarValue;
  TVarType VarType = 0;
  double Confidence = 0.0;
  TRelRect Zone;
  int32_t Page = 0;
  TkxAlternativeValues Alternatives;

  friend bool operator==(const TkxMetaField&, const TkxMetaField&) = default;
};
using TkxMetaData = std::vector<TkxMetaField>;

// One table column.
struct TkxMetaTableDataHeaderField {
  UnicodeString Name;
  UnicodeString ExtName;
  TVarType VarType = 0;

  friend bool operator==(const TkxMetaTableDataHeaderField&,
                         const TkxMetaTableDataHeaderField&) = default;
};
using TkxMetaTableDataHeader = std::vector<TkxMetaTableDataHeaderField>;

// One cell.
struct TkxMetaTableDataColumnField {
  Variant Value;
  double Confidence = 0.0;
  TRelRect Zone;
  int32_t Page = 0;

  friend bool operator==(const TkxMetaTableDataColumnField&,
                         const TkxMetaTableDataColumnField&) = default;
};
using TkxMetaTableDataColumn = std::vector<TkxMetaTableDataColumnField>;

// One table row.
struct TkxMetaTableDataRow {
  TkxMetaTableDataColumn Columns;
  double Confidence = 0.0;
  TRelRect Zone;
  int32_t Page = 0;

  friend bool operator==(const TkxMetaTableDataRow&, const TkxMetaTableDataRow&) = default;
};
using TkxMetaTableDataRows = std::vector<TkxMetaTableDataRow>;

// The table of a document.
struct TkxMetaTableData {
  TkxMetaTableDataHeader Header;
  TkxMetaTableDataRows Rows;

  friend bool operator==(const TkxMetaTableData&, const TkxMetaTableData&) = default;
};

// ---- Blobs ---------------------------------------------------------------------------

// One attached file of a document.
struct TkxBlob {
  AnsiString Id;
  UnicodeString Extension;
  UnicodeString MimeType;
  UnicodeString DocType;
  UnicodeString BlobName;
  ByteBuffer BlobData;    // the file's bytes when they travel inside the record
  UnicodeString BlobLink;  // where the blob's file is now
  UnicodeString OrgLink;   // where it came from
  int64_t BlobSize = 0;
  int64_t DataSize = 0;
  int32_t BlobPartId = 0;
  AnsiString BlobRefId;
  bool Partitioned = false;
  bool Compressed = false;
  TDateTime BlobDate;
  AnsiString TackId;
  int32_t SortId = 0;
  TkxQueueState State = kxQS_Import;
  TkxCryptingMethod Encryption = kxCM_None;
  int32_t PageCount = 0;

  friend bool operator==(const TkxBlob&, const TkxBlob&) = default;
};
using TkxBlobs = std::vector<TkxBlob>;

// ---- Other records -------------------------------------------------------------------

// One URL query parameter.
struct TkxUrlParam {
  UnicodeString Param;
  UnicodeString Value;
  AnsiString RawValue;  // the value as it stood in the URL
  TkxEncoding Encoding = kxENC_None;

  friend bool operator==(const TkxUrlParam&, const TkxUrlParam&) = default;
};
using TkxUrlParams = std::vector<TkxUrlParam>;

struct TkxKeyValue {
  UnicodeString Key;
  UnicodeString Value;

  friend bool operator==(const TkxKeyValue&, const TkxKeyValue&) = default;
};
using TkxKeyValueList = std::vector<TkxKeyValue>;

// The version-resource texts of a file.
struct TkxFileInfo {
  UnicodeString CompanyName;
  UnicodeString FileDescription;
  UnicodeString FileVersion;
  UnicodeString InternalName;
  UnicodeString LegalCopyright;
  UnicodeString LegalTrademarks;
  UnicodeString OriginalFilename;
  UnicodeString ProductName;
  UnicodeString ProductVersion;
  UnicodeString Comment;

  friend bool operator==(const TkxFileInfo&, const TkxFileInfo&) = default;
};

struct TkxIPAddress {
  UnicodeString Address;
  TkxIPType IPType = kxIPv4;
  std::vector<int32_t> OctetArray;  // one number per address part

  friend bool operator==(const TkxIPAddress&, const TkxIPAddress&) = default;
};
using TkxIPRanges = std::vector<TkxIPAddress>;
