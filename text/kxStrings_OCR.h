// text/kxStrings_OCR.h — text from character recognition and loose matching:
// OCR text reduced to letters, digits and single blanks; the abbreviations
// under which a word may appear; words written with blanks between their
// letters ("R E C H N U N G"); the length of a text without some characters.
// Lists passed in are added to, never cleared. Nothing here keeps state.
#pragma once

#include <cstdint>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"

namespace TkxStrings {

// Str (UTF-8) reduced to the characters "a"-"z", "A"-"Z", "0"-"9", "ä", "ö",
// "ü", "Ä", "Ö", "Ü", "ß" and single blanks, in this order:
// 1. every control character and every other character becomes a blank;
// 2. of every run of one character four in a row become one (one pass per
//    character, so five become two and eight become two);
// 3. a character standing alone between blanks goes, the text's ends
//    counting as blanks; of two equal lone characters in a row ("a a") only
//    the first goes;
// 4. runs of blanks become one blank, and the text is trimmed.
// The work is done on characters, not bytes, so "Ü" survives in UTF-8.
//   PrepareOCRText("a  bb xxxxx d") == "bb xx";  PrepareOCRText("Über 100 €") == "Über 100"
AnsiString PrepareOCRText(const AnsiString& Str);

// Appends the abbreviations of Content to ResultList, each followed by "."
// with UsePointAtEnd: its prefixes of MinLength to Length - 1 characters,
// longest first; with each prefix of accented letters the same prefix of the
// spelled-out word ("ä" as "ae", "é" as "e", "ß" as "ss", ...) when that
// differs and is new; and its consonant skeleton (its first character and
// its consonants) where a prefix has the skeleton's length. A skeleton
// longer than every prefix (a word whose letters after the first are all
// consonants) comes first, as the word itself. An empty Content adds
// nothing. The list of candidates ignores case but not accents.
//   (u"Bär", 1, false) adds "Ba", "Bä", "Br", "B"
//   (u"Angebot", 3, true) adds "Angebo.", "Angeb.", "Angbt.", "Ange.", "Ang."
//   (u"BMW", 1, false) adds "BMW", "BM", "B"
TStrings& GetAbbreviationList(const UnicodeString& Content, int32_t MinLength,
                              bool UsePointAtEnd, TStrings& ResultList);

// Finds runs of single characters between blanks in Content ("R E C H N U N
// G"), ended by a piece of two or more characters or by the end of the
// text, and judges each run of more than two characters: with SearchWords
// (nullptr or empty: none) the first search word W whose
// GetDamerauLevenshteinAccuracy with the run is at least 100 - 300 /
// Length(W) is appended to FoundWords (empty search words are skipped);
// without search words the run itself is appended.
//   (u"Bitte R E C H N U N G prüfen", {"RECHNUNG", "ANGEBOT"}) adds "RECHNUNG"
TStrings& FindSpacedWritingWords(const UnicodeString& Content, const TStrings* SearchWords,
                                 TStrings& FoundWords);

// The length of Content (trimmed first with TrimBefore) after every item of
// the comma text CommaSeparatedLetters has been removed, case-sensitive, in
// list order. The items are read by the comma-text rules (a blank ends an
// item); a list whose item count is not its number of "," plus one raises
// Exception "the two given listStrings has diverent counts... (1/2)".
//   GetLengthIgnoreLetters(u"12-34.56", u"-,.", false) == 6
int32_t GetLengthIgnoreLetters(const UnicodeString& Content,
                               const UnicodeString& CommaSeparatedLetters, bool TrimBefore);

}  // namespace TkxStrings
