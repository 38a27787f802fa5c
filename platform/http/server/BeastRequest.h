// platform/http/server/BeastRequest.h — the request parser of the server
// engine (Boost.Beast). Included only by the engine's own sources.
#pragma once

#include <boost/beast/http.hpp>

#include "platform/http/server/RequestReader.h"

namespace kx::platform::http::detail {

using RequestParser = boost::beast::http::request_parser<boost::beast::http::string_body>;
using Request = boost::beast::http::request<boost::beast::http::string_body>;

// Sets the header block and body limits.
void Configure(RequestParser& Parser, const RequestLimits& Limits);
// After the header: 0 when it is within the limits, else the status to answer.
int32_t CheckHeader(const RequestParser& Parser, const RequestLimits& Limits);
// The status for a failed parse (413 for the body limit, else 400).
int32_t StatusOf(const boost::beast::error_code& Error);
// Whether the client waits for "100 Continue" before it sends the body.
bool ExpectsContinue(const Request& Message);
void FillRequestInfo(const Request& Message, TIdHTTPRequestInfo& Info);

}  // namespace kx::platform::http::detail
