#include "system/kxBase64.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "system/internal/kxBase64.h"

namespace {

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

// The output of a shell command.
std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

std::string TempFile(const std::string& name, const std::string& content) {
  const std::string path = std::string(std::getenv("TMPDIR")) + "/kxBase64_test_" + name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

TEST(Base64, KnownTexts) {
  struct Case { std::string in, out; };
  const Case cases[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
      {std::string("\0\xFF\xFE", 3), "AP/+"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TkxBase64::StrToBase64(c.in, false), c.out);
    EXPECT_EQ(TkxBase64::StrToBase64(c.in, true), c.out);
    EXPECT_EQ(TkxBase64::Base64ToStr(c.out), c.in);
  }
}

TEST(Base64, FormatCutsLinesOf76WithoutClosingBreak) {
  struct Case { size_t bytes; std::string lineLengths; };
  const Case cases[] = {
      {0, ""}, {1, "4"}, {57, "76"}, {58, "76,4"}, {114, "76,76"}, {115, "76,76,4"},
  };
  for (const auto& c : cases) {
    const std::string text = TkxBase64::StrToBase64(RandomBytes(c.bytes, 1), true);
    std::string lengths;
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      lengths += (lengths.empty() ? "" : ",") + std::to_string(end - start);
      start = end + (end < text.size() ? 2 : 0);
      if (end == text.size()) break;
    }
    EXPECT_EQ(lengths, c.lineLengths) << c.bytes << " bytes";
    EXPECT_EQ(text.size(), kxInternal::Base64EncodedLength(c.bytes, true)) << c.bytes;
  }
}

TEST(Base64, AgreesWithCoreutils) {
  for (size_t n : {size_t{1}, size_t{56}, size_t{57}, size_t{58}, size_t{1000}, size_t{100003}}) {
    const std::string data = RandomBytes(n, static_cast<unsigned>(n));
    const std::string path = TempFile("peer.bin", data);
    EXPECT_EQ(TkxBase64::StrToBase64(data, false) + "\n", RunCommand("base64 -w 0 " + path + "; echo"));
    std::string lines = RunCommand("base64 -w 76 " + path);
    ASSERT_FALSE(lines.empty());
    lines.pop_back();  // base64 ends the last line; we do not
    std::string crlf;
    for (char c : lines) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(TkxBase64::StrToBase64(data, true), crlf) << n;
    EXPECT_EQ(TkxBase64::Base64ToStr(crlf), data) << n;
    std::remove(path.c_str());
  }
}

// The form that writes into the caller's memory: pieces that start and end
// anywhere in a line and in a group, whole lines at a column other than 0,
// and an odd tail. Each piece writes exactly UpdateLength characters, never
// more than MaxUpdateLength, and the whole text is the one-shot text.
TEST(Base64, EncoderIntoCallerMemory) {
  struct Case { size_t total; std::vector<size_t> pieces; };  // pieces repeat
  const Case cases[] = {
      {57 * 40, {57}},           // line by line
      {57 * 40 + 1, {57 * 7}},   // several lines per piece, one byte left over
      {5000, {1, 57, 2}},        // whole lines that start in mid-line
      {5000, {58, 113, 3}},
      {4097, {4096}},
      {10, {0, 4}},              // empty pieces
  };
  for (const auto& c : cases) {
    const std::string data = RandomBytes(c.total, static_cast<unsigned>(c.total));
    for (bool format : {false, true}) {
      kxInternal::Base64Encoder encoder(format);
      std::string text;
      for (size_t at = 0, k = 0; at < data.size(); ++k) {
        const size_t take = std::min(c.pieces[k % c.pieces.size()], data.size() - at);
        const size_t want = encoder.UpdateLength(take);
        ASSERT_LE(want, kxInternal::Base64Encoder::MaxUpdateLength(take));
        std::vector<char> room(want + 1, '#');
        char* end = encoder.Update(std::string_view(data).substr(at, take), room.data());
        ASSERT_EQ(static_cast<size_t>(end - room.data()), want) << c.total << " at " << at;
        EXPECT_EQ(room[want], '#');
        text.append(room.data(), want);
        at += take;
      }
      char tail[kxInternal::Base64Encoder::kMaxFinishLength];
      text.append(tail, static_cast<size_t>(encoder.Finish(tail) - tail));
      EXPECT_EQ(text, TkxBase64::StrToBase64(data, format)) << c.total << " " << format;
    }
  }
}

TEST(Base64, DecodingSkipsWhatIsNotBase64) {
  struct Case { std::string in, out; };
  const Case cases[] = {
      {"Zm9v\r\nYmFy", "foobar"},
      {" Zm 9v\tYg ", "foob"},
      {"Zm9vYg", "foob"},        // padding is optional
      {"Zm=9v=", "foo"},         // "=" is skipped wherever it stands
      {"Z", ""},                 // a single left-over character gives nothing
      {"Zm9vY", "foo"},
      {"!!\xFF\x80", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TkxBase64::Base64ToStr(c.in), c.out) << c.in;
}

TEST(Base64, BothClassesAndTheStreamsAgree) {
  std::mt19937 gen(7);
  for (size_t n : {size_t{0}, size_t{2}, size_t{57}, size_t{58}, size_t{4000}}) {
    const std::string data = RandomBytes(n, static_cast<unsigned>(n) + 3);
    for (bool format : {false, true}) {
      const std::string whole = TkxBase64::StrToBase64(data, format);
      EXPECT_EQ(kxInternal::TkxBase64::StrToBase64(data, format), whole);
      // The same stream in pieces of random size, empty pieces included.
      kxInternal::Base64Encoder encoder(format);
      std::string pieces;
      for (size_t at = 0; at < n;) {
        const size_t take = std::min<size_t>(gen() % 80, n - at);
        encoder.Update(std::string_view(data).substr(at, take), pieces);
        at += take;
      }
      encoder.Finish(pieces);
      EXPECT_EQ(pieces, whole) << n << " " << format;

      kxInternal::Base64Decoder decoder;
      std::string decoded;
      for (size_t at = 0; at < whole.size();) {
        const size_t take = std::min<size_t>(gen() % 9, whole.size() - at);
        decoder.Update(std::string_view(whole).substr(at, take), decoded);
        at += take;
      }
      decoder.Finish(decoded);
      EXPECT_EQ(decoded, data) << n << " " << format;
      EXPECT_EQ(kxInternal::TkxBase64::Base64ToStr(whole), data);
    }
  }
}

}  // namespace
