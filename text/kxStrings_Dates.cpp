#include "text/kxStrings_Dates.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "system/kxDateTime.h"
#include "text/kxStrings_Edit.h"
#include "text/kxStrings_Patterns.h"
#include "text/kxStrings_RegEx.h"
#include "text/kxStrings_Replace.h"
#include "text/kxStrings_Search.h"

namespace TkxStrings {
namespace {

UnicodeString Joined(std::initializer_list<std::u16string_view> Parts) {
  UnicodeString pattern;
  for (const std::u16string_view part : Parts) pattern += part;
  return pattern;
}

// The patterns of a country code, in the order they run.
std::vector<UnicodeString> DatePatterns(const UnicodeString& CountryId) {
  using namespace patterns;
  const UnicodeString de = Joined(
      {kDateDayMonthYear, kDateTwoDigitYear, kDateGermanNames, kDateFrenchShortNames});
  const UnicodeString en = Joined(
      {kDateDayMonthYear, kDateTwoDigitYear, kDateEnglishNames, kDateEnglishShortNames});
  auto is = [&](const char16_t* code) { return EqualsW(CountryId, code, true, true); };
  if (is(u"de")) return {de};
  if (is(u"fr"))
    return {Joined({kDateDayMonthYear, kDateTwoDigitYear, kDateFrenchNames, kDateEnglishShortNames})};
  if (is(u"en")) return {en};
  if (is(u"us"))
    return {Joined({kDateYearFirst, kDateTwoDigitYear, kDateEnglishNames, kDateEnglishShortNames})};
  if (is(u"it"))
    return {Joined({kDateDayMonthYear, kDateTwoDigitYear, kDateItalianNames, kDateSpanishShortNames})};
  if (is(u"es"))
    return {Joined({kDateDayMonthYear, kDateTwoDigitYear, kDateSpanishNames, kDateSpanishShortNames})};
  return {de, en, Joined({kDateFrenchNamesFirst, kDateEnglishShortNames}),
          Joined({kDateItalianNamesFirst, kDateSpanishShortNames}),
          Joined({kDateSpanishNamesFirst, kDateSpanishShortNames})};
}

// Month names to month numbers: each name in list order replaced wherever it
// occurs, as ReplaceEachElementW does with the two comma texts, which are
// read once here rather than for every match.
class MonthNumbers {
 public:
  MonthNumbers() {
    names_.SetCommaText(UnicodeString(patterns::kMonthNames));
    numbers_.SetCommaText(UnicodeString(patterns::kMonthNumbers));
  }

  UnicodeString Apply(UnicodeString Text) const {
    for (int32_t i = 0; i < names_.Count() && i < numbers_.Count(); ++i)
      if (Text.find(names_.Strings(i)) != UnicodeString::npos)
        Text = ReplaceW(Text, names_.Strings(i), numbers_.Strings(i));
    return Text;
  }

 private:
  TStringList names_;
  TStringList numbers_;
};

// Adds Entry(T, T') to List for every date the patterns of CountryId find,
// making room for all of them at once.
template <typename F>
void AddDates(const UnicodeString& Content, const UnicodeString& CountryId, bool GetWithOutNames,
              TStrings& List, F&& Entry) {
  const UnicodeString content = LowerText(Content);
  std::optional<MonthNumbers> months;
  if (GetWithOutNames) months.emplace();
  std::vector<UnicodeString> entries;
  for (const UnicodeString& pattern : DatePatterns(CountryId)) {
    detail::ForEachRegExMatch(pattern, content, [&](std::u16string_view match) {
      const UnicodeString found(match);
      entries.push_back(Entry(found, months ? ReplaceW(months->Apply(found), u" ", u"") : found));
      return true;
    });
  }
  detail::MakeRoom(List, entries.size());
  for (const UnicodeString& entry : entries) List.Add(entry);
}

const std::vector<AnsiString>& DayFirst() {
  static const std::vector<AnsiString> formats{"dd-mm-yyyy"};
  return formats;
}

const std::vector<AnsiString>& YearFirst() {
  static const std::vector<AnsiString> formats{"yyyy-mm-dd"};
  return formats;
}

// A found text cut into its completed parts, and the date they make (0 for
// none).
struct FoundDate {
  UnicodeString Day;
  UnicodeString Month;
  UnicodeString Year;
  TDateTime Date;

  UnicodeString YearFirstText() const { return Year + u"-" + Month + u"-" + Day; }
};

// Reads one found text; false when it does not cut into three parts.
// Separator is the one of the entry before and becomes this entry's. Raises
// EConvertError for a two-character year that is no number.
bool ReadFoundDate(const UnicodeString& Text, UnicodeString& Separator, FoundDate& Out) {
  for (const char16_t* sign : {u".", u"/", u"\\", u"-"}) {
    if (Contains(Text, sign, false)) {
      Separator = sign;
      break;
    }
  }
  TStringList parts;
  SplitStringW(Text, Separator, parts);
  if (parts.Count() != 3) return false;
  Out.Day = FillStrNullW(parts.Strings(0), 2);
  Out.Month = FillStrNullW(parts.Strings(1), 2);
  Out.Year = parts.Strings(2);
  if (Out.Year.size() == 2) Out.Year = (StrToInt(Out.Year) <= 70 ? u"20" : u"19") + Out.Year;
  Out.Date = TkxDateTime::StrToDateExt(Out.Day + u"-" + Out.Month + u"-" + Out.Year, DayFirst(),
                                       TDateTime(0));
  return true;
}

// UpToNow: NOT_IN_FUTURE keeps now itself.
bool Passes(TFUTURE_TYPE FutureType, TDateTime Date, bool UpToNow) {
  switch (FutureType) {
    case NOT_IN_FUTURE:
      return UpToNow ? Date <= Now() : Date < Now();
    case IN_FUTURE:
      return Date > Now();
    case OLD_AND_FUTURE:
      break;
  }
  return true;
}

// Calls Take(i, date) for every entry i (of the count at the start) whose
// text TextOf(i) reads and passes. The first error ends the loop.
template <typename TextOf, typename Take>
void CleanEntries(const TStrings& List, TFUTURE_TYPE FutureType, bool UpToNow, TextOf&& textOf,
                  Take&& take) {
  UnicodeString separator;
  try {
    const int32_t count = List.Count();
    for (int32_t i = 0; i < count && i < List.Count(); ++i) {
      FoundDate date;
      if (ReadFoundDate(textOf(i), separator, date) && Passes(FutureType, date.Date, UpToNow))
        take(i, date);
    }
  } catch (const Exception&) {
  }
}

void MakeSortedWithoutDuplicates(TStrings& List) {
  List.SetDuplicates(dupIgnore);
  List.SetSorted(true);
}

TDateTime FromFirstOrLastCleaned(TFUTURE_TYPE FutureType, const TStrings& AllDatesList,
                                 bool Last) {
  TStringList cleaned;
  GetCleanDateWideStringList(FutureType, AllDatesList, cleaned);
  if (cleaned.Count() == 0) return TDateTime(0);
  const UnicodeString& text = cleaned.Strings(Last ? cleaned.Count() - 1 : 0);
  return TkxDateTime::StrToDateExt(SubStringW(text, 9, 11, false, false) + u"-" +
                                       SubStringW(text, 6, 8, false, false) + u"-" +
                                       SubStringW(text, 1, 5, false, false),
                                   DayFirst(), TDateTime(0));
}

}  // namespace

TStrings& GetAllDatesW(const UnicodeString& Content, const UnicodeString& CountryId,
                       bool GetWithOutNames, TStrings& AllDatesList) {
  AddDates(Content, CountryId, GetWithOutNames, AllDatesList,
           [](const UnicodeString&, const UnicodeString& converted) { return converted; });
  return AllDatesList;
}

THashedStringList& GetAllDatesW(const UnicodeString& Content, const UnicodeString& CountryId,
                                bool GetWithOutNames, THashedStringList& AllDatesList) {
  AddDates(Content, CountryId, GetWithOutNames, AllDatesList,
           [](const UnicodeString& found, const UnicodeString& converted) {
             return found + u"=" + converted;
           });
  return AllDatesList;
}

TDateTimes GetCleanDates(TFUTURE_TYPE FutureType, const TStrings& AllDatesList) {
  TDateTimes dates;
  CleanEntries(
      AllDatesList, FutureType, true, [&](int32_t i) { return AllDatesList.Strings(i); },
      [&](int32_t, const FoundDate& date) { dates.push_back(date.Date); });
  return dates;
}

TStrings& GetCleanDateWideStringList(TFUTURE_TYPE FutureType, const TStrings& AllDatesList,
                                     TStrings& ResultWideStringList) {
  MakeSortedWithoutDuplicates(ResultWideStringList);
  CleanEntries(
      AllDatesList, FutureType, false, [&](int32_t i) { return AllDatesList.Strings(i); },
      [&](int32_t, const FoundDate& date) { ResultWideStringList.Add(date.YearFirstText()); });
  return ResultWideStringList;
}

THashedStringList& GetCleanDateHashedStringList(TFUTURE_TYPE FutureType,
                                                const THashedStringList& AllDatesList,
                                                THashedStringList& ResultWideStringList) {
  MakeSortedWithoutDuplicates(ResultWideStringList);
  CleanEntries(
      AllDatesList, FutureType, false,
      [&](int32_t i) { return AllDatesList.GetValue(AllDatesList.GetName(i)); },
      [&](int32_t i, const FoundDate& date) {
        ResultWideStringList.Add(AllDatesList.GetName(i) + u"=" + date.YearFirstText());
      });
  return ResultWideStringList;
}

TDateTime GetNewestDate(TFUTURE_TYPE FutureType, const TStrings& AllDatesList) {
  return FromFirstOrLastCleaned(FutureType, AllDatesList, true);
}

TDateTime GetOldestDate(TFUTURE_TYPE FutureType, const TStrings& AllDatesList) {
  return FromFirstOrLastCleaned(FutureType, AllDatesList, false);
}

TDateTime GetNewestDate(TFUTURE_TYPE FutureType, bool IsCleanlist,
                        const THashedStringList& AllDatesList) {
  if (IsCleanlist) {
    TDateTime best(0);
    for (int32_t i = 0; i < AllDatesList.Count(); ++i) {
      const TDateTime date =
          TkxDateTime::StrToDateExt(AllDatesList.GetValueFromIndex(i), YearFirst(), TDateTime(0));
      if (date > best && (FutureType != NOT_IN_FUTURE || date <= Now())) best = date;
    }
    return best;
  }
  THashedStringList cleaned;
  GetCleanDateHashedStringList(FutureType, AllDatesList, cleaned);
  if (cleaned.Count() == 0) return TDateTime(0);
  TDateTime latest =
      TkxDateTime::StrToDateExt(cleaned.GetValueFromIndex(0), YearFirst(), TDateTime(0));
  for (int32_t i = 1; i < cleaned.Count(); ++i)
    latest = std::max(latest, TkxDateTime::StrToDateExt(cleaned.GetValueFromIndex(i), YearFirst(),
                                                        TDateTime(0)));
  return latest;
}

}  // namespace TkxStrings
