// tests/support/FakeQueueServer.h — a queue server for tests: takes blob and
// document uploads the way the product's queue server does, and fails them on
// request.
//
//   kx::test::FakeQueueServer server;
//   server.FailBlob(2, {.Kind = kx::test::FakeFault::HashLowerCase});
//   ... upload to server.Url() ...
//   for (const auto& r : server.Requests()) ...
//
// It serves PUT <root>kxblobupload and PUT <root>kxdocupload on 127.0.0.1,
// port 0, from a thread of its own. A request is accepted when its query, taken
// from the raw request target, holds no literal "+", reads with the URL cipher
// as "encoding=mega" outside and, inside, names ENCODING "base64" and a
// BUILDTIME within a day of now. Anything else is answered 400 with an
// "Error-Message".
//
// Normal answers: 201 to a blob with "BlobHash" (the body's MD5, 32 upper-case
// hexadecimal digits) then "BlobId" (a new id); 201 to a document with
// "DocumentId". A document body must be well-formed XML in which every
// `Reference` element names a blob id this server gave out (else 400). No
// other header of an answer holds the texts "BlobId", "BlobHash",
// "DocumentId" or "Error-Message", because clients look headers up by
// substring.
//
// Bodies are digested as they arrive; a blob body is kept only up to
// Options::BodyLimit (a document body always), so a 100 MB blob is never held.
//
// Faults are armed per request kind ("blob" or "document") and request number
// (counted per kind from 1 over the server's life; 0: every request of the
// kind). A fault on a number wins over one on 0. The faults that need the raw
// connection (CloseWithoutAnswer, ResetMidBody, NotHttp) are served by the
// server's own acceptor, which reads the request head itself before anything
// else sees the connection; every other request goes on to the HTTP server.
// Every wait is bounded; the destructor stops and joins everything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kx::test {

// What the server saw of one request and what it answered.
struct FakeQueueRequest {
  std::string Method, Target;            // raw request target, query included
  std::string Kind;                      // "blob", "document" or "other"
  std::vector<std::pair<std::string, std::string>> Params;  // decoded inner parameters, in order
                                         // (names upper-cased, as the URL cipher reads them)
  std::string ContentType;
  int64_t ContentLength = -1;            // -1 when absent
  bool TransferEncoding = false, Expect = false;
  uint64_t BodySize = 0;                 // bytes received (part of the body for ResetMidBody)
  std::string BodyMd5;                   // 32 upper-case hex digits
  std::string Body;                      // kept up to the body limit (documents always)
  std::vector<std::string> References;   // document: the texts of its Blob/Reference elements
  int Status = 0;                        // what the server answered (0: none)
  std::string Error;                     // why the server refused the request ("" when it did not)
};

enum class FakeFault {
  None,
  Status,              // answer Status (any code), with "Error-Message" when set
  Redirect,            // answer Status (3xx; 302 when 0) with Location
  HashLowerCase,       // blob: "BlobHash" in lower-case digits
  HashWrong,           // blob: "BlobHash" of other bytes
  HashMissing,         // blob: no "BlobHash"
  BlobIdMissing,       // blob: 201 without "BlobId"
  DocumentIdMissing,   // document: 201 without "DocumentId"
  Delay,               // the normal answer, DelayMs after the body arrived
  CloseWithoutAnswer,  // read the whole request, close without a byte
  ResetMidBody,        // read part of the body, then reset the connection
  NotHttp              // read the whole request, answer bytes that are not HTTP
};

struct FakeQueueFault {
  FakeFault Kind = FakeFault::None;
  int Status = 0;                        // for Status and Redirect
  std::optional<std::string> ErrorMessage = std::nullopt;  // "Error-Message" header when set
  std::string Location = {};             // for Redirect (default: a path on this server)
  int DelayMs = 0;                       // for Delay
};

class FakeQueueServer {
 public:
  struct Options {
    std::string RootPath = "/";          // the handlers live at RootPath + "kxblobupload" etc.
    size_t BodyLimit = 1 << 20;          // blob bytes kept per request
  };

  FakeQueueServer();                     // default options
  explicit FakeQueueServer(Options);
  ~FakeQueueServer();                    // stops and joins; every wait bounded
  FakeQueueServer(const FakeQueueServer&) = delete;
  FakeQueueServer& operator=(const FakeQueueServer&) = delete;

  int Port() const;
  std::string Url() const;               // "http://127.0.0.1:<port>" + RootPath

  // Request numbers count per kind from 1; 0 means every request of the kind.
  void FailBlob(int Number, FakeQueueFault);
  void FailDocument(int Number, FakeQueueFault);
  void ClearFaults();

  std::vector<FakeQueueRequest> Requests() const;   // arrival order
  std::vector<std::string> BlobIds() const;         // ids given out
  std::vector<std::string> DocumentIds() const;     // ids given out
  // Waits up to TimeoutMs until Count requests have been recorded (answered
  // or dropped); whether they have.
  bool WaitForRequests(size_t Count, int TimeoutMs = 10000) const;

  static int DownPort();                 // a port that was bound, noted and closed

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// The MD5 digest of Bytes as the server answers it: 32 upper-case
// hexadecimal digits.
std::string Md5Hex(std::string_view Bytes);

}  // namespace kx::test
