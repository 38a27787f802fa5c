#include "environment/kxNet_Multipart.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/Process.h"
#include "tests/support/RawPeer.h"

namespace {

using namespace std::string_literals;
using namespace TkxNet;

TEST(GetHttpRawHeaderValue, FindsTheNameAnywhere) {
  struct Case {
    AnsiString param, header, want;
  };
  const Case cases[] = {
      {"BlobId", "BlobHash: AB\r\nblobid:  42 \r\n", "42"},
      {"BlobId", "BlobHash: AB\r\nblobid:  42 ", "42"},  // no line end after the last line
      {"BlobId", "BlobHash: AB\r\n", ""},
      {"Id", "BlobId: 7\r\nId: 8\r\n", "7"},  // a plain substring search
      {"Error-Message", "Content-Length: 0\r\nerror-message: disk\tfull\r\n", "disk\tfull"},
      {"X", "X: \xFF\xFE\r\n", "\xFF\xFE"},
      {"\xC3\xA4", "\xC3\x84: 1\r\n", ""},  // only ASCII letters change case
      {"", "A: 1\r\n", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(GetHttpRawHeaderValue(c.param, c.header), c.want) << c.param;
}

TEST(ParseMultiPartData, ReadsNamesHeadersAndBodies) {
  const AnsiString body =
      "--b\r\n"
      "Content-Disposition: form-data; name=\"f1\"\r\n"
      "\r\n"
      "value\r\n"
      "--b\r\n"
      "content-disposition: form-data; name=\"a-rather-long-field-name\"; filename=\"my file \xC3\xA9.txt\"\r\n"
      "Content-Type: Text/Plain\r\n"
      "X-Extra:  spaced : colon \r\n"
      "no colon here\r\n"
      "\r\n"
      "line 1\r\n\r\n\x00\xFF\r\n"
      "--b\r\n"
      "\r\n"
      "headerless\r\n"
      "--b--\r\n"s;
  TMultiParts parts;
  ASSERT_TRUE(ParseMultiPartData(body, parts, true));
  ASSERT_EQ(parts.size(), 3u);

  EXPECT_EQ(parts[0].Name, "f1");
  EXPECT_EQ(parts[0].SORTL, "F1");
  EXPECT_EQ(parts[0].FileName, u"");
  EXPECT_EQ(parts[0].Data, "value");
  EXPECT_EQ(parts[0].Header, (TkxKeyValueList{{u"CONTENT-DISPOSITION", u"form-data; name=\"f1\""}}));

  EXPECT_EQ(parts[1].Name, "a-rather-long-field-name");
  EXPECT_EQ(parts[1].FileName, u"my file \u00E9.txt");
  EXPECT_EQ(parts[1].CType, "text/plain");
  EXPECT_EQ(parts[1].Data, "line 1\r\n\r\n\x00\xFF"s);
  ASSERT_EQ(parts[1].Header.size(), 3u);
  EXPECT_EQ(parts[1].Header[2], (TkxKeyValue{u"X-EXTRA", u"spaced : colon"}));

  EXPECT_EQ(parts[2].Name, "");
  EXPECT_TRUE(parts[2].Header.empty());
  EXPECT_EQ(parts[2].Data, "headerless");

  TMultiParts kept;
  ASSERT_TRUE(ParseMultiPartData(body, kept, false));
  EXPECT_EQ(kept[1].CType, "Text/Plain");

  EXPECT_EQ(GetMultiPartId(parts, "F1"), 0);
  EXPECT_EQ(GetMultiPartId(parts, "A-Rather-Long-Field-Name"), 1);
  EXPECT_EQ(GetMultiPartId(parts, "f2"), -1);
  EXPECT_EQ(GetMultiPartData(parts, "f1", "-"), "value");
  EXPECT_EQ(GetMultiPartData(parts, "f2", "-"), "-");
  EXPECT_EQ(GetMultiPartHeaderValue(parts[1], u"content-type", u"-"), u"Text/Plain");
  EXPECT_EQ(GetMultiPartHeaderValue(parts[1], u"Content-Length", u"-"), u"-");
}

TEST(ParseMultiPartData, DispositionParametersAreSubstrings) {
  const AnsiString body =
      "--b\r\n"
      "Content-Disposition: form-data; filename=\"f.txt\"; name=\"n\"\r\n"
      "\r\n"
      "x\r\n"
      "--b--\r\n";
  TMultiParts parts;
  ASSERT_TRUE(ParseMultiPartData(body, parts, false));
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].Name, "f.txt");  // "NAME=" is found inside "filename="
  EXPECT_EQ(parts[0].FileName, u"");
}

TEST(ParseMultiPartData, ABoundaryInsideABodyLeavesEmptyEntries) {
  // "xx" occurs three times (twice in "xxx"): two entries, one part.
  const AnsiString body = "xx\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nd\r\nxxx--\r\n";
  TMultiParts parts;
  ASSERT_TRUE(ParseMultiPartData(body, parts, false));
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].Data, "d");
  EXPECT_EQ(parts[1], TMultiPart());
}

TEST(ParseMultiPartData, FailsOnBodiesWithoutBoundaryOrCutShort) {
  const AnsiString disposition = "--b\r\nContent-Disposition: form-data; name=\"a\"\r\n";
  struct Case {
    const char* what;
    AnsiString body;
    AnsiString firstName;  // what the first entry keeps
  };
  const Case cases[] = {
      {"empty", "", "stale"},  // answered at once, nothing touched
      {"no line feed", "--b", ""},
      {"blank first line", " \r\n--b\r\n\r\nx\r\n--b--\r\n", ""},
      {"boundary line alone", "--b\r\n", ""},
      {"headers without their blank line", disposition, ""},
      {"body without a closing boundary", disposition + "\r\nvalue", "a"},
      {"second part cut short", disposition + "\r\nv\r\n--b\r\nContent-Dispo", "a"},
      {"cut after a boundary line", disposition + "\r\nv\r\n--b\r\n", "a"},
      {"cut inside the closing boundary", disposition + "\r\nv\r\n--b", "a"},
  };
  for (const Case& c : cases) {
    TMultiParts parts(3);
    parts[0].Name = "stale";
    EXPECT_FALSE(ParseMultiPartData(c.body, parts, false)) << c.what;
    EXPECT_EQ(parts.empty() ? AnsiString() : parts[0].Name, c.firstName) << c.what;
  }
}

// Bodies as curl writes them for -F, captured on the wire.
TEST(ParseMultiPartData, ReadsWhatCurlSends) {
  const char* tmp = ::getenv("TMPDIR");
  const std::filesystem::path folder =
      std::filesystem::path(tmp != nullptr ? tmp : "/tmp") / "kxnet_multipart";
  std::filesystem::create_directories(folder);
  std::string binary;
  for (int i = 0; i < 3000; ++i) binary += static_cast<char>((i * 7 + i / 256) & 0xFF);
  binary += "\r\n\r\n--";
  const std::filesystem::path binaryFile = folder / "data.bin";
  const std::filesystem::path textFile = folder / "my notes \xC3\xA9.txt";
  std::ofstream(binaryFile, std::ios::binary) << binary;
  std::ofstream(textFile, std::ios::binary) << "first\r\nsecond";

  kx::testing::RawPeer peer({"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"});
  const auto run = kx::testing::RunBounded(
      {"curl", "-s", "-S", "--max-time", "20", "-H", "Expect:", "-F", "text=hello world", "-F",
       "bin=@" + binaryFile.string(), "-F", "notes=@" + textFile.string() + ";type=Text/Plain",
       peer.Url("/form")},
      30000);
  ASSERT_EQ(run.ExitCode, 0) << run.Output;
  const std::string request = peer.Requests(1).at(0);
  const size_t head = request.find("\r\n\r\n");
  ASSERT_NE(head, std::string::npos);

  TMultiParts parts;
  ASSERT_TRUE(ParseMultiPartData(request.substr(head + 4), parts, true));
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(GetMultiPartData(parts, "TEXT", ""), "hello world");
  EXPECT_EQ(parts[0].FileName, u"");
  EXPECT_EQ(GetMultiPartData(parts, "bin", ""), binary);
  EXPECT_EQ(parts[1].FileName, u"data.bin");
  EXPECT_EQ(parts[1].CType, "application/octet-stream");
  EXPECT_EQ(GetMultiPartData(parts, "notes", ""), "first\r\nsecond");
  EXPECT_EQ(parts[2].FileName, u"my notes \u00E9.txt");
  EXPECT_EQ(parts[2].CType, "text/plain");
  std::filesystem::remove_all(folder);
}

}  // namespace
