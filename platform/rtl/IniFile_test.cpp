#include "platform/rtl/IniFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/rtl/Exceptions.h"

namespace {

std::string Utf16(std::u16string_view Text, bool BigEndian) {
  std::string bytes = BigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t c : Text) {
    const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    bytes.push_back(BigEndian ? hi : lo);
    bytes.push_back(BigEndian ? lo : hi);
  }
  return bytes;
}

TEST(TMemIniFile, SectionsKeysAndComments) {
  const TMemIniFile ini = TMemIniFile::FromBytes(
      "top=ignored\n"
      "[Main]\r\n"
      "  Name = a value  \r\n"
      "; comment=no\n"
      "novalue\n"
      "=noname\n"
      "url=x=y\r"
      "[ main ]\n"
      "name=second\n"
      "extra=3\n"
      "[other\n");
  struct Case {
    std::u16string section, key, want;
  } cases[] = {
      {u"MAIN", u"NAME", u"a value"},  // names without regard to case, values trimmed
      {u"main", u"name", u"a value"},  // the first key of a name wins
      {u"main", u"extra", u"3"},       // a repeated section is the same section
      {u"main", u"url", u"x=y"},       // the value runs after the first "="
      {u"main", u"; comment", u"-"},
      {u"main", u"novalue", u"-"},
      {u"main", u"", u"-"},
      {u"", u"top", u"-"},  // keys before the first section belong to none
  };
  for (const auto& c : cases)
    EXPECT_EQ(ini.ReadString(c.section, c.key, u"-"), c.want) << ToUtf8(c.section + u"/" + c.key);
  EXPECT_TRUE(ini.SectionExists(u"Main"));
  EXPECT_FALSE(ini.SectionExists(u"other"));  // "[other" without "]" is no section
  EXPECT_TRUE(ini.ValueExists(u"main", u"URL"));
  EXPECT_FALSE(ini.ValueExists(u"main", u"missing"));
}

TEST(TMemIniFile, Encodings) {
  const std::u16string text = u"[oledb]\r\nProvider=Straße\u20AC\r\n";
  const std::string utf8 = "[oledb]\r\nProvider=Stra\xC3\x9F" "e\xE2\x82\xAC\r\n";
  for (const std::string& bytes :
       {Utf16(text, false), Utf16(text, true), utf8, "\xEF\xBB\xBF" + utf8,
        Utf16(text, false) + "x" /* an odd last byte is dropped */}) {
    EXPECT_EQ(TMemIniFile::FromBytes(bytes).ReadString(u"OLEDB", u"provider", u""),
              u"Straße\u20AC");
  }
  // Bytes that are not UTF-8 survive.
  EXPECT_EQ(TMemIniFile::FromBytes("[s]\nk=a\xFF").ReadString(u"s", u"k", u""), u"a\xDCFF");
}

TEST(TMemIniFile, NumbersAndBooleans) {
  const TMemIniFile ini = TMemIniFile::FromBytes(
      "[n]\ndec=-42\nhex=0x1F\nall=0xFFFFFFFF\nbig=3000000000\nword=12abc\n"
      "dollar=$10\nx=x10\nyes=true\nzero=0\nspace=- 5\nempty=\n");
  struct Case {
    std::u16string key;
    int32_t int32;
    int64_t int64;
    bool boolean;
  } cases[] = {
      {u"dec", -42, -42, true},
      {u"hex", 31, 31, true},
      {u"all", -1, 0xFFFFFFFF, true},  // a hexadecimal text is a bit pattern
      {u"big", 7, 3000000000, true},   // out of the 32-bit range: Default
      {u"word", 7, 7, false},
      {u"dollar", 7, 7, false},  // only "0x" starts a hexadecimal number
      {u"x", 7, 7, false},
      {u"yes", 7, 7, false},  // a Boolean is a whole number, not a word
      {u"zero", 0, 0, false},
      {u"space", 7, 7, false},
      {u"empty", 7, 7, false},
      {u"missing", 7, 7, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ini.ReadInteger(u"n", c.key, 7), c.int32) << ToUtf8(c.key);
    EXPECT_EQ(ini.ReadInt64(u"n", c.key, 7), c.int64) << ToUtf8(c.key);
    EXPECT_EQ(ini.ReadBool(u"n", c.key, false), c.boolean) << ToUtf8(c.key);
  }
  EXPECT_TRUE(ini.ReadBool(u"n", u"yes", true));  // the default stays
}

TEST(TMemIniFile, Files) {
  const std::filesystem::path folder =
      std::filesystem::path(std::getenv("TMPDIR")) / "inifile_test";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "a.ini", std::ios::binary) << "[s]\nk=v\n";
  EXPECT_EQ(TMemIniFile(ToUtf16((folder / "a.ini").string())).ReadString(u"s", u"k", u""), u"v");
  // A missing file (or folder) reads as empty; one that exists but cannot be
  // read raises.
  EXPECT_FALSE(TMemIniFile(ToUtf16((folder / "none.ini").string())).SectionExists(u"s"));
  EXPECT_FALSE(TMemIniFile(ToUtf16((folder / "none" / "a.ini").string())).SectionExists(u"s"));
  EXPECT_FALSE(TMemIniFile(u"").SectionExists(u"s"));
  EXPECT_THROW(TMemIniFile{ToUtf16(folder.string())}, EFOpenError);
}

}  // namespace
