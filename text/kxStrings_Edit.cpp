#include "text/kxStrings_Edit.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "platform/rtl/Trim.h"
#include "text/kxStrings_Search.h"

namespace TkxStrings {

namespace {


// At most this many zeros are ever put in front by the zero-fill operations.
constexpr int64_t kMaxZeros = 61;

// The cut rule on a view: Count units from the 1-based Start. Start and
// Count are 64-bit so that ToPos - FromPos cannot overflow.
template <class View>
View Cut(View Text, int64_t Start, int64_t Count) {
  if (Start < 1) Start = 1;
  if (Count <= 0 || Start > static_cast<int64_t>(Text.size())) return View();
  return Text.substr(static_cast<size_t>(Start - 1), static_cast<size_t>(Count));
}

template <class View>
View TrimIf(View Text, bool Trim) {
  return Trim ? TrimBlanks(Text) : Text;
}

template <class View>
View SubFrom(View Content, int64_t From, bool TrimBefore, bool TrimAfter) {
  const View text = TrimIf(Content, TrimBefore);
  return TrimIf(Cut(text, From, static_cast<int64_t>(text.size())), TrimAfter);
}

template <class View>
View SubRange(View Content, int64_t FromPos, int64_t ToPos, bool TrimBefore, bool TrimAfter) {
  return TrimIf(Cut(TrimIf(Content, TrimBefore), FromPos, ToPos - FromPos), TrimAfter);
}

// 0-based index of the first Search in Text at or after index start; npos
// when there is none or Search is empty.
template <class View>
size_t FindAt(View Text, View Search, size_t start) {
  if (Search.empty() || start > Text.size()) return View::npos;
  return Text.find(Search, start);
}

// Calls add(part) for every part of Source between SplitAt separators, as if
// SplitAt were appended to a non-empty Source: a trailing separator gives a
// final empty part. Scans with an index; nothing is erased from the front.
template <class View, class AddPart>
bool SplitInto(View Source, View SplitAt, AddPart add) {
  if (Source.empty() || SplitAt.empty()) return true;
  try {
    size_t start = 0;
    for (;;) {
      const size_t hit = Source.find(SplitAt, start);
      if (hit == View::npos) break;
      add(Source.substr(start, hit - start));
      start = hit + SplitAt.size();
    }
    add(Source.substr(start));
  } catch (...) {
    // Whatever a list or its handlers raise ends the split; the parts added
    // so far stay.
    return false;
  }
  return true;
}

template <class S>
bool SplitFirst(const S& Source, const S& SplitAt, S& Left, S& Right) {
  const size_t hit = SplitAt.empty() ? S::npos : Source.find(SplitAt);
  if (hit == S::npos) {
    S left = Source;  // Source may be Right
    Right.clear();
    Left = std::move(left);
    return false;
  }
  S left = Source.substr(0, hit);
  S right = Source.substr(hit + SplitAt.size());
  Left = std::move(left);
  Right = std::move(right);
  return true;
}

template <class S>
S FillZeros(const S& Text, int32_t Max) {
  const int64_t missing = std::min<int64_t>(int64_t{Max} - static_cast<int64_t>(Text.size()),
                                            kMaxZeros);
  if (missing <= 0) return Text;
  S out(static_cast<size_t>(missing), typename S::value_type('0'));
  out += Text;
  return out;
}

std::string DecimalText(int64_t Nr) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, Nr);
  return std::string(buf, r.ptr);
}

template <class S>
S FillBlanks(const S& Str, int32_t L, bool Front) {
  const int64_t missing = int64_t{L} - static_cast<int64_t>(Str.size());
  if (missing <= 0) return Str;
  const S blanks(static_cast<size_t>(missing), typename S::value_type(' '));
  return Front ? blanks + Str : Str + blanks;
}

template <class S>
S DeleteFlag(const S& Content, const S& Flag, TSEARCH_TYPE Pos_id) {
  if (Flag.empty()) return Content;
  std::basic_string_view<typename S::value_type> text = Content;
  // Exact tests at the very ends: what is removed is exactly what was tested.
  if ((Pos_id == FIRST_POS || Pos_id == EACH_POS) && text.starts_with(Flag))
    text.remove_prefix(Flag.size());
  if ((Pos_id == LAST_POS || Pos_id == EACH_POS) && text.ends_with(Flag))
    text.remove_suffix(Flag.size());
  return S(text);
}

template <class S>
S SuffixChecked(const S& Str, const S& Suffix) {
  if (Str.empty() || Suffix.empty()) return Str;
  if (std::basic_string_view<typename S::value_type>(Str).ends_with(Suffix)) return Str;
  return Str + Suffix;
}

template <class S>
bool ClearUnits(S& MyString, int32_t Len) {
  if (Len < 0) return true;
  const size_t n = Len == 0 ? MyString.size() : std::min(MyString.size(), static_cast<size_t>(Len));
  std::fill_n(MyString.data(), n, typename S::value_type(0));
  return true;
}

template <class S>
S WithoutLeadingZeros(const S& Str) {
  const size_t first = Str.find_first_not_of(typename S::value_type('0'));
  return first == S::npos ? Str : Str.substr(first);
}

}  // namespace

// ---- Substrings --------------------------------------------------------------

UnicodeString SubStringW(const UnicodeString& Content, int32_t From, bool TrimBefore,
                         bool TrimAfter) {
  return UnicodeString(SubFrom(std::u16string_view(Content), From, TrimBefore, TrimAfter));
}

UnicodeString SubStringW(const UnicodeString& Content, int32_t FromPos, int32_t ToPos,
                         bool TrimBefore, bool TrimAfter) {
  return UnicodeString(
      SubRange(std::u16string_view(Content), FromPos, ToPos, TrimBefore, TrimAfter));
}

AnsiString SubStringA(const AnsiString& Content, int32_t From, bool TrimBefore, bool TrimAfter) {
  return AnsiString(SubFrom(std::string_view(Content), From, TrimBefore, TrimAfter));
}

AnsiString SubStringA(const AnsiString& Content, int32_t FromPos, int32_t ToPos, bool TrimBefore,
                      bool TrimAfter) {
  return AnsiString(SubRange(std::string_view(Content), FromPos, ToPos, TrimBefore, TrimAfter));
}

UnicodeString Add(const UnicodeString& Content, const UnicodeString& AddString, int32_t Pos) {
  const size_t at = Pos <= 0 ? 0 : std::min(Content.size(), static_cast<size_t>(Pos));
  UnicodeString out;
  out.reserve(Content.size() + AddString.size());
  out.append(Content, 0, at).append(AddString).append(Content, at);
  return out;
}

// ---- Text between markers ----------------------------------------------------

AnsiString GetBetween(const AnsiString& Str, const AnsiString& F, const AnsiString& L) {
  const std::string_view str = Str;
  const size_t p = FindAt<std::string_view>(str, F, 0);
  if (p == std::string_view::npos) return AnsiString();
  const size_t begin = p + F.size();
  if (L.empty()) return AnsiString(TrimBlanks(str.substr(begin)));
  // L is looked for only behind the whole of F, so a marker pair like
  // "\"" "\"" does not find the opening quote as its own end.
  const size_t q = FindAt<std::string_view>(str, L, begin);
  if (q == std::string_view::npos) return AnsiString();
  return AnsiString(TrimBlanks(str.substr(begin, q - begin)));
}

UnicodeString GetBetweenW(const UnicodeString& Str, const UnicodeString& F,
                          const UnicodeString& L) {
  const std::u16string_view str = Str;
  const size_t p = FindAt<std::u16string_view>(str, F, 0);
  if (p == std::u16string_view::npos) return UnicodeString();
  const size_t begin = p + F.size();
  if (L.empty()) return UnicodeString(TrimBlanks(str.substr(begin)));
  const size_t q = str.rfind(L);
  if (q == std::u16string_view::npos || q < begin) return UnicodeString();
  return UnicodeString(TrimBlanks(str.substr(begin, q - begin)));
}

TBetweenSearchResult GetBetweenW(const UnicodeString& Content, const UnicodeString& StartLetter,
                                 const UnicodeString& StopLetter,
                                 int32_t PosBeginSearchStartLetter,
                                 int32_t PosBeginSearchEndLetter) {
  TBetweenSearchResult result;
  const int64_t length = static_cast<int64_t>(Content.size());
  if (PosBeginSearchStartLetter > PosBeginSearchEndLetter || PosBeginSearchStartLetter > length ||
      PosBeginSearchEndLetter > length)
    return result;
  if (PosBeginSearchStartLetter >= 1)
    result.BeginPos = PosW(Content, StartLetter, PosBeginSearchStartLetter, false);
  const int64_t startEnd = int64_t{result.BeginPos} + static_cast<int64_t>(StartLetter.size());
  int64_t endSearch = PosBeginSearchEndLetter;
  if (endSearch < result.BeginPos) {
    endSearch = startEnd;
    if (endSearch > length) return result;
  }
  result.EndPos = PosW(Content, StopLetter, static_cast<int32_t>(endSearch), false);
  const std::u16string_view content = Content;
  if (result.BeginPos > 0 && result.EndPos > 0)
    result.ResultString =
        UnicodeString(TrimBlanks(Cut(content, startEnd, result.EndPos - startEnd)));
  else if (result.BeginPos > 0 && StopLetter.empty())
    result.ResultString = UnicodeString(TrimBlanks(Cut(content, startEnd, length)));
  return result;
}

UnicodeString GetCharsBeforeString(const UnicodeString& Content,
                                   const UnicodeString& SearchString, int32_t FromPos,
                                   int32_t CountChars, bool IgnoreCase) {
  const int32_t p = PosW(Content, SearchString, FromPos, IgnoreCase);
  if (p == 0 || CountChars <= 0) return UnicodeString();
  const int32_t before = p - 1;
  const int32_t take = std::min(CountChars, before);
  return Content.substr(static_cast<size_t>(before - take), static_cast<size_t>(take));
}

// ---- Words and elements --------------------------------------------------------

UnicodeString GetLastWords(const UnicodeString& Content, int32_t Count) {
  TStringList words;
  words.SetDelimiter(u' ');
  words.SetQuoteChar(u'"');
  words.SetDelimitedText(Content);
  UnicodeString result;
  int32_t taken = 0;
  for (int32_t i = words.Count() - 1; i >= 0; --i) {
    if (Count >= 1 && taken >= Count) break;
    const UnicodeString& word = words.Strings(i);
    if (TrimBlanks(word).empty()) continue;
    result.insert(0, word + u' ');
    ++taken;
  }
  return UnicodeString(TrimBlanks(result));
}

UnicodeString GetLastElement(const UnicodeString& Content, const UnicodeString& Separator,
                             bool IgnoreWhenItsLastPosition) {
  std::u16string_view text = Content;
  int32_t a = GetLastPosW(Content, Separator, false);
  // The separator ends the text only when nothing at all follows it.
  if (IgnoreWhenItsLastPosition && a > 0 &&
      static_cast<size_t>(a - 1) + Separator.size() == Content.size()) {
    text = text.substr(0, static_cast<size_t>(a - 1));
    a = GetLastPosW(UnicodeString(text), Separator, false);
  }
  return UnicodeString(TrimBlanks(text.substr(static_cast<size_t>(a))));
}

// ---- Splitting -----------------------------------------------------------------

bool SplitString(const AnsiString& Source, const AnsiString& SplitAt, TStrings& List) {
  return SplitInto<std::string_view>(Source, SplitAt,
                                     [&List](std::string_view part) { List.Add(ToUtf16(part)); });
}

bool SplitString(const AnsiString& Source, const AnsiString& SplitAt, TAnsiStrings& List) {
  return SplitInto<std::string_view>(Source, SplitAt,
                                     [&List](std::string_view part) { List.Add(AnsiString(part)); });
}

bool SplitStringW(const UnicodeString& Source, const UnicodeString& SplitAt, TStrings& List) {
  return SplitInto<std::u16string_view>(
      Source, SplitAt, [&List](std::u16string_view part) { List.Add(UnicodeString(part)); });
}

bool SplitFirstString(const AnsiString& Source, const AnsiString& SplitAt, AnsiString& Left,
                      AnsiString& Right) {
  return SplitFirst(Source, SplitAt, Left, Right);
}

bool SplitFirstStringW(const UnicodeString& Source, const UnicodeString& SplitAt,
                       UnicodeString& Left, UnicodeString& Right) {
  return SplitFirst(Source, SplitAt, Left, Right);
}

bool SplitAfterLastNumber(const UnicodeString& Content, UnicodeString& StringBefore,
                          UnicodeString& StringBehind, bool AllowTypicleTypeSeparators,
                          int32_t TypeId) {
  std::u16string_view extra;
  if (AllowTypicleTypeSeparators && TypeId == 5) extra = u".,";  // currency
  if (AllowTypicleTypeSeparators && TypeId == 2) extra = u".-/";  // date
  for (size_t i = Content.size(); i-- > 0;) {
    const char16_t c = Content[i];
    if ((c >= u'0' && c <= u'9') || extra.find(c) != std::u16string_view::npos) {
      UnicodeString before = Content.substr(0, i + 1);
      UnicodeString behind = Content.substr(i + 1);
      StringBefore = std::move(before);
      StringBehind = std::move(behind);
      return true;
    }
  }
  return false;
}

bool SplitBeforeFirstNumber(const UnicodeString& Content, UnicodeString& StringBefore,
                            UnicodeString& StringBehind) {
  const size_t p = Content.find_first_of(u"0123456789");
  if (p == UnicodeString::npos) return false;
  UnicodeString before = Content.substr(0, p);
  UnicodeString behind = Content.substr(p);
  StringBefore = std::move(before);
  StringBehind = std::move(behind);
  return true;
}

// ---- Padding -------------------------------------------------------------------

AnsiString FillIntNull(int64_t Nr, int32_t Max) { return FillZeros(DecimalText(Nr), Max); }

UnicodeString FillIntNullW(int64_t Nr, int32_t Max) {
  return FillZeros(ToUtf16(DecimalText(Nr)), Max);
}

AnsiString FillStrNull(const AnsiString& Str, int32_t Max) { return FillZeros(Str, Max); }

UnicodeString FillStrNullW(const UnicodeString& Str, int32_t Max) { return FillZeros(Str, Max); }

AnsiString FillBlankFront(const AnsiString& Str, int32_t L) { return FillBlanks(Str, L, true); }
UnicodeString FillBlankFront(const UnicodeString& Str, int32_t L) {
  return FillBlanks(Str, L, true);
}
AnsiString FillBlankBack(const AnsiString& Str, int32_t L) { return FillBlanks(Str, L, false); }
UnicodeString FillBlankBack(const UnicodeString& Str, int32_t L) {
  return FillBlanks(Str, L, false);
}

UnicodeString FillEachPosition(const UnicodeString& Content, const UnicodeString& Element,
                               int32_t LetterCount, int32_t Times, bool FromBehind) {
  if (LetterCount < 1 || Times < 1 || Element.empty()) return Content;
  UnicodeString out;
  out.reserve(Content.size() +
              Element.size() * std::min<size_t>(static_cast<size_t>(Times),
                                                Content.size() / static_cast<size_t>(LetterCount)));
  // Backward the text is built reversed and turned round at the end; Element
  // goes in reversed so that it reads right after the turn.
  UnicodeString element = Element;
  if (FromBehind) std::reverse(element.begin(), element.end());
  const size_t n = Content.size();
  int32_t counter = 0;
  int32_t inserted = 0;
  for (size_t k = 0; k < n; ++k) {
    out += Content[FromBehind ? n - 1 - k : k];
    if (++counter == LetterCount && inserted < Times) {
      out += element;
      counter = 0;
      ++inserted;
    }
  }
  if (FromBehind) std::reverse(out.begin(), out.end());
  return out;
}

// ---- Plurals -------------------------------------------------------------------

AnsiString ShowPluralS(int32_t Count) { return Count == 1 ? AnsiString() : AnsiString("s"); }
AnsiString Sps(int32_t Count) { return ShowPluralS(Count); }
UnicodeString ShowPluralSW(int32_t Count) {
  return Count == 1 ? UnicodeString() : UnicodeString(u"s");
}
UnicodeString SpsW(int32_t Count) { return ShowPluralSW(Count); }
AnsiString ShowPluralStr(int32_t Count, const AnsiString& Str) {
  return Count == 1 ? AnsiString() : Str;
}
UnicodeString ShowPluralStrW(int32_t Count, const UnicodeString& Str) {
  return Count == 1 ? UnicodeString() : Str;
}

// ---- Flags and suffixes --------------------------------------------------------

UnicodeString AppendW(const UnicodeString& Content, const UnicodeString& AppendAllwaysText,
                      const UnicodeString& AppendOnRule, bool Rule, TAPPEND_TYPE AppendType) {
  if (AppendType == REPLACE_FIRST)
    return (Rule ? AppendOnRule : UnicodeString()) + AppendAllwaysText + Content;
  UnicodeString out = Content + AppendAllwaysText;
  if (Rule) out += AppendOnRule;
  return out;
}

UnicodeString AddWhenNotBeginOrEnd(const UnicodeString& Content, const UnicodeString& Flag,
                                   TSEARCH_TYPE Pos_id) {
  if (Flag.empty()) return Content;
  UnicodeString text = Content;
  if ((Pos_id == FIRST_POS || Pos_id == EACH_POS) && !BeginWith(text, Flag, false, true))
    text.insert(0, Flag);
  if ((Pos_id == LAST_POS || Pos_id == EACH_POS) && !EndsWith(text, Flag, false)) text += Flag;
  return text;
}

UnicodeString DeleteFlagWhenBeginOrEnd(const UnicodeString& Content, const UnicodeString& Flag,
                                       TSEARCH_TYPE Pos_id) {
  return DeleteFlag(Content, Flag, Pos_id);
}

AnsiString DeleteFlagWhenBeginOrEndA(const AnsiString& Content, const AnsiString& Flag,
                                     TSEARCH_TYPE Pos_id) {
  return DeleteFlag(Content, Flag, Pos_id);
}

AnsiString CheckStringSuffix(const AnsiString& Str, const AnsiString& Suffix) {
  return SuffixChecked(Str, Suffix);
}

UnicodeString CheckStringSuffixW(const UnicodeString& Str, const UnicodeString& Suffix) {
  return SuffixChecked(Str, Suffix);
}

// ---- Clearing and bytes --------------------------------------------------------

bool ClearString(AnsiString& MyString, int32_t Len) { return ClearUnits(MyString, Len); }

bool ClearStringW(UnicodeString& MyString, int32_t Len) { return ClearUnits(MyString, Len); }

AnsiString ClearLeadingZeros(const AnsiString& Str) { return WithoutLeadingZeros(Str); }

UnicodeString ClearLeadingZerosW(const UnicodeString& Str) { return WithoutLeadingZeros(Str); }

AnsiString ByteArrayToString(const TbyteArray& A) { return AnsiString(A.begin(), A.end()); }

TbyteArray StringToByteArray(const AnsiString& S) { return TbyteArray(S.begin(), S.end()); }

}  // namespace TkxStrings
