#include "environment/kxNet_Url.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "system/kxToolsEvo2_Identity.h"
#include "tests/support/Process.h"

namespace {

using namespace TkxNet;

std::string ErrorOf(const std::function<void()>& Call) {
  try {
    Call();
  } catch (const Exception& e) {
    return ToUtf8(e.Message);
  }
  return "no exception";
}

const auto kBadEncoding = static_cast<TkxEncoding>(7);

TEST(BuildUrl, JoinsRootUriAndQuery) {
  struct Case {
    AnsiString got, want;
  };
  const Case cases[] = {
      {BuildUrl(u"http://h/q", u"kxdocupload", {}, kxENC_None), "http://h/q/kxdocupload"},
      // the URI is taken as it is: "//" after a root with "/"
      {BuildUrl(u"http://h/", u"/x", {}, kxENC_None), "http://h//x"},
      // an empty root adds nothing, not even "/"
      {BuildUrl(u"", u"x", {u"a=1"}, kxENC_Base64), "x?encoding=base64&a=MQ%3D%3D"},
      {BuildUrl(u"http://h/", u"/x"), "http://h/x"},
      {BuildUrl(u"http://h", u"x"), "http://h/x"},
      {BuildUrl(false, u"h", 8080, u"a", {}, kxENC_None), "http://h:8080/a"},
      {BuildUrl(true, u"h", 0, u"/a", {}, kxENC_None), "https://h/a"},
      {BuildUrl(false, u"h", -1, u"a", {u"k=v"}, kxENC_Base64), "http://h/a?encoding=base64&k=dg%3D%3D"},
      // an empty URI gives the base alone, whatever the encoding
      {BuildUrl(false, u"h", 8080, u"", {u"k=v"}, kBadEncoding), "http://h:8080"},
      {BuildUrl(true, u"h", 0, AnsiString()), "https://h/"},
      {BuildUrl(false, u"h", 1, AnsiString("/a")), "http://h:1//a"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(BuildUrl, MegaAlwaysCarriesAnEncipheredQuery) {
  const AnsiString url = BuildUrl(u"http://h/q", u"kxdocupload", {}, kxENC_Mega);
  const AnsiString prefix = "http://h/q/kxdocupload?encoding=mega&data=";
  ASSERT_EQ(url.substr(0, prefix.size()), prefix);
  EXPECT_GT(url.size(), prefix.size() + 16);
}

TEST(BuildUrl, EmptyHostIsTheFullyQualifiedName) {
  EXPECT_EQ(BuildUrl(false, u"", 0, AnsiString("x")),
            "http://" + ToUtf8(TkxTools::GetComputerNameEx(3)) + "/x");
}

TEST(BuildUrl, RejectsAnEncodingOutsideTheEnumeration) {
  EXPECT_EQ(ErrorOf([] { BuildUrl(u"http://h", u"x", {}, kBadEncoding); }), "invalid encoding");
  EXPECT_EQ(ErrorOf([] { BuildUrl(false, u"h", 0, u"x", {}, kBadEncoding); }), "invalid encoding");
  EXPECT_EQ(CheckEncoding(kxENC_Internal), kxInternal::kxCIPHENC_Internal);
  EXPECT_EQ(CheckEncoding(kxInternal::kxCIPHENC_Mega), kxENC_Mega);
}

TEST(UrlParts, SplitAndTest) {
  struct Case {
    UnicodeString url, server;
    uint16_t port;
    UnicodeString path;
  };
  const Case cases[] = {
      {u"http://h:8080/x", u"h", 8080, u"/x"},
      {u"https://h/x", u"h", 0, u"/x"},  // no default port for the scheme
      {u"http://h", u"h", 0, u"/"},
      {u"http://h:1/a/b?c=d", u"h", 1, u"/a/b?c=d"},
      {u"http://h:70000/", u"h", 70000 - 65536, u"/"},  // the low 16 bits
      {u"http://h:-1/", u"h", 65535, u"/"},
      {u"http://h:abc/", u"h", 0, u"/"},
      {u"h:81/p", u"h", 81, u"/p"},  // no "//": the whole text is the rest
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetServerFromUrl(c.url), c.server) << ToUtf8(c.url);
    EXPECT_EQ(GetPortFromUrl(c.url), c.port) << ToUtf8(c.url);
    EXPECT_EQ(GetPathFromUrl(c.url), c.path) << ToUtf8(c.url);
  }
  EXPECT_TRUE(IsHTTPSUrl(u"HtTpS://h"));
  EXPECT_FALSE(IsHTTPSUrl(u" https://h"));
  EXPECT_FALSE(IsHTTPSUrl(u"http://h"));
  EXPECT_EQ(CheckRootUrlSuffix(u""), u"");
  EXPECT_EQ(CheckRootUrlSuffix(u"http://h"), u"http://h/");
  EXPECT_EQ(CheckRootUrlSuffix(u"http://h/"), u"http://h/");
  for (int32_t code : {200, 201, 299}) EXPECT_TRUE(CheckHTTPResponseCode(code)) << code;
  for (int32_t code : {199, 300, -1, 0, 2000}) EXPECT_FALSE(CheckHTTPResponseCode(code)) << code;
}

TEST(PercentCodecs, EncodeWithTheirKeptSets) {
  EXPECT_EQ(EncodeUrlPart("a b*~%"), "a%20b%2A%7E%25");
  EXPECT_EQ(EncodeUrlPart("\xFF-._Az09"), "%FF-._Az09");
  EXPECT_EQ(EncodeUrlPartW(u"a b*%"), "a%20b*%25");
  EXPECT_EQ(EncodeUrlPartW(u"\u00E9/"), "%C3%A9%2F");
  EXPECT_EQ(PercentEncode(u"a b/c:d~\u00E9+"), "a%20b/c:d~%C3%A9%2B");
  // a raw byte carried as U+DC80..U+DCFF goes out as that byte
  EXPECT_EQ(PercentEncode(u"\xDCFF"), "%FF");
}

TEST(PercentCodecs, Decode) {
  struct Case {
    AnsiString in, decodeUrlPart;
    UnicodeString percentDecode;
  };
  const Case cases[] = {
      {"%41%2f", "A%2f", u"A/"},      // DecodeUrlPart reads upper-case digits only
      {"%2520", " ", u"%20"},         // a decoded "%" is decoded again by a later pass ...
      {"%2541", "%41", u"%41"},       // ... but only by a lower value's pass
      {"100%", "100%", u"100%"},
      {"%zz%4", "%zz%4", u"%zz%4"},
      {"a+b", "a+b", u"a+b"},
      {"%u00e9%41", "%u00e9A", u"\u00E9A"},
      {"%U20AC", "%U20AC", u"\u20AC"},
      {"%u12", "%u12", u"%u12"},      // "%u" needs all four digits
      {"%u00", "%u00", u"%u00"},
      {"%uD83D%uDE00", "%uD83D%uDE00", u"\U0001F600"},  // a surrogate pair is one character
      {"%uD83Dx", "%uD83Dx", u"?x"},  // a lone high surrogate cannot be written
      {"%uDCFF", "%uDCFF", u"\xDCFF"},  // the codec's raw-byte unit stays that byte
      {"%C3%A9", "\xC3\xA9", u"\u00E9"},
      {"%FF", "\xFF", u"\xDCFF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeUrlPart(c.in), c.decodeUrlPart) << c.in;
    EXPECT_EQ(PercentDecode(c.in), c.percentDecode) << c.in;
  }
}

// PercentEncode keeps what Python's quote(text, safe="/:") keeps.
TEST(PercentCodecs, PercentEncodeAgreesWithPython) {
  std::mt19937 random(19);
  std::uniform_int_distribution<int> length(0, 12), pick(0, 3);
  std::vector<UnicodeString> texts;
  std::string input;  // one text per line, as hexadecimal UTF-8
  for (int i = 0; i < 400; ++i) {
    std::u32string points;
    const int n = length(random);
    for (int j = 0; j < n; ++j) {
      switch (pick(random)) {
        case 0: points += static_cast<char32_t>(std::uniform_int_distribution<int>(0x00, 0x7F)(random)); break;
        case 1: points += static_cast<char32_t>(std::uniform_int_distribution<int>(0x80, 0x7FF)(random)); break;
        case 2: points += static_cast<char32_t>(std::uniform_int_distribution<int>(0xE000, 0xFFFD)(random)); break;
        default: points += static_cast<char32_t>(std::uniform_int_distribution<int>(0x10000, 0x10FFFF)(random)); break;
      }
    }
    UnicodeString text;
    for (char32_t p : points) {
      if (p >= 0x10000) {
        text += static_cast<char16_t>(0xD800 + ((p - 0x10000) >> 10));
        text += static_cast<char16_t>(0xDC00 + ((p - 0x10000) & 0x3FF));
      } else {
        text += static_cast<char16_t>(p);
      }
    }
    texts.push_back(text);
    static constexpr char kHex[] = "0123456789abcdef";
    for (unsigned char b : ToUtf8(text)) {
      input += kHex[b >> 4];
      input += kHex[b & 15];
    }
    input += '\n';
  }
  const auto result = kx::testing::RunBounded(
      {"python3", "-c",
       "import sys, urllib.parse\n"
       "for line in sys.stdin.read().split('\\n')[:-1]:\n"
       "    print(urllib.parse.quote(bytes.fromhex(line).decode('utf-8'), safe='/:'))\n"},
      30000, input);
  ASSERT_EQ(result.ExitCode, 0) << result.Output;
  size_t at = 0;
  for (const UnicodeString& text : texts) {
    const size_t end = result.Output.find('\n', at);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(PercentEncode(text), result.Output.substr(at, end - at)) << ToUtf8(text);
    at = end + 1;
  }
}

TEST(UrlParams, ParseWhatBuildUrlWrote) {
  for (TkxEncoding encoding : {kxENC_None, kxENC_Base64, kxENC_Mega}) {
    const AnsiString url =
        BuildUrl(u"http://h", u"up", {u"DocId=A 1", u"name=M\u00FCller+x"}, encoding);
    TkxEncoding seen = kxENC_DCW;
    const TkxUrlParams params = ParseUrlParams(url.substr(url.find('?') + 1), seen);
    EXPECT_EQ(seen, encoding);
    EXPECT_EQ(GetUrlParamValue(u"docid", params, u"-", false), u"A 1") << url;
    EXPECT_EQ(GetUrlParamValue(u"Name", params, u"-", false), u"M\u00FCller+x") << url;
    EXPECT_TRUE(UrlParamExists(u"DOCID", params));
    EXPECT_FALSE(UrlParamExists(u"doc", params));
    EXPECT_EQ(GetUrlParamValue(u"missing", params, u"-", false), u"-");
    EXPECT_EQ(GetRawUrlParamValue(u"missing", params, "-"), "-");
  }
  TkxEncoding seen = kxENC_Mega;
  EXPECT_TRUE(ParseUrlParams("", seen).empty());
  EXPECT_EQ(seen, kxENC_None);
}

TEST(UrlParams, LookupComparesTheUpperCasedNameExactly) {
  const TkxUrlParams params = {
      {u"DocId", u"stored as given", "x", kxENC_None},
      {u"DOCID", u"value", "r%41w", kxENC_Base64},
      {u"DOCID", u"second", "", kxENC_None},
      {u"\u00C9T\u00C9", u"accented", "\xC3\xA9", kxENC_None},
  };
  EXPECT_EQ(GetUrlParamValue(u"docid", params, u"", false), u"value");  // the first equal wins
  EXPECT_EQ(GetUrlParamValue(u"docid", params, u"", true), u"r%41w");
  EXPECT_EQ(GetRawUrlParamValue(u"DocId", params, ""), "r%41w");
  EXPECT_EQ(GetUrlParamValue(u"\u00E9t\u00E9", params, u"", false), u"accented");
  EXPECT_EQ(GetUrlParamValue(u"\u00E9t\u00E9", params, u"", true), u"\u00E9");
  EXPECT_FALSE(UrlParamExists(u" docid", params));  // untrimmed
}

}  // namespace
