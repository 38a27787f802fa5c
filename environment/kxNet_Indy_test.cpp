#include "environment/kxNet_Indy.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "environment/kxClassFactory.h"
#include "environment/kxNet.h"
#include "platform/http/HttpErrors.h"
#include "platform/rtl/Variant.h"
#include "system/internal/kxCipherToolsEvo3.h"
#include "system/kxRegistry.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/Process.h"
#include "tests/support/RawPeer.h"
#include "tests/support/TestCertificates.h"

namespace {

using namespace std::string_literals;
using kx::testing::LoopbackServer;
using kx::testing::RawPeer;

const UnicodeString kHttpKey = u"SOFTWARE\\vanto\\System\\HTTP";

std::string Decimal(int64_t Value) {
  char digits[24];
  return std::string(digits, std::to_chars(digits, digits + sizeof(digits), Value).ptr);
}

// What a request gave: its result, status and header text, and the class
// and message of what it raised ("" when nothing).
struct Outcome {
  AnsiString Body;
  int32_t Code = 12345;
  AnsiString Header = "stale";
  std::string Class;
  std::string Message;
};

Outcome Run(const std::function<AnsiString(int32_t&, AnsiString&)>& Call) {
  Outcome o;
  try {
    o.Body = Call(o.Code, o.Header);
  } catch (const Exception& e) {
    o.Class = ToUtf8(e.ClassName());
    o.Message = ToUtf8(e.Message);
  }
  return o;
}

Outcome Get(const std::string& Url, TkxHTTPHeaderType Type = kxHHT_Raw) {
  return Run([&](int32_t& code, AnsiString& header) {
    return TkxIndy::HTTPGet(ToUtf16(Url), code, header, Type);
  });
}

Outcome Put(const std::string& Url, const AnsiString& Body, const UnicodeString& Type = u"") {
  return Run([&](int32_t& code, AnsiString& header) {
    return TkxIndy::HTTPPut(ToUtf16(Url), Body, Type, code, header, kxHHT_Raw);
  });
}

// A port on 127.0.0.1 that nobody listens on.
int DeadPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t n = sizeof(a);
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  ::close(s);
  return ntohs(a.sin_port);
}

void Routes(httplib::Server& s) {
  s.Put("/created", [](const httplib::Request&, httplib::Response& r) {
    r.status = 201;
    r.set_header("BlobId", "7");
    r.set_content("blob-7", "text/plain");
  });
  s.Put("/nocontent", [](const httplib::Request&, httplib::Response& r) { r.status = 204; });
  s.Get("/missing", [](const httplib::Request&, httplib::Response& r) {
    r.status = 404;
    r.set_header("Error-Message", "no such blob");
    r.set_content("not here", "text/plain");
  });
  s.Get("/failing", [](const httplib::Request&, httplib::Response& r) {
    r.status = 500;
    r.set_content("broken", "text/plain");
  });
  s.Get("/redirect", [](const httplib::Request&, httplib::Response& r) {
    r.status = 302;
    r.set_header("Location", "/hello");
  });
  s.Get("/hello", [](const httplib::Request&, httplib::Response& r) { r.set_content("hello", "text/plain"); });
  s.Get("/peer", [](const httplib::Request& q, httplib::Response& r) {
    r.set_content(Decimal(q.remote_port), "text/plain");
  });
  const auto echo = [](const httplib::Request& q, httplib::Response& r) {
    r.set_header("X-Method", q.method);
    r.set_header("X-Content-Type", q.has_header("Content-Type") ? q.get_header_value("Content-Type") : "none");
    r.set_content(q.body, "application/octet-stream");
  };
  s.Put("/echo", echo);
  s.Post("/echo", echo);
}

// A registry of its own, and the network module loaded from it.
class Indy : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* v = ::getenv("VANTO_REGISTRY_DIR")) saved_ = v;
    const char* tmp = ::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/kxindy.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ::setenv("VANTO_REGISTRY_DIR", dir_.c_str(), 1);
    Configure({});
  }
  void TearDown() override {
    TkxNet::detail::FinalizeModule();
    ::setenv("VANTO_REGISTRY_DIR", saved_.c_str(), 1);
    std::filesystem::remove_all(dir_);
  }

  // Writes the HTTP settings (short time-outs unless given) and loads the
  // module again.
  static void Configure(const std::vector<std::pair<UnicodeString, Variant>>& Values) {
    TkxRegistry::DeleteKey(HKEY_LOCAL_MACHINE, kHttpKey);
    ASSERT_TRUE(TkxRegistry::SetValue(HKEY_LOCAL_MACHINE, kHttpKey, u"ConnectTimeout",
                                      Variant::FromInteger(3000), false));
    ASSERT_TRUE(TkxRegistry::SetValue(HKEY_LOCAL_MACHINE, kHttpKey, u"ReadTimeout",
                                      Variant::FromInteger(10000), false));
    for (const auto& [name, value] : Values) {
      ASSERT_TRUE(TkxRegistry::SetValue(HKEY_LOCAL_MACHINE, kHttpKey, name, value, false));
    }
    TkxNet::detail::FinalizeModule();
    TkxNet::detail::InitializeModule();
  }

  std::string dir_, saved_;
};

TEST_F(Indy, AnswersOfALoopbackServer) {
  LoopbackServer server;
  Routes(server.Http());
  server.Start();
  struct Case {
    const char* what;
    Outcome got;
    int32_t code;
    AnsiString body;
    std::string error;  // class " - " message
  };
  const Case cases[] = {
      {"201 with a body", Put(server.Url("/created"), "data"), 201, "blob-7", ""},
      {"204 without one", Put(server.Url("/nocontent"), "data"), 204, "", ""},
      {"404", Get(server.Url("/missing")), 404, "", "EIdHTTPProtocolException - HTTP/1.1 404 Not Found"},
      {"500", Get(server.Url("/failing")), 500, "",
       "EIdHTTPProtocolException - HTTP/1.1 500 Internal Server Error"},
      {"302 is not followed", Get(server.Url("/redirect")), 302, "",
       "Exception - HTTP response code 302 - HTTP/1.1 302 Found"},
      {"GET", Get(server.Url("/hello")), 200, "hello", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.got.Code, c.code) << c.what;
    EXPECT_EQ(c.got.Body, c.body) << c.what;
    EXPECT_EQ(c.got.Class.empty() ? "" : c.got.Class + " - " + c.got.Message, c.error) << c.what;
    // the header lines on every path: no status line, CR LF each, no blank last line
    EXPECT_NE(c.got.Header.find("Content-Length: "), std::string::npos) << c.what;
    EXPECT_EQ(c.got.Header.find("HTTP/"), std::string::npos) << c.what;
    EXPECT_EQ(c.got.Header.substr(c.got.Header.size() - 2), "\r\n") << c.what;
    EXPECT_NE(c.got.Header.substr(c.got.Header.size() - 4), "\r\n\r\n") << c.what;
  }
  EXPECT_NE(cases[0].got.Header.find("BlobId: 7\r\n"), std::string::npos);
  EXPECT_EQ(TkxNet::GetHttpRawHeaderValue("Error-Message", cases[2].got.Header), "no such blob");
}

TEST_F(Indy, ProtocolErrorCarriesStatusAndBody) {
  LoopbackServer server;
  Routes(server.Http());
  server.Start();
  try {
    TkxIndy::HTTPGet(ToUtf16(server.Url("/missing")));
    FAIL() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorCode, 404);
    EXPECT_EQ(e.ErrorMessage, "not here");
  }
}

TEST_F(Indy, HeaderTypeChoosesTheHeaderText) {
  LoopbackServer server;
  Routes(server.Http());
  server.Start();
  EXPECT_EQ(Get(server.Url("/hello"), kxHHT_Custom).Header, "");
  EXPECT_EQ(Get(server.Url("/missing"), kxHHT_Custom).Header, "");
  EXPECT_EQ(Get(server.Url("/hello"), static_cast<TkxHTTPHeaderType>(9)).Header, "stale");
}

TEST_F(Indy, BodiesTravelWholeAndByteForByte) {
  LoopbackServer server;
  Routes(server.Http());
  server.Start();
  const AnsiString bytes = "a\x00\xFF\r\n\x80z"s;
  int32_t code = 0;
  AnsiString header;
  EXPECT_EQ(TkxIndy::HTTPPut(ToUtf16(server.Url("/echo")), bytes, u"application/x-kx", code, header,
                             kxHHT_Raw),
            bytes);
  EXPECT_EQ(TkxNet::GetHttpRawHeaderValue("X-Content-Type", header), "application/x-kx");
  EXPECT_EQ(TkxIndy::HTTPPost(ToUtf16(server.Url("/echo")), bytes, u"", code, header, kxHHT_Raw), bytes);
  EXPECT_EQ(TkxNet::GetHttpRawHeaderValue("X-Method", header), "POST");
  EXPECT_EQ(TkxNet::GetHttpRawHeaderValue("X-Content-Type", header), "none");  // no form type

  // A stream positioned at its end is still sent whole, for both methods.
  MemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(TkxIndy::HTTPPut(ToUtf16(server.Url("/echo")), stream, u"", code), bytes);
  EXPECT_EQ(TkxIndy::HTTPPost(ToUtf16(server.Url("/echo")), stream, u"text/plain", code), bytes);
  EXPECT_EQ(code, 200);
}

TEST_F(Indy, GetIntoAStreamWritesFromItsPosition) {
  LoopbackServer server;
  Routes(server.Http());
  server.Start();
  const UnicodeString file = ToUtf16(dir_ + "/body.bin");
  ::FileStream stream(file, fmCreate);
  stream.WriteBuffer("HEAD", 4);
  int32_t code = 0;
  AnsiString header;
  EXPECT_TRUE(TkxIndy::HTTPGet(ToUtf16(server.Url("/hello")), stream, code, header, kxHHT_Raw));
  EXPECT_EQ(stream.Position(), 9);  // neither rewound nor freed
  EXPECT_THROW(TkxIndy::HTTPGet(ToUtf16(server.Url("/missing")), stream, code, header, kxHHT_Raw),
               EIdHTTPProtocolException);
  EXPECT_EQ(code, 404);
  std::string content(static_cast<size_t>(stream.Size()), '\0');
  stream.SetPosition(0);
  stream.ReadBuffer(content.data(), stream.Size());
  EXPECT_EQ(content, "HEADhello");  // the error body went elsewhere
}

TEST_F(Indy, TransportFailuresAndOddAnswers) {
  struct Case {
    const char* what;
    RawPeer::Answer answer;
    int32_t code;
    AnsiString header;
    std::string error;  // class, or class " - " message
  };
  const Case cases[] = {
      {"reason phrase with a trailing blank",
       {"HTTP/1.1 404 Not Found \r\nContent-Length: 0\r\n\r\n"}, 404, "Content-Length: 0\r\n",
       "EIdHTTPProtocolException - HTTP/1.1 404 Not Found "},
      {"folded header",
       {"HTTP/1.1 200 OK\r\nX-Long: first\r\n  second\r\nContent-Length: 2\r\n\r\nok"}, 200,
       "X-Long: first second\r\nContent-Length: 2\r\n", ""},
      {"only the final answer counts",
       {"HTTP/1.1 100 Continue\r\nX-Early: 1\r\n\r\nHTTP/1.1 201 Created\r\nA: 1\r\nContent-Length: 0\r\n\r\n"},
       201, "A: 1\r\nContent-Length: 0\r\n", ""},
      {"no status line", {"hello\r\n"}, -1, "", "EIdException"},
      {"closed before the answer", {"", 0, true}, -1, "", "EIdConnClosedGracefully"},
      {"body cut short", {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"}, 200,
       "Content-Length: 10\r\n", "EIdConnClosedGracefully"},
  };
  for (const Case& c : cases) {
    RawPeer peer(c.answer);
    const Outcome o = Put(peer.Url("/x"), "body");
    EXPECT_EQ(o.Code, c.code) << c.what;
    EXPECT_EQ(o.Header, c.header) << c.what;
    const std::string error = c.error.find(" - ") != std::string::npos ? o.Class + " - " + o.Message : o.Class;
    EXPECT_EQ(error, c.error) << c.what << ": " << o.Message;
  }

  const Outcome refused = Get("http://127.0.0.1:" + Decimal(DeadPort()) + "/x");
  EXPECT_EQ(refused.Class, "EIdSocketError");
  EXPECT_EQ(refused.Code, -1);
  EXPECT_EQ(refused.Header, "");
  EXPECT_EQ(Get("http://127.0.0.1:" + Decimal(DeadPort()) + "/x", kxHHT_Custom).Header, "");
}

TEST_F(Indy, ReadTimeoutLimitsInactivity) {
  Configure({{u"ReadTimeout", Variant::FromInteger(300)}});
  // The peer stalls far longer than the bound below, which only a client
  // that ignores its read timeout reaches, however loaded the machine.
  RawPeer peer({"", 120000, true});
  const auto start = std::chrono::steady_clock::now();
  const Outcome o = Get(peer.Url("/stall"));
  EXPECT_EQ(o.Class, "EIdReadTimeout");
  EXPECT_EQ(o.Code, -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

// Base64 text in a query keeps its "+": the transport escapes it, and what
// a URL cannot carry, on the wire.
TEST_F(Indy, QueryPlusAndUnsafeBytesAreEscapedOnTheWire) {
  RawPeer peer({"HTTP/1.1 201 Created\r\nContent-Length: 0\r\n\r\n"}, 2);
  Put(peer.Url("/up?data=ab+c/d==&name=a b\xC3\xA9&done=%41"), "x");
  const std::string first = peer.Requests(1).at(0);
  EXPECT_EQ(first.substr(0, first.find("\r\n")),
            "PUT /up?data=ab%2Bc/d==&name=a%20b%C3%A9&done=%41 HTTP/1.1");

  // What BuildUrl writes under mega arrives as it was built.
  const AnsiString url = TkxNet::BuildUrl(ToUtf16(peer.Url("/")), u"kxblobupload",
                                          {u"BlobId=7", u"Name=a b+c"}, kxENC_Mega);
  Put(url, "x");
  const std::string second = peer.Requests(2).at(1);
  const std::string target = second.substr(4, second.find(" HTTP/1.1") - 4);
  EXPECT_EQ(target.find('+'), std::string::npos);
  TkxEncoding encoding = kxENC_None;
  const TkxUrlParams params = TkxNet::ParseUrlParams(target.substr(target.find('?') + 1), encoding);
  EXPECT_EQ(encoding, kxENC_Mega);
  EXPECT_EQ(TkxNet::GetUrlParamValue(u"blobid", params, u"", false), u"7");
  EXPECT_EQ(TkxNet::GetUrlParamValue(u"name", params, u"", false), u"a b+c");
}

TEST_F(Indy, EightRequestsInParallel) {
  LoopbackServer server;
  Routes(server.Http());
  server.Start();
  std::vector<std::thread> threads;
  std::vector<int> good(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 5; ++i) {
        const AnsiString body(static_cast<size_t>(1000 + t * 100 + i), static_cast<char>('a' + t));
        int32_t code = 0;
        try {
          if (TkxIndy::HTTPPut(ToUtf16(server.Url("/echo")), body, u"", code) == body && code == 200) {
            ++good[static_cast<size_t>(t)];
          }
        } catch (...) {
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(good, std::vector<int>(8, 5));
}

TEST_F(Indy, IgnoresTheProxyEnvironment) {
  LoopbackServer server;
  Routes(server.Http());
  server.Start();
  const std::string dead = "http://127.0.0.1:" + Decimal(DeadPort());
  for (const char* name : {"http_proxy", "HTTPS_PROXY", "ALL_PROXY"}) ::setenv(name, dead.c_str(), 1);
  const Outcome o = Get(server.Url("/hello"));
  for (const char* name : {"http_proxy", "HTTPS_PROXY", "ALL_PROXY"}) ::unsetenv(name);
  EXPECT_EQ(o.Body, "hello") << o.Class << " " << o.Message;
}

TEST_F(Indy, SendsFromTheBoundAddressAndPortRange) {
  LoopbackServer server;
  Routes(server.Http());
  server.Start();
  const int low = 20000 + static_cast<int>(::getpid() % 2000) * 20;
  Configure({{u"BoundIP", Variant::FromUString(u"127.0.0.1")},
             {u"BoundPortMin", Variant::FromInteger(low)},
             {u"BoundPortMax", Variant::FromInteger(low + 19)}});
  for (int i = 0; i < 2; ++i) {
    const Outcome o = Get(server.Url("/peer"));
    ASSERT_EQ(o.Class, "") << o.Message;
    int port = 0;
    std::from_chars(o.Body.data(), o.Body.data() + o.Body.size(), port);
    EXPECT_GE(port, low);
    EXPECT_LE(port, low + 19);
  }
}

TEST_F(Indy, ReInitializeSSLAnswersWhetherTlsLoads) { EXPECT_TRUE(TkxIndy::ReInitializeSSL()); }

// ---- TLS ---------------------------------------------------------------------------------

class IndyTls : public Indy {
 protected:
  static const kx::testing::TestCertificates& Certs() { return kx::testing::Certificates(); }
};

TEST_F(IndyTls, VerificationFollowsTheSettings) {
  LoopbackServer good(Certs().ServerCert, Certs().ServerKey);
  LoopbackServer other(Certs().OtherCert, Certs().OtherKey);  // issued for another host name
  for (LoopbackServer* s : {&good, &other}) {
    Routes(s->Http());
    s->Start();
  }
  const Variant peer = Variant::FromUString(u"[sslvrfPeer]");
  const Variant ca = Variant::FromUString(ToUtf16(Certs().CaCert));
  struct Case {
    const char* what;
    std::vector<std::pair<UnicodeString, Variant>> settings;
    LoopbackServer* server;
    std::string error;
  };
  const Case cases[] = {
      {"https with UseSSL off, nothing verified", {}, &good, ""},
      {"nothing verified: any certificate passes", {}, &other, ""},
      {"peer verified against the CA", {{u"VerifyMode", peer}, {u"RootCertFile", ca}}, &good, ""},
      {"peer verified without the CA", {{u"VerifyMode", peer}}, &good, "EIdOSSLConnectError"},
      {"a valid chain for another host name", {{u"VerifyMode", peer}, {u"RootCertFile", ca}}, &other,
       "EIdOSSLConnectError"},
      {"UseSSL on", {{u"UseSSL", Variant::FromInteger(1)}},
       &good, ""},
  };
  for (const Case& c : cases) {
    Configure(c.settings);
    const Outcome o = Get(c.server->Url("/hello"));
    EXPECT_EQ(o.Class, c.error) << c.what << ": " << o.Message;
    EXPECT_EQ(o.Body, c.error.empty() ? "hello" : "") << c.what;
    if (!c.error.empty()) {
      EXPECT_EQ(o.Code, -1) << c.what;
    }
  }

  LoopbackServer plain;
  Routes(plain.Http());
  plain.Start();
  Configure({{u"UseSSL", Variant::FromInteger(1)}});
  EXPECT_EQ(Get(plain.Url("/hello")).Body, "hello");  // the scheme decides
}

TEST_F(IndyTls, ClientCertificateWithAnEncipheredKey) {
  LoopbackServer server(Certs().ServerCert, Certs().ServerKey, Certs().CaCert);
  Routes(server.Http());
  server.Start();
  const auto with = [&](const AnsiString& password) {
    Configure({{u"CertFile", Variant::FromUString(ToUtf16(Certs().ClientCert))},
               {u"KeyFile", Variant::FromUString(ToUtf16(Certs().ClientKey))},
               {u"Password", Variant::FromUString(ToUtf16(kxInternal::TkxCipher::EncodeLogon(password)))}});
    return Get(server.Url("/hello"));
  };
  EXPECT_EQ(with(Certs().ClientKeyPassword).Body, "hello");
  EXPECT_EQ(with("wrong").Class, "EIdOSSLConnectError");
  Configure({});
  EXPECT_NE(Get(server.Url("/hello")).Class, "");  // no certificate, no answer
}

TEST_F(IndyTls, AnEmptyVersionSetFailsBeforeConnecting) {
  Configure({{u"SSLVersions", Variant::FromUString(u"[]")}});
  // Nobody listens there: a connection attempt would fail differently.
  const Outcome o = Get("https://127.0.0.1:" + Decimal(DeadPort()) + "/x");
  EXPECT_EQ(o.Class, "EIdOSSLConnectError");
  EXPECT_NE(o.Message.find("version set is empty"), std::string::npos) << o.Message;
  EXPECT_EQ(o.Code, -1);
}

TEST_F(IndyTls, VersionSetAgainstATls11OnlyServer) {
  kx::testing::BackgroundProgram server(
      {"openssl", "s_server", "-accept", "127.0.0.1:0", "-cert", Certs().ServerCert, "-key",
       Certs().ServerKey, "-www", "-tls1_1", "-cipher", "DEFAULT@SECLEVEL=0"});
  const std::string output = server.WaitForOutput("ACCEPT", 10000);
  const size_t colon = output.find(':', output.find("ACCEPT"));
  ASSERT_NE(colon, std::string::npos) << output;
  const std::string url = "https://127.0.0.1:" + output.substr(colon + 1, output.find('\n', colon) - colon - 1) + "/";

  EXPECT_EQ(Get(url).Class, "EIdOSSLConnectError");  // the default set is TLS 1.2 and up
  Configure({{u"SSLVersions", Variant::FromUString(u"[TLSv1_1]")},
             {u"CipherList", Variant::FromUString(u"DEFAULT@SECLEVEL=0")}});
  const Outcome o = Get(url);
  EXPECT_EQ(o.Class, "") << o.Message;
  EXPECT_EQ(o.Code, 200);
}

}  // namespace
