// system/kxFiles_Listing.h — TkxFiles: folder listings, file lists by age or
// date, file-name masks and lists of file types; and the folder walk on which
// the tree operations (copying, moving, synchronising and deleting whole
// trees) are built.
//
// Folders are found under the folders filter of platform/file/FileSystem.h,
// so hidden folders (a name beginning with ".") and system entries are never
// listed, and in name order. A folder that is a symbolic link is neither
// listed nor entered: it leads out of the tree, and the walks built on this
// list delete and move files.
//
// The lists are the caller's; the operations only add to them (the age
// lists also make theirs sorted, see there). Nothing here raises.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "system/kxTypes_Enums.h"

namespace TkxFiles {

// ---- Folder lists ----------------------------------------------------------------

// Adds the folders directly below SSearchPath (which ends in a separator)
// to ResultList, each as SSearchPath + name + separator, leaving out every
// folder whose path contains an entry of IgnorePathes (ignoring case; null
// for none). SSearchPath itself comes first with AddRoot. With Recusive each
// level is listed whole before the levels below it:
//   /a holding x/ (with x/y/) and z/: "/a/x/", "/a/z/", "/a/x/y/"
// An IgnorePathes entry that SSearchPath itself contains answers false at
// once. Otherwise the answer is whether ResultList holds any entry, those the
// caller put there before included. ResultList is changed inside one
// BeginUpdate/EndUpdate bracket.
bool GetSubDirs(const UnicodeString& SSearchPath, TStrings& ResultList, TStringList* IgnorePathes,
                bool Recusive, bool AddRoot);

// Adds the bare names of the folders directly below Root (CheckPathExt, so
// "/a" and "/a/" are the same). Always true.
bool GetFlatPathList(const UnicodeString& Root, TStrings& PathList);

// Adds to PathList the folders below the folder part of Root ("/a/*.*" and
// "/a/" give "/a/"; "/a" gives "/"), each with a closing separator; the
// root itself first with AddRoot. A folder PathList already holds (by its
// own search) is neither added again nor entered. With Recursive each folder
// is directly followed by its own subtree:
//   /a holding x/ (with x/y/) and z/: "/a/x/", "/a/x/y/", "/a/z/"
// Always true; a missing folder, and a Root without a folder part, add
// nothing.
bool GetPathList(const UnicodeString& Root, TStrings& PathList, bool AddRoot, bool Recursive);

// ---- File lists by age or date ---------------------------------------------------
// Path is a search path whose file name may be a mask ("/in/*.pdf"); every
// entry it finds, hidden and system entries included, is a candidate, in
// name order, and a taken entry is added as the folder part of Path + its
// name. Folders are never taken. Ages are GetFileAgeInMinutes (whole
// minutes from the last write at file-date precision, by the clock of
// platform/rtl/Clock.h); a time in the future has a negative age.
// Each operation first makes FileList sorted and set to ignore duplicates,
// and it stays so for the caller. The answer counts the entries taken
// (an entry FileList held already counts without being added again); an
// error on the way answers the count reached so far.

// Takes the entries that have at least one bit of Attributes (read-only
// 0x01, hidden 0x02, system 0x04, archive 0x20, which every regular file
// has; normal 0x80 and volume label never occur). With Minutes 0 every such
// entry is taken; else with faYounger those at most Minutes old, with
// faOlder those at least Minutes old, with any other FileAge none. With
// MaxFiles above 0 the search stops after the first entry (taken or not)
// after which FileList holds MaxFiles entries or more.
uint32_t GetFileListByFileAgeInMinutes(const UnicodeString& Path, uint32_t Minutes,
                                       TStringList& FileList, TFileAge FileAge, int32_t Attributes,
                                       int32_t MaxFiles);
// The same with a limit of Days: 0 stays 0 (no limit); otherwise
// (Days - 1) x 1440 plus the minutes since local midnight, so 1 puts the
// limit at today's midnight and 2 at yesterday's.
uint32_t GetFileListByFileAgeInDays(const UnicodeString& Path, uint32_t Days,
                                    TStringList& FileList, TFileAge FileAge, int32_t Attributes,
                                    int32_t MaxFiles);

// Takes every entry at least FromMinutes and at most ToMinutes old; 0 leaves
// that side open, so 0 and 0 take every file the search finds.
uint32_t GetFileListByFileAgeBetweenInMinutes(const UnicodeString& Path, uint32_t FromMinutes,
                                              uint32_t ToMinutes, TStringList& FileList);
// The same with both limits in days, converted as for
// GetFileListByFileAgeInDays.
uint32_t GetFileListBetweenFileAgeInDays(const UnicodeString& Path, uint32_t FromDays,
                                         uint32_t ToDays, TStringList& FileList);
// Takes every entry with FromDate <= GetFileDateTime <= ToDate (file-date
// precision, both ends included) whose name EqualsFileName Path.
uint32_t GetFileListByFileAgeBetweenDate(const UnicodeString& Path, TDateTime FromDate,
                                         TDateTime ToDate, TStringList& FileList);

// ---- Masks and file types ---------------------------------------------------------

// The file name of PathWithoutMask matches the file name of
// PathPossibleWithMask as a pattern: both trimmed, case ignored, "*" any run
// of characters and "?" exactly one (TkxStrings::EqualsExW). Each part
// between two "*" is taken at its first occurrence, without backtracking, so
// "a.txt.txt" does not match "*.txt". Folder parts are not compared.
//   EqualsFileName(u"/x/Report.PDF", u"/y/*.pdf") == true
//   EqualsFileName(u"/x/a.html", u"/y/*.htm") == false
bool EqualsFileName(const UnicodeString& PathWithoutMask, const UnicodeString& PathPossibleWithMask);

// One path per allowed type: with E = GetFileExtention(AFilePath), every
// entry X of AllowedList (without dot) for which "." + X matches E as a
// pattern ("*" any run, trimmed, case ignored) gives AFilePath with every E
// replaced by "." + X, added to FilePathesResult. True when at least one path
// was added and every replaced path ends with its "." + X.
// IsStarReplacerAllowed is not consulted.
//   "/in/*.*" with pdf, tif: "/in/*.pdf", "/in/*.tif"
//   "/in/doc.pdf" with pdf, tif: "/in/doc.pdf"
bool GetFilePathesWithTypesInList(const UnicodeString& AFilePath, TStrings& AllowedList,
                                  TStrings& FilePathesResult, bool IsStarReplacerAllowed);

// Adds GetFileExtention of every entry of PathList (with its dot) to
// ResultList, which is set to ignore duplicates (that acts only while it is
// sorted). Answers ResultList's count afterwards.
int32_t GetFileTypesFromPathList(TStrings& PathList, TStringList& ResultList);

// At least one entry of FileList (a search path, usually masked) finds an
// entry of any kind. Stops at the first that does.
bool FileTypeExists(TStrings& FileList);
// At least one Path + entry of FileNameList finds an entry of any kind.
bool FileTypeExists(const UnicodeString& Path, TStrings& FileNameList);

// Adds to IncludedFileTypes the entries of AllowedList that equal
// GetFileExtention(AFileName) trimmed and ignoring case, so entries carry
// their dot (".pdf"); with IsStarReplacerAllowed an extension "*" (an
// AFileName of "*" without any dot) lets every entry through. True when at
// least one was added.
bool GetValidFileTypesInList(const UnicodeString& AFileName, TStrings& AllowedList,
                             TStrings& IncludedFileTypes, bool IsStarReplacerAllowed);

namespace detail {

// The walk over a masked source such as "/in/*.pdf": Root is its folder part
// ("/in/"), Mask its file-name part, Folders the root followed, with
// SubFolders, by every folder GetPathList lists below it. A folder's
// relative part is its path after the first Root.size() units.
struct MaskedWalk {
  UnicodeString Root;
  UnicodeString Mask;
  std::vector<UnicodeString> Folders;
};
MaskedWalk WalkMaskedSource(const UnicodeString& Source, bool SubFolders);

}  // namespace detail

}  // namespace TkxFiles
