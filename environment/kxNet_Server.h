// environment/kxNet_Server.h — the server side of the network module: the
// request object (TkxHTTPRequest) a service reads, the response object
// (TkxHTTPResponse) it fills, and the operations of TkxIndy that build the
// request object from what the server parsed and write the reply.
//
// Header keys are the names upper-cased with UpperText, so lookups ignore
// case while GetHeaderList gives every name as it was set; query keys are
// lower-cased with LowerText. Bodies are bytes as they travel (8-bit text).
//
// Dates that go out ("Date" of RawHeader, the server's "Date" and
// "Expires") are HTTP dates with English names, whatever the format
// settings: "Sun, 06 Nov 1994 08:49:37 GMT".
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "environment/kxGenerics.h"
#include "platform/http/ServerInfo.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"
#include "system/kxTypes_Enums.h"

enum TkxHTTPAuthenticationType : uint8_t { kxHAT_None, kxHAT_Basic, kxHAT_Bearer };

class TkxHTTPAuthentication : public TObject {
 public:
  TkxHTTPAuthenticationType AuthType = kxHAT_None;
  UnicodeString UserName;
  UnicodeString Password;
  UnicodeString Token;  // held for the service; never sent
};

class TkxHTTPRequest;
namespace TkxIndy {
std::unique_ptr<TkxHTTPRequest> GetHTTPRequestObject(TIdHTTPRequestInfo& ARequestInfo);
}

class TkxHTTPRequest : public TObject {
 public:
  struct TkxHTTPHeader {
    AnsiString Name;  // as it was passed to SetHeader
    AnsiString Value;
  };

  TkxHTTPRequest();
  ~TkxHTTPRequest() override;
  TkxHTTPRequest(const TkxHTTPRequest&) = delete;
  TkxHTTPRequest& operator=(const TkxHTTPRequest&) = delete;

  // Empties the headers, ContentType, ContentEncoding, ContentText and the
  // content stream; URI, query, method and authentication stay.
  void Clear();
  // Stores (Item as 8-bit text, Value) under UpperText(Item), replacing an
  // entry of the same key where it stands.
  void SetHeader(const UnicodeString& Item, const AnsiString& Value);
  // The value stored under UpperText(Item); empty when none.
  AnsiString GetHeader(const UnicodeString& Item) const;
  // List (made when null; the caller owns it) is cleared and gets the name
  // of every header as it was set, in the order the headers were added.
  void GetHeaderList(TStringList*& List) const;
  // The same for the query keys (lower case).
  void GetQueryList(TStringList*& List) const;
  // The query value under LowerText(Item) as text (VarToStr); empty when none.
  UnicodeString GetURIQueryItem(const UnicodeString& Item) const;
  // Stores Value as a text variant under LowerText(Item).
  void SetURIQueryItem(const UnicodeString& Item, const UnicodeString& Value);
  // ContentText = the file's bytes, ContentType = its MIME type (default
  // "text/plain"). Raises EFOpenError when the file cannot be read.
  void LoadFromFile(const UnicodeString& AFile);

  // The method as enumeration value; setting it sets the text too:
  // kxHC_Unknown and kxHC_None give "PUT", kxHC_Option "OPTIONS".
  TkxHTTPCommands Command() const { return command_; }
  void SetCommand(TkxHTTPCommands Value);
  // The method as text; setting it stores the text with its ASCII letters
  // upper-cased and sets Command to the value of that text, kxHC_Unknown
  // when none has it ("get" -> "GET", kxHC_Get; "FOO" -> kxHC_Unknown).
  const AnsiString& CommandStr() const { return commandStr_; }
  void SetCommandStr(const AnsiString& Value);

  // The header block of a request built from this one. Sets the headers
  // "Date" (now, UTC), "Accept-Encoding" ("gzip"), "User-Agent" ("VANTO
  // 5.2"), for kxHAT_Basic "Authorization" ("Basic " + Base64 of
  // UserName:Password), "Content-Type" (ContentType, or for an empty one
  // "multipart/form-data" for kxHC_Post and "application/octet-stream"
  // otherwise), "Content-Length" and "Content-MD5" (Base64 of the 32 hex
  // digits of the body's MD5), then answers every header as
  // Name + ": " + Value + CR LF, in the headers' order.
  AnsiString RawHeader();

  int64_t ContentLength() const { return static_cast<int64_t>(contentText_.size()); }
  TkxHTTPAuthentication& Authentication() { return *authentication_; }
  const UnicodeString& ContentType() const { return contentType_; }
  void SetContentType(const UnicodeString& Value) { contentType_ = Value; }
  const UnicodeString& ContentEncoding() const { return contentEncoding_; }
  void SetContentEncoding(const UnicodeString& Value) { contentEncoding_ = Value; }
  const AnsiString& ContentText() const { return contentText_; }
  void SetContentText(const AnsiString& Value) { contentText_ = Value; }
  // Carries no data: the body is ContentText.
  Stream& ContentStream() { return *contentStream_; }
  const AnsiString& URI() const { return uri_; }
  void SetURI(const AnsiString& Value) { uri_ = Value; }
  const AnsiString& URIPath() const { return uriPath_; }
  void SetURIPath(const AnsiString& Value) { uriPath_ = Value; }
  TStringList& URIPathSegments() { return *uriPathSegments_; }
  const AnsiString& URIQueryUnparsed() const { return uriQueryUnparsed_; }
  void SetURIQueryUnparsed(const AnsiString& Value) { uriQueryUnparsed_ = Value; }
  TkxEncoding URIQueryEncoding() const { return uriQueryEncoding_; }
  void SetURIQueryEncoding(TkxEncoding Value) { uriQueryEncoding_ = Value; }
  const UnicodeString& IP() const { return ip_; }
  const UnicodeString& Host() const { return host_; }

 private:
  friend std::unique_ptr<TkxHTTPRequest> TkxIndy::GetHTTPRequestObject(TIdHTTPRequestInfo&);

  TkxDictionary<UnicodeString, TkxHTTPHeader> header_{100};
  AnsiString commandStr_;
  TkxHTTPCommands command_ = kxHC_Unknown;
  std::unique_ptr<TkxHTTPAuthentication> authentication_;
  UnicodeString contentType_;
  UnicodeString contentEncoding_;
  AnsiString contentText_;
  std::unique_ptr<MemoryStream> contentStream_;
  AnsiString uri_;
  AnsiString uriPath_;
  std::unique_ptr<TStringList> uriPathSegments_;
  AnsiString uriQueryUnparsed_;
  TkxDictionary<UnicodeString, Variant> uriQuery_{100};
  TkxEncoding uriQueryEncoding_ = kxENC_None;
  UnicodeString host_;
  UnicodeString ip_;
};

class TkxHTTPResponse : public TObject {
 public:
  struct TkxHTTPHeader {
    AnsiString Name;
    AnsiString Value;
  };

  TkxHTTPResponse();
  ~TkxHTTPResponse() override;
  TkxHTTPResponse(const TkxHTTPResponse&) = delete;
  TkxHTTPResponse& operator=(const TkxHTTPResponse&) = delete;

  // Empties the headers, ContentType, ContentEncoding, ContentText and the
  // content stream, and sets Code to 0 (not 200); CharSet and RawHeader stay.
  void Clear();
  void SetHeader(const UnicodeString& Item, const AnsiString& Value);
  AnsiString GetHeader(const UnicodeString& Item) const;
  void GetHeaderList(TStringList*& List) const;
  // The headers in their order, keyed by UpperText(name).
  const TkxDictionary<UnicodeString, TkxHTTPHeader>& Headers() const { return header_; }

  int32_t Code() const { return code_; }
  void SetCode(int32_t Value) { code_ = Value; }
  const UnicodeString& ContentType() const { return contentType_; }
  void SetContentType(const UnicodeString& Value) { contentType_ = Value; }
  const AnsiString& ContentText() const { return contentText_; }
  void SetContentText(const AnsiString& Value) { contentText_ = Value; }
  const AnsiString& CharSet() const { return charSet_; }
  void SetCharSet(const AnsiString& Value) { charSet_ = Value; }
  int64_t ContentLength() const { return static_cast<int64_t>(contentText_.size()); }
  // Written by nothing: always empty.
  const UnicodeString& ContentEncoding() const { return contentEncoding_; }
  const AnsiString& RawHeader() const { return rawHeader_; }
  // Carries no data: the body is ContentText.
  Stream& ContentStream() { return *contentStream_; }

 private:
  TkxDictionary<UnicodeString, TkxHTTPHeader> header_{100};
  int32_t code_ = 200;
  UnicodeString contentType_;
  UnicodeString contentEncoding_;
  AnsiString contentText_;
  AnsiString charSet_;
  AnsiString rawHeader_;
  std::unique_ptr<MemoryStream> contentStream_;
};

namespace TkxIndy {

// ---- Replies --------------------------------------------------------------------------
// Each overload writes the reply at once (head, then body) through the
// connection of AResponseInfo and answers true; what fails (a broken
// connection, a file that cannot be served, a head text holding CR, LF or a
// zero byte, which raises before anything is written) reaches the caller.
//
// Status texts go out as this system has always sent them, some unlike the
// RFC's and two with a trailing blank: 203 "Non-authoritative Information ",
// 205 "Reset Content ", 302 "Moved Temporarily", 413 "Request Entity Too
// Long", 414 "Request-URI Too Long. 256 Chars max"; a code without a text
// "Unknown".

// The full reply. With Compress the body goes gzip-compressed (zlib window
// bits 31, memory level 8) with content encoding "gzip" and the compressed
// size as its length; CompressionLevel 0 stores, 1 is the fastest, 2 zlib's
// default, any other value (negative ones too) the best (9).
bool SetHTTPResponse(TIdHTTPResponseInfo& AResponseInfo, int32_t HTTPCode, const AnsiString& Content,
                     const UnicodeString& ContentType, const UnicodeString& Charset, bool Compress,
                     int32_t CompressionLevel);
// CustomHeaders are added to the reply's custom headers as given (a line
// starting with a blank or tab continues the previous one), then the full
// reply without compression.
bool SetHTTPResponse(TIdHTTPResponseInfo& AResponseInfo, int32_t HTTPCode, const AnsiString& Content,
                     const std::vector<AnsiString>& CustomHeaders, const UnicodeString& ContentType,
                     const UnicodeString& Charset);
// Serves a file with status 200, its MIME type (default "text/plain") and
// an expiry Expires days from now. The file is FileName, or, when that is
// empty, the public folder (TkxVanto::GetPubRootPath) + the request's
// decoded document from its sixth character on, every "?" removed and "/"
// written as the public folder's separator. Such a document path holding a
// ".." segment (between "/" or "\") or a zero byte raises EFOpenError
// "invalid file path" before anything is sent. The file is streamed, never
// read whole; a HEAD request gets the head alone.
bool SetHTTPResponse(TIdHTTPRequestInfo& ARequestinfo, TIdHTTPResponseInfo& AResponseInfo,
                     TIdContext& AContext, const UnicodeString& FileName, int32_t Expires);
// Every header of AResponse as a custom header "KEY: value" (the
// upper-cased key), in order, then the full reply from AResponse's Code,
// ContentText, ContentType and CharSet, without compression.
bool SetHTTPResponse(TIdHTTPResponseInfo& AResponseInfo, TkxHTTPResponse& AResponse);

// ---- Requests ---------------------------------------------------------------------------

// The request body; empty when there is none.
AnsiString GetPostStreamString(TIdHTTPRequestInfo& ARequestInfo);
// A new request object from what the server parsed:
//   - CommandStr: the method, ASCII upper-cased; URIPath: the URI as
//     received; URIQueryUnparsed: the raw query; URI: URIPath, + "?" + the
//     query when there is one; ContentType, ContentEncoding, Host, IP
//     (the peer's address) and the body (ContentText);
//   - URIPathSegments: for a path longer than one character, one leading
//     and then one trailing "/" dropped, the rest split at every "/" and
//     each piece decoded (TkxNet::PercentDecode); "/a/b%20c/" gives "a",
//     "b c"; "/" gives none; empty pieces stay;
//   - headers: each raw line split at its first ":", name and value
//     trimmed; a line without a name is skipped; a later line of the same
//     name replaces the earlier one's value;
//   - the query decoded by TkxNet::ParseUrlParams (which sets
//     URIQueryEncoding), its names lower-cased.
// What the query decoder raises ("url expired", "invalid encoding") passes
// out, and no object is returned.
std::unique_ptr<TkxHTTPRequest> GetHTTPRequestObject(TIdHTTPRequestInfo& ARequestInfo);
// The request URI, + "?" + the raw query when there is one.
UnicodeString GetRequestURI(TIdHTTPRequestInfo& ARequestInfo);

}  // namespace TkxIndy
