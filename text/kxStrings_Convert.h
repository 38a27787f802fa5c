// text/kxStrings_Convert.h — turning one text form into another: script
// string bodies, flat identifiers, control characters and line breaks to
// blanks, character-set filters, quoted-printable decoding and HTML to text.
//
// "Character" means one UTF-16 unit in the UTF-16 operations (a surrogate
// pair is two) and one byte in the byte-level 8-bit ones. Two 8-bit
// operations think in characters, not bytes (FlatString, ApplyCharsetA):
// they decode the text as UTF-8 with the platform codec, apply the UTF-16
// rule and encode back, so "ä" written in UTF-8 counts as one character and
// raw bytes that are not UTF-8 survive unchanged where the rule keeps them.
// Bytes are compared as unsigned values: bytes from 0x80 up are never
// control characters or blanks.
#pragma once

#include <bitset>
#include <cstdint>
#include <string_view>

#include "platform/rtl/Text.h"

// A set of 8-bit character codes, such as the characters a file name may not
// hold. A UTF-16 unit is a member only when it is at most U+00FF and its code
// is in the set.
using TkxCharSet = std::bitset<256>;

namespace TkxStrings {

// The set of the listed characters; units above U+00FF cannot be members and
// are ignored.
//   TkxCharSetOf(u":*")[':'] == true
TkxCharSet TkxCharSetOf(std::u16string_view Chars);

// ---- Script strings ----------------------------------------------------------

// The body of a JavaScript (and JSON) string literal for AValue, without the
// surrounding quotes: \b \t \n \f \r for those controls, \uXXXX (upper-case
// hexadecimal) for the other units below U+0020 and for every unit from
// U+0080 on (a surrogate pair gives two escapes), a backslash before '"', '/'
// and '\'. The apostrophe and U+007F stay as they are.
//   StringToJScriptString(u"a\"/\u00E4\t") == u"a\\\"\\/\\u00E4\\t"
UnicodeString StringToJScriptString(const UnicodeString& AValue);

// ---- Flat identifiers --------------------------------------------------------

// An identifier-like form of Str, in three steps: every blank becomes
// Delimiter; with ConvertUmlauts "ö" "ü" "ä" "Ö" "Ü" "Ä" "ß" become "oe"
// "ue" "ae" "OE" "UE" "AE" "ss" (exact, no other letters); then every
// character other than "0"-"9", "A"-"Z", "a"-"z" and "_" becomes Delimiter,
// so other accented letters become Delimiter too. Only the umlaut step
// changes the length.
//   FlatStringW(u"Größe 2.0", u'_', true) == u"Groesse_2_0"
//   FlatStringW(u"Größe 2.0", u'_', false) == u"Gr__e_2_0"
UnicodeString FlatStringW(const UnicodeString& Str, char16_t Delimiter, bool ConvertUmlauts);
// 8-bit form (UTF-8 text, see the top of this file). A Delimiter byte from
// 0x80 up is written as that raw byte.
AnsiString FlatString(const AnsiString& Str, char Delimiter, bool ConvertUmlauts);

// ---- Control characters, blanks and line breaks ------------------------------

// Every character below U+0020 (byte below 0x20) becomes a blank; nothing is
// deleted and the length stays.
//   DeleteControlChars("a\tb") == "a b"
AnsiString DeleteControlChars(const AnsiString& Str);
UnicodeString DeleteControlChars(const UnicodeString& Str);
UnicodeString DeleteControlCharsW(const UnicodeString& Str);

// Every blank becomes "_".
UnicodeString BlanksToUnderScore(const UnicodeString& Str);

// Every blank, "," and "/" becomes "_".
//   FormatTechnicalName(u"a b,c/d") == u"a_b_c_d"
UnicodeString FormatTechnicalName(const UnicodeString& Name);

// Every CR LF becomes one blank, then every remaining LF a blank; a lone CR
// stays.
//   Breaks2BlanksW(u"a\r\nb\nc\rd") == u"a b c\rd"
AnsiString Breaks2Blanks(const AnsiString& Text);
UnicodeString Breaks2BlanksW(const UnicodeString& Text);

// ---- Character sets ----------------------------------------------------------
// A charset given as text lists the allowed characters; order and repetition
// do not matter, comparison is exact.

// True when every character of Str occurs in Charset; an empty Str gives
// true, a non-empty Str with an empty Charset false.
bool VerifyCharset(const UnicodeString& Charset, const UnicodeString& Str);

// The characters of Str that occur in Charset, in order; an empty Charset
// gives Str unchanged.
//   ApplyCharset(u"0123456789", u"a1b2") == u"12"
UnicodeString ApplyCharset(const UnicodeString& Charset, const UnicodeString& Str);

// The characters of AString that are members of ACharset, in order; with
// AInverted those that are not. Units above U+00FF are never members: they
// are always dropped without AInverted and always kept with it.
//   ApplyTkxCharset(u"a:b*é€", TkxCharSetOf(u":*"), true) == u"abé€"
UnicodeString ApplyTkxCharset(const UnicodeString& AString, const TkxCharSet& ACharset,
                              bool AInverted);

// Filters Str (UTF-8 text, see the top of this file) in four steps: with
// RemoveControlChars, characters below the blank become blanks; every
// character not in Charset becomes a blank; with RemoveBlanks every blank is
// removed, without it every run of blanks becomes one; the result is
// trimmed.
//   ApplyCharsetA("a  b-c", "abc", false, false) == "a b c"
//   ApplyCharsetA("a  b-c", "abc", false, true) == "abc"
AnsiString ApplyCharsetA(const AnsiString& Str, const AnsiString& Charset,
                         bool RemoveControlChars, bool RemoveBlanks);

// ---- Quoted-printable --------------------------------------------------------
// Both decoders work on bytes and give raw bytes ("=FC" gives the byte 0xFC,
// whatever the text's charset was); the result does not pass the codec.

// A table decoder: 163 codes, each replaced in the whole text in turn (the
// hexadecimal letters in either case): "=00" to "=1F" removed; "=20",
// "=2C", "=2E", "=3D", "=7E" to blank, ",", ".", "=", "~"; "=7F" to "=FF" to
// that byte, except "=DD", "=ED" and "=FD", which stay. Then every "=" CR LF
// is removed (FastReplaceA). The codes apply in that order over the whole text, so a "="
// made by "=3D" forms a new code with the two characters after it when that
// code comes later in the table ("=3DE4" gives the byte 0xE4). Codes that are
// not in the table stay as they are.
//   ReplaceQuotedPrintableSimple("Gr=FC=DFe=20und=2C=3D=0D=0A") == "Gr\xFC\xDF" "e und,="
AnsiString ReplaceQuotedPrintableSimple(const AnsiString& Content);

// A scanning decoder: soft line breaks ("=" CR LF, then "=" LF, then "=" CR)
// are removed first, each kind with FastReplaceA (so a soft break that a
// removal forms goes too); then each "=" with the one or two characters after it
// is read as a hexadecimal byte (digits only, either case; no sign, blank or
// prefix). A code that does not read vanishes together with its "="; the
// scan goes on three characters after the "=". A single digit at the very
// end is read too.
//   ReplaceQuotedPrintable("a=3Db=\r\nc=ZZd") == "a=bcd";  ReplaceQuotedPrintable("x=4") == "x\x04"
AnsiString ReplaceQuotedPrintable(const AnsiString& Content);

// ---- HTML --------------------------------------------------------------------

// The plain text of the body of an HTML text: text of script, style, head and
// title left out, entities decoded, white space runs as one blank, a line
// break (CR LF) for <br> and around block elements, trimmed; the full layout
// is in platform/xml/HtmlText.h. The empty text gives the empty text; broken
// markup is read the way browsers forgive it.
//   HtmlToText(u"<p>a &amp; b</p><p>c</p>") == u"a & b\r\nc"
UnicodeString HtmlToText(const UnicodeString& _html);

}  // namespace TkxStrings
