#include "text/kxStrings_RegEx.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>
#include <unicode/utypes.h>

#include <charconv>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Trim.h"
#include "text/kxStrings_Edit.h"

namespace TkxStrings {
namespace {

// One compiled pattern over one text; every operation makes its own.
class Matcher {
 public:
  Matcher(const UnicodeString& Pattern, const UnicodeString& Text)
      : text_(Text.data(), static_cast<int32_t>(Text.size())) {
    if (Pattern.empty()) throw ERegExpr(u"regular expression error: empty pattern");
    UErrorCode status = U_ZERO_ERROR;
    UParseError where{};
    pattern_.reset(icu::RegexPattern::compile(
        icu::UnicodeString(Pattern.data(), static_cast<int32_t>(Pattern.size())), UREGEX_DOTALL,
        where, status));
    if (U_SUCCESS(status)) matcher_.reset(pattern_->matcher(text_, status));
    if (U_FAILURE(status)) {
      char offset[16];
      const auto end = std::to_chars(offset, offset + sizeof offset, where.offset).ptr;
      throw ERegExpr(u"regular expression error: " + ToUtf16(u_errorName(status)) +
                     u" at offset " + ToUtf16(std::string_view(offset, end - offset)) + u" in " +
                     Pattern);
    }
  }

  // The next whole match; false when there is none.
  bool Next(UnicodeString& Match) {
    if (!matcher_->find()) return false;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t start = matcher_->start(status);
    const int32_t end = matcher_->end(status);
    if (U_FAILURE(status)) throw ERegExpr(u"regular expression error: " + ToUtf16(u_errorName(status)));
    Match.assign(reinterpret_cast<const char16_t*>(text_.getBuffer()) + start, end - start);
    return true;
  }

 private:
  icu::UnicodeString text_;  // the matcher reads it; it must outlive the matcher
  std::unique_ptr<icu::RegexPattern> pattern_;
  std::unique_ptr<icu::RegexMatcher> matcher_;
};

bool Counts(const UnicodeString& Match) { return !TrimBlanks(Match).empty(); }

// Calls Found for every match that counts until it answers false.
void ForEachMatch(const UnicodeString& Pattern, const UnicodeString& Content,
                  const std::function<bool(const UnicodeString&)>& Found) {
  Matcher matcher(Pattern, Content);
  UnicodeString match;
  while (matcher.Next(match))
    if (Counts(match) && !Found(match)) return;
}

std::vector<UnicodeString> AllMatches(const UnicodeString& Pattern, const UnicodeString& Content) {
  std::vector<UnicodeString> matches;
  ForEachMatch(Pattern, Content, [&](const UnicodeString& m) {
    matches.push_back(m);
    return true;
  });
  return matches;
}

// The text of the first match of Pattern in Entry, or empty when it has
// none; an empty pattern stands for nothing to cut.
UnicodeString FirstMatch(const UnicodeString& Pattern, const UnicodeString& Entry) {
  if (Pattern.empty()) return {};
  Matcher matcher(Pattern, Entry);
  UnicodeString match;
  return matcher.Next(match) ? match : UnicodeString();
}

}  // namespace

bool CheckRegularExpressionOnStr(const UnicodeString& Pattern, const UnicodeString& Content) {
  bool found = false;
  ForEachMatch(Pattern, Content, [&](const UnicodeString&) {
    found = true;
    return false;
  });
  return found;
}

TAnsiStrings& GetAllRegExResults(const AnsiString& Content, const AnsiString& RegEx,
                                 TAnsiStrings& Results) {
  for (const auto& m : AllMatches(ToUtf16(RegEx), ToUtf16(Content))) Results.Add(ToUtf8(m));
  return Results;
}

TStrings& GetAllRegExResults(const UnicodeString& Content, const UnicodeString& RegEx,
                             TStrings& Results) {
  for (const auto& m : AllMatches(RegEx, Content)) Results.Add(m);
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
    ForEachMatch(pattern, Content, [&](const UnicodeString& m) {
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
  const std::vector<UnicodeString> elements =
      AllMatches(u"[(]{1,1}[^(]{1,50}[)]{1,1}", SearchFragment);
  const int64_t count = static_cast<int64_t>(elements.size());
  if (static_cast<int64_t>(ElementNo) - 1 >= count) throw Exception(u"elementNo not found...");
  UnicodeString before, after;
  for (int64_t i = 1; i <= count; ++i) {
    if (i < ElementNo) before += elements[i - 1];
    if (i > ElementNo) after += elements[i - 1];
  }
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
  Matcher matcher(StringWithPattern, String1);
  UnicodeString match;
  if (!matcher.Next(match) || match.empty()) return false;
  Percent = 100;
  return true;
}

}  // namespace TkxStrings
