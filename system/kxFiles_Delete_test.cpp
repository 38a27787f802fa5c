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
#include <fstream>
#include <string>
#include <vector>

#include "platform/file/FaultInjection.h"
#include "platform/file/Trash.h"
#include "platform/rtl/Clock.h"
#include "tests/support/Process.h"
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

TEST_F(DeleteTest, WipePassesAreSyncedOneByOne) {
  Write("big.bin", std::string(65536 + 10, 's'));
  std::vector<TkxFiles::detail::WipePass> passes;
  TkxFiles::detail::SetWipeObserverForTesting(
      [&](const TkxFiles::detail::WipePass& p) { passes.push_back(p); });
  kx::platform::RecordFileCallsForTesting(true);
  const bool wiped = TkxFiles::WipeFile(U("big.bin"), 9, 2);
  const auto calls = kx::platform::RecordedFileCallsForTesting();
  kx::platform::ClearFileFaultsForTesting();
  TkxFiles::detail::SetWipeObserverForTesting(nullptr);
  ASSERT_TRUE(wiped);
  EXPECT_EQ(Listing(), "");

  // Two blocks, nine passes each, in this order.
  ASSERT_EQ(passes.size(), 18u);
  const uint8_t fixed[] = {0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xF6};
  for (size_t i = 0; i < passes.size(); ++i) {
    const auto& p = passes[i];
    EXPECT_EQ(p.Offset, i < 9 ? 0 : 65536) << i;
    EXPECT_EQ(p.Count, i < 9 ? 65536 : 10) << i;
    EXPECT_EQ(p.Pass, static_cast<int32_t>(i % 9 + 1)) << i;
    if (p.Pass <= 7)
      EXPECT_EQ(p.Pattern, fixed[p.Pass - 1]) << i;
    else
      EXPECT_TRUE(p.Pattern >= 'A' && p.Pattern <= 'Z') << i;
  }
  // A sync per pass, of the file under its own name; then two renames, both
  // within the folder, to braced GUID names.
  size_t syncs = 0;
  std::vector<kx::platform::FileCallRecord> renames;
  for (const auto& c : calls) {
    if (c.Call == kx::platform::FileCall::Sync) {
      EXPECT_EQ(c.Path, P("big.bin"));
      ++syncs;
    } else if (c.Call == kx::platform::FileCall::Rename) {
      renames.push_back(c);
    }
  }
  EXPECT_EQ(syncs, 18u);
  ASSERT_EQ(renames.size(), 2u);
  EXPECT_EQ(renames[0].Path, P("big.bin"));
  EXPECT_EQ(renames[1].Path, renames[0].Target);
  for (const auto& r : renames) {
    EXPECT_EQ(fs::path(r.Target).parent_path(), fs::path(dir_));
    const std::string name = fs::path(r.Target).filename();
    EXPECT_EQ(name.size(), 38u) << name;
    EXPECT_TRUE(name.front() == '{' && name.back() == '}') << name;
  }
}

TEST_F(DeleteTest, WipePassCountsAndFailures) {
  struct Case { int64_t size; int32_t times; size_t passes; };
  const Case cases[] = {
      {100, 0, 7},   // below 1 means 7 once a block was read
      {100, -3, 7},
      {100, 3, 3},
      {0, 0, 0},     // an empty file: nothing written, still renamed and deleted
  };
  for (const auto& c : cases) {
    Write("f", std::string(static_cast<size_t>(c.size), 'x'));
    size_t passes = 0;
    TkxFiles::detail::SetWipeObserverForTesting([&](const TkxFiles::detail::WipePass&) { ++passes; });
    EXPECT_TRUE(TkxFiles::WipeFile(U("f"), c.times, 1)) << c.size << " " << c.times;
    TkxFiles::detail::SetWipeObserverForTesting(nullptr);
    EXPECT_EQ(passes, c.passes) << c.size << " " << c.times;
    EXPECT_EQ(Listing(), "");
  }
  // A failed sync or write fails the wipe.
  for (const auto call : {kx::platform::FileCall::Sync, kx::platform::FileCall::Write}) {
    Write("f", "abc");
    kx::platform::InjectFileFaultForTesting(call, 2, EIO);
    EXPECT_FALSE(TkxFiles::WipeFile(U("f"), 3, 0));
    kx::platform::ClearFileFaultsForTesting();
    fs::remove(P("f"));
  }
}

TEST_F(DeleteTest, WipeRefusesALink) {
  Write("outside/target.txt", "keep me");
  Write("in/keep.txt", "x");
  fs::create_symlink(P("outside/target.txt"), P("in/link.txt"));
  EXPECT_FALSE(TkxFiles::WipeFile(U("in/link.txt"), 3, 1));
  TkxFiles::SecureDeleteFiles(U("in"), u"*.txt", false, 1, 1);
  EXPECT_EQ(Read("outside/target.txt"), "keep me");
  EXPECT_EQ(Listing(), "in/ in/link.txt outside/ outside/target.txt ");
}

// The trash: a home trash in the test folder, the clock and the zone fixed.
class TrashTest : public DeleteTest {
 protected:
  void SetUp() override {
    DeleteTest::SetUp();
    ::setenv("XDG_DATA_HOME", P("xdg").c_str(), 1);
    ::setenv("TZ", "Europe/Berlin", 1);
    const TDateTime now = EncodeDateTime(2024, 7, 1, 10, 30, 5, 0);
    kx::platform::SetClockForTesting([now] { return now; });
  }
  void TearDown() override {
    kx::platform::SetClockForTesting(nullptr);
    kx::platform::SetTrashTopForTesting(u"");
    ::setenv("TZ", "UTC", 1);
    ::unsetenv("XDG_DATA_HOME");
    DeleteTest::TearDown();
  }
};

TEST_F(TrashTest, HomeTrash) {
  Write("in/a b.txt", "first");
  Write("in/other/a b.txt", "second");
  Write("in/bad\xff.txt", "raw");
  ASSERT_TRUE(TkxFiles::MoveFileToRecycleBin(U("in/a b.txt")));
  ASSERT_TRUE(TkxFiles::MoveFileToRecycleBin(U("in/other/a b.txt")));
  ASSERT_TRUE(TkxFiles::MoveFileToRecycleBin(U("in/bad\xff.txt")));
  EXPECT_EQ(Read("xdg/Trash/files/a b.txt"), "first");
  EXPECT_EQ(Read("xdg/Trash/files/a b-2.txt"), "second");
  EXPECT_EQ(Read("xdg/Trash/info/a b.txt.trashinfo"),
            "[Trash Info]\nPath=" + dir_ + "/in/a%20b.txt\nDeletionDate=2024-07-01T10:30:05\n");
  EXPECT_NE(Read("xdg/Trash/info/bad\xff.txt.trashinfo").find("/in/bad%FF.txt\n"), std::string::npos);
  EXPECT_EQ(Listing(),
            "in/ in/other/ xdg/ xdg/Trash/ xdg/Trash/files/ xdg/Trash/files/a b-2.txt "
            "xdg/Trash/files/a b.txt xdg/Trash/files/bad\xff.txt xdg/Trash/info/ "
            "xdg/Trash/info/a b-2.txt.trashinfo xdg/Trash/info/a b.txt.trashinfo "
            "xdg/Trash/info/bad\xff.txt.trashinfo ");

  // What a trash tool reads.
  const auto listed = kx::testing::RunBounded({"env", "XDG_DATA_HOME=" + P("xdg"), "trash-list"},
                                              kx::testing::kChildTimeoutMs);
  if (listed.ExitCode < 0) GTEST_SKIP() << "trash-list (trash-cli) is not installed";
  EXPECT_NE(listed.Output.find("2024-07-01 10:30:05 " + P("in/a b.txt") + "\n"), std::string::npos)
      << listed.Output;
  EXPECT_NE(listed.Output.find("2024-07-01 10:30:05 " + P("in/other/a b.txt") + "\n"), std::string::npos)
      << listed.Output;
}

TEST_F(TrashTest, NothingIsLostWhenTheMoveFails) {
  Write("a.txt", "data");
  EXPECT_FALSE(TkxFiles::MoveFileToRecycleBin(U("missing.txt")));
  kx::platform::InjectFileFaultForTesting(kx::platform::FileCall::Rename, 1, EIO);
  EXPECT_FALSE(TkxFiles::MoveFileToRecycleBin(U("a.txt")));
  kx::platform::ClearFileFaultsForTesting();
  EXPECT_EQ(Read("a.txt"), "data");
  EXPECT_EQ(Listing(), "a.txt xdg/ xdg/Trash/ xdg/Trash/files/ xdg/Trash/info/ ");
  // A folder goes with all it holds.
  Write("dir/inner.txt", "x");
  EXPECT_TRUE(TkxFiles::MoveFileToRecycleBin(U("dir/")));
  EXPECT_EQ(Read("xdg/Trash/files/dir/inner.txt"), "x");
}

TEST_F(TrashTest, TrashOfAnotherFileSystem) {
  // The file lies on another file system than the home trash: /dev/shm is
  // one, with a folder below it standing for the top of its volume.
  struct stat shm {}, here {};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(dir_.c_str(), &here) != 0 || shm.st_dev == here.st_dev ||
      ::access("/dev/shm", W_OK) != 0)
    GTEST_SKIP() << "no second writable file system at /dev/shm";
  const std::string volumes = "/dev/shm/kx-trash-test-" + std::to_string(::getpid());
  const std::string uid = std::to_string(::getuid());
  struct Case { const char* setup; bool want; const char* trashed; };
  const Case cases[] = {
      {"", true, ".Trash-UID/files/f.txt"},
      {"sticky .Trash", true, ".Trash/UID/files/f.txt"},
      {".Trash without sticky bit", true, ".Trash-UID/files/f.txt"},
      {".Trash-UID is a file", false, nullptr},
      {".Trash-UID is a link", false, nullptr},
  };
  for (const auto& c : cases) {
    const std::string setup = c.setup;
    fs::remove_all(volumes);
    const std::string vol = volumes + "/vol";
    fs::create_directories(vol + "/sub");
    fs::create_directories(volumes + "/elsewhere");
    std::ofstream(vol + "/sub/f.txt") << "data";
    if (setup == "sticky .Trash" || setup == ".Trash without sticky bit") {
      fs::create_directories(vol + "/.Trash");
      ::chmod((vol + "/.Trash").c_str(), setup == "sticky .Trash" ? 01777 : 0777);
    }
    if (setup == ".Trash-UID is a file") std::ofstream(vol + "/.Trash-" + uid) << "";
    if (setup == ".Trash-UID is a link") fs::create_directory_symlink(volumes + "/elsewhere", vol + "/.Trash-" + uid);
    kx::platform::SetTrashTopForTesting(ToUtf16(vol));
    EXPECT_EQ(TkxFiles::MoveFileToRecycleBin(ToUtf16(vol + "/sub/f.txt")), c.want) << setup;
    if (c.want) {
      std::string trashed = c.trashed;
      trashed.replace(trashed.find("UID"), 3, uid);
      const std::string trash = vol + "/" + trashed.substr(0, trashed.find("/files/"));
      EXPECT_TRUE(fs::exists(vol + "/" + trashed)) << setup;
      std::ifstream info(trash + "/info/f.txt.trashinfo");
      const std::string text{std::istreambuf_iterator<char>(info), std::istreambuf_iterator<char>()};
      EXPECT_NE(text.find("\nPath=sub/f.txt\n"), std::string::npos) << setup << ": " << text;  // relative to the top
    } else {
      EXPECT_TRUE(fs::exists(vol + "/sub/f.txt")) << setup;
      EXPECT_TRUE(fs::is_empty(volumes + "/elsewhere")) << setup;
    }
  }
  fs::remove_all(volumes);
  EXPECT_FALSE(fs::exists(P("xdg"))) << "the home trash was used across file systems";
}

}  // namespace
