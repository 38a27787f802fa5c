// config/kxVCLTools.h — version texts of a file and of this library, and the
// types of the gradient painters (config/kxVCLTools_Paint.h).
//
// Version information is read from the file's version block (a PE version
// resource or the ELF section that this library carries); the file is read,
// never loaded. "This library" is the file that holds this code
// (TkxTools::GetModuleFileName): the plug-in, or a test program.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/Graphics.h"
#include "platform/rtl/Text.h"
#include "platform/versioninfo/VersionBlock.h"
#include "system/kxTypes_Records.h"

// The ten texts of a file's version information: the toolkit's record.
using TFileInfo = TkxFileInfo;

// A gradient's stops, in order.
using TGradRow = std::vector<TColor>;
enum TGradientOrientation : uint8_t { goLeft2Right, goTop2Bottom, goRadInner2Outer };

namespace kxVCLTools {

// Reads the texts of FileName's first translation into Info, each trimmed
// of blanks, empty when its key is missing. A file without version
// information sets all ten to "Unknown" and answers false; a block without
// a translation, or any other failure, answers false and leaves Info alone.
bool ReadFileInfo(const UnicodeString& FileName, TFileInfo& Info);

// The text at Key in Block: "\StringFileInfo\" + table name + "\" + entry
// name (the table name compared without regard to case, the entry name
// exactly), trimmed of blanks; empty when there is none.
//   QueryVersionString(b, u"\\StringFileInfo\\040904B0\\CompanyName")
UnicodeString QueryVersionString(const kx::platform::versioninfo::VersionBlock& Block,
                                 const UnicodeString& Key);

// The fixed file version: Major and Minor the high and low words of the most
// significant part, Release and Build of the least significant. All four 0
// and false when the file has no version block.
bool ReadFixedFileVersion(const UnicodeString& FileName, uint16_t& Major, uint16_t& Minor,
                          uint16_t& Release, uint16_t& Build);

// "Major.Minor.Release.Build" in decimal, or "Unknown".
UnicodeString GetFileVersionText(const UnicodeString& FileName);

// This library's FileDescription and LegalCopyright, or "Unknown".
UnicodeString GetModuleDescription();
UnicodeString GetModuleCopyright();
// GetFileVersionText of this library + " (rel. " + ProductVersion + ")", or
// "Unknown build".
UnicodeString GetModuleVersionText();

// The panels' rule for texts of a library built without real version texts:
// "#####" when the trimmed Text begins with five "#", else Text.
//   PlaceholderOr(u" ##########") == u"#####"
UnicodeString PlaceholderOr(const UnicodeString& Text);

}  // namespace kxVCLTools
