#include "platform/http/CurlSupport.h"

#include "platform/http/HttpErrors.h"

namespace kx::platform::http::detail {

int32_t StatusOf(std::string_view StatusLine) {
  const size_t blank = StatusLine.find(' ');
  if (blank == std::string_view::npos || StatusLine.size() < blank + 4) return -1;
  int32_t code = 0;
  for (size_t i = blank + 1; i < blank + 4; ++i) {
    const char c = StatusLine[i];
    if (c < '0' || c > '9') return -1;
    code = code * 10 + (c - '0');
  }
  return code;
}

std::string EscapeUrl(std::string_view Url, bool PlusInQuery) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(Url.size());
  bool inQuery = false;
  for (const char ch : Url) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '?') inQuery = true;
    if (c <= 0x20 || c >= 0x7F || (PlusInQuery && inQuery && c == '+')) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    } else {
      out += ch;
    }
  }
  return out;
}

void Append(Slist& List, const char* Line) {
  curl_slist* grown = curl_slist_append(List.get(), Line);
  if (grown == nullptr) throw EIdException("out of memory building the request headers");
  (void)List.release();
  List.reset(grown);
}

bool InactivityWatch::Expired(CURL* Curl, curl_off_t DownNow, curl_off_t UpTotal,
                              curl_off_t UpNow) {
  if (receiveLimit_ <= 0 && sendLimit_ <= 0) return false;
  const auto now = std::chrono::steady_clock::now();
  if (!connected_) {
    curl_off_t pretransfer = 0;
    if (curl_easy_getinfo(Curl, CURLINFO_PRETRANSFER_TIME_T, &pretransfer) != CURLE_OK ||
        pretransfer == 0) {
      return false;  // still connecting: the connect time-out rules
    }
    connected_ = true;
    lastMove_ = now;
    lastDown_ = DownNow;
    lastUp_ = UpNow;
    return false;
  }
  if (DownNow != lastDown_ || UpNow != lastUp_) {
    lastMove_ = now;
    lastDown_ = DownNow;
    lastUp_ = UpNow;
    return false;
  }
  const int32_t limit = UpTotal > 0 && UpNow < UpTotal ? sendLimit_ : receiveLimit_;
  if (limit > 0 && now - lastMove_ >= std::chrono::milliseconds(limit)) {
    timedOut_ = true;
    expiredLimit_ = limit;
    return true;
  }
  return false;
}

}  // namespace kx::platform::http::detail
