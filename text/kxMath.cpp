// text/kxMath.cpp — compiled with -frounding-math (text/CMakeLists.txt), so
// that the compiler neither folds floating-point operations at build time nor
// moves them across a change of the rounding mode.
#include "text/kxMath.h"

#include <cfenv>
#include <cmath>
#include <algorithm>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"

namespace TkxMath {
namespace detail {
namespace {

std::function<bool()>& SelftestOverride() {
  static std::function<bool()> check;
  return check;
}

int ToFenvMode(TFPURoundingMode mode) {
  switch (mode) {
    case rmDown:
      return FE_DOWNWARD;
    case rmUp:
      return FE_UPWARD;
    case rmTruncate:
      return FE_TOWARDZERO;
    case rmNearest:
    default:
      return FE_TONEAREST;
  }
}

// Sets a rounding mode for its lifetime and puts the caller's mode back on
// every way out.
class RoundingModeScope {
 public:
  explicit RoundingModeScope(TFPURoundingMode mode) : saved_(std::fegetround()) {
    std::fesetround(ToFenvMode(mode));
  }
  ~RoundingModeScope() { std::fesetround(saved_); }
  RoundingModeScope(const RoundingModeScope&) = delete;
  RoundingModeScope& operator=(const RoundingModeScope&) = delete;

 private:
  int saved_;
};

// 10^n as the nearest single-precision value, widened to double. The float
// literals are correctly rounded, which for n <= 22 is the same as forming
// 10^n exactly in double and narrowing it.
double ScaleFactor(uint32_t n) {
  static constexpr float kPow10[] = {
      1e0f,  1e1f,  1e2f,  1e3f,  1e4f,  1e5f,  1e6f,  1e7f,  1e8f,  1e9f,
      1e10f, 1e11f, 1e12f, 1e13f, 1e14f, 1e15f, 1e16f, 1e17f, 1e18f, 1e19f,
      1e20f, 1e21f, 1e22f, 1e23f, 1e24f, 1e25f, 1e26f, 1e27f, 1e28f, 1e29f,
      1e30f, 1e31f, 1e32f, 1e33f, 1e34f, 1e35f, 1e36f, 1e37f, 1e38f};
  if (n >= std::size(kPow10)) return std::numeric_limits<double>::infinity();
  return static_cast<double>(kPow10[n]);
}

// RoundTo with the count of decimals already made non-negative.
double RoundToDecimals(double X, uint32_t decimals) {
  const double f = ScaleFactor(decimals);
  const double scaled = X * f;
  // From 2^52 on a double has no fraction, adding 0.5 is no longer exact (it
  // can step to the next whole number), and from 2^63 on the integer
  // conversion would be undefined. X is then already as close to the rounded
  // value as a double gets. NaN fails the comparison and comes back too.
  if (!(std::fabs(scaled) < 0x1p52)) return X;
  const int64_t whole = X >= 0 ? static_cast<int64_t>(scaled + 0.5)
                               : static_cast<int64_t>(scaled - 0.5);
  return static_cast<double>(whole) / f;
}

uint32_t Magnitude(int32_t n) {
  return n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
}

// One letter's code (0-8) from the letter and its neighbours in the kept text
// (0 where there is none).
char16_t PhoneticCode(char16_t prev, char16_t c, char16_t next, bool first) {
  auto in = [](char16_t ch, std::u16string_view set) {
    return ch != 0 && set.find(ch) != std::u16string_view::npos;
  };
  switch (c) {
    case u'A': case u'E': case u'I': case u'J': case u'O': case u'U': case u'Y': case u'H':
      return u'0';
    case u'B':
      return u'1';
    case u'P':
      return next == u'H' ? u'3' : u'1';
    case u'D': case u'T':
      return in(next, u"CSZ") ? u'8' : u'2';
    case u'F': case u'V': case u'W':
      return u'3';
    case u'G': case u'K': case u'Q':
      return u'4';
    case u'C':
      // The rows are tried in this order.
      if (in(prev, u"SZ")) return u'8';
      if (first && in(next, u"AHKLOQRUX")) return u'4';
      if (in(next, u"AHKOQUX")) return u'4';
      return u'8';
    case u'X':
      return in(prev, u"CKQ") ? u'8' : u'4';
    case u'L':
      return u'5';
    case u'M': case u'N':
      return u'6';
    case u'R':
      return u'7';
    case u'S': case u'Z':
      return u'8';
    default:
      return u'0';  // not reached: only A-Z are coded
  }
}

bool IsIgnoredForPattern(char16_t c) {
  return std::u16string_view(u"-_.,;:/\\&+*").find(c) != std::u16string_view::npos;
}

}  // namespace

void InitializeModule() {
  const std::function<bool()>& check = SelftestOverride();
  const bool passed = check ? check() : Selftest();
  if (!passed) throw Exception(u"TkxMath.Selftest failed!");
}

void SetSelftestOverrideForTesting(std::function<bool()> check) {
  SelftestOverride() = std::move(check);
}

}  // namespace detail

// ---- Rounding -------------------------------------------------------------

int64_t RoundExt(double X, TFPURoundingMode RoundMode) {
  detail::RoundingModeScope scope(RoundMode);
  // Every double at or beyond 2^52 is whole, so the rounding of anything in
  // [-2^63, 2^63) fits; NaN fails the comparison.
  if (!(X >= -0x1p63 && X < 0x1p63)) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(std::llrint(X));
}

double RoundTo(double X, TRoundToRange Digit) {
  return detail::RoundToDecimals(X, detail::Magnitude(Digit));
}

double RoundToExt(double X, TFPURoundingMode RoundMode, int32_t Digit) {
  detail::RoundingModeScope scope(RoundMode);
  return detail::RoundToDecimals(X, detail::Magnitude(Digit));
}

// ---- Units and numbers ----------------------------------------------------

int32_t MmToTwips(double mm) {
  const double twips = mm / 10 * 1440 / 2.54;
  constexpr int32_t kOutOfRange = std::numeric_limits<int32_t>::min();
  if (!(std::fabs(twips) < 0x1p62)) return kOutOfRange;  // also NaN
  const long long rounded = std::llrint(twips);
  if (rounded < std::numeric_limits<int32_t>::min() ||
      rounded > std::numeric_limits<int32_t>::max())
    return kOutOfRange;
  return static_cast<int32_t>(rounded);
}

double TwipsToMm(uint32_t Twips) { return static_cast<double>(Twips) * 25.4 / 1440; }

uint16_t GetNumLength(int64_t Number) {
  // Integer arithmetic: a logarithm in double precision counts 10^15 and
  // larger powers of ten one digit short, and |INT64_MIN| does not fit.
  uint64_t magnitude = Number < 0 ? 0 - static_cast<uint64_t>(Number)
                                  : static_cast<uint64_t>(Number);
  uint16_t digits = 1;
  while (magnitude >= 10) {
    magnitude /= 10;
    ++digits;
  }
  return digits;
}

bool PointInRect(const TRect& Rect, const TPoint& P) {
  return Rect.Left <= P.X && P.X <= Rect.Right && Rect.Top <= P.Y && P.Y <= Rect.Bottom;
}

// ---- How alike two texts are ----------------------------------------------

double GetDamerauLevenshteinDistance(const UnicodeString& Source1, const UnicodeString& Source2) {
  if (Source1.empty()) return static_cast<double>(Source2.size());
  if (Source2.empty()) return static_cast<double>(Source1.size());
  // The distance is symmetric, so the shorter text spans the two rows.
  const UnicodeString& rows = Source1.size() >= Source2.size() ? Source1 : Source2;
  const UnicodeString& cols = Source1.size() >= Source2.size() ? Source2 : Source1;
  std::vector<size_t> prev(cols.size() + 1), cur(cols.size() + 1);
  for (size_t j = 0; j <= cols.size(); ++j) prev[j] = j;
  for (size_t i = 1; i <= rows.size(); ++i) {
    cur[0] = i;
    const char16_t r = rows[i - 1];
    for (size_t j = 1; j <= cols.size(); ++j) {
      const size_t cost = r == cols[j - 1] ? 0 : 1;
      cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost});
    }
    std::swap(prev, cur);
  }
  return static_cast<double>(prev[cols.size()]);
}

double GetDamerauLevenshteinAccuracy(const UnicodeString& Source1, const UnicodeString& Source2) {
  if (Source1.empty()) return Source2.empty() ? 100 : 0;
  if (Source2.empty()) return 0;
  const double distance = GetDamerauLevenshteinDistance(Source1, Source2);
  const double shorter = static_cast<double>(std::min(Source1.size(), Source2.size()));
  const double accuracy = 100 - distance / shorter * 100;
  return accuracy < 0 ? 0 : accuracy;
}

bool DamerauLevenshteinSelftest() {
  return GetDamerauLevenshteinDistance(u"ABCDEXX", u"EDCBAY") == 6;
}

UnicodeString GetColognePhoneticsEquivalent(const UnicodeString& Source) {
  // Upper-case a-z only, then spell out the upper-case umlauts and sharp s;
  // a lower-case umlaut is left as it is and dropped with the other non-letters.
  UnicodeString letters;
  letters.reserve(Source.size() + Source.size() / 2);
  for (char16_t c : Source) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    switch (c) {
      case u'\u00C4': letters += u"AE"; break;
      case u'\u00D6': letters += u"OE"; break;
      case u'\u00DC': letters += u"UE"; break;
      case u'\u00DF': letters += u'S'; break;
      default:
        if (c >= u'A' && c <= u'Z') letters += c;
    }
  }

  // Code every letter, leave out the zeros, and let runs of one digit merge.
  // With the zeros gone first, codes separated only by vowels or H merge too.
  UnicodeString code;
  for (size_t i = 0; i < letters.size(); ++i) {
    const char16_t prev = i > 0 ? letters[i - 1] : 0;
    const char16_t next = i + 1 < letters.size() ? letters[i + 1] : 0;
    const char16_t digit = detail::PhoneticCode(prev, letters[i], next, i == 0);
    if (digit == u'0') continue;
    if (!code.empty() && code.back() == digit) continue;
    code += digit;
  }
  return code;
}

double GetColognePhoneticsCompareAccuracy(const UnicodeString& Source1,
                                          const UnicodeString& Source2,
                                          const UnicodeString& PES1) {
  const UnicodeString code1 = PES1.empty() ? GetColognePhoneticsEquivalent(Source1) : PES1;
  return GetDamerauLevenshteinAccuracy(code1, GetColognePhoneticsEquivalent(Source2));
}

bool ColognePhoneticsSelftest() {
  return GetColognePhoneticsEquivalent(u"CABCDEFGHIJKLMNOPQRSTUVWXYZSCSZCAACPHDCDSDZCXCKCQ") ==
         u"4182345614782348384";
}

double GetPatternMatchingAccuracy(const UnicodeString& Find, const UnicodeString& Source) {
  if (Find.empty()) return Source.empty() ? 100 : 0;
  try {
    const double step = 100.0 / static_cast<double>(Find.size());
    const UnicodeString upper = UpperText(Find);
    const UnicodeString lower = LowerText(Find);
    auto blanked = [](char16_t c) { return detail::IsIgnoredForPattern(c) ? u' ' : c; };
    const size_t n = std::min(Find.size(), Source.size());
    double sum = 0;
    for (size_t p = 0; p < n; ++p) {
      const char16_t s = Source[p];
      if (s == Find[p]) {
        sum += step;
      } else if ((p < upper.size() && s == upper[p]) || (p < lower.size() && s == lower[p]) ||
                 blanked(s) == blanked(Find[p])) {
        sum += step / 2;
      }
    }
    return sum;
  } catch (...) {
    return 0;
  }
}

bool Selftest() {
  return DamerauLevenshteinSelftest() && ColognePhoneticsSelftest() && MmToTwips(10) == 567 &&
         std::llrint(TwipsToMm(567)) == 10;
}

}  // namespace TkxMath
