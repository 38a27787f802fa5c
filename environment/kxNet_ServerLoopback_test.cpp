// The HTTP server as the product's services run it (made by the network
// settings factory, replies written by TkxIndy), on 127.0.0.1 with
// independent clients: curl, openssl s_client, python3 and raw sockets.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "environment/kxClassFactory.h"
#include "environment/kxNet.h"
#include "environment/kxVanto_Paths.h"
#include "platform/http/HttpErrors.h"
#include "platform/http/HttpServer.h"
#include "platform/net/tcp_client.h"
#include "system/kxMD5.h"
#include "tests/support/Process.h"
#include "tests/support/TestCertificates.h"

namespace {

using kx::platform::http::HttpServer;
using kx::platform::http::TlsSettings;
using kx::testing::RunBounded;
using namespace std::string_literals;

bool Have(const std::string& Tool) {
  return RunBounded({Tool, Tool == "openssl" ? "version" : "--version"}, 10000).ExitCode == 0;
}
#define REQUIRE_TOOL(t) \
  if (!Have(t)) GTEST_SKIP() << t << " is not there"

std::string Scratch(const std::string& Name) {
  const std::filesystem::path p = std::filesystem::path(std::getenv("TMPDIR")) / Name;
  return p.string();
}

// The services' handler: what to answer comes from the path.
void Route(TIdContext& Context, TIdHTTPRequestInfo& In, TIdHTTPResponseInfo& Out) {
  const std::string& path = In.Document;
  if (path.rfind("/status/", 0) == 0) {
    TkxIndy::SetHTTPResponse(Out, std::stoi(path.substr(8)), "status body", u"text/plain", u"", false, 0);
  } else if (path == "/gzip") {
    TkxIndy::SetHTTPResponse(Out, 200, std::string(200000, 'g') + "end", u"text/plain", u"utf-8", true, 2);
  } else if (path == "/echo") {
    const auto request = TkxIndy::GetHTTPRequestObject(In);
    TkxHTTPResponse response;
    response.SetHeader(u"X-Method", request->CommandStr());
    response.SetHeader(u"X-Length", std::to_string(request->ContentLength()));
    response.SetHeader(u"X-Peer", ToUtf8(request->IP()));
    response.SetHeader(u"X-Port", std::to_string(Context.PeerPort));
    response.SetHeader(u"X-Agent", request->GetHeader(u"user-agent"));
    response.SetHeader(u"X-Query", ToUtf8(request->GetURIQueryItem(u"Q")));
    response.SetContentText(TkxMD5::GetMD5FromString(request->ContentText()));
    response.SetContentType(u"text/plain");
    TkxIndy::SetHTTPResponse(Out, response);
  } else if (path.rfind("/web/", 0) == 0) {
    TkxIndy::SetHTTPResponse(In, Out, Context, u"", 1);
  } else if (path == "/fail") {
    throw Exception(u"the handler failed");
  } else if (path.rfind("/sleep/", 0) == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(path.substr(7))));
    TkxIndy::SetHTTPResponse(Out, 200, "slept", u"text/plain", u"", false, 0);
  } else if (path == "/split") {
    TkxIndy::SetHTTPResponse(Out, 200, "x", {"X-A: 1\r\nSet-Cookie: a=b"}, u"text/plain", u"");
  }
  // Anything else: the reply as the response info stands.
}

class Served {
 public:
  explicit Served(const std::function<void(HttpServer&)>& Configure = {}) {
    TkxClassFactory factory;
    factory.ServerName = "kx test";
    factory.HttpServerOptions.Bindings = {{"127.0.0.1", Id_IPv4}};
    server_ = factory.CreateHttpServer(0, false);
    server_->OnCommand = Route;
    server_->OnError = [this](const std::string& text) {
      std::lock_guard lock(mutex_);
      errors_.push_back(text);
    };
    if (Configure) Configure(*server_);
    server_->SetActive(true);
  }
  HttpServer& Server() { return *server_; }
  int Port() const { return server_->BoundPort(); }
  std::string Url(const std::string& Path, bool Tls = false) const {
    return (Tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(Port()) + Path;
  }
  std::vector<std::string> Errors() {
    std::lock_guard lock(mutex_);
    return errors_;
  }

 private:
  std::unique_ptr<HttpServer> server_;
  std::mutex mutex_;
  std::vector<std::string> errors_;
};

// Sends Bytes on a new connection and reads until the server closes it or
// nothing comes for IdleMs.
std::string Exchange(int Port, const std::string& Bytes, int IdleMs = 3000) {
  kx::platform::net::TcpClient c;
  c.Connect("127.0.0.1", Port, true, 2000);
  for (size_t sent = 0; sent < Bytes.size();) {
    const size_t n = c.Send(Bytes.data() + sent, Bytes.size() - sent);
    if (n == 0) break;
    sent += n;
  }
  std::string answer;
  char buffer[65536];
  while (c.WaitForData(IdleMs)) {
    size_t n = 0;
    try {
      n = c.Receive(buffer, sizeof buffer);
    } catch (const ESocketError&) {
      break;
    }
    if (n == 0) break;
    answer.append(buffer, n);
  }
  return answer;
}

std::string StatusLine(const std::string& Reply) { return Reply.substr(0, Reply.find("\r\n")); }

// ---- curl ------------------------------------------------------------------------------

TEST(ServerWithCurl, StatusLinesGoOutExactly) {
  REQUIRE_TOOL("curl");
  Served s;
  const std::pair<int, std::string> cases[] = {
      {203, "HTTP/1.1 203 Non-authoritative Information \r\n"},
      {205, "HTTP/1.1 205 Reset Content \r\n"},
      {414, "HTTP/1.1 414 Request-URI Too Long. 256 Chars max\r\n"},
      {299, "HTTP/1.1 299 Unknown\r\n"},
  };
  for (const auto& [code, line] : cases) {
    const auto r = RunBounded({"curl", "-sS", "-i", "--max-time", "20", s.Url("/status/" + std::to_string(code))}, 30000);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_EQ(r.Output.substr(0, line.size()), line);
    EXPECT_NE(r.Output.find("\r\nServer: kx test\r\n"), std::string::npos) << r.Output;
  }
}

TEST(ServerWithCurl, CompressedLargeKeptAliveHeadAndUntouched) {
  REQUIRE_TOOL("curl");
  Served s;
  auto r = RunBounded({"curl", "-sS", "--compressed", "--max-time", "20", s.Url("/gzip")}, 30000);
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_EQ(r.Output, std::string(200000, 'g') + "end");

  // A 3 MB body that waits for "100 Continue".
  const std::string file = Scratch("upload.bin");
  std::string body(3 << 20, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7 % 251);
  std::ofstream(file, std::ios::binary) << body;
  r = RunBounded({"curl", "-sS", "-v", "--max-time", "30", "-H", "Expect: 100-continue", "--data-binary",
                  "@" + file, s.Url("/echo")},
                 40000);
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_NE(r.Output.find("HTTP/1.1 100 Continue"), std::string::npos);
  EXPECT_NE(r.Output.find(TkxMD5::GetMD5FromString(body)), std::string::npos);
  EXPECT_NE(r.Output.find("X-LENGTH: 3145728"), std::string::npos);
  std::filesystem::remove(file);

  // Two requests on one connection: the same peer port answers both.
  r = RunBounded({"curl", "-sS", "-i", "--max-time", "20", s.Url("/echo"), s.Url("/echo?q=2")}, 30000);
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  const size_t first = r.Output.find("X-PORT: "), second = r.Output.find("X-PORT: ", first + 1);
  ASSERT_NE(second, std::string::npos) << r.Output;
  EXPECT_EQ(r.Output.substr(first, r.Output.find("\r\n", first) - first),
            r.Output.substr(second, r.Output.find("\r\n", second) - second));
  EXPECT_NE(r.Output.find("X-QUERY: 2\r\n"), std::string::npos);

  // HEAD: the length of the body, no body.
  const std::string head = Exchange(s.Port(), "HEAD /status/200 HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(StatusLine(head), "HTTP/1.1 200 OK");
  EXPECT_NE(head.find("Content-Length: 11\r\n"), std::string::npos) << head;
  EXPECT_EQ(head.substr(head.find("\r\n\r\n") + 4), "");

  // A handler that writes nothing: the response info goes out as it stands.
  const std::string untouched = Exchange(s.Port(), "DELETE /other HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(StatusLine(untouched), "HTTP/1.1 200 OK");
  EXPECT_NE(untouched.find("Content-Length: 0\r\n"), std::string::npos) << untouched;
  EXPECT_TRUE(s.Errors().empty());
}

TEST(ServerWithCurl, ServesFilesAndNothingOutsideThePublicFolder) {
  REQUIRE_TOOL("curl");
  const std::string root = ToUtf8(TkxVanto::GetPubRootPath());
  std::filesystem::create_directories(root + "docs");
  std::string content(5 << 20, 'f');
  content += "end";
  std::ofstream(root + "docs/big.txt", std::ios::binary) << content;
  std::filesystem::create_directories(root + "../../cfg");
  std::ofstream(root + "../../cfg/kxsyscfg.udl", std::ios::binary) << "Password=secret";
  Served s;
  auto r = RunBounded({"curl", "-sS", "--max-time", "20", s.Url("/web/docs/big.txt")}, 30000);
  ASSERT_EQ(r.ExitCode, 0);
  EXPECT_TRUE(r.Output == content) << r.Output.size();
  r = RunBounded({"curl", "-sS", "-i", "--path-as-is", "--max-time", "20",
                  s.Url("/web/%2e%2e/%2e%2e/cfg/kxsyscfg.udl")},
                 30000);
  EXPECT_EQ(StatusLine(r.Output), "HTTP/1.1 500 Internal Server Error");
  EXPECT_EQ(r.Output.find("secret"), std::string::npos);
  EXPECT_EQ(r.Output.substr(r.Output.find("\r\n\r\n") + 4), "");
  EXPECT_EQ(s.Errors(), std::vector<std::string>{"invalid file path"});
  std::filesystem::remove_all(root + "docs");
}

TEST(ServerWithCurl, AFailingHandlerGives500AndItsTextGoesToTheHook) {
  REQUIRE_TOOL("curl");
  Served s;
  for (const std::string path : {"/fail", "/split"}) {
    const auto r = RunBounded({"curl", "-sS", "-i", "--max-time", "20", s.Url(path)}, 30000);
    EXPECT_EQ(StatusLine(r.Output), "HTTP/1.1 500 Internal Server Error");
    EXPECT_EQ(r.Output.find("failed"), std::string::npos);  // never to the client
    EXPECT_EQ(r.Output.find("Set-Cookie"), std::string::npos);
    EXPECT_EQ(r.Output.substr(r.Output.find("\r\n\r\n") + 4), "");
  }
  const auto errors = s.Errors();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], "the handler failed");
  EXPECT_NE(errors[1].find("invalid character"), std::string::npos) << errors[1];
}

// ---- raw requests, limits and the life of the server -------------------------------------

TEST(ServerLimits, MalformedRequestsHeaderLinesAndBodies) {
  Served s([](HttpServer& h) {
    h.MaximumHeaderLineCount = 5;
    h.BodyLimit = 1000;
  });
  const std::string five = "A: 1\r\nB: 1\r\nC: 1\r\nD: 1\r\nHost: h\r\n";
  struct Case {
    std::string request, status;
  };
  const Case cases[] = {
      {"GARBAGE\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"GET / HTTP/9\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"GET / HTTP/1.1\r\nBad Header\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"GET / HTTP/1.1\r\nContent-Length: x\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"GET /status/201 HTTP/1.1\r\n" + five + "Connection: close\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"GET /status/201 HTTP/1.1\r\n" + five + "\r\n", "HTTP/1.1 201 Created"},
      {"GET / HTTP/1.1\r\nX: " + std::string(1100000, 'x') + "\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"PUT /echo HTTP/1.1\r\nHost: h\r\nContent-Length: 1001\r\n\r\n" + std::string(1001, 'b'),
       "HTTP/1.1 413 Content Too Large"},
      {"PUT /echo HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n3e9\r\n" + std::string(1001, 'c') +
           "\r\n0\r\n\r\n",
       "HTTP/1.1 413 Content Too Large"},
      {"PUT /echo HTTP/1.1\r\nHost: h\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n" +
           std::string(1000, 'b'),
       "HTTP/1.1 200 OK"},
  };
  for (const Case& c : cases) {
    const std::string reply = Exchange(s.Port(), c.request, 1000);
    EXPECT_EQ(StatusLine(reply), c.status) << c.request.substr(0, 40);
  }
  EXPECT_TRUE(s.Errors().empty());
}

TEST(ServerLimits, ContinueComesBeforeTheBody) {
  Served s([](HttpServer& h) { h.BodyLimit = 100; });
  kx::platform::net::TcpClient c;
  c.Connect("127.0.0.1", s.Port(), true, 2000);
  const std::string head = "PUT /echo HTTP/1.1\r\nHost: h\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\n";
  c.Send(head.data(), head.size());
  ASSERT_TRUE(c.WaitForData(5000));
  char buffer[4096];
  EXPECT_EQ(std::string(buffer, c.Receive(buffer, sizeof buffer)), "HTTP/1.1 100 Continue\r\n\r\n");
  c.Send("abc", 3);
  std::string reply;
  while (reply.find(TkxMD5::GetMD5FromString("abc")) == std::string::npos && c.WaitForData(5000)) {
    const size_t n = c.Receive(buffer, sizeof buffer);
    if (n == 0) break;
    reply.append(buffer, n);
  }
  EXPECT_EQ(StatusLine(reply), "HTTP/1.1 200 OK");
  EXPECT_NE(reply.find(TkxMD5::GetMD5FromString("abc")), std::string::npos);
  // Beyond the limit: 413 at once, no "100 Continue", no body read.
  const std::string big =
      "PUT /echo HTTP/1.1\r\nHost: h\r\nExpect: 100-continue\r\nContent-Length: 101\r\n\r\n";
  EXPECT_EQ(StatusLine(Exchange(s.Port(), big)), "HTTP/1.1 413 Content Too Large");
}

TEST(ServerLife, MaxConnectionsTerminateWaitAndBindings) {
  Served s([](HttpServer& h) {
    h.MaxConnections = 2;
    h.TerminateWaitTime = 3000;
  });
  kx::platform::net::TcpClient a, b;
  a.Connect("127.0.0.1", s.Port(), true, 2000);
  b.Connect("127.0.0.1", s.Port(), true, 2000);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const std::string refused = Exchange(s.Port(), "GET /status/200 HTTP/1.1\r\nHost: h\r\n\r\n");
  EXPECT_EQ(StatusLine(refused), "HTTP/1.1 503 Service Unavailable");
  a.Close();
  b.Close();

  // Another server cannot take the same port.
  HttpServer other;
  other.Bindings = {{"127.0.0.1", Id_IPv4, s.Port()}};
  EXPECT_THROW(other.SetActive(true), EIdSocketError);
  EXPECT_FALSE(other.Active());

  // A running handler may finish within TerminateWaitTime; its reply arrives.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let the refused ones end
  std::string slow;
  std::thread client([&] { slow = Exchange(s.Port(), "GET /sleep/500 HTTP/1.1\r\nHost: h\r\n\r\n", 5000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  s.Server().SetActive(false);
  client.join();
  EXPECT_EQ(StatusLine(slow), "HTTP/1.1 200 OK");
  EXPECT_NE(slow.find("slept"), std::string::npos);
  EXPECT_EQ(s.Server().BoundPort(), 0);

  // One that does not gets its connection closed after it; deactivation
  // then waits for the handler, whose reply goes nowhere.
  s.Server().TerminateWaitTime = 100;
  s.Server().SetActive(true);
  std::string cut = "stale";
  std::chrono::steady_clock::time_point clientDone;
  std::thread late([&] {
    cut = Exchange(s.Server().BoundPort(), "GET /sleep/1500 HTTP/1.1\r\nHost: h\r\n\r\n", 8000);
    clientDone = std::chrono::steady_clock::now();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  s.Server().SetActive(false);
  const auto stopped = std::chrono::steady_clock::now();
  late.join();
  EXPECT_EQ(cut, "");
  EXPECT_LT(clientDone, stopped);
  EXPECT_EQ(s.Errors().size(), 1u);  // the handler's write to the closed connection
}

// ---- python3 as a client ---------------------------------------------------------------

TEST(ServerWithPython, HeadersGzipAndKeepAlive) {
  REQUIRE_TOOL("python3");
  Served s;
  const char* script = R"(
import gzip, http.client, sys
c = http.client.HTTPConnection("127.0.0.1", int(sys.argv[1]), timeout=20)
c.request("GET", "/gzip", headers={"Accept-Encoding": "gzip"})
r = c.getresponse()
body = r.read()
assert r.status == 200, r.status
assert r.getheader("Content-Encoding") == "gzip"
assert int(r.getheader("Content-Length")) == len(body)
assert r.getheader("Content-Type") == "text/plain; charset=utf-8"
assert gzip.decompress(body) == b"g" * 200000 + b"end"
for i in range(3):
    c.request("POST", "/echo?q=%d" % i, body=b"x" * i, headers={"User-Agent": "py/1"})
    r = c.getresponse()
    r.read()
    assert r.getheader("X-METHOD") == "POST"
    assert r.getheader("X-AGENT") == "py/1"
    assert r.getheader("X-QUERY") == str(i)
    assert r.getheader("X-PEER") == "127.0.0.1"
    assert r.getheader("X-LENGTH") == str(i)
    assert r.getheader("Date").endswith(" GMT")
print("ok")
)";
  const auto r = RunBounded({"python3", "-c", script, std::to_string(s.Port())}, 30000);
  EXPECT_EQ(r.Output, "ok\n");
}

// ---- TLS -----------------------------------------------------------------------------------

TlsSettings ServerTls() {
  const auto& c = kx::testing::Certificates();
  TlsSettings t;
  t.CertFile = c.ServerCert;
  t.KeyFile = c.ServerKey;
  t.SSLVersions = {sslvTLSv1_2};
  return t;
}

TEST(ServerWithTls, CurlWithTheTestAuthority) {
  REQUIRE_TOOL("curl");
  const auto& c = kx::testing::Certificates();
  Served s([](HttpServer& h) { h.Tls = ServerTls(); });
  auto r = RunBounded({"curl", "-sS", "--max-time", "20", "--cacert", c.CaCert, s.Url("/echo", true)}, 30000);
  EXPECT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_EQ(r.Output, TkxMD5::GetMD5FromString(""));
  // Plain HTTP at the TLS port fails that connection only.
  Exchange(s.Port(), "GET / HTTP/1.1\r\nHost: h\r\n\r\n", 1000);
  r = RunBounded({"curl", "-sS", "--max-time", "20", "--cacert", c.CaCert, s.Url("/status/201", true)}, 30000);
  EXPECT_EQ(r.Output, "status body");
}

TEST(ServerWithTls, ClientCertificateDemanded) {
  REQUIRE_TOOL("curl");
  const auto& c = kx::testing::Certificates();
  Served s([&](HttpServer& h) {
    h.Tls = ServerTls();
    h.Tls->RootCertFile = c.CaCert;
    h.Tls->VerifyDepth = 2;
    h.Tls->VerifyMode = {sslvrfPeer, sslvrfFailIfNoPeerCert};
  });
  auto r = RunBounded({"curl", "-sS", "--max-time", "20", "--cacert", c.CaCert, s.Url("/status/200", true)}, 30000);
  EXPECT_NE(r.ExitCode, 0) << r.Output;
  EXPECT_EQ(r.Output.find("status body"), std::string::npos);
  r = RunBounded({"curl", "-sS", "--max-time", "20", "--cacert", c.CaCert, "--cert", c.ClientCert, "--key",
                  c.ClientKey, "--pass", c.ClientKeyPassword, s.Url("/status/200", true)},
                 30000);
  EXPECT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_EQ(r.Output, "status body");
  // A certificate of another issuer is refused as well: the server's own
  // key pair stands for one here, it is issued for a server.
}

TEST(ServerWithTls, ProtocolVersionsWithOpenssl) {
  REQUIRE_TOOL("openssl");
  const auto& c = kx::testing::Certificates();
  auto handshake = [&](int Port, const std::string& Version, const std::string& Ciphers = "") {
    std::vector<std::string> argv = {"openssl", "s_client", "-connect", "127.0.0.1:" + std::to_string(Port),
                                     "-CAfile", c.CaCert, "-ign_eof", "-" + Version};
    if (!Ciphers.empty()) argv.insert(argv.end(), {"-cipher", Ciphers});
    const auto r = RunBounded(argv, 20000, "GET /status/200 HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
    return r.Output.find("status body") != std::string::npos;
  };
  {
    Served s([](HttpServer& h) { h.Tls = ServerTls(); });  // TLS 1.2 and up
    EXPECT_TRUE(handshake(s.Port(), "tls1_2"));
    EXPECT_TRUE(handshake(s.Port(), "tls1_3"));
    EXPECT_FALSE(handshake(s.Port(), "tls1_1", "DEFAULT@SECLEVEL=0"));
  }
  {
    Served s([](HttpServer& h) {
      h.Tls = ServerTls();
      h.Tls->SSLVersions = {sslvTLSv1_1};
      h.Tls->CipherList = "DEFAULT@SECLEVEL=0";
    });
    EXPECT_FALSE(handshake(s.Port(), "tls1_2"));
    EXPECT_FALSE(handshake(s.Port(), "tls1_3"));
    if (!handshake(s.Port(), "tls1_1", "DEFAULT@SECLEVEL=0"))
      GTEST_SKIP() << "this OpenSSL speaks no TLS 1.1";
  }
}

TEST(ServerWithTls, SettingsThatCannotServe) {
  HttpServer h;
  h.Bindings = {{"127.0.0.1", Id_IPv4, 0}};
  h.Tls = ServerTls();
  h.Tls->SSLVersions = {};
  EXPECT_THROW(h.SetActive(true), EIdException);
  h.Tls = ServerTls();
  h.Tls->KeyFile = Scratch("missing.key");
  EXPECT_THROW(h.SetActive(true), EIdException);
  h.Tls = ServerTls();
  h.Tls->CipherList = "NO-SUCH-CIPHER";
  EXPECT_THROW(h.SetActive(true), EIdException);
  EXPECT_FALSE(h.Active());
}

}  // namespace
