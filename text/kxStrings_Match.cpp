#include "text/kxStrings_Match.h"

#include <algorithm>
#include <string_view>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Trim.h"
#include "text/kxMath.h"
#include "text/kxStrings_Replace.h"

namespace TkxStrings {
namespace {

using View = std::u16string_view;
constexpr size_t npos = View::npos;

constexpr char16_t kPlaceHolder[] = u"%SEARCH_STRING%";

// A text as the wildcard match sees it: Exact for finding the signs, Compare
// (the same units upper-cased with IgnoreCase) for comparing. Upper-casing
// keeps every position, so one range serves both.
class MatchText {
 public:
  MatchText(const UnicodeString& Text, bool TrimBefore, bool IgnoreCase) : Exact(Text) {
    if (TrimBefore) Exact = TrimBlanks(Exact);
    Compare = Exact;
    if (IgnoreCase) {
      upper_ = UpperText(Text);
      Compare = View(upper_).substr(static_cast<size_t>(Exact.data() - Text.data()), Exact.size());
    }
  }

  View Exact;
  View Compare;

 private:
  UnicodeString upper_;
};

// Only O active: every place where O starts in the pattern (overlapping
// ones too) takes the text's character at the same position; the other
// units must equal the text's.
bool MatchOneSignsOnly(View Text, const MatchText& Pattern, View One) {
  if (Pattern.Exact.size() != Text.size()) return false;
  size_t sign = Pattern.Exact.find(One);
  for (size_t i = 0; i < Text.size(); ++i) {
    if (i == sign) {
      sign = Pattern.Exact.find(One, i + 1);
      continue;
    }
    if (Pattern.Compare[i] != Text[i]) return false;
  }
  return true;
}

// The pieces of one part of the pattern between the Os, in order; Next
// answers false after the last. Each piece but the last is followed by an O.
class Pieces {
 public:
  Pieces(View Part, View One) : part_(Part), one_(One) {}

  bool Next(size_t& Begin, size_t& Length, bool& SignFollows) {
    if (done_) return false;
    const size_t sign = one_.empty() ? npos : part_.find(one_, at_);
    Begin = at_;
    SignFollows = sign != npos;
    Length = (SignFollows ? sign : part_.size()) - at_;
    if (SignFollows)
      at_ = sign + one_.size();
    else
      done_ = true;
    return true;
  }

 private:
  View part_;
  View one_;
  size_t at_ = 0;
  bool done_ = false;
};

// The match with M active. The text matched so far is a prefix of Text
// whose length is Matched; the pattern's own pieces appended to it are
// compared with the text at once, since a piece that differs there can
// only make the final comparison fail.
bool MatchWithRuns(View Text, const MatchText& Pattern, View More, View One) {
  const View exact = Pattern.Exact;
  if (exact.empty()) return Text.empty();
  size_t matched = 0;
  // Appends the pattern's piece at Begin (its Compare form) and, when a
  // sign follows it, the text's next character.
  auto append = [&](size_t Begin, size_t Length, bool SignFollows) {
    if (Text.size() - matched < Length ||
        Text.compare(matched, Length, Pattern.Compare.substr(Begin, Length)) != 0)
      return false;
    matched += Length;
    if (!SignFollows) return true;
    if (matched >= Text.size()) return false;  // no character for the sign
    ++matched;
    return true;
  };

  size_t sign = exact.find(More);
  // The first part: its pieces from the start of the text.
  {
    const size_t end = sign == npos ? exact.size() : sign;
    Pieces pieces(exact.substr(0, end), One);
    size_t begin, length;
    bool follows;
    while (pieces.Next(begin, length, follows))
      if (!append(begin, length, follows)) return false;
  }
  // The later parts, each at its first occurrence after what matched.
  while (sign != npos) {
    const size_t start = sign + More.size();
    sign = exact.find(More, start);
    const size_t end = sign == npos ? exact.size() : sign;
    const View part = exact.substr(start, end - start);
    if (!One.empty() && part.find(One) != npos) {
      Pieces pieces(part, One);
      size_t begin, length;
      bool follows;
      bool found = false;
      while (pieces.Next(begin, length, follows)) {
        if (!found) {
          // Os before the first piece are taken up by the M.
          if (length == 0) continue;
          const View piece = Pattern.Compare.substr(start + begin, length);
          const size_t at = Text.find(piece, matched);
          if (at == npos) return false;
          matched = at;
          found = true;
        }
        if (!append(start + begin, length, follows)) return false;
      }
    } else if (!part.empty()) {
      const size_t at = Text.find(Pattern.Compare.substr(start, part.size()), matched);
      if (at == npos) return false;
      matched = at + part.size();
    } else if (sign == npos) {
      matched = Text.size();  // a final M takes the rest
    } else {
      return false;  // an empty part between two Ms
    }
  }
  return matched == Text.size();
}

bool MatchWildcards(const UnicodeString& String1, const UnicodeString& StringWithReplacer,
                    bool TrimBefore, bool IgnoreCase, View More, View One) {
  const MatchText text(String1, TrimBefore, IgnoreCase);
  const MatchText pattern(StringWithReplacer, TrimBefore, IgnoreCase);
  if (!More.empty()) return MatchWithRuns(text.Compare, pattern, More, One);
  if (!One.empty()) return MatchOneSignsOnly(text.Compare, pattern, One);
  return text.Compare == pattern.Compare;
}

UnicodeString Expand(const UnicodeString& Template, const UnicodeString& Text) {
  return ReplaceW(Template, kPlaceHolder, Text);
}

// True when Piece stands in Text at the 0-based Begin.
bool StandsAt(View Text, View Piece, size_t Begin) {
  return Begin <= Text.size() && Text.size() - Begin >= Piece.size() &&
         Text.compare(Begin, Piece.size(), Piece) == 0;
}

// The 0-based starts of SearchText in Content, overlapping ones too.
std::vector<size_t> Occurrences(View Content, View SearchText) {
  std::vector<size_t> found;
  if (SearchText.empty()) return found;
  for (size_t at = Content.find(SearchText); at != npos; at = Content.find(SearchText, at + 1))
    found.push_back(at);
  return found;
}

}  // namespace

bool EqualsExW(const UnicodeString& String1, const UnicodeString& StringWithReplacer,
               bool TrimBefore, bool IgnoreCase, const UnicodeString& MoreVariableCharSign,
               const UnicodeString& OneVariableCharSign) {
  const View one = OneVariableCharSign == MoreVariableCharSign ? View() : OneVariableCharSign;
  return MatchWildcards(String1, StringWithReplacer, TrimBefore, IgnoreCase, MoreVariableCharSign,
                        one);
}

bool EqualsExW(const UnicodeString& String1, const UnicodeString& StringWithReplacer,
               bool TrimBefore, bool IgnoreCase, const char16_t* MoreVariableCharSign,
               const char16_t* OneVariableCharSign) {
  return EqualsExW(String1, StringWithReplacer, TrimBefore, IgnoreCase,
                   UnicodeString(MoreVariableCharSign ? MoreVariableCharSign : u""),
                   UnicodeString(OneVariableCharSign ? OneVariableCharSign : u""));
}

bool EqualsExW(const UnicodeString& String1, const UnicodeString& StringWithReplacer,
               bool TrimBefore, bool IgnoreCase, bool UseStar, bool UseUnderline) {
  return MatchWildcards(String1, StringWithReplacer, TrimBefore, IgnoreCase,
                        UseStar ? View(u"*") : View(), UseUnderline ? View(u"_") : View());
}

bool EqualsExW(const UnicodeString& String1, const UnicodeString& StringWithReplacer,
               bool TrimBefore, bool IgnoreCase, bool UseStar, bool UseUnderline,
               int32_t& Percent) {
  Percent = 100;
  const bool equal =
      EqualsExW(String1, StringWithReplacer, TrimBefore, IgnoreCase, UseStar, UseUnderline);
  if (!equal) Percent = 0;
  return equal;
}

bool EqualsWithDistanceW(const UnicodeString& String1, const UnicodeString& String2,
                         bool TrimBefore, bool IgnoreCase, double MaxDistance, double& Percent) {
  UnicodeString a = TrimBefore ? UnicodeString(TrimBlanks(String1)) : String1;
  UnicodeString b = TrimBefore ? UnicodeString(TrimBlanks(String2)) : String2;
  if (IgnoreCase) {
    a = UpperText(a);
    b = UpperText(b);
  }
  Percent = TkxMath::GetDamerauLevenshteinAccuracy(a, b);
  return Percent >= MaxDistance;
}

bool CheckStringTemplate(const UnicodeString& Content, const UnicodeString& Pre,
                         const UnicodeString& SearchText, const UnicodeString& Post,
                         TSEARCH_TYPE SearchType) {
  const std::vector<size_t> found = Occurrences(Content, SearchText);
  const UnicodeString whole = Pre + SearchText + Post;
  for (size_t i = 0; i < found.size(); ++i) {
    const bool examined = SearchType == EACH_POS || (SearchType == FIRST_POS && i == 0) ||
                          (SearchType == LAST_POS && i + 1 == found.size());
    if (!examined) continue;
    if (found[i] < Pre.size() || !StandsAt(Content, whole, found[i] - Pre.size())) return false;
  }
  return true;
}

int32_t CheckSearchStringWithStringTemplates(const UnicodeString& Content,
                                             const UnicodeString& SearchText,
                                             const TStrings& TemplateList) {
  // Each template's place-holder position (0-based; npos when absent) and
  // its expanded text.
  std::vector<std::pair<size_t, UnicodeString>> templates;
  for (int32_t i = 0; i < TemplateList.Count(); ++i) {
    const UnicodeString t = TemplateList.Get(i);
    templates.emplace_back(t.find(kPlaceHolder), Expand(t, SearchText));
  }
  const std::vector<size_t> found = Occurrences(Content, SearchText);
  for (size_t i = 0; i < found.size(); ++i) {
    const bool covered = std::any_of(templates.begin(), templates.end(), [&](const auto& t) {
      // The template starts where its place-holder falls on the occurrence;
      // without place-holder, one unit after the occurrence's start.
      const size_t holder = t.first;
      if (holder != npos && found[i] < holder) return false;  // before the text
      const size_t start = holder == npos ? found[i] + 1 : found[i] - holder;
      return !t.second.empty() && StandsAt(Content, t.second, start);
    });
    if (!covered) return static_cast<int32_t>(i + 1);
  }
  return 0;
}

int32_t PosIgnoreTemplateW(const UnicodeString& Content, const UnicodeString& SearchString,
                           int32_t FromPos, int32_t ToPos,
                           const std::vector<std::string>& ExclutionTemplates, bool IgnoreCase) {
  // The texts as they are compared, upper-cased once.
  const UnicodeString content = IgnoreCase ? UpperText(Content) : Content;
  const UnicodeString search = IgnoreCase ? UpperText(SearchString) : SearchString;
  struct Template {
    int64_t q;  // place-holder position - 1; -1 when absent
    UnicodeString text;
  };
  std::vector<Template> templates;
  for (const std::string& t8 : ExclutionTemplates) {
    const UnicodeString t = ToUtf16(t8);
    const size_t at = t.find(kPlaceHolder);
    const UnicodeString expanded = Expand(t, SearchString);
    templates.push_back(
        {at == npos ? -1 : static_cast<int64_t>(at), IgnoreCase ? UpperText(expanded) : expanded});
  }
  const View text(content);
  const int64_t length = static_cast<int64_t>(search.size());
  const int64_t limit = 2 * static_cast<int64_t>(Content.size());
  int64_t from = FromPos;
  int64_t exclusions = 0;
  while (from < static_cast<int64_t>(ToPos) - length) {
    const size_t start = from < 1 ? 0 : static_cast<size_t>(from - 1);
    const size_t found = search.empty() || start >= text.size() ? npos : text.find(search, start);
    if (found == npos || static_cast<int64_t>(found) + 1 > ToPos) return 0;
    const int64_t h = static_cast<int64_t>(found) + 1;
    const bool excluded = std::any_of(templates.begin(), templates.end(), [&](const Template& t) {
      // The first occurrence of the template from `from` on must start at
      // h - q; a start before the text excludes nothing.
      const int64_t begin = h - t.q;
      if (begin < 1 || begin - 1 < static_cast<int64_t>(start) || t.text.empty()) return false;
      const size_t b = static_cast<size_t>(begin - 1);
      if (!StandsAt(text, t.text, b)) return false;
      // No earlier occurrence between the search start and b.
      return text.substr(0, b + t.text.size() - 1).find(t.text, start) == npos;
    });
    if (!excluded) return static_cast<int32_t>(h);
    // Each exclusion moves on by at least one unit; the guard only keeps
    // the loop finite should that ever fail.
    if (++exclusions > limit)
      throw EConvertError(u"endless execution exeption in TkxStrings.posIgnoreTemplateW");
    from = h + length;
  }
  return 0;
}

bool ContainsBetweenIgnoreTemplates(const UnicodeString& Content,
                                    const UnicodeString& SearchString, int32_t FromPos,
                                    int32_t ToPos,
                                    const std::vector<std::string>& ExclutionTemplates,
                                    bool IgnoreCase) {
  return PosIgnoreTemplateW(Content, SearchString, FromPos, ToPos, ExclutionTemplates,
                            IgnoreCase) != 0;
}

UnicodeString RuleReplace(const UnicodeString& Content, const UnicodeString& SearchText,
                          const UnicodeString& ReplaceText,
                          const std::vector<std::string>& RuleTemplates, int32_t Pos1RuleId) {
  UnicodeString c = Content;
  for (size_t i = 0; i < RuleTemplates.size(); ++i) {
    const UnicodeString rule = ToUtf16(RuleTemplates[i]);
    const UnicodeString ts = Expand(rule, SearchText);
    const UnicodeString tr = Expand(rule, ReplaceText);
    if (static_cast<int64_t>(i) != Pos1RuleId) {
      if (!ts.empty() && c.find(ts) != npos) c = ReplaceW(c, ts, tr);
    } else if (!ts.empty() && StandsAt(c, ts, 0)) {
      c = ReplaceText + c.substr(std::min(SearchText.size(), c.size()));
    }
    if (SearchText.empty() || c.find(SearchText) == npos) break;
  }
  return c;
}

}  // namespace TkxStrings
