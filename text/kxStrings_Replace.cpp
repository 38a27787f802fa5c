#include "text/kxStrings_Replace.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "text/kxAnsiStringList.h"
#include "text/kxStrings_Search.h"

namespace TkxStrings {

namespace {

using U16View = std::u16string_view;

// One pass: every Needle found in SearchIn (a text of the same length as
// Original, possibly upper-cased) is replaced by Replacement; the other units
// are copied from Original. Needle must not be empty.
template <class S>
S ReplaceScan(std::basic_string_view<typename S::value_type> Original,
              std::basic_string_view<typename S::value_type> SearchIn,
              std::basic_string_view<typename S::value_type> Needle,
              std::basic_string_view<typename S::value_type> Replacement) {
  using View = std::basic_string_view<typename S::value_type>;
  size_t at = SearchIn.find(Needle);
  if (at == View::npos) return S(Original);
  S out;
  out.reserve(Original.size() + (Replacement.size() > Needle.size() ? Replacement.size() : 0));
  size_t done = 0;
  do {
    out.append(Original.substr(done, at - done));
    out.append(Replacement);
    done = at + Needle.size();
    at = SearchIn.find(Needle, done);
  } while (at != View::npos);
  out.append(Original.substr(done));
  return out;
}

// Non-overlapping occurrences of From in Text, left to right.
size_t CountOccurrences(std::string_view Text, std::string_view From) {
  size_t count = 0;
  for (size_t at = Text.find(From); at != std::string_view::npos;
       at = Text.find(From, at + From.size()))
    ++count;
  return count;
}

// One pass of FastReplaceA: Count occurrences are known, so the result is
// written into one buffer of its final length.
std::string CountedPass(std::string_view Text, std::string_view From, std::string_view To,
                        size_t Count) {
  std::string out(Text.size() - Count * From.size() + Count * To.size(), '\0');
  char* w = out.data();
  size_t done = 0;
  for (size_t at = Text.find(From); at != std::string_view::npos;
       at = Text.find(From, done)) {
    std::memcpy(w, Text.data() + done, at - done);
    w += at - done;
    std::memcpy(w, To.data(), To.size());
    w += To.size();
    done = at + From.size();
  }
  std::memcpy(w, Text.data() + done, Text.size() - done);
  return out;
}

UnicodeString CountText(int32_t Source, int32_t Destination) {
  return u"the two given listStrings has diverent counts... (" + IntToStr(Source) + u"/" +
         IntToStr(Destination) + u")";
}

// The comma-text steps of ReplaceEachElement and ReplaceEachElementW; List
// is the string list whose comma-text rules read the two lists.
template <class List, class S, class Replace>
S ReplaceEachOf(const S& Content, const S& SourceList, const S& DestinationList,
                Replace&& replace) {
  List source;
  List destination;
  source.SetCommaText(SourceList);
  destination.SetCommaText(DestinationList);
  if (source.Count() != destination.Count())
    throw Exception(CountText(source.Count(), destination.Count()));
  S result = Content;
  for (int32_t i = 0; i < source.Count(); ++i)
    result = replace(result, source.Strings(i), destination.Strings(i));
  return result;
}

}  // namespace

// ---- Plain replacing ---------------------------------------------------------

UnicodeString ReplaceW(const UnicodeString& Content, const UnicodeString& SearchText,
                       const UnicodeString& ReplaceText) {
  if (SearchText.empty() || UpperText(SearchText) == UpperText(ReplaceText)) return Content;
  return ReplaceScan<UnicodeString>(Content, Content, SearchText, ReplaceText);
}

UnicodeString ReplaceW(const UnicodeString& Content, const UnicodeString& SearchText,
                       const UnicodeString& ReplaceText, bool IgnoreCase) {
  if (!IgnoreCase) return ReplaceW(Content, SearchText, ReplaceText);
  if (SearchText.empty() || Content.size() < SearchText.size()) return Content;
  // UpperText keeps the length, so positions in the upper-cased copy are
  // positions in Content.
  const UnicodeString upper = UpperText(Content);
  return ReplaceScan<UnicodeString>(Content, upper, UpperText(SearchText), ReplaceText);
}

AnsiString ReplaceA(const AnsiString& Content, const AnsiString& SearchText,
                    const AnsiString& ReplaceText, bool IgnoreCase) {
  if (!IgnoreCase) return FastReplaceA(Content, SearchText, ReplaceText);
  if (SearchText.empty() || Content.size() < SearchText.size()) return Content;
  const std::string upper = AsciiUpper(Content);
  return ReplaceScan<AnsiString>(Content, upper, AsciiUpper(SearchText), ReplaceText);
}

AnsiString FastReplaceA(const AnsiString& SourceStr, const AnsiString& FromStr,
                        const AnsiString& ToStr) {
  if (FromStr.empty() || AsciiUpper(FromStr) == AsciiUpper(ToStr)) return SourceStr;
  if (ToStr.find(FromStr) != AnsiString::npos) {
    const size_t count = CountOccurrences(SourceStr, FromStr);
    return count == 0 ? SourceStr : CountedPass(SourceStr, FromStr, ToStr, count);
  }
  // Passes that shorten the text end by themselves. The others are bounded:
  // at most as many as SourceStr has bytes, and none after the text has
  // outgrown 16 times its first length.
  const bool shortens = ToStr.size() < FromStr.size();
  size_t passesLeft = SourceStr.size();
  const size_t maxLength = SourceStr.size() > std::numeric_limits<size_t>::max() / 16
                               ? std::numeric_limits<size_t>::max()
                               : SourceStr.size() * 16;
  AnsiString text = SourceStr;
  for (;;) {
    const size_t count = CountOccurrences(text, FromStr);
    if (count == 0) break;
    if (!shortens) {
      if (passesLeft == 0) break;
      --passesLeft;
    }
    text = CountedPass(text, FromStr, ToStr, count);
    if (text.size() > maxLength) break;
  }
  return text;
}

// ---- Rule-based replacing ----------------------------------------------------

UnicodeString ReplaceWithoutPos(const UnicodeString& Content, const UnicodeString& SearchText,
                                const UnicodeString& ReplaceText, TSEARCH_TYPE Pos_id) {
  // Without a separator there are no parts; keep the text rather than lose it.
  if (SearchText.empty()) return Content;
  TStringList parts;
  SplitStringW(Content, SearchText, parts);
  const int32_t n = parts.Count();
  const bool keepFirst = Pos_id == FIRST_POS || Pos_id == EACH_POS;
  const bool keepLast = Pos_id == LAST_POS || Pos_id == EACH_POS;
  UnicodeString result;
  result.reserve(Content.size());
  for (int32_t i = 0; i < n; ++i) {
    if (i > 0) {
      const bool first = i == 1;
      const bool last = i == n - 1;
      result += (first && keepFirst) || (last && keepLast) ? SearchText : ReplaceText;
    }
    result += parts.Strings(i);
  }
  return result;
}

UnicodeString ReplaceEachElementW(const UnicodeString& Content,
                                  const UnicodeString& ComaSeperatedListSource,
                                  const UnicodeString& ComaSeperatedListDestination,
                                  bool IgnoreCase) {
  return ReplaceEachOf<TStringList>(Content, ComaSeperatedListSource, ComaSeperatedListDestination,
                       [IgnoreCase](const UnicodeString& text, const UnicodeString& from,
                                    const UnicodeString& to) {
                         return ReplaceW(text, from, to, IgnoreCase);
                       });
}

AnsiString ReplaceEachElement(const AnsiString& Content, const AnsiString& ComaSeperatedListSource,
                              const AnsiString& ComaSeperatedListDestination, bool IgnoreCase) {
  return ReplaceEachOf<TAnsiStringList>(
      Content, ComaSeperatedListSource, ComaSeperatedListDestination,
      [IgnoreCase](const AnsiString& text, const AnsiString& from, const AnsiString& to) {
        return ReplaceA(text, from, to, IgnoreCase);
      });
}

UnicodeString ReplaceEachElementWEx(const UnicodeString& Content, const TStrings& AEqualsBList,
                                    bool IgnoreCase) {
  UnicodeString result = Content;
  for (int32_t i = 0; i < AEqualsBList.Count(); ++i)
    result = ReplaceW(result, AEqualsBList.Names(i), AEqualsBList.ValueFromIndex(i), IgnoreCase);
  return result;
}

UnicodeString GetReplacerStringForReplaceEachElement(const UnicodeString& Content,
                                                     const UnicodeString& ReplaceSign) {
  const size_t commas = static_cast<size_t>(std::count(Content.begin(), Content.end(), u','));
  UnicodeString result;
  result.reserve((commas + 1) * (ReplaceSign.size() + 1));
  result += ReplaceSign;
  for (size_t i = 0; i < commas; ++i) {
    result += u',';
    result += ReplaceSign;
  }
  return result;
}

UnicodeString ReplaceAfterElement(const UnicodeString& Content, const UnicodeString& AfterElement,
                                  const UnicodeString& Source, const UnicodeString& Destination) {
  if (AfterElement.empty() || Source.empty()) return Content;
  const U16View text = Content;
  UnicodeString result;
  result.reserve(Content.size());
  size_t done = 0;
  for (;;) {
    const size_t after = text.find(AfterElement, done);
    if (after == U16View::npos) break;
    const size_t from = after + AfterElement.size();
    const size_t source = text.find(Source, from);
    if (source == U16View::npos) break;
    result.append(text.substr(done, source - done));
    result += Destination;
    done = source + Source.size();
  }
  result.append(text.substr(done));
  return result;
}

UnicodeString ReplaceCharsBeforeString(const UnicodeString& Content,
                                       const UnicodeString& SearchString,
                                       const UnicodeString& ReplaceString, int32_t FromPos,
                                       int32_t CountChars, bool IgnoreCase) {
  const int32_t p = PosW(Content, SearchString, FromPos, IgnoreCase);
  if (p == 0) return Content;
  const size_t hit = static_cast<size_t>(p) - 1;
  const size_t count = CountChars < 0 ? 0 : static_cast<size_t>(CountChars);
  const size_t start = count >= hit ? 0 : hit - count;
  UnicodeString result;
  result.reserve(Content.size() + ReplaceString.size());
  result.append(Content, 0, start);
  result += ReplaceString;
  result.append(Content, hit);
  return result;
}

UnicodeString RemoveCharsBeforeString(const UnicodeString& Content,
                                      const UnicodeString& SearchString, int32_t FromPos,
                                      int32_t CountChars, bool IgnoreCase) {
  return ReplaceCharsBeforeString(Content, SearchString, UnicodeString(), FromPos, CountChars,
                                  IgnoreCase);
}

UnicodeString ReplaceElementWhenInQuotationMarks(const UnicodeString& Content,
                                                 char16_t SearchForReplace, char16_t ReplaceIn) {
  UnicodeString result = Content;
  bool inside = false;
  for (char16_t& c : result) {
    if (c == u'"')
      inside = !inside;
    else if (inside && c == SearchForReplace)
      c = ReplaceIn;
  }
  return result;
}

// ---- Removing ----------------------------------------------------------------

UnicodeString RemoveMoreThenOn(const UnicodeString& Content, const UnicodeString& Element) {
  if (Element.empty()) return Content;
  // Repeated passes, not one scan for runs: for an Element that overlaps
  // itself ("aba") the passes find doubles that a run scan would miss.
  const UnicodeString twice = Element + Element;
  UnicodeString text = Content;
  while (text.find(twice) != UnicodeString::npos)
    text = ReplaceScan<UnicodeString>(text, text, twice, Element);
  return text;
}

UnicodeString RemoveMoreThenOn(const UnicodeString& Content, const UnicodeString& Element,
                               int32_t StartPos) {
  if (StartPos <= 1) return RemoveMoreThenOn(Content, Element);
  const size_t head = std::min(static_cast<size_t>(StartPos) - 1, Content.size());
  return Content.substr(0, head) + RemoveMoreThenOn(Content.substr(head), Element);
}

UnicodeString RemoveMoreThenOneBlanks(const UnicodeString& Content) {
  return RemoveMoreThenOn(Content, u" ");
}

UnicodeString RemoveBlankBetween(const UnicodeString& Content, const UnicodeString& FromString,
                                 const UnicodeString& ToString) {
  static const UnicodeString kAll = u"%ALL%";
  const bool fromAll = FromString == kAll;
  const bool toAll = ToString == kAll;
  if (toAll && !fromAll) return ReplaceW(Content, FromString + u" ", FromString);
  if (fromAll && !toAll) return ReplaceW(Content, u" " + ToString, ToString);
  return ReplaceW(Content, FromString + u" " + ToString, FromString + ToString);
}

UnicodeString ClearIfNotValid(const UnicodeString& Content, const TStrings& AllowedStrings,
                              bool TrimBefore, bool IgnoreCase) {
  return IsNotValid(Content, AllowedStrings, TrimBefore, IgnoreCase) ? UnicodeString() : Content;
}

UnicodeString ClearIfNotValid(const UnicodeString& Content,
                              const UnicodeString& AllowedStringsAsCSVString,
                              const UnicodeString& Seperator, bool TrimBefore, bool IgnoreCase) {
  TStringList allowed;
  if (!SplitStringW(AllowedStringsAsCSVString, Seperator, allowed)) return Content;
  return ClearIfNotValid(Content, allowed, TrimBefore, IgnoreCase);
}

}  // namespace TkxStrings
