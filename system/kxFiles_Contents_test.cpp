#include "system/kxFiles_Contents.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/file/ChildLockForTesting.h"
#include "platform/file/FileSystem.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxFiles.h"
#include "system/kxMD5.h"
#include "system/kxToolsEvo2_Identity.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

class ContentsTest : public kx::testing::ScratchFolderTest {
 protected:
  // A file of Size bytes that takes no disk space.
  void Sparse(const std::string& name, int64_t size) const {
    const int fd = ::open(P(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
  }
};

TEST_F(ContentsTest, LoadFileToString) {
  const std::string bytes("\xEF\xBB\xBF" "a\r\nb\0\xFF", 8);
  Write("bin", bytes);
  Write("empty", "");
  AnsiString data = "old";
  EXPECT_TRUE(TkxFiles::LoadFileToString(U("bin"), data));
  EXPECT_EQ(data, bytes);  // no conversion of any kind
  EXPECT_TRUE(TkxFiles::LoadFileToString(U("empty"), data));
  EXPECT_EQ(data, "");
  EXPECT_FALSE(TkxFiles::LoadFileToString(U("missing"), data));
  EXPECT_FALSE(TkxFiles::LoadFileToString(U(""), data));

  struct Case { int32_t maxSize; bool ok; std::string want; };
  const Case cases[] = {{0, true, ""}, {3, true, bytes.substr(0, 3)}, {10, true, bytes}, {-1, false, ""}};
  for (const auto& c : cases) {
    data.clear();
    EXPECT_EQ(TkxFiles::LoadFileToString(U("bin"), data, c.maxSize), c.ok) << c.maxSize;
    EXPECT_EQ(data, c.want) << c.maxSize;
  }

  // Whole files of 2 GiB and more do not fit the 32-bit length; a piece does.
  Sparse("big", (int64_t{2} << 30) + 1);
  EXPECT_FALSE(TkxFiles::LoadFileToString(U("big"), data));
  EXPECT_TRUE(TkxFiles::LoadFileToString(U("big"), data, 4));
  EXPECT_EQ(data, std::string(4, '\0'));

  // Held by another process: a reader that denies writers is refused, one
  // that asks for no lock gets through.
  kx::platform::ChildLockForTesting lock(U("bin"));
  ASSERT_TRUE(lock.Locked());
  EXPECT_FALSE(TkxFiles::LoadFileToString(U("bin"), data));
  EXPECT_FALSE(TkxFiles::LoadFileToString(U("bin"), data, uint16_t{0x0020}));
  EXPECT_TRUE(TkxFiles::LoadFileToString(U("bin"), data, uint16_t{0x0040}));
  EXPECT_EQ(data, bytes);
}

TEST_F(ContentsTest, SaveStringToFile) {
  EXPECT_TRUE(TkxFiles::SaveStringToFile(U("f"), "first", false, false, ""));
  EXPECT_TRUE(TkxFiles::SaveStringToFile(U("f"), "new", false, false, ""));
  EXPECT_EQ(Read("f"), "new");
  EXPECT_TRUE(TkxFiles::SaveStringToFile(U("f"), "+1", true, false, ""));
  EXPECT_TRUE(TkxFiles::SaveStringToFile(U("f"), "+2", true, false, ""));
  EXPECT_EQ(Read("f"), "new+1+2");
  EXPECT_TRUE(TkxFiles::SaveStringToFile(U("f"), "", true, false, ""));
  EXPECT_EQ(Read("f"), "new+1+2");
  EXPECT_TRUE(TkxFiles::SaveStringToFile(U("appended"), "a", true, false, ""));
  EXPECT_EQ(Read("appended"), "a");
  EXPECT_TRUE(TkxFiles::SaveStringToFile(U("empty"), "", false, false, ""));
  EXPECT_TRUE(fs::exists(P("empty")));

  // A dot-file is hidden, but appending keeps what it holds.
  Write(".profile", "export A=1\n");
  EXPECT_TRUE(TkxFiles::SaveStringToFile(U(".profile"), "export B=2\n", true, false, ""));
  EXPECT_EQ(Read(".profile"), "export A=1\nexport B=2\n");

  // The check digests the whole file as it now is and compares exactly.
  const AnsiString md5 = TkxMD5::GetMD5FromString("new+1+2+3");
  EXPECT_TRUE(TkxFiles::SaveStringToFile(U("f"), "+3", true, true, md5));
  AnsiString lower = md5;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_FALSE(TkxFiles::SaveStringToFile(U("g"), "new+1+2+3", false, true, lower));
  EXPECT_EQ(Read("g"), "new+1+2+3");  // written all the same

  EXPECT_FALSE(TkxFiles::SaveStringToFile(U("no/such/f"), "x", false, false, ""));
  EXPECT_FALSE(TkxFiles::SaveStringToFile(u"C:\\f.txt", "x", false, false, ""));
  fs::create_directory(P("folder"));
  EXPECT_FALSE(TkxFiles::SaveStringToFile(U("folder"), "x", true, false, ""));

  // A file in use elsewhere is neither replaced nor emptied.
  kx::platform::ChildLockForTesting lock(U("f"));
  ASSERT_TRUE(lock.Locked());
  EXPECT_FALSE(TkxFiles::SaveStringToFile(U("f"), "lost?", false, false, ""));
  EXPECT_FALSE(TkxFiles::SaveStringToFile(U("f"), "lost?", true, false, ""));
  EXPECT_EQ(Read("f"), "new+1+2+3");
}

TEST_F(ContentsTest, MergeAndBlankFiles) {
  Write("one", "111");
  Write("two", "22");
  EXPECT_TRUE(TkxFiles::MergeFiles(U("one"), U("two")));
  EXPECT_EQ(Read("two"), "22111");
  EXPECT_EQ(Read("one"), "111");
  EXPECT_FALSE(TkxFiles::MergeFiles(U("one"), U("missing")));
  EXPECT_FALSE(fs::exists(P("missing")));
  EXPECT_FALSE(TkxFiles::MergeFiles(U("missing"), U("two")));
  EXPECT_THROW(TkxFiles::MergeFiles(U("two"), U("two")), EFOpenError);  // fails on its own lock
  EXPECT_EQ(Read("two"), "22111");
  {
    kx::platform::ChildLockForTesting lock(U("two"));
    EXPECT_THROW(TkxFiles::MergeFiles(U("one"), U("two")), EFOpenError);
  }

  EXPECT_TRUE(TkxFiles::CreateBlankFile(U("blank")));
  EXPECT_EQ(Read("blank"), "");
  EXPECT_FALSE(TkxFiles::CreateBlankFile(U("one")));
  Write(".dot", "keep");
  EXPECT_FALSE(TkxFiles::CreateBlankFile(U(".dot")));  // hidden, yet never emptied
  EXPECT_EQ(Read(".dot"), "keep");
  EXPECT_FALSE(TkxFiles::CreateBlankFile(U("no/such")));
}

TEST_F(ContentsTest, Sizes) {
  Write("a.pdf", "12345");
  Write("b.pdf", "1");
  Write(".h.pdf", "123");
  fs::create_directory(P("folder"));
  Sparse("huge", int64_t{5} << 30);

  struct Case { std::string name; int64_t sizeOf, size, sizeEx; };
  const Case cases[] = {
      {"a.pdf", 5, 5, 5},
      {"*.pdf", 3, 5, 3},     // the first match: ".h.pdf" of any entry, "a.pdf" of the files
      {".h.pdf", 3, 0, 3},    // hidden: not FileExists
      {"folder", 0, 0, 0},
      {"huge", int64_t{5} << 30, int64_t{5} << 30, int64_t{5} << 30},
      {"missing", 0, 0, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TkxFiles::GetSizeOfFile(U(c.name)), c.sizeOf) << c.name;
    EXPECT_EQ(TkxFiles::GetFileSize(U(c.name)), c.size) << c.name;
    EXPECT_EQ(TkxFiles::GetFileSizeEx(U(c.name)), c.sizeEx) << c.name;
  }
  EXPECT_EQ(TkxFiles::GetSizeOfFile(u""), 0);

  const int64_t bytes = TkxFiles::GetFreeDiskSpace(ToUtf16(" " + dir_ + " "), false);
  EXPECT_GT(bytes, 0);
  const int64_t mebibytes = TkxFiles::GetFreeDiskSpace(U("not/yet"), true);
  EXPECT_NEAR(static_cast<double>(mebibytes), static_cast<double>(bytes / 1048576), 64.0);
  for (const char16_t* none : {u"", u"  ", u"C:\\out", u"\\\\server\\share"})
    EXPECT_EQ(TkxFiles::GetFreeDiskSpace(none, true), -1) << ToUtf8(none);
}

TEST_F(ContentsTest, CompareFile) {
  fs::create_directory(P("x"));
  Write("same.txt", "content");
  Write("x/SAME.TXT", "content");
  Write("other.txt", "content");
  Write("x/other.txt", "changed");
  EXPECT_TRUE(TkxFiles::CompareFile(U("same.txt"), U("other.txt")));
  EXPECT_FALSE(TkxFiles::CompareFile(U("same.txt"), U("other.txt"), true, true, false));
  EXPECT_TRUE(TkxFiles::CompareFile(U("same.txt"), U("x/SAME.TXT"), true, true, false));
  EXPECT_FALSE(TkxFiles::CompareFile(U("other.txt"), U("x/other.txt"), true, true, true));

  auto message = [](auto&& call) {
    try {
      call();
    } catch (const Exception& e) {
      return e.Message;
    }
    return UnicodeString(u"no exception");
  };
  EXPECT_EQ(message([&] { TkxFiles::CompareFile(U("none"), U("same.txt"), true, true, true); }),
            u"File 1 not exists");
  EXPECT_EQ(message([&] { TkxFiles::CompareFile(U("same.txt"), U("none"), true, true, true); }),
            u"File 2 not exists");
  EXPECT_EQ(message([&] { TkxFiles::CompareFile(U("same.txt"), U("none"), false, false, true); }),
            u"no exception");  // different names: false before any digest
  EXPECT_EQ(message([&] { TkxFiles::CompareFile(U("same.txt"), U("x/none")); }),
            u"file " + U("x/none") + u" not found");
}

TEST_F(ContentsTest, LocksAndOwner) {
  Write("f", "data");
  EXPECT_FALSE(TkxFiles::FileIsInUse(U("f")));
  EXPECT_FALSE(TkxFiles::FileIsInUse(U("missing")));
  const uintptr_t lock = TkxFiles::CreateFileLock(U("f"));
  ASSERT_NE(lock, UINTPTR_MAX);
  EXPECT_EQ(TkxFiles::CreateFileLock(U("f")), UINTPTR_MAX);
  EXPECT_TRUE(TkxFiles::ReleaseFileLock(lock));
  EXPECT_FALSE(TkxFiles::ReleaseFileLock(UINTPTR_MAX));
  EXPECT_EQ(TkxFiles::CreateFileLock(U("missing")), UINTPTR_MAX);
  EXPECT_FALSE(fs::exists(P("missing")));
  {
    kx::platform::ChildLockForTesting child(U("f"));
    ASSERT_TRUE(child.Locked());
    EXPECT_TRUE(TkxFiles::FileIsInUse(U("f")));
  }
  EXPECT_FALSE(TkxFiles::FileIsInUse(U("f")));
  ::chmod(P("f").c_str(), 0444);  // counts as in use even for root
  EXPECT_TRUE(TkxFiles::FileIsInUse(U("f")));

  UnicodeString domain = u"d", user = u"u";
  ASSERT_TRUE(TkxFiles::GetFileOwner(U("f"), domain, user));
  const passwd* me = ::getpwuid(::geteuid());
  ASSERT_NE(me, nullptr);
  EXPECT_EQ(user, ToUtf16(me->pw_name));
  EXPECT_EQ(domain, TkxTools::GetComputerName());
  domain = u"d";
  user = u"u";
  EXPECT_FALSE(TkxFiles::GetFileOwner(U("missing"), domain, user));
  EXPECT_EQ(domain + user, u"du");
}

}  // namespace
