#include "tests/support/FakeQueueServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string_view>
#include <thread>

#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"
#include "platform/xml/XmlDocument.h"
#include "system/internal/kxCipherToolsEvo3.h"
#include "system/internal/kxInternalDateTime.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/LoopbackSocket.h"

namespace kx::test {

namespace {

constexpr int kSliceMs = 20;
constexpr int kHeadLimitMs = 10000;    // the whole request head must arrive within this
constexpr int kIdleLimitMs = 30000;    // a relayed connection with no traffic this long ends
constexpr size_t kHeadMaxBytes = 1 << 16;
// The request header that tells the HTTP server which record a relayed
// request belongs to. Its name holds none of the answer header names.
constexpr const char* kRecordHeader = "X-Fq-Record";

std::string ToDecimal(uint64_t Value) {
  char digits[24];
  return std::string(digits, std::to_chars(digits, digits + sizeof(digits), Value).ptr);
}

std::string Lower(std::string_view Text) {
  std::string out(Text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string TrimBlanks(std::string_view Text) {
  size_t begin = 0, end = Text.size();
  while (begin < end && (Text[begin] == ' ' || Text[begin] == '\t')) ++begin;
  while (end > begin && (Text[end - 1] == ' ' || Text[end - 1] == '\t' || Text[end - 1] == '\r')) --end;
  return std::string(Text.substr(begin, end - begin));
}

class Md5 {
 public:
  Md5() : context_(EVP_MD_CTX_new()) {
    if (context_ == nullptr || EVP_DigestInit_ex(context_, EVP_md5(), nullptr) != 1) {
      EVP_MD_CTX_free(context_);
      throw std::runtime_error("MD5 is not available");
    }
  }
  ~Md5() { EVP_MD_CTX_free(context_); }
  Md5(const Md5&) = delete;
  Md5& operator=(const Md5&) = delete;
  void Update(const char* Data, size_t Size) { EVP_DigestUpdate(context_, Data, Size); }
  // 32 upper-case hexadecimal digits.
  std::string Final() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(context_, digest, &size);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned int i = 0; i < size; ++i) {
      out += kHex[digest[i] >> 4];
      out += kHex[digest[i] & 15];
    }
    return out;
  }

 private:
  EVP_MD_CTX* context_;
};

// Body bytes as they arrive: digested, counted and kept up to a limit.
struct BodySink {
  explicit BodySink(size_t Limit) : limit(Limit) {}
  void Add(const char* Data, size_t Size) {
    md5.Update(Data, Size);
    size += Size;
    if (kept.size() < limit) kept.append(Data, std::min(Size, limit - kept.size()));
  }
  size_t limit;
  Md5 md5;
  uint64_t size = 0;
  std::string kept;
};

void SendAll(int Socket, std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t n = ::send(Socket, Bytes.data(), Bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return;
    Bytes.remove_prefix(static_cast<size_t>(n));
  }
}

// One received request head, taken apart.
struct Head {
  std::string Method, Target, Version;
  std::vector<std::pair<std::string, std::string>> Fields;  // names as sent
  std::string Find(std::string_view Name) const {
    const std::string lower = Lower(Name);
    for (const auto& [name, value] : Fields) {
      if (Lower(name) == lower) return value;
    }
    return {};
  }
  bool Has(std::string_view Name) const {
    const std::string lower = Lower(Name);
    return std::any_of(Fields.begin(), Fields.end(), [&](const auto& f) { return Lower(f.first) == lower; });
  }
};

bool ParseHead(std::string_view Text, Head& Into) {
  size_t lineEnd = Text.find("\r\n");
  const std::string_view requestLine = Text.substr(0, lineEnd);
  const size_t first = requestLine.find(' ');
  const size_t last = requestLine.rfind(' ');
  if (first == std::string_view::npos || last == first) return false;
  Into.Method = std::string(requestLine.substr(0, first));
  Into.Target = std::string(requestLine.substr(first + 1, last - first - 1));
  Into.Version = std::string(requestLine.substr(last + 1));
  while (lineEnd != std::string_view::npos && lineEnd + 2 < Text.size()) {
    const size_t begin = lineEnd + 2;
    lineEnd = Text.find("\r\n", begin);
    const std::string_view line = Text.substr(begin, lineEnd == std::string_view::npos ? Text.npos : lineEnd - begin);
    if (line.empty()) break;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    Into.Fields.emplace_back(TrimBlanks(line.substr(0, colon)), TrimBlanks(line.substr(colon + 1)));
  }
  return true;
}

bool IsRawFault(FakeFault Kind) {
  return Kind == FakeFault::CloseWithoutAnswer || Kind == FakeFault::ResetMidBody ||
         Kind == FakeFault::NotHttp;
}

// Waits for the socket to become readable, at most SliceMs; <0 error, 0 not yet.
int WaitReadable(int Socket, int SliceMs) {
  pollfd p{Socket, POLLIN, 0};
  return ::poll(&p, 1, SliceMs);
}

}  // namespace

class FakeQueueServer::Impl {
 public:
  explicit Impl(Options TheOptions) : options_(std::move(TheOptions)) {
    if (options_.RootPath.empty() || options_.RootPath.front() != '/') options_.RootPath.insert(0, "/");
    if (options_.RootPath.back() != '/') options_.RootPath += '/';
    std::random_device seed;
    idSalt_ = std::uniform_int_distribution<uint32_t>()(seed);

    auto withReader = [this](const httplib::Request& q, httplib::Response& r,
                             const httplib::ContentReader& reader) { Serve(q, r, &reader); };
    auto plain = [this](const httplib::Request& q, httplib::Response& r) { Serve(q, r, nullptr); };
    auto& http = relay_.Http();
    http.Put(".*", withReader).Put(".*", plain);
    http.Post(".*", withReader).Post(".*", plain);
    http.Patch(".*", withReader).Patch(".*", plain);
    http.Delete(".*", withReader).Delete(".*", plain);
    http.Get(".*", plain);
    http.Options(".*", plain);
    http.set_read_timeout(std::chrono::seconds(10));
    http.set_write_timeout(std::chrono::seconds(10));
    relay_.Start();

    listener_ = kx::testing::BindLoopback(64, port_);
    acceptor_ = std::thread([this] { Accept(); });
  }

  ~Impl() {
    stop_ = true;
    changed_.notify_all();
    if (acceptor_.joinable()) acceptor_.join();
    for (auto& c : connections_) c.thread.join();
    relay_.Stop();
    ::close(listener_);
  }

  int Port() const { return port_; }
  std::string Url() const { return "http://127.0.0.1:" + ToDecimal(static_cast<uint64_t>(port_)) + options_.RootPath; }

  void Arm(const std::string& Kind, int Number, FakeQueueFault Fault) {
    std::lock_guard lock(mutex_);
    faults_[Kind][std::max(Number, 0)] = std::move(Fault);
  }
  void ClearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
  }
  std::vector<FakeQueueRequest> Requests() const {
    std::lock_guard lock(mutex_);
    std::vector<FakeQueueRequest> out;
    out.reserve(entries_.size());
    for (const auto& e : entries_) out.push_back(e.request);
    return out;
  }
  std::vector<std::string> BlobIds() const {
    std::lock_guard lock(mutex_);
    return blobIds_;
  }
  std::vector<std::string> DocumentIds() const {
    std::lock_guard lock(mutex_);
    return documentIds_;
  }
  bool WaitForRequests(size_t Count, int TimeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(TimeoutMs), [&] { return finished_ >= Count; });
  }

 private:
  struct Entry {
    FakeQueueRequest request;
    FakeQueueFault fault;
    bool done = false;
  };
  struct Connection {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  // ---- The front door: every connection is read here first -----------------

  void Accept() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, 50) > 0) {
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket >= 0) {
          timeval limit{10, 0};
          ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
          auto done = std::make_shared<std::atomic<bool>>(false);
          connections_.push_back({std::thread([this, socket, done] {
                                    Handle(socket);
                                    ::close(socket);
                                    *done = true;
                                  }),
                                  done});
        }
      }
      for (auto it = connections_.begin(); it != connections_.end();) {
        if (*it->done) {
          it->thread.join();
          it = connections_.erase(it);
        } else {
          ++it;
        }
      }
    }
  }

  // Reads into Into until it holds "\r\n\r\n"; the head's length with the
  // blank line, 0 when none came in time.
  size_t ReadHead(int Socket, std::string& Into) {
    char buffer[8192];
    for (int waited = 0; !stop_ && waited < kHeadLimitMs && Into.size() < kHeadMaxBytes;) {
      const size_t end = Into.find("\r\n\r\n");
      if (end != std::string::npos) return end + 4;
      const int ready = WaitReadable(Socket, kSliceMs);
      if (ready == 0) {
        waited += kSliceMs;
        continue;
      }
      if (ready < 0) return 0;
      const ssize_t n = ::recv(Socket, buffer, sizeof(buffer), 0);
      if (n <= 0) return 0;
      Into.append(buffer, static_cast<size_t>(n));
    }
    const size_t end = Into.find("\r\n\r\n");
    return end == std::string::npos ? 0 : end + 4;
  }

  void Handle(int Socket) {
    std::string bytes;
    const size_t headSize = ReadHead(Socket, bytes);
    Head head;
    if (headSize == 0 || !ParseHead(std::string_view(bytes).substr(0, headSize), head)) return;

    FakeQueueRequest request;
    request.Method = head.Method;
    request.Target = head.Target;
    request.ContentType = head.Find("Content-Type");
    if (head.Has("Content-Length")) {
      const std::string text = head.Find("Content-Length");
      int64_t value = -1;
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
      request.ContentLength = error == std::errc() && end == text.data() + text.size() ? value : -1;
    }
    request.TransferEncoding = head.Has("Transfer-Encoding");
    request.Expect = head.Has("Expect");
    Check(request);

    size_t index = 0;
    FakeQueueFault fault;
    {
      std::lock_guard lock(mutex_);
      if (request.Kind != "other") {
        const int number = ++counters_[request.Kind];
        const auto armed = faults_.find(request.Kind);
        if (armed != faults_.end()) {
          auto hit = armed->second.find(number);
          if (hit == armed->second.end()) hit = armed->second.find(0);
          if (hit != armed->second.end()) fault = hit->second;
        }
      }
      index = entries_.size();
      entries_.push_back({request, fault, false});
    }

    if (IsRawFault(fault.Kind)) {
      ServeRawFault(Socket, index, fault.Kind, KeptBytes(request.Kind), request.ContentLength,
                    bytes.substr(headSize));
      return;
    }

    // Everything else goes on to the HTTP server, one request per connection,
    // so that request numbers are counted here for every request.
    std::string forward = head.Method + " " + head.Target + " " + head.Version + "\r\n";
    for (const auto& [name, value] : head.Fields) {
      const std::string lower = Lower(name);
      if (lower == "connection" || lower == "keep-alive" || lower == Lower(kRecordHeader)) continue;
      forward += name + ": " + value + "\r\n";
    }
    forward += std::string(kRecordHeader) + ": " + ToDecimal(index) + "\r\nConnection: close\r\n\r\n";
    forward.append(bytes, headSize, std::string::npos);
    Relay(Socket, forward);
    Finish(index, [](FakeQueueRequest&) {});
  }

  // How much of a body the record keeps: documents whole, anything else up
  // to the body limit.
  size_t KeptBytes(const std::string& Kind) const { return Kind == "document" ? SIZE_MAX : options_.BodyLimit; }

  // The query checks: they fill Kind, Params and Error.
  void Check(FakeQueueRequest& Request) const {
    const size_t question = Request.Target.find('?');
    const std::string path = Request.Target.substr(0, question);
    const std::string query = question == std::string::npos ? std::string() : Request.Target.substr(question + 1);
    if (path == options_.RootPath + "kxblobupload") {
      Request.Kind = "blob";
    } else if (path == options_.RootPath + "kxdocupload") {
      Request.Kind = "document";
    } else {
      Request.Kind = "other";
      Request.Error = "no such path: " + path;
      return;
    }
    if (Request.Method != "PUT") {
      Request.Error = "method not allowed: " + Request.Method;
      return;
    }
    if (query.find('+') != std::string::npos) {
      // "+" is a blank in a query; a Base64 "+" must travel as "%2B".
      Request.Error = "unescaped + in the query";
      return;
    }
    try {
      kxInternal::TkxCipherEncoding encoding = kxInternal::kxCIPHENC_None;
      const auto params = kxInternal::TkxCipher::DecodeUrlParams(query, encoding);
      if (encoding != kxInternal::kxCIPHENC_Mega) {
        Request.Error = "the query is not enciphered with encoding=mega";
        return;
      }
      bool base64 = false, built = false;
      for (const auto& p : params) {
        const std::string name = ToUtf8(p.Param), value = ToUtf8(p.Value);
        if (name == "ENCODING") {
          base64 = Lower(value) == "base64";
        } else if (name == "BUILDTIME") {
          TTimeStamp stamp{};
          if (!kxInternal::TkxDateTime::StrToTimeStamp(p.Value, stamp)) {
            Request.Error = "unreadable buildtime " + value;
            return;
          }
          const double age = kx::platform::Now().Val -
                             kxInternal::TkxDateTime::TimeStampStrToDateTime(p.Value).Val;
          if (!(std::fabs(age) < 1.0)) {
            Request.Error = "buildtime " + value + " is not within a day of now";
            return;
          }
          built = true;
        } else {
          Request.Params.emplace_back(name, value);
        }
      }
      if (!base64) Request.Error = "the inner query is not encoded with base64";
      else if (!built) Request.Error = "the inner query has no buildtime";
    } catch (const Exception& e) {
      Request.Error = "the query does not decode: " + ToUtf8(e.Message);
    } catch (const std::exception& e) {
      Request.Error = std::string("the query does not decode: ") + e.what();
    }
  }

  template <typename Change>
  void Finish(size_t Index, Change&& Apply) {
    {
      std::lock_guard lock(mutex_);
      Entry& e = entries_[Index];
      Apply(e.request);
      if (!e.done) {
        e.done = true;
        ++finished_;
      }
    }
    changed_.notify_all();
  }

  // Copies bytes both ways between the client and the HTTP server until the
  // server has answered and closed.
  void Relay(int Client, const std::string& Forward) {
    const int upstream = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (upstream < 0) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(relay_.Port()));
    timeval limit{10, 0};
    ::setsockopt(upstream, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
    if (::connect(upstream, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
      ::close(upstream);
      return;
    }
    SendAll(upstream, Forward);
    std::vector<char> buffer(1 << 18);
    bool clientOpen = true;
    int idle = 0;
    while (!stop_ && idle < kIdleLimitMs) {
      pollfd p[2] = {{upstream, POLLIN, 0}, {clientOpen ? Client : -1, POLLIN, 0}};
      const int ready = ::poll(p, 2, kSliceMs);
      if (ready < 0) break;
      if (ready == 0) {
        idle += kSliceMs;
        continue;
      }
      idle = 0;
      if (p[0].revents != 0) {
        const ssize_t n = ::recv(upstream, buffer.data(), buffer.size(), 0);
        if (n <= 0) break;  // the server answered and closed
        SendAll(Client, std::string_view(buffer.data(), static_cast<size_t>(n)));
      }
      if (clientOpen && p[1].revents != 0) {
        const ssize_t n = ::recv(Client, buffer.data(), buffer.size(), 0);
        if (n < 0) break;
        if (n == 0) {
          clientOpen = false;
          ::shutdown(upstream, SHUT_WR);
        } else {
          SendAll(upstream, std::string_view(buffer.data(), static_cast<size_t>(n)));
        }
      }
    }
    ::close(upstream);
    ::shutdown(Client, SHUT_WR);
    // Bytes still unread when the socket closes would reset the connection
    // and could cost the client the answer: read until it closes.
    for (int waited = 0; clientOpen && !stop_ && waited < 2000;) {
      const int ready = WaitReadable(Client, kSliceMs);
      if (ready == 0) {
        waited += kSliceMs;
        continue;
      }
      if (ready < 0 || ::recv(Client, buffer.data(), buffer.size(), 0) <= 0) break;
    }
  }

  // The faults that the HTTP server cannot give: they happen on the raw
  // connection, after the head has been read.
  void ServeRawFault(int Socket, size_t Index, FakeFault Kind, size_t Keep, int64_t ContentLength,
                     std::string Early) {
    BodySink body(Keep);
    const bool fixedLength = ContentLength >= 0;
    const uint64_t whole = fixedLength ? static_cast<uint64_t>(ContentLength) : UINT64_MAX;
    // A reset comes once part of the body has arrived: half of it, at most 64 KiB.
    const uint64_t wanted = Kind == FakeFault::ResetMidBody
                                ? std::min<uint64_t>(fixedLength ? whole / 2 : 1, 1 << 16)
                                : whole;
    body.Add(Early.data(), static_cast<size_t>(std::min<uint64_t>(Early.size(), whole)));
    std::vector<char> buffer(1 << 16);
    // Without a length the body ends when the client pauses.
    const int pauseMs = fixedLength ? kHeadLimitMs : 500;
    for (int waited = 0; !stop_ && body.size < wanted && waited < pauseMs;) {
      const int ready = WaitReadable(Socket, kSliceMs);
      if (ready == 0) {
        waited += kSliceMs;
        continue;
      }
      if (ready < 0) break;
      const ssize_t n = ::recv(Socket, buffer.data(),
                               static_cast<size_t>(std::min<uint64_t>(buffer.size(), wanted - body.size)), 0);
      if (n <= 0) break;
      body.Add(buffer.data(), static_cast<size_t>(n));
      waited = 0;
    }
    Finish(Index, [&](FakeQueueRequest& r) {
      r.BodySize = body.size;
      r.BodyMd5 = body.md5.Final();
      r.Body = std::move(body.kept);
    });
    switch (Kind) {
      case FakeFault::ResetMidBody: {
        linger hard{1, 0};
        ::setsockopt(Socket, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
        return;  // the close that follows resets the connection
      }
      case FakeFault::NotHttp:
        SendAll(Socket, "this is no answer the client knows\r\n\r\n");
        break;
      default:
        break;
    }
    ::shutdown(Socket, SHUT_WR);
    for (int waited = 0; !stop_ && waited < 2000;) {
      const int ready = WaitReadable(Socket, kSliceMs);
      if (ready == 0) {
        waited += kSliceMs;
        continue;
      }
      if (ready < 0 || ::recv(Socket, buffer.data(), buffer.size(), 0) <= 0) break;
    }
  }

  // ---- The HTTP server behind the front door ---------------------------------

  void Serve(const httplib::Request& Q, httplib::Response& R, const httplib::ContentReader* Reader) {
    size_t index = SIZE_MAX;
    FakeQueueRequest request;
    FakeQueueFault fault;
    {
      const std::string text = Q.get_header_value(kRecordHeader);
      size_t value = 0;
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
      std::lock_guard lock(mutex_);
      if (error == std::errc() && end == text.data() + text.size() && value < entries_.size()) {
        index = value;
        request = entries_[index].request;
        fault = entries_[index].fault;
      }
    }
    if (index == SIZE_MAX) {
      R.status = 400;
      return;
    }

    BodySink body(KeptBytes(request.Kind));
    if (Reader != nullptr) {
      (*Reader)([&](const char* data, size_t size) {
        body.Add(data, size);
        return true;
      });
    } else {
      body.Add(Q.body.data(), Q.body.size());
    }
    request.BodySize = body.size;
    request.BodyMd5 = body.md5.Final();
    request.Body = std::move(body.kept);

    if (request.Error.empty() && request.Kind == "document") CheckDocument(request);
    Answer(request, fault, R);
    request.Status = R.status;
    Finish(index, [&](FakeQueueRequest& r) { r = std::move(request); });
  }

  static void CollectReferences(const kx::platform::XmlElement& Element, std::vector<std::string>& Into) {
    for (const auto& child : Element.ChildNodes()) {
      const auto e = child.AsElement();
      if (!e) continue;
      if (e.Name() == u"Reference" && Element.Name() == u"Blob") {
        Into.push_back(ToUtf8(e.Text()));
      } else {
        CollectReferences(e, Into);
      }
    }
  }

  void CheckDocument(FakeQueueRequest& Request) const {
    try {
      const auto document = kx::platform::XmlDocument::Load(Request.Body);
      CollectReferences(document.DocumentElement(), Request.References);
    } catch (const Exception& e) {
      Request.Error = "the document does not read: " + ToUtf8(e.Message);
      return;
    }
    std::lock_guard lock(mutex_);
    for (const auto& reference : Request.References) {
      if (std::find(blobIds_.begin(), blobIds_.end(), reference) == blobIds_.end()) {
        Request.Error = "unknown blob reference " + reference;
        return;
      }
    }
  }

  std::string NewId(char Prefix, size_t Number) const {
    std::string id(1, Prefix);
    const std::string digits = ToDecimal(Number);
    id += std::string(digits.size() < 6 ? 6 - digits.size() : 0, '0') + digits + "X";
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int shift = 28; shift >= 0; shift -= 4) id += kHex[(idSalt_ >> shift) & 15];
    return id;
  }

  void Answer(const FakeQueueRequest& Request, const FakeQueueFault& Fault, httplib::Response& R) {
    if (!Request.Error.empty()) {
      R.status = Request.Kind == "other" ? 404 : Request.Error.rfind("method", 0) == 0 ? 405 : 400;
      std::string text = Request.Error;  // one header line, whatever the reason holds
      std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
      R.set_header("Error-Message", text);
      return;
    }
    const bool blob = Request.Kind == "blob";
    switch (Fault.Kind) {
      case FakeFault::Status:
        R.status = Fault.Status != 0 ? Fault.Status : 500;
        // The digest is right, so a client that looked at it before the
        // status would take the blob.
        if (blob) R.set_header("BlobHash", Request.BodyMd5);
        if (Fault.ErrorMessage) R.set_header("Error-Message", *Fault.ErrorMessage);
        return;
      case FakeFault::Redirect:
        R.status = Fault.Status != 0 ? Fault.Status : 302;
        R.set_header("Location", Fault.Location.empty() ? Url() + "moved" : Fault.Location);
        if (Fault.ErrorMessage) R.set_header("Error-Message", *Fault.ErrorMessage);
        return;
      case FakeFault::Delay:
        for (int slept = 0; !stop_ && slept < Fault.DelayMs; slept += kSliceMs) {
          std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMs));
        }
        break;
      default:
        break;
    }
    R.status = 201;
    if (Fault.ErrorMessage) R.set_header("Error-Message", *Fault.ErrorMessage);
    std::lock_guard lock(mutex_);
    if (blob) {
      std::string hash = Request.BodyMd5;
      if (Fault.Kind == FakeFault::HashLowerCase) hash = Lower(hash);
      if (Fault.Kind == FakeFault::HashWrong) hash[0] = hash[0] == '0' ? '1' : '0';
      if (Fault.Kind != FakeFault::HashMissing) R.set_header("BlobHash", hash);
      if (Fault.Kind != FakeFault::BlobIdMissing) {
        blobIds_.push_back(NewId('B', blobIds_.size() + 1));
        R.set_header("BlobId", blobIds_.back());
      }
    } else if (Fault.Kind != FakeFault::DocumentIdMissing) {
      documentIds_.push_back(NewId('D', documentIds_.size() + 1));
      R.set_header("DocumentId", documentIds_.back());
    }
  }

  Options options_;
  uint32_t idSalt_ = 0;
  kx::testing::LoopbackServer relay_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread acceptor_;
  std::vector<Connection> connections_;  // the acceptor's own

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Entry> entries_;
  size_t finished_ = 0;
  std::map<std::string, int> counters_;
  std::map<std::string, std::map<int, FakeQueueFault>> faults_;
  std::vector<std::string> blobIds_, documentIds_;
};

FakeQueueServer::FakeQueueServer() : FakeQueueServer(Options()) {}
FakeQueueServer::FakeQueueServer(Options TheOptions) : impl_(std::make_unique<Impl>(std::move(TheOptions))) {}
FakeQueueServer::~FakeQueueServer() = default;

int FakeQueueServer::Port() const { return impl_->Port(); }
std::string FakeQueueServer::Url() const { return impl_->Url(); }
void FakeQueueServer::FailBlob(int Number, FakeQueueFault Fault) { impl_->Arm("blob", Number, std::move(Fault)); }
void FakeQueueServer::FailDocument(int Number, FakeQueueFault Fault) {
  impl_->Arm("document", Number, std::move(Fault));
}
void FakeQueueServer::ClearFaults() { impl_->ClearFaults(); }
std::vector<FakeQueueRequest> FakeQueueServer::Requests() const { return impl_->Requests(); }
std::vector<std::string> FakeQueueServer::BlobIds() const { return impl_->BlobIds(); }
std::vector<std::string> FakeQueueServer::DocumentIds() const { return impl_->DocumentIds(); }
bool FakeQueueServer::WaitForRequests(size_t Count, int TimeoutMs) const {
  return impl_->WaitForRequests(Count, TimeoutMs);
}

std::string Md5Hex(std::string_view Bytes) {
  Md5 md5;
  md5.Update(Bytes.data(), Bytes.size());
  return md5.Final();
}

int FakeQueueServer::DownPort() {
  int port = 0;
  ::close(kx::testing::BindLoopback(0, port));
  return port;
}

}  // namespace kx::test
