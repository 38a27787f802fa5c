// platform/http/ServerInfo.h — what the HTTP server hands its request
// handler: the parsed request (TIdHTTPRequestInfo), the reply being built
// (TIdHTTPResponseInfo) and the connection (TIdContext).
//
// A reply is written as bytes through the connection's sink: the server's
// socket, or a StringSink in tests. The head is written exactly as the
// fields say, the status text included (a trailing blank stays):
//
//   HTTP/1.1 <ResponseNo> <ResponseText>
//   Connection: close | keep-alive
//   Content-Type: <ContentType>[; charset=<CharSet>]   (when ContentType is set)
//   Content-Length: <ContentLength, or the size of ContentText>
//   Content-Encoding: <ContentEncoding>                 (when set)
//   Date: <Date, or now>        (RFC 9110 form: "Sun, 06 Nov 1994 08:49:37 GMT")
//   Expires: <Expires>                                  (when set)
//   Server: <ServerSoftware>                            (when set)
//   <the custom header lines, in order>
//
// A head text holding CR, LF or a zero byte raises EIdException before
// anything is written, so no caller's text can split a reply.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Text.h"

namespace kx::platform::http {

// Where the bytes of a reply go. Write sends all of them or raises.
class ResponseSink {
 public:
  virtual ~ResponseSink() = default;
  virtual void Write(std::string_view Bytes) = 0;
};

class StringSink final : public ResponseSink {
 public:
  void Write(std::string_view Data) override { Bytes.append(Data); }
  std::string Bytes;
};

// The reason phrase of RFC 9110 for a status ("Not Found"); "Unknown" for a
// status it does not name.
std::string StandardReason(int32_t Status);

// A UTC time in the form of HTTP dates, with English names whatever the
// format settings: "Sun, 06 Nov 1994 08:49:37 GMT".
std::string HttpDate(TDateTime Utc);
// The current UTC time.
TDateTime UtcNow();

// Decodes every "%XX" (two hexadecimal digits, either case) into its byte;
// an escape without two digits stays as it is; "+" stays "+".
std::string PercentDecodeBytes(std::string_view Text);

}  // namespace kx::platform::http

// The connection of one request: its peer and where replies go.
class TIdContext {
 public:
  explicit TIdContext(kx::platform::http::ResponseSink& Sink, std::string PeerIP = {},
                      int32_t PeerPort = 0)
      : PeerIP(std::move(PeerIP)), PeerPort(PeerPort), sink_(Sink) {}
  kx::platform::http::ResponseSink& Connection() { return sink_; }

  std::string PeerIP;
  int32_t PeerPort = 0;

 private:
  kx::platform::http::ResponseSink& sink_;
};

// One request as the server parsed it.
class TIdHTTPRequestInfo {
 public:
  std::string Command;          // the method as received: "GET"
  std::string Version;          // "HTTP/1.1"
  std::string URI;              // the request-target up to its first "?", not decoded
  std::string UnparsedParams;   // the raw text after that "?"
  std::string Document;         // URI with its "%XX" escapes decoded (bytes)
  std::vector<std::string> RawHeaders;  // "Name: Value", in arrival order
  std::string ContentType;      // of the headers of that name; empty when absent
  std::string ContentEncoding;
  std::string Host;
  std::string RemoteIP;
  std::optional<std::string> PostStream;  // the body; none when the request had none

  // Sets URI, UnparsedParams and Document from a request-target; an
  // absolute target ("http://host/a?b") loses its scheme and authority.
  void SetRequestTarget(std::string_view Target);
};

// Custom header lines of a reply, written in order after the standard ones.
class TIdHeaderList {
 public:
  std::string NameValueSeparator = ":";
  bool CaseSensitive = false;  // how Values compares names
  // A line starting with a blank or tab continues the previous one (joined
  // with one blank); without a previous line it stands alone, unindented.
  bool UnfoldLines = true;

  void Add(std::string_view Line);
  // Name + NameValueSeparator + " " + Value.
  void AddValue(std::string_view Name, std::string_view Value);
  // The value of the first line whose name is Name; empty when none.
  std::string Values(std::string_view Name) const;
  void Clear() { lines_.clear(); }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// The reply to one request.
class TIdHTTPResponseInfo {
 public:
  explicit TIdHTTPResponseInfo(TIdContext& Context) : context_(Context) {}

  int32_t ResponseNo = 200;
  std::string ResponseText;     // empty: StandardReason(ResponseNo)
  std::string ContentType;
  std::string CharSet;
  std::string ContentEncoding;
  int64_t ContentLength = -1;   // -1: the size of ContentText
  std::string ContentText;      // the body
  std::string ServerSoftware;
  std::optional<TDateTime> Date;     // UTC; none: the time of writing
  std::optional<TDateTime> Expires;  // UTC
  bool CloseConnection = false;
  bool HeadOnly = false;        // a reply to HEAD: the head alone, with the body's length
  TIdHeaderList CustomHeaders;

  bool HeaderHasBeenWritten() const { return headerWritten_; }
  // Writes the head (see the top of this file); raises EIdException for a
  // head text that would split the reply, and what the sink raises.
  void WriteHeader();
  // Writes ContentText, unless HeadOnly; the head first when not yet written.
  void WriteContent();
  // Serves a file: its size as ContentLength, the head and then its bytes
  // (none for HeadOnly), read piece by piece, never whole. Raises EFOpenError
  // when the file cannot be opened (a folder, missing, no right) before
  // anything is written; what the sink raises. The bytes served.
  int64_t ServeFile(TIdContext& Context, const UnicodeString& FileName);

 private:
  TIdContext& context_;
  bool headerWritten_ = false;
};
