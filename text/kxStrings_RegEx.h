// text/kxStrings_RegEx.h — the toolkit's common questions to the regular-
// expression engine: does a pattern match, all matches, the first match of
// a list of patterns, one parenthesised element of every match, a pattern
// as an equality test.
//
// Every operation runs its own TRegExpr (platform/regex/RegExpr.h, which
// says what a pattern means): it scans the whole text from the start and
// takes each whole match in turn; after an empty match the search goes on
// one unit further. A match counts only when it is not empty after trimming
// (every unit at or below U+0020 removed at both ends), except in
// EqualsRegExW; a match that counts is kept untrimmed. 8-bit texts are
// decoded with the codec of Text.h before matching and matches are encoded
// back.
//
// A pattern the engine cannot compile, the empty pattern among them, raises
// ERegExpr out of every operation, and so does a search that stops on one
// of the engine's limits rather than passing for no match. Lists passed in
// are added to, never cleared, and handed back.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "platform/regex/RegExpr.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "text/kxAnsiStringList.h"

namespace TkxStrings {

namespace detail {

// Calls Found with the view of every match of Pattern in Content (empty ones
// too), in order, until it answers false. The view points into Content.
template <typename F>
void ForEachRegExMatch(const UnicodeString& Pattern, const UnicodeString& Content, F&& Found) {
  TRegExpr expression;
  expression.SetExpression(Pattern);
  for (bool more = expression.Exec(Content); more; more = expression.ExecNext()) {
    const std::u16string_view match = std::u16string_view(Content).substr(
        static_cast<size_t>(expression.MatchPos() - 1), static_cast<size_t>(expression.MatchLen()));
    if (!Found(match)) return;
  }
}

// Makes room in List for More entries beyond its count at once, growing by
// a quarter at least, so that many small additions stay linear.
template <typename List>
void MakeRoom(List& Results, size_t More) {
  const int64_t capacity = Results.Capacity();
  const int64_t needed = int64_t{Results.Count()} + static_cast<int64_t>(More);
  const int64_t wanted = std::max(needed, capacity + capacity / 4);
  if (needed > capacity && wanted <= INT32_MAX) Results.SetCapacity(static_cast<int32_t>(wanted));
}

}  // namespace detail

// True at the first match that counts.
//   CheckRegularExpressionOnStr(u"\\s+", u"a b") == false  (only blanks)
bool CheckRegularExpressionOnStr(const UnicodeString& Pattern, const UnicodeString& Content);

// Adds every match that counts to Results, in order.
//   GetAllRegExResults(u"a1 b22 c333", u"\\d+", list) adds "1", "22", "333"
TAnsiStrings& GetAllRegExResults(const AnsiString& Content, const AnsiString& RegEx,
                                 TAnsiStrings& Results);
TStrings& GetAllRegExResults(const UnicodeString& Content, const UnicodeString& RegEx,
                             TStrings& Results);

// The first match that counts of the first pattern of RegExPhases, from
// StartIndex on (below 0 counts as 0), that has one; FoundIndex is that
// pattern's index. Patterns that are empty after trimming are skipped (the
// others are used untrimmed). Nothing found: "" and FoundIndex -1.
//   patterns {"", "x+", "\\d+"} on u"ab12": u"12", FoundIndex 2
UnicodeString GetFirstRegExResultAndIndexFromList(const UnicodeString& Content,
                                                  const TStrings& RegExPhases, int32_t StartIndex,
                                                  int32_t& FoundIndex);
UnicodeString GetFirstRegExResultAndIndexFromList(const UnicodeString& Content,
                                                  const TStrings& RegExPhases, int32_t& FoundIndex);

// Every match of SearchFragment in Content, reduced to the text of its
// ElementNo-th parenthesised element (1-based). The elements are the parts
// of SearchFragment that an opening parenthesis, 1 to 50 characters other
// than "(" and a closing parenthesis make, so nested groups are not
// elements. The matches are added to Results; then every entry of Results,
// those that were there before included, loses the first match of the
// elements before ElementNo (joined) when the entry begins with it, and
// then the first match of the elements after it when the entry ends with
// it. With no elements before (or after) nothing is cut at that end, and a
// cut whose pattern does not match leaves the entry as it is.
// FromCharNumber and ToCharNumber are not used.
// Raises Exception "elementNo not found..." when ElementNo is below 1 or
// SearchFragment has fewer than ElementNo elements.
//   (u"(a+)(\\d+)(b+)", u"xaa12bbx", 2, ...) adds "12"
TStrings& GetFromRegularExpressionEx(const UnicodeString& SearchFragment,
                                     const UnicodeString& Content, int32_t ElementNo,
                                     int32_t FromCharNumber, int32_t ToCharNumber,
                                     TStrings& Results);
TStrings& GetFromRegularExpressionEx(const AnsiString& SearchFragment, const AnsiString& Content,
                                     int32_t ElementNo, int32_t FromCharNumber,
                                     int32_t ToCharNumber, TStrings& Results);

// True with Percent 100 when the first match of StringWithPattern in
// String1 is not empty (blanks count); else false with Percent 0. The
// pattern is searched, not anchored.
//   EqualsRegExW(u"abc", u"b", p) == true, p == 100
bool EqualsRegExW(const UnicodeString& String1, const UnicodeString& StringWithPattern,
                  int32_t& Percent);

}  // namespace TkxStrings
