#include "system/kxFiles_Delete.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

class DeleteTest : public kx::testing::ScratchFolderTest {
 protected:
  // Every entry below the folder, sorted; folders end in "/".
  std::string Listing() const {
    std::vector<std::string> entries;
    for (const auto& e : fs::recursive_directory_iterator(dir_))
      entries.push_back(e.path().lexically_relative(dir_).string() + (e.is_directory() ? "/ " : " "));
    std::sort(entries.begin(), entries.end());
    std::string out;
    for (const auto& e : entries) out += e;
    return out;
  }
};

TEST_F(DeleteTest, ForceDeleteFile) {
  Write("ro.txt", "x");
  ::chmod(P("ro.txt").c_str(), 0444);
  Write(".hidden", "x");
  fs::create_directories(P("folder"));
  EXPECT_TRUE(TkxFiles::ForceDeleteFile(U("ro.txt")));
  EXPECT_TRUE(TkxFiles::ForceDeleteFile(U(".hidden")));
  EXPECT_TRUE(TkxFiles::ForceDeleteFile(U("folder")));  // no file of that name
  EXPECT_EQ(Listing(), "folder/ ");
  EXPECT_TRUE(TkxFiles::ForceDeleteFile(U("missing")));
}

// Sets or clears the immutable flag of a folder: nobody, root included, can
// then remove an entry from it. False where the file system or the
// process's capabilities do not allow it.
bool SetImmutable(const std::string& Folder, bool On) {
  const int fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = On ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return ok;
}

TEST_F(DeleteTest, ForceDeleteFileReportsAFileThatStays) {
  // A hidden file in a folder it cannot leave cannot be deleted; it must not
  // read as gone because hidden files are not "files" to FileExists. Root
  // may delete in a read-only folder, so it gets an immutable one.
  Write("locked/.hidden", "x");
  const bool root = ::geteuid() == 0;
  if (root) {
    if (!SetImmutable(P("locked"), true)) GTEST_SKIP() << "no immutable folders here";
  } else {
    fs::permissions(P("locked"), fs::perms::owner_read | fs::perms::owner_exec);
  }
  const bool deleted = TkxFiles::ForceDeleteFile(U("locked/.hidden"));
  if (root) SetImmutable(P("locked"), false);
  EXPECT_FALSE(deleted);
  EXPECT_TRUE(fs::exists(P("locked/.hidden")));
}

TEST_F(DeleteTest, WipeFile) {
  Write("secret.bin", std::string(200000, 's'));
  // A second name of the same file shows what happened to its bytes.
  fs::create_hard_link(P("secret.bin"), P("link.bin"));
  const fs::path cwd = fs::current_path();
  EXPECT_TRUE(TkxFiles::WipeFile(U("secret.bin"), 3, 2));
  EXPECT_EQ(Listing(), "link.bin ");
  EXPECT_EQ(fs::file_size(P("link.bin")), 0u);  // cut in place, not merely unlinked
  EXPECT_EQ(fs::current_path(), cwd);

  Write("empty", "");
  EXPECT_TRUE(TkxFiles::WipeFile(U("empty"), 0, 0));
  EXPECT_FALSE(TkxFiles::WipeFile(U("missing"), 0, 1));
  fs::create_directories(P("folder"));
  EXPECT_FALSE(TkxFiles::WipeFile(U("folder"), 1, 1));
  EXPECT_EQ(Listing(), "folder/ link.bin ");
}

TEST_F(DeleteTest, WipeFileRenamesInItsOwnFolder) {
  // The working folder is where a bare new name would land; it must stay
  // untouched even when it is another folder.
  fs::create_directories(P("cwd"));
  const fs::path cwd = fs::current_path();
  fs::current_path(P("cwd"));
  Write("data/f.txt", "abc");
  const bool wiped = TkxFiles::WipeFile(U("data/f.txt"), 1, 3);
  fs::current_path(cwd);
  EXPECT_TRUE(wiped);
  EXPECT_EQ(Listing(), "cwd/ data/ ");
}

TEST_F(DeleteTest, SecureDeleteFiles) {
  for (const char* name : {"a.log", "b.txt", "sub/c.log", "sub/deep/d.log", ".h/e.log"})
    Write(name, "x");
  TkxFiles::SecureDeleteFiles(u"", u"*.log", true, 1, 1);
  TkxFiles::SecureDeleteFiles(ToUtf16(dir_), u"", true, 1, 1);
  EXPECT_EQ(Listing(), ".h/ .h/e.log a.log b.txt sub/ sub/c.log sub/deep/ sub/deep/d.log ");
  TkxFiles::SecureDeleteFiles(ToUtf16(dir_), u"*.log", false, 1, 1);
  EXPECT_EQ(Listing(), ".h/ .h/e.log b.txt sub/ sub/c.log sub/deep/ sub/deep/d.log ");
  TkxFiles::SecureDeleteFiles(ToUtf16(dir_) + u"/", u"*.log", true, 1, 1);
  EXPECT_EQ(Listing(), ".h/ b.txt sub/ sub/deep/ ");  // folders stay, hidden ones are searched too
}

TEST_F(DeleteTest, EmptyFolders) {
  fs::create_directories(P("empty"));
  fs::create_directories(P("outer/inner"));
  Write("hidden/.x", "");
  Write("file", "");
  struct Case { const char* path; bool empty; };
  const Case cases[] = {
      {"empty", true}, {"empty/", true}, {"outer", false},  // an empty subfolder counts
      {"hidden", false}, {"missing", false}, {"file", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxFiles::DirectoryIsEmpty(U(c.path)), c.empty) << c.path;
  EXPECT_FALSE(TkxFiles::DeleteDirectoryIsEmpty(U("outer")));
  EXPECT_TRUE(TkxFiles::DeleteDirectoryIsEmpty(U("outer/inner")));
  EXPECT_TRUE(TkxFiles::DeleteDirectoryIsEmpty(U("outer")));
  EXPECT_FALSE(TkxFiles::DeleteDirectoryIsEmpty(U("missing")));
  EXPECT_EQ(Listing(), "empty/ file hidden/ hidden/.x ");
}

TEST_F(DeleteTest, DeleteFile32ByAgeAndKind) {
  for (const char* name : {"young.txt", "old.txt", "OLD.DLL", "old.exe", "old.Com", "old.sys",
                           ".old-hidden", "sub/old.txt", "sub/young.txt"})
    Write(name, "x");
  const auto twoHoursAgo = fs::last_write_time(P("young.txt")) - std::chrono::hours(2);
  for (const char* name : {"old.txt", "OLD.DLL", "old.exe", "old.Com", "old.sys", ".old-hidden", "sub/old.txt"})
    fs::last_write_time(P(name), twoHoursAgo);
  EXPECT_EQ(TkxFiles::DeleteFile32(U("*.*"), 60, false, true), 1);
  EXPECT_EQ(Listing(), ".old-hidden OLD.DLL old.Com old.exe old.sys sub/ sub/old.txt sub/young.txt young.txt ");
  EXPECT_EQ(TkxFiles::DeleteFile32(U("*.txt"), 60, true, false), 1);
  EXPECT_EQ(Listing(), ".old-hidden OLD.DLL old.Com old.exe old.sys sub/ sub/young.txt young.txt ");
  EXPECT_EQ(TkxFiles::DeleteFile32(U("*.*"), 0, true, false), 6);  // folders stay
  EXPECT_EQ(Listing(), ".old-hidden sub/ ");
}

TEST_F(DeleteTest, DeletePath) {
  for (const char* d : {"t/a/b", "t/a/c", "t/d", "t/.h"}) fs::create_directories(P(d));
  Write("t/a/c/file", "x");
  EXPECT_FALSE(TkxFiles::DeletePath(U("t/d"), false));  // the folder part of t/d is t/
  EXPECT_TRUE(TkxFiles::DeletePath(U("t/d/"), false));
  // A file anywhere keeps the folders on its path; every other folder goes.
  EXPECT_FALSE(TkxFiles::DeletePath(U("t/"), true));
  EXPECT_EQ(Listing(), "t/ t/.h/ t/a/ t/a/c/ t/a/c/file ");
  fs::remove(P("t/a/c/file"));
  fs::remove(P("t/.h"));
  EXPECT_TRUE(TkxFiles::DeletePath(U("t/x.txt"), true));
  EXPECT_EQ(Listing(), "");
  EXPECT_FALSE(TkxFiles::DeletePath(U("missing/"), true));
}

TEST_F(DeleteTest, RemovingWalksStayInTheirTree) {
  Write("outside/precious.log", "keep");
  Write("tree/a.log", "x");
  fs::create_directory_symlink(P("outside"), P("tree/link"));
  TkxFiles::SecureDeleteFiles(U("tree"), u"*.log", true, 1, 1);
  EXPECT_EQ(TkxFiles::DeleteFile32(U("tree/*.log"), 0, true, false), 0);
  EXPECT_FALSE(TkxFiles::DeletePath(U("tree/"), true));
  EXPECT_EQ(Listing(), "outside/ outside/precious.log tree/ tree/link/ ");
}

TEST_F(DeleteTest, NoRecycleBin) {
  Write("a", "x");
  EXPECT_FALSE(TkxFiles::MoveFileToRecycleBin(U("a")));
  EXPECT_EQ(Listing(), "a ");
}

}  // namespace
