#include "system/kxVersionTools.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/versioninfo/TestImages.h"
#include "platform/versioninfo/VersionBlock.h"
#include "platform/versioninfo/VersionResource.h"

namespace {

namespace vi = kx::platform::versioninfo;
namespace images = kx::platform::versioninfo::testing;
using namespace TkxVersionTools;

TEST(VersionNumbers, GetVersionFromStrReadsFourParts) {
  struct Case {
    std::u16string text;
    TkxVersion want;
  };
  const Case cases[] = {
      {u"5.4", {5, 4, 0, 0}},
      {u"5.x.1", {5, 0, 1, 0}},  // a part that is no number is 0
      {u"", {0, 0, 0, 0}},
      {u"1.2.3.4.5", {1, 2, 3, 4}},
      {u"1..3", {1, 0, 3, 0}},
      {u" 7.$1F.0x10.+3", {7, 31, 16, 3}},  // the integer reader's blanks and prefixes
      {u"1.-1", {1, 0xFFFFFFFF, 0, 0}},      // a negative number keeps its low 32 bits
      {u"4294967297.2", {1, 2, 0, 0}},
      {u"1.2 .3", {1, 0, 3, 0}},  // a trailing blank is no number
  };
  for (const Case& c : cases) EXPECT_EQ(GetVersionFromStr(c.text), c.want) << ToUtf8(c.text);
  EXPECT_EQ(GetVersionStr({1, 20, 300, 4000000000}), u"1.20.300.4000000000");
  EXPECT_EQ(InitVersion(), (TkxVersion{0, 0, 0, 0}));
}

TEST(VersionNumbers, Validity) {
  struct Case {
    std::u16string text;
    bool validString;  // IsValidVersionString
    bool validVersion;  // IsValidVersion of the text
  };
  const Case cases[] = {
      {u"1.2.3.4.5", true, true},
      {u"1.2.a", false, true},  // invalid as a text, yet it reads as 1.2.0.0
      {u"", true, false},       // no version
      {u"1.-2", false, true},
      {u"1..3", true, true},
      {u"0.0.0.0", true, false},
      {u"99999.99999.99999.99999", true, false},
      {u"99999.99999.99999.99998", true, true},
      {u"1.2.3.4.x", true, true},  // a fifth part is not looked at
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidVersionString(c.text), c.validString) << ToUtf8(c.text);
    EXPECT_EQ(IsValidVersion(c.text), c.validVersion) << ToUtf8(c.text);
  }
  EXPECT_FALSE(IsValidVersion(TkxVersion{99999, 99999, 99999, 99999}));
  EXPECT_TRUE(IsValidVersion(TkxVersion{0, 0, 0, 1}));
}

TEST(VersionNumbers, CompareVersions) {
  struct Case {
    std::u16string test, reference;
    TkxVersionComparison want;
  };
  const Case cases[] = {
      {u"1.10.0.0", u"1.9.0.0", kxVC_Newer},
      {u"1.9", u"1.10", kxVC_Older},
      {u"1.0.0.0", u"0.0.0.0", kxVC_Unknown},
      {u"", u"1.0", kxVC_Unknown},
      {u"2.5.0.17", u"2.5.0.17", kxVC_Identical},
      {u"2.5", u"2.5.0.0", kxVC_Identical},
      {u"4000000000", u"5", kxVC_Newer},  // unsigned parts
      {u"1.0.0.2", u"1.0.0.10", kxVC_Older},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareVersions(c.test, c.reference), c.want)
        << ToUtf8(c.test) << " / " << ToUtf8(c.reference);
    EXPECT_EQ(CompareVersions(GetVersionFromStr(c.test), GetVersionFromStr(c.reference)), c.want);
  }
}

// ---- Files ------------------------------------------------------------------------

class VersionFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pe64_ = images::MakeWindresImage("tools64", images::kVersionScript, true);
    pe32_ = images::MakeWindresImage("tools32", images::kVersionScript, false);
  }
  void SetUp() override {
    if (pe64_.empty() || pe32_.empty())
      GTEST_SKIP() << "MinGW windres and ld are needed (scripts/setup installs them)";
  }
  static std::string Copy(const std::string& From) {
    const std::string to = images::TempFolder() + "/changed.dll";
    EXPECT_TRUE(images::WriteFile(to, images::ReadFile(From)));
    return to;
  }
  static std::string pe64_, pe32_;
};
std::string VersionFiles::pe64_;
std::string VersionFiles::pe32_;

TEST_F(VersionFiles, InternalFileVersionComesFromTheFixedRecord) {
  for (const std::string& file : {pe64_, pe32_}) {
    EXPECT_EQ(GetInternalFileVersionStr(ToUtf16(file)), "2.5.0.17");
    EXPECT_EQ(GetBuild(ToUtf16(file)), 17);
    uint16_t major, minor, revision, build;
    EXPECT_TRUE(GetInternalFileVersion(ToUtf16(file), major, minor, revision, build));
    EXPECT_EQ(major * 1000 + minor * 100 + revision * 10 + build, 2517);
  }
  const std::string text = images::TempFolder() + "/text.txt";
  ASSERT_TRUE(images::WriteFile(text, "no version here"));
  for (const std::string& file : {text, images::TempFolder() + "/missing.dll"}) {
    EXPECT_EQ(GetInternalFileVersionStr(ToUtf16(file)), "Unknown");
    EXPECT_EQ(GetBuild(ToUtf16(file)), 0);
    uint16_t major = 9, minor = 9, revision = 9, build = 9;
    EXPECT_FALSE(GetInternalFileVersion(ToUtf16(file), major, minor, revision, build));
    EXPECT_EQ(major + minor + revision + build, 0);
  }
}

TEST_F(VersionFiles, ChangeFileVersionInformationWritesEveryTranslationInPlace) {
  struct Case {
    std::u16string attribute, value;
    std::string german, english;  // the texts afterwards, as pefile reads them
  };
  const Case cases[] = {
      // cut to each entry's own space, its terminating zero kept
      {u"CompanyName", u"A company name far longer than before", "A company nam", "A company n"},
      {u"CompanyName", u"X", "X", "X"},
      {u"Comment", u"New", "New", "New"},
      {u"NoSuchEntry", u"New", "Beispiel GmbH", "Example Ltd"},  // never added
  };
  for (const std::string& fixture : {pe64_, pe32_}) {
    for (const Case& c : cases) {
      const std::string file = Copy(fixture);
      ASSERT_TRUE(ChangeFileVersionInformation(ToUtf16(file), c.attribute, c.value));
      const auto dump = images::PefileDump(file);
      ASSERT_FALSE(dump.empty());
      const std::string key = c.attribute == u"Comment" ? "Comment" : "CompanyName";
      EXPECT_EQ(dump.at("string 040704B0 " + key), c.german) << ToUtf8(c.value);
      EXPECT_EQ(dump.at("string 040904B0 " + key), c.english) << ToUtf8(c.value);
      EXPECT_EQ(dump.at("fixed"), "00010001 00010001 00030001 00040001");  // file 1.1.1.1
      EXPECT_EQ(dump.at("checksum"), "ok");
      EXPECT_EQ(dump.at("string 040904B0 FileDescription"), "A tool");
      // The resource was rewritten where it is (German), not added again.
      EXPECT_EQ(images::ReadFile(file).size(), images::ReadFile(fixture).size());
    }
  }
}

TEST_F(VersionFiles, ChangeFileVersionInformationWithARecord) {
  const std::string file = Copy(pe64_);
  TkxFileInfo info;
  info.CompanyName = u"Co";
  info.FileVersion = u"9.9";
  info.Comment = u"C";
  info.LegalTrademarks = u"TM";  // no table has it: not added
  ASSERT_TRUE(ChangeFileVersionInformation(ToUtf16(file), info));
  const auto dump = images::PefileDump(file);
  EXPECT_EQ(dump.at("string 040704B0 CompanyName"), "Co");
  EXPECT_EQ(dump.at("string 040904B0 CompanyName"), "Co");
  EXPECT_EQ(dump.at("string 040904B0 FileVersion"), "9.9");
  EXPECT_EQ(dump.at("string 040704B0 Comment"), "C");
  EXPECT_EQ(dump.at("string 040904B0 FileDescription"), "");  // an empty field empties it
  EXPECT_EQ(dump.count("string 040904B0 LegalTrademarks"), 0u);
  EXPECT_EQ(dump.at("checksum"), "ok");
}

TEST_F(VersionFiles, ChangeInternalFileVersionSetsFileAndProductVersion) {
  for (const std::string& fixture : {pe64_, pe32_}) {
    const std::string file = Copy(fixture);
    ASSERT_TRUE(ChangeInternalFileVersion(ToUtf16(file), 4, 3, 2, 65535));
    const auto dump = images::PefileDump(file);
    EXPECT_EQ(dump.at("fixed"), "00040003 0002FFFF 00040003 0002FFFF");
    EXPECT_EQ(dump.at("string 040904B0 FileVersion"), "2.5.0.17");  // texts stay
    EXPECT_EQ(dump.at("checksum"), "ok");
    EXPECT_EQ(GetInternalFileVersionStr(ToUtf16(file)), "4.3.2.65535");
  }
}

TEST(VersionFileWriters, FilesThatCannotBeChanged) {
  const std::string text = images::TempFolder() + "/plain.txt";
  ASSERT_TRUE(images::WriteFile(text, "no version here"));
  for (const std::string& file : {text, images::TempFolder() + "/missing.dll"}) {
    EXPECT_FALSE(ChangeFileVersionInformation(ToUtf16(file), u"CompanyName", u"x"));
    EXPECT_FALSE(ChangeFileVersionInformation(ToUtf16(file), TkxFileInfo{}));
    EXPECT_FALSE(ChangeInternalFileVersion(ToUtf16(file), 1, 2, 3, 4));
  }
  EXPECT_EQ(images::ReadFile(text), "no version here");
}

// Some tools record a text's length in bytes. The fill must stay inside the
// entry, or it runs over the entries after it.
TEST(VersionFileWriters, ValueLengthInBytesDoesNotSpillIntoTheNextEntry) {
  vi::VersionBlockContent c;
  c.Tables.push_back({u"040904B0", {{u"CompanyName", u"Example"}, {u"ProductName", u"Product"}}});
  c.Translations = {{0x0409, 0x04B0}};
  std::string block = vi::BuildVersionBlock(c);
  const auto parsed = vi::ParseVersionBlock(block);
  ASSERT_TRUE(parsed);
  const vi::StringEntry* company = vi::FindEntry(parsed->Tables[0], u"CompanyName");
  images::Put16(block, company->NodeOffset + 2, 16);  // 8 units written as 16 bytes

  for (const bool elf : {false, true}) {
    const std::string file = images::TempFolder() + (elf ? "/bytes.so" : "/bytes.dll");
    ASSERT_TRUE(images::WriteFile(file, elf ? images::MakeElfImage({.Block = block})
                                            : images::MakePeImage({.Block = block})));
    ASSERT_TRUE(ChangeFileVersionInformation(ToUtf16(file), u"CompanyName",
                                             u"A much longer company name"));
    const auto after = vi::ParseVersionBlock(vi::ReadVersionBlock(ToUtf16(file)).value_or(""));
    ASSERT_TRUE(after);
    EXPECT_EQ(vi::FindEntry(after->Tables[0], u"CompanyName")->Text, u"A much ");
    const vi::StringEntry* product = vi::FindEntry(after->Tables[0], u"ProductName");
    ASSERT_NE(product, nullptr);
    EXPECT_EQ(product->Text, u"Product");
  }
}

}  // namespace
