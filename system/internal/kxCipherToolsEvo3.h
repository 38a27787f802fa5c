// system/internal/kxCipherToolsEvo3.h — short strings enciphered with DES,
// logon strings, and the encodings of URL query parameters.
//
// Every string operation makes its own DES component (ECB, radix-64 text;
// system/internal/kxDES.h), so any thread may call any operation. The keys
// are built at run time (system/internal/kxCipherSecrets.h) and are this
// system's own: only parties with the same values read each other's texts.
//
// A query parameter is written name "=" value. Names and values travel as
// UTF-8 with every byte outside "A"-"Z", "a"-"z", "0"-"9", "*", "-", ".", "_"
// written as "%" and two upper-case hexadecimal digits. The encoding is named
// by a first parameter "encoding=..." (none for kxCIPHENC_None):
//   base64    each value is the Base64 text of its UTF-8 bytes;
//   strong    each value is the Base64 text of EncodeLogon of them;
//   dcw       each value is DCW text (read only: it cannot be written);
//   mega, service, internal
//             the whole base64 query plus "&buildtime=" and the Base64 text
//             of the local time stamp is enciphered under the encoding's own
//             pass key and sent as "data=" + one-line Base64 text, which is
//             not percent-escaped; an internal query expires after a day.
//   EncodeUrlParams({u"name=Müller", u"flag"}, kxCIPHENC_Base64)
//     == "encoding=base64&name=TcO8bGxlcg%3D%3D&flag"
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/Text.h"

namespace kxInternal {

// Ordinals match TkxEncoding of system/kxTypes_Enums.h; callers convert by
// ordinal.
enum TkxCipherEncoding : uint8_t {
  kxCIPHENC_None,
  kxCIPHENC_Base64,
  kxCIPHENC_Strong,
  kxCIPHENC_Mega,
  kxCIPHENC_DCW,
  kxCIPHENC_Service,
  kxCIPHENC_Internal
};

// One decoded query parameter (the layout of TkxUrlParam).
struct TkxCipherUrlParam {
  UnicodeString Param;   // the name: unescaped, UTF-8, upper-cased, trimmed
  UnicodeString Value;   // the value decoded under Encoding
  AnsiString RawValue;   // the value as it stood, percent escapes undone
  TkxCipherEncoding Encoding = kxCIPHENC_None;

  friend bool operator==(const TkxCipherUrlParam&, const TkxCipherUrlParam&) = default;
};
using TkxCipherUrlParams = std::vector<TkxCipherUrlParam>;

namespace TkxCipher {

// DES in ECB under PassKey, as radix-64 text; "" when either is empty.
AnsiString EncodeString(const AnsiString& EncString, const AnsiString& PassKey);
// The reverse; "" when either is empty. Raises what the DES component raises
// for text that does not decipher (EConvertError, EInputError).
AnsiString DecodeString(const AnsiString& EncString, const AnsiString& PassKey);

// EncodeString/DecodeString under the private-string prefix + PassKey; ""
// when PassKey is empty.
AnsiString EncodePrivateString(const AnsiString& EncString, const AnsiString& PassKey);
AnsiString DecodePrivateString(const AnsiString& EncString, const AnsiString& PassKey);

// A logon string: "$$$" + EncString enciphered under the logon key; "" for "".
AnsiString EncodeLogon(const AnsiString& EncString);
// Never raises. A text that deciphers to "$$$..." gives the rest; one that
// deciphers to anything else is answered unchanged (a password that was
// never enciphered passes through); one that does not decipher gives "".
AnsiString DecodeLogon(const AnsiString& EncString);

// Decodes DCW text (a shifting substitution over a 71-symbol alphabet).
// Value is trimmed first; characters outside the alphabet are left out.
AnsiString DCWEncDecoder(const AnsiString& Value);

// The query text (without "?") of Parameters, each name "=" value (a text
// without "=" is written as a bare name), under Encoding. kxCIPHENC_None with
// no parameters gives ""; a value outside the enumeration writes no
// "encoding" parameter and the values as they are. Raises Exception
// "unsupported encoding" for kxCIPHENC_DCW when there is a parameter.
AnsiString EncodeUrlParams(const std::vector<UnicodeString>& Parameters, TkxCipherEncoding Encoding);

// The parameters of a query text, in order; every piece between "&"s is an
// entry, an empty one too, and a name given twice gives two entries. "+"
// reads as a blank. Encoding receives the encoding named by the first
// "encoding" parameter ("b64" too; kxCIPHENC_None when there is none); an
// empty text leaves it as it was. Values are decoded under it and trimmed;
// the "encoding" entry keeps its text and kxCIPHENC_None.
// An enciphered query (two parameters or more) answers the deciphered inner
// list instead, with its own "encoding" entry; Encoding keeps the outer
// value. Blanks in its "data" value are read as "+", so the Base64 text
// arrives intact whether the sender escaped its "+" or not.
// Raises Exception "url expired" for an internal query a day old or older,
// and the errors of Base64, DES and the time stamp for a "data" or
// "buildtime" value that does not read.
//   DecodeUrlParams("x=1+2&y", e) -> {X, "1 2"}, {Y, ""}; e == kxCIPHENC_None
TkxCipherUrlParams DecodeUrlParams(const AnsiString& UrlParamStr, TkxCipherEncoding& Encoding);

// Keys; each answers "" unless SecuID is the system's default key string.
AnsiString GenPassKeyMega(const AnsiString& SecuID);
AnsiString GenPassKeyService(const AnsiString& SecuID);
AnsiString GenPassKeyInternal(const AnsiString& SecuID);
AnsiString GenPassKeyLogon(const AnsiString& SecuID);
AnsiString GenerateCommonEncryptionKey(const AnsiString& SecuID);
AnsiString GenerateCommonSecurityKey(const AnsiString& SecuID);

namespace detail {

// Every byte outside "A"-"Z", "a"-"z", "0"-"9", "*", "-", ".", "_" as "%XX"
// (upper-case digits): a blank is "%20", "+" is "%2B", "~" is "%7E".
AnsiString UrlEscapeBytes(const AnsiString& Text);

// For each byte value from 255 down to 0, every "%XX" of it (upper-case
// digits only) in the text as it stands is replaced by the byte, so a
// replacement can form an escape of a lower value that is then taken up too:
//   "%2520" -> " " ("%20" after 0x25, then 0x20);  "%2541" -> "%41" (0x41
//   came first);  "%2b" stays as it is.
AnsiString UrlUnescapeBytes(const AnsiString& Text);

}  // namespace detail

}  // namespace TkxCipher

}  // namespace kxInternal
