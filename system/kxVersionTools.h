// system/kxVersionTools.h — TkxVersionTools: the fixed file version and the
// texts of a file's version resource, and four-part version numbers.
//
// Files are read as data, never loaded: a PE executable's resource (type 16,
// name 1, first language) or an ELF file's section ".kxversioninfo". The
// file version always comes from the fixed record, never from the
// "FileVersion" text.
//
// The writers change the version block in place, in a copy of the file's
// bytes whose size never changes, and then replace the file atomically
// (mode kept; a symbolic link is followed). They rewrite the block the
// readers read, whatever its resource language. A PE CheckSum that is not 0
// is recomputed. A process that has the file open keeps the old one. A file
// that cannot be read, has no version block or cannot be replaced gives
// false. No operation raises.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/rtl/Text.h"
#include "system/kxTypes_Records.h"

namespace TkxVersionTools {

// ---- Files ------------------------------------------------------------------------

// Sets the fixed file version to 1.1.1.1 (the product version stays) and, in
// the string table of every translation that has the entry Attribute, writes
// AttrValue over the entry's text in place: its recorded space is filled
// with zeros and at most space - 1 units of AttrValue are copied in, so a
// longer value is cut and the text stays zero-terminated. An entry that does
// not exist is not added. The space is the entry's recorded value length,
// bounded by what its node holds (some tools record it in bytes); an entry
// with no space is left as it is. True when the file was replaced, also when
// no entry matched.
bool ChangeFileVersionInformation(const UnicodeString& FileName, const UnicodeString& Attribute,
                                  const UnicodeString& AttrValue);
// The same with the ten entries of FileInfo at once ("CompanyName" ...
// "Comment"), each that a table has receiving its field.
bool ChangeFileVersionInformation(const UnicodeString& FileName, const TkxFileInfo& FileInfo);

// Sets the fixed file version and the fixed product version both to
// Major.Minor.Revision.Build. The texts stay as they are. False for a file
// without a fixed record.
bool ChangeInternalFileVersion(const UnicodeString& FileName, uint16_t Major, uint16_t Minor,
                               uint16_t Revision, uint16_t Build);

// The fixed file version; all four 0 and false when the file has none.
bool GetInternalFileVersion(const UnicodeString& FileName, uint16_t& Major, uint16_t& Minor,
                            uint16_t& Revision, uint16_t& Build);
// "2.5.0.17", or "Unknown".
AnsiString GetInternalFileVersionStr(const UnicodeString& FileName);
// The Build part, or 0.
uint16_t GetBuild(const UnicodeString& FileName);

// ---- Version numbers ----------------------------------------------------------------

// The first four "."-separated parts, each read by TkxConversion::StrToInt
// with 0 for a part that is no whole number (its prefixes, blanks and signs
// as there); missing and empty parts are 0; a negative number keeps its low
// 32 bits.
//   GetVersionFromStr(u"5.x.1") == {5, 0, 1, 0}
TkxVersion GetVersionFromStr(const UnicodeString& Version);
// "1.2.3.4"
UnicodeString GetVersionStr(const TkxVersion& Version);
// True when each of the first four parts is empty or reads (as above) as a
// number of 0 or more; missing parts count as 0, later parts are not looked
// at. So "" and "1.2.3.4.5" are valid, "1.2.a" and "1.-2" are not.
bool IsValidVersionString(const UnicodeString& Version);
// False for 0.0.0.0 (no version) and 99999.99999.99999.99999.
bool IsValidVersion(const TkxVersion& Version);
bool IsValidVersion(const UnicodeString& Version);
// kxVC_Unknown when either side is 0.0.0.0; otherwise the parts compared as
// numbers, Major first: kxVC_Older when TestVersion is the smaller.
TkxVersionComparison CompareVersions(const TkxVersion& TestVersion,
                                     const TkxVersion& ReferenceVersion);
// Both read with GetVersionFromStr.
TkxVersionComparison CompareVersions(const UnicodeString& TestVersion,
                                     const UnicodeString& ReferenceVersion);
// 0.0.0.0
TkxVersion InitVersion();

namespace detail {
// The ten string-table entries of TkxFileInfo, in its order. The last is
// "Comment", not the customary "Comments".
struct FileInfoField {
  std::u16string_view Name;
  UnicodeString TkxFileInfo::*Field;
};
extern const std::array<FileInfoField, 10> FileInfoFields;
}  // namespace detail

}  // namespace TkxVersionTools
