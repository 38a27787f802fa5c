#include "platform/file/StagedFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

#include "platform/file/AtomicReplace.h"
#include "platform/file/FaultInjection.h"
#include "platform/rtl/Exceptions.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using kx::platform::ClearFileFaultsForTesting;
using kx::platform::FileCall;
using kx::platform::InjectFileFaultForTesting;
using kx::platform::ReplaceFileAtomically;
using kx::platform::StagedFile;

class StagedFileTest : public kx::testing::ScratchFolderTest {
 protected:
  // The names in the folder, hidden ones included, sorted.
  std::string Listing() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : " ") + n;
    return out;
  }
  static mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
};

TEST_F(StagedFileTest, PublishesOnlyWhenComplete) {
  StagedFile f(ToUtf16(P("doc.xml")));
  ASSERT_TRUE(f.Write("<a/>"));
  // While it is written the final name does not exist; the temporary one is
  // hidden.
  const std::string staged = Listing();
  EXPECT_EQ(staged.rfind(".doc.xml.tmp.", 0), 0u) << staged;
  ASSERT_TRUE(f.Publish(ToUtf16(P("doc.xml")), true));
  EXPECT_EQ(Listing(), "doc.xml");
  EXPECT_EQ(Read("doc.xml"), "<a/>");
  EXPECT_EQ(f.Fd(), -1);
}

// The longest name a folder entry may have leaves no room for a suffix; the
// temporary name is cut, the published one is not.
TEST_F(StagedFileTest, LongestNamesStillPublish) {
  const std::string name = std::string(251, 'n') + ".xml";
  StagedFile f(ToUtf16(P(name)));
  ASSERT_TRUE(f.Write("x"));
  ASSERT_TRUE(f.Publish(ToUtf16(P(name)), true));
  EXPECT_EQ(Listing(), name);
}

TEST_F(StagedFileTest, ReplaceKeepsTheModeAndNoReplaceLeavesTheOldFile) {
  Write("doc.xml", "old");
  ASSERT_EQ(::chmod(P("doc.xml").c_str(), 0640), 0);

  StagedFile f(ToUtf16(P("doc.xml")));
  ASSERT_TRUE(f.Write("new"));
  errno = 0;
  const StagedFile::PublishResult taken = f.Publish(ToUtf16(P("doc.xml")), false);
  EXPECT_FALSE(taken);
  EXPECT_EQ(taken.Result, StagedFile::PublishResult::NameTaken);
  EXPECT_EQ(taken.Error, EEXIST);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(Read("doc.xml"), "old");
  // The staged file stays for another try: under another name, or replacing.
  ASSERT_TRUE(f.Publish(ToUtf16(P("doc.xml")), true));
  EXPECT_EQ(Read("doc.xml"), "new");
  EXPECT_EQ(ModeOf(P("doc.xml")), 0640u);
  EXPECT_EQ(Listing(), "doc.xml");
}

TEST_F(StagedFileTest, FailuresRemoveTheStagedFile) {
  fs::create_directories(P("sub"));
  {
    // Another folder than the one given: refused, the staged file removed.
    StagedFile f(ToUtf16(P("doc.xml")));
    ASSERT_TRUE(f.Write("x"));
    errno = 0;
    const StagedFile::PublishResult refused = f.Publish(ToUtf16(P("sub/doc.xml")), true);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.Result, StagedFile::PublishResult::Failed);
    EXPECT_EQ(refused.Error, EXDEV);
    EXPECT_EQ(errno, EXDEV);
    EXPECT_EQ(f.Fd(), -1);
    EXPECT_EQ(Listing(), "sub");
    EXPECT_FALSE(f.Write("more"));
  }
  {
    // Never published: gone with the object.
    StagedFile f(ToUtf16(P("doc.xml")));
    ASSERT_TRUE(f.Write("x"));
  }
  EXPECT_EQ(Listing(), "sub");

  // A folder that does not exist, a drive path: the path names nothing.
  for (const UnicodeString& path : {ToUtf16(P("missing/doc.xml")), UnicodeString(u"C:\\out\\doc.xml")}) {
    try {
      StagedFile f(path);
      ADD_FAILURE() << "no exception for " << ToUtf8(path);
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.Message.rfind(u"cannot create file " + path + u": ", 0), 0u) << ToUtf8(e.Message);
    }
  }
  errno = 0;
  StagedFile quiet(P("missing/doc.xml"), 0644);
  EXPECT_EQ(quiet.Fd(), -1);
  EXPECT_EQ(errno, ENOENT);
}

// The system refuses a write (a full disk, a quota), a sync, the close or
// the rename: the failing step answers it, nothing appears under the final
// name, an older file there stays as it was, and no staged file is left.
TEST_F(StagedFileTest, ARefusedWriteSyncCloseOrRenameLeavesNothing) {
  struct Case {
    FileCall call;
    int error;
  };
  const Case cases[] = {{FileCall::Write, ENOSPC}, {FileCall::Write, EDQUOT},
                        {FileCall::Sync, EIO},     {FileCall::Close, EDQUOT},
                        {FileCall::Rename, EIO}};
  for (const Case& c : cases) {
    for (const bool replace : {false, true}) {
      const std::string what = std::to_string(static_cast<int>(c.call)) + " " + std::to_string(replace);
      fs::remove_all(dir_);
      fs::create_directories(dir_);
      if (replace) Write("doc.xml", "old");
      {
        StagedFile f(ToUtf16(P("doc.xml")));
        ASSERT_TRUE(f.Write("first"));
        InjectFileFaultForTesting(c.call, 1, c.error);
        errno = 0;
        const bool written = f.Write("second");
        if (c.call == FileCall::Write) {
          EXPECT_FALSE(written) << what;
          EXPECT_EQ(errno, c.error) << what;
        } else {
          ASSERT_TRUE(written) << what;
          const StagedFile::PublishResult r = f.Publish(ToUtf16(P("doc.xml")), replace);
          EXPECT_EQ(r.Result, StagedFile::PublishResult::Failed) << what;
          EXPECT_EQ(r.Error, c.error) << what;
          EXPECT_EQ(f.Fd(), -1) << what;
          EXPECT_EQ(Listing(), replace ? "doc.xml" : "") << what;
        }
        ClearFileFaultsForTesting();
      }
      EXPECT_EQ(Listing(), replace ? "doc.xml" : "") << what;
      if (replace) {
        EXPECT_EQ(Read("doc.xml"), "old") << what;
      }
    }
  }
}

// A file large enough to be synced in the background while it is written:
// every byte arrives, in order, whether it is published or discarded midway.
TEST_F(StagedFileTest, LargeFilesSyncWhileWritten) {
  std::string block(1 << 20, '\0');
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 + i / 4096);
  const int blocks = 40;
  {
    StagedFile f(ToUtf16(P("big.bin")));
    for (int i = 0; i < blocks; ++i) {
      block[0] = static_cast<char>(i);
      ASSERT_TRUE(f.Write(block));
    }
    ASSERT_TRUE(f.Publish(ToUtf16(P("big.bin")), true));
  }
  const std::string bytes = Read("big.bin");
  ASSERT_EQ(bytes.size(), block.size() * blocks);
  for (int i = 0; i < blocks; ++i) {
    block[0] = static_cast<char>(i);
    ASSERT_EQ(bytes.compare(block.size() * static_cast<size_t>(i), block.size(), block), 0) << i;
  }
  {
    StagedFile f(ToUtf16(P("gone.bin")));
    for (int i = 0; i < blocks; ++i) ASSERT_TRUE(f.Write(block));
    f.Discard();
    EXPECT_EQ(f.Fd(), -1);
  }
  EXPECT_EQ(Listing(), "big.bin");
}

TEST_F(StagedFileTest, ReplaceFileAtomicallyModes) {
  // A new file gets the mode asked for, the umask notwithstanding; it is
  // private while it is written.
  const mode_t oldMask = ::umask(077);
  ASSERT_TRUE(ReplaceFileAtomically(P("hive.reg"), "one", 0644));
  EXPECT_EQ(ModeOf(P("hive.reg")), 0644u);
  {
    StagedFile f(P("other.reg"), 0644);
    struct stat st {};
    ASSERT_EQ(::fstat(f.Fd(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
  }
  ::umask(oldMask);

  // A replaced file keeps its mode.
  ASSERT_EQ(::chmod(P("hive.reg").c_str(), 0600), 0);
  ASSERT_TRUE(ReplaceFileAtomically(P("hive.reg"), "two", 0644));
  EXPECT_EQ(Read("hive.reg"), "two");
  EXPECT_EQ(ModeOf(P("hive.reg")), 0600u);

  errno = 0;
  EXPECT_FALSE(ReplaceFileAtomically(P("missing/hive.reg"), "x", 0644));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(Listing(), "hive.reg");
}

}  // namespace
