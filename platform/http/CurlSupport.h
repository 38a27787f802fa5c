// platform/http/CurlSupport.h — what the two HTTP clients (HttpClient.h,
// InternetClient.h) share over libcurl: reading a status line, escaping a
// URL for the wire, header lists, and the inactivity time-out. Private to
// platform/http.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

namespace kx::platform::http::detail {

// "HTTP/1.1 404 Not Found" -> 404; -1 when the line holds no status.
int32_t StatusOf(std::string_view StatusLine);

// Url with every byte a URL cannot carry (blank, control, non-ASCII) as "%"
// and two upper-case hexadecimal digits; with PlusInQuery also every "+"
// after the first "?". Escapes already there stay as they are.
std::string EscapeUrl(std::string_view Url, bool PlusInQuery);

// Runs the body of a libcurl callback. Nothing may throw through libcurl:
// an exception is kept in Failure, for the request to raise once libcurl
// has returned, and FailValue (which makes libcurl stop) is answered.
template <class R, class F>
R Guarded(std::exception_ptr& Failure, R FailValue, F&& Body) {
  try {
    return Body();
  } catch (...) {
    Failure = std::current_exception();
    return FailValue;
  }
}

struct SlistDeleter {
  void operator()(curl_slist* List) const { curl_slist_free_all(List); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

// Appends one header line; raises EIdException when memory runs out.
void Append(Slist& List, const char* Line);

// The read time-out of both clients: it limits the time without any data
// moving, counted from the moment the request is about to be sent (while
// connecting the connect time-out rules), never the whole request.
class InactivityWatch {
 public:
  // Milliseconds; 0 or below: no limit. ReceiveLimit applies once the
  // request body (if any) is all handed over, SendLimit before.
  InactivityWatch(int32_t ReceiveLimit, int32_t SendLimit)
      : receiveLimit_(ReceiveLimit), sendLimit_(SendLimit) {}

  // From libcurl's transfer-info callback: true when the transfer must stop.
  bool Expired(CURL* Curl, curl_off_t DownNow, curl_off_t UpTotal, curl_off_t UpNow);
  bool TimedOut() const { return timedOut_; }
  // The limit that expired, in milliseconds.
  int32_t ExpiredLimit() const { return expiredLimit_; }

 private:
  int32_t receiveLimit_;
  int32_t sendLimit_;
  bool connected_ = false;
  bool timedOut_ = false;
  int32_t expiredLimit_ = 0;
  curl_off_t lastDown_ = 0;
  curl_off_t lastUp_ = 0;
  std::chrono::steady_clock::time_point lastMove_;
};

}  // namespace kx::platform::http::detail
