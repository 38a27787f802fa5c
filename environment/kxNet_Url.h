// environment/kxNet_Url.h — TkxNet: request URLs, URL splitting, percent
// codecs, status codes and the parameters of a query.
//
// 8-bit texts are UTF-8 (the system's code page). URLs are built exactly as
// described below and never escaped further here; the HTTP transport escapes
// what a URL cannot carry on its way out (platform/http/HttpClient.h).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/Text.h"
#include "system/internal/kxCipherToolsEvo3.h"
#include "system/kxTypes_Records.h"

// The cipher's encoding of the same ordinal. Raises Exception "invalid
// encoding" for an ordinal outside kxENC_None..kxENC_Internal (0 to 6).
kxInternal::TkxCipherEncoding CheckEncoding(TkxEncoding Encoding);
// The way back, under the same rule.
TkxEncoding CheckEncoding(kxInternal::TkxCipherEncoding Encoding);

namespace TkxNet {

// ---- Building --------------------------------------------------------------

// RootUrl with "/" appended when missing (an empty RootUrl adds nothing, not
// even "/"), then URI as it is, then "?" and the query that the URL cipher
// makes of Parameters ("name=value" each) under Encoding; no "?" when the
// query is empty. The encoding is checked first ("invalid encoding").
//   BuildUrl(u"http://h/q", u"kxdocupload", {}, kxENC_None) == "http://h/q/kxdocupload"
//   BuildUrl(u"http://h/", u"/x", {}, kxENC_None) == "http://h//x"
//   kxENC_Mega always gives "...?encoding=mega&data=" + Base64 text
AnsiString BuildUrl(const UnicodeString& RootUrl, const UnicodeString& URI,
                    const std::vector<UnicodeString>& Parameters, TkxEncoding Encoding);
// RootUrl with "/" appended when missing, then URI without one leading "/".
// No query.
//   BuildUrl(u"http://h/", u"/x") == "http://h/x"
AnsiString BuildUrl(const UnicodeString& RootUrl, const UnicodeString& URI);
// "http://" or "https://", Host (the computer's fully qualified name when
// empty), ":" + Port when Port is above 0. When URI is not empty: URI (with
// "/" put in front when it has none) and the query as in the first form;
// when URI is empty the base alone, and the encoding is not even checked.
//   BuildUrl(false, u"h", 8080, u"a", {}, kxENC_None) == "http://h:8080/a"
AnsiString BuildUrl(bool HTTPS, const UnicodeString& Host, int32_t Port, const UnicodeString& URI,
                    const std::vector<UnicodeString>& Parameters, TkxEncoding Encoding);
// The base as above, then "/" and URI, always (an empty URI leaves "/" at
// the end, a URI with a leading "/" gives "//").
AnsiString BuildUrl(bool HTTPS, const UnicodeString& Host, int32_t Port, const AnsiString& URI);

// Url with "/" appended unless it ends with one; an empty Url stays empty.
UnicodeString CheckRootUrlSuffix(const UnicodeString& Url);

// ---- Splitting ---------------------------------------------------------------
// The parts are taken from the text after the first "//" (the whole text
// when it has none): the authority runs to the first "/" after it.

// Whether AUrl begins with "https://" in any case (nothing may stand before).
bool IsHTTPSUrl(const UnicodeString& AUrl);
// The authority up to its first ":".
//   GetServerFromUrl(u"http://h:8080/x") == u"h"
UnicodeString GetServerFromUrl(const UnicodeString& AUrl);
// The number after the authority's first ":" (TkxConversion::StrToInt, 0
// when it does not read), cut to its low 16 bits; 0 without ":". No default
// port for the scheme: GetPortFromUrl(u"https://h/x") == 0.
uint16_t GetPortFromUrl(const UnicodeString& AUrl);
// The path with its query; "/" when there is none.
//   GetPathFromUrl(u"http://h:1/a/b?c=d") == u"/a/b?c=d";  GetPathFromUrl(u"http://h") == u"/"
UnicodeString GetPathFromUrl(const UnicodeString& AUrl);

// True for 200 to 299.
bool CheckHTTPResponseCode(int32_t Code);

// ---- Percent codecs ------------------------------------------------------------
// Each byte outside the kept set becomes "%" and two upper-case hexadecimal
// digits ("%" itself becomes "%25"). Kept sets:
//   EncodeUrlPart   A-Z a-z 0-9 - . _          (bytes as they are)
//   EncodeUrlPartW  A-Z a-z 0-9 - . _ *        (the text's UTF-8 bytes)
//   PercentEncode   A-Z a-z 0-9 - . _ ~ / :    (the text's UTF-8 bytes)
//   EncodeUrlPart("a b*~") == "a%20b%2A%7E";  PercentEncode(u"a b/c:d~é") == "a%20b/c:d~%C3%A9"
AnsiString EncodeUrlPart(const AnsiString& Url);
AnsiString EncodeUrlPartW(const UnicodeString& Url);
AnsiString PercentEncode(const UnicodeString& Text);

// One pass per byte value from 255 down to 0, each replacing every "%XX" of
// that value (upper-case digits only) in the text as the earlier passes left
// it; so an escape that a pass produces can be decoded by a later one.
//   DecodeUrlPart("%41%2f") == "A%2f";  "%2520" -> " ";  "%2541" -> "%41"
AnsiString DecodeUrlPart(const AnsiString& Text);

// Decodes "%XX" (two hexadecimal digits, either case) into the byte and
// "%uXXXX" (four) into the UTF-8 form of that UTF-16 unit, left to right; a
// decoded "%" is never decoded again, an escape whose digits are not all
// hexadecimal (or not all there) stays as it is, "+" stays "+". Two "%u"
// escapes in a row that form a surrogate pair give their one character; a
// lone surrogate is taken as the text codec takes it (platform/rtl/Text.h).
// The bytes are then read as UTF-8.
//   PercentDecode("%u00e9%41") == u"éA";  "%2541" -> u"%41";  "100%" -> u"100%"
UnicodeString PercentDecode(const AnsiString& Text);

// ---- Query parameters ------------------------------------------------------------

// The parameters of a query (without "?"), decoded by the URL cipher, in
// order; Encoding receives the query's encoding (kxENC_None for an empty
// text). Raises what the cipher raises ("url expired", a "data" value that
// does not decipher).
TkxUrlParams ParseUrlParams(const AnsiString& UrlParamStr, TkxEncoding& Encoding);

// The first parameter whose Param equals UpperText(Param) exactly (the
// cipher stores names upper-cased and trimmed, so "docid" finds "DOCID", and
// a record holding "DocId" is found by no name).
// GetUrlParamValue answers its Value, or with RawValue its RawValue as
// UTF-16; Default when there is none.
UnicodeString GetUrlParamValue(const UnicodeString& Param, const TkxUrlParams& UrlParams,
                               const UnicodeString& Default, bool RawValue);
AnsiString GetRawUrlParamValue(const UnicodeString& Param, const TkxUrlParams& UrlParams,
                               const AnsiString& Default);
bool UrlParamExists(const UnicodeString& Param, const TkxUrlParams& UrlParams);

}  // namespace TkxNet
