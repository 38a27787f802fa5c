#include "system/kxFiles_Copy.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxFiles_Times.h"
#include "platform/file/FaultInjection.h"
#include "system/kxToolsEvo2_SystemInfo.h"
#include "tests/support/Process.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

class CopyTest : public kx::testing::ScratchFolderTest {
 protected:
  bool Exists(const std::string& name) const { return fs::exists(P(name)); }
  // Every entry below the folder, sorted, as "name=content" or "name/".
  std::string Listing() const {
    std::vector<std::string> entries;
    for (const auto& e : fs::recursive_directory_iterator(dir_)) {
      const std::string rel = e.path().lexically_relative(dir_).string();
      entries.push_back(e.is_directory() ? rel + "/ " : rel + "=" + Read(rel) + " ");
    }
    std::sort(entries.begin(), entries.end());
    std::string out;
    for (const auto& e : entries) out += e;
    return out;
  }
};

TEST_F(CopyTest, CopyFlagsDecideAboutAnExistingTarget) {
  struct Case { const char* name; bool twoArgs; uint32_t flags; bool targetExists; bool want; const char* target; };
  const Case cases[] = {
      {"two arguments onto a file", true, 0, true, false, "old"},
      {"two arguments, new target", true, 0, false, true, "new"},
      {"flags 0 replace", false, 0, true, true, "new"},
      {"flags 1 keep", false, 1, true, false, "old"},
      {"other bits ignored", false, 0x800 | 0x2, true, true, "new"},
      {"other bits with 1", false, 0x801, true, false, "old"},
  };
  for (const auto& c : cases) {
    Write("src.txt", "new");
    fs::remove(P("dst.txt"));
    if (c.targetExists) Write("dst.txt", "old");
    const bool got = c.twoArgs ? TkxFiles::CopyFile32(U("src.txt"), U("dst.txt"))
                               : TkxFiles::CopyFile32(U("src.txt"), U("dst.txt"), c.flags);
    EXPECT_EQ(got, c.want) << c.name;
    EXPECT_EQ(Read("dst.txt"), c.target) << c.name;
  }
}

TEST_F(CopyTest, CopyFailuresChangeNothing) {
  Write("src.txt", "data");
  EXPECT_FALSE(TkxFiles::CopyFile32(U("missing.txt"), U("dst.txt"), uint32_t{0}));
  EXPECT_FALSE(Exists("dst.txt"));
  // Onto itself, by its own or another name: the source must survive.
  fs::create_hard_link(P("src.txt"), P("twin.txt"));
  for (const char* self : {"src.txt", "./src.txt", "twin.txt"}) {
    EXPECT_FALSE(TkxFiles::CopyFile32(U("src.txt"), U(self), uint32_t{0})) << self;
    EXPECT_EQ(Read("src.txt"), "data") << self;
  }
  fs::remove(P("twin.txt"));
  EXPECT_FALSE(TkxFiles::CopyFile32(U("src.txt"), U("no/folder/dst.txt"), uint32_t{0}));
  fs::create_directories(P("sub"));
  EXPECT_FALSE(TkxFiles::CopyFile32(U("sub"), U("dst.txt"), uint32_t{0}));
  EXPECT_EQ(Listing(), "src.txt=data sub/ ");
}

// Target states: missing, the same bytes, other bytes.
enum class Target { Missing, Same, Other };

TEST_F(CopyTest, CopyByExistMode) {
  struct Case { TkxEXISTS_MODE mode; Target target; bool want; const char* listing; };
  const Case cases[] = {
      {IF_SAME_DO_NOTHING, Target::Missing, false, "src.txt=abc "},  // never copies
      {IF_SAME_DO_NOTHING, Target::Same, true, "dst.txt=abc src.txt=abc "},
      {IF_SAME_DO_NOTHING, Target::Other, false, "dst.txt=xyz src.txt=abc "},
      {OVERWRITE, Target::Missing, true, "dst.txt=abc src.txt=abc "},
      {OVERWRITE, Target::Other, true, "dst.txt=abc src.txt=abc "},
      {UNIQE_FILENAME, Target::Missing, true, "dst.txt=abc src.txt=abc "},
      {UNIQE_FILENAME, Target::Same, true, "dst-2.txt=abc dst.txt=abc src.txt=abc "},
      {UNIQE_FILENAME, Target::Other, true, "dst-2.txt=abc dst.txt=xyz src.txt=abc "},
      {IF_NOT_SAME_USE_UNIQUE_FILE_NAME, Target::Same, true, "dst.txt=abc src.txt=abc "},
      {IF_NOT_SAME_USE_UNIQUE_FILE_NAME, Target::Other, true, "dst-2.txt=abc dst.txt=xyz src.txt=abc "},
      {IF_NOT_SAME_USE_UNIQUE_FILE_NAME, Target::Missing, true, "dst.txt=abc src.txt=abc "},
      {static_cast<TkxEXISTS_MODE>(9), Target::Missing, false, "src.txt=abc "},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    Write("src.txt", "abc");
    if (c.target == Target::Same) Write("dst.txt", "abc");
    if (c.target == Target::Other) Write("dst.txt", "xyz");
    EXPECT_EQ(TkxFiles::CopyFile32(U("src.txt"), U("dst.txt"), c.mode), c.want)
        << int(c.mode) << "/" << int(c.target);
    EXPECT_EQ(Listing(), c.listing) << int(c.mode) << "/" << int(c.target);
  }
  // A missing source with an existing target answers false, never raises.
  EXPECT_FALSE(TkxFiles::CopyFile32(U("missing"), U("dst.txt"), IF_SAME_DO_NOTHING));
}

TEST_F(CopyTest, StreamCopyByExistMode) {
  // "same" for the stream copy also needs equal file names, so the source
  // sits in a folder of its own under the target's name.
  struct Case { TkxEXISTS_MODE mode; Target target; const char* targetName; bool want; const char* listing; };
  const Case cases[] = {
      {IF_SAME_DO_NOTHING, Target::Missing, "out/a.txt", true, "in/ in/a.txt=abc out/ out/a.txt=abc "},
      {IF_SAME_DO_NOTHING, Target::Same, "out/a.txt", true, "in/ in/a.txt=abc out/ out/a.txt=abc "},
      {IF_SAME_DO_NOTHING, Target::Other, "out/a.txt", true, "in/ in/a.txt=abc out/ out/a.txt=abc "},
      {OVERWRITE, Target::Same, "out/a.txt", true, "in/ in/a.txt=abc out/ out/a.txt=abc "},
      {UNIQE_FILENAME, Target::Same, "out/A.TXT", true,
       "in/ in/a.txt=abc out/ out/A-2.TXT=abc out/A.TXT=abc "},
      {UNIQE_FILENAME, Target::Other, "out/a.txt", true, "in/ in/a.txt=abc out/ out/a.txt=abc "},
      // different names: not same, so copied over the target
      {UNIQE_FILENAME, Target::Same, "out/b.txt", true, "in/ in/a.txt=abc out/ out/b.txt=abc "},
      // equal names alone choose the free name, whatever the contents
      {IF_NOT_SAME_USE_UNIQUE_FILE_NAME, Target::Other, "out/a.txt", true,
       "in/ in/a.txt=abc out/ out/a-2.txt=abc out/a.txt=xyz "},
      {IF_NOT_SAME_USE_UNIQUE_FILE_NAME, Target::Other, "out/b.txt", true,
       "in/ in/a.txt=abc out/ out/b.txt=abc "},
      {static_cast<TkxEXISTS_MODE>(9), Target::Other, "out/a.txt", true,
       "in/ in/a.txt=abc out/ out/a.txt=abc "},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir_);
    fs::create_directories(P("out"));
    Write("in/a.txt", "abc");
    if (c.target == Target::Same) Write(c.targetName, "abc");
    if (c.target == Target::Other) Write(c.targetName, "xyz");
    EXPECT_EQ(TkxFiles::StreamCopyFile(U("in/a.txt"), U(c.targetName), c.mode), c.want)
        << int(c.mode) << " " << c.targetName;
    EXPECT_EQ(Listing(), c.listing) << int(c.mode) << " " << c.targetName;
  }
}

TEST_F(CopyTest, StreamCopyNeverEmptiesItsSource) {
  Write("a.txt", "precious");
  fs::create_hard_link(P("a.txt"), P("b.txt"));
  for (const int mode : {0, 1, 2, 3, 9}) {
    for (const char* target : {"a.txt", "b.txt"}) {
      EXPECT_TRUE(TkxFiles::StreamCopyFile(U("a.txt"), U(target), static_cast<TkxEXISTS_MODE>(mode)))
          << mode << " " << target;
      EXPECT_EQ(Read("a.txt"), "precious") << mode << " " << target;
    }
  }
}

TEST_F(CopyTest, StreamCopyFailures) {
  EXPECT_FALSE(TkxFiles::StreamCopyFile(U("missing"), U("dst"), OVERWRITE));
  EXPECT_FALSE(Exists("dst"));
  Write("src", "abc");
  // The comparison passed, the copy itself fails: the stream error is raised.
  EXPECT_THROW(TkxFiles::StreamCopyFile(U("src"), U("no/folder/dst"), OVERWRITE), Exception);
}

TEST_F(CopyTest, KeepingPathRebuildsTheSourcePath) {
  Write("data/in/a.pdf", "pdf");
  const UnicodeString source = U("data/in/a.pdf");
  const UnicodeString start = U("backup/");  // with a trailing separator: doubled, then collapsed
  ASSERT_TRUE(TkxFiles::CopyFileKeepingPath32(source, start, false, OVERWRITE));
  const std::string copy = "backup" + P("data/in/a.pdf");
  EXPECT_EQ(Read(copy), "pdf");
  Write("data/in/a.pdf", "new");
  ASSERT_TRUE(TkxFiles::StreamCopyFileKeepingPath(source, start, false, OVERWRITE));
  EXPECT_EQ(Read(copy), "new");
}

TEST_F(CopyTest, KeepingPathTooLong) {
  Write("a.txt", "x");
  const std::string deep = "backup/" + std::string(130, 'd') + "/" + std::string(130, 'e') + "/";
  for (const bool stream : {false, true}) {
    try {
      if (stream)
        TkxFiles::StreamCopyFileKeepingPath(U("a.txt"), U(deep), true, OVERWRITE);
      else
        TkxFiles::CopyFileKeepingPath32(U("a.txt"), U(deep), true, OVERWRITE);
      ADD_FAILURE() << "no exception, stream=" << stream;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, u"destination path to long");
    }
  }
  EXPECT_FALSE(Exists("backup"));
  // Without the error flag the long target is tried all the same; the
  // two-argument copy refuses an existing target.
  ASSERT_TRUE(TkxFiles::CopyFileKeepingPath32(U("a.txt"), U(deep), false, OVERWRITE));
  EXPECT_FALSE(TkxFiles::CopyFileKeepingPath32(U("a.txt"), U(deep), false, OVERWRITE));
}

TEST_F(CopyTest, KeepingPathLengthLimit) {
  Write("a.txt", "x");
  const std::string source = P("a.txt");
  // The target is start + source with the doubled separator collapsed.
  const auto start = [&](size_t targetLength) {
    const std::string head = dir_ + "/b/";
    return head + std::string(targetLength - head.size() - source.size(), 'p') + "/";
  };
  const std::string at254 = start(254), at255 = start(255);
  ASSERT_EQ((at254 + source.substr(1)).size(), 254u);
  EXPECT_TRUE(TkxFiles::CopyFileKeepingPath32(ToUtf16(source), ToUtf16(at254), true, OVERWRITE));
  EXPECT_TRUE(TkxFiles::StreamCopyFileKeepingPath(ToUtf16(source), ToUtf16(at254), true, OVERWRITE));
  EXPECT_TRUE(fs::exists(at254 + source.substr(1)));
  EXPECT_THROW(TkxFiles::StreamCopyFileKeepingPath(ToUtf16(source), ToUtf16(at255), true, OVERWRITE), Exception);
  // Without the error flag a long target is still copied; the stream copy
  // consults ExistMode there, the system copy does not.
  ASSERT_TRUE(TkxFiles::StreamCopyFileKeepingPath(ToUtf16(source), ToUtf16(at255), false, OVERWRITE));
  const std::string long255 = at255 + source.substr(1);
  EXPECT_TRUE(TkxFiles::StreamCopyFileKeepingPath(ToUtf16(source), ToUtf16(at255), false, IF_SAME_DO_NOTHING));
  EXPECT_FALSE(TkxFiles::CopyFileKeepingPath32(ToUtf16(source), ToUtf16(at255), false, IF_NOT_SAME_USE_UNIQUE_FILE_NAME));
  EXPECT_TRUE(fs::exists(long255));
  EXPECT_FALSE(fs::exists(at255 + P("a-2.txt").substr(1)));
}

TEST_F(CopyTest, MovesRefuseAnExistingTarget) {
  Write("a.txt", "a");
  Write("b.txt", "b");
  EXPECT_FALSE(TkxFiles::MoveFile32(U("a.txt"), U("b.txt")));
  EXPECT_EQ(TkxFiles::MoveAndGetFileWithUniqueFileName(U("a.txt"), U("b.txt")), U("b-2.txt"));
  EXPECT_EQ(TkxFiles::MoveAndGetFileWithUniqueFileName(U("a.txt"), U("b.txt")), u"");
  EXPECT_TRUE(TkxFiles::MoveFileWithUniqueFileName(U("b-2.txt"), U("b.txt")));
  EXPECT_EQ(Listing(), "b-3.txt=a b.txt=b ");
  Write("ro.txt", "r");
  ::chmod(P("ro.txt").c_str(), 0444);
  EXPECT_TRUE(TkxFiles::ForceMoveFile32(U("ro.txt"), U("b.txt")));
  EXPECT_EQ(Read("b-2.txt"), "r");
  EXPECT_NE(fs::status(P("b-2.txt")).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(CopyTest, ForceMoveByExistMode) {
  struct Case { TkxEXISTS_MODE mode; Target target; const char* want; const char* listing; };
  const Case cases[] = {
      {IF_SAME_DO_NOTHING, Target::Same, "", "dst.txt=abc src.txt=abc "},
      {IF_SAME_DO_NOTHING, Target::Other, "dst-2.txt", "dst-2.txt=abc dst.txt=xyz "},
      {OVERWRITE, Target::Missing, "dst.txt", "dst.txt=abc "},
      {OVERWRITE, Target::Other, "", "dst.txt=xyz src.txt=abc "},  // both unchanged
      {UNIQE_FILENAME, Target::Same, "dst-2.txt", "dst-2.txt=abc dst.txt=abc "},
      {IF_NOT_SAME_USE_UNIQUE_FILE_NAME, Target::Same, "dst.txt", "dst.txt=abc "},
      {IF_NOT_SAME_USE_UNIQUE_FILE_NAME, Target::Other, "dst-2.txt", "dst-2.txt=abc dst.txt=xyz "},
      {static_cast<TkxEXISTS_MODE>(9), Target::Missing, "", "src.txt=abc "},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    Write("src.txt", "abc");
    // Two days back, on a whole second (the setter keeps milliseconds).
    fs::last_write_time(P("src.txt"), std::chrono::floor<std::chrono::seconds>(
                                          fs::last_write_time(P("src.txt")) - std::chrono::hours(48)));
    const auto written = fs::last_write_time(P("src.txt"));
    if (c.target == Target::Same) Write("dst.txt", "abc");
    if (c.target == Target::Other) Write("dst.txt", "xyz");
    const UnicodeString got = TkxFiles::ForceMoveFile32(U("src.txt"), U("dst.txt"), c.mode);
    EXPECT_EQ(got, *c.want ? U(c.want) : u"") << int(c.mode) << "/" << int(c.target);
    EXPECT_EQ(Listing(), c.listing) << int(c.mode) << "/" << int(c.target);
    if (*c.want && c.target != Target::Same) {
      EXPECT_EQ(fs::last_write_time(P(c.want)), written) << int(c.mode);
    }
  }
  // Onto itself: the file stays.
  fs::remove_all(dir_);
  fs::create_directories(dir_);
  Write("self.txt", "self");
  EXPECT_EQ(TkxFiles::ForceMoveFile32(U("self.txt"), U("self.txt"), IF_NOT_SAME_USE_UNIQUE_FILE_NAME),
            U("self.txt"));
  EXPECT_EQ(Listing(), "self.txt=self ");
  try {
    TkxFiles::ForceMoveFile32(U("missing"), U("dst.txt"), OVERWRITE);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, u"FileTime Convert Error");
  }
}

TEST_F(CopyTest, TreeCopyKeepsTheLayout) {
  for (const char* name : {"in/a.pdf", "in/b.txt", "in/sub/c.PDF", "in/.h/d.pdf", "in/.e.pdf"})
    Write(name, name);
  Write("out/a.pdf", "old");
  struct Case { bool sub; int32_t want; const char* out; };
  const Case cases[] = {
      {false, 1, "out/ out/a.pdf=in/a.pdf "},
      {true, 2, "out/ out/a.pdf=in/a.pdf out/sub/ out/sub/c.PDF=in/sub/c.PDF "},
  };
  for (const auto& c : cases) {
    fs::remove_all(P("out"));
    Write("out/a.pdf", "old");
    EXPECT_EQ(TkxFiles::CopyFile32(U("in/*.pdf"), U("out/"), c.sub), c.want) << c.sub;
    std::string listing = Listing();
    listing = listing.substr(listing.find("out/"));
    EXPECT_EQ(listing, c.out) << c.sub;
  }
  // The destination root is the folder part of Destination.
  fs::remove_all(P("out"));
  fs::create_directories(P("out"));
  EXPECT_EQ(TkxFiles::CopyFile32(U("in/a.pdf"), U("out"), false), 1);
  EXPECT_EQ(Read("a.pdf"), "in/a.pdf");
}

TEST_F(CopyTest, SyncCopyMirrorsMatchingFiles) {
  Write("src/new.txt", "new");
  Write("src/changed.txt", "v2");
  Write("src/same.txt", "src");
  Write("src/sub/deep.txt", "deep");
  Write("src/skip/x.txt", "x");
  Write("dst/changed.txt", "v1");
  Write("dst/same.txt", "dst");  // equal time stamp: kept without OverWrite
  Write("dst/gone.txt", "gone");
  Write("dst/keep.doc", "other mask");
  Write("dst/oldsub/old.txt", "old");
  fs::last_write_time(P("dst/same.txt"), fs::last_write_time(P("src/same.txt")));
  fs::last_write_time(P("dst/changed.txt"), fs::last_write_time(P("src/changed.txt")) - std::chrono::hours(1));

  TStringList exclusions;
  exclusions.Add(U("src/skip/"));
  EXPECT_EQ(TkxFiles::SyncCopyFile32(U("src/*.txt"), U("dst"), true, false, false, &exclusions), 3);
  EXPECT_EQ(exclusions.Get(0), UpperText(U("src/skip/")));  // the caller's list is upper-cased
  std::string listing = Listing();
  listing = listing.substr(listing.find("dst/"), listing.find("src/") - listing.find("dst/"));
  EXPECT_EQ(listing,
            "dst/ dst/changed.txt=v2 dst/keep.doc=other mask dst/new.txt=new dst/same.txt=dst "
            "dst/sub/ dst/sub/deep.txt=deep ");

  // OverWrite copies files with equal time stamps as well.
  EXPECT_EQ(TkxFiles::SyncCopyFile32(U("src/*.txt"), U("dst/"), false, true, false, nullptr), 3);
  EXPECT_EQ(Read("dst/same.txt"), "src");
}

// A source tree with what every walk must pass by: hidden files and
// folders, files of other types, names with blanks and raw bytes, a
// read-only file, links out of the tree, into it and in a cycle.
class TreeTest : public CopyTest {
 protected:
  void SetUp() override {
    CopyTest::SetUp();
    for (const char* name : {"src/a.txt", "src/b c.txt", "src/bad\xff.txt", "src/x.doc", "src/.hid.txt",
                             "src/sub/d.txt", "src/sub/deeper/e.txt", "src/.dot/f.txt", "outside/o.txt"})
      Write(name, name);
    Write("src/sub/ro.txt", "read-only");
    ::chmod(P("src/sub/ro.txt").c_str(), 0444);
    fs::create_directories(P("src/empty"));
    fs::create_directory_symlink(P("src"), P("src/sub/loop"));
    fs::create_directory_symlink(P("outside"), P("src/out"));
    fs::create_directory_symlink(P("src/sub"), P("src/into"));
    // Two days back, so a copy that took the time of copying shows.
    for (const auto& e : fs::recursive_directory_iterator(P("src")))
      if (e.is_regular_file() && !e.is_symlink())
        fs::last_write_time(e.path(), fs::last_write_time(e.path()) - std::chrono::hours(48));
  }
  // diff -r of the source and Copy, leaving out what the walks leave alone.
  std::string Diff(const std::string& copy) const {
    const auto run = kx::testing::RunBounded(
        {"diff", "-r", "--no-dereference", "-x", "*.doc", "-x", ".*", "-x", "loop", "-x", "out", "-x", "into",
         P("src"), P(copy)},
        kx::testing::kChildTimeoutMs);
    return run.ExitCode == 0 ? "" : run.Output.empty() ? "diff failed to run" : run.Output;
  }
  // Every copied regular file has the last-write time of its source.
  void ExpectSourceTimes(const std::string& copy) const {
    for (const auto& e : fs::recursive_directory_iterator(P(copy))) {
      if (!e.is_regular_file()) continue;
      const fs::path source = P("src") / e.path().lexically_relative(P(copy));
      if (!fs::exists(source)) continue;
      EXPECT_EQ(fs::last_write_time(e.path()), fs::last_write_time(source)) << e.path();
    }
  }
  // The entries of outside/, which no walk may touch.
  std::string Outside() const {
    std::string out;
    std::istringstream entries(Listing());
    for (std::string e; entries >> e;)
      if (e.starts_with("outside/")) out += e + " ";
    return out;
  }
};

TEST_F(TreeTest, TreeCopyMatchesTheSource) {
  const std::string outside = Outside();
  EXPECT_EQ(TkxFiles::CopyFile32(U("src/*.txt"), U("dst/"), true), 6);
  EXPECT_EQ(Diff("dst"), "");
  ExpectSourceTimes("dst");
  EXPECT_FALSE(fs::exists(P("dst/out")) || fs::exists(P("dst/into")) || fs::exists(P("dst/sub/loop")));
  EXPECT_EQ(fs::status(P("dst/sub/ro.txt")).permissions() & fs::perms::owner_write, fs::perms::none);
  // Again: every file is replaced, the read-only one too.
  EXPECT_EQ(TkxFiles::CopyFile32(U("src/*.txt"), U("dst/"), true), 6);
  EXPECT_EQ(Outside(), outside);
}

TEST_F(TreeTest, SyncMirrorsAndASecondRunCopiesNothing) {
  Write("dst/stale.txt", "stale");
  Write("dst/gone/deeper/g.txt", "gone");  // a source folder that no longer exists, two levels
  Write("dst/keep.doc", "other type");
  EXPECT_EQ(TkxFiles::SyncCopyFile32(U("src/*.txt"), U("dst"), true, false, true, nullptr), 6);
  EXPECT_EQ(Diff("dst"), "");
  ExpectSourceTimes("dst");
  EXPECT_FALSE(fs::exists(P("dst/gone")));  // removed from the deepest folder up
  EXPECT_EQ(Read("dst/keep.doc"), "other type");
  EXPECT_EQ(TkxFiles::SyncCopyFile32(U("src/*.txt"), U("dst"), true, false, true, nullptr), 0);

  Write("src/sub/d.txt", "changed");
  fs::remove(P("src/a.txt"));
  EXPECT_EQ(TkxFiles::SyncCopyFile32(U("src/*.txt"), U("dst"), true, false, true, nullptr), 1);
  EXPECT_EQ(Diff("dst"), "");
  EXPECT_EQ(Outside(), "outside/ outside/o.txt=outside/o.txt ");
}

TEST_F(TreeTest, TreeMoveStaysInTheTree) {
  EXPECT_EQ(TkxFiles::MoveFile32(U("src/*.txt"), U("moved/"), true, false, true), 6);
  EXPECT_EQ(Read("moved/sub/deeper/e.txt"), "src/sub/deeper/e.txt");
  EXPECT_EQ(Read("src/.hid.txt"), "src/.hid.txt");
  EXPECT_FALSE(fs::exists(P("src/sub/deeper")));  // emptied, so removed
  EXPECT_FALSE(fs::exists(P("src/empty")));
  EXPECT_TRUE(fs::is_symlink(P("src/sub/loop")));  // sub keeps its link, and so stays
  EXPECT_EQ(Outside(), "outside/ outside/o.txt=outside/o.txt ");
}

TEST_F(TreeTest, FailedCopiesAreCountedOutAndLeaveNothing) {
  // The third copy's publishing rename fails.
  kx::platform::InjectFileFaultForTesting(kx::platform::FileCall::Rename, 3, ENOSPC);
  const int32_t copied = TkxFiles::CopyFile32(U("src/*.txt"), U("dst/"), true);
  kx::platform::ClearFileFaultsForTesting();
  EXPECT_EQ(copied, 5);
  size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(P("dst"))) {
    EXPECT_EQ(e.path().filename().string().find(".tmp."), std::string::npos) << e.path();  // no staged leftover
    files += e.is_regular_file() ? 1 : 0;
  }
  EXPECT_EQ(files, 5u);

  fs::remove_all(P("dst"));
  kx::platform::InjectFileFaultForTesting(kx::platform::FileCall::Write, 1, EIO);
  try {
    TkxFiles::SyncCopyFile32(U("src/*.txt"), U("dst"), true, true, true, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    const std::string text = ToUtf8(e.Message);
    EXPECT_EQ(text, "copy file " + P("src/a.txt") + " to " + P("dst/") + "a.txt failed (" +
                        ToUtf8(TkxTools::GetLastErrorMessage()) + ")");
    EXPECT_NE(text.find("Input/output error"), std::string::npos) << text;
  }
  kx::platform::ClearFileFaultsForTesting();
  EXPECT_FALSE(fs::exists(P("dst/a.txt")));
}

TEST_F(CopyTest, SyncCopyFromAMissingSourceChangesNothing) {
  Write("dst/a.txt", "backup");
  EXPECT_EQ(TkxFiles::SyncCopyFile32(U("nosrc/*.txt"), U("dst"), true, true, true, nullptr), 0);
  EXPECT_EQ(Read("dst/a.txt"), "backup");
}

TEST_F(CopyTest, SyncCopyFailureRaisesOnRequest) {
  Write("src/a.txt", "a");
  fs::create_directories(P("dst/a.txt"));  // a folder where the copy should go
  EXPECT_EQ(TkxFiles::SyncCopyFile32(U("src/*.txt"), U("dst"), false, true, false, nullptr), 0);
  try {
    TkxFiles::SyncCopyFile32(U("src/*.txt"), U("dst"), false, true, true, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    const UnicodeString head = u"copy file " + U("src/a.txt") + u" to " + U("dst/") + u"a.txt failed (";
    EXPECT_EQ(e.Message.substr(0, head.size()), head);
    EXPECT_EQ(e.Message.back(), u')');
    EXPECT_GT(e.Message.size(), head.size() + 1);  // the system's reason
  }
}

TEST_F(CopyTest, TreeMove) {
  for (const char* name : {"in/a.pdf", "in/sub/b.pdf", "in/sub/.h.pdf", "in/keep.txt"}) Write(name, name);
  ::chmod(P("in/sub/b.pdf").c_str(), 0444);
  Write("out/a.pdf", "taken");
  // Without IgnoreFileAttributes hidden files stay; a taken target is passed over.
  EXPECT_EQ(TkxFiles::MoveFile32(U("in/*.pdf"), U("out/"), true, false, false), 1);
  EXPECT_EQ(Read("out/sub/b.pdf"), "in/sub/b.pdf");
  EXPECT_TRUE(Exists("in/sub/.h.pdf"));
  EXPECT_EQ(Read("out/a.pdf"), "taken");
  // The attributes travel along; a file that stays keeps its own.
  ::chmod(P("in/a.pdf").c_str(), 0444);
  EXPECT_EQ(TkxFiles::MoveFile32(U("in/*.pdf"), U("out/"), true, true, true), 1);
  EXPECT_EQ(Read("out/sub/.h.pdf"), "in/sub/.h.pdf");
  EXPECT_EQ(fs::status(P("in/a.pdf")).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_EQ(fs::status(P("out/a.pdf")).permissions() & fs::perms::owner_write, fs::perms::owner_write);
  // DeleteSourcePaths removed the emptied folder, not the one with files.
  EXPECT_FALSE(Exists("in/sub"));
  EXPECT_TRUE(Exists("in/keep.txt"));
}

}  // namespace
