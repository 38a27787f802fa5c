#include "platform/http/HttpServer.h"

#include "platform/rtl/Exceptions.h"

namespace kx::platform::http {

void HttpServer::SetActive(bool Value) {
  if (Value) throw Exception("the HTTP server engine is not built yet");
  active_ = false;
}

}  // namespace kx::platform::http
