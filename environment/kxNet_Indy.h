// environment/kxNet_Indy.h — TkxIndy: the TLS setting texts, and the HTTP
// GET, PUT and POST requests of the system.
//
// Every request builds its own client from NetClassFactory
// (kxClassFactory.h), sends one request on its own connection and frees the
// client again; requests on several threads share nothing. A request raises
// Exception "the network settings are not loaded" when the network module
// is not initialised.
//
// What every full form does, whatever happens:
//   - ResponseCode receives the status of the final answer, -1 when no
//     status line arrived (refused, timed out, closed early).
//   - RawHeader receives, for kxHHT_Raw, the answer's header lines
//     ("name: value" + CR LF each, no status line, no blank last line; empty
//     when no answer came); for kxHHT_Custom an empty text (a client's answer
//     has no custom header list); any other HeaderType leaves it as it was.
//   - 2xx is success; the caller decides what 200, 201 or 204 mean.
//   - 400 and above raise EIdHTTPProtocolException (platform/http/
//     HttpErrors.h) with the status line as Message, the status and the
//     error body.
//   - Any other status (1xx, a 3xx that is never followed) raises Exception
//     "HTTP response code " + code + " - " + status line, for example
//     "HTTP response code 302 - HTTP/1.1 302 Found".
//   - Transport failures raise EIdSocketError, EIdConnectTimeout,
//     EIdReadTimeout, EIdConnClosedGracefully or EIdOSSLConnectError.
// Bodies are bytes as they travel. A request body is sent whole from its
// first byte, whatever the stream's position, streamed with its length; a
// response body is held in memory (except for the Stream form of HTTPGet).
#pragma once

#include <cstdint>

#include "platform/http/HttpErrors.h"
#include "platform/http/TlsSettings.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/Text.h"
#include "system/kxTypes_Enums.h"

namespace TkxIndy {

// ---- TLS setting texts -----------------------------------------------------------
// Each text is upper-cased (UpperText) and never trimmed.

// "SSLV2", "SSLV23", "SSLV3", "TLSV1", "TLSV1_1", "TLSV1_2", whole; any other
// text gives sslvTLSv1_1 (so "TLS1.2" gives sslvTLSv1_1).
TIdSSLVersion GetSSLMethod(const UnicodeString& Method);
// An empty text gives {sslvTLSv1_1}. Otherwise "[" and "]" are dropped and
// each piece between "," adds GetSSLMethod(piece): "[TLSv1_1,TLSv1_2]" gives
// both, "[TLSv1_1, TLSv1_2]" only sslvTLSv1_1 (" TLSv1_2" is no name), "[]"
// the empty set.
TIdSSLVersions GetSSLVersions(const UnicodeString& Versions);
// "UNASSIGNED", "SERVER", "CLIENT", "BOTH"; any other text gives sslmServer.
TIdSSLMode GetSSLMode(const UnicodeString& Mode);
// sslvrfPeer when "VRFPEER" occurs anywhere, sslvrfFailIfNoPeerCert for
// "VRFFAILIFNOPEERCERT", sslvrfClientOnce for "VRFCLIENTONCE".
TIdSSLVerifyModeSet GetSSLVerifyMode(const UnicodeString& Mode);
// Id_IPv6 when IP holds ":", else Id_IPv4.
TIdIPVersion GetIPVersion(const AnsiString& IP);

// ---- Requests (see the top of this file) ------------------------------------------------

AnsiString HTTPGet(const UnicodeString& AUrl, int32_t& ResponseCode, AnsiString& RawHeader,
                   TkxHTTPHeaderType HeaderType);
// The body goes into FileStream from its current position; the stream is
// neither rewound nor freed. True when the status was 2xx.
bool HTTPGet(const UnicodeString& AUrl, Stream& FileStream, int32_t& ResponseCode,
             AnsiString& RawHeader, TkxHTTPHeaderType HeaderType);
AnsiString HTTPGet(const UnicodeString& AUrl, int32_t& ResponseCode);
AnsiString HTTPGet(const UnicodeString& AUrl);

// ContentType, when not empty, is sent as the Content-Type header.
AnsiString HTTPPut(const UnicodeString& AUrl, Stream& ContentStream,
                   const UnicodeString& ContentType, int32_t& ResponseCode,
                   AnsiString& RawHeader, TkxHTTPHeaderType HeaderType);
AnsiString HTTPPut(const UnicodeString& AUrl, Stream& ContentStream,
                   const UnicodeString& ContentType, int32_t& ResponseCode);
AnsiString HTTPPut(const UnicodeString& AUrl, const AnsiString& ContentStr,
                   const UnicodeString& ContentType, int32_t& ResponseCode,
                   AnsiString& RawHeader, TkxHTTPHeaderType HeaderType);
AnsiString HTTPPut(const UnicodeString& AUrl, const AnsiString& ContentStr,
                   const UnicodeString& ContentType, int32_t& ResponseCode);

AnsiString HTTPPost(const UnicodeString& AUrl, Stream& ContentStream,
                    const UnicodeString& ContentType, int32_t& ResponseCode,
                    AnsiString& RawHeader, TkxHTTPHeaderType HeaderType);
AnsiString HTTPPost(const UnicodeString& AUrl, Stream& ContentStream,
                    const UnicodeString& ContentType, int32_t& ResponseCode);
AnsiString HTTPPost(const UnicodeString& AUrl, const AnsiString& ContentStr,
                    const UnicodeString& ContentType, int32_t& ResponseCode,
                    AnsiString& RawHeader, TkxHTTPHeaderType HeaderType);
AnsiString HTTPPost(const UnicodeString& AUrl, const AnsiString& ContentStr,
                    const UnicodeString& ContentType, int32_t& ResponseCode);

// Whether the TLS library initialises; it cannot be unloaded and loaded
// again under the HTTP library, so nothing else changes.
bool ReInitializeSSL();

}  // namespace TkxIndy
