// text/kxStrings_CharClass.h — what kind of characters a text holds: digits
// only, any digit, a fixed-length format mask, and letters that rise above
// or reach below the writing line.
//
// The sets are exact code values; nothing here depends on the locale, and a
// character above U+00FF belongs to no set. None of these checks fails.
#pragma once

#include <cstdint>

#include "platform/rtl/Text.h"

namespace TkxStrings {

// Every byte is a digit "0"-"9", or with AllowBlanks a digit or a blank.
// The empty text answers true (callers test for "no letters", not for "a
// number"). Any byte of a multi-byte character fails.
//   IsNumeric("0042", false) == true;  IsNumeric("12 3", false) == false
bool IsNumeric(const AnsiString& Txt, bool AllowBlanks);

// Every unit is a digit; with AllowBlanks a digit or a blank; with
// AllowBlanks and AllowNumRelChars also "+", ",", "-" and ".".
// AllowNumRelChars alone changes nothing. The empty text answers true.
//   IsNumeric(u"-1,5", true, true) == true;  IsNumeric(u"-1,5", false, true) == false
bool IsNumeric(const UnicodeString& Txt, bool AllowBlanks, bool AllowNumRelChars);

// At least one unit is a digit "0"-"9".
bool ContainsNumbers(const UnicodeString& Txt);

// Str fits the mask Format of the same length: "#" takes a digit, "$" any
// character, every other character itself (so "#" in Str fits "#" too).
// Lengths are counted in UTF-16 units; the 8-bit form compares the decoded
// texts, so "$" takes a multi-byte character whole.
//   VerifySimpleFormat(u"##-$$", u"12-ab") == true;  (u"##-$$", u"12-a") == false
bool VerifySimpleFormat(const AnsiString& Format, const AnsiString& Str);
bool VerifySimpleFormat(const UnicodeString& Format, const UnicodeString& Str);

// 0 neither, 1 only high, 2 only low, 3 both kinds of character:
//   high: digits, "A"-"Z", ! " % & ( ) ? b d f h i j k l t y § Ä Ö Ü ä ö ü
//   low:  , ; g j p q          ("j" is both, so "j" alone answers 3)
//   ContainHighAndLowChars(u"ace") == 0;  (u"Tag") == 3;  (u"ace,") == 2
// The 8-bit form reads UTF-8; a byte that is not part of valid UTF-8 stands
// for the Latin-1 character of that code, so "\xC4" (Ä in Latin-1) is high.
int32_t ContainHighAndLowChars(const AnsiString& Content);
int32_t ContainHighAndLowChars(const UnicodeString& Content);

}  // namespace TkxStrings
