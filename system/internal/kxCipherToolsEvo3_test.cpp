#include "system/internal/kxCipherToolsEvo3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "system/internal/kxBase64.h"
#include "system/internal/kxCipherSecrets.h"
#include "system/internal/kxDES.h"
#include "system/internal/kxInternalDateTime.h"
#include "system/kxTypes_Enums.h"

namespace kxInternal {
namespace {

using namespace TkxCipher;
using TkxCipher::detail::UrlEscapeBytes;
using TkxCipher::detail::UrlUnescapeBytes;

const AnsiString kId = secrets::DefaultKeyString();

template <typename F>
std::string Raised(F&& Body) {
  try {
    Body();
  } catch (const Exception& e) {
    return ToUtf8(e.ClassName()) + ": " + ToUtf8(e.Message);
  }
  return "nothing";
}

// Holds the clock at a fixed local time for the life of the object.
class FixedClock {
 public:
  explicit FixedClock(TDateTime At) : at_(std::make_shared<TDateTime>(At)) {
    auto at = at_;
    kx::platform::SetClockForTesting([at] { return *at; });
  }
  ~FixedClock() { kx::platform::SetClockForTesting(nullptr); }
  void Set(TDateTime At) { *at_ = At; }

 private:
  std::shared_ptr<TDateTime> at_;
};

TEST(TkxCipherEncoding, OrdinalsMatchTkxEncoding) {
  const std::pair<TkxCipherEncoding, TkxEncoding> pairs[] = {
      {kxCIPHENC_None, kxENC_None},       {kxCIPHENC_Base64, kxENC_Base64}, {kxCIPHENC_Strong, kxENC_Strong},
      {kxCIPHENC_Mega, kxENC_Mega},       {kxCIPHENC_DCW, kxENC_DCW},       {kxCIPHENC_Service, kxENC_Service},
      {kxCIPHENC_Internal, kxENC_Internal}};
  for (size_t i = 0; i < std::size(pairs); ++i) {
    EXPECT_EQ(static_cast<int>(pairs[i].first), static_cast<int>(i));
    EXPECT_EQ(static_cast<int>(pairs[i].second), static_cast<int>(i));
  }
}

TEST(TkxCipherKeys, GuardAndForms) {
  ASSERT_EQ(kId.size(), 67u);
  EXPECT_TRUE(std::all_of(kId.begin(), kId.end(),
                          [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }));

  AnsiString (*const builders[])(const AnsiString&) = {
      GenPassKeyMega,  GenPassKeyService,           GenPassKeyInternal,
      GenPassKeyLogon, GenerateCommonEncryptionKey, GenerateCommonSecurityKey};
  AnsiString altered = kId;
  altered[10] = altered[10] == 'a' ? 'b' : 'a';
  for (auto build : builders) {
    EXPECT_FALSE(build(kId).empty());
    for (const AnsiString& wrong : {AnsiString(), altered, kId + "x", kId.substr(1)}) EXPECT_EQ(build(wrong), "");
  }

  auto digits = [](const AnsiString& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  const AnsiString keys[] = {GenPassKeyMega(kId), GenPassKeyService(kId), GenPassKeyInternal(kId),
                             GenPassKeyLogon(kId), secrets::ScriptKey(kId)};
  std::set<AnsiString> lastEight;
  for (const AnsiString& k : keys) {
    EXPECT_TRUE(digits(k)) << k;
    ASSERT_GE(k.size(), 8u);
    lastEight.insert(k.substr(k.size() - 8));  // all that DES keeps of a key
  }
  EXPECT_EQ(lastEight.size(), std::size(keys));
  const AnsiString prefix = secrets::PrivateStringPrefix();
  EXPECT_EQ(std::count(prefix.begin(), prefix.end(), '-'), 1);
  EXPECT_EQ(GenerateCommonEncryptionKey(kId).size(), 16u);
  EXPECT_EQ(GenerateCommonSecurityKey(kId).size(), 67u);
  EXPECT_EQ(secrets::ScriptKey("other"), "");
}

TEST(TkxCipherStrings, RoundTripsAndErrors) {
  for (const AnsiString& s : {AnsiString("a"), AnsiString("exactly8"),
                              AnsiString("M\xC3\xBCller & \x00\xFF bytes", 18), AnsiString(1000, 'x')}) {
    const AnsiString cipher = EncodeString(s, "pass");
    EXPECT_NE(cipher, s);
    EXPECT_EQ(DecodeString(cipher, "pass"), s);
    EXPECT_EQ(DecodePrivateString(EncodePrivateString(s, "pass"), "pass"), s);
    EXPECT_EQ(DecodeLogon(EncodeLogon(s)), s);
    EXPECT_EQ(DecodeLogon(EncodeLogon("$$$" + s)), "$$$" + s);
  }
  // The private pair keys with a prefix before the pass key.
  EXPECT_NE(EncodePrivateString("text", "pass"), EncodeString("text", "pass"));

  struct Case {
    AnsiString got, want;
  };
  const Case empties[] = {
      {EncodeString("", "pass"), ""},         {EncodeString("text", ""), ""},
      {DecodeString("", "pass"), ""},         {DecodeString("abcdefghijk", ""), ""},
      {EncodePrivateString("text", ""), ""},  {DecodePrivateString("abcdefghijk", ""), ""},
      {EncodeLogon(""), ""},                  {DecodeLogon(""), ""},
  };
  for (const auto& c : empties) EXPECT_EQ(c.got, c.want);

  EXPECT_EQ(Raised([] { DecodeString("abcdefghij", "pass"); }), "EInputError: DES: Input not valid - too short");
  EXPECT_EQ(Raised([] { DecodeString("abcdefghij=", "pass"); }),
            "EConvertError: DES: Error converting from Base64 - invalid character");
}

TEST(TkxCipherStrings, DecodeLogonPassesOtherTexts) {
  // Deciphers without an error but is no logon string: unchanged.
  EXPECT_EQ(DecodeLogon("abcdefghijk"), "abcdefghijk");
  const AnsiString foreign = EncodeString("$$$secret", "another key");
  EXPECT_EQ(DecodeLogon(foreign), foreign);
  // Does not decipher at all: empty.
  EXPECT_EQ(DecodeLogon("plain password"), "");  // a blank is no radix-64 character
  EXPECT_EQ(DecodeLogon("secret"), "");          // 4 bytes: too short
}

// The inverse of DCWEncDecoder under a given key row, for the tests only:
// every cipher text that decodes to Plain, one per key row that fits.
std::vector<AnsiString> DcwEncodings(const AnsiString& Plain) {
  const std::string alphabet = secrets::kDcwAlphabet, output = secrets::kDcwOutput;
  std::vector<AnsiString> found;
  for (int row = 0; row < 10; ++row) {
    AnsiString cipher;
    for (size_t i = 0; i < Plain.size(); ++i) {
      const int j = static_cast<int>(output.find(Plain[i])) + 1;
      int k = j + (secrets::kDcwKeyRows[row][i % 8] - '0');
      if (k > 71) k -= 71;
      cipher += alphabet[static_cast<size_t>(k - 1)];
    }
    const char selector = output[alphabet.find(cipher.back())];
    const int selected = selector >= '0' && selector <= '9' ? selector - '0' : 0;
    if (selected == row) found.push_back(cipher);
  }
  return found;
}

TEST(TkxCipherDCW, TablesAndDecoding) {
  const std::string alphabet = secrets::kDcwAlphabet, output = secrets::kDcwOutput;
  ASSERT_EQ(alphabet.size(), 71u);
  ASSERT_EQ(output.size(), 71u);
  EXPECT_EQ(std::set<char>(alphabet.begin(), alphabet.end()).size(), 71u);
  EXPECT_EQ(std::set<char>(output.begin(), output.end()).size(), 71u);
  for (char c : output)  // a key row for every selector an output symbol gives
    if (c >= '0' && c <= '9') {
      EXPECT_GE(std::string(secrets::kDcwKeyRows[c - '0']).size(), 8u);
    }

  std::mt19937 rng(17);
  std::set<int> rowsSeen;
  for (int round = 0; round < 200; ++round) {
    AnsiString plain;
    const size_t length = 1 + rng() % 30;
    for (size_t i = 0; i < length; ++i) plain += output[rng() % output.size()];
    for (const AnsiString& cipher : DcwEncodings(plain)) {
      ASSERT_EQ(DCWEncDecoder(cipher), plain) << cipher;
      const char selector = output[alphabet.find(cipher.back())];
      rowsSeen.insert(selector >= '0' && selector <= '9' ? selector - '0' : 0);
      // Blanks around are trimmed; a foreign character inside neither shows
      // nor moves the counter.
      EXPECT_EQ(DCWEncDecoder(" \t" + cipher + " "), plain);
      if (cipher.size() > 1) {
        EXPECT_EQ(DCWEncDecoder(cipher.substr(0, 1) + "#@" + cipher.substr(1)), plain);
      }
    }
  }
  EXPECT_GT(rowsSeen.size(), 3u);  // not only key row 0
  EXPECT_EQ(DCWEncDecoder(""), "");
  EXPECT_EQ(DCWEncDecoder("  "), "");
  EXPECT_EQ(DCWEncDecoder("#@"), "");
}

TEST(TkxCipherUrl, EscapeAndUnescape) {
  EXPECT_EQ(UrlEscapeBytes("a b+~%*-._Z9/\xC3\xBC"), "a%20b%2B%7E%25*-._Z9%2F%C3%BC");
  AnsiString all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const AnsiString escaped = UrlEscapeBytes(all);
  EXPECT_EQ(std::count(escaped.begin(), escaped.end(), '%'), 190);
  EXPECT_EQ(UrlUnescapeBytes(escaped), all);

  struct Case {
    AnsiString in, want;
  };
  const Case cases[] = {
      {"%2B", "+"},
      {"%2b", "%2b"},     // lower-case digits are no escape
      {"%41%42c", "ABc"},
      {"%2520", " "},     // "%25" makes "%20", which the later pass takes up
      {"%2541", "%41"},   // 0x41 came before 0x25
      {"%%41", "%A"},
      {"100%", "100%"},
      {"%4", "%4"},
      {"%GG", "%GG"},
      {"%00x", AnsiString("\0x", 2)},
      {"plain", "plain"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(UrlUnescapeBytes(c.in), c.want) << c.in;
}

TEST(TkxCipherUrl, EncodeForms) {
  const std::vector<UnicodeString> params = {u"name=M\u00FCller", u"flag"};
  struct Case {
    std::vector<UnicodeString> params;
    TkxCipherEncoding encoding;
    AnsiString want;
  };
  const Case cases[] = {
      {params, kxCIPHENC_None, "name=M%C3%BCller&flag"},
      {params, kxCIPHENC_Base64, "encoding=base64&name=TcO8bGxlcg%3D%3D&flag"},
      // A value outside the enumeration: no prefix, the bytes as they are.
      {params, static_cast<TkxCipherEncoding>(9), "name=M%C3%BCller&flag"},
      {{}, kxCIPHENC_Base64, "encoding=base64"},
      {{}, kxCIPHENC_None, ""},
      {{}, kxCIPHENC_DCW, "encoding=dcw"},
      {{u"a=", u"=v", u"a=b=c", u"", u"x y=1+1"}, kxCIPHENC_None, "a=&=v&a=b%3Dc&&x%20y=1%2B1"},
      {{u"empty="}, kxCIPHENC_Base64, "encoding=base64&empty="},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeUrlParams(c.params, c.encoding), c.want) << c.want;

  EXPECT_EQ(Raised([&] { EncodeUrlParams(params, kxCIPHENC_DCW); }), "Exception: unsupported encoding");
  const AnsiString strong = EncodeUrlParams({u"p=plain value"}, kxCIPHENC_Strong);
  EXPECT_EQ(strong.rfind("encoding=strong&p=", 0), 0u) << strong;
}

TEST(TkxCipherUrl, DecodePlainEncodings) {
  TkxCipherEncoding e = kxCIPHENC_Internal;
  EXPECT_TRUE(DecodeUrlParams("", e).empty());
  EXPECT_EQ(e, kxCIPHENC_Internal);  // left as it was

  using P = TkxCipherUrlParam;
  struct Case {
    AnsiString query;
    TkxCipherEncoding encoding;
    TkxCipherUrlParams want;
  };
  const Case cases[] = {
      {"x=1+2&y", kxCIPHENC_None, {P{u"X", u"1 2", "1 2"}, P{u"Y", u"", ""}}},
      {"encoding=b64&v=YWJj",
       kxCIPHENC_Base64,
       {P{u"ENCODING", u"b64", "b64"}, P{u"V", u"abc", "YWJj", kxCIPHENC_Base64}}},
      {"a&&b&", kxCIPHENC_None, {P{u"A", u"", ""}, P{u"", u"", ""}, P{u"B", u"", ""}, P{u"", u"", ""}}},  // every piece is an entry
      {"%20%C3%BCber%20=%20x%20&v=1&V=2",
       kxCIPHENC_None,
       {P{u"\u00DCBER", u"x", " x "}, P{u"V", u"1", "1"}, P{u"V", u"2", "2"}}},
      {"v=%FF", kxCIPHENC_None, {P{u"V", u"\xDCFF", "\xFF"}}},  // raw bytes survive
      {"v=YWJj&Encoding=BASE64", kxCIPHENC_Base64,
       {P{u"V", u"abc", "YWJj", kxCIPHENC_Base64}, P{u"ENCODING", u"BASE64", "BASE64"}}},
      {"encoding=unknown&v=YWJj",
       kxCIPHENC_None,
       {P{u"ENCODING", u"unknown", "unknown"}, P{u"V", u"YWJj", "YWJj"}}},
      {"encoding=mega", kxCIPHENC_Mega, {P{u"ENCODING", u"mega", "mega"}}},  // too few to decipher
  };
  for (const auto& c : cases) {
    e = kxCIPHENC_DCW;
    EXPECT_EQ(DecodeUrlParams(c.query, e), c.want) << c.query;
    EXPECT_EQ(e, c.encoding) << c.query;
  }

  // Strong and DCW values, read back.
  const TkxCipherUrlParams strong = DecodeUrlParams(EncodeUrlParams({u"p=plain value"}, kxCIPHENC_Strong), e);
  ASSERT_EQ(strong.size(), 2u);
  EXPECT_EQ(strong[1].Value, u"plain value");
  EXPECT_EQ(strong[1].Encoding, kxCIPHENC_Strong);
  AnsiString word = "Hello", dcw;
  for (; dcw.empty(); word += '1') {  // a word that some key row can write
    const auto found = DcwEncodings(word);
    if (!found.empty()) dcw = found.front();
  }
  const TkxCipherUrlParams read = DecodeUrlParams("encoding=DCW&v=" + UrlEscapeBytes(dcw), e);
  EXPECT_EQ(e, kxCIPHENC_DCW);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[1].Value, ToUtf16(word.substr(0, word.size() - 1)));
}

// Replaces every "+" of the query by "%2B", as a transport that escapes it.
AnsiString EscapePlus(const AnsiString& Query) {
  AnsiString out;
  for (char c : Query) out += c == '+' ? AnsiString("%2B") : AnsiString(1, c);
  return out;
}

TEST(TkxCipherUrl, EncipheredRoundTrips) {
  FixedClock clock(EncodeDateTime(2024, 5, 17, 9, 30, 15, 250));
  const std::vector<UnicodeString> params = {u"a=b", u"name=M\u00FCller & Sohn", u"flag", u"x= padded "};
  const std::pair<TkxCipherEncoding, const char*> encodings[] = {
      {kxCIPHENC_Mega, "encoding=mega&data="},
      {kxCIPHENC_Service, "encoding=service&data="},
      {kxCIPHENC_Internal, "encoding=internal&data="}};
  for (const auto& [encoding, head] : encodings) {
    const AnsiString query = EncodeUrlParams(params, encoding);
    ASSERT_EQ(query.rfind(head, 0), 0u) << query;
    const UnicodeString stamp = ToUtf16(TkxDateTime::DateTimeToTimeStampStr(Now(), false));
    using P = TkxCipherUrlParam;
    const TkxCipherUrlParams want = {
        P{u"ENCODING", u"base64", "base64"},
        P{u"A", u"b", "Yg==", kxCIPHENC_Base64},
        P{u"NAME", u"M\u00FCller & Sohn", TkxBase64::StrToBase64("M\xC3\xBCller & Sohn", false), kxCIPHENC_Base64},
        P{u"FLAG", u"", "", kxCIPHENC_Base64},
        P{u"X", u"padded", TkxBase64::StrToBase64(" padded ", false), kxCIPHENC_Base64},
        P{u"BUILDTIME", stamp, TkxBase64::StrToBase64(ToUtf8(stamp), false), kxCIPHENC_Base64},
    };
    for (const AnsiString& sent : {query, EscapePlus(query)}) {
      TkxCipherEncoding e = kxCIPHENC_None;
      EXPECT_EQ(DecodeUrlParams(sent, e), want) << sent;
      EXPECT_EQ(e, encoding);
    }
    // Another encoding's key does not read it.
    AnsiString other = query;
    other.replace(9, std::string(head).size() - 15, encoding == kxCIPHENC_Mega ? "service" : "mega");
    TkxCipherEncoding e = kxCIPHENC_None;
    try {
      EXPECT_NE(DecodeUrlParams(other, e), want);
    } catch (const Exception&) {
    }
  }
  // An empty list still gives a full query.
  TkxCipherEncoding e = kxCIPHENC_None;
  const TkxCipherUrlParams empty = DecodeUrlParams(EncodeUrlParams({}, kxCIPHENC_Mega), e);
  ASSERT_EQ(empty.size(), 2u);
  EXPECT_EQ(empty[1].Param, u"BUILDTIME");

  EXPECT_EQ(Raised([&] { DecodeUrlParams("encoding=mega&data=QUJD", e); }),
            "EInputError: DES: Input not valid - too short");
}

// The Base64 text after "data=" is sent unescaped, and the reader turns "+"
// into a blank. Our writer's Base64 never holds "+" (it encodes radix-64
// text), but another encoder may write the unused low bits of a last group
// of one byte as set: "+==" in place of "w==". Such a "+" must read as "+",
// whether it arrives raw or escaped.
TEST(TkxCipherUrl, PlusInDataReadsAsPlus) {
  FixedClock clock(EncodeDateTime(2024, 5, 17, 9, 30, 15, 250));
  for (int i = 0;; ++i) {
    ASSERT_LT(i, 1000) << "no query with a one-byte last group ending in \"w==\"";
    const std::string value = std::string(static_cast<size_t>(i % 24), 'v') + std::to_string(i);
    const AnsiString query = EncodeUrlParams({ToUtf16("a=" + value)}, kxCIPHENC_Mega);
    if (query.size() < 3 || query.compare(query.size() - 3, 3, "w==") != 0) continue;
    AnsiString variant = query;
    variant[variant.size() - 3] = '+';  // the same bytes, low bits set
    ASSERT_EQ(TkxBase64::Base64ToStr(variant.substr(variant.find("data=") + 5)),
              TkxBase64::Base64ToStr(query.substr(query.find("data=") + 5)));
    TkxCipherEncoding e = kxCIPHENC_None;
    const TkxCipherUrlParams want = DecodeUrlParams(query, e);
    ASSERT_EQ(want.size(), 3u);
    EXPECT_EQ(want[1].Value, ToUtf16(value));
    EXPECT_EQ(DecodeUrlParams(variant, e), want);
    EXPECT_EQ(DecodeUrlParams(EscapePlus(variant), e), want);
    break;
  }
}

TEST(TkxCipherUrl, InternalQueriesExpireAfterADay) {
  const TDateTime built = EncodeDateTime(2024, 5, 17, 9, 30, 15, 0);
  FixedClock clock(built);
  const AnsiString internal = EncodeUrlParams({u"a=b"}, kxCIPHENC_Internal);
  const AnsiString mega = EncodeUrlParams({u"a=b"}, kxCIPHENC_Mega);
  TkxCipherEncoding e = kxCIPHENC_None;

  clock.Set(TDateTime(built.Val + 0.999));
  EXPECT_EQ(DecodeUrlParams(internal, e).size(), 3u);
  clock.Set(TDateTime(built.Val + 1.0));
  EXPECT_EQ(Raised([&] { DecodeUrlParams(internal, e); }), "Exception: url expired");
  EXPECT_EQ(DecodeUrlParams(mega, e).size(), 3u);  // only internal queries expire

  // Without a time stamp a query counts as built at day 0; a stamp that does
  // not read raises.
  auto internalQuery = [](const AnsiString& Inner) {
    return "encoding=internal&data=" +
           TkxBase64::StrToBase64(EncodeString(Inner, GenPassKeyInternal(kId)), false);
  };
  EXPECT_EQ(Raised([&] { DecodeUrlParams(internalQuery("encoding=base64&a=Yg%3D%3D"), e); }),
            "Exception: url expired");
  EXPECT_THROW(DecodeUrlParams(internalQuery("encoding=base64&buildtime=YWJjIw%3D%3D"), e), EConvertError);
}

}  // namespace
}  // namespace kxInternal
