// text/kxMath.h — rounding, units, digit counts and how alike two texts are.
//
// Stateless operations. Texts are compared by UTF-16 code unit unless an
// operation says otherwise. RoundExt and RoundToExt change the calling
// thread's floating-point rounding mode for the length of the call and always
// set the previous mode again, whatever path they return by.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/rtl/Geometry.h"
#include "platform/rtl/Text.h"

namespace TkxMath {

// The floating-point rounding modes, in the platform's order.
enum TFPURoundingMode : uint8_t {
  rmNearest,   // to nearest, ties to even
  rmDown,      // towards minus infinity
  rmUp,        // towards plus infinity
  rmTruncate,  // towards zero
};

// A count of decimals, -37..37; only its absolute value is used.
using TRoundToRange = int8_t;

// ---- Rounding -------------------------------------------------------------

// X as a whole number, rounded under RoundMode:
//   RoundExt(2.5, rmNearest) == 2;   RoundExt(2.5, rmUp) == 3
//   RoundExt(-2.5, rmDown) == -3;    RoundExt(-2.5, rmTruncate) == -2
// NaN, and values whose rounding does not fit 64 bits, give INT64_MIN.
// A RoundMode outside the four values rounds as rmNearest.
int64_t RoundExt(double X, TFPURoundingMode RoundMode);

// X rounded to |Digit| decimals, halves away from zero; the sign of Digit is
// not used, so 2 and -2 both round to hundredths.
//   RoundTo(1.25, 1) == 1.3;  RoundTo(-2.5, 0) == -3;  RoundTo(1.2344, -3) == 1.234
// Decimal fractions that a double cannot hold are not corrected:
// RoundTo(1.005, 2) == 1, because 1.005 * 100 is 100.49999999999999.
// The scale factor is 10^|Digit| as the nearest single-precision value (exact
// up to 10^10). Once |X * factor| reaches 2^52 a double has no fraction left
// to round, so X comes back unchanged; so does NaN, and infinity.
double RoundTo(double X, TRoundToRange Digit);

// RoundTo(X, Digit) computed under RoundMode. The mode only steers the last
// bit of the products, sums and the final division; the rounding to decimals
// still halves away from zero. So RoundToExt(1.005, rmUp, 2) gives 1.01 where
// RoundTo gives 1 (1.005 * 100 rounds up to 100.5 instead of down).
// Digit is not limited to -37..37: from |Digit| = 39 on the factor is
// infinite and X comes back unchanged.
double RoundToExt(double X, TFPURoundingMode RoundMode, int32_t Digit);

// ---- Units and numbers ----------------------------------------------------

// Millimetres to twips (1/1440 inch): mm / 10 * 1440 / 2.54, rounded to the
// nearest whole number under the thread's current rounding mode.
//   MmToTwips(10) == 567
// NaN and results beyond the 32-bit range give INT32_MIN.
int32_t MmToTwips(double mm);

// Twips to millimetres, Twips * 25.4 / 1440, not rounded.
//   TwipsToMm(567) == 10.00125 (up to the last bit);  TwipsToMm(1440) == 25.4
double TwipsToMm(uint32_t Twips);

// Count of decimal digits of |Number|; 1 for 0.
//   GetNumLength(-5) == 1;  GetNumLength(100) == 3;  GetNumLength(INT64_MIN) == 19
uint16_t GetNumLength(int64_t Number);

// True when P lies in Rect, all four edges included (right and bottom too).
bool PointInRect(const TRect& Rect, const TPoint& P);

// ---- How alike two texts are ----------------------------------------------

// The plain Levenshtein distance despite the name: the least count of
// single-unit insertions, deletions and substitutions, each costing 1. A swap
// of two neighbours costs 2. Case matters. The result is a whole number.
//   ("", "abc") -> 3;  ("AB", "BA") -> 2;  ("abc", "ABC") -> 3
double GetDamerauLevenshteinDistance(const UnicodeString& Source1, const UnicodeString& Source2);

// Similarity in percent: 100 - distance / (length of the SHORTER text) * 100,
// never below 0. Two empty texts give 100; one empty text gives 0.
//   ("ABC", "ABD") -> 66.67;  ("A", "ABC") -> 0
double GetDamerauLevenshteinAccuracy(const UnicodeString& Source1, const UnicodeString& Source2);

// True when the distance of "ABCDEXX" and "EDCBAY" is 6.
bool DamerauLevenshteinSelftest();

// A German phonetic code of digits 1-8, possibly empty. Not the textbook
// Cologne code in three respects that stored codes depend on: only a-z are
// upper-cased before "Ä", "Ö", "Ü", "ß" are spelled out, so a lower-case
// "ä", "ö", "ü" is simply dropped; an X not after C, K or Q is "4" (not
// "48"); and all "0" codes go before equal neighbours merge, so codes that
// were separated only by vowels or H merge too.
//   "Müller" -> "657";  "Xaver" -> "437";  "Tat" -> "2";  "cäsar" -> "87";
//   "CÄSAR" -> "487";  "Aeiou" -> ""
UnicodeString GetColognePhoneticsEquivalent(const UnicodeString& Source);

// GetDamerauLevenshteinAccuracy of the phonetic codes of both texts. When
// PES1 is not empty it is taken as the code of Source1 and Source1 is not
// looked at (a caller comparing one word against many computes it once).
// Two empty codes give 100.
double GetColognePhoneticsCompareAccuracy(const UnicodeString& Source1,
                                          const UnicodeString& Source2,
                                          const UnicodeString& PES1);

// True when the phonetic code of a fixed text of all letters and the
// C, D, P, X neighbourhoods is the expected one.
bool ColognePhoneticsSelftest();

// Position-by-position similarity in percent. Each position p up to the
// shorter length adds 100 / length(Find) when Source[p] equals Find[p], and
// half of that when Source[p] equals Find[p] in upper or lower case
// (UpperText/LowerText), or when each of the two is a blank or one of the
// ignored characters  - _ . , ; : / \ & + *  (a blank and a "-" count as alike).
// Source beyond the length of Find is not looked at. An empty Find gives 100
// against an empty Source, else 0; any failure gives 0.
//   ("ABC", "abc") -> 50;  ("a-b", "a/b") -> 83.33;  ("AB", "A") -> 50;  ("A", "AB") -> 100
double GetPatternMatchingAccuracy(const UnicodeString& Find, const UnicodeString& Source);

// Runs, in order and stopping at the first failure: DamerauLevenshteinSelftest,
// ColognePhoneticsSelftest, MmToTwips(10) == 567, TwipsToMm(567) rounds to 10.
bool Selftest();

namespace detail {

// The module's load step: throws Exception(u"TkxMath.Selftest failed!") when
// the self test fails.
void InitializeModule();

// Replaces the check that InitializeModule runs; nullptr restores Selftest.
// Not synchronised: set it before the modules are initialised.
void SetSelftestOverrideForTesting(std::function<bool()> check);

}  // namespace detail

}  // namespace TkxMath
