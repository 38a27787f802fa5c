#include "platform/file/Path.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/file/Mask.h"
#include "platform/os/LastError.h"

namespace {

using namespace kx::platform;

TEST(Path, TakingApart) {
  struct Case { std::u16string path, folder, name, ext; };
  const Case cases[] = {
      {u"C:\\a\\b.txt", u"C:\\a\\", u"b.txt", u".txt"},
      {u"/home/u/archive.tar.gz", u"/home/u/", u"archive.tar.gz", u".gz"},
      {u"C:b.txt", u"C:", u"b.txt", u".txt"},          // the drive prefix is folder
      {u"/x/a:b", u"/x/", u"a:b", u""},                // any other ":" is a name
      {u"/x.d/readme", u"/x.d/", u"readme", u""},      // a dot in a folder is no extension
      {u"mixed/dir\\f.c", u"mixed/dir\\", u"f.c", u".c"},
      {u"/home/u/.profile", u"/home/u/", u".profile", u".profile"},
      {u"name", u"", u"name", u""},
      {u"/", u"/", u"", u""},
      {u"", u"", u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.path), c.folder) << ToUtf8(c.path);
    EXPECT_EQ(ExtractFileName(c.path), c.name) << ToUtf8(c.path);
    EXPECT_EQ(ExtractFileExt(c.path), c.ext) << ToUtf8(c.path);
  }
}

TEST(Path, ChangeFileExt) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"c:\\out\\doc_%docid.txt", u"c:\\out\\doc_%docid.xml"},
      {u"c:\\out\\doc", u"c:\\out\\doc.xml"},
      {u"c:\\out.d\\doc", u"c:\\out.d\\doc.xml"},  // a dot in a folder is no extension
      {u"/out.d/a.b.c", u"/out.d/a.b.xml"},                 // the last dot only
      {u"/out/doc.", u"/out/doc.xml"},
      {u"", u".xml"},
  };
  for (const auto& [path, want] : cases) EXPECT_EQ(ChangeFileExt(path, u".xml"), want) << ToUtf8(path);
}

TEST(Path, StyleAndSystemNames) {
  EXPECT_EQ(PathDelimiterFor(u"C:\\out"), u'\\');
  EXPECT_EQ(PathDelimiterFor(u"/out\\x"), u'/');
  EXPECT_EQ(PathDelimiterFor(u"out"), u'/');
  const std::pair<const char16_t*, const char16_t*> closed[] = {
      {u"C:\\out", u"C:\\out\\"}, {u"/out\\x", u"/out\\x/"}, {u"out", u"out/"},
      {u"/out/", u"/out/"},         {u"C:\\", u"C:\\"},
      {u"", u""},  // an empty path stays empty
  };
  for (const auto& [path, want] : closed) EXPECT_EQ(IncludeTrailingDelimiter(path), want) << ToUtf8(path);

  std::string name;
  ASSERT_TRUE(ToSystemPath(u"/tmp\\sub/f\u00E4.txt", name));
  EXPECT_EQ(name, "/tmp/sub/f\xC3\xA4.txt");
  ASSERT_TRUE(ToSystemPath(u"raw\xDCFF", name));  // a raw byte goes back as that byte
  EXPECT_EQ(name, "raw\xFF");
  // A lone surrogate has no bytes: "q?.pdf" would be another file.
  for (const char16_t* nothing : {u"", u"C:\\x", u"c:", u"\\\\server\\share\\f", u"/in/q\xD800.pdf"}) {
    SetLastOSError(0);
    EXPECT_FALSE(ToSystemPath(nothing, name)) << ToUtf8(nothing);
    EXPECT_EQ(LastOSError(), ENOENT);
  }
}

TEST(Mask, Matching) {
  struct Case { std::u16string name, mask; bool match; };
  const Case cases[] = {
      {u"Report.PDF", u"*.pdf", true},
      {u"readme", u"*.*", true},            // "*.*" matches names without a dot too
      {u"a.b.c", u"*.c", true},
      {u"abc", u"a?c", true},
      {u"ac", u"a?c", false},
      {u"\u00E4x", u"\u00C4?", true},       // case is ignored beyond ASCII
      {u"a\U0001F600b", u"a?b", true},      // "?" is one code point
      {u"aaab", u"*a*b", true},             // needs backtracking
      {u"abcabd", u"*abd", true},
      {u"abcab", u"*abd", false},
      {u"", u"*", true},
      {u"", u"?", false},
      {u"x", u"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << ToUtf8(c.name) << " ~ " << ToUtf8(c.mask);
  EXPECT_TRUE(HasWildcards(u"a*"));
  EXPECT_FALSE(HasWildcards(u"a[b]"));
}

}  // namespace
