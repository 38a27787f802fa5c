#include "environment/kxNet_Server.h"


#include <algorithm>
#include <array>
#include <string_view>

#include "environment/kxNet_Url.h"
#include "environment/kxVanto_Paths.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Trim.h"
#include "platform/zlib/Zlib.h"
#include "system/kxBase64.h"
#include "system/kxDateTime.h"
#include "system/kxFiles_Contents.h"
#include "system/kxFiles_Mime.h"
#include "system/kxMD5.h"
#include "text/kxAnsiStringList.h"
#include "text/kxStrings_Edit.h"

namespace {

AnsiString AsciiUpper(AnsiString Text) {
  for (char& c : Text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return Text;
}

// The method texts: what Command writes, in enumeration order.
constexpr std::array<const char*, 22> kCommandTexts = {
    "PUT",   "PUT",    "HEAD",  "GET",   "POST",     "DELETE",    "PUT",  "TRACE",
    "OPTIONS", "OPTIONS", "PATCH", "COPY", "LOCK",   "UNLOCK",    "MKCOL", "MOVE",
    "PROPFIND", "PROPPATCH", "LINK", "UNLINK", "PURGE", "VIEW"};

template <class Dict>
void ListNames(const Dict& Headers, TStringList*& List) {
  if (List == nullptr) List = new TStringList();
  List->Clear();
  for (const auto& entry : Headers) List->Add(ToUtf16(entry.second.Name));
}

AnsiString Gzip(const AnsiString& Content, int32_t Level) {
  AnsiString out;
  if (!kx::platform::zlib::DeflateAll({Content}, Level, true, out))
    throw EZCompressionError(u"Compression failed");
  return out;
}

// The system's status texts; any other code "Unknown".
std::string StatusText(int32_t Code) {
  switch (Code) {
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 203: return "Non-authoritative Information ";
    case 204: return "No Content";
    case 205: return "Reset Content ";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Moved Temporarily";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 305: return "Use Proxy";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 402: return "Payment Required";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method not allowed";
    case 406: return "Not Acceptable";
    case 407: return "Proxy Authentication Required";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 410: return "Gone";
    case 411: return "Length Required";
    case 412: return "Precondition Failed";
    case 413: return "Request Entity Too Long";
    case 414: return "Request-URI Too Long. 256 Chars max";
    case 415: return "Unsupported Media Type";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway timeout";
    case 505: return "HTTP version not supported";
    default: return "Unknown";
  }
}

// A document path that leaves the folder it is read below: a ".." segment
// between "/" or "\", or a zero byte.
bool LeavesItsFolder(std::u16string_view Path) {
  if (Path.find(u'\0') != std::u16string_view::npos) return true;
  size_t start = 0;
  while (start <= Path.size()) {
    size_t end = Path.find_first_of(u"/\\", start);
    if (end == std::u16string_view::npos) end = Path.size();
    if (Path.substr(start, end - start) == u"..") return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

// ---- TkxHTTPRequest -------------------------------------------------------------------

TkxHTTPRequest::TkxHTTPRequest()
    : authentication_(std::make_unique<TkxHTTPAuthentication>()),
      contentStream_(std::make_unique<MemoryStream>()),
      uriPathSegments_(std::make_unique<TStringList>()) {}

TkxHTTPRequest::~TkxHTTPRequest() = default;

void TkxHTTPRequest::Clear() {
  header_.Clear();
  contentType_.clear();
  contentEncoding_.clear();
  contentText_.clear();
  contentStream_->SetSize(0);
}

void TkxHTTPRequest::SetHeader(const UnicodeString& Item, const AnsiString& Value) {
  header_.AddOrSetValue(UpperText(Item), TkxHTTPHeader{ToUtf8(Item), Value});
}

AnsiString TkxHTTPRequest::GetHeader(const UnicodeString& Item) const {
  return header_.GetValue(UpperText(Item), TkxHTTPHeader{}).Value;
}

void TkxHTTPRequest::GetHeaderList(TStringList*& List) const { ListNames(header_, List); }

void TkxHTTPRequest::GetQueryList(TStringList*& List) const {
  if (List == nullptr) List = new TStringList();
  List->Clear();
  for (const auto& entry : uriQuery_) List->Add(entry.first);
}

UnicodeString TkxHTTPRequest::GetURIQueryItem(const UnicodeString& Item) const {
  Variant value;
  if (!uriQuery_.TryGetValue(LowerText(Item), value)) return {};
  return VarToStr(value);
}

void TkxHTTPRequest::SetURIQueryItem(const UnicodeString& Item, const UnicodeString& Value) {
  uriQuery_.AddOrSetValue(LowerText(Item), Variant::FromUString(Value));
}

void TkxHTTPRequest::LoadFromFile(const UnicodeString& AFile) {
  AnsiString bytes;
  if (!TkxFiles::LoadFileToString(AFile, bytes))
    throw EFOpenError(u"cannot read file \"" + AFile + u"\"");
  contentText_ = std::move(bytes);
  contentType_ = TkxFiles::GetMIMEType(AFile, u"text/plain");
}

void TkxHTTPRequest::SetCommand(TkxHTTPCommands Value) {
  command_ = Value;
  commandStr_ = Value < kCommandTexts.size() ? kCommandTexts[Value] : "PUT";
}

void TkxHTTPRequest::SetCommandStr(const AnsiString& Value) {
  commandStr_ = AsciiUpper(Value);
  command_ = kxHC_Unknown;
  for (size_t i = 0; i < kCommandTexts.size(); ++i) {
    // Unknown, None and Option are never read from a text.
    if (i == kxHC_Unknown || i == kxHC_None || i == kxHC_Option) continue;
    if (commandStr_ == kCommandTexts[i]) {
      command_ = static_cast<TkxHTTPCommands>(i);
      break;
    }
  }
}

AnsiString TkxHTTPRequest::RawHeader() {
  SetHeader(u"Date", kx::platform::http::HttpDate(TkxDateTime::GMTNow()));
  SetHeader(u"Accept-Encoding", "gzip");
  SetHeader(u"User-Agent", "VANTO 5.2");
  if (authentication_->AuthType == kxHAT_Basic) {
    SetHeader(u"Authorization",
              "Basic " + TkxBase64::StrToBase64(
                             ToUtf8(authentication_->UserName + u":" + authentication_->Password), false));
  }
  if (!contentType_.empty()) {
    SetHeader(u"Content-Type", ToUtf8(contentType_));
  } else {
    SetHeader(u"Content-Type",
              command_ == kxHC_Post ? "multipart/form-data" : "application/octet-stream");
  }
  SetHeader(u"Content-Length", std::to_string(contentText_.size()));
  SetHeader(u"Content-MD5", TkxBase64::StrToBase64(TkxMD5::GetMD5FromString(contentText_), false));
  AnsiString block;
  for (const auto& entry : header_) block += entry.second.Name + ": " + entry.second.Value + "\r\n";
  return block;
}

// ---- TkxHTTPResponse ------------------------------------------------------------------

TkxHTTPResponse::TkxHTTPResponse() : contentStream_(std::make_unique<MemoryStream>()) {}

TkxHTTPResponse::~TkxHTTPResponse() = default;

void TkxHTTPResponse::Clear() {
  header_.Clear();
  contentType_.clear();
  contentEncoding_.clear();
  contentText_.clear();
  contentStream_->SetSize(0);
  code_ = 0;
}

void TkxHTTPResponse::SetHeader(const UnicodeString& Item, const AnsiString& Value) {
  header_.AddOrSetValue(UpperText(Item), TkxHTTPHeader{ToUtf8(Item), Value});
}

AnsiString TkxHTTPResponse::GetHeader(const UnicodeString& Item) const {
  return header_.GetValue(UpperText(Item), TkxHTTPHeader{}).Value;
}

void TkxHTTPResponse::GetHeaderList(TStringList*& List) const { ListNames(header_, List); }

// ---- TkxIndy ----------------------------------------------------------------------------

namespace TkxIndy {

bool SetHTTPResponse(TIdHTTPResponseInfo& AResponseInfo, int32_t HTTPCode, const AnsiString& Content,
                     const UnicodeString& ContentType, const UnicodeString& Charset, bool Compress,
                     int32_t CompressionLevel) {
  TIdHeaderList& custom = AResponseInfo.CustomHeaders;
  custom.NameValueSeparator = ":";
  custom.CaseSensitive = true;
  custom.UnfoldLines = true;
  AResponseInfo.ContentType = ToUtf8(ContentType);
  AResponseInfo.CharSet = ToUtf8(Charset);
  AResponseInfo.ResponseNo = HTTPCode;
  AResponseInfo.ResponseText = StatusText(HTTPCode);
  // Levels 0 and 1 as given, 2 zlib's default, anything else the best.
  int level = 9;
  if (CompressionLevel == 0 || CompressionLevel == 1) level = CompressionLevel;
  if (CompressionLevel == 2) level = -1;
  if (Compress) {
    AResponseInfo.ContentText = Gzip(Content, level);
    AResponseInfo.ContentEncoding = "gzip";
  } else {
    AResponseInfo.ContentText = Content;
    AResponseInfo.ContentEncoding.clear();
  }
  AResponseInfo.ContentLength = static_cast<int64_t>(AResponseInfo.ContentText.size());
  AResponseInfo.WriteHeader();
  AResponseInfo.WriteContent();
  return true;
}

bool SetHTTPResponse(TIdHTTPResponseInfo& AResponseInfo, int32_t HTTPCode, const AnsiString& Content,
                     const std::vector<AnsiString>& CustomHeaders, const UnicodeString& ContentType,
                     const UnicodeString& Charset) {
  AResponseInfo.CustomHeaders.UnfoldLines = true;
  for (const AnsiString& line : CustomHeaders) AResponseInfo.CustomHeaders.Add(line);
  return SetHTTPResponse(AResponseInfo, HTTPCode, Content, ContentType, Charset, false, 3);
}

bool SetHTTPResponse(TIdHTTPRequestInfo& ARequestinfo, TIdHTTPResponseInfo& AResponseInfo,
                     TIdContext& AContext, const UnicodeString& FileName, int32_t Expires) {
  UnicodeString path = FileName;
  if (path.empty()) {
    const UnicodeString root = TkxVanto::GetPubRootPath();
    const UnicodeString document = ToUtf16(ARequestinfo.Document);
    const UnicodeString below = document.size() > 5 ? document.substr(5) : UnicodeString();
    if (LeavesItsFolder(below)) throw EFOpenError(u"invalid file path");
    const bool backslashes =
        root.find(u'\\') != UnicodeString::npos && root.find(u'/') == UnicodeString::npos;
    path = root + below;
    if (backslashes) std::replace(path.begin(), path.end(), u'/', u'\\');
  }
  std::erase(path, u'?');
  AResponseInfo.ContentType = ToUtf8(TkxFiles::GetMIMEType(path, u"text/plain"));
  AResponseInfo.Expires = TDateTime(TkxDateTime::GMTNow().Val + Expires);
  AResponseInfo.ResponseNo = 200;
  AResponseInfo.ServeFile(AContext, path);
  return true;
}

bool SetHTTPResponse(TIdHTTPResponseInfo& AResponseInfo, TkxHTTPResponse& AResponse) {
  for (const auto& [key, header] : AResponse.Headers())
    AResponseInfo.CustomHeaders.AddValue(ToUtf8(key), header.Value);
  return SetHTTPResponse(AResponseInfo, AResponse.Code(), AResponse.ContentText(),
                         AResponse.ContentType(), ToUtf16(AResponse.CharSet()), false, 3);
}

AnsiString GetPostStreamString(TIdHTTPRequestInfo& ARequestInfo) {
  return ARequestInfo.PostStream ? *ARequestInfo.PostStream : AnsiString();
}

std::unique_ptr<TkxHTTPRequest> GetHTTPRequestObject(TIdHTTPRequestInfo& ARequestInfo) {
  auto request = std::make_unique<TkxHTTPRequest>();
  request->SetCommandStr(ARequestInfo.Command);
  request->SetURIPath(ARequestInfo.URI);
  request->SetURIQueryUnparsed(ARequestInfo.UnparsedParams);
  request->SetURIQueryEncoding(kxENC_None);
  request->SetContentType(ToUtf16(ARequestInfo.ContentType));
  request->SetContentEncoding(ToUtf16(ARequestInfo.ContentEncoding));
  request->host_ = ToUtf16(ARequestInfo.Host);
  request->ip_ = ToUtf16(ARequestInfo.RemoteIP);
  request->SetContentText({});
  request->SetURI(ARequestInfo.UnparsedParams.empty()
                      ? ARequestInfo.URI
                      : ARequestInfo.URI + "?" + ARequestInfo.UnparsedParams);

  TStringList& segments = request->URIPathSegments();
  segments.Clear();
  AnsiString path = request->URIPath();
  if (path.size() > 1) {
    if (path.front() == '/') path.erase(0, 1);
    if (!path.empty() && path.back() == '/') path.pop_back();
    TAnsiStringList pieces;
    TkxStrings::SplitString(path, "/", pieces);
    for (int32_t i = 0; i < pieces.Count(); ++i) segments.Add(TkxNet::PercentDecode(pieces[i]));
  }

  if (ARequestInfo.PostStream) request->SetContentText(*ARequestInfo.PostStream);

  for (const std::string& line : ARequestInfo.RawHeaders) {
    if (line.empty()) continue;
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string_view name = TrimBlanks(std::string_view(line).substr(0, colon));
    if (name.empty()) continue;
    request->SetHeader(ToUtf16(name), AnsiString(TrimBlanks(std::string_view(line).substr(colon + 1))));
  }

  TkxEncoding encoding = kxENC_None;
  const TkxUrlParams params = TkxNet::ParseUrlParams(request->URIQueryUnparsed(), encoding);
  request->SetURIQueryEncoding(encoding);
  for (const TkxUrlParam& p : params) request->SetURIQueryItem(p.Param, p.Value);
  return request;
}

UnicodeString GetRequestURI(TIdHTTPRequestInfo& ARequestInfo) {
  UnicodeString uri = ToUtf16(ARequestInfo.URI);
  if (!ARequestInfo.UnparsedParams.empty()) uri += u"?" + ToUtf16(ARequestInfo.UnparsedParams);
  return uri;
}

}  // namespace TkxIndy
