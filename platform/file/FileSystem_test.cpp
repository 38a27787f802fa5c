#include "platform/file/FileSystem.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/file/ChildLockForTesting.h"
#include "platform/file/FaultInjection.h"
#include "platform/file/FileDescriptor.h"
#include "platform/os/LastError.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Stream.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace kx::platform;

class FileSystemTest : public kx::testing::ScratchFolderTest {
 protected:
  std::string Names(const std::u16string& mask, uint32_t filter) const {
    std::string out;
    for (const FileEntry& e : FindEntries(ToUtf16(dir_) + u"/" + mask, filter))
      out += (out.empty() ? "" : " ") + ToUtf8(e.Name);
    return out;
  }
};

TEST_F(FileSystemTest, SearchSortsFiltersAndMatches) {
  Write("b.txt", "bb");
  Write("A.TXT", "a");
  Write("a.txt", "aaa");
  Write(".hidden.txt", "");
  Write("c.pdf", "");
  fs::create_directory(P("sub.txt"));
  fs::create_symlink(P("gone"), P("dangling.txt"));
  fs::create_symlink(P("sub.txt"), P("linkdir.txt"));
  ASSERT_EQ(::mkfifo(P("fifo.txt").c_str(), 0644), 0);

  // By name without regard to case, then ordinally; never "." or "..".
  EXPECT_EQ(Names(u"*.txt", kPlainFiles), "A.TXT a.txt b.txt");
  EXPECT_EQ(Names(u"*.txt", kPlainAndHiddenFiles), ".hidden.txt A.TXT a.txt b.txt");
  EXPECT_EQ(Names(u"*.txt", kFolders), "A.TXT a.txt b.txt linkdir.txt sub.txt");
  EXPECT_EQ(Names(u"*.txt", kAnyEntry),
            ".hidden.txt A.TXT a.txt b.txt dangling.txt fifo.txt linkdir.txt sub.txt");
  EXPECT_EQ(Names(u"*", kAnyEntry).find(". "), std::string::npos);
  EXPECT_EQ(Names(u"?.PDF", kPlainFiles), "c.pdf");
  // Without wildcards the name is looked up as it is, case-sensitively.
  EXPECT_EQ(Names(u"a.txt", kPlainFiles), "a.txt");
  EXPECT_EQ(Names(u"B.TXT", kPlainFiles), "");
  EXPECT_EQ(Names(u".hidden.txt", kPlainFiles), "");
  EXPECT_EQ(Names(u".hidden.txt", kPlainAndHiddenFiles), ".hidden.txt");
  EXPECT_EQ(Names(u"dangling.txt", kAnyEntry), "dangling.txt");
  EXPECT_EQ(Names(u"..", kAnyEntry), "");
  EXPECT_TRUE(FindEntries(ToUtf16(dir_) + u"/", kAnyEntry).empty());

  FileEntry entry;
  ASSERT_TRUE(FindFirstEntry(U("*.txt"), kAnyEntry, entry));
  EXPECT_EQ(entry.Name, u".hidden.txt");
  EXPECT_EQ(entry.Attributes, uint32_t{faHidden | faArchive});
  ASSERT_TRUE(FindFirstEntry(U("a.txt"), kPlainFiles, entry));
  EXPECT_EQ(entry.Size, 3);
  EXPECT_EQ(entry.Attributes, uint32_t{faArchive});
  EXPECT_GT(entry.LastWriteTime.Seconds, 1600000000);
  EXPECT_GE(entry.LastWriteTime.Seconds, entry.CreationTime.Seconds - 1);
  ASSERT_TRUE(FindFirstEntry(U("sub.txt"), kFolders, entry));
  EXPECT_EQ(entry.Attributes, uint32_t{faDirectory});
  EXPECT_EQ(entry.Size, 0);  // folders have no size here
  ASSERT_TRUE(FindFirstEntry(U("fifo.txt"), kAnyEntry, entry));
  EXPECT_EQ(entry.Attributes, uint32_t{faSysFile});
  ASSERT_TRUE(FindFirstEntry(U("linkdir.txt"), kAnyEntry, entry));
  EXPECT_EQ(entry.Attributes, uint32_t{faDirectory});  // links are followed
  ASSERT_TRUE(SetFileAttributes(U("b.txt"), faReadOnly));
  ASSERT_TRUE(FindFirstEntry(U("b.txt"), kPlainFiles, entry));
  EXPECT_EQ(entry.Attributes, uint32_t{faReadOnly | faArchive});
  ASSERT_TRUE(SetFileAttributes(U("b.txt"), 0));
  ASSERT_TRUE(FindFirstEntry(U("b.txt"), kPlainFiles, entry));
  EXPECT_EQ(entry.Attributes, uint32_t{faArchive});

  // "\" separates too; a missing folder or a drive path finds nothing.
  EXPECT_EQ(FindEntries(ToUtf16(dir_) + u"\\a.txt", kPlainFiles).size(), 1u);
  SetLastOSError(0);
  EXPECT_TRUE(FindEntries(U("none/*"), kAnyEntry).empty());
  EXPECT_EQ(LastOSError(), ENOENT);
  EXPECT_TRUE(FindEntries(u"C:\\*.*", kAnyEntry).empty());
}

TEST_F(FileSystemTest, ExistenceFoldersAndNewFiles) {
  Write(".dot", "keep");
  EXPECT_TRUE(EntryExists(U(".dot")));
  fs::create_symlink(P("gone"), P("dangling"));
  EXPECT_TRUE(EntryExists(U("dangling")));
  EXPECT_FALSE(EntryExists(U("none")));

  EXPECT_FALSE(CreateNewFile(U(".dot")));  // never empties what is there
  EXPECT_EQ(LastOSError(), EEXIST);
  EXPECT_EQ(Read(".dot"), "keep");
  EXPECT_FALSE(CreateNewFile(U("dangling")));
  EXPECT_TRUE(CreateNewFile(U("new")));
  EXPECT_TRUE(fs::is_regular_file(P("new")));
  EXPECT_FALSE(CreateNewFile(U("no/such")));
  EXPECT_EQ(LastOSError(), ENOENT);

  EXPECT_TRUE(CreateDirectory(U("d")));
  EXPECT_FALSE(CreateDirectory(U("d")));
  EXPECT_TRUE(DirectoryExists(U("d")));
  EXPECT_TRUE(DirectoryExists(ToUtf16(dir_ + "\\d\\")));
  EXPECT_FALSE(DirectoryExists(U("new")));
  EXPECT_FALSE(CreateDirectory(u"C:\\d"));

  const int64_t space = FreeDiskSpace(U("d"));
  EXPECT_GT(space, 0);
  // The nearest existing folder answers; other processes may write meanwhile,
  // so the two readings need only be close.
  EXPECT_LT(std::llabs(FreeDiskSpace(U("not/yet/there.txt")) - space), int64_t{1} << 30);
  EXPECT_GT(FreeDiskSpace(u"relative/missing"), 0);
  for (const char16_t* none : {u"", u"C:\\", u"\\\\server\\share"}) EXPECT_EQ(FreeDiskSpace(none), -1);
}

TEST_F(FileSystemTest, LocksBindEveryOpener) {
  Write("f", "data");
  const uintptr_t lock = LockFile(U("f"));
  ASSERT_NE(lock, kInvalidLock);
  EXPECT_EQ(LockFile(U("f")), kInvalidLock);  // a second open in the same process
  EXPECT_THROW((FileStream{U("f"), fmOpenRead | fmShareDenyWrite}), EFOpenError);
  EXPECT_THROW((FileStream{U("f"), fmCreate}), EFCreateError);
  EXPECT_EQ(Read("f"), "data");
  FileStream unlocked(U("f"), fmOpenRead | fmShareDenyNone);  // asks for no lock
  EXPECT_TRUE(UnlockFile(lock));
  EXPECT_FALSE(UnlockFile(lock));
  EXPECT_FALSE(UnlockFile(kInvalidLock));
  EXPECT_EQ(LockFile(U("missing")), kInvalidLock);  // never creates

  ChildLockForTesting child(U("f"));
  ASSERT_TRUE(child.Locked());
  EXPECT_EQ(LockFile(U("f")), kInvalidLock);
  EXPECT_EQ(LastOSError(), EWOULDBLOCK);
}

TEST_F(FileSystemTest, CopyAndMove) {
  Write("src", std::string(300000, 'x') + "end");
  ::chmod(P("src").c_str(), 0640);
  const fs::file_time_type stamp = fs::last_write_time(P("src")) - std::chrono::hours(30);
  fs::last_write_time(P("src"), stamp);

  ASSERT_TRUE(CopyFile(U("src"), U("copy"), true));
  EXPECT_EQ(Read("copy"), Read("src"));
  EXPECT_EQ(fs::last_write_time(P("copy")), stamp);
  EXPECT_EQ(fs::status(P("copy")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  Write("other", "old");
  EXPECT_FALSE(CopyFile(U("src"), U("other"), true));
  EXPECT_EQ(LastOSError(), EEXIST);
  EXPECT_EQ(Read("other"), "old");
  EXPECT_TRUE(CopyFile(U("src"), U("other"), false));
  EXPECT_EQ(Read("other"), Read("src"));
  EXPECT_FALSE(CopyFile(U("src"), U("src"), false));  // onto itself: nothing lost
  EXPECT_EQ(Read("src").size(), 300003u);
  EXPECT_FALSE(CopyFile(U("missing"), U("x"), false));
  fs::create_directory(P("dir"));
  EXPECT_FALSE(CopyFile(U("dir"), U("x"), false));
  EXPECT_FALSE(fs::exists(P("x")));

  EXPECT_FALSE(MoveFile(U("copy"), U("other")));  // never replaces
  EXPECT_EQ(LastOSError(), EEXIST);
  EXPECT_TRUE(MoveFile(U("copy"), U("dir/moved")));
  EXPECT_FALSE(fs::exists(P("copy")));
  EXPECT_EQ(Read("dir/moved").size(), 300003u);
  EXPECT_TRUE(MoveFile(U("dir"), U("dir2")));  // folders rename too
  EXPECT_TRUE(fs::exists(P("dir2/moved")));
}

TEST_F(FileSystemTest, Owner) {
  Write("f", "");
  std::string name;
  ASSERT_TRUE(FileOwnerName(U("f"), name));
  EXPECT_FALSE(name.empty());
  EXPECT_FALSE(FileOwnerName(U("missing"), name));
}

TEST_F(FileSystemTest, WholeFilesAreReadToTheirEnd) {
  const std::string big(200'000, 'x');  // more than one read
  Write("big", big + "end");
  std::string bytes;
  ASSERT_TRUE(ReadFileToEnd(P("big"), bytes));
  EXPECT_EQ(bytes, big + "end");
  // The system reports no size for /proc files; they still come whole.
  ASSERT_TRUE(ReadFileToEnd("/proc/self/cmdline", bytes));
  EXPECT_FALSE(bytes.empty());
  EXPECT_FALSE(ReadFileToEnd(P("missing"), bytes));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(ReadFileToEnd(dir_, bytes));  // a folder opens but cannot be read
  EXPECT_EQ(errno, EISDIR);
}

// The names in the folder, sorted; staged files (".<name>.tmp.<pid>.<n>")
// show as they are.
std::string Listing(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : " ") + n;
  return out;
}

TEST_F(FileSystemTest, RegularFilesWhateverTheirName) {
  Write(".hidden", "x");
  Write("plain", "x");
  fs::create_directory(P("dir"));
  fs::create_symlink(P("plain"), P("link"));
  fs::create_symlink(P("gone"), P("dangling"));
  ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
  const std::pair<std::u16string, bool> cases[] = {
      {U(".hidden"), true},  {U("plain"), true},   {U("link"), true},  // after following the link
      {U("dir"), false},     {U("dangling"), false}, {U("fifo"), false},
      {u"/dev/zero", false}, {U("missing"), false}, {u"C:\\plain", false},
      {U("pla") + u"\xD800" + u"n", false},  // a lone surrogate names no file
  };
  for (const auto& [path, want] : cases) EXPECT_EQ(RegularFileExists(path), want) << ToUtf8(path);
}

TEST_F(FileSystemTest, FreeNamesSkipEveryEntry) {
  EXPECT_EQ(FreeFileName(U("doc.xml")), U("doc.xml"));
  Write("doc.xml", "");
  Write(".doc.xml", "");  // holds nothing but its own name
  fs::create_directory(P("doc-2.xml"));
  fs::create_symlink(P("gone"), P("doc-3.xml"));
  EXPECT_EQ(FreeFileName(U("doc.xml")), U("doc-4.xml"));
  EXPECT_EQ(FreeFileName(U(".doc.xml")), U(".doc-2.xml"));
  // The general search with a taken-test of the caller's, numbered from 1.
  auto none = [](const UnicodeString&) { return false; };
  EXPECT_EQ(FreeFileName(U("a.b"), 99999999, u"_", true, true, none), U("a_000001.b"));
}

// A FIFO without a writer or a device is no file to copy: the copy fails at
// once instead of waiting in open or copying endless zeros.
TEST_F(FileSystemTest, CopiesRefuseWhatIsNoRegularFile) {
  ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
  UnicodeString published;
  EXPECT_FALSE(CopyFile(U("fifo"), U("a"), false));
  EXPECT_EQ(LastOSError(), EINVAL);
  EXPECT_FALSE(CopyFileToFreeName(u"/dev/zero", U("b"), published));
  EXPECT_FALSE(CopyFileToFreeName(U("missing"), U("c"), published));
  EXPECT_EQ(LastOSError(), ENOENT);
  EXPECT_THROW(FileStream(U("fifo"), fmOpenRead, true), EFOpenError);
  EXPECT_THROW(FileStream(u"/dev/zero", fmOpenRead | fmShareDenyNone, true), EFOpenError);
  EXPECT_EQ(Listing(dir_), "fifo");
}

TEST_F(FileSystemTest, CopiesToFreeNamesNeverReplace) {
  Write("in/scan.pdf", "new bytes");
  Write("out/d-1.pdf", "another document's copy");
  Write("out/.d-1-2.pdf", "");
  UnicodeString published;
  ASSERT_TRUE(CopyFileToFreeName(U("in/scan.pdf"), U("out/d-1.pdf"), published));
  EXPECT_EQ(published, U("out/d-1-2.pdf"));
  EXPECT_EQ(Read("out/d-1.pdf"), "another document's copy");
  EXPECT_EQ(Read("out/d-1-2.pdf"), "new bytes");
  ASSERT_TRUE(WriteFileToFreeName("bytes", U("out/d-1.pdf"), published));
  EXPECT_EQ(published, U("out/d-1-3.pdf"));
  EXPECT_EQ(Read("out/d-1-3.pdf"), "bytes");
  EXPECT_EQ(Listing(P("out")), ".d-1-2.pdf d-1-2.pdf d-1-3.pdf d-1.pdf");
}

// Every write, sync, rename and close of a copy can fail: the copy then
// leaves nothing behind, neither under its name nor staged, and what was
// there stays.
TEST_F(FileSystemTest, AFailingCopyLeavesNothing) {
  Write("src", std::string(20u << 20, 's'));  // large enough to sync while copying
  Write("old", "old");
  for (const FileCall call : {FileCall::Write, FileCall::Sync, FileCall::Rename, FileCall::Close}) {
    for (const bool replace : {false, true}) {
      InjectFileFaultForTesting(call, 1, EIO);
      UnicodeString published;
      const bool ok = replace ? CopyFile(U("src"), U("old"), false)
                              : CopyFileToFreeName(U("src"), U("new"), published);
      ClearFileFaultsForTesting();
      EXPECT_FALSE(ok) << static_cast<int>(call) << " " << replace;
      EXPECT_EQ(LastOSError(), EIO) << static_cast<int>(call) << " " << replace;
      EXPECT_EQ(Listing(dir_), "old src") << static_cast<int>(call) << " " << replace;
      EXPECT_EQ(Read("old"), "old");
    }
  }
}

// A copy is on disk before it has its name: its data are synced before the
// rename that publishes it.
TEST_F(FileSystemTest, CopiesAreSyncedBeforeTheyAreNamed) {
  Write("src", "bytes");
  RecordFileCallsForTesting(true);
  UnicodeString published;
  ASSERT_TRUE(CopyFileToFreeName(U("src"), U("copy"), published));
  const std::vector<FileCallRecord> calls = RecordedFileCallsForTesting();
  ClearFileFaultsForTesting();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].Call, FileCall::Sync);
  EXPECT_EQ(calls[1].Call, FileCall::Rename);
  EXPECT_EQ(calls[0].Path, calls[1].Path);  // the staged file, synced, then named
  EXPECT_EQ(calls[1].Target, P("copy"));
}

}  // namespace
