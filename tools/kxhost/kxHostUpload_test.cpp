// Uploads through the plug-in as a host drives it (commands 110, 100, 350,
// 400, 500, 600) against the fake queue server: every way the server can
// fail, the retry after it, and the whole road when it does not fail.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "platform/xml/XmlDocument.h"
#include "system/kxRegistry.h"
#include "tests/support/FakeQueueServer.h"
#include "tools/kxhost/kxHost.h"

namespace {

namespace fs = std::filesystem;
using kx::test::FakeFault;
using kx::test::FakeQueueFault;
using kx::test::FakeQueueRequest;
using kx::test::FakeQueueServer;

constexpr char kPrefix[] = "create document exception (Exception - ";

std::string Lower(std::string Text) {
  for (char& c : Text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return Text;
}

// The answer of one command 600: its result and error text (unescaped but
// for what the host escapes; the texts here hold nothing it would).
struct RunAnswer {
  int result = 99;
  std::string error;
};

struct HostRun {
  int exit = -1;
  std::string out, err;
  std::vector<RunAnswer> runs;  // one per command 600, in order
};

struct FailureRow;

class HostUpload : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }

  // A fresh sandbox; the same folder every time, since preparing it moves
  // TMPDIR into it.
  void Reset() {
    static const fs::path base = [] {
      const char* tmp = std::getenv("TMPDIR");
      return fs::path(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
    }();
    sandbox_ = base / "upload-sandbox";
    fs::remove_all(sandbox_);
    std::string error;
    ASSERT_TRUE(kx::host::PrepareSandbox(sandbox_.string(), error)) << error;
    // Short enough that a stalled answer fails the run within seconds; read
    // by the plug-in when it is loaded.
    ASSERT_TRUE(TkxRegistry::SetValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\vanto\\System\\HTTP\\", u"ReadTimeout",
                                      Variant::FromInteger(1000), false));
    fs::create_directories(sandbox_ / "in");
    for (const char* name : {"a1.pdf", "a2.txt", "b1.pdf", "b2.txt"}) {
      std::string bytes = std::string("content of ") + name + "\n";
      // Binary bytes; the first blob larger than the socket buffers, so that
      // a connection reset meets it in the middle of its body.
      const int size = name == std::string("a1.pdf") ? 1 << 20 : 2000;
      for (int i = 0; i < size; ++i) bytes += static_cast<char>((i * 37 + name[0]) ^ (i >> 9));
      std::ofstream(sandbox_ / "in" / name, std::ios::binary) << bytes;
      content_[name] = bytes;
    }
  }

  std::string File(const std::string& Name) const { return (sandbox_ / "in" / Name).string(); }
  bool Exists(const std::string& Name) const { return fs::exists(sandbox_ / "in" / Name); }

  // 110 with the server, 100, the document id 4711 (kept from run to run),
  // one field and the blobs a1.pdf and a2.txt.
  std::string Prologue(const std::string& ServerUrl) const {
    return "110\t<kxConfig><ServerName>" + ServerUrl +
           "</ServerName><CreateNewDocId>false</CreateNewDocId></kxConfig>\n"
           "100\n350\t4711\n400\tAmount[DOUBLE,1,10,20,30,40,95]=12.5\n"
           "500\t" + File("a1.pdf") + "\n510\tfirst\n500\t" + File("a2.txt") + "\n510\tsecond\n";
  }

  static HostRun Run(const std::string& Script) {
    kx::host::HostOptions options;
    options.PluginPath = KX_PLUGIN_PATH;
    std::ostringstream out, err;
    HostRun r;
    r.exit = kx::host::RunScript(options, Script, out, err);
    r.out = out.str();
    r.err = err.str();
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("600 -> ", 0) != 0) continue;
      RunAnswer a;
      a.result = std::atoi(line.c_str() + 7);
      const size_t at = line.find(" error=\"");
      if (at != std::string::npos) a.error = line.substr(at + 8, line.size() - at - 9);
      r.runs.push_back(a);
    }
    return r;
  }

  static std::vector<std::string> Kinds(const std::vector<FakeQueueRequest>& Requests) {
    std::vector<std::string> kinds;
    for (const auto& q : Requests) kinds.push_back(q.Kind);
    return kinds;
  }

  static UnicodeString DocumentIdOf(const FakeQueueRequest& Document) {
    return kx::platform::XmlDocument::Load(Document.Body).DocumentElement().GetAttribute(u"Id");
  }

  // No body goes chunked and none waits for "100 Continue".
  static void ExpectPlainBodies(const std::vector<FakeQueueRequest>& Requests) {
    for (const auto& q : Requests) {
      EXPECT_FALSE(q.TransferEncoding) << q.Target;
      EXPECT_FALSE(q.Expect) << q.Target;
      EXPECT_EQ(q.Method, "PUT");
      EXPECT_EQ(q.Error, "") << q.Target;
    }
  }

  void CheckFailure(const FailureRow& Row);

  fs::path sandbox_;
  std::map<std::string, std::string> content_;
};

// One way for the server to fail: the fault, where it applies, and what the
// host is told after the prefix.
struct FailureRow {
  const char* name;
  FakeQueueFault fault;
  bool onBlob, onDocument;
  std::string exact;     // the whole reason, when it is fixed
  std::string contains;  // else a part of the client's own text
};

// Runs Row once on the first blob and once on the document. The failing run
// is followed by a second command 600 on the same hand-over object: the fault
// was armed on request 1 of its kind only, so the retry meets a working
// server.
void HostUpload::CheckFailure(const FailureRow& Row) {
  for (const bool onDocument : {false, true}) {
    if (onDocument ? !Row.onDocument : !Row.onBlob) continue;
    SCOPED_TRACE(std::string(Row.name) + (onDocument ? " on the document" : " on the first blob"));
    Reset();
    FakeQueueServer server;
    if (onDocument) {
      server.FailDocument(1, Row.fault);
    } else {
      server.FailBlob(1, Row.fault);
    }
    const auto start = std::chrono::steady_clock::now();
    const HostRun r = Run(Prologue(server.Url()) + "600\n600\n900\n");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(r.runs.size(), 2u) << r.out << r.err;
    ASSERT_TRUE(server.WaitForRequests(onDocument ? 6 : 4)) << r.out << r.err;
    const auto requests = server.Requests();
    // After a failure on a blob neither the next blob nor the document went.
    const std::vector<std::string> kinds =
        onDocument ? std::vector<std::string>{"blob", "blob", "document", "blob", "blob", "document"}
                   : std::vector<std::string>{"blob", "blob", "blob", "document"};
    ASSERT_EQ(Kinds(requests), kinds) << r.out;

    // The failure.
    EXPECT_EQ(r.runs[0].result, -1);
    const std::string& error = r.runs[0].error;
    ASSERT_EQ(error.rfind(kPrefix, 0), 0u) << error;
    ASSERT_EQ(error.back(), ')') << error;
    const std::string reason = error.substr(sizeof(kPrefix) - 1, error.size() - sizeof(kPrefix));
    EXPECT_FALSE(reason.empty());
    if (!Row.exact.empty()) {
      EXPECT_EQ(reason, Row.exact);
    } else if (!Row.contains.empty()) {
      EXPECT_NE(reason.find(Row.contains), std::string::npos) << reason;
    }
    const FakeFault kind = Row.fault.Kind;
    if (kind == FakeFault::HashLowerCase || kind == FakeFault::HashWrong || kind == FakeFault::HashMissing) {
      const std::string local = kx::test::Md5Hex(content_["a1.pdf"]);
      const std::string head = "blob upload exception - hash mismatch [F] (" + local + " / ";
      const std::string tail = ") - possible network problem";
      EXPECT_EQ(reason.rfind(head, 0), 0u) << reason;
      ASSERT_GE(reason.size(), head.size() + tail.size()) << reason;
      EXPECT_EQ(reason.substr(reason.size() - tail.size()), tail) << reason;
      const std::string received = reason.substr(head.size(), reason.size() - head.size() - tail.size());
      if (kind == FakeFault::HashLowerCase) {
        EXPECT_EQ(received, Lower(local));
      } else if (kind == FakeFault::HashMissing) {
        EXPECT_EQ(received, "");
      } else {
        EXPECT_EQ(received.size(), 32u);
        EXPECT_NE(received, local);
      }
    }
    if (kind == FakeFault::Delay) {
      // A client that gives up in time makes both runs in a few seconds; the
      // bound catches one that hangs, with room for a loaded machine.
      EXPECT_LT(elapsed, std::chrono::seconds(60));
    }
    if (kind == FakeFault::ResetMidBody && !onDocument) {
      EXPECT_LT(requests[0].BodySize, content_["a1.pdf"].size());
    }

    // The retry: the whole document, from the files the failure left in
    // place, under the document id the first run used.
    EXPECT_EQ(r.runs[1].result, 0) << r.runs[1].error;
    const size_t first = onDocument ? 3 : 1;
    EXPECT_EQ(requests[first].BodyMd5, kx::test::Md5Hex(content_["a1.pdf"]));
    EXPECT_EQ(requests[first + 1].BodyMd5, kx::test::Md5Hex(content_["a2.txt"]));
    const auto ids = server.BlobIds();
    ASSERT_GE(ids.size(), 2u);
    if (kind == FakeFault::Delay) {
      // The late answer may still hand out an id after the client gave up,
      // so the retry's ids need not be the last two given out.
      ASSERT_EQ(requests.back().References.size(), 2u);
      EXPECT_THAT(ids, ::testing::IsSupersetOf(requests.back().References));
    } else {
      EXPECT_EQ(requests.back().References, std::vector<std::string>(ids.end() - 2, ids.end()));
    }
    EXPECT_EQ(DocumentIdOf(requests.back()), u"4711");
    if (onDocument && requests[2].BodySize == static_cast<uint64_t>(requests[2].ContentLength)) {
      EXPECT_EQ(DocumentIdOf(requests[2]), u"4711");  // (a reset may leave only part of it)
    }
    // Only the upload paths were asked: a redirect is not followed.
    ExpectPlainBodies(requests);
    // The files go only after the successful retry.
    EXPECT_FALSE(Exists("a1.pdf"));
    EXPECT_FALSE(Exists("a2.txt"));
  }
}

TEST_F(HostUpload, FaultMatrix) {
  const std::string blobError = "blob upload exception - server returned an error (";
  const FailureRow rows[] = {
      {"404", {.Kind = FakeFault::Status, .Status = 404}, true, true, "HTTP/1.1 404 Not Found", ""},
      {"500 with message", {.Kind = FakeFault::Status, .Status = 500, .ErrorMessage = "disk full"}, true, true,
       "HTTP/1.1 500 Internal Server Error", ""},
      {"503", {.Kind = FakeFault::Status, .Status = 503}, true, true, "HTTP/1.1 503 Service Unavailable", ""},
      {"302", {.Kind = FakeFault::Redirect, .Status = 302}, true, true,
       "HTTP response code 302 - HTTP/1.1 302 Found", ""},
      {"307", {.Kind = FakeFault::Redirect, .Status = 307}, true, true,
       "HTTP response code 307 - HTTP/1.1 307 Temporary Redirect", ""},
      {"200 without message", {.Kind = FakeFault::Status, .Status = 200}, true, true, blobError + ")", ""},
      {"200 with message", {.Kind = FakeFault::Status, .Status = 200, .ErrorMessage = "quota exceeded"}, true,
       true, blobError + "quota exceeded)", ""},
      {"202 with message", {.Kind = FakeFault::Status, .Status = 202, .ErrorMessage = "queued later"}, true,
       true, blobError + "queued later)", ""},
      {"204 with empty message", {.Kind = FakeFault::Status, .Status = 204, .ErrorMessage = ""}, true, true,
       blobError + ")", ""},
      {"reset mid-body", {.Kind = FakeFault::ResetMidBody}, true, true, "", "reset"},
      {"closed without answer", {.Kind = FakeFault::CloseWithoutAnswer}, true, true, "", "Empty reply"},
      {"not HTTP", {.Kind = FakeFault::NotHttp}, true, true, "", "HTTP/0.9"},
      {"hash in lower case", {.Kind = FakeFault::HashLowerCase}, true, false, "", ""},
      {"hash wrong", {.Kind = FakeFault::HashWrong}, true, false, "", ""},
      {"hash missing", {.Kind = FakeFault::HashMissing}, true, false, "", ""},
  };
  for (const FailureRow& row : rows) CheckFailure(row);
}

// An answer later than ReadTimeout (1000 ms in the registry).
TEST_F(HostUpload, LateAnswerFailsWithinSeconds) {
  CheckFailure({"late answer", {.Kind = FakeFault::Delay, .DelayMs = 3000}, true, true, "", "Read timed out"});
}

// Nobody listens: the client's connection text, and the files stay.
TEST_F(HostUpload, ServerDown) {
  const int port = FakeQueueServer::DownPort();
  const HostRun r = Run(Prologue("http://127.0.0.1:" + std::to_string(port) + "/") + "600\n900\n");
  ASSERT_EQ(r.runs.size(), 1u) << r.out << r.err;
  EXPECT_EQ(r.runs[0].result, -1);
  EXPECT_EQ(r.runs[0].error.rfind(kPrefix, 0), 0u) << r.runs[0].error;
  EXPECT_GT(r.runs[0].error.size(), sizeof(kPrefix)) << "the client's text must not be empty";
  EXPECT_NE(r.runs[0].error.find(std::to_string(port)), std::string::npos) << r.runs[0].error;
  EXPECT_TRUE(Exists("a1.pdf"));
  EXPECT_TRUE(Exists("a2.txt"));
}

// The whole road: both blobs, then the document that references them; the
// server's document id is kept for the next run.
TEST_F(HostUpload, UploadsBlobsThenTheDocument) {
  FakeQueueServer server;
  const HostRun r = Run(Prologue(server.Url()) + "600\n100\n500\t" + File("b1.pdf") + "\n600\n900\n");
  ASSERT_EQ(r.runs.size(), 2u) << r.out << r.err;
  EXPECT_EQ(r.runs[0].result, 0) << r.runs[0].error;
  EXPECT_EQ(r.runs[1].result, 0) << r.runs[1].error;
  ASSERT_TRUE(server.WaitForRequests(5));
  const auto requests = server.Requests();
  ASSERT_EQ(Kinds(requests), (std::vector<std::string>{"blob", "blob", "document", "blob", "document"}));
  ExpectPlainBodies(requests);

  const std::vector<std::pair<std::string, std::string>> pdfParams = {{"EXTENSION", ".pdf"}, {"SESSIONID", ""}};
  EXPECT_EQ(requests[0].Params, pdfParams);
  EXPECT_EQ(requests[0].ContentType, "application/pdf");
  EXPECT_EQ(requests[0].BodyMd5, kx::test::Md5Hex(content_["a1.pdf"]));
  EXPECT_EQ(requests[0].ContentLength, static_cast<int64_t>(content_["a1.pdf"].size()));
  EXPECT_EQ(requests[1].Params[0].second, ".txt");
  EXPECT_EQ(requests[1].BodyMd5, kx::test::Md5Hex(content_["a2.txt"]));
  EXPECT_EQ(requests[2].ContentType, "text/xml");
  EXPECT_TRUE(requests[2].Params.empty());  // no repository: an empty list, enciphered all the same
  const auto ids = server.BlobIds();
  ASSERT_EQ(ids.size(), 3u);
  EXPECT_EQ(requests[2].References, std::vector<std::string>(ids.begin(), ids.begin() + 2));
  EXPECT_EQ(DocumentIdOf(requests[2]), u"4711");
  // The server's id became the kept document id.
  ASSERT_EQ(server.DocumentIds().size(), 2u);
  EXPECT_EQ(DocumentIdOf(requests[4]), ToUtf16(server.DocumentIds()[0]));
  for (const char* name : {"a1.pdf", "a2.txt", "b1.pdf"}) EXPECT_FALSE(Exists(name)) << name;
  EXPECT_TRUE(Exists("b2.txt"));
}

// A host blob whose name starts with "." is sent from its file like any
// other; once the document is accepted it is deleted, and when the document
// fails it stays.
TEST_F(HostUpload, DotNamedBlobsUploadLikeAnyOther) {
  for (const bool documentFails : {false, true}) {
    Reset();
    fs::rename(sandbox_ / "in" / "b1.pdf", sandbox_ / "in" / ".scan.pdf");
    FakeQueueServer server;
    if (documentFails) server.FailDocument(1, {.Kind = FakeFault::Status, .Status = 500});
    const HostRun r = Run("110\t<kxConfig><ServerName>" + server.Url() +
                          "</ServerName></kxConfig>\n100\n500\t" + File(".scan.pdf") + "\n600\n900\n");
    ASSERT_EQ(r.runs.size(), 1u) << r.out << r.err;
    EXPECT_EQ(r.runs[0].result, documentFails ? -1 : 0) << r.runs[0].error;
    ASSERT_TRUE(server.WaitForRequests(2));
    const auto requests = server.Requests();
    ASSERT_EQ(Kinds(requests), (std::vector<std::string>{"blob", "document"}));
    EXPECT_EQ(requests[0].BodyMd5, kx::test::Md5Hex(content_["b1.pdf"]));
    EXPECT_EQ(requests[1].References, server.BlobIds());
    EXPECT_EQ(Exists(".scan.pdf"), documentFails) << documentFails;
  }
}

// A blob answered without an id goes into the document itself.
TEST_F(HostUpload, BlobWithoutIdIsEmbedded) {
  FakeQueueServer server;
  server.FailBlob(1, {.Kind = FakeFault::BlobIdMissing});
  const HostRun r = Run(Prologue(server.Url()) + "600\n900\n");
  ASSERT_EQ(r.runs.size(), 1u) << r.out << r.err;
  EXPECT_EQ(r.runs[0].result, 0) << r.runs[0].error;
  ASSERT_TRUE(server.WaitForRequests(3));
  const auto requests = server.Requests();
  ASSERT_EQ(Kinds(requests), (std::vector<std::string>{"blob", "blob", "document"}));
  EXPECT_EQ(requests[2].References, server.BlobIds());
  ASSERT_EQ(server.BlobIds().size(), 1u);
  const auto document = kx::platform::XmlDocument::Load(requests[2].Body);
  const auto blob = document.DocumentElement().FindChild(u"Content").FindChild(u"Blobs").FindChild(u"Blob");
  ASSERT_TRUE(blob);
  EXPECT_FALSE(blob.FindChild(u"Reference"));
  EXPECT_TRUE(blob.FindChild(u"Data"));
}

// A document answered without an id leaves the kept id empty, so the next
// run without CreateNewDocId makes a new one.
TEST_F(HostUpload, DocumentWithoutIdMakesANewIdNextRun) {
  FakeQueueServer server;
  server.FailDocument(1, {.Kind = FakeFault::DocumentIdMissing});
  const HostRun r = Run(Prologue(server.Url()) + "600\n100\n500\t" + File("b1.pdf") + "\n600\n900\n");
  ASSERT_EQ(r.runs.size(), 2u) << r.out << r.err;
  EXPECT_EQ(r.runs[0].result, 0) << r.runs[0].error;
  EXPECT_EQ(r.runs[1].result, 0) << r.runs[1].error;
  ASSERT_TRUE(server.WaitForRequests(5));
  const auto requests = server.Requests();
  ASSERT_EQ(Kinds(requests), (std::vector<std::string>{"blob", "blob", "document", "blob", "document"}));
  EXPECT_EQ(DocumentIdOf(requests[2]), u"4711");
  const UnicodeString next = DocumentIdOf(requests[4]);
  EXPECT_FALSE(next.empty());
  EXPECT_NE(next, u"4711");
  EXPECT_EQ(server.DocumentIds().size(), 1u);
}

}  // namespace
