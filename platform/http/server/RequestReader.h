// platform/http/server/RequestReader.h — how the server reads one request:
// the limits, and the turn from parsed request to TIdHTTPRequestInfo.
// ParseRequestBytes runs the same steps on bytes in memory (fuzzing, tests).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/http/ServerInfo.h"

namespace kx::platform::http::detail {

inline constexpr uint32_t kHeaderBlockLimit = 1u << 20;

struct RequestLimits {
  int32_t MaximumHeaderLineCount = 1024;
  int64_t BodyLimit = 0;  // 0: none
};

// Parses one request from Bytes into Info: 0 when it is whole and within
// the limits, else the status the server answers (400, 413).
int32_t ParseRequestBytes(std::string_view Bytes, const RequestLimits& Limits,
                          TIdHTTPRequestInfo& Info);

}  // namespace kx::platform::http::detail
