// platform/http/InternetClient.h — the second HTTP client: one request (or
// one chain of redirects) per client over libcurl, with rules of its own,
// apart from those of HttpClient.h.
//
// What every request does:
//   - HTTP/1.1 always (never HTTP/2, which changes the status line and the
//     header names); the user agent given to the constructor; "Pragma:
//     no-cache"; no "Expect: 100-continue". Nothing is cached and no cookie
//     is kept; no signals (time-outs work on any thread).
//   - http and https only, redirects included.
//   - The proxy is the environment's: http_proxy, https_proxy, all_proxy and
//     no_proxy act as libcurl reads them (http_proxy in lower case only).
//   - TLS: the server's certificate chain is verified against the system's
//     trust store, and its host name must match.
//   - No status is an error: what happened comes back as an InternetResult,
//     nothing raises (except what an upload source raises, which passes out
//     once the transfer has stopped).
// A client is used from one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kx::platform::http {

// What a request left behind.
struct InternetResult {
  // libcurl's result code (CURLcode), 0 when the transfer went through; a
  // read or send time-out is 28 (CURLE_OPERATION_TIMEDOUT).
  int32_t Error = 0;
  // libcurl's text for it (its error buffer); "" when Error is 0.
  std::string ErrorText;
  // The final answer's header block arrived whole. A "100 Continue" and a
  // redirect that was followed are not final.
  bool Answered = false;
  // Of the final answer, when Answered (else 0 and ""): its status, and its
  // header block: the status line and the header lines as received, each
  // ending in CR LF, then an empty line (CR LF). Trailers are not in it.
  int32_t Status = 0;
  std::string Head;
};

class InternetClient {
 public:
  // Redirects that Get follows, at most.
  static constexpr int kMaxRedirects = 10;

  explicit InternetClient(std::string_view UserAgent);
  ~InternetClient();
  InternetClient(const InternetClient&) = delete;
  InternetClient& operator=(const InternetClient&) = delete;

  // 0 when the client stands, else libcurl's code (2, CURLE_FAILED_INIT,
  // when no handle could be made); a client that does not stand fails every
  // request with that code.
  int32_t OpenError() const { return openError_; }

  // Milliseconds. Connect: to connect, TLS handshake included (0 or below:
  // libcurl's own). Receive and Send: the longest time without any data
  // moving while the answer is awaited or read, and while the request body
  // is sent (0 or below: no limit). Defaults: 0.
  void SetTimeouts(int32_t Connect, int32_t Receive, int32_t Send);
  int32_t ConnectTimeout() const { return connect_; }
  int32_t ReceiveTimeout() const { return receive_; }
  int32_t SendTimeout() const { return send_; }

  // Takes Url (UTF-8) for the requests that follow, every byte a URL cannot
  // carry (blank, control, non-ASCII) escaped as "%" and two upper-case
  // hexadecimal digits; "+" and escapes already there stay. 0, or 3
  // (CURLE_URL_MALFORMAT) for a text that is no URL, 1
  // (CURLE_UNSUPPORTED_PROTOCOL) for a scheme other than http and https.
  int32_t SetUrl(std::string_view Url);

  // 0 when Verb can stand in a request line (one or more of the token
  // characters of HTTP), else 43 (CURLE_BAD_FUNCTION_ARGUMENT).
  static int32_t CheckVerb(std::string_view Verb);

  // RequestHeaders: header lines; a line break (CR LF, CR or LF) separates
  // them and empty lines are dropped; a line "Name:" with no value is sent
  // as it stands. A line given replaces the client's own of that name; no
  // Content-Type is sent unless given.

  // GET of the URL, following redirects (301, 302, 303, 307, 308 with a
  // Location) with GET, at most kMaxRedirects of them (more: Error 47); the
  // body of the final answer is appended to Body (also after a failure in
  // the middle of it).
  InternetResult Get(std::string_view RequestHeaders, std::string& Body);

  // A request with Verb (see CheckVerb; nothing is sent for a verb that is
  // no token), Content as its body with its length ("Content-Length: 0"
  // for an empty one), no redirects followed. "HEAD" sends and reads no
  // body. The answer's body is appended to Body.
  InternetResult Send(std::string_view Verb, std::string_view RequestHeaders,
                      std::string_view Content, std::string& Body);

  // Fills Buffer with at most Size bytes of the body and answers how many;
  // 0 when the body has ended, -1 to stop the transfer (Error 42,
  // CURLE_ABORTED_BY_CALLBACK). What it raises stops the transfer as well
  // and passes out of Upload.
  using UploadSource = std::function<int64_t(char* Buffer, size_t Size)>;
  // A PUT announcing Length bytes ("Content-Length", never chunked), the
  // body taken from Source as the connection takes it; no redirects
  // followed; the answer's body is read and dropped. An answer that comes
  // before the body has gone ends the sending, and the transfer counts as
  // answered.
  InternetResult Upload(int64_t Length, const UploadSource& Source);

 private:
  struct Transfer;
  InternetResult Perform(Transfer& T, std::string_view RequestHeaders);

  void* curl_ = nullptr;  // CURL*
  int32_t openError_ = 0;
  int32_t connect_ = 0;
  int32_t receive_ = 0;
  int32_t send_ = 0;
};

// Url as SetUrl sends it:
//   EscapeUrlBytes("http://h/a b?x=1+2&y=%41\xC3\xA9") == "http://h/a%20b?x=1+2&y=%41%C3%A9"
std::string EscapeUrlBytes(std::string_view Url);

// Tests: the trust store (a file of PEM certificates) in place of the
// system's; "" restores the system's.
void SetTrustStoreForTesting(std::string CaFile);

}  // namespace kx::platform::http
