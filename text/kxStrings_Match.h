// text/kxStrings_Match.h — whether a text matches a pattern: wildcards,
// fuzzy equality, and searches that respect templates.
//
// A template is a text that holds the place-holder "%SEARCH_STRING%" where
// the searched text stands ("net %SEARCH_STRING%"); expanding it replaces
// every place-holder by a text (three-argument ReplaceW). Templates given as
// 8-bit strings are decoded with the codec of Text.h first. Positions are
// 1-based UTF-16 units; IgnoreCase compares the UpperText forms and trimming
// removes every unit at or below U+0020, as in kxStrings_Search.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_Edit.h"

namespace TkxStrings {

// ---- Wildcards ---------------------------------------------------------------
// String1 is the text, StringWithReplacer the pattern. M is the sign for any
// run of characters, O the sign for exactly one character; either may be
// longer than one unit, and the signs are found in the pattern exactly, also
// with IgnoreCase. TrimBefore trims text and pattern first.
//
// Each part of the pattern between two Ms is taken at its FIRST occurrence
// after the text matched so far, without backtracking to a later one, so
//   "a.txt.txt" / "*.txt" and "banana" / "*a" do not match,
// unlike in a shell. Further rules:
// - Without M, each O (at every place where the sign starts, overlapping
//   ones too) stands for the character of the text at the same position;
//   only the first unit of a longer O stands for it, the rest must be in the
//   text. A text that holds the sign itself matches it.
// - With M: an empty part between two Ms ("a**c") matches nothing, so the
//   pattern never matches; a final M takes the rest of the text; an empty
//   pattern matches only an empty text. Inside a later part, Os directly
//   after the M add nothing ("*?a" matches "a"), and a part made of Os only
//   ("ab*?") adds nothing; every other O needs one character of the text
//   ("*a?" does not match "xa").
//
// With the signs: M is MoreVariableCharSign when it is not empty; O is
// OneVariableCharSign when it is not empty and differs from M.
//   EqualsExW(u"REPORT.TXT", u"*.txt", true, true, u"*", u"?") == true
//   EqualsExW(u"aab", u"a*a?", true, true, u"*", u"?") == true
bool EqualsExW(const UnicodeString& String1, const UnicodeString& StringWithReplacer,
               bool TrimBefore, bool IgnoreCase, const UnicodeString& MoreVariableCharSign,
               const UnicodeString& OneVariableCharSign);
// For literal signs, which would otherwise convert to bool and choose the
// overload below.
bool EqualsExW(const UnicodeString& String1, const UnicodeString& StringWithReplacer,
               bool TrimBefore, bool IgnoreCase, const char16_t* MoreVariableCharSign,
               const char16_t* OneVariableCharSign);

// M is "*" when UseStar, O is "_" when UseUnderline.
//   EqualsExW(u"a_c", u"a_c", false, false, false, true) == true
bool EqualsExW(const UnicodeString& String1, const UnicodeString& StringWithReplacer,
               bool TrimBefore, bool IgnoreCase, bool UseStar, bool UseUnderline);

// As above; Percent becomes 100 for a match and 0 otherwise.
bool EqualsExW(const UnicodeString& String1, const UnicodeString& StringWithReplacer,
               bool TrimBefore, bool IgnoreCase, bool UseStar, bool UseUnderline,
               int32_t& Percent);

// ---- Fuzzy equality ----------------------------------------------------------

// Percent is TkxMath::GetDamerauLevenshteinAccuracy of the two texts (0 to
// 100), after trimming (TrimBefore) and upper-casing (IgnoreCase); true when
// Percent is at least MaxDistance, which is therefore the least accuracy in
// percent, not a distance.
//   EqualsWithDistanceW(u"ABC", u"abd", false, true, 60, p) == true, p == 66.67 (rounded)
bool EqualsWithDistanceW(const UnicodeString& String1, const UnicodeString& String2,
                         bool TrimBefore, bool IgnoreCase, double MaxDistance, double& Percent);

// ---- Templates ---------------------------------------------------------------

// True when the occurrences of SearchText in Content that SearchType picks
// (the first, the last or each; overlapping ones count) all stand inside
// Pre + SearchText + Post, compared exactly. An occurrence too close to the
// start for Pre fails. No occurrence gives true.
//   CheckStringTemplate(u"net price", u"net ", u"price", u"", EACH_POS) == true
bool CheckStringTemplate(const UnicodeString& Content, const UnicodeString& Pre,
                         const UnicodeString& SearchText, const UnicodeString& Post,
                         TSEARCH_TYPE SearchType);

// The number (1-based, counting overlapping occurrences from the left) of
// the first occurrence of SearchText in Content that none of the templates
// covers, or 0. A template covers an occurrence when, expanded with
// SearchText, it stands in Content (exactly) so that its place-holder falls
// on the occurrence; a template without place-holder must stand right after
// the occurrence's first unit.
//   (u"the sum of total sum", u"sum", {u"%SEARCH_STRING% of"}) == 2
int32_t CheckSearchStringWithStringTemplates(const UnicodeString& Content,
                                             const UnicodeString& SearchText,
                                             const TStrings& TemplateList);

// The position of the first SearchString in Content, from FromPos on,
// that is not part of an exclusion template, or 0. Searching stops where
// FromPos is no longer below ToPos - length(SearchString), and an
// occurrence beyond ToPos counts as none. An occurrence is excluded when
// the first occurrence of an expanded template from FromPos on starts where
// the template, laid over the occurrence, would start (1 or later); after
// an exclusion the search goes on behind the occurrence.
// Raises EConvertError "endless execution exeption in
// TkxStrings.posIgnoreTemplateW" should the search not advance.
//   (u"net price, price", u"price", 1, 100, {"net %SEARCH_STRING%"}, false) == 12
int32_t PosIgnoreTemplateW(const UnicodeString& Content, const UnicodeString& SearchString,
                           int32_t FromPos, int32_t ToPos,
                           const std::vector<std::string>& ExclutionTemplates, bool IgnoreCase);

// PosIgnoreTemplateW(...) != 0.
bool ContainsBetweenIgnoreTemplates(const UnicodeString& Content,
                                    const UnicodeString& SearchString, int32_t FromPos,
                                    int32_t ToPos,
                                    const std::vector<std::string>& ExclutionTemplates,
                                    bool IgnoreCase);

// Replaces SearchText inside the rule templates, rule by rule (index i from
// 0): with Ts and Tr the template expanded with SearchText and with
// ReplaceText,
// - for i != Pos1RuleId, every Ts in the text becomes Tr (three-argument
//   ReplaceW: nothing when Ts and Tr are equal ignoring case);
// - for i == Pos1RuleId, when the text begins with Ts, its first
//   length(SearchText) units are replaced by ReplaceText.
// Once the text no longer holds SearchText, the remaining rules are skipped.
//   RuleReplace(u"abcXYZ", u"abc", u"Q", {"%SEARCH_STRING%"}, 0) == u"QXYZ"
UnicodeString RuleReplace(const UnicodeString& Content, const UnicodeString& SearchText,
                          const UnicodeString& ReplaceText,
                          const std::vector<std::string>& RuleTemplates, int32_t Pos1RuleId);

}  // namespace TkxStrings
