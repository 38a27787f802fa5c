// platform/file/Path.h — how the system takes a path apart, and how a path
// text becomes the name handed to a Linux system call.
//
// Paths arrive in Windows syntax as often as in Linux syntax, so:
//   - "/" and "\" both separate;
//   - a drive prefix (an ASCII letter and ":" at the very start) belongs to
//     the folder part; any other ":" is an ordinary character, since Linux
//     names may hold it;
//   - a separator added to a path follows the path's style: "\" when it holds
//     "\" and no "/", else "/";
//   - a drive path ("C:\...", "C:x") or network path ("\\server\...") names
//     nothing on Linux: it does not exist, cannot be opened or created, and
//     is never used as a relative name.
//   ExtractFilePath(u"C:\\a\\b.txt") == u"C:\\a\\";  ExtractFilePath(u"C:b") == u"C:"
//   ExtractFileName(u"/x/a:b") == u"a:b";  ExtractFileExt(u"/x.d/readme") == u""
#pragma once

#include <string>
#include <string_view>

#include "platform/rtl/Text.h"

namespace kx::platform {

inline bool IsPathDelimiter(char16_t C) { return C == u'/' || C == u'\\'; }

// True for "C:..." (any ASCII letter) and for a leading "\\".
bool IsDriveOrNetworkPath(std::u16string_view Path);

// The separator to add to Path: "\" when Path holds "\" and no "/", else "/".
char16_t PathDelimiterFor(std::u16string_view Path);

// Path with a separator at its end, added by PathDelimiterFor when missing;
// an empty path stays empty.
//   IncludeTrailingDelimiter(u"C:\\a") == u"C:\\a\\";  IncludeTrailingDelimiter(u"/a/") == u"/a/"
UnicodeString IncludeTrailingDelimiter(std::u16string_view Path);

// The folder part: up to and including the last separator, else the drive
// prefix, else empty. The file name is the rest.
UnicodeString ExtractFilePath(std::u16string_view Path);
UnicodeString ExtractFileName(std::u16string_view Path);
// From the last "." of the file name to the end, dot included; empty when the
// file name holds no ".". A dot in a folder name is no extension.
UnicodeString ExtractFileExt(std::u16string_view Path);
// Path with its extension (as ExtractFileExt finds it) replaced by Ext, or
// Ext appended when the file name holds no ".".
//   ChangeFileExt(u"c:\\out.d\\doc", u".xml") == u"c:\\out.d\\doc.xml"
UnicodeString ChangeFileExt(std::u16string_view Path, std::u16string_view Ext);

// The name for a system call: UTF-8 by the codec of Text.h, every "\" turned
// into "/". False (with the last OS error ENOENT) for an empty path, for
// drive and network paths, which name nothing here, and for a path holding a
// lone surrogate that is no byte escape (it has no bytes of its own: "?" in
// its place would name another file).
bool ToSystemPath(std::u16string_view Path, std::string& SystemName);

// The bytes of a system name as a file URI's path: every byte but
// A-Z a-z 0-9 - . _ ~ / as "%" and two upper-case hex digits (file URIs,
// the trash's info files).
//   PercentEncodedPath("/tmp/a b%.txt") == "/tmp/a%20b%25.txt"
std::string PercentEncodedPath(std::string_view SystemName);

}  // namespace kx::platform
