#include "text/kxStrToFloatConverter.h"

#include <algorithm>
#include <iterator>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/NumberText.h"
#include "platform/rtl/Trim.h"

namespace TkxStrToFloatConverter {

namespace {

constexpr char16_t kDecimalSeparators[] = {u',', u'.'};
constexpr char16_t kThousandSeparators[] = {u',', u'.', u' ', u'\'', u'\u2019'};
constexpr struct {
  char16_t From, To;
} kOcrImprecisions[] = {
    {u'|', u'1'}, {u'!', u'1'}, {u'i', u'1'}, {u'I', u'1'},
    {u'O', u'0'}, {u'o', u'0'}, {u's', u'5'}, {u'S', u'5'},
};

// A separator candidate that has not been found yet; -1 is no UTF-16 unit,
// so a U+0000 inside the text is not mistaken for "none".
constexpr int32_t kNone = -1;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

UnicodeString CharText(int32_t c) {
  return c == kNone ? UnicodeString() : UnicodeString(1, static_cast<char16_t>(c));
}

UnicodeString InvalidSeparator(const char16_t* kind, int32_t c) {
  return UnicodeString(u"Invalid ") + kind + u" separator: " + CharText(c) + u" in FloatStr";
}

// The analysis proper, without the sign handling around it.
bool Analyse(UnicodeString& s, TFormatSettings& settings, UnicodeString& error,
             bool replaceImprecisions) {
  if (replaceImprecisions) detail::ReplaceOcrImprecisions(s);

  const int32_t L = static_cast<int32_t>(s.size());
  const detail::TkxSeparationArray entries = detail::CollectSeparators(s);

  int32_t decimalCand = kNone;
  int32_t thousandCand = kNone;
  int32_t firstDistance = 0;
  bool sameChar = false;
  int threeDigitState = 0;
  bool merge = false;

  if (entries.empty()) {
    // A whole number.
    decimalCand = u',';
    s += u",0";
  } else {
    const size_t last = entries.size() - 1;
    for (size_t i = 0; i < entries.size(); ++i) {
      const char16_t c = entries[i].Char;
      const int32_t distance = entries[i].Count;
      const bool atLeft = distance == L - 1;
      if (i == 0) {
        if (distance == 0) {
          error = u"Separation char is on the far right";
          return false;
        }
        firstDistance = distance;
        decimalCand = c;
        if (firstDistance == 3) threeDigitState = 1;
        // ",5" reads as "0,5"; the distances stay counted on the text as it was.
        if (atLeft) s.insert(s.begin(), u'0');
      }
      if (i == 1) {
        thousandCand = c;
        if (c == decimalCand) {
          sameChar = true;
          if (threeDigitState == 1) threeDigitState = 2;
        }
      }
      if (i >= 2 && i != last && c != thousandCand) {
        error = u"Thousand separator differs from previous thousand separator";
        return false;
      }
      if (i == last && i >= 1) {
        if (c != thousandCand) {
          // With two equal separators on the right, a different leftmost one
          // is the decimal separator: 1.000,000,000 is 1.
          if (!sameChar) {
            error = u"Thousand separator differs from previous thousand separator";
            return false;
          }
          decimalCand = c;
        } else if (sameChar) {
          if (threeDigitState < 2) merge = true;
          else if (threeDigitState == 2) threeDigitState = 3;
        }
        if (atLeft) {
          if (!sameChar) {
            error = u"Separation char is on the far left";
            return false;
          }
          s.insert(s.begin(), u'0');
        }
      }
      if (!detail::IsThousandGroupDistance(distance, firstDistance, L)) {
        error = u"Distance between separators invalid";
        return false;
      }
    }
  }

  // Equal separators each followed by three digits: all of them group
  // thousands, and the text is a whole number.
  const bool wholeThousands = threeDigitState == 3;
  if (wholeThousands) decimalCand = u',';

  if (thousandCand != kNone && !detail::IsThousandSeparatorChar(static_cast<char16_t>(thousandCand))) {
    error = InvalidSeparator(u"thousand", thousandCand);
    return false;
  }
  settings.ThousandSeparator = thousandCand == kNone ? u'\0' : static_cast<char16_t>(thousandCand);
  if (thousandCand != kNone) {
    const auto t = static_cast<char16_t>(thousandCand);
    // With the merge flag the rightmost of the equal separators stays: it is
    // the decimal one (1.234.56 is 1234.56).
    const size_t keep = merge ? s.rfind(t) : UnicodeString::npos;
    UnicodeString kept;
    kept.reserve(s.size());
    for (size_t k = 0; k < s.size(); ++k)
      if (s[k] != t || k == keep) kept.push_back(s[k]);
    s = std::move(kept);
  }
  if (wholeThousands) s += u",0";

  if (decimalCand == kNone || !detail::IsDecimalSeparatorChar(static_cast<char16_t>(decimalCand))) {
    error = InvalidSeparator(u"decimal", decimalCand);
    return false;
  }
  settings.DecimalSeparator = static_cast<char16_t>(decimalCand);
  return true;
}

}  // namespace

namespace detail {

bool AnalyseFloatString(UnicodeString& FloatStr, TFormatSettings& Settings,
                        UnicodeString& ErrorText, bool ReplaceImprecisions) {
  ErrorText.clear();
  FloatStr = UnicodeString(TrimBlanks(FloatStr));
  // Checked before the sign goes, so that a lone "-" passes (as -0).
  if (FloatStr.empty()) {
    ErrorText = u"FloatStr is empty";
    return false;
  }
  bool negative = false;
  StripSign(FloatStr, negative);
  const bool ok = Analyse(FloatStr, Settings, ErrorText, ReplaceImprecisions);
  if (negative) FloatStr.insert(FloatStr.begin(), u'-');
  return ok;
}

void StripSign(UnicodeString& FloatStr, bool& Negative) {
  Negative = false;
  if (!FloatStr.empty()) {
    if (FloatStr.front() == u'-') {
      FloatStr.erase(0, 1);
      Negative = true;
    } else if (FloatStr.back() == u'-') {
      FloatStr.pop_back();
      Negative = true;
    } else if (FloatStr.front() == u'+') {
      FloatStr.erase(0, 1);
    } else if (FloatStr.back() == u'+') {
      FloatStr.pop_back();
    }
  }
  FloatStr = UnicodeString(TrimBlanks(FloatStr));
}

void ReplaceOcrImprecisions(UnicodeString& FloatStr) {
  for (const auto& pair : kOcrImprecisions) std::replace(FloatStr.begin(), FloatStr.end(), pair.From, pair.To);
}

TkxSeparationArray CollectSeparators(const UnicodeString& FloatStr) {
  TkxSeparationArray entries;
  const int32_t n = static_cast<int32_t>(FloatStr.size());
  for (int32_t k = n - 1; k >= 0; --k)
    if (!IsDigit(FloatStr[static_cast<size_t>(k)]))
      entries.push_back({FloatStr[static_cast<size_t>(k)], n - 1 - k});
  return entries;
}

bool IsThousandGroupDistance(int32_t Distance, int32_t FirstDistance, int32_t Length) {
  return Distance < Length && (Distance - FirstDistance) % 4 == 0;
}

bool IsThousandSeparatorChar(char16_t C) {
  return std::find(std::begin(kThousandSeparators), std::end(kThousandSeparators), C) !=
         std::end(kThousandSeparators);
}

bool IsDecimalSeparatorChar(char16_t C) {
  return std::find(std::begin(kDecimalSeparators), std::end(kDecimalSeparators), C) !=
         std::end(kDecimalSeparators);
}

}  // namespace detail

Extended StrToFloat(UnicodeString FloatStr, Extended Default, bool RaiseException,
                    bool ReplaceImprecisions) {
  TFormatSettings settings;
  UnicodeString error;
  if (!detail::AnalyseFloatString(FloatStr, settings, error, ReplaceImprecisions)) {
    if (RaiseException) throw EConvertError(error);
    return Default;
  }
  double value;
  if (::TryStrToFloat(FloatStr, value, settings.DecimalSeparator)) return value;
  if (RaiseException) throw EConvertError(u"Failed to convert String To Extended");
  return Default;
}

Currency StrToCurrency(UnicodeString CurrencyStr, Currency Default, bool RaiseException,
                       bool ReplaceImprecisions) {
  TFormatSettings settings;
  UnicodeString error;
  if (!detail::AnalyseFloatString(CurrencyStr, settings, error, ReplaceImprecisions)) {
    if (RaiseException) throw EConvertError(error);
    return Default;
  }
  Currency value;
  if (::TryStrToCurr(CurrencyStr, value, settings.DecimalSeparator)) return value;
  if (RaiseException) throw EConvertError(u"Failed to convert String To Currency");
  return Default;
}

bool CheckFloatString(UnicodeString FloatStr, bool ReplaceImprecisions) {
  TFormatSettings settings;
  UnicodeString error;
  return detail::AnalyseFloatString(FloatStr, settings, error, ReplaceImprecisions);
}

}  // namespace TkxStrToFloatConverter
