// The fake queue server on its own: with curl as an independent client and
// with raw requests, so that the upload tests built on it can trust it.
#include "tests/support/FakeQueueServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "environment/kxNet_Url.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Text.h"
#include "tests/support/Process.h"

namespace {

namespace fs = std::filesystem;
using kx::test::FakeFault;
using kx::test::FakeQueueFault;
using kx::test::FakeQueueServer;

constexpr char kFox[] = "The quick brown fox jumps over the lazy dog";
constexpr char kFoxMd5[] = "9E107D9D372BB6826BD81D3542A419D6";
constexpr char kDocument[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document><Content/></Document>";

// The URL that the upload builds, with the one escape the transport adds.
std::string Escaped(std::string Url) {
  for (size_t at = 0; (at = Url.find('+', at)) != std::string::npos; at += 3) Url.replace(at, 1, "%2B");
  return Url;
}

std::string BuildUrl(const FakeQueueServer& Server, const std::u16string& Path,
                     const std::vector<std::u16string>& Params, TkxEncoding Encoding = kxENC_Mega) {
  return TkxNet::BuildUrl(ToUtf16(Server.Url()), Path, Params, Encoding);
}
std::string BlobUrl(const FakeQueueServer& Server) {
  return Escaped(BuildUrl(Server, u"kxblobupload", {u"extension=.pdf", u"sessionid=S1"}));
}
std::string DocumentUrl(const FakeQueueServer& Server) {
  return Escaped(BuildUrl(Server, u"kxdocupload", {}));
}

// The request target of a URL: everything after the authority.
std::string Target(const std::string& Url) { return Url.substr(Url.find('/', Url.find("//") + 2)); }

struct Answer {
  std::string Bytes;
  bool Reset = false;  // the connection was reset (or refused)
  int Status() const {
    if (Bytes.rfind("HTTP/1.1 ", 0) != 0 || Bytes.size() < 12) return 0;
    return std::atoi(Bytes.substr(9, 3).c_str());
  }
  // The value of the header Name (exact name), or nothing.
  std::optional<std::string> Header(const std::string& Name) const {
    const std::string head = Bytes.substr(0, Bytes.find("\r\n\r\n"));
    const std::string key = "\r\n" + Name + ":";
    const size_t at = head.find(key);
    if (at == std::string::npos) return std::nullopt;
    size_t begin = at + key.size();
    while (begin < head.size() && head[begin] == ' ') ++begin;
    return head.substr(begin, head.find("\r\n", begin) - begin);
  }
  // Header lines, without the status line.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    const std::string head = Bytes.substr(0, Bytes.find("\r\n\r\n"));
    for (size_t at = head.find("\r\n"); at != std::string::npos;) {
      const size_t next = head.find("\r\n", at + 2);
      lines.push_back(head.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2));
      at = next;
    }
    return lines;
  }
};

// One request over a fresh connection; reads the answer until the server
// closes (every wait bounded).
Answer Exchange(int Port, const std::string& Method, const std::string& Target, const std::string& Body,
                const std::string& ExtraHeaders = "Content-Type: application/pdf\r\n") {
  Answer answer;
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  timeval limit{10, 0};
  ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
  ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(Port));
  if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    ::close(s);
    answer.Reset = true;
    return answer;
  }
  const std::string request = Method + " " + Target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + ExtraHeaders +
                              "Content-Length: " + std::to_string(Body.size()) + "\r\n\r\n" + Body;
  for (size_t sent = 0; sent < request.size();) {
    const ssize_t n = ::send(s, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) {
      answer.Reset = true;
      break;
    }
    sent += static_cast<size_t>(n);
  }
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::recv(s, buffer, sizeof(buffer), 0);
    if (n < 0 && errno == ECONNRESET) answer.Reset = true;
    if (n <= 0) break;
    answer.Bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(s);
  return answer;
}

Answer PutBlob(const FakeQueueServer& Server, const std::string& Body = kFox) {
  return Exchange(Server.Port(), "PUT", Target(BlobUrl(Server)), Body);
}
Answer PutDocument(const FakeQueueServer& Server, const std::string& Body = kDocument) {
  return Exchange(Server.Port(), "PUT", Target(DocumentUrl(Server)), Body, "Content-Type: text/xml\r\n");
}

fs::path WriteFile(const std::string& Name, const std::string& Bytes) {
  const fs::path path = fs::path(std::getenv("TMPDIR")) / Name;
  std::ofstream(path, std::ios::binary) << Bytes;
  return path;
}

std::string Lower(std::string Text) {
  for (char& c : Text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return Text;
}

// Clients find answer headers by a case-insensitive substring search over
// the whole block, so a name may appear only as its own header.
void ExpectNoHiddenNames(const Answer& A) {
  for (const std::string& line : A.Lines()) {
    const std::string name = Lower(line.substr(0, line.find(':')));
    for (const char* key : {"blobid", "blobhash", "documentid", "error-message"}) {
      if (name != key) {
        EXPECT_EQ(Lower(line).find(key), std::string::npos) << line;
      }
    }
  }
}

TEST(FakeQueueServer, CurlUploadGetsDigestAndIdAndIsRecorded) {
  FakeQueueServer server;
  const fs::path file = WriteFile("fox.pdf", kFox);
  const std::string url = BlobUrl(server);
  const auto r = kx::testing::RunBounded({"curl", "-sS", "-i", "-T", file.string(), "-H", "Expect:", "-H",
                                          "Content-Type: application/pdf", url},
                                         kx::testing::kChildTimeoutMs);
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_EQ(r.Output.rfind("HTTP/1.1 201", 0), 0u) << r.Output;
  EXPECT_NE(r.Output.find(std::string("\r\nBlobHash: ") + kFoxMd5 + "\r\n"), std::string::npos) << r.Output;
  ASSERT_EQ(server.BlobIds().size(), 1u);
  EXPECT_NE(r.Output.find("\r\nBlobId: " + server.BlobIds()[0] + "\r\n"), std::string::npos) << r.Output;
  // BlobHash comes before BlobId.
  EXPECT_LT(r.Output.find("BlobHash"), r.Output.find("BlobId"));

  ASSERT_TRUE(server.WaitForRequests(1));
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& q = requests[0];
  EXPECT_EQ(q.Method, "PUT");
  EXPECT_EQ(q.Kind, "blob");
  EXPECT_EQ(q.Target, Target(url));
  const std::vector<std::pair<std::string, std::string>> params = {{"EXTENSION", ".pdf"}, {"SESSIONID", "S1"}};
  EXPECT_EQ(q.Params, params);
  EXPECT_EQ(q.ContentType, "application/pdf");
  EXPECT_EQ(q.ContentLength, 43);
  EXPECT_FALSE(q.TransferEncoding);
  EXPECT_FALSE(q.Expect);
  EXPECT_EQ(q.BodySize, 43u);
  EXPECT_EQ(q.BodyMd5, kFoxMd5);
  EXPECT_EQ(q.Body, kFox);
  EXPECT_EQ(q.Status, 201);
  EXPECT_EQ(q.Error, "");
}

// A body larger than the limit is digested whole but kept only in part; curl
// asks for "100 Continue" on its own here, which the record shows.
TEST(FakeQueueServer, LargeBodyStreamsThroughAndExpectIsRecorded) {
  FakeQueueServer server;
  std::string bytes(3 << 20, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7919) >> 5);
  const fs::path file = WriteFile("large.bin", bytes);
  const auto sum = kx::testing::RunBounded({"md5sum", file.string()}, kx::testing::kChildTimeoutMs);
  ASSERT_EQ(sum.ExitCode, 0) << sum.Output;
  std::string md5 = sum.Output.substr(0, 32);
  for (char& c : md5) c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);

  const auto r = kx::testing::RunBounded({"curl", "-sS", "-i", "-T", file.string(), BlobUrl(server)},
                                         kx::testing::kChildTimeoutMs);
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  EXPECT_NE(r.Output.find("\r\nBlobHash: " + md5 + "\r\n"), std::string::npos) << r.Output;
  ASSERT_TRUE(server.WaitForRequests(1));
  const auto q = server.Requests().at(0);
  EXPECT_TRUE(q.Expect);
  EXPECT_EQ(q.BodySize, bytes.size());
  EXPECT_EQ(q.BodyMd5, md5);
  EXPECT_EQ(q.Body, bytes.substr(0, 1 << 20));
  EXPECT_EQ(q.Status, 201);
}

TEST(FakeQueueServer, AnswersEachSwitch) {
  enum Presence { Absent, Present, Exact };
  struct HeaderWant {
    std::string name;
    Presence presence;
    std::string value = {};
  };
  struct Case {
    const char* name;
    bool document;
    FakeQueueFault fault;
    int status;
    std::vector<HeaderWant> headers;
  };
  const std::string lower = Lower(kFoxMd5);
  const Case cases[] = {
      {"normal blob", false, {}, 201, {{"BlobHash", Exact, kFoxMd5}, {"BlobId", Present}, {"Error-Message", Absent}}},
      {"lower-case hash", false, {.Kind = FakeFault::HashLowerCase}, 201,
       {{"BlobHash", Exact, lower}, {"BlobId", Present}}},
      {"missing hash", false, {.Kind = FakeFault::HashMissing}, 201, {{"BlobHash", Absent}, {"BlobId", Present}}},
      {"missing blob id", false, {.Kind = FakeFault::BlobIdMissing}, 201,
       {{"BlobHash", Exact, kFoxMd5}, {"BlobId", Absent}}},
      {"500 with message", false, {.Kind = FakeFault::Status, .Status = 500, .ErrorMessage = "disk full"}, 500,
       {{"Error-Message", Exact, "disk full"}, {"BlobId", Absent}}},
      // Other 2xx statuses keep the right digest: only the status tells failure.
      {"200 without message", false, {.Kind = FakeFault::Status, .Status = 200}, 200,
       {{"Error-Message", Absent}, {"BlobHash", Exact, kFoxMd5}, {"BlobId", Absent}}},
      {"202 with empty message", false, {.Kind = FakeFault::Status, .Status = 202, .ErrorMessage = ""}, 202,
       {{"Error-Message", Exact, ""}}},
      {"redirect", false,
       {.Kind = FakeFault::Redirect, .Status = 301, .Location = "http://127.0.0.1:1/elsewhere"}, 301,
       {{"Location", Exact, "http://127.0.0.1:1/elsewhere"}, {"BlobId", Absent}}},
      {"normal document", true, {}, 201, {{"DocumentId", Present}, {"Error-Message", Absent}}},
      {"missing document id", true, {.Kind = FakeFault::DocumentIdMissing}, 201, {{"DocumentId", Absent}}},
      {"document 404", true, {.Kind = FakeFault::Status, .Status = 404, .ErrorMessage = "gone"}, 404,
       {{"Error-Message", Exact, "gone"}, {"DocumentId", Absent}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeQueueServer server;
    if (c.document) {
      server.FailDocument(0, c.fault);
    } else {
      server.FailBlob(0, c.fault);
    }
    const Answer a = c.document ? PutDocument(server) : PutBlob(server);
    EXPECT_EQ(a.Status(), c.status) << a.Bytes;
    for (const auto& h : c.headers) {
      const auto value = a.Header(h.name);
      EXPECT_EQ(value.has_value(), h.presence != Absent) << h.name << "\n" << a.Bytes;
      if (h.presence == Exact && value) {
        EXPECT_EQ(*value, h.value) << h.name;
      }
    }
    ExpectNoHiddenNames(a);
    // Only ids that were sent count as given out.
    const auto blobId = a.Header("BlobId");
    EXPECT_EQ(server.BlobIds(), blobId ? std::vector<std::string>{*blobId} : std::vector<std::string>{});
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_EQ(server.Requests().at(0).Status, c.status);
  }

  FakeQueueServer server;
  server.FailBlob(0, {.Kind = FakeFault::HashWrong});
  const Answer a = PutBlob(server);
  EXPECT_EQ(a.Status(), 201);
  ASSERT_TRUE(a.Header("BlobHash").has_value());
  EXPECT_EQ(a.Header("BlobHash")->size(), 32u);
  EXPECT_NE(*a.Header("BlobHash"), kFoxMd5);
  EXPECT_NE(Lower(*a.Header("BlobHash")), lower);
}

TEST(FakeQueueServer, FaultsFollowKindAndRequestNumber) {
  FakeQueueServer server;
  server.FailBlob(0, {.Kind = FakeFault::HashMissing});
  server.FailBlob(2, {.Kind = FakeFault::Status, .Status = 503});  // a number wins over 0
  EXPECT_EQ(PutBlob(server).Header("BlobHash"), std::nullopt);
  EXPECT_EQ(PutBlob(server).Status(), 503);
  EXPECT_EQ(PutBlob(server).Header("BlobHash"), std::nullopt);
  EXPECT_EQ(PutDocument(server).Status(), 201);  // blob faults leave documents alone
  server.FailDocument(2, {.Kind = FakeFault::Status, .Status = 500});
  EXPECT_EQ(PutDocument(server).Status(), 500);  // counts go on over the server's life
  server.ClearFaults();
  EXPECT_EQ(PutBlob(server).Header("BlobHash"), kFoxMd5);
  EXPECT_EQ(PutDocument(server).Status(), 201);
  EXPECT_EQ(server.BlobIds().size(), 3u);
  EXPECT_EQ(server.DocumentIds().size(), 2u);
  const auto ids = server.BlobIds();
  EXPECT_NE(ids[0], ids[1]);
  EXPECT_NE(ids[1], ids[2]);
}

TEST(FakeQueueServer, DelayHoldsTheAnswerBack) {
  FakeQueueServer server;
  server.FailDocument(1, {.Kind = FakeFault::Delay, .DelayMs = 400});
  const auto start = std::chrono::steady_clock::now();
  const Answer a = PutDocument(server);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(a.Status(), 201);
  EXPECT_TRUE(a.Header("DocumentId").has_value());
  EXPECT_GE(elapsed, std::chrono::milliseconds(400));
}

TEST(FakeQueueServer, ConnectionFaults) {
  const std::string body(256 << 10, 'x');
  struct Case {
    FakeFault kind;
    bool reset;
    bool wholeBody;
  };
  const Case cases[] = {
      {FakeFault::CloseWithoutAnswer, false, true},
      {FakeFault::NotHttp, false, true},
      {FakeFault::ResetMidBody, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    FakeQueueServer server;
    server.FailBlob(1, {.Kind = c.kind});
    const Answer a = PutBlob(server, body);
    EXPECT_EQ(a.Reset, c.reset);
    EXPECT_EQ(a.Status(), 0) << a.Bytes.substr(0, 200);
    if (c.kind == FakeFault::NotHttp) {
      EXPECT_FALSE(a.Bytes.empty());
    } else if (!c.reset) {
      EXPECT_EQ(a.Bytes, "");
    }
    ASSERT_TRUE(server.WaitForRequests(1));
    const auto q = server.Requests().at(0);
    EXPECT_EQ(q.Status, 0);
    EXPECT_EQ(q.Kind, "blob");
    EXPECT_EQ(q.Params.size(), 2u);
    if (c.wholeBody) {
      EXPECT_EQ(q.BodySize, body.size());
    } else {
      EXPECT_GT(q.BodySize, 0u);
      EXPECT_LT(q.BodySize, body.size());
    }
    EXPECT_TRUE(server.BlobIds().empty());
    // The next request is served normally.
    EXPECT_EQ(PutBlob(server).Status(), 201);
  }
}

TEST(FakeQueueServer, RefusesRequestsOutsideTheProtocol) {
  FakeQueueServer server;
  // "+" reads as a blank in a query, so a client must send a "+" of its
  // text as "%2B"; the outer parameters beside "data" are not read.
  const std::string url = BlobUrl(server);
  std::string stale, future;
  {
    const double now = kx::platform::Now().Val;
    kx::platform::SetClockForTesting([now] { return TDateTime(now - 1.5); });
    stale = Escaped(BuildUrl(server, u"kxdocupload", {}));
    kx::platform::SetClockForTesting([now] { return TDateTime(now + 1.5); });
    future = Escaped(BuildUrl(server, u"kxdocupload", {}));
    kx::platform::SetClockForTesting(nullptr);
  }
  struct Case {
    const char* name;
    std::string method, target;
    int status;
    std::string kind;
  };
  const Case cases[] = {
      {"escaped plus", "PUT", Target(url) + "&note=a%2Bb", 201, "blob"},
      {"raw plus", "PUT", Target(url) + "&note=a+b", 400, "blob"},
      {"buildtime too old", "PUT", Target(stale), 400, "document"},
      {"buildtime ahead", "PUT", Target(future), 400, "document"},
      {"not enciphered", "PUT", Target(BuildUrl(server, u"kxdocupload", {u"a=1"}, kxENC_Base64)), 400, "document"},
      {"no query", "PUT", "/kxdocupload", 400, "document"},
      {"undecipherable", "PUT", "/kxdocupload?encoding=mega&data=AAAA", 400, "document"},
      {"other path", "PUT", "/kxelse", 404, "other"},
      {"not a PUT", "POST", Target(BlobUrl(server)), 405, "blob"},
  };
  size_t count = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Answer a = Exchange(server.Port(), c.method, c.target, c.kind == "blob" ? kFox : kDocument);
    EXPECT_EQ(a.Status(), c.status) << a.Bytes;
    ASSERT_TRUE(server.WaitForRequests(++count));
    const auto q = server.Requests().back();
    EXPECT_EQ(q.Kind, c.kind);
    EXPECT_EQ(q.Status, c.status);
    if (c.status != 201) {
      EXPECT_NE(q.Error, "");
      EXPECT_EQ(a.Header("Error-Message"), q.Error);
      EXPECT_EQ(a.Header("BlobId"), std::nullopt);
      EXPECT_EQ(a.Header("DocumentId"), std::nullopt);
    }
  }
  EXPECT_EQ(server.BlobIds().size(), 1u);
}

TEST(FakeQueueServer, DocumentReferencesMustNameGivenBlobs) {
  FakeQueueServer server;
  ASSERT_EQ(PutBlob(server).Status(), 201);
  const std::string id = server.BlobIds().at(0);
  auto document = [](const std::string& reference) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document><Content><Blobs><Blob><Name>a</Name><Reference>" +
           reference + "</Reference></Blob><Blob><Name>b</Name><Data><![CDATA[QQ==]]></Data></Blob>" +
           "</Blobs></Content></Document>";
  };
  struct Case {
    const char* name;
    std::string body;
    int status;
  };
  const Case cases[] = {
      {"known reference", document(id), 201},
      {"unknown reference", document(id + "0"), 400},
      {"not well-formed", "<Document><Content>", 400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PutDocument(server, c.body).Status(), c.status);
  }
  ASSERT_TRUE(server.WaitForRequests(4));
  const auto requests = server.Requests();
  EXPECT_EQ(requests[1].References, std::vector<std::string>{id});
  EXPECT_EQ(requests[1].Body, document(id));  // documents are kept whole
  EXPECT_EQ(requests[2].Error, "unknown blob reference " + id + "0");
  EXPECT_EQ(server.DocumentIds().size(), 1u);
}

TEST(FakeQueueServer, OptionsRootPathAndBodyLimit) {
  FakeQueueServer server({.RootPath = "/queue", .BodyLimit = 8});
  EXPECT_EQ(server.Url(), "http://127.0.0.1:" + std::to_string(server.Port()) + "/queue/");
  EXPECT_EQ(Exchange(server.Port(), "PUT", Target(Escaped(TkxNet::BuildUrl(
                                                 ToUtf16("http://127.0.0.1:1/"), u"kxblobupload", {}, kxENC_Mega))),
                     kFox)
                .Status(),
            404);
  EXPECT_EQ(PutBlob(server).Status(), 201);
  const std::string longDocument = std::string(kDocument) + "<!--" + std::string(100, 'c') + "-->";
  EXPECT_EQ(PutDocument(server, longDocument).Status(), 201);
  // A document is kept whole also when a connection fault serves it.
  server.FailDocument(2, {.Kind = FakeFault::CloseWithoutAnswer});
  EXPECT_EQ(PutDocument(server, longDocument).Status(), 0);
  ASSERT_TRUE(server.WaitForRequests(4));
  const auto requests = server.Requests();
  EXPECT_EQ(requests[1].Body, std::string(kFox).substr(0, 8));
  EXPECT_EQ(requests[1].BodySize, 43u);
  EXPECT_EQ(requests[1].BodyMd5, kFoxMd5);
  EXPECT_EQ(requests[2].Body, longDocument);
  EXPECT_EQ(requests[3].Body, longDocument);
}

TEST(FakeQueueServer, DownPortRefusesConnections) {
  const int port = FakeQueueServer::DownPort();
  EXPECT_GT(port, 0);
  EXPECT_TRUE(Exchange(port, "PUT", "/kxblobupload", kFox).Reset);
}

TEST(FakeQueueTool, RunsWithSwitchesFromTheCommandLine) {
  kx::testing::ChildProcess tool(KX_FAKEQUEUE_PATH, {"--root", "/q/", "--fail-blob", "1:status:503:queue: full"});
  const std::string port = tool.ReadLine();
  ASSERT_FALSE(port.empty());
  const std::string url = tool.ReadLine();
  EXPECT_EQ(url, "http://127.0.0.1:" + port + "/q/");
  const fs::path file = WriteFile("tool.pdf", kFox);
  const std::string blobUrl = Escaped(TkxNet::BuildUrl(ToUtf16(url), u"kxblobupload", {u"extension=.pdf"}, kxENC_Mega));
  auto curl = [&] {
    return kx::testing::RunBounded({"curl", "-sS", "-i", "-T", file.string(), "-H", "Expect:", blobUrl},
                                   kx::testing::kChildTimeoutMs);
  };
  const auto first = curl();
  EXPECT_EQ(first.Output.rfind("HTTP/1.1 503", 0), 0u) << first.Output;
  EXPECT_NE(first.Output.find("\r\nError-Message: queue: full\r\n"), std::string::npos) << first.Output;
  const auto second = curl();
  EXPECT_NE(second.Output.find(std::string("\r\nBlobHash: ") + kFoxMd5 + "\r\n"), std::string::npos)
      << second.Output;
  EXPECT_EQ(tool.Finish(), 0);  // ends when its input closes

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--fail-blob", "1:nonsense"}, {"--fail-document", "x:status"},
        {"--fail-blob", "1:redirect:200"}, {"--body-limit"}, {"--port", "1"}}) {
    std::vector<std::string> argv{KX_FAKEQUEUE_PATH};
    argv.insert(argv.end(), bad.begin(), bad.end());
    EXPECT_EQ(kx::testing::RunBounded(argv, 5000).ExitCode, 2) << bad[0];
  }
}

}  // namespace
