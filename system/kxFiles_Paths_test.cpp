#include "system/kxFiles_Paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxFiles.h"
#include "system/kxWin32.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

class FilesTest : public kx::testing::ScratchFolderTest {
 protected:
  void Touch(const std::string& name) const { std::ofstream(P(name)) << "x"; }
};

TEST(FilesText, PathTexts) {
  EXPECT_EQ(TkxFiles::CheckPathExt(u"  C:\\out \t"), u"C:\\out\\");
  EXPECT_EQ(TkxFiles::CheckPathExt(u"/tmp"), u"/tmp/");
  EXPECT_EQ(TkxFiles::CheckPathExt(u"/tmp/"), u"/tmp/");
  EXPECT_EQ(TkxFiles::CheckPathExt(u"out"), u"out/");
  EXPECT_EQ(TkxFiles::CheckPathExt(u" \r\n"), u"");
  EXPECT_EQ(TkxFiles::ErasePathExt(u" C:\\out\\\\ "), u"C:\\out\\");  // one separator only
  EXPECT_EQ(TkxFiles::ErasePathExt(u"/tmp/"), u"/tmp");

  EXPECT_EQ(TkxFiles::CheckFileExtension(u" PDF ", true), u".pdf");
  EXPECT_EQ(TkxFiles::CheckFileExtension(u".Tar", false), u".Tar");
  EXPECT_EQ(TkxFiles::CheckFileExtension(u"  ", true), u"");

  struct Case { std::u16string path, pure, extention; };
  const Case cases[] = {
      {u"C:\\a.b\\archive.tar.gz", u"archive.tar", u".gz"},
      {u"C:\\dir.old\\readme", u"readme", u".old\\readme"},  // two extension rules
      {u"readme", u"readme", u"readme"},
      {u"/home/u/.profile", u"", u".profile"},
      {u"C:name.txt", u"name", u".txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TkxFiles::ExtractPureFileName(c.path), c.pure) << ToUtf8(c.path);
    EXPECT_EQ(TkxFiles::GetFileExtention(c.path), c.extention) << ToUtf8(c.path);
  }
}

TEST(FilesText, ConvertToFileName) {
  EXPECT_EQ(TkxFiles::ConvertToFileName(u"a:b*c?.txt"), u"abc.txt");
  EXPECT_EQ(TkxFiles::ConvertToFileName(u"a\x01\\b|<>\"/\x7F\u00E9\u20AC.txt"), u"ab\u00E9\u20AC.txt");
  const std::u16string longName(296, u'n');
  EXPECT_EQ(TkxFiles::ConvertToFileName(longName + u".pdf"), std::u16string(252, u'n') + u".pdf");
  // Extension longer than the limit: at least one character of the name stays.
  const std::u16string longExt = u"." + std::u16string(300, u'e');
  EXPECT_EQ(TkxFiles::ConvertToFileName(longExt), u"_" + longExt.substr(0, 255));
}

TEST(FilesText, ShortPath) {
  const std::u16string path = u"C:\\one\\two\\six\\file.txt";
  EXPECT_EQ(TkxFiles::ShortPath(path, 16), u"C:\\...\\file.txt");
  EXPECT_EQ(TkxFiles::ShortPath(path, 10), u"...\\file.txt");
  EXPECT_EQ(TkxFiles::ShortPath(path, 40), path);
  EXPECT_EQ(TkxFiles::ShortPath(path, 22), u"C:\\one\\...\\file.txt");
  EXPECT_EQ(TkxFiles::ShortPath(u"/usr/local/share/doc/f", 15), u"/usr/.../f");
  EXPECT_EQ(TkxFiles::ShortPath(u"no-separator-at-all", 5), u".../no-separator-at-all");
}

TEST(FilesText, WellKnownFolders) {
  EXPECT_EQ(TkxFiles::GetTempPath(), ToUtf16(std::getenv("TMPDIR")) + u"/");
  EXPECT_EQ(TkxFiles::GetWinPath(true), u"/");
  EXPECT_EQ(TkxFiles::GetWinPath(false), u"/");
  EXPECT_EQ(TkxWin32::GetWindowsDirectory(), u"/");
  ::setenv("XDG_DATA_HOME", "/x/data/", 1);
  EXPECT_EQ(TkxFiles::GetSpecialFolder(28), u"/x/data");
  EXPECT_EQ(TkxFiles::GetSpecialFolder(28 | 0x8000), u"/x/data");  // never created
  EXPECT_EQ(TkxFiles::GetUserTempPath(), u"/x/data/Temp/");
  EXPECT_EQ(TkxFiles::GetSpecialFolder(36), u"/");
  EXPECT_EQ(TkxFiles::GetSpecialFolder(99), u"");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(TkxFiles::BuildPathStr(u" /out ", true, u"u", u"h"), u"/out/");
  EXPECT_EQ(TkxFiles::BuildPathStr(u"/out", false, u"u", u"h"), u"/out");
}

TEST_F(FilesTest, ExistenceAndCreatePath) {
  Touch("file");
  Touch(".hidden");
  fs::create_directory(dir_ + "/folder");
  EXPECT_TRUE(TkxFiles::FileExists(U("file")));
  EXPECT_TRUE(TkxFiles::FileExists(U("f*")));
  EXPECT_FALSE(TkxFiles::FileExists(U(".hidden")));
  EXPECT_FALSE(TkxFiles::FileExists(U("folder")));
  EXPECT_FALSE(TkxFiles::FileExists(u"C:\\file"));

  EXPECT_TRUE(TkxFiles::PathExists(U("folder/")));
  EXPECT_TRUE(TkxFiles::PathExists(U("nothing")));  // tests the folder part only
  EXPECT_FALSE(TkxFiles::PathExists(U("none/x")));
  EXPECT_FALSE(TkxFiles::PathExists(u"name-without-folder"));

  const UnicodeString target = U("a\\b/file.txt");
  EXPECT_FALSE(TkxFiles::PathExists(target));
  EXPECT_TRUE(TkxFiles::CreatePath(target, false));
  EXPECT_TRUE(fs::is_directory(dir_ + "/a/b"));
  EXPECT_FALSE(TkxFiles::CreatePath(target, false));  // the deepest level was there
  EXPECT_TRUE(TkxFiles::CreatePath(target, true));
  EXPECT_FALSE(TkxFiles::CreatePath(u"C:\\a\\b\\file.txt", false));
  EXPECT_FALSE(TkxFiles::CreatePath(u"C:\\a\\b\\file.txt", true));
  EXPECT_FALSE(TkxFiles::CreatePath(u"file.txt", false));

  EXPECT_EQ(TkxFiles::GetShortDOSPath(U(".hidden")), U(".hidden"));
  try {
    TkxFiles::GetShortDOSPath(U("none"));
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, u"unable to determine short path name from " + U("none"));
  }
}

TEST_F(FilesTest, GetFreeFileName) {
  auto free = [&](const std::string& name, uint32_t maxRetry, bool addId, bool zeros) {
    return TkxFiles::GetFreeFileName(U(name), maxRetry, u"-", addId, zeros);
  };
  EXPECT_EQ(free("doc.xml", 99999999, false, false), U("doc.xml"));
  Touch("doc.xml");
  EXPECT_EQ(free("doc.xml", 99999999, false, false), U("doc-2.xml"));
  Touch("doc-2.xml");
  EXPECT_EQ(free("doc.xml", 99999999, false, false), U("doc-3.xml"));
  EXPECT_EQ(free("doc.xml", 99999999, true, false), U("doc-1.xml"));
  EXPECT_EQ(free("doc.xml", 99999999, true, true), U("doc-000001.xml"));
  Touch("doc");
  EXPECT_EQ(free("doc", 99999999, false, false), U("doc-2"));
  fs::create_directory(dir_ + "/v1.0");
  Touch("v1.0/doc");
  EXPECT_EQ(free("v1.0/doc", 99999999, false, false), U("v1.0/doc-2"));  // no extension in a folder name
  Touch(".h.xml");  // a hidden file or a folder of the name is not "taken"
  fs::create_directory(dir_ + "/d.xml");
  EXPECT_EQ(free(".h.xml", 99999999, false, false), U(".h.xml"));
  EXPECT_EQ(free("d.xml", 99999999, false, false), U("d.xml"));
  EXPECT_EQ(free("doc.xml", 3, false, false), U("doc-3.xml"));  // the last candidate is tested

  // The limit reached: a time stamp read from the clock.
  kx::platform::SetClockForTesting([] { return EncodeDateTime(2024, 3, 5, 7, 8, 9, 45); });
  for (uint32_t maxRetry : {0u, 1u}) {
    EXPECT_EQ(free("doc.xml", maxRetry, false, false), U("doc-20240305070809045.xml"));
    EXPECT_EQ(free("free.xml", maxRetry, false, false), U("free.xml"));
  }
  EXPECT_EQ(free("doc.xml", 2, false, false), U("doc-20240305070809045.xml"));  // doc-2 taken
  kx::platform::SetClockForTesting(nullptr);
}

TEST_F(FilesTest, CreateUniqueFilename) {
  const UnicodeString name = TkxFiles::CreateUniqueFilename(ToUtf16(dir_), u"pdf");
  const UnicodeString prefix = ToUtf16(dir_) + u"/~";
  ASSERT_TRUE(name.starts_with(prefix)) << ToUtf8(name);
  ASSERT_EQ(name.size(), prefix.size() + 7 + 4);
  EXPECT_TRUE(name.ends_with(u".pdf"));
  EXPECT_FALSE(fs::exists(ToUtf8(name)));
  // The system's temporary name stays: "~" and 1 to 4 upper-case hex digits.
  std::string digits = ToUtf8(name.substr(prefix.size(), 7));
  while (digits.size() > 1 && digits.back() == '0' && !fs::exists(dir_ + "/~" + digits + ".tmp"))
    digits.pop_back();
  EXPECT_TRUE(fs::exists(dir_ + "/~" + digits + ".tmp")) << digits;
  EXPECT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  EXPECT_NE(TkxFiles::CreateUniqueFilename(ToUtf16(dir_ + "/"), u"pdf"), name);

  try {
    TkxFiles::CreateUniqueFilename(U("missing"), u"x");
    ADD_FAILURE();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message, u"No such file or directory");
  }
}

TEST_F(FilesTest, DetermineNewFilename) {
  TStrings files;
  files.Add(u"/in/a  b.pdf");
  files.Add(u"/in/c.tif");
  files.Add(u"/in/x.df");    // "pdf" must not select it
  files.Add(u"/in/noext");   // nor a name without extension
  auto name = [&](const std::u16string& valid, int32_t maxName, int32_t maxFinal) {
    return TkxFiles::DetermineNewFilename(U("dest.any"), files, valid, u"XML", maxName, maxFinal);
  };
  EXPECT_EQ(name(u"pdf", 50, 100), U("a b.xml"));
  EXPECT_EQ(name(u" .PDF, tif", 50, 100), U("a b, c.xml"));
  EXPECT_EQ(name(u"*", 1, 100), U("a..., c, x, n....xml"));
  EXPECT_EQ(name(u"doc", 50, 100), U("Document.xml"));
  Touch("a b.xml");
  EXPECT_EQ(name(u"pdf", 50, 100), U("a b-2.xml"));

  files.Clear();
  files.Add(u"ab.cd.pdf");
  EXPECT_EQ(name(u"pdf", 50, 3), U("ab....xml"));  // "ab." + "..." -> "ab...", then ".xml"
  EXPECT_EQ(files.Count(), 1);
}

}  // namespace
