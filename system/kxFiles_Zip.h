// system/kxFiles_Zip.h — TkxFiles: putting files into zip archives and
// taking them out again (platform/zip/ZipArchive.h does the archive work).
//
// Every operation catches every error on its way and answers false; nothing
// is raised. Member names are file names without folder ("/" and "\" both
// separate). A member of the same name as a new one is replaced. Archives
// are written whole through a temporary file beside them, so a failure
// leaves an existing archive as it was.
#pragma once

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"

namespace TkxFiles {

// Adds one member, named after the file name of InFile, to the archive
// ZipFile (opened, or started when missing; a 0-byte file counts as an
// empty archive), removes the archive comment and saves. The member holds
// Data when Data has at least one byte (also when all of them are blanks),
// else the content of the file InFile. False, the archive untouched, when
// InFile is not FileExists and Data is empty after trimming, and when InFile
// has no file name to give the member.
//   AddFileToZip("/out/doc.xml", "/out/doc.zip", "") -> member "doc.xml"
//   holding the file's bytes
bool AddFileToZip(const AnsiString& InFile, const AnsiString& ZipFile, const AnsiString& Data);

// Adds each file of InFiles, in list order, under its file name, and saves
// the archive once after the last one. A file that cannot be read fails the
// whole call, and the archive stays as it was.
bool AddFilesToZip(const TStrings& InFiles, const UnicodeString& ZipFile);

// Writes the first member of ZipFile, whatever its name, to Outfile, after
// creating Outfile's folder part. False for an archive without members and
// when the first member is a folder entry (a name ending in "/" or "\").
bool GetFileFromZip(const UnicodeString& Outfile, const UnicodeString& ZipFile);

// Unpacks every member of ZipFile below TargetPath (through CheckPathExt,
// created when missing), in archive order. A member named N goes to
// TargetPath + N with "/" and "\" of N both turned into TargetPath's
// separator, made free with GetFreeFileName (so a second run writes
// "x-2.txt" beside "x.txt"); its folders are created. ContentFiles is
// emptied first and lists the written files in archive order. Folder
// entries create their folder and are not listed.
//
// False at the first member that cannot be written; members written before
// it stay on disk and in ContentFiles. A member whose name would lead
// outside TargetPath (a ".." level, a leading "/" or "\", a drive "C:") is
// such a member: nothing is ever written outside TargetPath. So is a member
// whose target names an existing hidden file or a folder, which the free
// name search does not see: an existing entry is never overwritten.
//   archive {a/x.txt, x.txt} into "/t": {"/t/a/x.txt", "/t/x.txt"};
//   again: {"/t/a/x-2.txt", "/t/x-2.txt"}
bool GetFilesFromZip(const UnicodeString& ZipFile, const UnicodeString& TargetPath,
                     TStringList& ContentFiles);

}  // namespace TkxFiles
