// system/kxToolsEvo2_Version.h — TkxTools: the texts of a file's version
// resource, the program's version texts, and dotted version texts compared.
//
// "The program" is the module that holds this code (GetModuleFileName: the
// plug-in library, or the program in a test program), not the host. The
// build gives libkxexport.so its version block; a test program that wants
// one links the generated block itself.
#pragma once

#include <cstdint>

#include "platform/rtl/Text.h"
#include "system/kxTypes_Records.h"

namespace TkxTools {

// The ten texts ("CompanyName" ... "Comment") of the first translation's
// string table, each trimmed (units at or below U+0020 at both ends); a
// missing entry gives "". Table names match without regard to case.
// - No version information (no such file, not an executable, no block):
//   every field "Unknown", false.
// - A block without translation table (or an empty one): false, FileInfo
//   left as it was.
bool GetFileInfo(const UnicodeString& FileName, TkxFileInfo& FileInfo);

// ProductVersion + " (build " + the fixed file version + ")", for example
// "2.2 (build 2.2.0.0)"; "Unknown" when GetFileInfo fails.
UnicodeString GetProgramVersion();
UnicodeString GetProgramVersion(const UnicodeString& FileName);
// TkxVersionTools::GetInternalFileVersion.
bool GetProgramVersion(const UnicodeString& FileName, uint16_t& Major, uint16_t& Minor,
                       uint16_t& Revision, uint16_t& Build);
// TkxVersionTools::GetInternalFileVersionStr as UTF-16.
UnicodeString GetFileBuild(const UnicodeString& FileName);

// The program's LegalCopyright (both), ProductName and FileDescription;
// "Unknown" when GetFileInfo fails.
UnicodeString GetProgramCopyright();
UnicodeString GetProgramCopyrightString();
UnicodeString GetProgramProductString();
UnicodeString GetProgramDescription();

// 0 when equal, 1 when Ver1 is the greater, 2 when it is the smaller (never
// -1). Blanks are removed and "," made "."; each part is padded with leading
// zeros to 10 characters (a longer part stays as it is) and the joined keys
// are compared by UTF-16 units. So a version with fewer parts is the older
// one, and parts that are no numbers compare as text.
//   CompareVersions(u"1, 2", u"1.2") == 0;  CompareVersions(u"1.10", u"1.9") == 1
//   CompareVersions(u"1.2", u"1.2.0") == 2
int32_t CompareVersions(const UnicodeString& Ver1, const UnicodeString& Ver2);

}  // namespace TkxTools
