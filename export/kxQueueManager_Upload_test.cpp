#include "export/kxQueueManager_Upload.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "environment/kxNet.h"
#include "export/kxQueueManager_Tools.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxMD5.h"
#include "tests/support/FakeQueueServer.h"
#include "tests/support/RawPeer.h"
#include "tests/support/ScratchFolder.h"

namespace fs = std::filesystem;
using kx::test::FakeFault;
using kx::test::FakeQueueFault;
using kx::test::FakeQueueRequest;
using kx::test::FakeQueueServer;
using Params = std::vector<std::pair<std::string, std::string>>;

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The network module loaded from the test's registry (default settings),
// a folder for blob files, and the queue tools.
class Upload : public kx::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    TkxNet::detail::FinalizeModule();
    TkxNet::detail::InitializeModule();
    ScratchFolderTest::SetUp();
    tools_ = std::make_unique<TkxQueueTools>();
  }
  void TearDown() override {
    tools_.reset();
    TkxNet::detail::FinalizeModule();
    ScratchFolderTest::TearDown();
  }

  TkxBlob FileBlob(const std::string& name, const std::string& bytes) {
    Write(name, bytes);
    TkxBlob b;
    b.BlobName = ToUtf16(name);
    b.BlobLink = U(name);
    b.OrgLink = b.BlobLink;
    b.Extension = ToUtf16(fs::path(name).extension().string());
    b.MimeType = u"application/pdf";
    return b;
  }
  static TkxBlob MemoryBlob(const std::string& name, const std::string& bytes) {
    TkxBlob b;
    b.BlobName = ToUtf16(name);
    b.BlobData = ByteBuffer(bytes);
    b.Extension = u".txt";
    b.MimeType = u"text/plain";
    return b;
  }
  static TDocumentQueueRecord Record(std::vector<TkxBlob> blobs) {
    TDocumentQueueRecord r;
    r.Id = TIdType("DOC1");
    r.Subject = u"upload";
    r.Blobs = std::move(blobs);
    return r;
  }
  bool Send(FakeQueueServer& server, TDocumentQueueRecord& record, bool deleteSource = false,
            const AnsiString& session = "S-1") {
    return tools_->UploadDocumentXML(record, ToUtf16(server.Url()), deleteSource, docId_, session);
  }
  static std::vector<std::string> Kinds(const FakeQueueServer& server) {
    std::vector<std::string> kinds;
    for (const FakeQueueRequest& r : server.Requests()) kinds.push_back(r.Kind);
    return kinds;
  }

  std::unique_ptr<TkxQueueTools> tools_;
  AnsiString docId_ = "old";
};

// A record with a file blob and a memory blob whose link names no file:
// both blobs in order, then the document that refers to them, every body
// with its length, never chunked, never waiting for "100 Continue" (which
// HTTP libraries like to ask for from 1 MiB on).
TEST_F(Upload, BlobsInOrderThenTheDocumentThatRefersToThem) {
  FakeQueueServer server;
  std::string pdf = std::string("%PDF-1.4\0\xFF+/", 12);
  while (pdf.size() < (size_t{2} << 20)) pdf += pdf.substr(0, 4096) + std::to_string(pdf.size());
  TkxBlob memo = MemoryBlob("memo.txt", "memo bytes");
  memo.BlobLink = U("gone.txt");  // no file there: sent from memory
  TDocumentQueueRecord r = Record({FileBlob("scan.pdf", pdf), memo});
  std::vector<std::pair<double, UnicodeString>> progress;
  tools_->HttpProgressCallBackProc = [&](double p, const UnicodeString& info) {
    progress.emplace_back(p, info);
  };

  ASSERT_TRUE(Send(server, r)) << ToUtf8(tools_->Message);
  EXPECT_EQ(tools_->Message, u"");
  EXPECT_EQ(progress, (std::vector<std::pair<double, UnicodeString>>{
                          {-1, u"scan.pdf"}, {-1, u"memo.txt"}, {-1, u"Index data"}}));

  const std::vector<FakeQueueRequest> requests = server.Requests();
  ASSERT_EQ(Kinds(server), (std::vector<std::string>{"blob", "blob", "document"}));
  const std::string bodies[] = {pdf, "memo bytes"};
  const Params blobParams[] = {{{"EXTENSION", ".pdf"}, {"SESSIONID", "S-1"}},
                               {{"EXTENSION", ".txt"}, {"SESSIONID", "S-1"}}};
  const std::string types[] = {"application/pdf", "text/plain", "text/xml"};
  for (size_t i = 0; i < requests.size(); ++i) {
    const FakeQueueRequest& q = requests[i];
    EXPECT_EQ(q.Method, "PUT") << i;
    EXPECT_EQ(q.Status, 201) << i << " " << q.Error;
    EXPECT_EQ(q.ContentType, types[i]) << i;
    EXPECT_EQ(q.ContentLength, static_cast<int64_t>(q.BodySize)) << i;
    EXPECT_FALSE(q.TransferEncoding) << i;
    EXPECT_FALSE(q.Expect) << i;
    EXPECT_EQ(q.Target.find('+'), std::string::npos) << i;
    if (i < 2) {
      EXPECT_EQ(q.BodySize, bodies[i].size());
      EXPECT_EQ(q.BodyMd5, TkxMD5::GetMD5FromString(bodies[i]));
      EXPECT_EQ(q.Params, blobParams[i]);
    } else {
      EXPECT_EQ(q.Params, Params{});  // no repository: no parameters at all
    }
  }

  const std::vector<std::string> ids = server.BlobIds();
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_EQ(r.Blobs[0].BlobRefId, ids[0]);
  EXPECT_EQ(r.Blobs[1].BlobRefId, ids[1]);
  EXPECT_TRUE(r.Blobs[1].BlobData.Empty());  // sent from memory, now a reference
  const std::string& document = requests[2].Body;
  for (const std::string& id : ids)
    EXPECT_NE(document.find("<Reference>" + id + "</Reference>"), std::string::npos) << id;
  EXPECT_EQ(document.find("<Data>"), std::string::npos);
  ASSERT_EQ(server.DocumentIds().size(), 1u);
  EXPECT_EQ(docId_, server.DocumentIds()[0]);
  EXPECT_TRUE(fs::exists(P("scan.pdf")));  // DeleteSourceBlobs off
}

TEST_F(Upload, DocumentParametersFollowTheRepository) {
  struct Case { UnicodeString repository; AnsiString session; Params want; };
  const Case cases[] = {
      {u"", "S-9", {}},
      {u"main", "S-9", {{"SESSIONID", "S-9"}, {"REPOSITORY", "main"}}},
      {u"main", "", {{"SESSIONID", ""}, {"REPOSITORY", "main"}}},
  };
  for (const Case& c : cases) {
    FakeQueueServer server;
    TDocumentQueueRecord r = Record({});
    r.Repository = c.repository;
    ASSERT_TRUE(Send(server, r, false, c.session)) << ToUtf8(tools_->Message);
    const std::vector<FakeQueueRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);  // a record without blobs sends only its document
    EXPECT_EQ(requests[0].Kind, "document");
    EXPECT_EQ(requests[0].Params, c.want) << ToUtf8(c.repository) << "/" << c.session;
  }
}

// Source files go only after the document was taken, and only on request.
TEST_F(Upload, DeleteSourceBlobs) {
  struct Case { bool deleteSource; bool documentFails; bool gone; };
  const Case cases[] = {{false, false, false}, {true, false, true}, {true, true, false}};
  for (const Case& c : cases) {
    FakeQueueServer server;
    if (c.documentFails) server.FailDocument(1, {.Kind = FakeFault::Status, .Status = 500});
    // A dot-named host file is a blob file like any other.
    TDocumentQueueRecord r = Record({FileBlob("a.pdf", "a"), FileBlob(".b.pdf", "b"), MemoryBlob("m.txt", "m")});
    EXPECT_EQ(Send(server, r, c.deleteSource), !c.documentFails) << ToUtf8(tools_->Message);
    EXPECT_EQ(fs::exists(P("a.pdf")), !c.gone) << c.deleteSource << c.documentFails;
    EXPECT_EQ(fs::exists(P(".b.pdf")), !c.gone) << c.deleteSource << c.documentFails;
    if (!c.documentFails) {
      EXPECT_EQ(server.Requests()[1].BodyMd5, TkxMD5::GetMD5FromString("b"));
    }
  }
  // Only files that were sent are deleted: a blob sent from memory keeps a
  // file that its link names (it appeared after the blob went), and a FIFO
  // named by a blob is no file to delete.
  FakeQueueServer server;
  TkxBlob memory = MemoryBlob("m.txt", "m");
  memory.BlobLink = U("late.txt");
  ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
  TkxBlob fifo = MemoryBlob("f.txt", "f");
  fifo.BlobLink = U("fifo");
  TDocumentQueueRecord r = Record({memory, fifo});
  tools_->HttpProgressCallBackProc = [&](double, const UnicodeString& info) {
    if (info == u"Index data") Write("late.txt", "appeared meanwhile");
  };
  EXPECT_TRUE(Send(server, r, true)) << ToUtf8(tools_->Message);
  EXPECT_EQ(Read("late.txt"), "appeared meanwhile");
  EXPECT_TRUE(fs::exists(P("fifo")));
}

// A failure after a blob went from memory leaves its bytes in the record (the
// same shared buffer), so sending the record again works.
TEST_F(Upload, AFailureLeavesMemoryBlobBytesForARetry) {
  struct Case { const char* what; bool failBlob; };
  for (const Case& c : {Case{"second blob fails", true}, Case{"document fails", false}}) {
    FakeQueueServer server;
    const FakeQueueFault fault{.Kind = FakeFault::Status, .Status = 503};
    if (c.failBlob)
      server.FailBlob(2, fault);
    else
      server.FailDocument(1, fault);
    TDocumentQueueRecord r = Record({MemoryBlob("m.txt", "memory bytes"), FileBlob("b.pdf", "file")});
    const ByteBuffer original = r.Blobs[0].BlobData;
    docId_ = "old";

    EXPECT_FALSE(Send(server, r)) << c.what;
    EXPECT_NE(ToUtf8(tools_->Message).find("503"), std::string::npos) << ToUtf8(tools_->Message);
    EXPECT_TRUE(r.Blobs[0].BlobData.SharesWith(original)) << c.what;
    EXPECT_EQ(r.Blobs[0].BlobRefId, server.BlobIds().at(0)) << c.what;  // kept from the first try
    EXPECT_EQ(docId_, "old");

    server.ClearFaults();
    ASSERT_TRUE(Send(server, r)) << c.what << ": " << ToUtf8(tools_->Message);
    const std::vector<std::string> ids = server.BlobIds();
    EXPECT_EQ(r.Blobs[0].BlobRefId, ids[ids.size() - 2]);
    EXPECT_EQ(r.Blobs[1].BlobRefId, ids.back());
    EXPECT_TRUE(r.Blobs[0].BlobData.Empty());
    EXPECT_EQ(Kinds(server).back(), "document");
    EXPECT_EQ(server.Requests().back().Status, 201);
    EXPECT_EQ(docId_, server.DocumentIds().back());
  }
}

// A blob answered without "BlobId" goes into the document embedded, from
// memory or from its file; a memory blob keeps its bytes.
TEST_F(Upload, ABlobWithoutIdIsEmbedded) {
  for (bool fromMemory : {true, false}) {
    FakeQueueServer server;
    server.FailBlob(1, {.Kind = FakeFault::BlobIdMissing});
    TDocumentQueueRecord r =
        Record({fromMemory ? MemoryBlob("m.txt", "hello") : FileBlob("f.pdf", "hello")});
    ASSERT_TRUE(Send(server, r)) << ToUtf8(tools_->Message);
    EXPECT_EQ(r.Blobs[0].BlobRefId, "");
    EXPECT_EQ(r.Blobs[0].BlobData.View(), fromMemory ? "hello" : "");
    const std::string document = server.Requests().back().Body;
    EXPECT_EQ(document.find("<Reference>"), std::string::npos) << fromMemory;
    EXPECT_NE(document.find("<![CDATA[aGVsbG8=]]>"), std::string::npos) << document;
  }
}

// Status first, then the hash; a failing blob stops the upload before the
// document, and leaves DocId alone.
TEST_F(Upload, FailingAnswers) {
  const std::string md5 = TkxMD5::GetMD5FromString("blob bytes");
  const std::string mismatch = "blob upload exception - hash mismatch [";
  struct Case {
    const char* what;
    bool memory;
    bool onDocument;
    FakeQueueFault fault;
    std::string message;
  };
  const Case cases[] = {
      {"200 with a reason", false, false, {.Kind = FakeFault::Status, .Status = 200, .ErrorMessage = "busy"},
       "blob upload exception - server returned an error (busy)"},
      {"204 without one", true, false, {.Kind = FakeFault::Status, .Status = 204},
       "blob upload exception - server returned an error ()"},
      {"202 to the document", false, true,
       {.Kind = FakeFault::Status, .Status = 202, .ErrorMessage = "queue full"},
       "blob upload exception - server returned an error (queue full)"},
      {"lower-case hash, file", false, false, {.Kind = FakeFault::HashLowerCase},
       mismatch + "F] (" + md5 + " / " + Lower(md5) + ") - possible network problem"},
      {"lower-case hash, memory", true, false, {.Kind = FakeFault::HashLowerCase},
       mismatch + "M] (" + md5 + " / " + Lower(md5) + ") - possible network problem"},
      {"no hash", true, false, {.Kind = FakeFault::HashMissing},
       mismatch + "M] (" + md5 + " / ) - possible network problem"},
      {"redirect", false, false, {.Kind = FakeFault::Redirect, .Status = 302, .Location = "/elsewhere"},
       "HTTP response code 302 - HTTP/1.1 302 Found"},
  };
  for (const Case& c : cases) {
    FakeQueueServer server;
    if (c.onDocument)
      server.FailDocument(1, c.fault);
    else
      server.FailBlob(1, c.fault);
    TDocumentQueueRecord r =
        Record({c.memory ? MemoryBlob("m.txt", "blob bytes") : FileBlob("f.pdf", "blob bytes")});
    EXPECT_FALSE(Send(server, r, true)) << c.what;
    EXPECT_EQ(ToUtf8(tools_->Message), c.message) << c.what;
    EXPECT_EQ(Kinds(server).back(), c.onDocument ? "document" : "blob") << c.what;
    EXPECT_EQ(r.Blobs[0].BlobData.View(), c.memory ? "blob bytes" : "") << c.what;
    EXPECT_EQ(docId_, "old") << c.what;
    if (!c.memory) {
      EXPECT_TRUE(fs::exists(P("f.pdf"))) << c.what;
    }
  }

  // A server that is not there: the client's own text, never an empty one.
  TDocumentQueueRecord r = Record({MemoryBlob("m.txt", "x")});
  EXPECT_FALSE(tools_->UploadDocumentXML(
      r, u"http://127.0.0.1:" + ToUtf16(std::to_string(FakeQueueServer::DownPort())), false, docId_, ""));
  EXPECT_NE(tools_->Message, u"");
}

// The document cannot be written (here: a blob to embed lost its file after
// it was sent): the writer's text, no document request, and the memory
// blob that went before keeps its bytes.
TEST_F(Upload, AWriterFailureStopsBeforeTheDocument) {
  FakeQueueServer server;
  server.FailBlob(1, {.Kind = FakeFault::BlobIdMissing});  // the file blob goes embedded
  TDocumentQueueRecord r = Record({FileBlob("f.pdf", "file"), MemoryBlob("m.txt", "memory bytes")});
  const ByteBuffer original = r.Blobs[1].BlobData;
  tools_->HttpProgressCallBackProc = [&](double, const UnicodeString& info) {
    if (info == u"m.txt") fs::remove(P("f.pdf"));
  };
  EXPECT_FALSE(Send(server, r));
  EXPECT_EQ(tools_->Message,
            u"error creating document xml (blob stream exception of file " + r.Blobs[0].BlobLink + u")");
  EXPECT_EQ(Kinds(server), (std::vector<std::string>{"blob", "blob"}));
  EXPECT_TRUE(r.Blobs[1].BlobData.SharesWith(original));
  EXPECT_EQ(r.Blobs[1].BlobRefId, server.BlobIds().at(0));
  EXPECT_EQ(docId_, "old");
}

// Failures before any request: nothing to send, or no trustworthy MD5.
TEST_F(Upload, FailuresBeforeAnyRequest) {
  FakeQueueServer server;
  TkxBlob empty;
  empty.BlobName = u"nothing";
  empty.BlobLink = U("missing.pdf");
  TDocumentQueueRecord r = Record({empty});
  EXPECT_FALSE(Send(server, r));
  EXPECT_EQ(tools_->Message, u"empty blob data");
  // Neither a FIFO (which would block the open) nor a device is a blob file.
  ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
  for (const std::u16string& link : {U("fifo"), std::u16string(u"/dev/zero")}) {
    TkxBlob special;
    special.BlobName = u"special";
    special.BlobLink = link;
    TDocumentQueueRecord s = Record({special});
    EXPECT_FALSE(Send(server, s));
    EXPECT_EQ(tools_->Message, u"empty blob data") << ToUtf8(link);
  }

  TkxMD5::detail::SetSelfTestOverrideForTesting([] { return false; });
  TDocumentQueueRecord m = Record({MemoryBlob("m.txt", "x")});
  const bool sent = Send(server, m);
  TkxMD5::detail::SetSelfTestOverrideForTesting(nullptr);
  EXPECT_FALSE(sent);
  EXPECT_EQ(tools_->Message, u"MD5 self test failed");
  EXPECT_TRUE(server.Requests().empty());
}

// The document id comes from outside and later names files: it loses what
// a file name cannot hold, so it can never point into another folder.
TEST_F(Upload, DocumentIdBecomesAFileNameSafeText) {
  struct Case { std::string header; AnsiString want; };
  const Case cases[] = {
      {"DocumentId: 4711-A\r\n", "4711-A"},
      {"DocumentId: ../../etc/x:y\\z\r\n", "....etcxyz"},
      {"DocumentId: ..\r\n", "__"},
      {"DocumentId: /.\r\n", "_"},
      {"DocumentId: ...\r\n", "..."},  // an ordinary name
      {"", ""},  // no id: DocId empty, and the upload still succeeds
  };
  for (const Case& c : cases) {
    kx::testing::RawPeer peer({"HTTP/1.1 201 Created\r\n" + c.header + "Content-Length: 0\r\n\r\n"});
    TDocumentQueueRecord r = Record({});
    docId_ = "old";
    EXPECT_TRUE(tools_->UploadDocumentXML(r, ToUtf16(peer.Url("/q")), false, docId_, "")) << c.header;
    EXPECT_EQ(docId_, c.want) << c.header;
  }
}

// The digest is of the bytes the reader took, from the start: a rewind
// starts it over, a second read of the same bytes counts once, and a jump
// over unread bytes leaves no digest at all.
TEST(DigestingReadStream, DigestsWhatWasReadFromTheStart) {
  const std::string data = "The quick brown fox jumps over the lazy dog";
  struct Step { int64_t seek; int64_t read; };  // seek < 0: no seek
  struct Case { const char* what; std::vector<Step> steps; std::string want; };
  const Case cases[] = {
      {"whole in pieces", {{-1, 10}, {-1, 10}, {-1, 100}}, TkxMD5::GetMD5FromString(data)},
      {"rewound and read again", {{-1, 20}, {0, 100}}, TkxMD5::GetMD5FromString(data)},
      {"rewound after a partial read", {{-1, 100}, {0, 4}}, TkxMD5::GetMD5FromString("The ")},
      {"a stretch read twice", {{-1, 20}, {10, 5}, {-1, 100}}, TkxMD5::GetMD5FromString(data)},
      {"bytes skipped", {{-1, 5}, {20, 100}}, ""},
      {"nothing read", {}, TkxMD5::GetMD5FromString("")},
  };
  for (const Case& c : cases) {
    kxQueueManager::BlobBufferStream source{ByteBuffer(data)};
    kxQueueManager::DigestingReadStream stream(source);
    EXPECT_EQ(stream.Size(), static_cast<int64_t>(data.size()));
    std::string buffer(100, '\0');
    for (const Step& s : c.steps) {
      if (s.seek >= 0) stream.Seek(s.seek, soBeginning);
      stream.Read(buffer.data(), s.read);
    }
    EXPECT_EQ(stream.DigestText(), c.want) << c.what;
  }
  kxQueueManager::BlobBufferStream source{ByteBuffer(data)};
  kxQueueManager::DigestingReadStream stream(source);
  EXPECT_THROW(stream.Write("x", 1), EStreamError);
  EXPECT_THROW(source.Write("x", 1), EStreamError);
  EXPECT_THROW(source.Seek(-1, soBeginning), EStreamError);
}

}  // namespace
