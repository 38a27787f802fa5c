#include "system/kxFiles_Mime.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/registry/Registry.h"
#include "platform/rtl/Variant.h"
#include "system/kxConstants_Mime.h"
#include "system/kxRegistry.h"

namespace {

constexpr char16_t kContentTypes[] = u"SOFTWARE\\vanto\\System\\ContentTypes";

class MimeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    TkxRegistry::DeleteKey(HKEY_CLASSES_ROOT, u".foo");
    TkxRegistry::DeleteKey(HKEY_CLASSES_ROOT, u".empty");
    TkxRegistry::DeleteKey(HKEY_LOCAL_MACHINE, kContentTypes);
  }
  static void Set(HKEY root, const UnicodeString& key, const UnicodeString& name,
                  const UnicodeString& value) {
    ASSERT_TRUE(TkxRegistry::SetValue(root, key, name, Variant::FromUString(value), false));
  }
};

TEST_F(MimeTest, GetMIMETypeFromTheTable) {
  struct Case { std::u16string name, want; };
  const Case cases[] = {
      {u"report.PDF", u"application/pdf"},
      {u"scan.tif", u"image/tiff"},
      {u"scan.tiff", u"image/tiff"},
      {u"mail.msg", u"application/vnd.ms-outlook"},  // the earlier of two msg rows
      {u"data.cdf", u"application/x-cdf"},
      {u"archive.zip", u"application/zip"},
      {u"README", u"application/octet-stream"},      // the empty extension is row 1
      {u".pdf", u"application/pdf"},                 // a name that is only an extension
      {u"pdf", u"application/octet-stream"},
      {u"/in/dir.pdf/readme", u"application/octet-stream"},  // a folder's dot is no extension
      {u"C:\\in\\Doc.DocX", u"application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
      {u"file.*", u"application/octet-stream"},      // "*" is an extension, not a wildcard
      {u"a.tar.gz", u"application/x-gzip"},
      {u"key.pko", u"application/ynd.ms-pkipko"},
      {u"world.xof", u"x-world/x-vrml"},
  };
  for (const auto& c : cases) EXPECT_EQ(TkxFiles::GetMIMEType(c.name, u"default"), c.want) << ToUtf8(c.name);
}

TEST_F(MimeTest, GetMIMETypeFallsBackToTheClassesRoot) {
  Set(HKEY_CLASSES_ROOT, u".foo", u"Content Type", u"application/x-foo");
  Set(HKEY_CLASSES_ROOT, u".empty", u"Content Type", u"");
  EXPECT_EQ(TkxFiles::GetMIMEType(u"/in/a.FOO", u"default"), u"application/x-foo");
  EXPECT_EQ(TkxFiles::GetMIMEType(u"a.empty", u"default"), u"default");
  EXPECT_EQ(TkxFiles::GetMIMEType(u"a.unknown", u"default"), u"default");
  EXPECT_EQ(TkxFiles::GetMIMEType(u"a.unknown", u""), u"");
  // A lookup creates nothing.
  EXPECT_FALSE(TkxRegistry::KeyExists(HKEY_CLASSES_ROOT, u".unknown"));
}

TEST_F(MimeTest, GetExtensionFromMimeType) {
  struct Case { std::u16string mime, want; };
  const Case cases[] = {
      {u"IMAGE/JPEG", u"jpg"},                       // first of jpg, jpe, jpeg
      {u"text/plain", u"txt"},
      {u"application/x-zip-compressed", u"zip"},
      {u"application/x-netcdf", u"cdf"},
      {u"application/zip", u"zip"},
      {u"application/octet-stream", u""},            // row 1: the empty extension
      {u"application/x-unknown", u""},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(TkxFiles::GetExtensionFromMimeType(c.mime), c.want) << ToUtf8(c.mime);
  EXPECT_FALSE(TkxRegistry::KeyExists(HKEY_LOCAL_MACHINE, kContentTypes));
}

TEST_F(MimeTest, GetExtensionFromMimeTypeFallsBackToLocalMachine) {
  // Values are answered as they stand, with or without a dot; the name is
  // the lower-cased MIME type.
  Set(HKEY_LOCAL_MACHINE, kContentTypes, u"application/octet-stream", u".bin");
  Set(HKEY_LOCAL_MACHINE, kContentTypes, u"application/x-foo", u"foo");
  Set(HKEY_LOCAL_MACHINE, kContentTypes, u"text/plain", u".text");
  EXPECT_EQ(TkxFiles::GetExtensionFromMimeType(u"application/octet-stream"), u".bin");
  EXPECT_EQ(TkxFiles::GetExtensionFromMimeType(u"Application/X-Foo"), u"foo");
  EXPECT_EQ(TkxFiles::GetExtensionFromMimeType(u"text/plain"), u"txt");  // the table comes first
}

TEST(MimeTable, RowsAreLowerCaseWithoutDots) {
  // Both lookups compare lower-cased input with the rows as they stand.
  for (const auto& row : kxConstants::MimeTable) {
    for (std::string_view text : {row.Extension, row.MimeType})
      for (char ch : text) EXPECT_FALSE(ch >= 'A' && ch <= 'Z') << text;
    EXPECT_EQ(row.Extension.find('.'), std::string_view::npos) << row.Extension;
    EXPECT_NE(row.MimeType.find('/'), std::string_view::npos) << row.MimeType;
  }
  // Exactly the three duplicates the lookups resolve by order.
  std::set<std::string_view> seen, twice;
  for (const auto& row : kxConstants::MimeTable)
    if (!seen.insert(row.Extension).second) twice.insert(row.Extension);
  EXPECT_EQ(twice, (std::set<std::string_view>{"cdf", "msg", "zip"}));
}

}  // namespace
