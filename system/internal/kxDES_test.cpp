#include "system/internal/kxDES.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "system/internal/kxCRC.h"

namespace kxInternal {
namespace {

std::string Hex(const uint8_t* p, size_t n) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}
std::string Hex(const std::string& s) { return Hex(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }

std::string Unhex(const std::string& h) {
  std::string out;
  for (size_t i = 0; i + 1 < h.size(); i += 2) out += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
  return out;
}

TBlock Block(const std::string& hex) {
  const std::string bytes = Unhex(hex);
  TBlock b{};
  std::copy(bytes.begin(), bytes.end(), b.begin());
  return b;
}

std::string Random(std::mt19937& rng, size_t n) {
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/kxDES_test_" + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs Body and answers the class name and message of what it raised.
template <typename F>
std::string Raised(F&& Body) {
  try {
    Body();
  } catch (const Exception& e) {
    return ToUtf8(e.ClassName()) + ": " + ToUtf8(e.Message);
  }
  return "nothing";
}

void Key(TDES& des, const std::string& hex) {
  const std::string k = Unhex(hex);
  des.InitialiseByte(reinterpret_cast<const uint8_t*>(k.data()), static_cast<int32_t>(k.size()));
}

void IV(TDES& des, const std::string& hex) {
  const std::string v = Unhex(hex);
  des.LoadIVByte(reinterpret_cast<const uint8_t*>(v.data()), static_cast<int32_t>(v.size()));
}

// Known answers of the standard and of the NIST validation tests, one block
// in ECB, both directions.
TEST(TDES, KnownAnswersInECB) {
  struct Case {
    const char *key, *plain, *cipher;
  };
  const Case cases[] = {
      {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
      {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},  // variable plain text
      {"0101010101010101", "0000000000000001", "166B40B44ABA4BD6"},
      {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},  // variable key
      {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
      {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},  // "Now is t"
      {"FEDCBA9876543210", "0123456789ABCDEF", "ED39D950FA74BCC4"},
  };
  for (const auto& c : cases) {
    TDES des;
    des.CipherMode = ECB;
    Key(des, c.key);
    TBlock out;
    des.EncBlock(Block(c.plain), out);
    EXPECT_EQ(Hex(out.data(), 8), c.cipher) << c.key;
    des.DecBlock(Block(c.cipher), out);
    EXPECT_EQ(Hex(out.data(), 8), c.plain) << c.key;
  }
  // A weak key: enciphering twice gives the plain text back.
  TDES weak;
  weak.CipherMode = ECB;
  Key(weak, "0101010101010101");
  TBlock once, twice;
  weak.EncBlock(Block("0123456789ABCDEF"), once);
  weak.EncBlock(once, twice);
  EXPECT_EQ(Hex(twice.data(), 8), "0123456789ABCDEF");
}

// The mode examples of the DES modes-of-operation standard: "Now is the time
// for all " under one key and IV, enciphered by successive EncBlock calls, so
// the chaining register must carry from call to call; deciphering after
// loading the IV again gives the text back.
TEST(TDES, ModesCarryTheChainAcrossCalls) {
  const std::string plain[3] = {"4E6F772069732074", "68652074696D6520", "666F7220616C6C20"};
  struct Case {
    TCipherMode mode;
    std::string cipher[3];
  };
  const Case cases[] = {
      {ECB, {"3FA40E8A984D4815", "6A271787AB8883F9", "893D51EC4B563B53"}},
      {CBC, {"E5C7CDDE872BF27C", "43E934008C389C0F", "683788499A7C05F6"}},
      {CFB, {"F3096249C7F46E51", "A69E839B1A92F784", "03467133898EA622"}},
      {OFB, {"F3096249C7F46E51", "35F24A242EEB3D3F", "3D6D5BE3255AF8C3"}},
  };
  for (const auto& c : cases) {
    TDES des;
    des.CipherMode = c.mode;
    Key(des, "0123456789ABCDEF");
    IV(des, "1234567890ABCDEF");
    TBlock out;
    for (int i = 0; i < 3; ++i) {
      des.EncBlock(Block(plain[i]), out);
      EXPECT_EQ(Hex(out.data(), 8), c.cipher[i]) << int(c.mode) << " block " << i;
    }
    IV(des, "1234567890ABCDEF");
    for (int i = 0; i < 3; ++i) {
      des.DecBlock(Block(c.cipher[i]), out);
      EXPECT_EQ(Hex(out.data(), 8), plain[i]) << int(c.mode) << " block " << i;
    }
  }
}

TEST(TDES, KeyAndIVLoading) {
  auto cipherOf = [](const std::string& key) {
    TDES des;
    des.CipherMode = ECB;
    des.StringMode = smNormal;
    des.InitialiseString(key);
    std::string out;
    des.EncString("some plain text", out);
    return out;
  };
  // Byte i lands on position i mod 8, the last write wins.
  EXPECT_EQ(cipherOf("12345678"), cipherOf("1234567812345678"));
  EXPECT_EQ(cipherOf("12345678"), cipherOf("abcdefgh12345678"));
  EXPECT_EQ(cipherOf("abc12345678"), cipherOf("67812345"));  // positions 0-2 rewritten
  EXPECT_EQ(cipherOf("12345678"), cipherOf("12345679"));  // parity bits are ignored
  EXPECT_NE(cipherOf("12345678"), cipherOf("1234567:"));
  EXPECT_EQ(cipherOf(""), cipherOf(std::string(8, '\0')));
  EXPECT_EQ(cipherOf("ab"), cipherOf(std::string("ab\0\0\0\0\0\0", 8)));

  // IV bytes combine by exclusive or; keying afterwards leaves the IV alone.
  auto cbc = [](const std::string& iv, bool keyFirst) {
    TDES des;
    des.StringMode = smNormal;
    if (keyFirst) des.InitialiseString("key");
    des.LoadIVString(iv);
    if (!keyFirst) des.InitialiseString("key");
    std::string out;
    des.EncString("chained", out);
    return out;
  };
  EXPECT_EQ(cbc("ABCDEFGH", true), cbc("ABCDEFGH", false));
  EXPECT_EQ(cbc(std::string("ABCDEFGH") + std::string(8, '\x01'), true), cbc("@CBEDGFI", true));
  EXPECT_EQ(cbc("", true), cbc(std::string(8, '\0'), true));
}

TEST(TDES, ReadinessAndModeErrors) {
  const TBlock zero{};
  TBlock out;
  std::string text;
  {
    TDES des;  // no key, in any mode
    EXPECT_EQ(Raised([&] { des.EncBlock(zero, out); }), "EKeyError: DES: Key not set");
    des.CipherMode = ECB;
    EXPECT_EQ(Raised([&] { des.DecString("abcdefghijk", text); }), "EKeyError: DES: Key not set");
    EXPECT_EQ(Raised([&] { des.EncFile(u"/nonexistent/in", u"/nonexistent/out"); }),
              "EKeyError: DES: Key not set");  // checked before the files
  }
  {
    TDES des;
    des.InitialiseString("key");
    for (TCipherMode mode : {CBC, CFB, OFB}) {
      des.CipherMode = mode;
      EXPECT_EQ(Raised([&] { des.EncBlock(zero, out); }), "EKeyError: DES: IV not set") << int(mode);
      EXPECT_EQ(Raised([&] { des.EncString("x", text); }), "EKeyError: DES: IV not set") << int(mode);
    }
    des.CipherMode = ECB;  // needs no IV, and no re-keying after the mode changed
    EXPECT_EQ(Raised([&] { des.EncBlock(zero, out); }), "nothing");
  }
  {
    // CBC-MAC: MAC zeroed first, then the mode test, then readiness.
    TDES des;
    des.CipherMode = ECB;
    des.InitialiseString("key");
    TBlock mac;
    mac.fill(0xAA);
    EXPECT_EQ(Raised([&] { des.CBCMACBlock(mac); }), "EKeyError: DES: Mode must be CBC for CBCMAC");
    EXPECT_EQ(mac, TBlock{});
    text = "old";
    EXPECT_EQ(Raised([&] { des.CBCMACString(text); }), "EKeyError: DES: Mode must be CBC for CBCMAC");
    EXPECT_EQ(text, "");
    des.CipherMode = CBC;
    EXPECT_EQ(Raised([&] { des.CBCMACBlock(mac); }), "EKeyError: DES: IV not set");
  }
  {
    // Burn forgets key and IV, flags included.
    TDES des;
    des.InitialiseString("key");
    des.LoadIVString("iv");
    des.EncBlock(zero, out);
    des.Burn();
    EXPECT_EQ(Raised([&] { des.EncBlock(zero, out); }), "EKeyError: DES: Key not set");
    des.InitialiseString("key");
    EXPECT_EQ(Raised([&] { des.EncBlock(zero, out); }), "EKeyError: DES: IV not set");
  }
  EXPECT_EQ(TDES::GetVersion(), "DES 1.15");
}

TEST(TDES, StringLengthsAndChaining) {
  TDES des;
  des.CipherMode = ECB;
  des.InitialiseString("key");
  std::string out = "stale";
  des.EncString("", out);
  EXPECT_EQ(out, "");
  des.EncString("1234567", out);
  EXPECT_EQ(out.size(), 11u);  // 8 cipher bytes
  des.EncString("12345678", out);
  EXPECT_EQ(out.size(), 22u);  // 16: a whole padding block
  des.StringMode = smNormal;
  des.EncString("12345678", out);
  EXPECT_EQ(out.size(), 16u);

  // CBC continues the chain between calls until the IV is loaded again.
  TDES cbc;
  cbc.InitialiseString("key");
  cbc.LoadIVString("iv");
  std::string first, second, again;
  cbc.EncString("same input", first);
  cbc.EncString("same input", second);
  cbc.LoadIVString("iv");
  cbc.EncString("same input", again);
  EXPECT_NE(first, second);
  EXPECT_EQ(first, again);

  // The CBC-MAC is the last cipher block since the IV was loaded.
  cbc.StringMode = smNormal;
  cbc.LoadIVString("iv");
  std::string cipher, mac;
  cbc.EncString("message for the mac", cipher);
  cbc.CBCMACString(mac);
  EXPECT_EQ(mac, Hex(cipher.substr(cipher.size() - 8)));
}

// Every mode, both string forms, lengths around the block and piece sizes.
TEST(TDES, StringRoundTrips) {
  std::mt19937 rng(7);
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 17; ++n) lengths.push_back(n);
  for (size_t n : {4095, 4096, 4097, 8191, 8192, 8193}) lengths.push_back(n);
  for (TCipherMode mode : {CBC, ECB, CFB, OFB}) {
    for (TStringMode form : {smEncode, smNormal}) {
      for (size_t n : lengths) {
        const std::string plain = Random(rng, n);
        TDES des;
        des.CipherMode = mode;
        des.StringMode = form;
        des.InitialiseString("a key");
        des.LoadIVString("an iv");
        std::string cipher, back;
        des.EncString(plain, cipher);
        des.LoadIVString("an iv");
        des.DecString(cipher, back);
        ASSERT_EQ(back, plain) << int(mode) << "/" << int(form) << "/" << n;
        if (form == smNormal) {
          EXPECT_EQ(cipher.size(), n == 0 ? 0 : (n / 8 + 1) * 8);
        }
        // Input and Output may be the same string.
        des.LoadIVString("an iv");
        std::string inPlace = plain;
        des.EncString(inPlace, inPlace);
        EXPECT_EQ(inPlace, cipher);
      }
    }
  }
}

TEST(TDES, DecStringRejectsBadInput) {
  TDES des;
  des.CipherMode = ECB;
  des.InitialiseString("key");
  std::string out;
  std::string good, longer;
  des.EncString("1234567", good);                 // 11 radix-64 characters
  des.EncString(std::string(20, 'p'), longer);  // 32
  const std::string conversion = "EConvertError: DES: Error converting from Base64 - invalid character";
  struct Case {
    TStringMode form;
    std::string input, want;
  };
  const Case cases[] = {
      {smEncode, good.substr(0, 10) + "=", conversion},
      {smEncode, good.substr(0, 5) + " " + good.substr(6), conversion},
      {smEncode, good.substr(0, 10), "EInputError: DES: Input not valid - too short"},
      {smEncode, "+", "EInputError: DES: Input not valid - too short"},  // a lone character reads as nothing
      {smEncode, longer + "A", "nothing"},  // a single trailing character is ignored
      {smEncode, good + "+-", "EInputError: DES: Input not valid - length not a multiple of 8"},
      {smNormal, std::string(7, 'x'), "EInputError: DES: Input not valid - too short"},
      {smNormal, std::string(9, 'x'), "EInputError: DES: Input not valid - length not a multiple of 8"},
      {smNormal, "", "nothing"},
  };
  for (const auto& c : cases) {
    des.StringMode = c.form;
    EXPECT_EQ(Raised([&] { des.DecString(c.input, out); }), c.want) << c.input;
  }
}

// Unpadding is lenient: a last byte of 1 to 8 removes that many bytes, any
// other value just the last byte.
TEST(TDES, DecStringUnpadding) {
  struct Case {
    std::string block, want;
  };
  const Case cases[] = {
      {std::string("ABCDEFG\x01", 8), "ABCDEFG"},
      {std::string("ABCDE\x03\x03\x03", 8), "ABCDE"},
      {std::string(8, '\x08'), ""},
      {std::string("ABCDEFG\x00", 8), "ABCDEFG"},
      {std::string("ABCDEFG\x09", 8), "ABCDEFG"},
      {std::string("ABCDEFG\xFF", 8), "ABCDEFG"},
  };
  for (const auto& c : cases) {
    TDES des;
    des.CipherMode = ECB;
    des.StringMode = smNormal;
    des.InitialiseString("key");
    TBlock in, cipher;
    std::copy(c.block.begin(), c.block.end(), in.begin());
    des.EncBlock(in, cipher);
    std::string out;
    des.DecString(std::string(cipher.begin(), cipher.end()), out);
    EXPECT_EQ(out, c.want) << Hex(c.block);
  }
}

TEST(TDES, RadixSixtyFour) {
  using detail::BytesToRadix;
  using detail::RadixToBytes;
  auto radix = [](const std::string& s) {
    return BytesToRadix(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  };
  EXPECT_EQ(radix(std::string(3, '\0')), "++++");
  EXPECT_EQ(radix("\xFF\xFF\xFF"), "zzzz");
  EXPECT_EQ(radix("\xFF"), "zk");  // missing low bits are zero
  EXPECT_EQ(radix("\xFF\xFF"), "zzw");
  EXPECT_EQ(radix(std::string("\x00\x10\x83", 3)), "+-01");
  std::mt19937 rng(3);
  for (size_t n = 0; n < 40; ++n) {
    const std::string bytes = Random(rng, n);
    EXPECT_EQ(RadixToBytes(radix(bytes)), bytes) << n;
  }
  EXPECT_EQ(RadixToBytes("zzz"), "\xFF\xFF");
  EXPECT_EQ(RadixToBytes("zzzzz"), "\xFF\xFF\xFF");  // one trailing character: nothing
  EXPECT_THROW(RadixToBytes("zz/z"), EConvertError);
}

class TDESFiles : public ::testing::Test {
 protected:
  std::string in_ = TempPath("in"), enc_ = TempPath("enc"), out_ = TempPath("out");
  void TearDown() override {
    std::remove(in_.c_str());
    std::remove(enc_.c_str());
    std::remove(out_.c_str());
  }
  static void Prepare(TDES& des, TCipherMode mode) {
    des.CipherMode = mode;
    des.InitialiseString("file key");
    des.LoadIVString("file iv");
  }
};

TEST_F(TDESFiles, RoundTripsInEveryMode) {
  std::mt19937 rng(11);
  for (TCipherMode mode : {CBC, ECB, CFB, OFB}) {
    for (size_t n : {0, 1, 7, 8, 9, 17, 4095, 4096, 4097, 8192, 8200}) {
      const std::string plain = Random(rng, n);
      WriteFile(in_, plain);
      TDES des;
      Prepare(des, mode);
      des.EncFile(ToUtf16(in_), ToUtf16(enc_));
      const std::string cipher = ReadFile(enc_);
      ASSERT_EQ(cipher.size(), (n / 8 + 1) * 8) << n;  // an empty file gives one block

      // The same bytes as the string form: one chain, padding at the very end.
      TDES str;
      Prepare(str, mode);
      str.StringMode = smNormal;
      std::string viaString;
      str.EncString(plain, viaString);
      if (n > 0) {
        EXPECT_EQ(cipher, viaString) << int(mode) << "/" << n;
      }

      des.LoadIVString("file iv");
      des.DecFile(ToUtf16(enc_), ToUtf16(out_));
      ASSERT_EQ(ReadFile(out_), plain) << int(mode) << "/" << n;
    }
  }
}

TEST_F(TDESFiles, Errors) {
  TDES des;
  Prepare(des, ECB);
  const std::string missingDir = TempPath("no such folder/out");
  EXPECT_EQ(Raised([&] { des.EncFile(ToUtf16(TempPath("missing")), ToUtf16(out_)); }),
            "EFileError: DES: Input file not found");
  EXPECT_EQ(Raised([&] { des.DecFile(ToUtf16(TempPath("missing")), ToUtf16(out_)); }),
            "EFileError: DES: Input file not found");
  WriteFile(in_, "plain");
  EXPECT_EQ(Raised([&] { des.EncFile(ToUtf16(in_), ToUtf16(missingDir)); }),
            "EFileError: DES: Could not open output file");

  // The input as its own output is refused before it could be emptied.
  EXPECT_EQ(Raised([&] { des.EncFile(ToUtf16(in_), ToUtf16(in_)); }),
            "EFileError: DES: Could not open output file");
  EXPECT_EQ(ReadFile(in_), "plain");

  // Rejected input leaves an existing output file as it was.
  WriteFile(out_, "keep me");
  WriteFile(enc_, std::string(12, 'x'));
  EXPECT_EQ(Raised([&] { des.DecFile(ToUtf16(enc_), ToUtf16(out_)); }),
            "EInputError: DES: Input not valid - length not a multiple of 8");
  EXPECT_EQ(ReadFile(out_), "keep me");

  WriteFile(enc_, "");
  EXPECT_EQ(Raised([&] { des.DecFile(ToUtf16(enc_), ToUtf16(out_)); }),
            "EInputError: DES: Input not valid - bad padding");

  // A final padding count beyond the piece: a block whose last byte is 200.
  TBlock block, cipher;
  block.fill(200);
  des.EncBlock(block, cipher);
  WriteFile(enc_, std::string(cipher.begin(), cipher.end()));
  EXPECT_EQ(Raised([&] { des.DecFile(ToUtf16(enc_), ToUtf16(out_)); }),
            "EInputError: DES: Input not valid - bad padding");
}

// A write that the system refuses (the file size limit) is the write error;
// run in a child process, which exits with 0 when the right error came.
void EncipherBeyondSizeLimit(const std::string& in, const std::string& out) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{4096, 4096};
  setrlimit(RLIMIT_FSIZE, &limit);
  TDES des;
  des.CipherMode = ECB;
  des.InitialiseString("file key");
  const std::string raised = Raised([&] { des.EncFile(ToUtf16(in), ToUtf16(out)); });
  std::_Exit(raised == "EFileError: DES: Error writing output file" ? 0 : 1);
}

TEST_F(TDESFiles, WriteErrorIsReported) {
  WriteFile(in_, std::string(3 * 4096, 'p'));
  EXPECT_EXIT(EncipherBeyondSizeLimit(in_, out_), ::testing::ExitedWithCode(0), "");
}

std::string Contents(MemoryStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

void Fill(MemoryStream& s, const std::string& bytes) {
  s.Clear();
  s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

TEST(TDESStreams, RoundTripsWithCrc) {
  std::mt19937 rng(5);
  for (TCipherMode mode : {CBC, ECB, CFB, OFB}) {
    for (size_t n : {1, 7, 8, 9, 17, 4095, 4096, 4097, 8191, 8192, 8193}) {
      for (bool noPos : {false, true}) {
        const std::string head = noPos ? Random(rng, 5) : "";  // skipped with the flag
        const std::string plain = Random(rng, n);
        MemoryStream in, enc, out;
        Fill(in, head + plain);
        in.SetPosition(static_cast<int64_t>(head.size()));
        TDES des;
        des.CipherMode = mode;
        des.EncDecNoPosFlage = noPos;
        des.CrcCaclFlage = true;
        des.InitialiseString("stream key");
        des.LoadIVString("stream iv");
        des.EncStream(in, enc);
        const uint32_t want = UpdateCrc32(0, plain.data(), plain.size());
        EXPECT_EQ(static_cast<uint32_t>(des.Crc32Value), want);  // the plain bytes, before padding
        ASSERT_EQ(enc.Size(), static_cast<int64_t>((n / 8 + 1) * 8));

        des.Crc32Value = 0;
        des.LoadIVString("stream iv");
        enc.SetPosition(0);
        des.DecStream(enc, out);
        ASSERT_EQ(Contents(out), plain) << int(mode) << "/" << n << "/" << noPos;
        EXPECT_EQ(static_cast<uint32_t>(des.Crc32Value), want);  // the bytes written
      }
    }
  }
}

TEST(TDESStreams, Positions) {
  TDES des;
  des.CipherMode = ECB;
  des.StringMode = smNormal;
  des.InitialiseString("key");
  std::string whole;
  des.EncString("0123456789", whole);

  // Without the flag both streams start at 0, wherever they stood.
  MemoryStream in, out;
  Fill(in, "0123456789");
  Fill(out, std::string(40, '#'));
  out.SetPosition(30);
  des.EncStream(in, out);
  EXPECT_EQ(Contents(out), whole + std::string(24, '#'));

  // With it, the input is read from its position and the output written at
  // its own; neither moves back.
  std::string tail;
  des.EncString("456789", tail);
  Fill(in, "0123456789");
  in.SetPosition(4);
  Fill(out, "head");
  des.EncDecNoPosFlage = true;
  des.EncStream(in, out);
  EXPECT_EQ(Contents(out), "head" + tail);

  // An empty input writes nothing and needs no key.
  TDES bare;
  bare.EncDecNoPosFlage = true;
  bare.CrcCaclFlage = true;
  Fill(in, "abc");  // position at the end
  out.Clear();
  bare.EncStream(in, out);
  bare.DecStream(in, out);
  EXPECT_EQ(out.Size(), 0);
  EXPECT_EQ(bare.Crc32Value, 0);
  bare.EncDecNoPosFlage = false;  // now the whole "abc" counts
  EXPECT_EQ(Raised([&] { bare.EncStream(in, out); }), "EKeyError: DES: Key not set");
}

// A stream that takes fewer bytes than it is given.
class ShortStream : public MemoryStream {
 public:
  int64_t Write(const void* Buffer, int64_t Count) override {
    return MemoryStream::Write(Buffer, Count > 4 ? Count - 4 : Count);
  }
};

TEST(TDESStreams, Errors) {
  TDES des;
  des.CipherMode = ECB;
  des.InitialiseString("key");
  MemoryStream in, out;
  Fill(in, std::string(12, 'x'));
  EXPECT_EQ(Raised([&] { des.DecStream(in, out); }),
            "EInputError: DES: Input not valid - length not a multiple of 8");
  EXPECT_EQ(out.Size(), 0);

  // A padding count larger than the final piece, in a final short piece and
  // in a final full piece of 4096 bytes.
  for (size_t n : {8, 4096}) {
    TBlock block, cipher;
    block.fill(0);
    block[7] = n == 8 ? 9 : 0;  // 0 ends the full piece: nothing removed
    std::string data;
    for (size_t i = 0; i < n; i += 8) {
      des.EncBlock(block, cipher);
      data.append(cipher.begin(), cipher.end());
    }
    Fill(in, data);
    out.Clear();
    if (n == 8) {
      EXPECT_EQ(Raised([&] { des.DecStream(in, out); }), "EInputError: DES: Input not valid - bad padding");
    } else {
      des.DecStream(in, out);
      EXPECT_EQ(out.Size(), 4096);
    }
  }

  ShortStream shortOut;
  Fill(in, "plain text");
  EXPECT_EQ(Raised([&] { des.EncStream(in, shortOut); }), "EFileError: DES: Error writing output file");
}

// The same cipher texts as the openssl command in all four modes, for random
// keys, IVs and data, when its legacy provider (which holds DES) is there.
TEST(TDESPeer, MatchesOpenSSL) {
  const std::string data = TempPath("peer.in"), result = TempPath("peer.out");
  const char* probe =
      "printf 12345678 | openssl enc -des-ecb -K 0000000000000000 -nopad -provider legacy "
      "-provider default >/dev/null 2>&1";
  if (std::system(probe) != 0)
    GTEST_SKIP() << "openssl with the legacy provider is not available";
  std::mt19937 rng(2024);
  const std::pair<TCipherMode, const char*> modes[] = {
      {ECB, "-des-ecb"}, {CBC, "-des-cbc"}, {CFB, "-des-cfb"}, {OFB, "-des-ofb"}};
  for (const auto& [mode, name] : modes) {
    for (int round = 0; round < 4; ++round) {
      const std::string key = Random(rng, 8), iv = Random(rng, 8);
      const std::string plain = Random(rng, 8 * (1 + rng() % 64));
      WriteFile(data, plain);
      const std::string cmd = std::string("openssl enc ") + name + " -K " + Hex(key) +
                              (mode == ECB ? "" : " -iv " + Hex(iv)) +
                              " -nopad -provider legacy -provider default -in " + data + " -out " + result;
      ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
      TDES des;
      des.CipherMode = mode;
      des.InitialiseString(key);
      des.LoadIVString(iv);
      std::string ours;
      for (size_t i = 0; i < plain.size(); i += 8) {
        TBlock in, out;
        std::copy_n(plain.begin() + static_cast<std::ptrdiff_t>(i), 8, in.begin());
        des.EncBlock(in, out);
        ours.append(out.begin(), out.end());
      }
      EXPECT_EQ(Hex(ours), Hex(ReadFile(result))) << cmd;
    }
  }
  std::remove(data.c_str());
  std::remove(result.c_str());
}

}  // namespace
}  // namespace kxInternal
