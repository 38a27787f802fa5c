// system/kxFiles_Paths.h — TkxFiles: path texts, existence tests, folder
// creation, file-name cleaning, free and unique file names, and the
// well-known folders.
//
// Paths are taken apart by the rule of platform/file/Path.h: "\" and "/"
// both separate, a drive prefix ("C:") belongs to the folder part, any other
// ":" is part of a name. A separator that an operation adds follows the
// path's style ("\" when the path holds "\" and no "/", else "/"). Drive and
// network paths ("C:\...", "\\server\...") are texts only: they never exist
// and cannot be created. "Trim" removes the units at or below U+0020 at both
// ends.
//
// Linux has no short 8.3 names and no Windows folder: GetShortDOSPath
// answers an existing path itself, GetWinPath and TkxWin32::GetWindowsDirectory
// answer "/".
#pragma once

#include <cstdint>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"

namespace TkxFiles {

// ---- Existence and folders ---------------------------------------------------

// At least one entry matches Path (which may be a mask in its last
// component) that is a file, neither hidden (a name beginning with ".") nor
// a system entry (device, FIFO, socket, dangling link). Folders do not count.
bool FileExists(const UnicodeString& Path);

// The folder part of Path, made to end with a separator, exists as a folder
// (links followed). So PathExists(u"/a/b") tests "/a/", not "/a/b".
bool PathExists(const UnicodeString& Path);

// Creates the folder part of Path level by level ("/a/b/file.txt" creates
// "/a/" and "/a/b/"). With CheckExistence an existing folder part answers
// true at once. Otherwise the answer tells whether the deepest level was
// newly created: an existing folder answers false, and failures of the
// levels above are ignored. A path without a folder part has nothing to
// create (false). Never raises.
bool CreatePath(const UnicodeString& Path, bool CheckExistence);

// ---- Path texts --------------------------------------------------------------

// Path trimmed, with a separator appended when it does not end with one; an
// empty result stays empty.
//   CheckPathExt(u" C:\\out ") == u"C:\\out\\";  CheckPathExt(u"/tmp") == u"/tmp/"
UnicodeString CheckPathExt(const UnicodeString& Path);
// Path trimmed, with one trailing separator removed.
//   ErasePathExt(u"C:\\out\\\\") == u"C:\\out\\"
UnicodeString ErasePathExt(const UnicodeString& Path);

// Extension trimmed, with a "." in front when it is not empty and lacks one,
// lower-cased (LowerText) with ToLowercase.
//   CheckFileExtension(u" PDF ", true) == u".pdf"
UnicodeString CheckFileExtension(const UnicodeString& Extension, bool ToLowercase);

// The file name of Path without its last extension; a name whose only dot
// is its first character is all extension.
//   ExtractPureFileName(u"C:\\a.b\\archive.tar.gz") == u"archive.tar"
//   ExtractPureFileName(u"/home/u/.profile") == u""
UnicodeString ExtractPureFileName(const UnicodeString& Path);

// Unlike the extension of a path: from the last "." anywhere in FilePath to
// the end, dot included, and the whole of FilePath when it holds no ".".
//   GetFileExtention(u"C:\\dir.old\\readme") == u".old\\readme"
//   GetFileExtention(u"readme") == u"readme"
UnicodeString GetFileExtention(const UnicodeString& FilePath);

// Str without the characters a file name may not hold: codes 0 to 31 and
// 127, '"', "*", "/", ":", "<", ">", "?", "\", "|" (removed, not replaced;
// characters above U+00FF stay). A result longer than 256 characters keeps
// its extension and as much of the pure name as fits ("_" when that is
// empty), then is cut to 256.
//   ConvertToFileName(u"a:b*c?.txt") == u"abc.txt"
UnicodeString ConvertToFileName(const UnicodeString& Str);

// A display form of Path of about Maxlen characters: Path itself when it is
// not longer; else leading folder levels, "...\" (or ".../") and the file
// name F, taking the next level while the position of its separator in the
// rest plus the length of the head is below Maxlen - length(F) - 4. The
// answer may be longer than Maxlen.
//   ShortPath(u"C:\\one\\two\\six\\file.txt", 16) == u"C:\\...\\file.txt"
//   ShortPath(u"C:\\one\\two\\six\\file.txt", 10) == u"...\\file.txt"
UnicodeString ShortPath(const UnicodeString& Path, int32_t Maxlen);

// There are no short names: SLongName itself when an entry of that name
// exists; else raises Exception "unable to determine short path name from "
// + SLongName.
UnicodeString GetShortDOSPath(const UnicodeString& SLongName);

// InPath with the place-holders of TkxStrings::CheckDefaultPlaceHolders
// expanded for UserName and HostName, then through CheckPathExt when
// CheckPathSuffix.
UnicodeString BuildPathStr(const UnicodeString& InPath, bool CheckPathSuffix,
                           const UnicodeString& UserName, const UnicodeString& HostName);

// ---- Free and unique names ---------------------------------------------------

// A path that no file occupies (FileExists, so a folder or a hidden file of
// that name does not count as taken). Candidates, with n = 1, 2, ...:
// Destination itself for n = 1 unless AlwaysAddId, else stem + Separator +
// n + extension (the extension of the file-name part; with WithLeadingZero
// n has at least 6 digits). After building candidate n the search stops when
// n is not below MaxRetry (0 acts like 1); then, when that candidate is
// taken too, stem + Separator + the local time "yyyymmddhhnnsszzz" +
// extension is tried with the time read afresh until one is free.
// Nothing is created or reserved: two callers may get the same name.
// (Code that is about to create the file itself uses the layer's
// kx::platform::FreeFileName, for which any entry of the name counts.)
//   "/out/doc.xml" taken: GetFreeFileName(u"/out/doc.xml", 99999999, u"-", false, false)
//   == u"/out/doc-2.xml"
UnicodeString GetFreeFileName(const UnicodeString& Destination, uint32_t MaxRetry,
                              const UnicodeString& Separator, bool AlwaysAddId,
                              bool WithLeadingZero);

// Creates an empty file "~" + a number in upper-case hexadecimal (1 to 4
// digits) + ".tmp" in TempDirectory, the number starting at a random value
// and trying all 65535, and leaves it there. Answers the folder, the name
// without ".tmp" padded on the right with "0" to 8 characters, "." and Ext:
//   file "~A1B2.tmp" created -> TempDirectory + "~A1B2000." + Ext (not created)
// Raises EOSError with the system's message when no file can be created
// (for instance a missing folder).
UnicodeString CreateUniqueFilename(const UnicodeString& TempDirectory, const UnicodeString& Ext);

// A free path (kx::platform::FreeFileName: no entry of any kind holds it;
// else "-2", "-3", ... before the extension) in the folder of Destination, named after the entries of FileList whose extension is in
// ValidExtensions (a comma list, case, blanks and dots ignored; "*" selects
// every entry), with the extension NewExtension (CheckFileExtension, lower
// case):
//   none selected:  "Document" + NewExtension;
//   one:            its pure file name, every double blank made one;
//   several:        the pure names, each cut to MaxFilenameLength with "..."
//                   appended when longer, joined by ", ".
// A name longer than MaxFinalLength is cut to it and gets "..."; then every
// "...." becomes "...". FileList is not changed.
//   {"a  b.pdf", "c.tif"}, u"pdf", u"xml" -> folder + "a b.xml"
UnicodeString DetermineNewFilename(const UnicodeString& Destination, TStrings& FileList,
                                   const UnicodeString& ValidExtensions,
                                   const UnicodeString& NewExtension, int32_t MaxFilenameLength,
                                   int32_t MaxFinalLength);

// ---- Well-known folders -----------------------------------------------------

// $TMPDIR, else "/tmp", through CheckPathExt.
UnicodeString GetTempPath();
// The local application-data folder (TkxTools::GetSpecialFolderPath(28)) +
// "Temp" + a separator; GetTempPath when that folder is not known.
UnicodeString GetUserTempPath();
// "/" for both forms: Linux has no Windows folder.
UnicodeString GetWinPath(bool UserSpecific);
// The path of a shell folder number (TkxTools::GetSpecialFolderPath) without
// a closing separator; "" for a number that is not known.
UnicodeString GetSpecialFolder(int32_t Folder);

}  // namespace TkxFiles
