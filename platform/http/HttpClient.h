// platform/http/HttpClient.h — one HTTP/1.1 client over libcurl: a curl
// easy handle configured once from ClientSettings, for one request (or a few
// in a row on the same thread).
//
// What every client does, whatever the settings:
//   - HTTP/1.1; redirects are never followed (a 3xx is an answer like any
//     other); no proxy, whatever http_proxy and friends say; no
//     "Expect: 100-continue"; no signals (time-outs work on any thread).
//   - Request bodies are streamed from a Stream with their length (never
//     chunked), response bodies streamed into a string or a Stream.
//   - The URL goes out with every byte a URL cannot carry (blank, control,
//     non-ASCII) as "%" and two upper-case hexadecimal digits, and every "+"
//     of the query as "%2B" (EscapeUrlForTransport): the system's queries
//     carry Base64 text whose "+" the receiver would read as a blank.
//   - An answer of 400 and above raises EIdHTTPProtocolException; transport
//     failures raise the classes of HttpErrors.h with libcurl's text. Status,
//     status line and headers stay readable after any outcome.
// A client is not shared between threads; separate clients share nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/http/HttpErrors.h"
#include "platform/http/TlsSettings.h"
#include "platform/rtl/Stream.h"

namespace kx::platform::http {

struct ClientSettings {
  // Held for the callers' inspection; nothing here acts on them: redirects
  // are not followed and no authentication scheme is set up.
  int32_t MaxAuthRetries = 1;
  int32_t RedirectMaximum = 2;
  bool HandleRedirects = false;
  // A cookie engine for this client alone.
  bool AllowCookies = false;
  // Milliseconds without any data moving (either way) after the connection
  // stands; 0 or below: no limit. It limits inactivity, never the whole
  // request, so a large upload that keeps moving is never cut.
  int32_t ReadTimeout = 300000;
  // Milliseconds to connect, TLS handshake included; 0: the library's own.
  int32_t ConnectTimeout = 5000;
  // The local address to send from (empty: any), the local port (0: any),
  // or, when Port is 0 and PortMin is not, the range PortMin..PortMax.
  std::string BoundIP;
  uint16_t BoundPort = 0;
  uint16_t BoundPortMin = 0;
  uint16_t BoundPortMax = 0;
  // The TLS handler; without it the client speaks plain HTTP. Whether a
  // request uses TLS is decided by its URL's scheme alone ("https"); the
  // handler only shapes it.
  std::optional<TlsSettings> Tls;
};

class HttpClient {
 public:
  // Raises EIdException when libcurl cannot make a handle.
  explicit HttpClient(ClientSettings Settings);
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  const ClientSettings& Settings() const { return settings_; }
  bool HasTlsHandler() const { return settings_.Tls.has_value(); }

  // A request to Url (UTF-8). The body of a 2xx answer is appended to Body;
  // the body of any other answer goes into the protocol exception (400 and
  // above) or nowhere. Content is sent whole from its first byte, whatever
  // its position, with its size as Content-Length; ContentType, when not
  // empty, is the only header added (POST sends none when it is empty).
  void Get(std::string_view Url, std::string& Body);
  void Get(std::string_view Url, Stream& Body);  // written from Body's position on
  void Put(std::string_view Url, Stream& Content, std::string_view ContentType, std::string& Body);
  void Post(std::string_view Url, Stream& Content, std::string_view ContentType, std::string& Body);

  // Of the last request: the status of the final answer, -1 when no status
  // line arrived; the status line as received, without its CR LF; the final
  // answer's header lines, each "name: value" + CR LF (a folded line joined
  // to its header with one blank), without the status line and without the
  // blank last line.
  int32_t ResponseCode() const { return responseCode_; }
  const std::string& ResponseText() const { return statusLine_; }
  const std::string& RawHeaders() const { return rawHeaders_; }

 private:
  struct Transfer;
  void Execute(const char* Method, std::string_view Url, Stream* Content,
               std::string_view ContentType, std::string* BodyText, Stream* BodyStream);
  void Configure();

  ClientSettings settings_;
  void* curl_ = nullptr;  // CURL*
  int32_t responseCode_ = -1;
  std::string statusLine_;
  std::string rawHeaders_;
};

// Url as it goes on the wire (see the top of this file); "%" escapes that
// are there already stay as they are.
//   EscapeUrlForTransport("http://h/a b?x=1+2&y=é") == "http://h/a%20b?x=1%2B2&y=%C3%A9"
std::string EscapeUrlForTransport(std::string_view Url);

// Prepares libcurl (and OpenSSL under it) for the process, once; later
// calls do nothing. Clients call it themselves; the network module calls it
// at load so that it runs before any thread starts. libcurl is never torn
// down: a host may use it (or OpenSSL) too.
void InitializeTransport();

// Whether OpenSSL initialises (again); changes nothing else. A loaded
// OpenSSL cannot be unloaded under libcurl.
bool ReinitializeTls();

}  // namespace kx::platform::http
