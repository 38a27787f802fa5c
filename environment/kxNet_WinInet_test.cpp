#include "environment/kxNet_WinInet.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <vector>

#include "environment/kxClassFactory.h"
#include "environment/kxNet.h"
#include "platform/http/InternetClient.h"
#include "platform/rtl/Variant.h"
#include "system/kxMD5.h"
#include "system/kxRegistry.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/Process.h"
#include "tests/support/RawPeer.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TaggedServer.h"
#include "tests/support/TestCertificates.h"

namespace {

using kx::testing::LoopbackServer;
using kx::testing::RawPeer;

const UnicodeString kHttpKey = u"SOFTWARE\\vanto\\System\\HTTP";

std::string Decimal(int64_t Value) {
  char digits[24];
  return std::string(digits, std::to_chars(digits, digits + sizeof(digits), Value).ptr);
}

// What a call gave: result, status, header block, and the message of what it
// raised ("" when nothing).
struct Outcome {
  AnsiString Body;
  bool Result = false;
  int32_t Code = 12345;
  AnsiString Header = "stale";
  std::string Error;
};

Outcome Run(const std::function<void(Outcome&)>& Call) {
  Outcome o;
  try {
    Call(o);
  } catch (const Exception& e) {
    EXPECT_EQ(ToUtf8(e.ClassName()), "Exception");
    o.Error = ToUtf8(e.Message);
  }
  return o;
}

Outcome Get(const std::string& Url, const AnsiString& Headers = "") {
  return Run([&](Outcome& o) { o.Body = TkxNet::HTTPGet(ToUtf16(Url), o.Code, Headers, o.Header); });
}

Outcome Send(const std::string& Url, const AnsiString& Verb, const AnsiString& Body,
             const AnsiString& Headers = "") {
  return Run([&](Outcome& o) {
    o.Body = TkxNet::HTTPPutBuffer(ToUtf16(Url), Body, o.Code, Headers, o.Header, Verb);
  });
}

// What the progress callback saw (it is a plain function).
struct ProgressLog {
  std::vector<uint32_t> Sent;
  uint32_t Total = 0;
  size_t AbortAfter = 0;  // set Abort on this call (1-based); 0: never
} g_progress;

void Progress(const std::u16string&, uint32_t AmtSent, uint32_t TotalAmt, bool& Abort) {
  g_progress.Sent.push_back(AmtSent);
  g_progress.Total = TotalAmt;
  if (g_progress.Sent.size() == g_progress.AbortAfter) Abort = true;
}

Outcome PutFile(const std::string& Url, const std::string& File, bool DelFile = false) {
  return Run([&](Outcome& o) {
    o.Result = TkxNet::HTTPPutFile(ToUtf16(Url), ToUtf16(File), o.Code, o.Header, &Progress, DelFile);
  });
}

// The server: echoes what it got in headers and body.
void Routes(httplib::Server& s) {
  s.Get("/hello", [](const httplib::Request& q, httplib::Response& r) {
    std::string seen;
    for (const auto& [name, value] : q.headers) seen += name + ": " + value + "\n";
    r.set_content(seen, "text/plain");
  });
  s.Get("/missing", [](const httplib::Request&, httplib::Response& r) {
    r.status = 404;
    r.set_content("no such page", "text/plain");
  });
  s.Get("/big-head", [](const httplib::Request&, httplib::Response& r) {
    r.set_header("X-Long", std::string(6000, 'x'));
    r.set_content("small body", "text/plain");
  });
  s.Get("/moved", [](const httplib::Request&, httplib::Response& r) {
    r.status = 302;
    r.set_header("Location", "/hello");
  });
  s.Get("/loop", [](const httplib::Request&, httplib::Response& r) {
    r.status = 307;
    r.set_header("Location", "/loop");
  });
  s.Get("/to-ftp", [](const httplib::Request&, httplib::Response& r) {
    r.status = 301;
    r.set_header("Location", "ftp://127.0.0.1/x");
  });
  s.Put("/moved", [](const httplib::Request&, httplib::Response& r) {
    r.status = 302;
    r.set_header("Location", "/hello");
  });
  const auto echo = [](const httplib::Request& q, httplib::Response& r) {
    r.status = 201;
    r.set_header("X-Method", q.method);
    r.set_header("X-Content-Type", q.has_header("Content-Type") ? q.get_header_value("Content-Type") : "none");
    r.set_header("X-Content-Length", q.get_header_value("Content-Length"));
    r.set_header("X-MD5", TkxMD5::GetMD5FromString(q.body));
    r.set_content(q.method + ":" + q.body, "text/plain");
  };
  for (const char* path : {"/echo"}) {
    s.Put(path, echo);
    s.Patch(path, echo);
    s.Delete(path, echo);
    s.Options(path, echo);
  }
  s.Put("/fail", [](const httplib::Request&, httplib::Response& r) { r.status = 500; });
}

class WinInet : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                             "no_proxy", "NO_PROXY"}) {
      if (const char* v = ::getenv(name)) saved_.emplace_back(name, v);
      ::unsetenv(name);
    }
    Configure(3000, 10000);
    g_progress = {};
  }
  void TearDown() override {
    TkxNet::detail::FinalizeModule();
    TkxNet::detail::SetUploadSizeForTesting(nullptr);
    kx::platform::http::SetTrustStoreForTesting("");
    for (const char* name : {"http_proxy", "https_proxy", "no_proxy"}) ::unsetenv(name);
    for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
    ScratchFolderTest::TearDown();
  }

  // The time-outs in the registry, and the network module loaded again.
  static void Configure(int32_t ConnectTimeout, int32_t ReadTimeout) {
    TkxRegistry::DeleteKey(HKEY_LOCAL_MACHINE, kHttpKey);
    ASSERT_TRUE(TkxRegistry::SetValue(HKEY_LOCAL_MACHINE, kHttpKey, u"ConnectTimeout",
                                      Variant::FromInteger(ConnectTimeout), false));
    ASSERT_TRUE(TkxRegistry::SetValue(HKEY_LOCAL_MACHINE, kHttpKey, u"ReadTimeout",
                                      Variant::FromInteger(ReadTimeout), false));
    TkxNet::detail::FinalizeModule();
    TkxNet::detail::InitializeModule();
  }

  // A file of Size bytes of a pattern.
  std::string MakeFile(const std::string& Name, size_t Size) {
    std::string bytes(Size, '\0');
    for (size_t i = 0; i < Size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    Write(Name, bytes);
    return P(Name);
  }

  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(WinInet, GetHandsBackTheFinalAnswer) {
  LoopbackServer server;
  Routes(server.Http());
  server.Start();

  Outcome o = Get(server.Url("/hello"));
  EXPECT_EQ(o.Error, "");
  EXPECT_EQ(o.Code, 200);
  EXPECT_EQ(o.Header.substr(0, 17), "HTTP/1.1 200 OK\r\n");
  EXPECT_EQ(o.Header.substr(o.Header.size() - 4), "\r\n\r\n");
  EXPECT_NE(o.Header.find("\r\nContent-Length: "), std::string::npos);

  o = Get(server.Url("/missing"));  // an error status is an answer like any other
  EXPECT_EQ(o.Error, "");
  EXPECT_EQ(o.Code, 404);
  EXPECT_EQ(o.Body, "no such page");

  o = Get(server.Url("/big-head"));
  EXPECT_EQ(o.Code, 200);
  EXPECT_GT(o.Header.size(), 6000u);
  EXPECT_NE(o.Header.find("X-Long: " + std::string(6000, 'x') + "\r\n"), std::string::npos);
  EXPECT_EQ(o.Body, "small body");

  o = Get(server.Url("/moved"));  // followed: only the final answer's block
  EXPECT_EQ(o.Code, 200);
  EXPECT_EQ(o.Header.find("302"), std::string::npos) << o.Header;
  EXPECT_NE(o.Body.find("User-Agent: VANTO 5.2"), std::string::npos);

  EXPECT_EQ(Get(server.Url("/loop")).Error, "internet open url exception code 47");
  EXPECT_EQ(Get(server.Url("/to-ftp")).Error, "internet open url exception code 1");

  int32_t code = 0;
  EXPECT_EQ(TkxNet::HTTPGet(ToUtf16(server.Url("/missing")), code), "no such page");
  EXPECT_EQ(code, 404);
}

TEST_F(WinInet, RequestHeadersOnTheWire) {
  RawPeer peer({"HTTP/1.1 204 No Content\r\n\r\n"}, 2);
  Outcome o = Get(peer.Url("/h"), "X-One: 1\r\n\r\nX-Empty:\r\nUser-Agent: mine\r\nX-Two: 2");
  EXPECT_EQ(o.Code, 204);
  o = Send(peer.Url("/h"), "PUT", "body");
  EXPECT_EQ(o.Code, 204);
  const auto requests = peer.Requests(2);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), "GET /h HTTP/1.1");
  for (const char* line : {"\r\nUser-Agent: mine\r\n", "\r\nPragma: no-cache\r\n",
                           "\r\nX-One: 1\r\n", "\r\nX-Two: 2\r\n", "\r\nX-Empty:\r\n"}) {
    EXPECT_NE(requests[0].find(line), std::string::npos) << line << " in\n" << requests[0];
  }
  EXPECT_NE(requests[1].find("\r\nUser-Agent: VANTO 5.2\r\n"), std::string::npos) << requests[1];
  for (const std::string& request : requests) {
    for (const char* absent : {"Expect", "Content-Type", "Cookie", "\r\n\r\n\r\n"}) {
      EXPECT_EQ(request.find(absent), std::string::npos) << absent << " in\n" << request;
    }
  }
}

TEST_F(WinInet, PutBufferSendsAnyVerbAndFollowsNothing) {
  LoopbackServer server;
  Routes(server.Http());
  server.Start();
  const std::string bytes("a\0\xFF+b", 5);
  for (const char* verb : {"PUT", "PATCH", "DELETE"}) {
    const Outcome o = Send(server.Url("/echo"), verb, bytes);
    EXPECT_EQ(o.Error, "") << verb;
    EXPECT_EQ(o.Code, 201) << verb;
    EXPECT_EQ(o.Body, std::string(verb) + ":" + bytes) << verb;
    EXPECT_NE(o.Header.find("X-Content-Type: none\r\n"), std::string::npos) << verb;
    EXPECT_NE(o.Header.find("X-Content-Length: 5\r\n"), std::string::npos) << verb;
  }
  Outcome o = Send(server.Url("/echo"), "OPTIONS", "", "Content-Type: text/x-given\r\n");
  EXPECT_NE(o.Header.find("X-Content-Type: text/x-given\r\n"), std::string::npos);
  EXPECT_NE(o.Header.find("X-Content-Length: 0\r\n"), std::string::npos);

  o = Send(server.Url("/hello"), "HEAD", "");
  EXPECT_EQ(o.Error, "");
  EXPECT_EQ(o.Code, 200);
  EXPECT_EQ(o.Body, "");

  o = Send(server.Url("/moved"), "PUT", "x");
  EXPECT_EQ(o.Code, 302);
  EXPECT_NE(o.Header.find("Location: /hello\r\n"), std::string::npos);

  int32_t code = 0;
  EXPECT_EQ(TkxNet::HTTPPutBuffer(ToUtf16(server.Url("/echo")), "abc", code), "PUT:abc");
  EXPECT_EQ(code, 201);
}

TEST_F(WinInet, PutFileSendsBlocksWithProgress) {
  LoopbackServer server;
  Routes(server.Http());
  server.Start();
  struct Case {
    size_t size;
    std::vector<uint32_t> progress;
  };
  const Case cases[] = {
      {0, {}},  // nothing written, nothing to report
      {4096, {4096}},
      {8192, {4096, 8192}},
      {8193, {4096, 8192, 8193}},
  };
  for (const Case& c : cases) {
    const std::string file = MakeFile("up_" + Decimal(static_cast<int64_t>(c.size)), c.size);
    g_progress = {};
    const Outcome o = PutFile(server.Url("/echo"), file);
    EXPECT_EQ(o.Error, "") << c.size;
    EXPECT_TRUE(o.Result) << c.size;
    EXPECT_EQ(o.Code, 201) << c.size;
    EXPECT_EQ(g_progress.Sent, c.progress) << c.size;
    if (!c.progress.empty()) {
      EXPECT_EQ(g_progress.Total, c.size);
    }
    EXPECT_NE(o.Header.find("X-Content-Length: " + Decimal(static_cast<int64_t>(c.size)) + "\r\n"),
              std::string::npos)
        << c.size;
    const auto md5 = kx::testing::RunBounded({"md5sum", file}, kx::testing::kChildTimeoutMs);
    ASSERT_EQ(md5.ExitCode, 0) << md5.Output;
    std::string digest = md5.Output.substr(0, 32);
    for (char& ch : digest) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_NE(o.Header.find("X-MD5: " + digest + "\r\n"), std::string::npos) << c.size;
    EXPECT_TRUE(std::filesystem::exists(file));
  }
}

TEST_F(WinInet, PutFileDeletesOnlyAfterA2xxAnswer) {
  LoopbackServer server;
  Routes(server.Http());
  server.Start();
  const std::string kept = MakeFile("kept", 100);
  Outcome o = PutFile(server.Url("/fail"), kept, true);
  EXPECT_EQ(o.Code, 500);
  EXPECT_TRUE(o.Result);
  EXPECT_TRUE(std::filesystem::exists(kept));

  const std::string gone = MakeFile("gone", 100);
  int32_t code = 0;
  EXPECT_TRUE(TkxNet::HTTPPutFile(ToUtf16(server.Url("/echo")), ToUtf16(gone), code, nullptr, true));
  EXPECT_EQ(code, 201);
  EXPECT_FALSE(std::filesystem::exists(gone));
}

TEST_F(WinInet, PutFileStopsOnAbortAndOnAnEarlyAnswer) {
  const std::string file = MakeFile("abort", 8193);
  {
    RawPeer peer({"HTTP/1.1 201 Created\r\nContent-Length: 0\r\n\r\n"});
    g_progress = {};
    g_progress.AbortAfter = 1;
    const Outcome o = PutFile(peer.Url("/up"), file, true);
    EXPECT_EQ(o.Error, "");  // an abort raises nothing
    EXPECT_FALSE(o.Result);
    EXPECT_EQ(o.Code, 0);
    EXPECT_EQ(o.Header, "");
    EXPECT_EQ(g_progress.Sent, std::vector<uint32_t>{4096});
    EXPECT_TRUE(std::filesystem::exists(file));
  }
  {
    // 413 as soon as the head is read, then the connection is closed.
    const std::string big = MakeFile("big", 32 << 20);
    g_progress = {};
    RawPeer peer({"HTTP/1.1 413 Payload Too Large\r\nConnection: close\r\nContent-Length: 0\r\n\r\n",
                  0, false, false, true});
    const Outcome o = PutFile(peer.Url("/up"), big);
    EXPECT_EQ(o.Error, "");
    EXPECT_FALSE(o.Result);
    EXPECT_EQ(o.Code, 413);
    EXPECT_EQ(o.Header.substr(0, 30), "HTTP/1.1 413 Payload Too Large");
    EXPECT_LT(g_progress.Sent.size(), (32u << 20) / 4096);
  }
}

TEST_F(WinInet, PutFileAnnouncesSizesBeyond32Bits) {
  const std::string file = MakeFile("huge", 8192);
  const int64_t announced = (int64_t{1} << 32) + 8192;
  TkxNet::detail::SetUploadSizeForTesting([](int64_t size) { return size + (int64_t{1} << 32); });
  RawPeer peer({"HTTP/1.1 201 Created\r\nContent-Length: 0\r\n\r\n"});
  g_progress.AbortAfter = 1;
  const Outcome o = PutFile(peer.Url("/up"), file);
  EXPECT_EQ(o.Error, "");
  EXPECT_FALSE(o.Result);  // 4096 of 4 GiB were sent
  EXPECT_EQ(g_progress.Sent, std::vector<uint32_t>{4096});
  EXPECT_EQ(g_progress.Total, 4294967295u);
  const auto requests = peer.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].find("Content-Length: " + Decimal(announced) + "\r\n"), std::string::npos)
      << requests[0].substr(0, requests[0].find("\r\n\r\n"));

  // Without an abort the file ends short of its size: the upload stops
  // there instead of leaving the server waiting.
  RawPeer again({"HTTP/1.1 201 Created\r\nContent-Length: 0\r\n\r\n"});
  g_progress = {};
  const Outcome shorter = PutFile(again.Url("/up"), file);
  EXPECT_EQ(shorter.Error.substr(0, 23), "http response code 42 (") << shorter.Error;
  EXPECT_EQ(g_progress.Sent, (std::vector<uint32_t>{4096, 8192}));
}

TEST_F(WinInet, FailuresNameTheStep) {
  Configure(3000, 1000);
  const std::string refused = "http://127.0.0.1:" + Decimal(kx::testing::RefusedPort());
  const std::string file = MakeFile("f", 10);
  RawPeer stall({"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx", 4000}, 3);
  RawPeer cut({"HTTP/1.1 200 OK\r\nContent-Length: 100\r\nX-Cut: 1\r\n\r\nabc"}, 2);
  struct Case {
    const char* what;
    Outcome got;
    std::string error;
    int32_t code;
  };
  const Case cases[] = {
      {"GET refused", Get(refused + "/x"), "internet open url exception code 7", 0},
      {"PUT file refused", PutFile(refused + "/x", file), "http response code 7 (", 0},
      {"PUT buffer refused", Send(refused + "/x", "PUT", "b"), "http send request exception code 7", 0},
      {"GET stalled", Get(stall.Url("/x")), "internet open url exception code 28", 0},
      {"PUT file stalled", PutFile(stall.Url("/x"), file), "http response code 28 (Operation timed out", 0},
      {"PUT buffer stalled", Send(stall.Url("/x"), "PUT", "b"), "http send request exception code 28", 0},
      {"GET body cut", Get(cut.Url("/x")), "internet read file exception code 18", 200},
      {"PUT buffer body cut", Send(cut.Url("/x"), "PUT", "b"), "internet read file exception code 18", 200},
      {"GET of another scheme", Get("ftp://127.0.0.1/x"), "internet open url exception code 1", 0},
      {"GET of no URL", Get("no url"), "internet open url exception code 3", 0},
      {"missing file", PutFile(refused + "/x", P("none")), "file handle exception code 2", 0},
      {"no verb", Send(refused + "/x", "BAD VERB", "b"), "internet open request exception code 43", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.got.Error.substr(0, c.error.size()), c.error) << c.what << ": " << c.got.Error;
    EXPECT_EQ(c.got.Code, c.code) << c.what;
  }
  EXPECT_NE(cases[6].got.Header.find("X-Cut: 1\r\n"), std::string::npos);  // set before the raise
  EXPECT_EQ(cases[0].got.Header, "stale");  // no answer: left as it was
}

TEST_F(WinInet, TimeoutsComeFromTheFactory) {
  Configure(1234, 5678);
  kx::platform::http::InternetClient client("x");
  TkxNet::detail::ApplyInternetTimeouts(client);
  EXPECT_EQ(client.ConnectTimeout(), 1234);
  EXPECT_EQ(client.ReceiveTimeout(), 5678);
  EXPECT_EQ(client.SendTimeout(), 5678);
  TkxNet::detail::FinalizeModule();
  const Outcome o = Get("http://127.0.0.1:1/");
  EXPECT_EQ(o.Error, "the network settings are not loaded");
}

TEST_F(WinInet, TlsIsVerifiedAgainstTheTrustStore) {
  const auto& certs = kx::testing::Certificates();
  LoopbackServer good(certs.ServerCert, certs.ServerKey);
  LoopbackServer other(certs.OtherCert, certs.OtherKey);  // for another host name
  for (LoopbackServer* s : {&good, &other}) {
    Routes(s->Http());
    s->Start();
  }
  const Outcome refused = Get(good.Url("/hello"));  // the test CA is not in the system's store
  EXPECT_EQ(refused.Error.substr(0, 33), "internet open url exception code ") << refused.Error;
  EXPECT_EQ(refused.Code, 0);

  kx::platform::http::SetTrustStoreForTesting(certs.CaCert);
  Outcome o = Get(good.Url("/hello"));
  EXPECT_EQ(o.Error, "");
  EXPECT_EQ(o.Code, 200);
  o = Send(good.Url("/echo"), "PUT", "x");  // "https" survives the rebuilt URL
  EXPECT_EQ(o.Body, "PUT:x");
  o = Get(other.Url("/hello"));
  EXPECT_EQ(o.Error, "internet open url exception code 60");
}

TEST_F(WinInet, TheEnvironmentsProxyActs) {
  RawPeer proxy({"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}, 2);
  ::setenv("http_proxy", ("http://127.0.0.1:" + Decimal(proxy.Port())).c_str(), 1);
  Outcome o = Get("http://example.invalid/a b?c=1+2");
  EXPECT_EQ(o.Body, "ok");
  o = Send("http://example.invalid", "PUT", "b");  // the rebuilt URL has a path
  EXPECT_EQ(o.Body, "ok");
  const auto requests = proxy.Requests(2);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")),
            "GET http://example.invalid/a%20b?c=1+2 HTTP/1.1");
  EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), "PUT http://example.invalid/ HTTP/1.1");

  // https goes through a tunnel to port 443; this proxy refuses it.
  RawPeer tunnel({"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"});
  ::setenv("https_proxy", ("http://127.0.0.1:" + Decimal(tunnel.Port())).c_str(), 1);
  o = Send("HTTPS://example.invalid/x", "PUT", "b");
  EXPECT_EQ(o.Error.substr(0, 33), "http send request exception code ") << o.Error;
  ASSERT_EQ(tunnel.Requests().size(), 1u);
  const std::string connect = tunnel.Requests()[0];
  EXPECT_EQ(connect.substr(0, connect.find("\r\n")), "CONNECT example.invalid:443 HTTP/1.1");

  LoopbackServer server;
  Routes(server.Http());
  server.Start();
  ::setenv("http_proxy", ("http://127.0.0.1:" + Decimal(kx::testing::RefusedPort())).c_str(), 1);
  ::setenv("no_proxy", "127.0.0.1", 1);
  EXPECT_EQ(Get(server.Url("/hello")).Code, 200);
}

}  // namespace
