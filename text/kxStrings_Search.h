// text/kxStrings_Search.h — finding and comparing texts.
//
// Rules every text operation of TkxStrings shares:
// - Positions are 1-based and count UTF-16 units or bytes; 0 means "not found"
//   unless an operation says -1.
// - An empty search text is never found (0 or false), unlike
//   std::u16string::find, which finds it at the start.
// - Trimming removes every unit at or below U+0020 (blank and control
//   characters) at both ends, for 8-bit text every byte at or below 0x20, and
//   nothing else: U+00A0 and U+0085 stay (TrimBlanks, platform/rtl/Trim.h).
// - IgnoreCase in the UTF-16 operations compares the UpperText forms (one
//   code point at a time, same length; see platform/rtl/CaseMapping.h). The 8-bit
//   operations say per operation how they ignore case.
// - IgnoreCase upper-cases copies of the texts on every call. A caller that
//   searches one text again and again upper-cases it once itself (UpperText)
//   and passes IgnoreCase false.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"

namespace TkxStrings {

// ---- Finding ---------------------------------------------------------------

// Position of the first SearchString in Content that starts at or after
// FromPos (below 1 counts as 1), or 0.
//   PosW(u"abcbc", u"bc", 3, false) == 4;  PosW(u"strasse", u"STRASSE", 1, true) == 1
int32_t PosW(const UnicodeString& Content, const UnicodeString& SearchString, int32_t FromPos,
             bool IgnoreCase);

// 8-bit twin of PosW. IgnoreCase maps only the ASCII letters "a"-"z", so
// letters outside ASCII must match in case.
//   PosA("Abc", "B", 1, true) == 2;  PosA("é", "É", 1, true) == 0
int32_t PosA(const AnsiString& Content, const AnsiString& SearchString, int32_t FromPos,
             bool IgnoreCase);

// True when SearchString occurs in Content.
bool Contains(const UnicodeString& Content, const UnicodeString& SearchString, bool IgnoreCase);

// Contains applied to the ToPos - FromPos units of Content from FromPos on.
// A FromPos below 1 counts as 1 without shortening the count; a count of 0 or
// less gives false; a count beyond the end stops at the end.
//   ContainsBetween(u"abcdef", u"cd", 3, 5, false) == true   (piece "cd")
//   ContainsBetween(u"abcdef", u"c", 0, 3, false) == true    (piece "abc")
bool ContainsBetween(const UnicodeString& Content, const UnicodeString& SearchString,
                     int32_t FromPos, int32_t ToPos, bool IgnoreCase);

// Start of the last SearchString in Content, overlapping hits included, or 0.
//   GetLastPosW(u"aaaa", u"aa", false) == 3
int32_t GetLastPosW(const UnicodeString& Content, const UnicodeString& SearchString,
                    bool IgnoreCase);

// Start of the last SubStr in S (case-sensitive), or 0.
//   LastPos("ab", "abcab") == 4
int32_t LastPos(const AnsiString& SubStr, const AnsiString& S);

// The last unit of Text equal to the one-unit text Z, or -1. A Z that is
// empty or longer than one unit never matches.
// RightPosWL counts from the left (1 = first unit), RightPosW from the right
// (1 = last unit):
//   RightPosWL(u".", u"a.b.c") == 4;  RightPosW(u".", u"a.b.c") == 2
int32_t RightPosW(const UnicodeString& Z, const UnicodeString& Text);
int32_t RightPosWL(const UnicodeString& Z, const UnicodeString& Text);
// 8-bit twins, byte by byte: RightPos counts from the right, RightPosL from
// the left.
int32_t RightPos(const AnsiString& Z, const AnsiString& Text);
int32_t RightPosL(const AnsiString& Z, const AnsiString& Text);

// Position in S of the first element of SubStr that occurs and is not
// preceded in S by the next element: for each element in order, its first
// position r is taken when r > 0 and the next element is missing or does not
// stand before r. When no element is taken the result is the last element's
// position (0 when it does not occur); -1 for an empty SubStr.
//   OptPos({"x", "y", "z"}, "z...x") == 5   (y missing)
//   OptPos({"x", "y", "z"}, "..y.x") == 3   (y before x, z missing)
int32_t OptPos(const std::vector<AnsiString>& SubStr, const AnsiString& S);

// Cuts Source at each Delimiter from left to right and answers the position
// in CheckStr of the first part that occurs there followed by Delimiter, or
// -1. After each cut the rest of Source starts one unit after the start of
// the delimiter, so the rest of a longer delimiter stays at its front. The
// text after the last delimiter is never tested.
//   PartPos(u"b;a;rest", u"x a;y", u";") == 3
int32_t PartPos(const UnicodeString& Source, const UnicodeString& CheckStr,
                const UnicodeString& Delimiter);

// ---- Beginnings and endings ------------------------------------------------

// True when Content begins with BeginString; TrimBefore trims both texts
// first. An empty BeginString (also after trimming) gives false.
//   BeginWith(u"  abc", u"a", false, true) == true
bool BeginWith(const UnicodeString& Content, const UnicodeString& BeginString, bool IgnoreCase,
               bool TrimBefore);

// 8-bit twin of BeginWith with 8-bit trimming. IgnoreCase compares the
// UpperText forms of both texts read as UTF-8 ("ä" matches "Ä"); a text that
// begins with BeginString byte for byte always matches.
bool BeginWithA(const AnsiString& Content, const AnsiString& BeginString, bool IgnoreCase,
                bool TrimBefore);

// True when Content ends with EndString; an empty EndString gives false.
//   EndsWith(u"abc", u"abc", false) == true;  EndsWith(u"bc", u"abc", false) == false
bool EndsWith(const UnicodeString& Content, const UnicodeString& EndString, bool IgnoreCase);

// True when Content ends with any entry of EndString (tested in list order).
bool EndsWith(const UnicodeString& Content, const TStrings& EndString, bool IgnoreCase);

// 8-bit twin of EndsWith; IgnoreCase as BeginWithA.
bool EndsWithA(const AnsiString& Content, const AnsiString& EndString, bool IgnoreCase);

// True when BeginWith(Content, entry, IgnoreCase, TrimBefore) holds for any
// entry.
bool BeginWithOneOfElements(const UnicodeString& Content, const TStrings& BeginStrings,
                            bool IgnoreCase, bool TrimBefore);

// True when Content ends with any entry; TrimBefore trims Content and each
// entry first.
bool EndsWithOneOfElements(const UnicodeString& Content, const TStrings& EndStrings,
                           bool IgnoreCase, bool TrimBefore);

// ---- Equality, validity, ordering ------------------------------------------

// Unit-by-unit equality after trimming both (TrimBefore) and upper-casing
// both (IgnoreCase).
bool EqualsW(const UnicodeString& String1, const UnicodeString& String2, bool TrimBefore,
             bool IgnoreCase);

// 8-bit twin of EqualsW. IgnoreCase compares the UpperText forms of both
// texts read as UTF-8, so two different texts never become equal on the way
// (raw bytes that are not UTF-8 keep their identity).
//   EqualsAnsi("straße", "STRAßE", false, true) == true
bool EqualsAnsi(const AnsiString& String1, const AnsiString& String2, bool TrimBefore,
                bool IgnoreCase);

// True when EqualsW(Content, entry, TrimBefore, IgnoreCase) holds for any
// entry of NotAllowedStrings.
bool IsNotValid(const UnicodeString& Content, const TStrings& NotAllowedStrings, bool TrimBefore,
                bool IgnoreCase);

// Orders two texts by code unit after trimming (UseTrim) and upper-casing
// (UseUpper): the difference of the first differing units (Value1's minus
// Value2's), else the difference of the lengths, 0 when equal. Callers may
// rely on the size, not only the sign. UseDESC negates the result.
//   StrCompW(u"abc", u"abd", false, false, false) == -1
//   StrCompW(u"a", u"c", false, false, false) == -2
//   StrCompW(u"abc", u"a", false, false, true) == -2
int32_t StrCompW(const UnicodeString& Value1, const UnicodeString& Value2, bool UseTrim,
                 bool UseUpper, bool UseDESC);

// ---- Emptiness and length --------------------------------------------------

// Content is empty, or with UseTrim empty after trimming.
bool IsEmptyW(const UnicodeString& Content, bool UseTrim);
bool IsNotEmptyW(const UnicodeString& Content, bool UseTrim);
bool IsEmptyA(const AnsiString& Content, bool UseTrim);
bool IsNotEmptyA(const AnsiString& Content, bool UseTrim);

// Length (after trimming with TrimBefore) greater than, or less than, Count.
bool IsLengthBiggerAsW(const UnicodeString& Content, int32_t Count, bool TrimBefore);
bool IsLenghtSmallerAsW(const UnicodeString& Content, int32_t Count, bool TrimBefore);

// ---- Counting ----------------------------------------------------------------

// Number of occurrences of Find in Text, overlapping ones included; 0 for an
// empty Find.
//   GetStrCount("aaaa", "aa") == 3
int32_t GetStrCount(const AnsiString& Text, const AnsiString& Find);
int32_t GetStrCountW(const UnicodeString& Text, const UnicodeString& Find);

// As GetStrCountW; IgnoreCase compares the LowerText forms (not UpperText:
// the two differ for a few letters, such as the Kelvin sign, which lower-cases
// to "k" but does not upper-case to "K").
int32_t GetStrCountExW(const UnicodeString& Text, const UnicodeString& Find, bool IgnoreCase);

// Number of non-empty entries of SearchElements that Content contains,
// ignoring case.
int32_t GetIncludedElementCountW(const UnicodeString& Content, const TStrings& SearchElements);

// Number of words of the trimmed Content; only the blank (U+0020) separates
// words, a run of blanks counting once. Tabs and line breaks inside the text
// do not separate.
//   GetWordCount(u"  one   two ") == 2;  GetWordCount(u"one\ttwo") == 1
int32_t GetWordCount(const UnicodeString& Content);

// GetWordCount of the text after the first SearchElement (ignoring case), or
// DefaultValue when SearchElement does not occur.
//   GetWordCountAfter(u"Total: 3 items", u"total:", -1) == 2
int32_t GetWordCountAfter(const UnicodeString& Content, const UnicodeString& SearchElement,
                          int32_t DefaultValue);

}  // namespace TkxStrings
