#include "platform/registry/Hive.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace kx::platform::registry {
namespace {

using namespace std::string_literals;

std::string Fixture(const std::string& name) {
  const char* src = std::getenv("KX_SOURCE_DIR");
  std::ifstream in(std::string(src ? src : ".") + "/testdata/registry/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Sz(std::u16string_view text) {
  std::string out;
  for (char16_t u : text) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out + "\0\0"s;
}

Hive Read(std::string_view bytes) {
  Hive h;
  h.Root = HKEY_LOCAL_MACHINE;
  ReadHive(bytes, h);
  return h;
}

const HiveValue* Find(Hive& h, const UnicodeString& key, const UnicodeString& name) {
  std::vector<UnicodeString> segments;
  if (!SplitKeyPath(key, segments)) return nullptr;
  HiveKey* k = FindKey(h.Top, segments);
  return k ? k->FindValue(name) : nullptr;
}

struct Expected {
  std::u16string key, name;
  uint32_t type;
  std::string data;
};

void ExpectValues(Hive& h, const std::vector<Expected>& rows, const char* what) {
  for (const auto& r : rows) {
    const HiveValue* v = Find(h, r.key, r.name);
    ASSERT_NE(v, nullptr) << what << ": " << ToUtf8(r.key) << " / " << ToUtf8(r.name);
    EXPECT_EQ(v->Type, r.type) << what << ": " << ToUtf8(r.name);
    EXPECT_EQ(v->Data, r.data) << what << ": " << ToUtf8(r.name);
  }
}

// A file exported by the platform's registry editor: UTF-16LE with its
// byte-order mark, CR LF, a hex list continued over two lines.
TEST(ReadHive, ExportedUtf16FileReadsEveryTypeByteForByte) {
  Hive h = Read(Fixture("exported_utf16.reg"));
  EXPECT_FALSE(h.Damaged);
  std::string blob;
  for (int i = 0; i < 32; ++i) blob.push_back(static_cast<char>(i));
  blob += "\x80\xFF";
  const std::u16string sys = u"SOFTWARE\\vanto\\System";
  ExpectValues(h,
               {
                   {sys, u"", REG_SZ, Sz(u"default text")},
                   {sys, u"InstallRoot", REG_SZ, Sz(u"C:\\Program Files\\vanto\\")},
                   {sys, u"Quoted", REG_SZ, Sz(u"say \"hi\"")},
                   {sys, u"Umlaut", REG_SZ, Sz(u"Stra\u00DFe \u20AC \U0001F600")},
                   {sys, u"Port", REG_DWORD, "\x51\0\0\0"s},
                   {sys, u"Expand", REG_EXPAND_SZ, Sz(u"%TEMP%")},
                   {sys, u"Multi", REG_MULTI_SZ, "a\0\0\0b\0\0\0\0\0"s},
                   {sys, u"Big", REG_QWORD, "\0\x10\0\0\0\0\0\0"s},
                   {sys, u"Blob", REG_BINARY, blob},
                   {sys, u"Empty", REG_BINARY, ""},
                   {sys + u"\\ContentTypes", u"application/pdf", REG_SZ, Sz(u".pdf")},
               },
               "exported");
  std::vector<UnicodeString> segments;
  ASSERT_TRUE(SplitKeyPath(u"SOFTWARE\\vanto", segments));
  EXPECT_TRUE(FindKey(h.Top, segments)->Values.empty());  // an empty key is a key
}

// Written by hand: comments before the header, short and differently cased
// root and key names, blanks around "=", upper-case digits, an indented
// continuation, a type the store does not know.
TEST(ReadHive, HandEditedUtf8FileIsReadLeniently) {
  Hive h = Read(Fixture("hand_edited.reg"));
  EXPECT_FALSE(h.Damaged);
  ExpectValues(h,
               {
                   {u"software\\vanto\\system", u"port", REG_DWORD, "\xCD\xAB\0\0"s},
                   {u"SOFTWARE\\vanto\\System", u"Blob", REG_BINARY, "\xDE\xAD\xBE\xEF"},
                   {u"SOFTWARE\\vanto\\System", u"Odd", 0x12345678, "\x01"},
                   {u"SOFTWARE\\vanto\\System", u"NoZero", REG_SZ, "A\0"s},
               },
               "hand edited");
  // The second section names the same keys in other case: one key, first spelling.
  ASSERT_EQ(h.Top.SubKeys.size(), 1u);
  EXPECT_EQ(h.Top.SubKeys.begin()->second->Name, u"SOFTWARE");
  std::vector<UnicodeString> segments;
  ASSERT_TRUE(SplitKeyPath(u"SOFTWARE\\vanto\\System\\sub/type", segments));
  EXPECT_NE(FindKey(h.Top, segments), nullptr);  // "/" is part of the name
}

TEST(WriteHive, WritesTheExportFormat) {
  Hive h;
  h.Root = HKEY_LOCAL_MACHINE;
  std::vector<UnicodeString> segments;
  ASSERT_TRUE(SplitKeyPath(u"SOFTWARE\\vanto", segments));
  HiveKey& vanto = CreateKeyPath(h.Top, segments);
  vanto.Values.push_back({u"", REG_SZ, Sz(u"d")});
  vanto.Values.push_back({u"Path", REG_SZ, Sz(u"C:\\x \"y\"")});
  vanto.Values.push_back({u"N", REG_DWORD, "\x2A\0\0\0"s});
  vanto.Values.push_back({u"Q", REG_QWORD, "\x01\0\0\0\0\0\0\0"s});
  vanto.Values.push_back({u"Tab", REG_SZ, Sz(u"a\tb")});  // a control character
  ASSERT_TRUE(SplitKeyPath(u"SOFTWARE\\vanto\\b", segments));
  CreateKeyPath(h.Top, segments);
  ASSERT_TRUE(SplitKeyPath(u"SOFTWARE\\vanto\\A", segments));
  CreateKeyPath(h.Top, segments).Values.push_back({u"Bin", REG_BINARY, std::string(30, '\xAB')});

  EXPECT_EQ(WriteHive(h),
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\vanto]\n"
            "@=\"d\"\n"
            "\"Path\"=\"C:\\\\x \\\"y\\\"\"\n"
            "\"N\"=dword:0000002a\n"
            "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n"
            "\"Tab\"=hex(1):61,00,09,00,62,00,00,00\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\vanto\\A]\n"
            "\"Bin\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\n"
            "  ab,ab,ab,ab,ab,ab,ab\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\vanto\\b]\n"
            "\n");
}

// Whatever bytes a value holds, the written hive reads back to the same
// bytes; the plain "text" form is used only where that holds.
TEST(WriteHive, EveryValueReadsBackByteForByte) {
  struct Row {
    uint32_t type;
    std::string data;
    bool plain;  // written as "text"
  };
  const Row rows[] = {
      {REG_SZ, Sz(u"plain \\ \" text \u00E9\U0001F600"), true},
      {REG_SZ, Sz(u""), true},
      {REG_SZ, Sz(u"line\r\nbreak"), false},  // control characters
      {REG_SZ, Sz(u"a\0b"s), false},          // an embedded zero
      {REG_SZ, Sz(u"lone \xD800 high"), false},
      {REG_SZ, Sz(u"raw \xDCFF byte"), false},
      {REG_SZ, "a\0b\0"s, false},  // no terminating zero
      {REG_SZ, "a\0b"s, false},    // odd size
      {REG_SZ, "", false},
      {REG_SZ, Sz(u"\u0085"), false},  // a C1 control character
      {REG_EXPAND_SZ, Sz(u"%PATH%"), false},
      {REG_DWORD, "\x01\x02"s, false},  // not four bytes: hex(4)
      {REG_DWORD, "\xFF\xFF\xFF\xFF"s, false},
      {REG_BINARY, std::string(1000, '\x5A'), false},
      {REG_MULTI_SZ, "\0\0"s, false},
      {REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x08"s, false},
      {0, "", false},
      {0xFFFFFFFF, "x", false},
  };
  Hive h;
  h.Root = HKEY_CURRENT_USER;
  HiveKey& key = CreateKeyPath(h.Top, {u"k"});
  for (size_t i = 0; i < std::size(rows); ++i)
    key.Values.push_back({u"v" + ToUtf16(std::to_string(i)), rows[i].type, rows[i].data});
  const std::string written = WriteHive(h);

  Hive again;
  again.Root = HKEY_CURRENT_USER;
  ReadHive(written, again);
  EXPECT_FALSE(again.Damaged);
  EXPECT_EQ(WriteHive(again), written);
  for (size_t i = 0; i < std::size(rows); ++i) {
    const UnicodeString name = u"v" + ToUtf16(std::to_string(i));
    const HiveValue* v = Find(again, u"k", name);
    ASSERT_NE(v, nullptr) << i;
    EXPECT_EQ(v->Type, rows[i].type) << i;
    EXPECT_EQ(v->Data, rows[i].data) << i;
    const bool plain = written.find("\"" + ToUtf8(name) + "\"=\"") != std::string::npos;
    EXPECT_EQ(plain, rows[i].plain) << i;
  }
}

// A line that does not parse is skipped; the rest is read; the hive is marked.
TEST(ReadHive, LinesThatDoNotParseMarkTheHive) {
  const std::string header =
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\k]\n\"Good\"=\"1\"\n";
  const std::string bad[] = {
      "\"x\"=qword:1\n",
      "\"x\"=\"unterminated\n",
      "\"x\"=\"a\"b\"\n",
      "\"x\"=\"bad \\n escape\"\n",
      "\"x\"=hex:1g\n",
      "\"x\"=hex:123\n",
      "\"x\"=hex:01,,02\n",
      "\"x\"=hex(:01\n",
      "\"x\"=hex(123456789):01\n",
      "\"x\"=dword:123456789\n",
      "\"x\"=dword:\n",
      "\"x\"=-\n",  // an import directive, not a value
      "\"x\"\n",
      "\"x\"=hex:01,\\\n",  // continued past the end of the file
      "[-HKEY_LOCAL_MACHINE\\k]\n",
      "[HKEY_CURRENT_USER\\k]\n",  // another root
      "[HKEY_LOCAL_MACHINEX\\k]\n",
      "[HKEY_LOCAL_MACHINE\\a\\\\b]\n",  // an empty segment
      "[HKEY_LOCAL_MACHINE\\k\n",
      "\"tab\there\"=\"x\"\n",  // a name the store refuses
      "garbage\n",
  };
  for (const std::string& line : bad) {
    Hive h = Read(header + line + "[HKEY_LOCAL_MACHINE\\k]\n\"After\"=\"2\"\n");
    EXPECT_TRUE(h.Damaged) << line;
    EXPECT_NE(Find(h, u"k", u"Good"), nullptr) << line;
    EXPECT_NE(Find(h, u"k", u"After"), nullptr) << line;
    EXPECT_EQ(Find(h, u"k", u"x"), nullptr) << line;
  }
  // Values under a section that does not parse belong to no key.
  Hive h = Read(header + "[HKEY_CURRENT_USER\\k]\n\"Stray\"=\"3\"\n");
  EXPECT_EQ(Find(h, u"k", u"Stray"), nullptr);
  // Without the header line everything is read, but the hive is marked.
  h = Read("[HKEY_LOCAL_MACHINE\\k]\n\"Good\"=\"1\"\n");
  EXPECT_TRUE(h.Damaged);
  EXPECT_NE(Find(h, u"k", u"Good"), nullptr);
  // An empty file is an empty, sound hive.
  EXPECT_FALSE(Read("").Damaged);
  EXPECT_FALSE(Read("\xFF\xFE").Damaged);
}

TEST(SplitKeyPath, SplitsAtBackslashOnly) {
  struct Row {
    std::u16string path;
    bool ok;
    std::vector<UnicodeString> segments;
  };
  const Row rows[] = {
      {u"", true, {}},
      {u"\\", true, {}},
      {u"SOFTWARE\\vanto", true, {u"SOFTWARE", u"vanto"}},
      {u"\\SOFTWARE\\vanto\\", true, {u"SOFTWARE", u"vanto"}},  // one of each end dropped
      {u"Types\\text/plain", true, {u"Types", u"text/plain"}},
      {u"\\\\a", false, {}},
      {u"a\\\\", false, {}},
      {u"a\\\\b", false, {}},
      {u"a\nb", false, {}},
      {u"a\xDC80", false, {}},
  };
  for (const auto& r : rows) {
    std::vector<UnicodeString> segments;
    EXPECT_EQ(SplitKeyPath(r.path, segments), r.ok) << ToUtf8(r.path);
    if (r.ok) {
      EXPECT_EQ(segments, r.segments) << ToUtf8(r.path);
    }
  }
  std::u16string deep;
  for (size_t i = 0; i < kMaxKeyDepth; ++i) deep += u"k\\";
  std::vector<UnicodeString> segments;
  EXPECT_TRUE(SplitKeyPath(deep, segments));
  EXPECT_FALSE(SplitKeyPath(deep + u"k", segments));
}

}  // namespace
}  // namespace kx::platform::registry
