// text/kxStrings_Edit.h — cutting texts apart and putting them together:
// substrings, the text between markers, last words and elements, splitting,
// padding, separators every n characters, plurals, flags at either end,
// suffixes, clearing and byte arrays.
//
// The rules of kxStrings_Search.h hold here too (1-based positions, trimming
// of every unit at or below U+0020, W twins on UTF-16 text, A twins on 8-bit
// text, lengths counted in code units or bytes).
//
// The cut rule, shared by every operation that takes a piece by position:
// a start position below 1 counts as 1 without shortening the count; a count
// of 0 or less gives the empty text; a count beyond the end stops at the end;
// a start beyond the end gives the empty text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "text/kxAnsiStringList.h"

// Which end of a text an operation works on; EACH_POS means both.
enum TSEARCH_TYPE : uint8_t { FIRST_POS, LAST_POS, EACH_POS };

// Put texts in front (REPLACE_FIRST) or behind (REPLACE_LAST).
enum TAPPEND_TYPE : uint8_t { REPLACE_FIRST, REPLACE_LAST };

// The text found between two markers and the 1-based positions of the two
// markers (0 where a marker was not found or not looked for).
struct TBetweenSearchResult {
  UnicodeString ResultString;
  int32_t BeginPos = 0;
  int32_t EndPos = 0;
};

using TbyteArray = std::vector<uint8_t>;

namespace TkxStrings {

// ---- Substrings --------------------------------------------------------------
// The overloads have no default arguments on purpose: SubStringW(s, 2, 4, ...)
// must never be read as From 2 with flags. The deleted overloads turn the
// four-argument slip SubStringW(s, 2, 4, true) into a compile error.

// The units from position From to the end. TrimBefore trims Content first,
// TrimAfter trims the result.
//   SubStringW(u"abcdef", 3, false, false) == u"cdef";  From 7 gives u""
UnicodeString SubStringW(const UnicodeString& Content, int32_t From, bool TrimBefore,
                         bool TrimAfter);

// ToPos - FromPos units starting at FromPos (so positions FromPos to ToPos - 1
// for FromPos >= 1), by the cut rule. FromPos 0 with ToPos n gives the first
// n units, FromPos 1 with ToPos n the first n - 1.
//   SubStringW(u"abcdef", 2, 4, false, false) == u"bc"
//   SubStringW(u"abcdef", 0, 3, false, false) == u"abc"
UnicodeString SubStringW(const UnicodeString& Content, int32_t FromPos, int32_t ToPos,
                         bool TrimBefore, bool TrimAfter);
UnicodeString SubStringW(const UnicodeString& Content, int32_t FromPos, int32_t ToPos,
                         bool TrimBefore) = delete;

// 8-bit twins of SubStringW, byte by byte.
AnsiString SubStringA(const AnsiString& Content, int32_t From, bool TrimBefore, bool TrimAfter);
AnsiString SubStringA(const AnsiString& Content, int32_t FromPos, int32_t ToPos, bool TrimBefore,
                      bool TrimAfter);
AnsiString SubStringA(const AnsiString& Content, int32_t FromPos, int32_t ToPos,
                      bool TrimBefore) = delete;

// The first Pos units of Content, then AddString, then the rest. A Pos of 0
// or less puts AddString in front, one beyond the length at the end.
//   Add(u"abcd", u"-", 2) == u"ab-cd"
UnicodeString Add(const UnicodeString& Content, const UnicodeString& AddString, int32_t Pos);

// ---- Text between markers ----------------------------------------------------

// The trimmed text between the end of the first F and the first L after it.
// Empty when F does not occur, or L does not follow F. An empty L takes the
// text after F to the end (empty when F does not occur either).
//   GetBetween("x[a]y[b]", "[", "]") == "a";  GetBetween("k=\"v\"", "\"", "\"") == "v"
AnsiString GetBetween(const AnsiString& Str, const AnsiString& F, const AnsiString& L);

// As GetBetween, but up to the last L in Str: the trimmed text between the
// end of the first F and the start of the last L; empty when that L does not
// stand after the first F.
//   GetBetweenW(u"x[a]y[b]", u"[", u"]") == u"a]y[b"
UnicodeString GetBetweenW(const UnicodeString& Str, const UnicodeString& F,
                          const UnicodeString& L);

// Record form, with the markers' positions:
// 1. Nothing is found (all empty, positions 0) when PosBeginSearchStartLetter
//    is greater than PosBeginSearchEndLetter or either exceeds the length of
//    Content.
// 2. BeginPos: the first StartLetter at or after PosBeginSearchStartLetter;
//    0 when there is none or that search start is below 1 (it is not
//    clamped, unlike PosW).
// 3. A PosBeginSearchEndLetter before BeginPos moves to the end of the start
//    marker; beyond the end of Content nothing is found (EndPos 0).
// 4. EndPos: the first StopLetter at or after PosBeginSearchEndLetter.
// 5. ResultString: the trimmed text between the end of the start marker and
//    EndPos when both markers were found; with an empty StopLetter the
//    trimmed text after a found start marker; else empty.
//   GetBetweenW(u"<a><b>", u"<", u">", 4, 4) == {u"b", 4, 6}
TBetweenSearchResult GetBetweenW(const UnicodeString& Content, const UnicodeString& StartLetter,
                                 const UnicodeString& StopLetter,
                                 int32_t PosBeginSearchStartLetter,
                                 int32_t PosBeginSearchEndLetter);

// The CountChars units before the first SearchString at or after FromPos
// (found as PosW finds it), or all units before it when fewer precede; empty
// when SearchString is not found.
//   GetCharsBeforeString(u"ab:c", u":", 1, 5, false) == u"ab"
UnicodeString GetCharsBeforeString(const UnicodeString& Content,
                                   const UnicodeString& SearchString, int32_t FromPos,
                                   int32_t CountChars, bool IgnoreCase);

// ---- Words and elements --------------------------------------------------------

// The last Count words of Content (all words for a Count below 1), in the
// order of the text, joined by single blanks. Words are read as the string
// list reads delimited text with the blank as delimiter: a run of blanks and
// control characters separates, and a word in double quotes may hold blanks
// and loses its quotes (a doubled quote inside stands for one). Words that
// are empty after trimming are skipped.
//   GetLastWords(u"one two three", 2) == u"two three"
//   GetLastWords(u"say \"hello world\"", 1) == u"hello world"
UnicodeString GetLastWords(const UnicodeString& Content, int32_t Count);

// The trimmed text after the last Separator (case-sensitive); the whole text,
// trimmed, when there is none. With IgnoreWhenItsLastPosition a Separator
// that ends the text (nothing follows it) is cut off first and the element
// before it is taken. The text is taken from one unit after the start of the
// separator, so the rest of a longer separator stays in front.
//   GetLastElement(u"a/b/c", u"/", false) == u"c"
//   GetLastElement(u"a/b/", u"/", true) == u"b"
//   GetLastElement(u"a::b", u"::", false) == u":b"
UnicodeString GetLastElement(const UnicodeString& Content, const UnicodeString& Separator,
                             bool IgnoreWhenItsLastPosition);

// ---- Splitting -----------------------------------------------------------------
// The split operations add every part between separators to List (which is
// not cleared first), empty parts included; a trailing separator adds a final
// empty part. An empty Source or SplitAt adds nothing. The parts joined with
// SplitAt give Source again. The result is false when adding raises (a sorted
// list that rejects duplicates, a handler that raises); the parts added
// before stay in List.
//   SplitStringW(u"a,,b", u",", l) adds "a", "", "b";  u"a," adds "a", ""

// 8-bit text into a UTF-16 list: each part goes through the codec (raw bytes
// survive as U+DC80..U+DCFF).
bool SplitString(const AnsiString& Source, const AnsiString& SplitAt, TStrings& List);
// 8-bit text into an 8-bit list: the parts are added as they are.
bool SplitString(const AnsiString& Source, const AnsiString& SplitAt, TAnsiStrings& List);
bool SplitStringW(const UnicodeString& Source, const UnicodeString& SplitAt, TStrings& List);

// Splits at the first SplitAt (case-sensitive): Left is the text before it,
// Right the text after it, result true. Without SplitAt in Source (or with an
// empty SplitAt) Left is Source, Right is empty and the result is false.
//   SplitFirstStringW(u"key=value=x", u"=", l, r): l == u"key", r == u"value=x"
bool SplitFirstString(const AnsiString& Source, const AnsiString& SplitAt, AnsiString& Left,
                      AnsiString& Right);
bool SplitFirstStringW(const UnicodeString& Source, const UnicodeString& SplitAt,
                       UnicodeString& Left, UnicodeString& Right);

// Splits behind the last number character of Content: StringBefore is the
// text through it, StringBehind the text after it. Number characters are the
// digits 0-9; with AllowTypicleTypeSeparators also "." and "," for TypeId 5
// (currency) and ".", "-" and "/" for TypeId 2 (date). Without a number
// character the result is false and both outputs keep their values.
//   SplitAfterLastNumber(u"12.5 EUR", b, h, false, 0): b == u"12.5", h == u" EUR"
bool SplitAfterLastNumber(const UnicodeString& Content, UnicodeString& StringBefore,
                          UnicodeString& StringBehind, bool AllowTypicleTypeSeparators,
                          int32_t TypeId);

// Splits before the first digit 0-9: StringBefore is the text before it,
// StringBehind the text from it on. Without a digit the result is false and
// both outputs keep their values.
//   SplitBeforeFirstNumber(u"abc12d", b, h): b == u"abc", h == u"12d"
bool SplitBeforeFirstNumber(const UnicodeString& Content, UnicodeString& StringBefore,
                            UnicodeString& StringBehind);

// ---- Padding -------------------------------------------------------------------

// The decimal text of Nr with "0" in front up to Max characters, but never
// more than 61 zeros; a longer text is not cut. The zeros go in front of a
// minus sign.
//   FillIntNull(7, 3) == "007";  FillIntNull(12345, 3) == "12345";  FillIntNull(-5, 4) == "00-5"
AnsiString FillIntNull(int64_t Nr, int32_t Max);
UnicodeString FillIntNullW(int64_t Nr, int32_t Max);

// FillIntNull for any text: "0" in front up to Max units, at most 61.
AnsiString FillStrNull(const AnsiString& Str, int32_t Max);
UnicodeString FillStrNullW(const UnicodeString& Str, int32_t Max);

// Blanks in front of (or behind) Str up to length L; no upper limit, never
// cut.
AnsiString FillBlankFront(const AnsiString& Str, int32_t L);
UnicodeString FillBlankFront(const UnicodeString& Str, int32_t L);
AnsiString FillBlankBack(const AnsiString& Str, int32_t L);
UnicodeString FillBlankBack(const UnicodeString& Str, int32_t L);

// Element inserted after every LetterCount units of Content, at most Times
// times; counted from the front, or with FromBehind from the back (the way
// thousands are grouped). When the length is a multiple of LetterCount and
// Times allows it, the result ends (forward) or begins (backward) with
// Element. A LetterCount below 1 inserts nothing.
//   FillEachPosition(u"1234567", u".", 3, 2, true) == u"1.234.567"
//   FillEachPosition(u"123456", u".", 3, 5, true) == u".123.456"
UnicodeString FillEachPosition(const UnicodeString& Content, const UnicodeString& Element,
                               int32_t LetterCount, int32_t Times, bool FromBehind);

// ---- Plurals -------------------------------------------------------------------
// "s" (or Str) unless Count is exactly 1; 0 and negative counts are plural.
//   "3 file" + ShowPluralS(3) == "3 files"

AnsiString ShowPluralS(int32_t Count);
AnsiString Sps(int32_t Count);
UnicodeString ShowPluralSW(int32_t Count);
UnicodeString SpsW(int32_t Count);
AnsiString ShowPluralStr(int32_t Count, const AnsiString& Str);
UnicodeString ShowPluralStrW(int32_t Count, const UnicodeString& Str);

// ---- Flags and suffixes --------------------------------------------------------

// REPLACE_LAST: Content + AppendAllwaysText, then AppendOnRule when Rule.
// REPLACE_FIRST: AppendAllwaysText + Content, preceded by AppendOnRule when
// Rule.
//   AppendW(u"b", u"c", u"x", true, REPLACE_LAST) == u"bcx"
//   AppendW(u"b", u"c", u"x", true, REPLACE_FIRST) == u"xcb"
UnicodeString AppendW(const UnicodeString& Content, const UnicodeString& AppendAllwaysText,
                      const UnicodeString& AppendOnRule, bool Rule, TAPPEND_TYPE AppendType);

// Puts Flag in front (FIRST_POS), behind (LAST_POS) or both (EACH_POS) where
// Content does not already have it (case-sensitive). The front test ignores
// blanks and control characters around both texts, so " /a" gets no second
// "/". An empty Flag changes nothing.
//   AddWhenNotBeginOrEnd(u"path", u"/", EACH_POS) == u"/path/"
UnicodeString AddWhenNotBeginOrEnd(const UnicodeString& Content, const UnicodeString& Flag,
                                   TSEARCH_TYPE Pos_id);

// Removes one Flag at the front (FIRST_POS), at the end (LAST_POS) or both
// (EACH_POS, front first) where Content has it (case-sensitive, exactly at
// the ends: blanks are not skipped). A Content equal to Flag becomes empty.
// An empty Flag changes nothing.
//   DeleteFlagWhenBeginOrEnd(u"/path/", u"/", EACH_POS) == u"path"
UnicodeString DeleteFlagWhenBeginOrEnd(const UnicodeString& Content, const UnicodeString& Flag,
                                       TSEARCH_TYPE Pos_id);
AnsiString DeleteFlagWhenBeginOrEndA(const AnsiString& Content, const AnsiString& Flag,
                                     TSEARCH_TYPE Pos_id);

// Str with Suffix appended unless it already ends with it (case-sensitive).
// An empty Str or Suffix gives Str, so an empty path stays empty.
//   CheckStringSuffixW(u"abc", u"/") == u"abc/";  CheckStringSuffixW(u"abc/", u"/") == u"abc/"
AnsiString CheckStringSuffix(const AnsiString& Str, const AnsiString& Suffix);
UnicodeString CheckStringSuffixW(const UnicodeString& Str, const UnicodeString& Suffix);

// ---- Clearing and bytes --------------------------------------------------------

// Overwrites the first Len bytes (units) of MyString with zeros in place,
// for secrets that must not linger in memory; Len 0 clears the whole string,
// a Len beyond the length stops at the end, a negative Len clears nothing.
// The length never changes. Always true.
//   s = "secret"; ClearString(s, 3) -> s == "\0\0\0ret" (6 bytes)
bool ClearString(AnsiString& MyString, int32_t Len);
bool ClearStringW(UnicodeString& MyString, int32_t Len);

// Str from its first character that is not "0"; a text of zeros only, and
// the empty text, come back unchanged.
//   ClearLeadingZeros("000123") == "123";  ClearLeadingZeros("000") == "000"
AnsiString ClearLeadingZeros(const AnsiString& Str);
UnicodeString ClearLeadingZerosW(const UnicodeString& Str);

// Exactly the bytes of A as a string, and back (zero bytes included).
AnsiString ByteArrayToString(const TbyteArray& A);
TbyteArray StringToByteArray(const AnsiString& S);

}  // namespace TkxStrings
