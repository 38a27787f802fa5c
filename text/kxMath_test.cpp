#include "text/kxMath.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/rtl/Exceptions.h"

namespace {

using namespace TkxMath;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Sets a rounding mode for a test and restores the default afterwards.
class CallerMode {
 public:
  explicit CallerMode(int mode) { std::fesetround(mode); }
  ~CallerMode() { std::fesetround(FE_TONEAREST); }
};

// ---- Rounding ---------------------------------------------------------------

TEST(RoundTo, HalvesAwayFromZeroAndIgnoresTheSignOfDigit) {
  struct Case { double x; int8_t digit; double want; };
  const Case cases[] = {
      {1.2344, 3, 1.234},
      {1.2344, -3, 1.234},  // the sign of Digit is not used
      {1.2345, 3, 1.235},
      {1.25, 1, 1.3},
      {-1.25, 1, -1.3},
      {0.5, 0, 1},
      {-1.5, 0, -2},
      {-2.5, 0, -3},
      {2.5, 0, 3},          // not to even
      {1.005, 2, 1},        // 1.005 * 100 is 100.49999999999999 in double
      {0.0, 5, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RoundTo(c.x, c.digit), c.want) << c.x << " to " << int(c.digit);
}

// Once X * 10^|Digit| reaches 2^52 there is no fraction left: adding 0.5
// rounds to even and could step to the next whole number, and beyond 2^63
// the integer conversion would be undefined. X comes back unchanged.
TEST(RoundTo, LeavesValuesWithoutAFractionAtThatScaleUnchanged) {
  struct Case { double x; int8_t digit; };
  const Case cases[] = {
      {4503599627370497.0, 0},   // 2^52 + 1: + 0.5 would give 2^52 + 2
      {-4503599627370497.0, 0},
      {1e19, 0},                 // beyond the 64-bit range
      {-1e300, 2},
      {12345678.123456789, 9},   // 1.2e16 once scaled
      {1.5, -128},               // |Digit| beyond the single-precision range
      {kInf, 2},
      {-kInf, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundTo(c.x, c.digit), c.x) << c.x;
  EXPECT_TRUE(std::isnan(RoundTo(kNaN, 2)));
  // Just below 2^52 the usual rounding still applies.
  EXPECT_EQ(RoundTo(4503599627370494.5, 0), 4503599627370495.0);
  EXPECT_EQ(RoundTo(-4503599627370494.5, 0), -4503599627370495.0);
}

TEST(RoundExt, RoundsUnderTheGivenMode) {
  struct Case { double x; TFPURoundingMode mode; int64_t want; };
  const Case cases[] = {
      {2.5, rmNearest, 2},   // ties to even
      {3.5, rmNearest, 4},
      {2.5, rmUp, 3},
      {-2.5, rmDown, -3},
      {-2.5, rmTruncate, -2},
      {2.1, rmUp, 3},
      {-2.1, rmUp, -2},
      {2.9, rmDown, 2},
      {2.9, rmTruncate, 2},
      {-0x1p63, rmNearest, std::numeric_limits<int64_t>::min()},
      {0x1p62, rmUp, int64_t{1} << 62},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RoundExt(c.x, c.mode), c.want) << c.x << " mode " << int(c.mode);
}

TEST(RoundExt, OutOfRangeAndNaNGiveInt64MinAndEveryPathRestoresTheMode) {
  const double xs[] = {kNaN, 0x1p63, -0x1p64, kInf, -kInf, 1.5};
  const int callerModes[] = {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO, FE_TONEAREST};
  for (int callerMode : callerModes) {
    CallerMode scope(callerMode);
    for (double x : xs) {
      for (TFPURoundingMode mode : {rmNearest, rmDown, rmUp, rmTruncate}) {
        const int64_t got = RoundExt(x, mode);
        if (x != 1.5) {
          EXPECT_EQ(got, std::numeric_limits<int64_t>::min()) << x;
        }
        EXPECT_EQ(std::fegetround(), callerMode) << x;
        RoundToExt(x, mode, 2);
        EXPECT_EQ(std::fegetround(), callerMode) << x;
      }
    }
  }
}

TEST(RoundToExt, ModeSteersOnlyTheIntermediateArithmetic) {
  // The mode also rounds the last division, so results may differ from the
  // nearest double by one unit in the last place.
  constexpr double ulp = 1e-15;
  // 1.005 * 100 lies just below 100.5: to nearest it is 100.49999999999999,
  // upwards it is 100.5, which then rounds away from zero.
  EXPECT_EQ(RoundToExt(1.005, rmNearest, 2), 1);
  EXPECT_NEAR(RoundToExt(1.005, rmUp, 2), 1.01, ulp);
  // The final step halves away from zero whatever the mode.
  EXPECT_NEAR(RoundToExt(1.25, rmDown, 1), 1.3, ulp);
  EXPECT_NEAR(RoundToExt(-1.25, rmUp, -1), -1.3, ulp);
  EXPECT_EQ(RoundToExt(2.5, rmTruncate, 0), 3);
  // Digit is a full 32-bit count: no wrap-around into a small one.
  EXPECT_EQ(RoundToExt(1.25, rmNearest, 257), 1.25);
  EXPECT_EQ(RoundToExt(1.25, rmNearest, std::numeric_limits<int32_t>::min()), 1.25);
}

// ---- Units and numbers ------------------------------------------------------

TEST(MmToTwips, ConvertsAndRoundsUnderTheCurrentMode) {
  struct Case { double mm; int32_t want; };
  const Case cases[] = {
      {10, 567},
      {-10, -567},
      {0, 0},
      {25.4, 1440},
      {kNaN, std::numeric_limits<int32_t>::min()},
      {1e300, std::numeric_limits<int32_t>::min()},
      {-kInf, std::numeric_limits<int32_t>::min()},
      {37879225.0, 2147483622},
      {37879226.0, std::numeric_limits<int32_t>::min()},  // 2147483678.74 twips
      {-37879226.0, std::numeric_limits<int32_t>::min()},
  };
  for (const auto& c : cases) EXPECT_EQ(MmToTwips(c.mm), c.want) << c.mm;

  // 566.93 twips: the caller's mode decides, not a fixed half-up rule.
  CallerMode down(FE_DOWNWARD);
  EXPECT_EQ(MmToTwips(10), 566);
}

TEST(TwipsToMm, IsNotRounded) {
  struct Case { uint32_t twips; double want; };
  const Case cases[] = {
      {1440, 25.4},
      {567, 10.00125},
      {0, 0},
      {1, 25.4 / 1440},
      {UINT32_MAX, 75758450.897916667},
  };
  for (const auto& c : cases) EXPECT_NEAR(TwipsToMm(c.twips), c.want, 1e-9 * (1 + c.want));
}

TEST(GetNumLength, CountsDecimalDigits) {
  struct Case { int64_t number; uint16_t want; };
  const Case cases[] = {
      {0, 1}, {-5, 1}, {9, 1}, {10, 2}, {99, 2}, {100, 3}, {-100, 3},
      // A logarithm in double precision counts these one short.
      {999999999999999, 15},
      {1000000000000000, 16},
      {-1000000000000000, 16},
      {10000000000000000, 17},
      {1000000000000000000, 19},
      {std::numeric_limits<int64_t>::max(), 19},
      {std::numeric_limits<int64_t>::min(), 19},  // |Number| does not fit
  };
  for (const auto& c : cases) EXPECT_EQ(GetNumLength(c.number), c.want) << c.number;
}

TEST(PointInRect, AllFourEdgesBelongToTheRectangle) {
  const TRect r(10, 20, 30, 40);
  struct Case { TPoint p; bool want; };
  const Case cases[] = {
      {{10, 20}, true},  {{30, 40}, true},  // corners, right and bottom included
      {{30, 25}, true},  {{15, 40}, true},
      {{31, 25}, false}, {{15, 41}, false},
      {{9, 25}, false},  {{15, 19}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PointInRect(r, c.p), c.want) << c.p.X << "," << c.p.Y;
  EXPECT_FALSE(PointInRect(TRect(30, 40, 10, 20), TPoint(20, 30)));  // not normalised
}

// ---- How alike two texts are ------------------------------------------------

TEST(GetDamerauLevenshteinDistance, IsPlainLevenshtein) {
  struct Case { std::u16string a, b; double want; };
  const Case cases[] = {
      {u"", u"abc", 3},
      {u"abc", u"", 3},
      {u"", u"", 0},
      {u"AB", u"BA", 2},  // a swap costs two edits
      {u"abc", u"ABC", 3},
      {u"ABCDEXX", u"EDCBAY", 6},
      {u"kitten", u"sitting", 3},
      {u"sitting", u"kitten", 3},
      {u"flaw", u"lawn", 2},
      {u"Straße", u"Strasse", 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetDamerauLevenshteinDistance(c.a, c.b), c.want) << ToUtf8(c.a) << "/" << ToUtf8(c.b);
}

TEST(GetDamerauLevenshteinAccuracy, DividesByTheShorterLengthAndClampsAtZero) {
  struct Case { std::u16string a, b; double want; };
  const Case cases[] = {
      {u"", u"", 100},
      {u"", u"x", 0},
      {u"x", u"", 0},
      {u"ABC", u"ABD", 100 - 100.0 / 3},
      {u"A", u"ABC", 0},           // 100 - 200 is raised to 0
      {u"ABCD", u"ABCDEF", 50},    // divided by 4, not 6
      {u"same", u"same", 100},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(GetDamerauLevenshteinAccuracy(c.a, c.b), c.want, 1e-9)
        << ToUtf8(c.a) << "/" << ToUtf8(c.b);
}

TEST(GetColognePhoneticsEquivalent, Codes) {
  struct Case { std::u16string word, want; };
  const Case cases[] = {
      {u"Müller", u"657"},  // the lower-case ü is dropped
      {u"Mueller", u"657"},
      {u"Meyer", u"67"},
      {u"Maier", u"67"},
      {u"Mayr", u"67"},
      {u"Wikipedia", u"3412"},
      {u"Breschnew", u"17863"},
      {u"Christian", u"47826"},
      {u"Xaver", u"437"},   // X not after C, K, Q is 4, not 48
      {u"Axel", u"45"},
      {u"Tat", u"2"},       // zeros go before equal codes merge
      {u"Anna", u"6"},
      {u"Otto", u"2"},
      {u"cäsar", u"87"},
      {u"CÄSAR", u"487"},
      {u"Aeiou", u""},
      {u"", u""},
      {u"123 -!", u""},
      {u"Gauß", u"48"},     // ß is spelled S
      {u"ÖL", u"5"},
      {u"Philipp", u"351"},  // P before H
      {u"Bach", u"14"},     // C before H
      {u"Scholz", u"858"},  // C after S
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetColognePhoneticsEquivalent(c.word), c.want) << ToUtf8(c.word);
}

TEST(GetColognePhoneticsCompareAccuracy, UsesAGivenCodeForSource1) {
  EXPECT_EQ(GetColognePhoneticsCompareAccuracy(u"Meyer", u"Mayr", u""), 100);
  EXPECT_EQ(GetColognePhoneticsCompareAccuracy(u"unrelated", u"Mayr", u"67"), 100);
  EXPECT_EQ(GetColognePhoneticsCompareAccuracy(u"Aeiou", u"", u""), 100);  // two empty codes
  EXPECT_EQ(GetColognePhoneticsCompareAccuracy(u"Meyer", u"Aeiou", u""), 0);
  EXPECT_NEAR(GetColognePhoneticsCompareAccuracy(u"Müller", u"Müllers", u""), 100 - 100.0 / 3,
              1e-9);
}

TEST(GetPatternMatchingAccuracy, ScoresPositionByPosition) {
  struct Case { std::u16string find, source; double want; };
  const Case cases[] = {
      {u"", u"", 100},
      {u"", u"x", 0},
      {u"ABC", u"abc", 50},             // case variants count half
      {u"abc", u"ABC", 50},
      {u"a-b", u"a/b", 100 - 100.0 / 6},  // two ignored characters count half
      {u"a-b", u"a b", 100 - 100.0 / 6},  // an ignored character against a blank
      {u"a b", u"a b", 100},
      {u"a-b", u"axb", 100 - 100.0 / 3},
      {u"AB", u"A", 50},                 // Find beyond Source adds nothing
      {u"A", u"AB", 100},                // Source beyond Find is not looked at
      {u"Ärger", u"ärger", 90},
      {u"x", u"", 0},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(GetPatternMatchingAccuracy(c.find, c.source), c.want, 1e-9)
        << ToUtf8(c.find) << "/" << ToUtf8(c.source);
}

// ---- Self test --------------------------------------------------------------

TEST(Selftest, PassesAndLoadingSucceeds) {
  EXPECT_TRUE(DamerauLevenshteinSelftest());
  EXPECT_TRUE(ColognePhoneticsSelftest());
  EXPECT_TRUE(Selftest());
  EXPECT_NO_THROW(detail::InitializeModule());
}

TEST(Selftest, AFailingCheckMakesInitialisationThrow) {
  detail::SetSelftestOverrideForTesting([] { return false; });
  try {
    detail::InitializeModule();
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, u"TkxMath.Selftest failed!");
    EXPECT_EQ(e.ClassName(), u"Exception");
  }
  detail::SetSelftestOverrideForTesting(nullptr);
  EXPECT_NO_THROW(detail::InitializeModule());
}

}  // namespace
