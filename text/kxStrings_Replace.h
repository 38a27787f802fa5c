// text/kxStrings_Replace.h — replacing and removing texts.
//
// The rules of kxStrings_Search.h hold here too (1-based positions, trimming
// of every unit at or below U+0020, IgnoreCase as the UpperText forms).
//
// "One pass" below means: scan from left to right, replace each occurrence
// and go on after it; occurrences never overlap and inserted text is not
// scanned again, so one pass of "a" -> "aa" over "aaa" gives "aaaaaa".
// Two operations repeat passes instead, and say so: FastReplaceA (and with it
// ReplaceA without IgnoreCase) and the RemoveMoreThenOn family.
#pragma once

#include <cstdint>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_Edit.h"

namespace TkxStrings {

// ---- Plain replacing ---------------------------------------------------------
// The overloads of ReplaceW have no default argument on purpose: the
// three-argument form guards against search and replacement texts that are
// equal ignoring case, the four-argument form with IgnoreCase does not.

// One pass replacing every SearchText (case-sensitive) by ReplaceText.
// Content comes back unchanged when SearchText is empty or equals
// ReplaceText ignoring case (their UpperText forms compared unit by unit), so
// replacing "x" by "X" never changes anything.
//   ReplaceW(u"aaa", u"a", u"aa") == u"aaaaaa";  ReplaceW(u"aXa", u"x", u"X") == u"aXa"
UnicodeString ReplaceW(const UnicodeString& Content, const UnicodeString& SearchText,
                       const UnicodeString& ReplaceText);

// Without IgnoreCase the three-argument ReplaceW, guard included. With it,
// one pass that finds SearchText in the UpperText form of Content and has no
// guard: equal texts are replaced like any others.
//   ReplaceW(u"aXa", u"x", u"X", true) == u"aXa" (the X replaced by itself)
//   ReplaceW(u"aaaa", u"aa", u"a", true) == u"aa"
UnicodeString ReplaceW(const UnicodeString& Content, const UnicodeString& SearchText,
                       const UnicodeString& ReplaceText, bool IgnoreCase);

// 8-bit replacing. With IgnoreCase one pass in which only "a"-"z" match
// their upper case; without it FastReplaceA, which repeats passes:
//   ReplaceA("aaaa", "aa", "a", false) == "a";  ReplaceA("aaaa", "aa", "a", true) == "aa"
AnsiString ReplaceA(const AnsiString& Content, const AnsiString& SearchText,
                    const AnsiString& ReplaceText, bool IgnoreCase);

// Case-sensitive 8-bit replacing in passes; each pass counts the occurrences
// first and then writes the result into one buffer of its final length.
// 1. FromStr empty, or equal to ToStr ignoring the case of "a"-"z":
//    SourceStr unchanged.
// 2. ToStr contains FromStr: one pass.
// 3. Otherwise passes repeat while FromStr occurs, so "aa" -> "a" collapses
//    whole runs. Passes that shorten the text always go on (they end by
//    themselves). Passes that keep or grow the length stop after as many
//    such passes as SourceStr has bytes, or as soon as a pass makes the text
//    longer than 16 times SourceStr; the text of the last pass is the result.
//    Every input thus ends in bounded time and memory; a rule that keeps
//    recreating FromStr ("ab" -> "ba" over "abab...") is not carried on
//    without end.
//   FastReplaceA("aaaa", "aa", "a") == "a";  FastReplaceA("abc", "b", "B") == "abc"
AnsiString FastReplaceA(const AnsiString& SourceStr, const AnsiString& FromStr,
                        const AnsiString& ToStr);

// ---- Rule-based replacing ----------------------------------------------------

// Splits Content at SearchText (SplitStringW) and joins the parts with
// ReplaceText, except that the first separator stays SearchText for
// FIRST_POS, the last for LAST_POS and both for EACH_POS. An empty Content
// gives the empty text; an empty SearchText gives Content unchanged.
//   ReplaceWithoutPos(u"a-b-c-d", u"-", u"+", FIRST_POS) == u"a-b+c+d"
//   ReplaceWithoutPos(u"a-b-c-d", u"-", u"+", LAST_POS)  == u"a+b+c-d"
//   ReplaceWithoutPos(u"a-b-c-d", u"-", u"+", EACH_POS)  == u"a-b+c-d"
UnicodeString ReplaceWithoutPos(const UnicodeString& Content, const UnicodeString& SearchText,
                                const UnicodeString& ReplaceText, TSEARCH_TYPE Pos_id);

// Reads both lists as comma texts of a string list (entries end at "," and
// also at blanks and control characters; an entry in double quotes may hold
// both, a doubled quote standing for one; a "," at the very end adds an empty
// entry) and replaces, entry by entry, source i by destination i with
// ReplaceW(..., IgnoreCase); each step works on the result of the one
// before. Lists of different counts raise Exception
// "the two given listStrings has diverent counts... (2/1)" (source count /
// destination count) and nothing is replaced.
//   ReplaceEachElementW(u"ab", u"a,b", u"b,d", false) == u"dd"
UnicodeString ReplaceEachElementW(const UnicodeString& Content,
                                  const UnicodeString& ComaSeperatedListSource,
                                  const UnicodeString& ComaSeperatedListDestination,
                                  bool IgnoreCase);

// 8-bit twin: the lists are read as comma texts of the 8-bit string list and
// each step is ReplaceA (so without IgnoreCase a step repeats its passes).
AnsiString ReplaceEachElement(const AnsiString& Content, const AnsiString& ComaSeperatedListSource,
                              const AnsiString& ComaSeperatedListDestination, bool IgnoreCase);

// For each entry in order, read as name and value at the list's
// NameValueSeparator: Content becomes ReplaceW(Content, name, value,
// IgnoreCase). An entry without the separator changes nothing.
UnicodeString ReplaceEachElementWEx(const UnicodeString& Content, const TStrings& AEqualsBList,
                                    bool IgnoreCase);

// n + 1 copies of ReplaceSign joined by ",", n being the number of "," in
// Content (quoted or not): a destination list for ReplaceEachElementW that
// maps every entry of the comma text Content to ReplaceSign.
//   GetReplacerStringForReplaceEachElement(u"a,b,c", u"#") == u"#,#,#"
UnicodeString GetReplacerStringForReplaceEachElement(const UnicodeString& Content,
                                                     const UnicodeString& ReplaceSign);

// After each AfterElement, from left to right, the first Source that follows
// becomes Destination and the search goes on after it. The operation ends at
// the first AfterElement that no Source follows (the rest stays as it is).
// Case-sensitive; an empty AfterElement or Source changes nothing.
//   ReplaceAfterElement(u"k=v;k=w", u"=", u"v", u"x") == u"k=x;k=w"
UnicodeString ReplaceAfterElement(const UnicodeString& Content, const UnicodeString& AfterElement,
                                  const UnicodeString& Source, const UnicodeString& Destination);

// At the first SearchString at or after FromPos (found as PosW finds it), the
// CountChars units before it (all of them when fewer precede) are replaced by
// ReplaceString; SearchString and the rest stay. CountChars 0 (or negative)
// inserts ReplaceString before the occurrence. Not found: Content unchanged.
//   ReplaceCharsBeforeString(u"abc:d", u":", u"X", 1, 2, false) == u"aX:d"
UnicodeString ReplaceCharsBeforeString(const UnicodeString& Content,
                                       const UnicodeString& SearchString,
                                       const UnicodeString& ReplaceString, int32_t FromPos,
                                       int32_t CountChars, bool IgnoreCase);

// ReplaceCharsBeforeString with an empty ReplaceString.
UnicodeString RemoveCharsBeforeString(const UnicodeString& Content,
                                      const UnicodeString& SearchString, int32_t FromPos,
                                      int32_t CountChars, bool IgnoreCase);

// Every SearchForReplace unit between double quotes becomes ReplaceIn. Each
// double quote toggles "between", starting outside; the quotes stay.
//   ReplaceElementWhenInQuotationMarks(u"a,\"b,c\",d", u',', u';') == u"a,\"b;c\",d"
UnicodeString ReplaceElementWhenInQuotationMarks(const UnicodeString& Content,
                                                 char16_t SearchForReplace, char16_t ReplaceIn);

// ---- Removing ----------------------------------------------------------------

// While Element + Element occurs, one ReplaceW pass replaces it by Element,
// so every run of Element becomes one. An empty Element changes nothing.
//   RemoveMoreThenOn(u"a//b///c", u"/") == u"a/b/c"
UnicodeString RemoveMoreThenOn(const UnicodeString& Content, const UnicodeString& Element);

// The first StartPos - 1 units stay as they are; in the rest every run of
// Element becomes one. Both parts are taken from Content as given (no
// trimming), so they always join up. A StartPos of 1 or less works on the
// whole text.
//   RemoveMoreThenOn(u"\\\\server\\\\share", u"\\", 2) == u"\\\\server\\share"
UnicodeString RemoveMoreThenOn(const UnicodeString& Content, const UnicodeString& Element,
                               int32_t StartPos);

// Every run of blanks (U+0020 only; tabs and line breaks stay) becomes one.
UnicodeString RemoveMoreThenOneBlanks(const UnicodeString& Content);

// One ReplaceW pass removing a blank, with "%ALL%" (literal, case-sensitive)
// as a wildcard for one side:
// - ToString "%ALL%": every FromString + blank becomes FromString;
// - FromString "%ALL%": every blank + ToString becomes ToString;
// - neither or both "%ALL%": FromString + blank + ToString becomes
//   FromString + ToString, all three taken literally.
//   RemoveBlankBetween(u"a : b", u"%ALL%", u":") == u"a: b"
UnicodeString RemoveBlankBetween(const UnicodeString& Content, const UnicodeString& FromString,
                                 const UnicodeString& ToString);

// The empty text when Content equals an entry of AllowedStrings (EqualsW
// with TrimBefore and IgnoreCase), else Content. Despite the name, the listed
// strings are the ones that get cleared: a list of placeholder values such
// as "N/A" and "-" turns them into empty texts.
//   ClearIfNotValid(u"N/A", {"N/A", "-"}, false, false) == u""
UnicodeString ClearIfNotValid(const UnicodeString& Content, const TStrings& AllowedStrings,
                              bool TrimBefore, bool IgnoreCase);

// The same with the strings given as one text split at Seperator
// (SplitStringW); when the split fails, Content.
//   ClearIfNotValid(u"-", u"N/A;-", u";", false, false) == u""
UnicodeString ClearIfNotValid(const UnicodeString& Content,
                              const UnicodeString& AllowedStringsAsCSVString,
                              const UnicodeString& Seperator, bool TrimBefore, bool IgnoreCase);

}  // namespace TkxStrings
