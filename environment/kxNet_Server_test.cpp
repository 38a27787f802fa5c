#include "environment/kxNet_Server.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "environment/kxNet_Url.h"
#include "environment/kxVanto_Paths.h"
#include "platform/http/HttpErrors.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/FormatSettings.h"
#include "system/kxBase64.h"
#include "system/kxMD5.h"

namespace {

using kx::platform::http::StringSink;
using namespace std::string_literals;

std::vector<std::string> Names(const TStringList& list) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < list.Count(); ++i) out.push_back(ToUtf8(list[i]));
  return out;
}

// The head of a written reply, and its body.
struct Reply {
  std::string Head, Body;
};
Reply Split(const std::string& Bytes) {
  const size_t end = Bytes.find("\r\n\r\n");
  if (end == std::string::npos) return {Bytes, ""};
  return {Bytes.substr(0, end + 2), Bytes.substr(end + 4)};
}
std::string HeadValue(const std::string& Head, const std::string& Name) {
  const size_t at = Head.find("\r\n" + Name + ": ");
  if (at == std::string::npos) return "<none>";
  const size_t from = at + 4 + Name.size();
  return Head.substr(from, Head.find("\r\n", from) - from);
}

std::string Gunzip(const std::string& Data) {
  z_stream z{};
  inflateInit2(&z, 31);
  std::string out(1 << 16, '\0');
  size_t have = 0;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.data()));
  z.avail_in = static_cast<uInt>(Data.size());
  int rc = Z_OK;
  while (rc == Z_OK) {
    if (have == out.size()) out.resize(out.size() * 2);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + have);
    z.avail_out = static_cast<uInt>(out.size() - have);
    rc = inflate(&z, Z_NO_FLUSH);
    have = out.size() - z.avail_out;
  }
  inflateEnd(&z);
  EXPECT_EQ(rc, Z_STREAM_END);
  out.resize(have);
  return out;
}

std::string GzipAt(const std::string& Data, int Level) {
  z_stream z{};
  deflateInit2(&z, Level, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, Data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.data()));
  z.avail_in = static_cast<uInt>(Data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(out.size() - z.avail_out);
  deflateEnd(&z);
  return out;
}

// ---- Objects ------------------------------------------------------------------------

TEST(HttpObjects, HeadersIgnoreCaseAndKeepTheNameAsSet) {
  TkxHTTPRequest request;
  TkxHTTPResponse response;
  for (auto set : {+[](TkxHTTPRequest& q, TkxHTTPResponse&, const UnicodeString& n, const AnsiString& v) { q.SetHeader(n, v); },
                   +[](TkxHTTPRequest&, TkxHTTPResponse& r, const UnicodeString& n, const AnsiString& v) { r.SetHeader(n, v); }}) {
    set(request, response, u"Content-Type", "text/xml");
    set(request, response, u"X-Id", "1");
    set(request, response, u"x-ID", "2");  // same key: replaced where it stands
  }
  TStringList* list = nullptr;
  request.GetHeaderList(list);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(Names(*list), (std::vector<std::string>{"Content-Type", "x-ID"}));
  response.GetHeaderList(list);  // an existing list is cleared first
  EXPECT_EQ(Names(*list), (std::vector<std::string>{"Content-Type", "x-ID"}));
  delete list;
  EXPECT_EQ(request.GetHeader(u"content-type"), "text/xml");
  EXPECT_EQ(response.GetHeader(u"X-ID"), "2");
  EXPECT_EQ(request.GetHeader(u"missing"), "");

  request.SetURIQueryItem(u"DocId", u"A 1");
  EXPECT_EQ(request.GetURIQueryItem(u"DOCID"), u"A 1");
  EXPECT_EQ(request.GetURIQueryItem(u"none"), u"");
  TStringList queries;
  TStringList* q = &queries;
  request.GetQueryList(q);
  EXPECT_EQ(Names(queries), (std::vector<std::string>{"docid"}));
}

TEST(HttpObjects, ClearKeepsWhatItShould) {
  TkxHTTPRequest request;
  request.SetCommandStr("post");
  request.SetURI("/a");
  request.SetHeader(u"A", "1");
  request.SetContentText("body");
  request.SetContentType(u"text/plain");
  request.Clear();
  EXPECT_EQ(request.GetHeader(u"A"), "");
  EXPECT_EQ(request.ContentLength(), 0);
  EXPECT_EQ(request.ContentType(), u"");
  EXPECT_EQ(request.CommandStr(), "POST");
  EXPECT_EQ(request.URI(), "/a");

  TkxHTTPResponse response;
  EXPECT_EQ(response.Code(), 200);
  response.SetCharSet("utf-8");
  response.SetContentText("x");
  response.Clear();
  EXPECT_EQ(response.Code(), 0);  // not 200
  EXPECT_EQ(response.CharSet(), "utf-8");
  EXPECT_EQ(response.ContentLength(), 0);
}

TEST(HttpObjects, CommandAndItsText) {
  struct TextCase {
    AnsiString text, stored;
    TkxHTTPCommands want;
  };
  const TextCase texts[] = {
      {"get", "GET", kxHC_Get},         {"FOO", "FOO", kxHC_Unknown},
      {"options", "OPTIONS", kxHC_Options}, {"Propfind", "PROPFIND", kxHC_Propfind},
      {"", "", kxHC_Unknown},           {"g\xC3\xA9t", "G\xC3\xA9T", kxHC_Unknown},  // ASCII letters only
  };
  TkxHTTPRequest r;
  for (const TextCase& c : texts) {
    r.SetCommandStr(c.text);
    EXPECT_EQ(r.CommandStr(), c.stored);
    EXPECT_EQ(r.Command(), c.want) << c.text;
  }
  struct CommandCase {
    TkxHTTPCommands command;
    AnsiString text;
    TkxHTTPCommands readBack;
  };
  const CommandCase commands[] = {
      {kxHC_Unknown, "PUT", kxHC_Put}, {kxHC_None, "PUT", kxHC_Put},
      {kxHC_Option, "OPTIONS", kxHC_Options}, {kxHC_View, "VIEW", kxHC_View},
      {kxHC_Head, "HEAD", kxHC_Head},
  };
  for (const CommandCase& c : commands) {
    r.SetCommand(c.command);
    EXPECT_EQ(r.Command(), c.command);
    EXPECT_EQ(r.CommandStr(), c.text);
    r.SetCommandStr(r.CommandStr());
    EXPECT_EQ(r.Command(), c.readBack) << c.text;
  }
}

TEST(HttpObjects, RawHeaderOfARequest) {
  // Day and month names of another language must not reach the header.
  TFormatSettings& fs = FormatSettings();
  const TFormatSettings saved = fs;
  fs.ShortDayNames = {u"So", u"Mo", u"Di", u"Mi", u"Do", u"Fr", u"Sa"};
  fs.ShortMonthNames = {u"Jan", u"Feb", u"M\u00E4r", u"Apr", u"Mai", u"Jun",
                        u"Jul", u"Aug", u"Sep", u"Okt", u"Nov", u"Dez"};
  fs.TimeSeparator = u'.';

  TkxHTTPRequest request;
  request.SetContentText("abc");
  const AnsiString block = request.RawHeader();
  fs = saved;
  EXPECT_NE(block.find("Content-Length: 3\r\n"), std::string::npos) << block;
  EXPECT_NE(block.find("Content-Type: application/octet-stream\r\n"), std::string::npos);
  EXPECT_NE(block.find("Accept-Encoding: gzip\r\n"), std::string::npos);
  EXPECT_NE(block.find("User-Agent: VANTO 5.2\r\n"), std::string::npos);
  EXPECT_EQ(block.find("Authorization"), std::string::npos);
  const std::string md5 = request.GetHeader(u"content-md5");
  EXPECT_EQ(md5.size(), 44u);
  EXPECT_EQ(md5, TkxBase64::StrToBase64("900150983CD24FB0D6963F7D28E17F72", false));
  EXPECT_TRUE(std::regex_match(request.GetHeader(u"Date"),
                               std::regex("(Mon|Tue|Wed|Thu|Fri|Sat|Sun), [0-3][0-9] "
                                          "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                          "[0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9] GMT")))
      << request.GetHeader(u"Date");
  EXPECT_EQ(block.substr(0, 6), "Date: ");  // headers in the order they were set

  TkxHTTPRequest post;
  post.SetCommand(kxHC_Post);
  post.Authentication().AuthType = kxHAT_Basic;
  post.Authentication().UserName = u"m\u00FCller";
  post.Authentication().Password = u"p:w";
  post.Authentication().Token = u"never sent";
  const AnsiString postBlock = post.RawHeader();
  EXPECT_NE(postBlock.find("Content-Type: multipart/form-data\r\n"), std::string::npos);
  EXPECT_EQ(post.GetHeader(u"Authorization"),
            "Basic " + TkxBase64::StrToBase64("m\xC3\xBCller:p:w", false));
  EXPECT_EQ(postBlock.find("never sent"), std::string::npos);
  post.Authentication().AuthType = kxHAT_Bearer;
  post.SetHeader(u"Authorization", "old");
  post.SetContentType(u"text/xml");
  post.RawHeader();
  EXPECT_EQ(post.GetHeader(u"Authorization"), "old");  // bearer adds nothing
  EXPECT_EQ(post.GetHeader(u"Content-Type"), "text/xml");
}

TEST(HttpObjects, LoadFromFile) {
  const std::filesystem::path folder = std::filesystem::path(std::getenv("TMPDIR")) / "load_from_file";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "a.pdf", std::ios::binary) << "%PDF\0x"s;
  std::ofstream(folder / "a.unknownext", std::ios::binary) << "text";
  TkxHTTPRequest r;
  r.LoadFromFile(ToUtf16((folder / "a.pdf").string()));
  EXPECT_EQ(r.ContentText(), "%PDF\0x"s);
  EXPECT_EQ(r.ContentType(), u"application/pdf");
  r.LoadFromFile(ToUtf16((folder / "a.unknownext").string()));
  EXPECT_EQ(r.ContentType(), u"text/plain");
  EXPECT_THROW(r.LoadFromFile(ToUtf16((folder / "missing").string())), EFOpenError);
  EXPECT_EQ(r.ContentText(), "text");
  std::filesystem::remove_all(folder);
}

// ---- Building the request object -------------------------------------------------

TIdHTTPRequestInfo Info(const std::string& Method, const std::string& Target) {
  TIdHTTPRequestInfo info;
  info.Command = Method;
  info.SetRequestTarget(Target);
  return info;
}

TEST(GetHTTPRequestObject, PathQueryAndSegments) {
  struct Case {
    std::string target;
    std::string uri;
    std::vector<std::string> segments;
  };
  const Case cases[] = {
      {"/a/b%20c/", "/a/b%20c/", {"a", "b c"}},
      {"/", "/", {}},
      {"//", "//", {}},
      {"/a//b", "/a//b", {"a", "", "b"}},  // empty pieces stay
      {"/x/%u00e9?q=1", "/x/%u00e9?q=1", {"x", "\xC3\xA9"}},
      {"noslash/y", "noslash/y", {"noslash", "y"}},
  };
  for (const Case& c : cases) {
    TIdHTTPRequestInfo info = Info("get", c.target);
    const auto r = TkxIndy::GetHTTPRequestObject(info);
    EXPECT_EQ(r->URI(), c.uri);
    EXPECT_EQ(r->URIPath(), info.URI);  // raw, not decoded
    EXPECT_EQ(Names(r->URIPathSegments()), c.segments) << c.target;
    EXPECT_EQ(r->Command(), kxHC_Get);
  }
}

TEST(GetHTTPRequestObject, HeadersBodyAndPeer) {
  TIdHTTPRequestInfo info = Info("POST", "/up");
  info.RawHeaders = {"Content-Type: text/xml", "no colon here", ": nameless", "X-A:  1 ",
                     "", "x-a: 2", "Empty:"};
  info.ContentType = "text/xml";
  info.ContentEncoding = "gzip";
  info.Host = "h:8080";
  info.RemoteIP = "127.0.0.1";
  info.PostStream = "<x/>";
  const auto r = TkxIndy::GetHTTPRequestObject(info);
  TStringList* names = nullptr;
  r->GetHeaderList(names);
  EXPECT_EQ(Names(*names), (std::vector<std::string>{"Content-Type", "x-a", "Empty"}));
  delete names;
  EXPECT_EQ(r->GetHeader(u"X-A"), "2");
  EXPECT_EQ(r->ContentText(), "<x/>");
  EXPECT_EQ(r->ContentLength(), 4);
  EXPECT_EQ(r->ContentType(), u"text/xml");
  EXPECT_EQ(r->ContentEncoding(), u"gzip");
  EXPECT_EQ(r->Host(), u"h:8080");
  EXPECT_EQ(r->IP(), u"127.0.0.1");
  EXPECT_EQ(TkxIndy::GetPostStreamString(info), "<x/>");
  info.PostStream.reset();
  EXPECT_EQ(TkxIndy::GetPostStreamString(info), "");
}

TEST(GetHTTPRequestObject, QueryThroughTheDecoder) {
  const AnsiString url = TkxNet::BuildUrl(u"http://h", u"up", {u"DocId=A 1", u"Name=x"}, kxENC_Mega);
  const std::string target = url.substr(url.find("/up"));
  TIdHTTPRequestInfo info = Info("GET", target);
  const auto r = TkxIndy::GetHTTPRequestObject(info);
  EXPECT_EQ(r->URIQueryEncoding(), kxENC_Mega);
  EXPECT_EQ(r->GetURIQueryItem(u"DOCID"), u"A 1");
  EXPECT_EQ(TkxIndy::GetRequestURI(info), ToUtf16(target));
  TStringList* keys = nullptr;
  r->GetQueryList(keys);
  // Names come lower-cased, the inner encoding and build time included.
  for (const std::string& k : Names(*keys)) EXPECT_EQ(ToUtf8(LowerText(ToUtf16(k))), k);
  delete keys;

  TIdHTTPRequestInfo plain = Info("GET", "/p?A=1&b=x+y");
  const auto p = TkxIndy::GetHTTPRequestObject(plain);
  EXPECT_EQ(p->GetURIQueryItem(u"a"), u"1");
  EXPECT_EQ(p->GetURIQueryItem(u"B"), u"x y");
  EXPECT_EQ(p->URIQueryUnparsed(), "A=1&b=x+y");
  EXPECT_EQ(TkxIndy::GetRequestURI(plain), u"/p?A=1&b=x+y");

  // A query the decoder rejects passes its error out: an internal query
  // read two days after it was built.
  const AnsiString old = TkxNet::BuildUrl(u"http://h", u"up", {u"a=1"}, kxENC_Internal);
  TIdHTTPRequestInfo expired = Info("GET", old.substr(old.find("/up")));
  const TDateTime now = Now();
  kx::platform::SetClockForTesting([now] { return TDateTime(now.Val + 2); });
  try {
    TkxIndy::GetHTTPRequestObject(expired);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, u"url expired");
  }
  kx::platform::SetClockForTesting(nullptr);
}

// ---- Replies --------------------------------------------------------------------------

struct Writer {
  StringSink sink;
  TIdContext context{sink, "127.0.0.1", 5};
  TIdHTTPResponseInfo info{context};
};

TEST(SetHTTPResponse, StatusTextsAsTheSystemSendsThem) {
  const std::pair<int32_t, std::string> cases[] = {
      {200, "OK"},
      {203, "Non-authoritative Information "},
      {205, "Reset Content "},
      {302, "Moved Temporarily"},
      {405, "Method not allowed"},
      {413, "Request Entity Too Long"},
      {414, "Request-URI Too Long. 256 Chars max"},
      {504, "Gateway timeout"},
      {299, "Unknown"},
      {-1, "Unknown"},
  };
  for (const auto& [code, text] : cases) {
    Writer w;
    EXPECT_TRUE(TkxIndy::SetHTTPResponse(w.info, code, "body", u"text/plain", u"utf-8", false, 0));
    EXPECT_EQ(w.sink.Bytes.substr(0, w.sink.Bytes.find("\r\n")),
              "HTTP/1.1 " + std::to_string(code) + " " + text);
  }
}

TEST(SetHTTPResponse, PlainAndCompressed) {
  Writer plain;
  TkxIndy::SetHTTPResponse(plain.info, 200, "h\xC3\xA9llo", u"text/html", u"utf-8", false, 9);
  Reply r = Split(plain.sink.Bytes);
  EXPECT_EQ(HeadValue(r.Head, "Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(HeadValue(r.Head, "Content-Length"), "6");
  EXPECT_EQ(HeadValue(r.Head, "Content-Encoding"), "<none>");
  EXPECT_EQ(r.Body, "h\xC3\xA9llo");

  const std::string text(100000, 'x');
  // Level given -> zlib level: 0, 1 as given, 2 the default, all else the best.
  const std::pair<int32_t, int> levels[] = {{0, 0}, {1, 1}, {2, Z_DEFAULT_COMPRESSION}, {3, 9},
                                            {9, 9}, {-1, 9}, {-7, 9}};
  for (const auto& [given, zlib] : levels) {
    Writer w;
    TkxIndy::SetHTTPResponse(w.info, 201, text, u"text/plain", u"", true, given);
    const Reply g = Split(w.sink.Bytes);
    EXPECT_EQ(HeadValue(g.Head, "Content-Encoding"), "gzip");
    EXPECT_EQ(HeadValue(g.Head, "Content-Length"), std::to_string(g.Body.size()));
    EXPECT_EQ(HeadValue(g.Head, "Content-Type"), "text/plain");
    EXPECT_EQ(Gunzip(g.Body), text);
    // The same bytes as zlib gives at the expected level, on this machine.
    EXPECT_EQ(g.Body, GzipAt(text, zlib)) << given;
  }
  Writer empty;
  TkxIndy::SetHTTPResponse(empty.info, 200, "", u"", u"", true, 2);
  EXPECT_EQ(Gunzip(Split(empty.sink.Bytes).Body), "");
}

TEST(SetHTTPResponse, CustomHeaderLines) {
  Writer w;
  TkxIndy::SetHTTPResponse(w.info, 200, "x", {"X-A: 1", "\tcontinued", "X-B:2", " more"},
                           u"text/plain", u"");
  const Reply r = Split(w.sink.Bytes);
  EXPECT_NE(r.Head.find("\r\nX-A: 1 continued\r\nX-B:2 more\r\n"), std::string::npos) << r.Head;
  EXPECT_EQ(r.Body, "x");

  TkxHTTPResponse response;
  response.SetCode(404);
  response.SetHeader(u"X-Custom", "v1");
  response.SetHeader(u"Error-Message", "not here");
  response.SetContentText("nope");
  response.SetContentType(u"text/plain");
  response.SetCharSet("us-ascii");
  Writer w4;
  TkxIndy::SetHTTPResponse(w4.info, response);
  const Reply r4 = Split(w4.sink.Bytes);
  EXPECT_EQ(r4.Head.substr(0, r4.Head.find("\r\n")), "HTTP/1.1 404 Not Found");
  EXPECT_NE(r4.Head.find("\r\nX-CUSTOM: v1\r\nERROR-MESSAGE: not here\r\n"), std::string::npos) << r4.Head;
  EXPECT_EQ(HeadValue(r4.Head, "Content-Type"), "text/plain; charset=us-ascii");
  EXPECT_EQ(r4.Body, "nope");
}

TEST(SetHTTPResponse, NoTextCanSplitTheReply) {
  struct Case {
    std::vector<AnsiString> lines;
    UnicodeString type, charset;
  };
  const Case cases[] = {
      {{"X-A: 1\r\nSet-Cookie: evil=1"}, u"text/plain", u""},
      {{"X-A: 1\n"}, u"text/plain", u""},
      {{"X-A: a\0b"s}, u"text/plain", u""},
      {{}, u"text/plain\r\nX-Evil: 1", u""},
      {{}, u"text/plain", u"utf-8\n"},
      {{}, u"text/plain", UnicodeString(u"utf-8\0", 6)},
  };
  for (const Case& c : cases) {
    Writer w;
    EXPECT_THROW(TkxIndy::SetHTTPResponse(w.info, 200, "x", c.lines, c.type, c.charset), EIdException);
    EXPECT_EQ(w.sink.Bytes, "");  // nothing written
    EXPECT_FALSE(w.info.HeaderHasBeenWritten());
  }
  TkxHTTPResponse response;
  response.SetHeader(u"X-A", "1\r\nX-B: 2");
  Writer w;
  EXPECT_THROW(TkxIndy::SetHTTPResponse(w.info, response), EIdException);
  EXPECT_EQ(w.sink.Bytes, "");
}

class FileReply : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = ToUtf8(TkxVanto::GetPubRootPath());
    std::filesystem::create_directories(root_ + "docs");
    std::ofstream(root_ + "docs/a.htmlx", std::ios::binary) << "<p>served</p>";
    std::filesystem::create_directories(root_ + "../../cfg");
    std::ofstream(root_ + "../../cfg/kxsyscfg.udl", std::ios::binary) << "Password=secret";
  }
  void TearDown() override { std::filesystem::remove_all(root_ + "docs"); }

  std::string root_;
};

TEST_F(FileReply, ServesBelowThePublicFolder) {
  TIdHTTPRequestInfo request = Info("GET", "/web/docs/a.html");
  request.Document = "/web/docs/a.html?x";  // every "?" goes, the text after it stays
  Writer w;
  EXPECT_TRUE(TkxIndy::SetHTTPResponse(request, w.info, w.context, u"", 2));
  const Reply r = Split(w.sink.Bytes);
  EXPECT_EQ(r.Head.substr(0, r.Head.find("\r\n")), "HTTP/1.1 200 OK");
  EXPECT_EQ(r.Body, "<p>served</p>");
  EXPECT_EQ(HeadValue(r.Head, "Content-Length"), "13");
  EXPECT_EQ(HeadValue(r.Head, "Content-Type"), "text/plain");
  EXPECT_NE(HeadValue(r.Head, "Expires"), "<none>");

  // HEAD: the head with the body's length, no body.
  Writer head;
  head.info.HeadOnly = true;
  TkxIndy::SetHTTPResponse(request, head.info, head.context, u"", 0);
  EXPECT_EQ(HeadValue(Split(head.sink.Bytes).Head, "Content-Length"), "13");
  EXPECT_EQ(Split(head.sink.Bytes).Body, "");

  // A file name of the service's own is used as given.
  Writer own;
  TkxIndy::SetHTTPResponse(request, own.info, own.context,
                           ToUtf16(root_ + "docs/../../../cfg/kxsyscfg.udl"), 0);
  EXPECT_EQ(Split(own.sink.Bytes).Body, "Password=secret");
}

TEST_F(FileReply, NoDocumentLeavesThePublicFolder) {
  const std::string documents[] = {
      "/web/../../cfg/kxsyscfg.udl",  // what "/web/%2e%2e/%2e%2e/..." decodes to
      "/web/docs/../../../cfg/kxsyscfg.udl",
      "/web/..\\..\\cfg\\kxsyscfg.udl",
      "/web/docs/..",
      "/web/..",
      "/web/docs/a.htmlx\0.png"s,
  };
  for (const std::string& d : documents) {
    TIdHTTPRequestInfo request = Info("GET", "/");
    request.Document = d;
    Writer w;
    try {
      TkxIndy::SetHTTPResponse(request, w.info, w.context, u"", 0);
      ADD_FAILURE() << "served " << d;
    } catch (const EFOpenError& e) {
      EXPECT_EQ(e.Message, u"invalid file path") << d;
    }
    EXPECT_EQ(w.sink.Bytes, "") << d;
  }
  // The decoding that leads there is the request's own.
  TIdHTTPRequestInfo encoded = Info("GET", "/web/%2e%2e/%2e%2e/cfg/kxsyscfg.udl");
  EXPECT_EQ(encoded.Document, "/web/../../cfg/kxsyscfg.udl");
  // Dots inside a name are no way out; a missing file fails before sending.
  TIdHTTPRequestInfo missing = Info("GET", "/web/docs/..a..");
  Writer w;
  EXPECT_THROW(TkxIndy::SetHTTPResponse(missing, w.info, w.context, u"", 0), EFOpenError);
  EXPECT_EQ(w.sink.Bytes, "");
}

}  // namespace
