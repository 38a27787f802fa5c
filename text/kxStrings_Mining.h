// text/kxStrings_Mining.h — small facts pulled out of running text such as
// the OCR text of an invoice: numbers, identifiers, currencies as ISO codes,
// the decimal sign; the place of a minus sign; lower-case words.
//
// The searches run on TRegExpr (platform/regex/RegExpr.h) over the whole
// text, each match taken after the end of the one before. Lists passed in
// are added to, never cleared, and handed back. Nothing here keeps state.
#pragma once

#include <cstdint>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_Edit.h"

namespace TkxStrings {

// Every run of a digit and up to 200 further digits (and "." with WithPoint,
// "," with WithComma); a longer run goes on as the next number. One "." or ","
// at the end of a run is cut off.
//   (u"Preis 12.50, Menge 3", true, true) adds "12.50", "3"
//   (u"12..", true, false) adds "12."
TStrings& GetAllNumbers(const UnicodeString& Content, bool WithPoint, bool WithComma,
                        TStrings& NumberList);

// Every match of "(" + BeginWith + ")([0-9" + ignore characters + "]{1,"
// + (MaxLength + 20) + "})" + EndWith, where the ignore characters are
// IgnoreCharsCommaList without its commas. BeginWith, EndWith and the ignore
// characters are pattern text, not escaped: a "-" after "0-9" is a literal
// hyphen, and a pattern the engine cannot compile (a "\" as last ignore
// character, an unbalanced parenthesis) raises ERegExpr. Each whole match,
// prefix and suffix included, loses every ignore character and is added when
// MinLength <= its length <= MaxLength.
//   (u"Rechnung RE 2021-0042 vom", u"RE", u"", u"-, ", 5, 10) adds "RE20210042"
TStrings& GetAllIDs(const UnicodeString& Content, const UnicodeString& BeginWith,
                    const UnicodeString& EndWith, const UnicodeString& IgnoreCharsCommaList,
                    int32_t MinLength, int32_t MaxLength, TStrings& AllIDs);

// The currencies named in Content, as ISO codes: the upper-cased text is
// searched for EUR, USD, CHF, RUB, JPY and CNY in that order (by names,
// signs and codes; kxStrings_Patterns.h), each match with its blanks as "."
// is added; then every entry of the list, the earlier ones included, has
// names and signs replaced by codes and its blanks removed, and entries left
// empty are deleted.
//   (u"100 Euro und 50 $") adds "EUR", "USD"
TStrings& GetAllCurrencies(const UnicodeString& Content, TStrings& AllCurrencies);

// "." or ",": which of the two the numbers of Content use as decimal sign.
// Every candidate number with exactly one sign of the later kind gives that
// sign a vote, two when two digits follow it. ReplaceO reads the letter "O"
// as 0 and Replacel the letter "l" as 1 (OCR look-alikes). A tie or no vote
// gives ",". WithoutMinusValues has no effect.
//   (u"1.234,56 und 12,50", false, false, false) == u","
//   (u"Betrag 1O5.99", true, false, false) == u"."
UnicodeString GetDezimalSign(const UnicodeString& Content, bool ReplaceO, bool Replacel,
                             bool WithoutMinusValues);

// Trims Content (written back in every case) and moves a minus at either end
// of it to the front (FIRST_POS) or the back (LAST_POS); EACH_POS leaves the
// trimmed text. False, with the text only trimmed, when a minus stands
// inside.
//   u" 12- ", FIRST_POS: true, u"-12";  u"1-2": false
bool StandardizeMinusInNumeric(UnicodeString& Content, TSEARCH_TYPE Position);

// The words of Content: every item of the comma text
// IgnoreLetterListCommaText is replaced by a blank (case-sensitive), the text
// is lower-cased with ToLower, runs of blanks become one and the pieces
// between blanks are added (an empty piece where the text begins or ends
// with a blank).
//   (u"Don't stop", true, u"', ") adds "don", "t", "stop"
TStrings& GetEachFragment(const UnicodeString& Content, bool ToLower,
                          const UnicodeString& IgnoreLetterListCommaText, TStrings& WordList);

}  // namespace TkxStrings
