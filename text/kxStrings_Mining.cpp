#include "text/kxStrings_Mining.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"
#include "text/kxStrings_Lists.h"
#include "text/kxStrings_Patterns.h"
#include "text/kxStrings_RegEx.h"
#include "text/kxStrings_Replace.h"

namespace TkxStrings {
namespace {

// The replacements that join a sign to its digits, in the order they run.
constexpr std::u16string_view kSignBlanks[][2] = {
    {u" , ", u","}, {u" ,", u","}, {u", ", u","}, {u" . ", u"."}, {u" .", u"."}, {u". ", u"."},
};

// An OCR look-alike Letter read as Digit: candidates that are the letter
// once or twice and nothing else are emptied, every other occurrence becomes
// the digit.
void ReadLetterAsDigit(TStrings& Candidates, const UnicodeString& Letter,
                       const UnicodeString& Digit) {
  TkxStringLists::ReplaceInWideStringList(Candidates, Letter, u"", false, true, u"");
  TkxStringLists::ReplaceInWideStringList(Candidates, Letter + Letter, u"", false, true, u"");
  TkxStringLists::ReplaceInWideStringList(Candidates, Letter, Digit, false, false, u"");
}

// The 1-based position of the last Sign in Text, 0 without one.
size_t LastPos(std::u16string_view Text, char16_t Sign) {
  const size_t p = Text.rfind(Sign);
  return p == std::u16string_view::npos ? 0 : p + 1;
}

}  // namespace

TStrings& GetAllNumbers(const UnicodeString& Content, bool WithPoint, bool WithComma,
                        TStrings& NumberList) {
  UnicodeString pattern = u"[0-9]{1,1}[0-9";
  if (WithPoint) pattern += u'.';
  if (WithComma) pattern += u',';
  pattern += u"]{0,200}";
  std::vector<std::u16string_view> numbers;
  detail::ForEachRegExMatch(pattern, Content, [&](std::u16string_view match) {
    if (match.back() == u'.' || match.back() == u',') match.remove_suffix(1);
    numbers.push_back(match);
    return true;
  });
  detail::MakeRoom(NumberList, numbers.size());
  for (const std::u16string_view number : numbers) NumberList.Add(UnicodeString(number));
  return NumberList;
}

TStrings& GetAllIDs(const UnicodeString& Content, const UnicodeString& BeginWith,
                    const UnicodeString& EndWith, const UnicodeString& IgnoreCharsCommaList,
                    int32_t MinLength, int32_t MaxLength, TStrings& AllIDs) {
  UnicodeString ignore = IgnoreCharsCommaList;
  std::erase(ignore, u',');
  const UnicodeString pattern = u"(" + BeginWith + u")([0-9" + ignore + u"]{1," +
                                IntToStr(int64_t{MaxLength} + 20) + u"})" + EndWith;
  detail::ForEachRegExMatch(pattern, Content, [&](std::u16string_view match) {
    UnicodeString id(match);
    std::erase_if(id, [&](char16_t c) { return ignore.find(c) != UnicodeString::npos; });
    const int64_t length = static_cast<int64_t>(id.size());
    if (MinLength <= length && length <= MaxLength) AllIDs.Add(id);
    return true;
  });
  return AllIDs;
}

TStrings& GetAllCurrencies(const UnicodeString& Content, TStrings& AllCurrencies) {
  const UnicodeString upper = UpperText(Content);
  for (const std::u16string_view pattern : patterns::kCurrencies) {
    TStringList found;
    GetAllRegExResults(upper, UnicodeString(pattern), found);
    for (int32_t i = 0; i < found.Count(); ++i)
      AllCurrencies.Add(ReplaceW(found.Strings(i), u" ", u"."));
  }
  for (int32_t i = 0; i < AllCurrencies.Count(); ++i) {
    UnicodeString entry = AllCurrencies.Get(i);
    for (const auto& synonym : patterns::kCurrencySynonyms)
      entry = ReplaceW(entry, UnicodeString(synonym.Synonym), UnicodeString(synonym.Code));
    AllCurrencies.Put(i, ReplaceW(entry, u" ", u""));
  }
  TkxStringLists::DeleteWhenEqualsInStringList(AllCurrencies, u"", false, true, u"");
  return AllCurrencies;
}

UnicodeString GetDezimalSign(const UnicodeString& Content, bool ReplaceO, bool Replacel,
                             bool WithoutMinusValues) {
  (void)WithoutMinusValues;
  const std::u16string_view pattern = ReplaceO && Replacel ? patterns::kDecimalsOAndL
                                      : ReplaceO           ? patterns::kDecimalsO
                                      : Replacel           ? patterns::kDecimalsL
                                                           : patterns::kDecimalsPlain;
  TStringList candidates;
  GetAllRegExResults(Content, UnicodeString(pattern), candidates);
  if (ReplaceO) ReadLetterAsDigit(candidates, u"O", u"0");
  if (Replacel) ReadLetterAsDigit(candidates, u"l", u"1");
  for (const auto& [from, to] : kSignBlanks)
    TkxStringLists::ReplaceInWideStringList(candidates, UnicodeString(from), UnicodeString(to),
                                            false, false, u"");
  TkxStringLists::DeleteWhenEqualsInWideStringList(candidates, u"", false, true, u"");

  int32_t points = 0;
  int32_t commas = 0;
  for (int32_t i = 0; i < candidates.Count(); ++i) {
    const std::u16string_view candidate = candidates.Strings(i);
    const size_t comma = LastPos(candidate, u',');
    const size_t point = LastPos(candidate, u'.');
    // A sign with exactly two characters after it counts twice.
    const size_t thirdFromEnd = candidate.size() >= 2 ? candidate.size() - 2 : 0;
    if (comma < point) {
      if (std::count(candidate.begin(), candidate.end(), u'.') == 1)
        points += point == thirdFromEnd ? 2 : 1;
    } else if (std::count(candidate.begin(), candidate.end(), u',') == 1) {
      commas += comma == thirdFromEnd ? 2 : 1;
    }
  }
  return points > commas ? u"." : u",";
}

bool StandardizeMinusInNumeric(UnicodeString& Content, TSEARCH_TYPE Position) {
  Content = UnicodeString(TrimBlanks(Content));
  const UnicodeString digits = DeleteFlagWhenBeginOrEnd(Content, u"-", EACH_POS);
  if (digits.find(u'-') != UnicodeString::npos) return false;
  if (digits.size() < Content.size()) {
    if (Position == FIRST_POS)
      Content = u"-" + digits;
    else if (Position == LAST_POS)
      Content = digits + u"-";
  }
  return true;
}

TStrings& GetEachFragment(const UnicodeString& Content, bool ToLower,
                          const UnicodeString& IgnoreLetterListCommaText, TStrings& WordList) {
  UnicodeString text = Content;
  if (!IgnoreLetterListCommaText.empty()) {
    TStringList ignore;
    ignore.SetCommaText(IgnoreLetterListCommaText);
    for (int32_t i = 0; i < ignore.Count(); ++i) text = ReplaceW(text, ignore.Strings(i), u" ");
  }
  if (ToLower) text = LowerText(text);
  SplitStringW(RemoveMoreThenOneBlanks(text), u" ", WordList);
  return WordList;
}

}  // namespace TkxStrings
