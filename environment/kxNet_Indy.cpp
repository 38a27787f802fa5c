#include "environment/kxNet_Indy.h"

#include "environment/kxClassFactory.h"
#include "platform/http/HttpClient.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/StringList.h"
#include "text/kxStrings.h"

namespace TkxIndy {

namespace {

using kx::platform::http::HttpClient;

enum class Method { Get, Put, Post };

const TkxClassFactory& Factory() {
  if (NetClassFactory == nullptr) throw Exception("the network settings are not loaded");
  return *NetClassFactory;
}

void HandBackHeaders(const HttpClient& Client, AnsiString& RawHeader, TkxHTTPHeaderType HeaderType) {
  if (HeaderType == kxHHT_Raw) {
    RawHeader = Client.RawHeaders();
  } else if (HeaderType == kxHHT_Custom) {
    RawHeader.clear();
  }
}

// The one request of every form. Body receives a 2xx answer's body unless
// Target is given.
AnsiString Request(Method Kind, const UnicodeString& AUrl, Stream* Content,
                   const UnicodeString& ContentType, Stream* Target, int32_t& ResponseCode,
                   AnsiString& RawHeader, TkxHTTPHeaderType HeaderType) {
  const std::unique_ptr<HttpClient> client = Factory().CreateHttpClient(AUrl);
  const std::string url = ToUtf8(AUrl);
  const std::string contentType = ToUtf8(ContentType);
  AnsiString body;
  try {
    try {
      switch (Kind) {
        case Method::Get:
          if (Target != nullptr) {
            client->Get(url, *Target);
          } else {
            client->Get(url, body);
          }
          break;
        case Method::Put:
          client->Put(url, *Content, contentType, body);
          break;
        case Method::Post:
          client->Post(url, *Content, contentType, body);
          break;
      }
    } catch (...) {
      ResponseCode = client->ResponseCode();
      throw;
    }
    ResponseCode = client->ResponseCode();
    const UnicodeString code = IntToStr(ResponseCode);
    if (code.empty() || code.front() != u'2') {
      throw Exception(u"HTTP response code " + code + u" - " + ToUtf16(client->ResponseText()));
    }
  } catch (...) {
    HandBackHeaders(*client, RawHeader, HeaderType);
    throw;
  }
  HandBackHeaders(*client, RawHeader, HeaderType);
  return body;
}

// The short forms: the raw header text is fetched and dropped.
AnsiString Upload(Method Kind, const UnicodeString& AUrl, Stream& Content,
                  const UnicodeString& ContentType, int32_t& ResponseCode) {
  AnsiString header;
  return Request(Kind, AUrl, &Content, ContentType, nullptr, ResponseCode, header, kxHHT_Raw);
}

}  // namespace

// ---- TLS setting texts ------------------------------------------------------------------

TIdSSLVersion GetSSLMethod(const UnicodeString& Method) {
  const UnicodeString m = UpperText(Method);
  if (m == u"SSLV2") return sslvSSLv2;
  if (m == u"SSLV23") return sslvSSLv23;
  if (m == u"SSLV3") return sslvSSLv3;
  if (m == u"TLSV1") return sslvTLSv1;
  if (m == u"TLSV1_1") return sslvTLSv1_1;
  if (m == u"TLSV1_2") return sslvTLSv1_2;
  return sslvTLSv1_1;
}

TIdSSLVersions GetSSLVersions(const UnicodeString& Versions) {
  if (Versions.empty()) return TIdSSLVersions{sslvTLSv1_1};
  UnicodeString text = UpperText(Versions);
  std::erase_if(text, [](char16_t c) { return c == u'[' || c == u']'; });
  TStringList pieces;
  TkxStrings::SplitStringW(text, u",", pieces);
  TIdSSLVersions set;
  for (int32_t i = 0; i < pieces.Count(); ++i) set.Include(GetSSLMethod(pieces[i]));
  return set;
}

TIdSSLMode GetSSLMode(const UnicodeString& Mode) {
  const UnicodeString m = UpperText(Mode);
  if (m == u"UNASSIGNED") return sslmUnassigned;
  if (m == u"CLIENT") return sslmClient;
  if (m == u"BOTH") return sslmBoth;
  return sslmServer;
}

TIdSSLVerifyModeSet GetSSLVerifyMode(const UnicodeString& Mode) {
  const UnicodeString m = UpperText(Mode);
  TIdSSLVerifyModeSet set;
  if (m.find(u"VRFPEER") != UnicodeString::npos) set.Include(sslvrfPeer);
  if (m.find(u"VRFFAILIFNOPEERCERT") != UnicodeString::npos) set.Include(sslvrfFailIfNoPeerCert);
  if (m.find(u"VRFCLIENTONCE") != UnicodeString::npos) set.Include(sslvrfClientOnce);
  return set;
}

TIdIPVersion GetIPVersion(const AnsiString& IP) {
  return IP.find(':') != AnsiString::npos ? Id_IPv6 : Id_IPv4;
}

// ---- Requests -------------------------------------------------------------------------------

AnsiString HTTPGet(const UnicodeString& AUrl, int32_t& ResponseCode, AnsiString& RawHeader,
                   TkxHTTPHeaderType HeaderType) {
  return Request(Method::Get, AUrl, nullptr, u"", nullptr, ResponseCode, RawHeader, HeaderType);
}

bool HTTPGet(const UnicodeString& AUrl, Stream& FileStream, int32_t& ResponseCode,
             AnsiString& RawHeader, TkxHTTPHeaderType HeaderType) {
  Request(Method::Get, AUrl, nullptr, u"", &FileStream, ResponseCode, RawHeader, HeaderType);
  return true;
}

AnsiString HTTPGet(const UnicodeString& AUrl, int32_t& ResponseCode) {
  AnsiString header;
  return HTTPGet(AUrl, ResponseCode, header, kxHHT_Raw);
}

AnsiString HTTPGet(const UnicodeString& AUrl) {
  int32_t code = 0;
  return HTTPGet(AUrl, code);
}

AnsiString HTTPPut(const UnicodeString& AUrl, Stream& ContentStream,
                   const UnicodeString& ContentType, int32_t& ResponseCode,
                   AnsiString& RawHeader, TkxHTTPHeaderType HeaderType) {
  return Request(Method::Put, AUrl, &ContentStream, ContentType, nullptr, ResponseCode, RawHeader,
                 HeaderType);
}

AnsiString HTTPPut(const UnicodeString& AUrl, Stream& ContentStream,
                   const UnicodeString& ContentType, int32_t& ResponseCode) {
  return Upload(Method::Put, AUrl, ContentStream, ContentType, ResponseCode);
}

AnsiString HTTPPut(const UnicodeString& AUrl, const AnsiString& ContentStr,
                   const UnicodeString& ContentType, int32_t& ResponseCode,
                   AnsiString& RawHeader, TkxHTTPHeaderType HeaderType) {
  ReadOnlyMemoryStream content(ContentStr);
  return HTTPPut(AUrl, content, ContentType, ResponseCode, RawHeader, HeaderType);
}

AnsiString HTTPPut(const UnicodeString& AUrl, const AnsiString& ContentStr,
                   const UnicodeString& ContentType, int32_t& ResponseCode) {
  ReadOnlyMemoryStream content(ContentStr);
  return Upload(Method::Put, AUrl, content, ContentType, ResponseCode);
}

AnsiString HTTPPost(const UnicodeString& AUrl, Stream& ContentStream,
                    const UnicodeString& ContentType, int32_t& ResponseCode,
                    AnsiString& RawHeader, TkxHTTPHeaderType HeaderType) {
  return Request(Method::Post, AUrl, &ContentStream, ContentType, nullptr, ResponseCode, RawHeader,
                 HeaderType);
}

AnsiString HTTPPost(const UnicodeString& AUrl, Stream& ContentStream,
                    const UnicodeString& ContentType, int32_t& ResponseCode) {
  return Upload(Method::Post, AUrl, ContentStream, ContentType, ResponseCode);
}

AnsiString HTTPPost(const UnicodeString& AUrl, const AnsiString& ContentStr,
                    const UnicodeString& ContentType, int32_t& ResponseCode,
                    AnsiString& RawHeader, TkxHTTPHeaderType HeaderType) {
  ReadOnlyMemoryStream content(ContentStr);
  return HTTPPost(AUrl, content, ContentType, ResponseCode, RawHeader, HeaderType);
}

AnsiString HTTPPost(const UnicodeString& AUrl, const AnsiString& ContentStr,
                    const UnicodeString& ContentType, int32_t& ResponseCode) {
  ReadOnlyMemoryStream content(ContentStr);
  return Upload(Method::Post, AUrl, content, ContentType, ResponseCode);
}

bool ReInitializeSSL() { return kx::platform::http::ReinitializeTls(); }

}  // namespace TkxIndy
