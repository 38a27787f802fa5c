// text/kxStrToFloatConverter.h — reading numbers whose separators are unknown.
//
// Numbers from documents and recognised (OCR) text come with either "," or "."
// as the decimal separator and with thousand separators of many kinds:
// 1.234,56  1,234.56  1'234'567,89  1 234 567  -12,5  12,5-. The operations
// here decide from the positions of the non-digit characters which is which,
// without a locale, and reject a text whose separators form no consistent
// pattern, with a reason a user can read.
//
// The rules, as a caller sees them:
// - Blanks and control characters (U+0000..U+0020) around the text and around
//   the sign are ignored. One sign is taken: a leading "-", else a trailing
//   "-", else a leading or trailing "+".
// - The rightmost non-digit is the decimal separator unless the pattern says
//   otherwise; the ones to its left are thousand separators, all the same
//   character, each followed by a group of three digits.
// - One separator followed by exactly three digits is a decimal separator
//   (1,234 is 1.234). Two or more equal separators each followed by three
//   digits are all thousand separators (1,234,567 is 1234567). Equal
//   separators with a shorter last group keep the rightmost as the decimal
//   one (1.234.56 is 1234.56). When the leftmost differs from two equal ones
//   right of it, the leftmost is the decimal separator (1.000,000,000 is 1).
// - Decimal separators are "," and "."; thousand separators ",", ".", blank,
//   "'" and U+2019. Any other non-digit fails (1e5 does not read here).
// - A separator at the very left reads as "0" before it (,5 is 0.5).
// - A lone "-" passes and reads as negative zero.
// - ReplaceImprecisions first turns characters that OCR confuses with digits
//   into those digits: "|", "!", "i", "I" into "1", "O", "o" into "0" and
//   "s", "S" into "5".
//
// A failed analysis gives one of these texts, as the Message of EConvertError
// when RaiseException is set: "FloatStr is empty", "Separation char is on the
// far right", "Separation char is on the far left", "Thousand separator
// differs from previous thousand separator", "Distance between separators
// invalid", "Invalid thousand separator: " + character + " in FloatStr",
// "Invalid decimal separator: " + character + " in FloatStr". The character is
// quoted as it is, so a blank shows as three blanks in a row.
//
// A text can pass the analysis and still not convert, because its value lies
// beyond the range of a double (or of Currency). Then the result is Default,
// or, with RaiseException, EConvertError "Failed to convert String To
// Extended" (or "... To Currency").
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/Currency.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Text.h"

namespace TkxStrToFloatConverter {

using Extended = double;

// The value of FloatStr, Default when it does not read, or EConvertError with
// the reason under RaiseException.
//   StrToFloat(u"1'234'567,89", 0, false, false) == 1234567.89
//   StrToFloat(u"1,234", 0, false, false) == 1.234
//   StrToFloat(u"1O0", 0, false, true) == 100
Extended StrToFloat(UnicodeString FloatStr, Extended Default, bool RaiseException,
                    bool ReplaceImprecisions);

// As StrToFloat, read exactly into a Currency without a double in between.
// More than four decimals are rounded to the fourth, an exact half to the even
// neighbour: "0,00005" is 0.0000, "0,00015" is 0.0002.
Currency StrToCurrency(UnicodeString CurrencyStr, Currency Default, bool RaiseException,
                       bool ReplaceImprecisions);

// True when FloatStr passes the analysis. Converts nothing and never raises.
bool CheckFloatString(UnicodeString FloatStr, bool ReplaceImprecisions);

namespace detail {

// One non-digit of the text and the count of characters after it.
struct TkxSeparationEntry {
  char16_t Char;
  int32_t Count;
};
// Rightmost non-digit first.
using TkxSeparationArray = std::vector<TkxSeparationEntry>;

// The analysis shared by the three operations. On success FloatStr holds an
// optional "-", digits and at most one separator, which Settings names as its
// DecimalSeparator; Settings.ThousandSeparator is the thousand separator found
// (0 for none). On failure the result is false and ErrorText says why.
bool AnalyseFloatString(UnicodeString& FloatStr, TFormatSettings& Settings,
                        UnicodeString& ErrorText, bool ReplaceImprecisions);

// Removes the one sign that applies (see above) and trims again.
void StripSign(UnicodeString& FloatStr, bool& Negative);
void ReplaceOcrImprecisions(UnicodeString& FloatStr);
TkxSeparationArray CollectSeparators(const UnicodeString& FloatStr);
// Distance lies inside the text and whole groups of three digits and one
// separator away from the rightmost separator.
bool IsThousandGroupDistance(int32_t Distance, int32_t FirstDistance, int32_t Length);
bool IsThousandSeparatorChar(char16_t C);
bool IsDecimalSeparatorChar(char16_t C);

}  // namespace detail

}  // namespace TkxStrToFloatConverter
