// Wildcard equality with arbitrary text, pattern and signs. Every input
// answers; the answer is that of a plain reading of the rule, which builds
// the matched text R as a string piece by piece and compares it with the
// text at the end; and the three overloads agree.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Trim.h"
#include "text/kxStrings_Match.h"

namespace {

using View = std::u16string_view;
constexpr size_t npos = View::npos;

// Characters that make signs, cases and blanks meet often.
UnicodeString Text(FuzzedDataProvider& in, size_t max) {
  static constexpr char16_t kAlphabet[] = {u'a', u'b', u'A', u'*', u'?', u'_', u' ',
                                           u'\t', u'\u00E4', u'\u00C4', 0xD801, 0xDC28};
  UnicodeString t;
  const size_t n = in.ConsumeIntegralInRange<size_t>(0, max);
  for (size_t i = 0; i < n && in.remaining_bytes() > 0; ++i)
    t.push_back(kAlphabet[in.ConsumeIntegralInRange<size_t>(0, std::size(kAlphabet) - 1)]);
  return t;
}

// The 0-based starts of the pieces of Part between the Os (each but the
// last followed by an O).
std::vector<std::pair<size_t, size_t>> Pieces(View Part, View One) {
  std::vector<std::pair<size_t, size_t>> pieces;
  size_t at = 0;
  for (size_t sign = One.empty() ? npos : Part.find(One, at); sign != npos;
       sign = Part.find(One, at)) {
    pieces.emplace_back(at, sign - at);
    at = sign + One.size();
  }
  pieces.emplace_back(at, Part.size() - at);
  return pieces;
}

// The rule read plainly, R built in the upper-cased form when case is
// ignored (signs are found in the pattern as given).
bool Reference(UnicodeString S, UnicodeString P, bool Trim, bool IgnoreCase, View M, View O) {
  if (Trim) {
    S = UnicodeString(TrimBlanks(S));
    P = UnicodeString(TrimBlanks(P));
  }
  const UnicodeString Su = IgnoreCase ? UpperText(S) : S;
  const UnicodeString Pu = IgnoreCase ? UpperText(P) : P;
  if (M.empty()) {
    if (O.empty()) return Su == Pu;
    UnicodeString R = Pu;
    for (size_t pos = P.find(O); pos != npos; pos = P.find(O, pos + 1)) {
      if (pos >= Su.size()) return false;
      R[pos] = Su[pos];
    }
    return R == Su;
  }
  if (P.empty()) return S.empty();
  std::vector<std::pair<size_t, size_t>> parts;  // start, length in P
  size_t at = 0;
  for (size_t sign = P.find(M); sign != npos; sign = P.find(M, at)) {
    parts.emplace_back(at, sign - at);
    at = sign + M.size();
  }
  parts.emplace_back(at, P.size() - at);
  UnicodeString R;
  auto oneMore = [&] {
    if (R.size() >= Su.size()) return false;
    R.push_back(Su[R.size()]);
    return true;
  };
  {
    const View part = View(P).substr(parts[0].first, parts[0].second);
    const auto pieces = Pieces(part, O);
    for (size_t k = 0; k < pieces.size(); ++k) {
      R += Pu.substr(parts[0].first + pieces[k].first, pieces[k].second);
      if (k + 1 < pieces.size() && !oneMore()) return false;
    }
    if (!R.empty() && Su.compare(0, R.size(), R) != 0) return false;
  }
  for (size_t i = 1; i < parts.size(); ++i) {
    const size_t c = R.size();
    const View part = View(P).substr(parts[i].first, parts[i].second);
    if (!O.empty() && part.find(O) != npos) {
      const auto pieces = Pieces(part, O);
      size_t k = 0;
      while (k < pieces.size() && pieces[k].second == 0) ++k;
      if (k == pieces.size()) continue;
      const UnicodeString first = Pu.substr(parts[i].first + pieces[k].first, pieces[k].second);
      const size_t a = Su.find(first, c);
      if (a == npos) return false;
      R += Su.substr(c, a + first.size() - c);
      if (k + 1 < pieces.size() && !oneMore()) return false;
      for (++k; k < pieces.size(); ++k) {
        R += Pu.substr(parts[i].first + pieces[k].first, pieces[k].second);
        if (k + 1 < pieces.size() && !oneMore()) return false;
      }
    } else if (!part.empty()) {
      const UnicodeString whole = Pu.substr(parts[i].first, parts[i].second);
      const size_t a = Su.find(whole, c);
      if (a == npos) return false;
      R += Su.substr(c, a - c) + whole;
    } else if (i + 1 == parts.size()) {
      R += Su.substr(std::min(c, Su.size()));
    } else {
      return false;
    }
  }
  return R == Su;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool trim = in.ConsumeBool();
  const bool ignoreCase = in.ConsumeBool();
  const UnicodeString more = Text(in, 2);
  const UnicodeString one = Text(in, 2);
  const UnicodeString pattern = Text(in, 12);
  const UnicodeString text = Text(in, 24);

  const bool result = TkxStrings::EqualsExW(text, pattern, trim, ignoreCase, more, one);
  const View activeOne = one == more ? View() : View(one);
  if (result != Reference(text, pattern, trim, ignoreCase, more, activeOne)) std::abort();

  const bool star = in.ConsumeBool();
  const bool underline = in.ConsumeBool();
  const bool plain = TkxStrings::EqualsExW(text, pattern, trim, ignoreCase, star, underline);
  if (plain != TkxStrings::EqualsExW(text, pattern, trim, ignoreCase,
                                     UnicodeString(star ? u"*" : u""),
                                     UnicodeString(underline ? u"_" : u"")))
    std::abort();
  int32_t percent = -1;
  if (TkxStrings::EqualsExW(text, pattern, trim, ignoreCase, star, underline, percent) != plain ||
      percent != (plain ? 100 : 0))
    std::abort();
  return 0;
}
