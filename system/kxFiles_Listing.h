// system/kxFiles_Listing.h — TkxFiles: the folder walk on which the tree
// operations (copying, moving, synchronising and deleting whole trees) are
// built.
//
// Folders are found under the folders filter of platform/file/FileSystem.h,
// so hidden folders (a name beginning with ".") and system entries are never
// listed, and in name order. A folder that is a symbolic link is neither
// listed nor entered: it leads out of the tree, and the walks built on this
// list delete and move files.
#pragma once

#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"

namespace TkxFiles {

// Adds to PathList the folders below the folder part of Root ("/a/*.*" and
// "/a/" give "/a/"; "/a" gives "/"), each with a closing separator; the
// root itself first with AddRoot. A folder PathList already holds (by its
// own search) is neither added again nor entered. With Recursive each folder
// is directly followed by its own subtree:
//   /a holding x/ (with x/y/) and z/: "/a/x/", "/a/x/y/", "/a/z/"
// Always true; a missing folder, and a Root without a folder part, add
// nothing.
bool GetPathList(const UnicodeString& Root, TStrings& PathList, bool AddRoot, bool Recursive);

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
