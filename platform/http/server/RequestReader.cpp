#include "platform/http/server/RequestReader.h"

#include <boost/beast/core/string.hpp>
#include <limits>

#include "platform/http/server/BeastRequest.h"

namespace kx::platform::http::detail {

namespace http = boost::beast::http;

void Configure(RequestParser& Parser, const RequestLimits& Limits) {
  Parser.header_limit(kHeaderBlockLimit);
  // A limit is always given: an empty one reads as "exceeded" in this Beast.
  Parser.body_limit(Limits.BodyLimit > 0 ? static_cast<uint64_t>(Limits.BodyLimit)
                                         : std::numeric_limits<uint64_t>::max());
}

int32_t CheckHeader(const RequestParser& Parser, const RequestLimits& Limits) {
  const auto& fields = Parser.get().base();
  const auto count = std::distance(fields.begin(), fields.end());
  if (Limits.MaximumHeaderLineCount >= 0 && count > Limits.MaximumHeaderLineCount) return 400;
  return 0;
}

int32_t StatusOf(const boost::beast::error_code& Error) {
  return Error == http::error::body_limit ? 413 : 400;
}

bool ExpectsContinue(const Request& Message) {
  return boost::beast::iequals(Message[http::field::expect], "100-continue");
}

void FillRequestInfo(const Request& Message, TIdHTTPRequestInfo& Info) {
  Info.Command = std::string(Message.method_string());
  Info.Version = Message.version() == 10 ? "HTTP/1.0" : "HTTP/1.1";
  Info.SetRequestTarget(Message.target());
  Info.RawHeaders.clear();
  for (const auto& field : Message.base())
    Info.RawHeaders.push_back(std::string(field.name_string()) + ": " + std::string(field.value()));
  Info.ContentType = std::string(Message[http::field::content_type]);
  Info.ContentEncoding = std::string(Message[http::field::content_encoding]);
  Info.Host = std::string(Message[http::field::host]);
  if (Message.chunked() || Message.find(http::field::content_length) != Message.end()) {
    Info.PostStream = Message.body();
  } else {
    Info.PostStream.reset();
  }
}

int32_t ParseRequestBytes(std::string_view Bytes, const RequestLimits& Limits,
                          TIdHTTPRequestInfo& Info) {
  RequestParser parser;
  Configure(parser, Limits);
  parser.eager(true);
  boost::beast::error_code error;
  size_t used = 0;
  while (used < Bytes.size() && !parser.is_done()) {
    const size_t n = parser.put(boost::asio::buffer(Bytes.data() + used, Bytes.size() - used), error);
    if (error == http::error::need_more) break;
    if (error) return StatusOf(error);
    if (parser.is_header_done()) {
      if (const int32_t status = CheckHeader(parser, Limits)) return status;
    }
    if (n == 0) break;
    used += n;
  }
  if (!parser.is_done()) {
    parser.put_eof(error);
    if (error || !parser.is_done()) return 400;
  }
  if (const int32_t status = CheckHeader(parser, Limits)) return status;
  FillRequestInfo(parser.get(), Info);
  return 0;
}

}  // namespace kx::platform::http::detail
