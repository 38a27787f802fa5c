#include "system/kxFiles_Listing.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "platform/rtl/Clock.h"
#include "tests/support/Process.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

// The entries of a list with the test folder cut off each, joined by blanks.
std::string Relative(const TStrings& list, const std::string& dir) {
  std::string out;
  for (int32_t i = 0; i < list.Count(); ++i) {
    const std::string entry = ToUtf8(list.Get(i));
    out += (!dir.empty() && entry.starts_with(dir + "/") ? entry.substr(dir.size() + 1) : entry) + " ";
  }
  return out;
}

class ListingTest : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    for (const char* d : {"a/x/y", "a/z", "a/.hidden/inner", "a/X", "outside/o"}) fs::create_directories(P(d));
    fs::create_directory_symlink(P("a"), P("a/z/loop"));        // a cycle
    fs::create_directory_symlink(P("outside"), P("a/out"));     // out of the tree
    fs::create_directory_symlink(P("a/z"), P("a/x/into"));      // into the tree
  }
  std::string Relative(const TStrings& list) const { return ::Relative(list, dir_); }
};

TEST_F(ListingTest, GetPathListDepthFirst) {
  struct Case { const char* root; bool addRoot, recursive; const char* want; };
  const Case cases[] = {
      // hidden folders and links are left out; names that differ by case both count
      {"a/", false, true, "a/X/ a/x/ a/x/y/ a/z/ "},
      {"a/*.*", true, true, "a/ a/X/ a/x/ a/x/y/ a/z/ "},
      {"a/", true, false, "a/ a/X/ a/x/ a/z/ "},
      {"a", false, false, "a/ outside/ "},  // the folder part of "a" is its parent
      {"missing/", true, true, "missing/ "},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.SetCaseSensitive(true);
    EXPECT_TRUE(TkxFiles::GetPathList(U(c.root), list, c.addRoot, c.recursive));
    EXPECT_EQ(Relative(list), c.want) << c.root;
  }
}

TEST_F(ListingTest, GetPathListSkipsWhatItsListFinds) {
  TStringList sensitive;
  sensitive.SetCaseSensitive(true);
  sensitive.Add(U("a/x/"));
  TkxFiles::GetPathList(U("a/"), sensitive, false, true);
  // "a/x/" was there: neither added again nor entered, so "a/x/y/" is missing.
  EXPECT_EQ(Relative(sensitive), "a/x/ a/X/ a/z/ ");
  // A list that ignores case finds "a/x/" once "a/X/" is in.
  TStringList ignoring;
  TkxFiles::GetPathList(U("a/"), ignoring, false, true);
  EXPECT_EQ(Relative(ignoring), "a/X/ a/z/ ");
  TStringList sorted;
  sorted.SetSorted(true);
  sorted.SetCaseSensitive(true);
  sorted.Add(U("a/z/"));
  TkxFiles::GetPathList(U("a/"), sorted, false, true);
  EXPECT_EQ(Relative(sorted), "a/x/ a/X/ a/x/y/ a/z/ ");
}

TEST_F(ListingTest, GetPathListFindsWhatFindFinds) {
  for (const char* d : {"t/with blank/deep", "t/bad\xff" "name/x", "t/.dot/x", "t/a/b/c/d", "t/\xc3\xa4/e"})
    fs::create_directories(P(d));
  fs::create_directory_symlink(P("t"), P("t/a/b/cycle"));
  fs::create_directory_symlink(P("outside"), P("t/away"));
  const auto found = kx::testing::RunBounded(
      {"find", P("t"), "-mindepth", "1", "-name", ".*", "-prune", "-o", "-type", "d", "-print"},
      kx::testing::kChildTimeoutMs);
  ASSERT_EQ(found.ExitCode, 0) << found.Output;
  std::set<std::string> want;
  std::istringstream lines(found.Output);
  for (std::string line; std::getline(lines, line);) want.insert(line + "/");
  TStringList list;
  list.SetCaseSensitive(true);
  TkxFiles::GetPathList(U("t/"), list, false, true);
  std::set<std::string> got;
  for (int32_t i = 0; i < list.Count(); ++i) got.insert(ToUtf8(list.Get(i)));
  EXPECT_EQ(got.size(), static_cast<size_t>(list.Count()));
  EXPECT_EQ(got, want);
}

TEST_F(ListingTest, GetSubDirsLevelByLevel) {
  TStringList ignoreDeep, ignoreRoot, ignoreNone;
  ignoreDeep.Add(u"/X/Y/");  // any case
  ignoreRoot.Add(u"/A/");
  struct Case { const char* path; TStringList* ignore; bool recursive, addRoot, want; const char* list; };
  const Case cases[] = {
      {"a/", nullptr, true, false, true, "a/X/ a/x/ a/z/ a/x/y/ "},
      {"a/", nullptr, false, true, true, "a/ a/X/ a/x/ a/z/ "},
      {"a/", &ignoreDeep, true, false, true, "a/X/ a/x/ a/z/ "},
      {"a/", &ignoreRoot, true, true, false, ""},  // the search path itself is ignored
      {"a/", &ignoreNone, true, false, true, "a/X/ a/x/ a/z/ a/x/y/ "},
      {"a/x/y/", nullptr, true, false, false, ""},
      {"missing/", nullptr, true, true, true, "missing/ "},
  };
  for (const auto& c : cases) {
    TStringList list;
    EXPECT_EQ(TkxFiles::GetSubDirs(U(c.path), list, c.ignore, c.recursive, c.addRoot), c.want) << c.path;
    EXPECT_EQ(Relative(list), c.list) << c.path;
  }
  // Entries the caller put there count for the answer.
  TStringList held;
  held.Add(u"before");
  EXPECT_TRUE(TkxFiles::GetSubDirs(U("a/x/y/"), held, nullptr, true, false));
  // One bracket around the whole call.
  int changes = 0;
  TStringList watched;
  watched.OnChange = [&](TStringList&) { ++changes; };
  TkxFiles::GetSubDirs(U("a/"), watched, nullptr, true, true);
  EXPECT_EQ(changes, 1);
}

TEST_F(ListingTest, GetFlatPathListNamesOnly) {
  fs::create_directory_symlink(P("a/z"), P("a/link"));
  Write("a/file", "");
  TStringList list;
  EXPECT_TRUE(TkxFiles::GetFlatPathList(U("a"), list));
  EXPECT_EQ(Relative(list), "X x z ");
  EXPECT_TRUE(TkxFiles::GetFlatPathList(U("missing"), list));
  EXPECT_EQ(list.Count(), 3);
}

TEST_F(ListingTest, MaskedWalk) {
  const auto walk = TkxFiles::detail::WalkMaskedSource(U("a/*.pdf"), true);
  EXPECT_EQ(walk.Root, U("a/"));
  EXPECT_EQ(walk.Mask, u"*.pdf");
  ASSERT_EQ(walk.Folders.size(), 5u);
  EXPECT_EQ(walk.Folders[0], U("a/"));
  EXPECT_EQ(walk.Folders[3], U("a/x/y/"));
  EXPECT_EQ(TkxFiles::detail::WalkMaskedSource(U("a/*.pdf"), false).Folders.size(), 1u);
  EXPECT_TRUE(TkxFiles::detail::WalkMaskedSource(u"*.pdf", true).Folders.empty());
}

// Files with chosen last-write times, local time in Berlin, the clock at
// 2024-07-01 10:30:00.
class AgeListTest : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    ::setenv("TZ", "Europe/Berlin", 1);
    const TDateTime now = EncodeDateTime(2024, 7, 1, 10, 30, 0, 0);
    kx::platform::SetClockForTesting([now] { return now; });
  }
  void TearDown() override {
    kx::platform::SetClockForTesting(nullptr);
    ::setenv("TZ", "UTC", 1);
    ScratchFolderTest::TearDown();
  }
  // Name written at Local (local time).
  void Make(const std::string& name, TDateTime local) const {
    Write(name, "x");
    int64_t ms = 0;
    ASSERT_TRUE(kx::platform::DateTimeToUnixMs(LocalTimeToUtc(local), ms));
    const timespec times[2] = {{ms / 1000, (ms % 1000) * 1'000'000}, {ms / 1000, (ms % 1000) * 1'000'000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, P(name).c_str(), times, 0), 0);
  }
  static TDateTime At(uint16_t d, uint16_t h, uint16_t m, uint16_t s = 0, uint16_t ms = 0) {
    return EncodeDateTime(2024, d == 0 ? 6 : 7, d == 0 ? 30 : d, h, m, s, ms);  // day 0: June 30
  }
  void MakeEdges() const {
    Make("f/m631.txt", At(0, 23, 59));      // 631 minutes old
    Make("f/m630.txt", At(1, 0, 0, 1, 500));  // midnight at file-date precision: 630
    Make("f/m629.txt", At(1, 0, 1));        // 629
    Make("f/now.txt", At(1, 10, 30));       // 0
    Make("f/d2.txt", At(0, 0, 0));          // 2070: yesterday's midnight
    Make("f/.hidden", At(0, 0, 0));         // 2070, hidden
    Make("f/ro.txt", At(1, 10, 30));
    ::chmod(P("f/ro.txt").c_str(), 0444);
    fs::create_directories(P("f/sub"));
  }
  std::string Relative(const TStrings& list) const { return ::Relative(list, dir_ + "/f"); }
};

TEST_F(AgeListTest, ByAgeInMinutesAndDays) {
  MakeEdges();
  ASSERT_EQ(::mkfifo(P("f/pipe").c_str(), 0644), 0);  // a system entry
  struct Case { bool days; uint32_t limit; int age; int32_t attributes; uint32_t want; const char* list; };
  const Case cases[] = {
      {false, 0, faOlder, 0x20, 7, ".hidden d2.txt m629.txt m630.txt m631.txt now.txt ro.txt "},
      {false, 0, faOlder, 0x02, 1, ".hidden "},
      {false, 0, faOlder, 0x01, 1, "ro.txt "},
      {false, 0, faOlder, 0x04, 1, "pipe "},
      {false, 0, faOlder, 0x80 | 0x10, 0, ""},  // normal never occurs; folders are never taken
      {false, 630, faOlder, 0x20, 4, ".hidden d2.txt m630.txt m631.txt "},
      {false, 630, faYounger, 0x20, 4, "m629.txt m630.txt now.txt ro.txt "},
      {false, 630, 7, 0x20, 0, ""},                                         // no such side
      {true, 1, faOlder, 0x20, 4, ".hidden d2.txt m630.txt m631.txt "},     // limit 630
      {true, 1, faYounger, 0x20, 4, "m629.txt m630.txt now.txt ro.txt "},
      {true, 2, faOlder, 0x20, 2, ".hidden d2.txt "},                       // limit 2070
      {true, 2, faYounger, 0x27, 8, ".hidden d2.txt m629.txt m630.txt m631.txt now.txt pipe ro.txt "},
  };
  for (const auto& c : cases) {
    TStringList list;
    const auto age = static_cast<TFileAge>(c.age);
    const uint32_t got =
        c.days ? TkxFiles::GetFileListByFileAgeInDays(U("f/*.*"), c.limit, list, age, c.attributes, 0)
               : TkxFiles::GetFileListByFileAgeInMinutes(U("f/*.*"), c.limit, list, age, c.attributes, 0);
    EXPECT_EQ(got, c.want) << c.days << " " << c.limit << " " << c.age << " " << c.attributes;
    EXPECT_EQ(Relative(list), c.list) << c.days << " " << c.limit << " " << c.age << " " << c.attributes;
    EXPECT_TRUE(list.Sorted());
    EXPECT_EQ(list.Duplicates(), dupIgnore);
  }
}

TEST_F(AgeListTest, MaxFilesCountsWhatWasThere) {
  MakeEdges();
  TStringList list;
  for (const char* held : {"1", "2", "3", "4", "5"}) list.Add(ToUtf16(held));
  // Full before the search: the first entry is still looked at.
  EXPECT_EQ(TkxFiles::GetFileListByFileAgeInMinutes(U("f/*.txt"), 0, list, faOlder, 0x20, 5), 1u);
  EXPECT_EQ(list.Count(), 6);
  TStringList fresh;
  EXPECT_EQ(TkxFiles::GetFileListByFileAgeInMinutes(U("f/*.txt"), 0, fresh, faOlder, 0x20, 2), 2u);
  // Taken again: counted, not added twice.
  EXPECT_EQ(TkxFiles::GetFileListByFileAgeInMinutes(U("f/*.txt"), 0, fresh, faOlder, 0x20, 0), 6u);
  EXPECT_EQ(fresh.Count(), 6);
}

TEST_F(AgeListTest, Between) {
  MakeEdges();
  struct Case { bool days; uint32_t from, to; const char* list; };
  const Case cases[] = {
      {false, 0, 0, ".hidden d2.txt m629.txt m630.txt m631.txt now.txt ro.txt "},  // hidden ones too
      {false, 629, 631, "m629.txt m630.txt m631.txt "},
      {false, 631, 0, ".hidden d2.txt m631.txt "},
      {false, 0, 629, "m629.txt now.txt ro.txt "},
      {true, 1, 2, ".hidden d2.txt m630.txt m631.txt "},  // 630 to 2070
      {true, 0, 1, "m629.txt m630.txt now.txt ro.txt "},
  };
  for (const auto& c : cases) {
    TStringList list;
    const uint32_t got = c.days ? TkxFiles::GetFileListBetweenFileAgeInDays(U("f/*.*"), c.from, c.to, list)
                                : TkxFiles::GetFileListByFileAgeBetweenInMinutes(U("f/*.*"), c.from, c.to, list);
    EXPECT_EQ(Relative(list), c.list) << c.days << " " << c.from << "-" << c.to;
    EXPECT_EQ(got, static_cast<uint32_t>(list.Count()));
  }
}

TEST_F(AgeListTest, BetweenDates) {
  MakeEdges();
  Make("f/m630.txt.txt", At(1, 0, 0));  // found by the search, not by EqualsFileName
  TStringList list;
  // Both ends count; m630.txt was written at 00:00:01.5, which is 00:00:00 as a file date.
  EXPECT_EQ(TkxFiles::GetFileListByFileAgeBetweenDate(U("f/*.txt"), At(0, 23, 59), At(1, 0, 0), list), 2u);
  EXPECT_EQ(Relative(list), "m630.txt m631.txt ");
  list.Clear();
  EXPECT_EQ(TkxFiles::GetFileListByFileAgeBetweenDate(U("f/*"), At(0, 0, 0), At(0, 0, 0), list), 2u);
  EXPECT_EQ(Relative(list), ".hidden d2.txt ");
  list.Clear();
  EXPECT_EQ(TkxFiles::GetFileListByFileAgeBetweenDate(U("f/*.*"), At(1, 0, 0), At(0, 0, 0), list), 0u);
}

TEST(EqualsFileName, FileNamesAgainstMasks) {
  struct Case { const char16_t* name; const char16_t* mask; bool want; };
  const Case cases[] = {
      {u"C:\\x\\Report.PDF", u"D:\\*.pdf", true},
      {u"C:\\x\\a.html", u"D:\\*.htm", false},
      {u"/x/a.txt.txt", u"/x/*.txt", false},  // no backtracking
      {u"/x/ a.txt ", u"/y/*.TXT", true},     // trimmed
      {u"/x/ab.txt", u"/y/a?.txt", true},
      {u"/x/abc.txt", u"/y/a?.txt", false},
      {u"a.txt", u"a.txt", true},
      {u"/x/b.txt", u"/x/a.txt", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TkxFiles::EqualsFileName(c.name, c.mask), c.want) << ToUtf8(c.name) << " " << ToUtf8(c.mask);
}

TEST(FileTypes, PathesWithTypes) {
  struct Case { const char16_t* path; const char16_t* allowed; bool want; const char* result; };
  const Case cases[] = {
      {u"C:\\in\\*.*", u"pdf,tif", true, "C:\\in\\*.pdf C:\\in\\*.tif "},
      {u"C:\\in\\doc.pdf", u"pdf,tif", true, "C:\\in\\doc.pdf "},
      {u"C:\\in\\doc.PDF", u"pdf", true, "C:\\in\\doc.PDF "},  // ends with .pdf ignoring case
      {u"/in/a.*", u"x_y", true, "/in/a.x_y "},                  // "_" is no wildcard
      {u"/in/a.p*", u"pdf,tif", true, "/in/a.pdf "},
      {u"/in/doc.pdf", u"tif", false, ""},
      {u"/in/doc.pdf", u"", false, ""},
      {u"/in/a.*/b.*", u"pdf", true, "/in/a.pdf/b.pdf "},          // every occurrence is replaced
      {u"/in.d/readme", u"d/readme", true, "/in.d/readme "},       // no dot in the name: E runs from the folder's
  };
  for (const auto& c : cases) {
    TStringList allowed, result;
    allowed.SetCommaText(c.allowed);
    EXPECT_EQ(TkxFiles::GetFilePathesWithTypesInList(c.path, allowed, result, true), c.want) << ToUtf8(c.path);
    EXPECT_EQ(Relative(result, ""), c.result) << ToUtf8(c.path);
  }
}

TEST(FileTypes, ValidTypes) {
  struct Case { const char16_t* name; const char16_t* allowed; bool star; bool want; const char* result; };
  const Case cases[] = {
      {u"scan.TIF", u".pdf,.tif", false, true, ".tif "},
      {u"scan.TIF", u"pdf,tif", false, false, ""},  // entries need their dot
      {u"*", u".pdf,.tif", true, true, ".pdf .tif "},
      {u"*", u".pdf,.tif", false, false, ""},
      {u"x.*", u".pdf", true, false, ""},  // the extension is ".*", not "*"
  };
  for (const auto& c : cases) {
    TStringList allowed, result;
    allowed.SetCommaText(c.allowed);
    EXPECT_EQ(TkxFiles::GetValidFileTypesInList(c.name, allowed, result, c.star), c.want) << ToUtf8(c.name);
    EXPECT_EQ(Relative(result, ""), c.result) << ToUtf8(c.name);
  }
}

TEST(FileTypes, TypesFromPathList) {
  TStringList paths;
  paths.SetCommaText(u"/a/x.pdf,/b/y.PDF,/c/z.tif");
  TStringList unsorted;
  EXPECT_EQ(TkxFiles::GetFileTypesFromPathList(paths, unsorted), 3);  // duplicates stay: not sorted
  EXPECT_EQ(unsorted.Duplicates(), dupIgnore);
  TStringList sorted;
  sorted.SetSorted(true);
  EXPECT_EQ(TkxFiles::GetFileTypesFromPathList(paths, sorted), 2);
  EXPECT_EQ(Relative(sorted, ""), ".pdf .tif ");
}

class FileTypeExistsTest : public kx::testing::ScratchFolderTest {};

TEST_F(FileTypeExistsTest, AnyEntryMatches) {
  Write("in/a.tif", "");
  Write("in/.h.png", "");
  fs::create_directories(P("in/dir.jpg"));
  struct Case { const char* masks; bool want; };
  const Case cases[] = {
      {"*.pdf *.tif", true}, {"*.pdf", false}, {"*.png", true}, {"*.jpg", true}, {"", false},
  };
  for (const auto& c : cases) {
    TStringList full, names;
    std::istringstream words(c.masks);
    for (std::string w; words >> w;) {
      full.Add(U("in/" + w));
      names.Add(ToUtf16(w));
    }
    EXPECT_EQ(TkxFiles::FileTypeExists(full), c.want) << c.masks;
    EXPECT_EQ(TkxFiles::FileTypeExists(U("in/"), names), c.want) << c.masks;
  }
}

}  // namespace
