#include "text/kxStrings_RegEx.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <charconv>
#include <functional>
#include <iterator>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/Trim.h"
#include "text/kxStrings_Edit.h"

namespace TkxStrings {
namespace {

using Code = std::shared_ptr<const pcre2_code>;

const PCRE2_UCHAR* Units(const UnicodeString& Text) {
  return reinterpret_cast<const PCRE2_UCHAR*>(Text.data());
}

UnicodeString EngineMessage(int ErrorCode) {
  PCRE2_UCHAR buffer[256];
  const int length = pcre2_get_error_message(ErrorCode, buffer, std::size(buffer));
  if (length < 0) return u"error " + ToUtf16(std::to_string(ErrorCode));
  return UnicodeString(reinterpret_cast<const char16_t*>(buffer), static_cast<size_t>(length));
}

// One code unit is one character (no UTF mode, so lone surrogates are
// ordinary units); "." takes line breaks too; nothing else is set.
Code Compile(const UnicodeString& Pattern) {
  if (Pattern.empty()) throw ERegExpr(u"regular expression error: empty pattern");
  int error = 0;
  PCRE2_SIZE where = 0;
  pcre2_code* code =
      pcre2_compile(Units(Pattern), Pattern.size(), PCRE2_DOTALL, &error, &where, nullptr);
  if (code == nullptr) {
    char offset[24];
    const auto end = std::to_chars(offset, offset + sizeof offset, where).ptr;
    throw ERegExpr(u"regular expression error: " + EngineMessage(error) + u" at offset " +
                   ToUtf16(std::string_view(offset, end - offset)) + u" in " + Pattern);
  }
  return Code(code, [](const pcre2_code* c) { pcre2_code_free(const_cast<pcre2_code*>(c)); });
}

// The most recently used compiled patterns, keyed by pattern text. A
// pattern handed out stays alive while in use even when it is evicted.
class PatternCache {
 public:
  Code Get(const UnicodeString& Pattern) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (Code code = FindLocked(Pattern)) return code;
    }
    Code code = Compile(Pattern);
    std::lock_guard<std::mutex> lock(mutex_);
    if (Code cached = FindLocked(Pattern)) return cached;
    entries_.emplace_front(Pattern, code);
    if (entries_.size() > kCapacity) entries_.pop_back();
    return code;
  }

 private:
  static constexpr size_t kCapacity = 64;

  Code FindLocked(const UnicodeString& Pattern) {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const auto& e) { return e.first == Pattern; });
    if (it == entries_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, it);
    return it->second;
  }

  std::mutex mutex_;
  std::list<std::pair<UnicodeString, Code>> entries_;
};

PatternCache& Cache() {
  static PatternCache cache;
  return cache;
}

// One pattern over one text, both of which must outlive it. Each search
// goes on at the end of the previous match, one unit further after an
// empty one.
class Matcher {
 public:
  Matcher(const UnicodeString& Pattern, const UnicodeString& Text)
      : pattern_(Pattern), text_(Text), code_(Cache().Get(Pattern)),
        data_(pcre2_match_data_create(1, nullptr), &pcre2_match_data_free) {
    if (data_ == nullptr) throw ERegExpr(u"regular expression error: out of memory");
  }

  // The next whole match; false when there is none.
  bool Next(UnicodeString& Match) {
    if (offset_ > text_.size()) return false;
    const int rc =
        pcre2_match(code_.get(), Units(text_), text_.size(), offset_, 0, data_.get(), nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) {
      offset_ = text_.size() + 1;
      return false;
    }
    // A return of 0 only says that the groups did not fit; the whole match did.
    if (rc < 0)
      throw ERegExpr(u"regular expression error: " + EngineMessage(rc) + u" in " + pattern_);
    const PCRE2_SIZE* found = pcre2_get_ovector_pointer(data_.get());
    const size_t start = found[0];
    const size_t end = std::max(found[0], found[1]);
    Match.assign(text_, start, end - start);
    offset_ = end == start ? end + 1 : end;
    return true;
  }

 private:
  const UnicodeString& pattern_;
  const UnicodeString& text_;
  Code code_;
  std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> data_;
  size_t offset_ = 0;
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
