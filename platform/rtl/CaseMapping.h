// platform/rtl/CaseMapping.h — upper and lower case of text.
//
// UpperText and LowerText are the one case mapping of UTF-16 text: every
// comparison of UTF-16 text without regard to case maps both sides with them
// (configuration keys, type names, file names and masks, registry names, the
// IgnoreCase flag of the text operations), so they give the same answer
// everywhere:
//
// - The mapping is the simple one-to-one mapping of each code point, the same
//   under every locale. Keys compared against ASCII names ("INT", "BINARY")
//   therefore match under a Turkish locale too: "i" always becomes "I".
// - The result has exactly as many units as the argument, so a position found
//   in the mapped text is the same position in the original. "ß" stays "ß";
//   a surrogate pair maps only when its mapping is again a pair; a lone
//   surrogate (also a raw byte carried as U+DC80..U+DCFF) passes unchanged.
// - The whole text is mapped, an embedded zero unit included: the length, not
//   a terminator, bounds it.
//
//   UpperText(u"straße") == u"STRAßE";  LowerText(u"İSTANBUL") == u"istanbul"
//
// The Ascii functions map the letters "a"-"z" and "A"-"Z" only. They serve
// 8-bit text, whose UTF-8 sequences cannot be mapped byte by byte, and names
// that a protocol or format defines in ASCII (HTTP header names, URL schemes,
// encoding names). Sorting, and the string lists' comparisons, are the
// collator's (platform/rtl/Collation.h), not these functions'.
#pragma once

#include <string>
#include <string_view>

#include "platform/rtl/Text.h"

UnicodeString UpperText(std::u16string_view S);
UnicodeString LowerText(std::u16string_view S);

// "a"-"z" to "A"-"Z" (AsciiUpper) or back (AsciiLower); every other unit or
// byte stays.
//   AsciiUpper("straße") == "STRAßE";  AsciiUpper(u"\u00E9a") == u"\u00E9A"
std::string AsciiUpper(std::string_view Text);
std::string AsciiLower(std::string_view Text);
UnicodeString AsciiUpper(std::u16string_view Text);
UnicodeString AsciiLower(std::u16string_view Text);

// A and B are the same once their ASCII letters are upper-cased.
//   SameTextAscii("Binary", "BINARY") == true;  SameTextAscii(u"\u00E9", u"\u00C9") == false
bool SameTextAscii(std::string_view A, std::string_view B);
bool SameTextAscii(std::u16string_view A, std::u16string_view B);
