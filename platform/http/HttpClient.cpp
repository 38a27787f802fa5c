#include "platform/http/HttpClient.h"

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <exception>
#include <mutex>
#include <vector>

#include "platform/http/CurlSupport.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"

namespace kx::platform::http {

using detail::Append;
using detail::Slist;
using detail::StatusOf;

namespace {

bool IsHttps(std::string_view Url) {
  constexpr std::string_view scheme = "https://";
  return SameTextAscii(Url.substr(0, scheme.size()), scheme);
}

bool IsSslError(CURLcode Code) {
  switch (Code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
      return true;
    default:
      return false;
  }
}

struct HeaderLine {
  std::string Name;
  std::string Value;
  bool HasColon = true;
};

}  // namespace

// The state of one request, which libcurl's callbacks see. Nothing throws
// through libcurl: a callback that fails keeps the exception here and makes
// libcurl stop; the request raises it afterwards.
struct HttpClient::Transfer {
  CURL* Curl = nullptr;
  const ClientSettings* Settings = nullptr;
  Stream* Content = nullptr;
  std::string* BodyText = nullptr;
  Stream* BodyStream = nullptr;
  std::string ErrorBody;
  std::exception_ptr Failure;
  std::string TlsError;

  std::string StatusLine;
  int32_t Status = -1;
  std::vector<HeaderLine> Headers;

  detail::InactivityWatch Inactivity{0, 0};

  static size_t OnHeader(char* Data, size_t Size, size_t Count, void* User) {
    auto* t = static_cast<Transfer*>(User);
    const size_t total = Size * Count;
    return detail::Guarded(t->Failure, size_t{0}, [&] {
      std::string_view line(Data, total);
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
      if (line.substr(0, 5) == "HTTP/") {
        // Every answer (a 100 Continue included) starts over: only the final
        // one counts.
        t->StatusLine.assign(line);
        t->Status = StatusOf(line);
        t->Headers.clear();
      } else if (line.empty()) {
        // the end of a header block
      } else if ((line.front() == ' ' || line.front() == '\t') && !t->Headers.empty()) {
        HeaderLine& last = t->Headers.back();
        const std::string_view more = TrimSpacesAndTabs(line);
        if (!more.empty()) {
          if (!last.Value.empty()) last.Value += ' ';
          last.Value.append(more);
        }
      } else {
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
          t->Headers.push_back({std::string(line), std::string(), false});
        } else {
          t->Headers.push_back({std::string(TrimSpacesAndTabs(line.substr(0, colon))),
                                std::string(TrimSpacesAndTabs(line.substr(colon + 1))), true});
        }
      }
      return total;
    });
  }

  static size_t OnBody(char* Data, size_t Size, size_t Count, void* User) {
    auto* t = static_cast<Transfer*>(User);
    const size_t total = Size * Count;
    return detail::Guarded(t->Failure, size_t{0}, [&] {
      if (t->Status >= 200 && t->Status <= 299) {
        if (t->BodyStream != nullptr) {
          t->BodyStream->WriteBuffer(Data, static_cast<int64_t>(total));
        } else if (t->BodyText != nullptr) {
          t->BodyText->append(Data, total);
        }
      } else if (t->Status >= 400) {
        t->ErrorBody.append(Data, total);
      }
      return total;
    });
  }

  static size_t OnRead(char* Buffer, size_t Size, size_t Count, void* User) {
    auto* t = static_cast<Transfer*>(User);
    return detail::Guarded(t->Failure, size_t{CURL_READFUNC_ABORT}, [&] {
      const int64_t got = t->Content->Read(Buffer, static_cast<int64_t>(Size * Count));
      return got > 0 ? static_cast<size_t>(got) : size_t{0};
    });
  }

  static int OnSeek(void* User, curl_off_t Offset, int Origin) {
    auto* t = static_cast<Transfer*>(User);
    try {
      const TSeekOrigin origin = Origin == SEEK_CUR ? soCurrent : Origin == SEEK_END ? soEnd : soBeginning;
      t->Content->Seek(Offset, origin);
      return CURL_SEEKFUNC_OK;
    } catch (...) {
      return CURL_SEEKFUNC_CANTSEEK;
    }
  }

  static int OnProgress(void* User, curl_off_t, curl_off_t DownNow, curl_off_t UpTotal,
                        curl_off_t UpNow) {
    auto* t = static_cast<Transfer*>(User);
    return t->Inactivity.Expired(t->Curl, DownNow, UpTotal, UpNow) ? 1 : 0;
  }

  static CURLcode OnTlsContext(CURL*, void* Context, void* User) {
    auto* t = static_cast<Transfer*>(User);
    try {
      const TlsSettings& tls = *t->Settings->Tls;
      auto* ctx = static_cast<SSL_CTX*>(Context);
      if (tls.VerifyDepth >= 0) SSL_CTX_set_verify_depth(ctx, tls.VerifyDepth);
      const TlsVersionRange range = VersionRangeOf(tls.SSLVersions);
      if (!range.Error.empty()) {
        t->TlsError = range.Error;
        return CURLE_SSL_CIPHER;
      }
      if (range.Minimum != 0 || range.Maximum != 0) {
        if (SSL_CTX_set_min_proto_version(ctx, range.Minimum) != 1 ||
            SSL_CTX_set_max_proto_version(ctx, range.Maximum) != 1) {
          t->TlsError = "the TLS library refuses the configured protocol versions";
          return CURLE_SSL_CIPHER;
        }
      }
      return CURLE_OK;
    } catch (...) {
      t->Failure = std::current_exception();
      return CURLE_SSL_CIPHER;
    }
  }
};

TlsVersionRange VersionRangeOf(TIdSSLVersions Versions) {
  TlsVersionRange range;
  if (Versions.IsEmpty()) {
    range.Error = "no TLS protocol version is enabled (the version set is empty)";
    return range;
  }
  static constexpr int kNumbers[] = {0x0002, 0, 0x0300, 0x0301, 0x0302, 0x0303};
  int lowest = -1, highest = -1;
  for (int v = sslvSSLv2; v <= sslvTLSv1_2; ++v) {
    if (v == sslvSSLv23 || !Versions.Contains(static_cast<TIdSSLVersion>(v))) continue;
    if (lowest < 0) lowest = v;
    highest = v;
  }
  if (lowest < 0) return range;  // sslvSSLv23 alone: the library's range
  if (highest == sslvSSLv2) {
    range.Error = "SSL 2 is not supported";
    return range;
  }
  // SSL 2 as the lowest member opens the range downwards as far as the
  // library goes.
  range.Minimum = lowest == sslvSSLv2 ? 0 : kNumbers[lowest];
  range.Maximum = highest == sslvTLSv1_2 ? 0 : kNumbers[highest];
  return range;
}

std::string EscapeUrlForTransport(std::string_view Url) { return detail::EscapeUrl(Url, true); }

void InitializeTransport() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool ReinitializeTls() { return OPENSSL_init_ssl(0, nullptr) == 1; }

HttpClient::HttpClient(ClientSettings Settings) : settings_(std::move(Settings)) {
  InitializeTransport();
  curl_ = curl_easy_init();
  if (curl_ == nullptr) throw EIdException("the HTTP client cannot be created");
  Configure();
}

HttpClient::~HttpClient() { curl_easy_cleanup(static_cast<CURL*>(curl_)); }

void HttpClient::Configure() {
  CURL* c = static_cast<CURL*>(curl_);
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROXY, "");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
  // Larger pieces than the default 64 KB for blob-sized uploads.
  curl_easy_setopt(c, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024L);
  if (settings_.ConnectTimeout > 0) {
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings_.ConnectTimeout));
  }
  if (settings_.AllowCookies) curl_easy_setopt(c, CURLOPT_COOKIEFILE, "");
  if (!settings_.BoundIP.empty()) {
    const std::string iface = "host!" + settings_.BoundIP;
    curl_easy_setopt(c, CURLOPT_INTERFACE, iface.c_str());  // libcurl copies it
  }
  if (settings_.BoundPort != 0) {
    curl_easy_setopt(c, CURLOPT_LOCALPORT, static_cast<long>(settings_.BoundPort));
  } else if (settings_.BoundPortMin != 0) {
    const long range = settings_.BoundPortMax >= settings_.BoundPortMin
                           ? settings_.BoundPortMax - settings_.BoundPortMin + 1
                           : 1;
    curl_easy_setopt(c, CURLOPT_LOCALPORT, static_cast<long>(settings_.BoundPortMin));
    curl_easy_setopt(c, CURLOPT_LOCALPORTRANGE, range);
  }
  if (settings_.Tls) {
    const TlsSettings& tls = *settings_.Tls;
    if (!tls.CertFile.empty()) curl_easy_setopt(c, CURLOPT_SSLCERT, tls.CertFile.c_str());
    if (!tls.KeyFile.empty()) curl_easy_setopt(c, CURLOPT_SSLKEY, tls.KeyFile.c_str());
    if (!tls.Password.empty()) curl_easy_setopt(c, CURLOPT_KEYPASSWD, tls.Password.c_str());
    if (!tls.RootCertFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, tls.RootCertFile.c_str());
    if (!tls.VerifyDirs.empty()) curl_easy_setopt(c, CURLOPT_CAPATH, tls.VerifyDirs.c_str());
    if (!tls.CipherList.empty()) curl_easy_setopt(c, CURLOPT_SSL_CIPHER_LIST, tls.CipherList.c_str());
    // A verified peer is also checked for the host name: a chain that is
    // valid for some other server must not pass.
    const bool verify = tls.VerifyMode.Contains(sslvrfPeer);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, verify ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L);
  }
}

void HttpClient::Get(std::string_view Url, std::string& Body) {
  Execute("GET", Url, nullptr, {}, &Body, nullptr);
}

void HttpClient::Get(std::string_view Url, Stream& Body) {
  Execute("GET", Url, nullptr, {}, nullptr, &Body);
}

void HttpClient::Put(std::string_view Url, Stream& Content, std::string_view ContentType,
                     std::string& Body) {
  Execute("PUT", Url, &Content, ContentType, &Body, nullptr);
}

void HttpClient::Post(std::string_view Url, Stream& Content, std::string_view ContentType,
                      std::string& Body) {
  Execute("POST", Url, &Content, ContentType, &Body, nullptr);
}

void HttpClient::Execute(const char* Method, std::string_view Url, Stream* Content,
                         std::string_view ContentType, std::string* BodyText, Stream* BodyStream) {
  CURL* c = static_cast<CURL*>(curl_);
  responseCode_ = -1;
  statusLine_.clear();
  rawHeaders_.clear();

  if (ContentType.find_first_of("\r\n") != std::string_view::npos) {
    throw EIdException("the content type must not hold a line break");
  }
  const bool https = IsHttps(Url);
  if (https && settings_.Tls) {
    const TlsVersionRange range = VersionRangeOf(settings_.Tls->SSLVersions);
    if (!range.Error.empty()) throw EIdOSSLConnectError(range.Error);
  }

  Transfer t;
  t.Curl = c;
  t.Settings = &settings_;
  t.Inactivity = detail::InactivityWatch(settings_.ReadTimeout, settings_.ReadTimeout);
  t.Content = Content;
  t.BodyText = BodyText;
  t.BodyStream = BodyStream;

  const std::string url = EscapeUrlForTransport(Url);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
  if (settings_.Tls) {
    curl_easy_setopt(c, CURLOPT_SSL_CTX_FUNCTION, &Transfer::OnTlsContext);
    curl_easy_setopt(c, CURLOPT_SSL_CTX_DATA, &t);
  }
  char errorText[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);

  Slist headers;
  Append(headers, "Expect:");
  const std::string method = Method;
  if (Content != nullptr) {
    Content->Seek(0, soBeginning);
    const curl_off_t size = Content->Size();
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &Transfer::OnRead);
    curl_easy_setopt(c, CURLOPT_READDATA, &t);
    curl_easy_setopt(c, CURLOPT_SEEKFUNCTION, &Transfer::OnSeek);
    curl_easy_setopt(c, CURLOPT_SEEKDATA, &t);
    if (method == "PUT") {
      curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
      curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, size);
    } else {
      curl_easy_setopt(c, CURLOPT_POST, 1L);
      curl_easy_setopt(c, CURLOPT_POSTFIELDS, nullptr);
      curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, size);
    }
    if (!ContentType.empty()) {
      Append(headers, ("Content-Type: " + std::string(ContentType)).c_str());
    } else if (method == "POST") {
      Append(headers, "Content-Type:");  // no form type of libcurl's own
    }
  } else {
    curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
  }
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

  const CURLcode result = curl_easy_perform(c);

  // Nothing below may point into this call's locals once it returns.
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);

  long code = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
  responseCode_ = code > 0 ? static_cast<int32_t>(code) : -1;
  statusLine_ = std::move(t.StatusLine);
  for (const HeaderLine& h : t.Headers) {
    rawHeaders_ += h.Name;
    if (h.HasColon) {
      rawHeaders_ += ": ";
      rawHeaders_ += h.Value;
    }
    rawHeaders_ += "\r\n";
  }

  if (result != CURLE_OK) {
    if (t.Failure) std::rethrow_exception(t.Failure);
    std::string text = errorText[0] != '\0' ? std::string(errorText) : curl_easy_strerror(result);
    if (result == CURLE_ABORTED_BY_CALLBACK && t.Inactivity.TimedOut()) {
      throw EIdReadTimeout(u"Read timed out: no data for " + IntToStr(settings_.ReadTimeout) +
                           u" ms");
    }
    if (!t.TlsError.empty()) throw EIdOSSLConnectError(t.TlsError);
    switch (result) {
      case CURLE_COULDNT_CONNECT:
      case CURLE_COULDNT_RESOLVE_HOST:
      case CURLE_COULDNT_RESOLVE_PROXY:
      case CURLE_SEND_ERROR:
      case CURLE_RECV_ERROR:
      case CURLE_INTERFACE_FAILED:
        throw EIdSocketError(text);
      case CURLE_OPERATION_TIMEDOUT:
        throw EIdConnectTimeout(text);
      case CURLE_GOT_NOTHING:
      case CURLE_PARTIAL_FILE:
        throw EIdConnClosedGracefully(text);
      default:
        if (IsSslError(result)) throw EIdOSSLConnectError(text);
        throw EIdException(text);
    }
  }
  if (responseCode_ >= 400) {
    throw EIdHTTPProtocolException(ToUtf16(statusLine_), responseCode_, std::move(t.ErrorBody));
  }
}

}  // namespace kx::platform::http
