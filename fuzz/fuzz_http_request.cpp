// HTTP requests from outside: the server engine's parse of one request (with
// its limits), then the request object built from it, every property of it
// and its header block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "environment/kxNet_Server.h"
#include "platform/http/server/RequestReader.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TIdHTTPRequestInfo info;
  kx::platform::http::detail::RequestLimits limits;
  limits.MaximumHeaderLineCount = 64;
  limits.BodyLimit = 1 << 20;
  const int32_t status = kx::platform::http::detail::ParseRequestBytes(
      std::string_view(reinterpret_cast<const char*>(data), size), limits, info);
  if (status != 0) {
    if (status != 400 && status != 413) std::abort();
    return 0;
  }
  if (info.RawHeaders.size() > 64) std::abort();
  if (info.PostStream && info.PostStream->size() > (1u << 20)) std::abort();
  std::unique_ptr<TkxHTTPRequest> request;
  try {
    request = TkxIndy::GetHTTPRequestObject(info);
  } catch (const Exception&) {
    return 0;  // a query the decoder rejects
  }
  TStringList* list = nullptr;
  request->GetHeaderList(list);
  request->GetQueryList(list);
  delete list;
  for (int32_t i = 0; i < request->URIPathSegments().Count(); ++i) request->URIPathSegments()[i];
  request->GetHeader(u"Content-Type");
  request->GetURIQueryItem(u"id");
  (void)request->Command();
  (void)request->CommandStr();
  (void)request->ContentLength();
  (void)request->URI();
  (void)request->URIQueryEncoding();
  (void)request->Host();
  (void)request->IP();
  const AnsiString block = request->RawHeader();
  if (block.find("Content-MD5: ") == std::string::npos) std::abort();
  TkxIndy::GetRequestURI(info);
  TkxIndy::GetPostStreamString(info);
  return 0;
}
