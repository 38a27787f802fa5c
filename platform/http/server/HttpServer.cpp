// The server engine: synchronous Boost.Beast over Asio, one accepting
// thread per binding and one thread per connection.
#include "platform/http/HttpServer.h"

#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/read.hpp>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>

#include "platform/http/HttpErrors.h"
#include "platform/http/server/BeastRequest.h"
#include "platform/rtl/Exceptions.h"

namespace kx::platform::http {

namespace asio = boost::asio;
namespace ssl = boost::asio::ssl;
using tcp = boost::asio::ip::tcp;
using boost::beast::error_code;

namespace detail {
namespace {

// What every connection of one activation shares.
struct Shared {
  // Settings, as they were at activation.
  std::string ServerSoftware;
  RequestLimits Limits;
  int32_t MaxConnections = 0;
  std::function<void(TIdContext&, TIdHTTPRequestInfo&, TIdHTTPResponseInfo&)> OnCommand;
  std::function<void(const std::string&)> OnError;
  std::unique_ptr<ssl::context> Tls;

  asio::io_context Io;
  std::atomic<bool> Stopping{false};
  std::atomic<int32_t> Served{0};  // connections being served (not refused)

  std::mutex Lock;
  std::condition_variable HandlersDone;
  int32_t RunningHandlers = 0;

  struct Entry {
    int Fd = -1;  // -1 once its thread closed it
    std::thread Thread;
    bool Done = false;
  };
  std::list<Entry> Connections;  // under Lock

  void Report(const std::string& Text) {
    if (!OnError) return;
    try {
      OnError(Text);
    } catch (...) {
    }
  }
};

// Writes through a stream; a failure raises, so a handler that writes to a
// client that went away ends.
template <class Stream>
class StreamSink final : public ResponseSink {
 public:
  explicit StreamSink(Stream& S) : stream_(S) {}
  void Write(std::string_view Bytes) override {
    error_code error;
    asio::write(stream_, asio::buffer(Bytes.data(), Bytes.size()), error);
    if (error) throw EIdSocketError("write to the client: " + error.message());
  }

 private:
  Stream& stream_;
};

// Reads and drops what the client still sends, for a moment, so that closing
// does not reset the connection before the client has read the reply.
void Drain(int Fd, int Ms) {
  char scratch[16384];
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{Fd, POLLIN, 0};
    if (::poll(&p, 1, 50) < 0) return;
    if ((p.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    if (::recv(Fd, scratch, sizeof scratch, MSG_DONTWAIT) <= 0) return;
  }
}

class Connection {
 public:
  Connection(std::shared_ptr<Shared> S, tcp::socket Socket, bool Refuse, Shared::Entry& E)
      : shared_(std::move(S)), socket_(std::move(Socket)), refuse_(Refuse), entry_(E) {}

  void Run() {
    error_code error;
    socket_.set_option(tcp::no_delay(true), error);
    const auto remote = socket_.remote_endpoint(error);
    if (!error) {
      peerIP_ = remote.address().to_string();
      peerPort_ = remote.port();
    }
    if (shared_->Tls) {
      ssl::stream<tcp::socket&> stream(socket_, *shared_->Tls);
      stream.handshake(ssl::stream_base::server, error);
      if (!error) {
        Serve(stream);
        ::SSL_shutdown(stream.native_handle());  // close_notify, without waiting for the peer's
      }
    } else {
      Serve(socket_);
    }
    Close();
  }

 private:
  template <class Stream>
  void Serve(Stream& S) {
    StreamSink<Stream> sink(S);
    TIdContext context(sink, peerIP_, peerPort_);
    if (refuse_) {
      Answer(context, 503);
      return;
    }
    boost::beast::flat_buffer buffer;
    while (!shared_->Stopping) {
      RequestParser parser;
      Configure(parser, shared_->Limits);
      error_code error;
      boost::beast::http::read_header(S, buffer, parser, error);
      if (error) {
        // A client that closes between requests is no error.
        if (error != boost::beast::http::error::end_of_stream && IsProtocolError(error))
          Answer(context, StatusOf(error));
        return;
      }
      if (const int32_t status = CheckHeader(parser, shared_->Limits)) {
        Answer(context, status);
        return;
      }
      if (ExpectsContinue(parser.get()) && !parser.is_done()) {
        if (!SendRaw(sink, "HTTP/1.1 100 Continue\r\n\r\n")) return;
      }
      if (!parser.is_done()) boost::beast::http::read(S, buffer, parser, error);
      if (error) {
        if (IsProtocolError(error)) Answer(context, StatusOf(error));
        return;
      }
      if (!Handle(context, parser.get())) return;
    }
  }

  // One request; false when the connection is to be closed.
  bool Handle(TIdContext& Context, const Request& Message) {
    TIdHTTPRequestInfo request;
    FillRequestInfo(Message, request);
    request.RemoteIP = peerIP_;
    TIdHTTPResponseInfo response(Context);
    response.ServerSoftware = shared_->ServerSoftware;
    response.HeadOnly = Message.method() == boost::beast::http::verb::head;
    response.CloseConnection = !Message.keep_alive();
    {
      std::lock_guard lock(shared_->Lock);
      ++shared_->RunningHandlers;
    }
    bool failed = false;
    std::string text;
    try {
      if (shared_->OnCommand) shared_->OnCommand(Context, request, response);
    } catch (const std::exception& e) {
      failed = true;
      text = e.what();
    } catch (...) {
      failed = true;
      text = "unknown exception";
    }
    {
      std::lock_guard lock(shared_->Lock);
      --shared_->RunningHandlers;
    }
    shared_->HandlersDone.notify_all();
    if (failed) {
      shared_->Report(text);
      // A reply that had begun cannot be taken back: the connection ends.
      if (response.HeaderHasBeenWritten()) return false;
      response.ResponseNo = 500;
      response.ResponseText.clear();
      response.ContentType.clear();
      response.CharSet.clear();
      response.ContentEncoding.clear();
      response.ContentText.clear();
      response.ContentLength = -1;
      response.Expires.reset();
      response.CustomHeaders.Clear();
    }
    try {
      if (!response.HeaderHasBeenWritten()) response.WriteContent();  // head and body
    } catch (const std::exception& e) {
      shared_->Report(e.what());
      return false;
    }
    return !response.CloseConnection;
  }

  // The engine's own reply: a status with an empty body, then the end.
  void Answer(TIdContext& Context, int32_t Status) {
    TIdHTTPResponseInfo response(Context);
    response.ResponseNo = Status;
    response.ServerSoftware = shared_->ServerSoftware;
    response.CloseConnection = true;
    try {
      response.WriteHeader();
    } catch (...) {
    }
    drain_ = true;
  }

  // An error of the request's bytes, not of the connection.
  bool IsProtocolError(const error_code& Error) const {
    static const auto& category =
        boost::beast::http::make_error_code(boost::beast::http::error::bad_method).category();
    return !shared_->Stopping && Error.category() == category;
  }

  static bool SendRaw(ResponseSink& Sink, std::string_view Bytes) {
    try {
      Sink.Write(Bytes);
      return true;
    } catch (...) {
      return false;
    }
  }

  void Close() {
    const int fd = socket_.native_handle();
    if (fd >= 0) {
      ::shutdown(fd, SHUT_WR);
      if (drain_ && !shared_->Stopping) Drain(fd, 2000);
    }
    std::lock_guard lock(shared_->Lock);
    entry_.Fd = -1;
    error_code error;
    socket_.close(error);
  }

  std::shared_ptr<Shared> shared_;
  tcp::socket socket_;
  bool refuse_;
  Shared::Entry& entry_;
  bool drain_ = false;
  std::string peerIP_;
  int32_t peerPort_ = 0;
};

std::unique_ptr<ssl::context> MakeTlsContext(const TlsSettings& Tls) {
  auto context = std::make_unique<ssl::context>(ssl::context::tls_server);
  SSL_CTX* ctx = context->native_handle();
  const TlsVersionRange range = VersionRangeOf(Tls.SSLVersions);
  if (!range.Error.empty()) throw EIdException("TLS settings: " + range.Error);
  if (SSL_CTX_set_min_proto_version(ctx, range.Minimum) != 1 ||
      SSL_CTX_set_max_proto_version(ctx, range.Maximum) != 1)
    throw EIdException("TLS settings: the TLS library refuses the configured protocol versions");
  error_code error;
  const std::string password = Tls.Password;
  context->set_password_callback(
      [password](std::size_t, ssl::context::password_purpose) { return password; }, error);
  auto check = [&](const char* what, const std::string& file) {
    if (error) throw EIdException(std::string("TLS settings: ") + what + " \"" + file + "\": " + error.message());
  };
  if (!Tls.CertFile.empty()) {
    context->use_certificate_chain_file(Tls.CertFile, error);
    check("cannot load the certificate", Tls.CertFile);
  }
  if (!Tls.KeyFile.empty()) {
    context->use_private_key_file(Tls.KeyFile, ssl::context::pem, error);
    check("cannot load the key", Tls.KeyFile);
  }
  if (!Tls.RootCertFile.empty()) {
    context->load_verify_file(Tls.RootCertFile, error);
    check("cannot load the root certificates", Tls.RootCertFile);
  }
  if (!Tls.VerifyDirs.empty()) {
    context->add_verify_path(Tls.VerifyDirs, error);
    check("cannot use the folder", Tls.VerifyDirs);
  }
  if (Tls.VerifyDepth > 0) SSL_CTX_set_verify_depth(ctx, Tls.VerifyDepth);
  if (!Tls.CipherList.empty() && SSL_CTX_set_cipher_list(ctx, Tls.CipherList.c_str()) != 1)
    throw EIdException("TLS settings: no usable cipher in \"" + Tls.CipherList + "\"");
  int verify = SSL_VERIFY_NONE;
  if (!Tls.VerifyMode.IsEmpty()) verify = SSL_VERIFY_PEER;
  if (Tls.VerifyMode.Contains(sslvrfFailIfNoPeerCert)) verify |= SSL_VERIFY_FAIL_IF_NO_PEER_CERT;
  if (Tls.VerifyMode.Contains(sslvrfClientOnce)) verify |= SSL_VERIFY_CLIENT_ONCE;
  SSL_CTX_set_verify(ctx, verify, nullptr);
  // Resumed sessions of clients with certificates need a context name.
  static const unsigned char kSessionContext[] = "kxhttpserver";
  SSL_CTX_set_session_id_context(ctx, kSessionContext, sizeof kSessionContext - 1);
  return context;
}

}  // namespace

class ServerEngine {
 public:
  ServerEngine(const HttpServer& Server) : shared_(std::make_shared<Shared>()) {
    Shared& s = *shared_;
    s.ServerSoftware = Server.ServerSoftware;
    s.Limits.MaximumHeaderLineCount = Server.MaximumHeaderLineCount;
    s.Limits.BodyLimit = Server.BodyLimit;
    s.MaxConnections = Server.MaxConnections;
    s.OnCommand = Server.OnCommand;
    s.OnError = Server.OnError;
    terminateWait_ = Server.TerminateWaitTime;
    if (Server.Tls) s.Tls = MakeTlsContext(*Server.Tls);

    std::vector<ServerBinding> bindings = Server.Bindings;
    if (bindings.empty()) bindings.push_back({"", Id_IPv4, Server.DefaultPort});
    try {
      for (const ServerBinding& b : bindings) Listen(b);
    } catch (...) {
      Stop();
      throw;
    }
    for (auto& listener : listeners_)
      listener->Thread = std::thread([this, l = listener.get()] { Accept(*l); });
  }

  ~ServerEngine() { Stop(); }

  int32_t BoundPort() const { return listeners_.empty() ? 0 : listeners_.front()->Port; }

 private:
  struct Listener {
    explicit Listener(asio::io_context& Io) : Acceptor(Io) {}
    tcp::acceptor Acceptor;
    int32_t Port = 0;
    std::thread Thread;
  };

  void Listen(const ServerBinding& B) {
    const std::string where = (B.IP.empty() ? std::string("*") : B.IP) + ":" + std::to_string(B.Port);
    if (B.Port < 0 || B.Port > 65535) throw EIdSocketError("could not bind socket " + where + ": invalid port");
    error_code error;
    asio::ip::address address;
    if (B.IP.empty()) {
      address = B.IPVersion == Id_IPv6 ? asio::ip::address(asio::ip::address_v6::any())
                                       : asio::ip::address(asio::ip::address_v4::any());
    } else {
      address = asio::ip::make_address(B.IP, error);
      if (error) throw EIdSocketError("could not bind socket " + where + ": " + error.message());
    }
    auto listener = std::make_unique<Listener>(shared_->Io);
    const tcp::endpoint endpoint(address, static_cast<uint16_t>(B.Port));
    tcp::acceptor& a = listener->Acceptor;
    a.open(endpoint.protocol(), error);
    if (!error) a.set_option(asio::socket_base::reuse_address(true), error);
    if (!error && address.is_v6()) a.set_option(asio::ip::v6_only(true), error);
    if (!error) a.bind(endpoint, error);
    if (!error) a.listen(asio::socket_base::max_listen_connections, error);
    if (error) throw EIdSocketError("could not bind socket " + where + ": " + error.message());
    listener->Port = a.local_endpoint(error).port();
    listeners_.push_back(std::move(listener));
  }

  void Accept(Listener& L) {
    for (;;) {
      // Waits a second at most, so that connections that ended are joined
      // also while no new one comes.
      pollfd p{L.Acceptor.native_handle(), POLLIN, 0};
      const int ready = ::poll(&p, 1, 1000);
      if (shared_->Stopping) return;
      if (ready <= 0) {
        Reap();
        continue;
      }
      tcp::socket socket(shared_->Io);
      error_code error;
      L.Acceptor.accept(socket, error);
      if (shared_->Stopping) return;
      if (error) {
        // Out of descriptors and the like: let connections end, then go on.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      Reap();
      const bool refuse = shared_->MaxConnections > 0 && shared_->Served >= shared_->MaxConnections;
      if (!refuse) ++shared_->Served;
      std::lock_guard lock(shared_->Lock);
      Shared::Entry& entry = shared_->Connections.emplace_back();
      entry.Fd = socket.native_handle();
      entry.Thread = std::thread(
          [shared = shared_, s = std::move(socket), refuse, at = &entry]() mutable {
            Connection(shared, std::move(s), refuse, *at).Run();
            if (!refuse) --shared->Served;
            std::lock_guard done(shared->Lock);
            at->Done = true;
          });
    }
  }

  // Joins the threads of connections that have ended.
  void Reap() {
    std::list<Shared::Entry> ended;
    {
      std::lock_guard lock(shared_->Lock);
      for (auto it = shared_->Connections.begin(); it != shared_->Connections.end();) {
        auto next = std::next(it);
        if (it->Done) ended.splice(ended.end(), shared_->Connections, it);
        it = next;
      }
    }
    for (auto& entry : ended) entry.Thread.join();
  }

  void Stop() {
    Shared& s = *shared_;
    s.Stopping = true;
    for (auto& l : listeners_) {
      ::shutdown(l->Acceptor.native_handle(), SHUT_RDWR);  // wakes the accepting thread
      if (l->Thread.joinable()) l->Thread.join();
      error_code error;
      l->Acceptor.close(error);
    }
    listeners_.clear();
    {
      std::unique_lock lock(s.Lock);
      s.HandlersDone.wait_for(lock, std::chrono::milliseconds(terminateWait_),
                              [&] { return s.RunningHandlers == 0; });
      for (auto& entry : s.Connections)
        if (entry.Fd >= 0) ::shutdown(entry.Fd, SHUT_RDWR);
    }
    // Threads end once their reads and writes fail. A handler still running
    // is waited for: it may call the server's hooks, whose owners must not
    // be gone by then.
    for (;;) {
      Reap();
      {
        std::lock_guard lock(s.Lock);
        if (s.Connections.empty()) break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  std::shared_ptr<Shared> shared_;
  uint32_t terminateWait_ = 5000;
  std::vector<std::unique_ptr<Listener>> listeners_;
};

}  // namespace detail

HttpServer::HttpServer() = default;

HttpServer::~HttpServer() { engine_.reset(); }

bool HttpServer::Active() const { return engine_ != nullptr; }

void HttpServer::SetActive(bool Value) {
  if (Value == Active()) return;
  if (Value) {
    engine_ = std::make_unique<detail::ServerEngine>(*this);
  } else {
    engine_.reset();
  }
}

int32_t HttpServer::BoundPort() const { return engine_ ? engine_->BoundPort() : 0; }

}  // namespace kx::platform::http
