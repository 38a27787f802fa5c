#include "platform/http/ServerInfo.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/file/FileReader.h"
#include "platform/http/HttpErrors.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Trim.h"

namespace kx::platform::http {

std::string StandardReason(int32_t Status) {
  switch (Status) {
    case 100: return "Continue";
    case 101: return "Switching Protocols";
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 203: return "Non-Authoritative Information";
    case 204: return "No Content";
    case 205: return "Reset Content";
    case 206: return "Partial Content";
    case 300: return "Multiple Choices";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 406: return "Not Acceptable";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 410: return "Gone";
    case 411: return "Length Required";
    case 412: return "Precondition Failed";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 415: return "Unsupported Media Type";
    case 417: return "Expectation Failed";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    case 505: return "HTTP Version Not Supported";
    default: return "Unknown";
  }
}

namespace {

void Two(std::string& Into, unsigned Value) {
  Into += static_cast<char>('0' + Value / 10 % 10);
  Into += static_cast<char>('0' + Value % 10);
}

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

// A text of the head: no line end and no zero byte may hide in it.
void CheckHeadText(std::string_view Text, const char* What) {
  if (Text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
    throw EIdException(std::string("invalid character in the reply's ") + What);
}

}  // namespace

std::string HttpDate(TDateTime Utc) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  uint16_t y, mo, d, h, mi, s, ms;
  DecodeDateTime(Utc, y, mo, d, h, mi, s, ms);
  std::string text = kDays[DayOfWeek(Utc) - 1];
  text += ", ";
  Two(text, d);
  text += ' ';
  text += kMonths[mo - 1];
  text += ' ';
  Two(text, y / 100);
  Two(text, y % 100);
  text += ' ';
  Two(text, h);
  text += ':';
  Two(text, mi);
  text += ':';
  Two(text, s);
  text += " GMT";
  return text;
}

TDateTime UtcNow() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
  return TDateTime(25569.0 + static_cast<double>(ms) / 86400000.0);
}

std::string PercentDecodeBytes(std::string_view Text) {
  std::string out;
  out.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '%' && i + 2 < Text.size()) {
      const int hi = HexDigit(Text[i + 1]), lo = HexDigit(Text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        continue;
      }
    }
    out += Text[i];
  }
  return out;
}

}  // namespace kx::platform::http

using kx::platform::http::CheckHeadText;

void TIdHTTPRequestInfo::SetRequestTarget(std::string_view Target) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (Target.size() > scheme.size() && Target.substr(0, scheme.size()) == scheme) {
      const size_t path = Target.find_first_of("/?", scheme.size());
      Target = path == std::string_view::npos ? std::string_view("/") : Target.substr(path);
      break;
    }
  }
  const size_t query = Target.find('?');
  URI = std::string(Target.substr(0, query));
  UnparsedParams = query == std::string_view::npos ? std::string() : std::string(Target.substr(query + 1));
  Document = kx::platform::http::PercentDecodeBytes(URI);
}

void TIdHeaderList::Add(std::string_view Line) {
  if (UnfoldLines && !Line.empty() && (Line[0] == ' ' || Line[0] == '\t')) {
    const std::string_view rest = TrimSpacesAndTabsLeft(Line);
    if (!lines_.empty()) {
      lines_.back() += ' ';
      lines_.back() += rest;
    } else {
      lines_.emplace_back(rest);
    }
    return;
  }
  lines_.emplace_back(Line);
}

void TIdHeaderList::AddValue(std::string_view Name, std::string_view Value) {
  std::string line(Name);
  line += NameValueSeparator;
  line += ' ';
  line += Value;
  lines_.push_back(std::move(line));
}

std::string TIdHeaderList::Values(std::string_view Name) const {
  auto same = [&](std::string_view a) {
    if (a.size() != Name.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      char x = a[i], y = Name[i];
      if (!CaseSensitive) {
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
      }
      if (x != y) return false;
    }
    return true;
  };
  for (const std::string& line : lines_) {
    const size_t at = line.find(NameValueSeparator);
    if (at == std::string::npos || NameValueSeparator.empty()) continue;
    const std::string_view name = TrimSpacesAndTabsRight(std::string_view(line.data(), at));
    if (!same(name)) continue;
    return std::string(TrimSpacesAndTabsLeft(std::string_view(line).substr(at + NameValueSeparator.size())));
  }
  return {};
}

void TIdHTTPResponseInfo::WriteHeader() {
  const std::string text = ResponseText.empty() ? kx::platform::http::StandardReason(ResponseNo) : ResponseText;
  CheckHeadText(text, "status text");
  CheckHeadText(ContentType, "content type");
  CheckHeadText(CharSet, "char set");
  CheckHeadText(ContentEncoding, "content encoding");
  CheckHeadText(ServerSoftware, "server name");
  for (const std::string& line : CustomHeaders.Lines()) CheckHeadText(line, "custom header line");

  std::string head = "HTTP/1.1 " + std::to_string(ResponseNo) + " " + text + "\r\n";
  head += CloseConnection ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
  if (!ContentType.empty()) {
    head += "Content-Type: " + ContentType;
    if (!CharSet.empty()) head += "; charset=" + CharSet;
    head += "\r\n";
  }
  head += "Content-Length: " +
          std::to_string(ContentLength >= 0 ? ContentLength : static_cast<int64_t>(ContentText.size())) +
          "\r\n";
  if (!ContentEncoding.empty()) head += "Content-Encoding: " + ContentEncoding + "\r\n";
  head += "Date: " + kx::platform::http::HttpDate(Date ? *Date : kx::platform::http::UtcNow()) + "\r\n";
  if (Expires) head += "Expires: " + kx::platform::http::HttpDate(*Expires) + "\r\n";
  if (!ServerSoftware.empty()) head += "Server: " + ServerSoftware + "\r\n";
  for (const std::string& line : CustomHeaders.Lines()) head += line + "\r\n";
  head += "\r\n";
  headerWritten_ = true;
  context_.Connection().Write(head);
}

void TIdHTTPResponseInfo::WriteContent() {
  if (!headerWritten_) WriteHeader();
  if (!HeadOnly && !ContentText.empty()) context_.Connection().Write(ContentText);
}

int64_t TIdHTTPResponseInfo::ServeFile(TIdContext& Context, const UnicodeString& FileName) {
  kx::platform::FileReader file(FileName);
  if (!file.IsOpen()) throw EFOpenError(u"cannot open file \"" + FileName + u"\"");
  const uint64_t size = file.Size();
  ContentLength = static_cast<int64_t>(size);
  ContentText.clear();
  WriteHeader();
  if (HeadOnly) return static_cast<int64_t>(size);
  std::vector<char> buffer(256 * 1024);
  uint64_t offset = 0;
  while (offset < size) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - offset));
    if (!file.ReadAt(offset, buffer.data(), n))
      throw EReadError(u"cannot read file \"" + FileName + u"\"");
    Context.Connection().Write(std::string_view(buffer.data(), n));
    offset += n;
  }
  return static_cast<int64_t>(size);
}
