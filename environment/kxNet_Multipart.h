// environment/kxNet_Multipart.h — TkxNet: one header of a raw header block,
// and the parts of a multipart/form-data body.
//
// Bodies and header blocks are bytes as they travel (8-bit text); positions
// are byte positions. Header names of parts become UTF-16 through the text
// codec, so no byte is lost.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/Text.h"
#include "system/kxTypes_Records.h"

// One part of a multipart body.
struct TMultiPart {
  AnsiString Name;        // the name parameter of Content-Disposition
  AnsiString SORTL;       // Name with ASCII letters upper-cased: the lookup key
  AnsiString CType;       // the Content-Type value
  AnsiString Data;        // the part's body
  UnicodeString FileName;  // the filename parameter; empty when there is none
  TkxKeyValueList Header;  // every header line: Key UpperText(name), Value trimmed

  friend bool operator==(const TMultiPart&, const TMultiPart&) = default;
};
using TMultiParts = std::vector<TMultiPart>;

namespace TkxNet {

// The value of the first header in Header whose name contains Param: a
// plain substring search of the ASCII-upper-cased name in the
// ASCII-upper-cased block, anywhere (so "Id" is found inside "BlobId: 7").
// The value is what follows the first ":" after the match's first byte, up
// to the next line feed or the end, with bytes at or below 0x20 trimmed from
// both ends. Empty when Param does not occur.
//   GetHttpRawHeaderValue("BlobId", "BlobHash: AB\r\nblobid:  42 \r\n") == "42"
AnsiString GetHttpRawHeaderValue(const AnsiString& Param, const AnsiString& Header);

// Splits a multipart body into MultiParts. The boundary is the body's first
// line, trimmed; MultiParts is emptied and sized to the number of times the
// boundary occurs (overlaps counted) less one, then part i fills entry i. A
// part's headers end at the first CR LF CR LF (searched from 2 bytes before
// them, so a part without headers is found too); its body runs to 2 bytes
// before the next boundary. "NAME=" and "FILENAME=" are found as substrings
// of the Content-Disposition line and their values taken up to the next
// double quote. LowerCaseContentType lower-cases CType's ASCII letters.
// Entries beyond the last part found (when a body holds the boundary) stay
// empty.
// False at once, MultiParts untouched, for an empty body. False for a body
// without a first line or with a blank one, and for a body that breaks off
// (a boundary line without line end, headers without their blank line, a
// body without a following boundary, a last boundary that opens a part
// instead of closing the body): a truncated upload never reads as complete.
// MultiParts then keeps what was filled so far. Never raises.
bool ParseMultiPartData(const AnsiString& Data, TMultiParts& MultiParts, bool LowerCaseContentType);

// The index of the first part whose SORTL equals Param with ASCII letters
// upper-cased; -1 when none.
int32_t GetMultiPartId(const TMultiParts& MultiParts, const AnsiString& Param);
// That part's Data, or Default.
AnsiString GetMultiPartData(const TMultiParts& MultiParts, const AnsiString& Param,
                            const AnsiString& Default);
// The Value of the part's first header whose Key equals UpperText(HeaderKey);
// Default when there is none.
UnicodeString GetMultiPartHeaderValue(const TMultiPart& MultiPart, const UnicodeString& HeaderKey,
                                      const UnicodeString& Default);

}  // namespace TkxNet
