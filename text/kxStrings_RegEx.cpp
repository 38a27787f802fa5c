#include "text/kxStrings_RegEx.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/rtl/Trim.h"
#include "text/kxStrings_Edit.h"
#include "text/kxStrings_Lists.h"

namespace TkxStrings {
namespace {

bool Counts(std::u16string_view Match) { return !TrimBlanks(Match).empty(); }

// Calls Found with every match of Pattern in Content that counts, in order,
// until it answers false. The view points into Content.
template <typename F>
void ForEachMatch(const UnicodeString& Pattern, const UnicodeString& Content, F&& Found) {
  detail::ForEachRegExMatch(Pattern, Content,
                            [&](std::u16string_view match) { return !Counts(match) || Found(match); });
}

// Every match of Pattern in Content that counts; the views point into
// Content.
std::vector<std::u16string_view> AllMatches(const UnicodeString& Pattern,
                                            const UnicodeString& Content) {
  std::vector<std::u16string_view> matches;
  ForEachMatch(Pattern, Content, [&](std::u16string_view m) {
    matches.push_back(m);
    return true;
  });
  return matches;
}

// Adds the matches to Results, making room for all of them at once.
template <typename List, typename Convert>
void AddAll(const std::vector<std::u16string_view>& Matches, List& Results, Convert&& AsEntry) {
  detail::MakeRoom(Results, Matches.size());
  for (const std::u16string_view m : Matches) Results.Add(AsEntry(m));
}

// The text of the first match of Pattern in Entry, or empty when it has
// none; an empty pattern stands for nothing to cut.
UnicodeString FirstMatch(const UnicodeString& Pattern, const UnicodeString& Entry) {
  if (Pattern.empty()) return {};
  TRegExpr expression;
  expression.SetExpression(Pattern);
  return expression.Exec(Entry) ? expression.Match() : UnicodeString();
}

}  // namespace

bool CheckRegularExpressionOnStr(const UnicodeString& Pattern, const UnicodeString& Content) {
  bool found = false;
  ForEachMatch(Pattern, Content, [&](std::u16string_view) {
    found = true;
    return false;
  });
  return found;
}

TAnsiStrings& GetAllRegExResults(const AnsiString& Content, const AnsiString& RegEx,
                                 TAnsiStrings& Results) {
  const UnicodeString content = ToUtf16(Content);
  AddAll(AllMatches(ToUtf16(RegEx), content), Results,
         [](std::u16string_view m) { return ToUtf8(m); });
  return Results;
}

TStrings& GetAllRegExResults(const UnicodeString& Content, const UnicodeString& RegEx,
                             TStrings& Results) {
  AddAll(AllMatches(RegEx, Content), Results,
         [](std::u16string_view m) { return UnicodeString(m); });
  return Results;
}

UnicodeString GetFirstRegExResultAndIndexFromList(const UnicodeString& Content,
                                                  const TStrings& RegExPhases, int32_t StartIndex,
                                                  int32_t& FoundIndex) {
  FoundIndex = -1;
  UnicodeString result;
  for (int32_t i = StartIndex < 0 ? 0 : StartIndex; i < RegExPhases.Count(); ++i) {
    const UnicodeString pattern = RegExPhases.Get(i);
    if (TrimBlanks(pattern).empty()) continue;
    ForEachMatch(pattern, Content, [&](std::u16string_view m) {
      result = m;
      FoundIndex = i;
      return false;
    });
    if (FoundIndex >= 0) break;
  }
  return result;
}

UnicodeString GetFirstRegExResultAndIndexFromList(const UnicodeString& Content,
                                                  const TStrings& RegExPhases, int32_t& FoundIndex) {
  return GetFirstRegExResultAndIndexFromList(Content, RegExPhases, 0, FoundIndex);
}

TStrings& GetFromRegularExpressionEx(const UnicodeString& SearchFragment,
                                     const UnicodeString& Content, int32_t ElementNo,
                                     int32_t FromCharNumber, int32_t ToCharNumber,
                                     TStrings& Results) {
  (void)FromCharNumber;
  (void)ToCharNumber;
  TStringList elements;
  GetAllRegExResults(SearchFragment, u"[(]{1,1}[^(]{1,50}[)]{1,1}", elements);
  const int32_t count = elements.Count();
  if (ElementNo < 1 || ElementNo > count) throw Exception(u"elementNo not found...");
  const UnicodeString before = TkxStringLists::AddValues(elements, 0, ElementNo - 2, false);
  const UnicodeString after = TkxStringLists::AddValues(elements, ElementNo, count - 1, false);
  GetAllRegExResults(Content, SearchFragment, Results);
  for (int32_t i = 0; i < Results.Count(); ++i) {
    UnicodeString entry = Results.Get(i);
    entry = DeleteFlagWhenBeginOrEnd(entry, FirstMatch(before, entry), FIRST_POS);
    entry = DeleteFlagWhenBeginOrEnd(entry, FirstMatch(after, entry), LAST_POS);
    Results.Put(i, entry);
  }
  return Results;
}

TStrings& GetFromRegularExpressionEx(const AnsiString& SearchFragment, const AnsiString& Content,
                                     int32_t ElementNo, int32_t FromCharNumber,
                                     int32_t ToCharNumber, TStrings& Results) {
  return GetFromRegularExpressionEx(ToUtf16(SearchFragment), ToUtf16(Content), ElementNo,
                                    FromCharNumber, ToCharNumber, Results);
}

bool EqualsRegExW(const UnicodeString& String1, const UnicodeString& StringWithPattern,
                  int32_t& Percent) {
  Percent = 0;
  TRegExpr expression;
  expression.SetExpression(StringWithPattern);
  if (!expression.Exec(String1) || expression.MatchLen() == 0) return false;
  Percent = 100;
  return true;
}

}  // namespace TkxStrings
