// tests/support/HttpLoadEcho.h — the server side of tests/support/
// http_load.py, as a product service would write it: the request object,
// the body's MD5 and a reply by TkxIndy, gzip-compressed when asked for.
// Header-only, for the load test and the server benchmark.
#pragma once

#include <string>

#include "environment/kxNet_Server.h"
#include "system/kxMD5.h"

namespace kx::testing {

inline void HttpLoadEcho(TIdContext&, TIdHTTPRequestInfo& In, TIdHTTPResponseInfo& Out) {
  const auto request = TkxIndy::GetHTTPRequestObject(In);
  const AnsiString& body = request->ContentText();
  const AnsiString content = "id=" + request->GetHeader(u"x-id") + ";md5=" + TkxMD5::GetMD5FromString(body) +
                             ";len=" + std::to_string(body.size()) + ";" + body;
  const bool gzip = request->GetHeader(u"Accept-Encoding").find("gzip") != std::string::npos;
  TkxIndy::SetHTTPResponse(Out, 200, content, u"application/octet-stream", u"", gzip, 1);
}

}  // namespace kx::testing
