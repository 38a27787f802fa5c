// platform/rtl/Text.h — the two kinds of text and the one codec between them.
//
// UTF-16 text is std::u16string (UnicodeString). 8-bit text is std::string
// (AnsiString, RawByteString, UTF8String); the system's 8-bit code page is
// UTF-8. Every conversion between the two kinds in the code base goes through
// the functions below.
//
// The codec is lossless for raw bytes: a byte b that is not part of valid UTF-8
// becomes the unit U+DC00+b (a lone low surrogate), and that unit becomes the
// byte b again on the way back. So file contents and protocol bytes survive a
// trip through UTF-16 unchanged.
//   ToUtf16("a\xFFb") == u"a\xDCFFb";  ToUtf8(u"a\xDCFFb") == "a\xFFb"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using UnicodeString = std::u16string;
using AnsiString = std::string;
using RawByteString = std::string;
using UTF8String = std::string;

// UTF-8 (or any bytes) to UTF-16. Never fails: invalid, overlong, truncated
// and surrogate-encoding sequences decode byte by byte to U+DC80..U+DCFF.
UnicodeString ToUtf16(std::string_view bytes);

// UTF-16 to UTF-8, the inverse of ToUtf16: U+DC80..U+DCFF standing alone
// become the raw byte again; any other lone surrogate becomes "?".
std::string ToUtf8(std::u16string_view text);

// ToUtf8 for names that must reach the system exactly (file paths): false
// when the text holds a lone surrogate that is no byte escape, which ToUtf8
// would write as "?" and so name something else.
//   ToUtf8Exact(u"a\xDCFF", b) -> true, b == "a\xFF";  ToUtf8Exact(u"q\xD800", b) -> false
bool ToUtf8Exact(std::u16string_view text, std::string& bytes);

// UTF-16 to strictly valid UTF-8, for consumers that reject anything else
// (XML, JSON, HTTP headers): every lone surrogate becomes "?".
std::string ToUtf8Strict(std::u16string_view text);

// True when bytes are valid UTF-8 (so that ToUtf16 escapes nothing).
bool IsValidUtf8(std::string_view bytes);

// CP850, the OEM code page of console and DOS-era text, which the OEM/ANSI
// conversions use. Every one of the 256 bytes maps to one BMP character
// (0x00-0x7F to ASCII, 0x80-0xFF to accented letters, symbols and box
// drawing), so decoding never fails. Encoding writes "?" for a character that
// has no CP850 byte: a character outside the page, a lone surrogate, a raw
// byte carried as U+DC80..U+DCFF, and a surrogate pair (one "?" for the pair).
// Both directions run over the whole length, embedded zero bytes included.
//   CP850ToUtf16("\x81" "ber") == u"\u00FCber";  Utf16ToCP850(u"\u20AC1") == "?1"
UnicodeString CP850ToUtf16(std::string_view bytes);
std::string Utf16ToCP850(std::u16string_view text);
