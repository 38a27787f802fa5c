#include "platform/http/InternetClient.h"

#include <curl/curl.h>

#include <mutex>

#include "platform/http/CurlSupport.h"
#include "platform/http/HttpClient.h"
#include "platform/rtl/CaseMapping.h"

namespace kx::platform::http {

namespace {

std::mutex g_trustMutex;
std::string g_trustStore;  // "" = the system's

std::string TrustStore() {
  std::lock_guard lock(g_trustMutex);
  return g_trustStore;
}

bool IsTokenChar(char c) {
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

InternetResult Failed(int32_t Code, std::string Text) {
  InternetResult r;
  r.Error = Code;
  r.ErrorText = std::move(Text);
  return r;
}

bool IsRedirect(int32_t Status) {
  return Status == 301 || Status == 302 || Status == 303 || Status == 307 || Status == 308;
}

// The caller's header lines, then what every request sends unless the
// caller gave its own.
detail::Slist HeaderList(std::string_view RequestHeaders) {
  detail::Slist list;
  detail::Append(list, "Expect:");
  bool contentType = false, pragma = false;
  size_t begin = 0;
  while (begin <= RequestHeaders.size()) {
    size_t end = RequestHeaders.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = RequestHeaders.size();
    std::string line(RequestHeaders.substr(begin, end - begin));
    begin = end + 1;
    if (line.empty()) continue;
    contentType = contentType || SameTextAscii(line.substr(0, 13), "content-type:");
    pragma = pragma || SameTextAscii(line.substr(0, 7), "pragma:");
    // libcurl reads "Name:" as "send no Name"; "Name;" sends it empty.
    const size_t colon = line.find(':');
    if (colon != std::string::npos &&
        line.find_first_not_of(" \t", colon + 1) == std::string::npos) {
      line.resize(colon);
      line += ';';
    }
    detail::Append(list, line.c_str());
  }
  if (!contentType) detail::Append(list, "Content-Type:");
  if (!pragma) detail::Append(list, "Pragma: no-cache");
  return list;
}

}  // namespace

std::string EscapeUrlBytes(std::string_view Url) { return detail::EscapeUrl(Url, false); }

void SetTrustStoreForTesting(std::string CaFile) {
  std::lock_guard lock(g_trustMutex);
  g_trustStore = std::move(CaFile);
}

// The state of one transfer, which libcurl's callbacks see (a callback's
// exception is kept in Failure and raised by Perform).
struct InternetClient::Transfer {
  CURL* Curl = nullptr;
  std::string* Body = nullptr;  // null: the body is dropped
  const UploadSource* Source = nullptr;
  std::exception_ptr Failure;
  detail::InactivityWatch Inactivity{0, 0};

  std::string Head;
  int32_t Status = 0;
  bool HeadDone = false;
  bool Answered = false;

  static size_t OnHeader(char* Data, size_t Size, size_t Count, void* User) {
    auto* t = static_cast<Transfer*>(User);
    const size_t total = Size * Count;
    return detail::Guarded(t->Failure, size_t{0}, [&] {
      std::string_view line(Data, total);
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
      if (line.substr(0, 5) == "HTTP/") {
        // Every answer (a 100 Continue included) starts the block anew.
        t->Head.assign(line);
        t->Head += "\r\n";
        t->Status = detail::StatusOf(line);
        t->HeadDone = false;
        t->Answered = false;
      } else if (t->HeadDone) {
        // trailers of a chunked body: not part of the block
      } else if (line.empty()) {
        t->Head += "\r\n";
        t->HeadDone = true;
        t->Answered = t->Status >= 200;
      } else {
        t->Head.append(line);
        t->Head += "\r\n";
      }
      return total;
    });
  }

  static size_t OnBody(char* Data, size_t Size, size_t Count, void* User) {
    auto* t = static_cast<Transfer*>(User);
    const size_t total = Size * Count;
    return detail::Guarded(t->Failure, size_t{0}, [&] {
      if (t->Body != nullptr) t->Body->append(Data, total);
      return total;
    });
  }

  static size_t OnRead(char* Buffer, size_t Size, size_t Count, void* User) {
    auto* t = static_cast<Transfer*>(User);
    return detail::Guarded(t->Failure, size_t{CURL_READFUNC_ABORT}, [&] {
      const int64_t got = (*t->Source)(Buffer, Size * Count);
      return got < 0 ? size_t{CURL_READFUNC_ABORT} : static_cast<size_t>(got);
    });
  }

  static int OnProgress(void* User, curl_off_t, curl_off_t DownNow, curl_off_t UpTotal,
                        curl_off_t UpNow) {
    auto* t = static_cast<Transfer*>(User);
    return t->Inactivity.Expired(t->Curl, DownNow, UpTotal, UpNow) ? 1 : 0;
  }
};

InternetClient::InternetClient(std::string_view UserAgent) {
  InitializeTransport();
  CURL* c = curl_easy_init();
  curl_ = c;
  if (c == nullptr) {
    openError_ = CURLE_FAILED_INIT;
    return;
  }
  const std::string agent(UserAgent);
  curl_easy_setopt(c, CURLOPT_USERAGENT, agent.c_str());  // libcurl copies it
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  const std::string trust = TrustStore();
  if (!trust.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, trust.c_str());
}

InternetClient::~InternetClient() { curl_easy_cleanup(static_cast<CURL*>(curl_)); }

void InternetClient::SetTimeouts(int32_t Connect, int32_t Receive, int32_t Send) {
  connect_ = Connect;
  receive_ = Receive;
  send_ = Send;
  if (curl_ != nullptr) {
    curl_easy_setopt(static_cast<CURL*>(curl_), CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(Connect > 0 ? Connect : 0));
  }
}

int32_t InternetClient::SetUrl(std::string_view Url) {
  if (curl_ == nullptr) return openError_;
  const std::string url = EscapeUrlBytes(Url);
  CURLU* parsed = curl_url();
  if (parsed == nullptr) return CURLE_OUT_OF_MEMORY;
  int32_t result = CURLE_OK;
  char* scheme = nullptr;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
    result = CURLE_URL_MALFORMAT;
  } else if (curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK ||
             (std::string_view(scheme) != "http" && std::string_view(scheme) != "https")) {
    result = CURLE_UNSUPPORTED_PROTOCOL;
  }
  curl_free(scheme);
  curl_url_cleanup(parsed);
  if (result == CURLE_OK) curl_easy_setopt(static_cast<CURL*>(curl_), CURLOPT_URL, url.c_str());
  return result;
}

int32_t InternetClient::CheckVerb(std::string_view Verb) {
  if (Verb.empty()) return CURLE_BAD_FUNCTION_ARGUMENT;
  for (const char c : Verb) {
    if (!IsTokenChar(c)) return CURLE_BAD_FUNCTION_ARGUMENT;
  }
  return CURLE_OK;
}

InternetResult InternetClient::Perform(Transfer& T, std::string_view RequestHeaders) {
  CURL* c = static_cast<CURL*>(curl_);
  T.Curl = c;
  T.Inactivity = detail::InactivityWatch(receive_, send_);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &T);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &T);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &T);
  char errorText[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
  detail::Slist headers = HeaderList(RequestHeaders);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

  const CURLcode code = curl_easy_perform(c);

  // Nothing may point into this call's locals once it returns.
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
  if (T.Failure) std::rethrow_exception(T.Failure);

  InternetResult r;
  if (code != CURLE_OK) {
    if (code == CURLE_ABORTED_BY_CALLBACK && T.Inactivity.TimedOut()) {
      r.Error = CURLE_OPERATION_TIMEDOUT;
      r.ErrorText = "Operation timed out: no data moved for " +
                    std::to_string(T.Inactivity.ExpiredLimit()) + " ms";
    } else {
      r.Error = code;
      r.ErrorText = errorText[0] != '\0' ? std::string(errorText) : curl_easy_strerror(code);
    }
  }
  if (T.Answered) {
    r.Answered = true;
    r.Status = T.Status;
    r.Head = std::move(T.Head);
  }
  return r;
}

InternetResult InternetClient::Get(std::string_view RequestHeaders, std::string& Body) {
  if (curl_ == nullptr) return Failed(openError_, curl_easy_strerror(CURLE_FAILED_INIT));
  CURL* c = static_cast<CURL*>(curl_);
  curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
  std::string hop;
  for (int redirects = 0;; ++redirects) {
    hop.clear();
    Transfer t;
    t.Body = &hop;
    InternetResult r = Perform(t, RequestHeaders);
    char* location = nullptr;
    if (r.Error != CURLE_OK || !IsRedirect(r.Status) ||
        curl_easy_getinfo(c, CURLINFO_REDIRECT_URL, &location) != CURLE_OK || location == nullptr) {
      Body += hop;
      return r;
    }
    if (redirects == kMaxRedirects) {
      return Failed(CURLE_TOO_MANY_REDIRECTS,
                    "Maximum (" + std::to_string(kMaxRedirects) + ") redirects followed");
    }
    const std::string next = location;  // owned by the handle until the next transfer
    const int32_t refused = SetUrl(next);
    if (refused != CURLE_OK) {
      return Failed(refused, "Redirect to a URL that cannot be followed: " + next);
    }
  }
}

InternetResult InternetClient::Send(std::string_view Verb, std::string_view RequestHeaders,
                                    std::string_view Content, std::string& Body) {
  if (curl_ == nullptr) return Failed(openError_, curl_easy_strerror(CURLE_FAILED_INIT));
  if (CheckVerb(Verb) != CURLE_OK) {
    return Failed(CURLE_BAD_FUNCTION_ARGUMENT, "The request method is no HTTP token");
  }
  CURL* c = static_cast<CURL*>(curl_);
  const std::string verb(Verb);
  if (verb == "HEAD") {
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, Content.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(Content.size()));
  }
  curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, verb.c_str());
  Transfer t;
  t.Body = &Body;
  InternetResult r = Perform(t, RequestHeaders);
  curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, nullptr);
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, nullptr);
  return r;
}

InternetResult InternetClient::Upload(int64_t Length, const UploadSource& Source) {
  if (curl_ == nullptr) return Failed(openError_, curl_easy_strerror(CURLE_FAILED_INIT));
  CURL* c = static_cast<CURL*>(curl_);
  curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(Length));
  curl_easy_setopt(c, CURLOPT_READFUNCTION, &Transfer::OnRead);
  Transfer t;
  t.Source = &Source;
  curl_easy_setopt(c, CURLOPT_READDATA, &t);
  return Perform(t, {});
}

}  // namespace kx::platform::http
