#include "text/kxStrings_OCR.h"

#include <bitset>

#include "platform/rtl/Trim.h"
#include "text/kxMath.h"
#include "text/kxStrings_Convert.h"
#include "text/kxStrings_Edit.h"
#include "text/kxStrings_Replace.h"
#include "text/kxStrings_Search.h"

namespace TkxStrings {

namespace {

// The characters that OCR text keeps.
constexpr std::u16string_view kOCRCharacters =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    u"\u00E4\u00F6\u00FC\u00C4\u00D6\u00DC\u00DF ";

constexpr std::u16string_view kConsonants = u"BCDFGHJKLMNPQRSTVWXYZbcdfghjklmnpqrstvwxyz";

// Letter "=" replacement, one pair per line, exactly as the abbreviations
// have always spelled them out ("è=e2", "ÿ=yu" and "Þ=p" included).
constexpr std::u16string_view kTransliterations =
    u"\u00E0=a\n\u00E1=a\n\u00E2=a\n\u00E3=a\n\u00E4=ae\n\u00E5=a\n\u00E6=ae\n\u00E7=c\n"
    u"\u00E8=e2\n\u00E9=e\n\u00EA=e\n\u00EB=e\n\u00EC=i\n\u00ED=i\n\u00EE=i\n\u00EF=i\n"
    u"\u00F0=o\n\u00F1=n\n\u00F2=o\n\u00F3=o\n\u00F4=o\n\u00F5=o\n\u00F6=oe\n\u00F8=o\n"
    u"\u00F9=u\n\u00FA=u\n\u00FB=u\n\u00FC=ue\n\u00FD=y\n\u00FE=p\n\u00FF=yu\n\u00DF=ss\n"
    u"\u00C0=A\n\u00C1=A\n\u00C2=A\n\u00C3=A\n\u00C4=Ae\n\u00C5=A\n\u00C6=AE\n\u00C7=C\n"
    u"\u00C8=E\n\u00C9=E\n\u00CA=E\n\u00CB=E\n\u00CC=I\n"
    u"\u00CD=I\n\u00CE=I\n\u00CF=I\n\u00D0=D\n\u00D1=N\n\u00D2=O\n\u00D3=O\n\u00D4=O\n"
    u"\u00D5=O\n\u00D6=Oe\n\u00D8=O\n\u00D9=U\n\u00DA=U\n\u00DB=U\n\u00DC=Ue\n\u00DD=Y\n"
    u"\u00DE=p\n\u0178=Y";

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Every character that is not an OCR character becomes one blank (a
// surrogate pair is one character).
UnicodeString KeepOCRCharacters(const UnicodeString& Text) {
  UnicodeString out;
  out.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    const char16_t c = Text[i];
    if (kOCRCharacters.find(c) != std::u16string_view::npos) {
      out += c;
    } else {
      out += u' ';
      if (IsHighSurrogate(c) && i + 1 < Text.size() && IsLowSurrogate(Text[i + 1])) ++i;
    }
  }
  return out;
}

// One replace-all pass of four equal characters by one for every character:
// a run of n becomes n / 4 + n % 4. Runs of different characters never
// touch each other's, so one scan does every character's pass.
UnicodeString ShrinkRunsOfFour(const UnicodeString& Text) {
  UnicodeString out;
  out.reserve(Text.size());
  for (size_t i = 0; i < Text.size();) {
    size_t n = 1;
    while (i + n < Text.size() && Text[i + n] == Text[i]) ++n;
    out.append(n / 4 + n % 4, Text[i]);
    i += n;
  }
  return out;
}

}  // namespace

AnsiString PrepareOCRText(const AnsiString& Str) {
  UnicodeString text = u" " + ShrinkRunsOfFour(KeepOCRCharacters(DeleteControlCharsW(ToUtf16(Str)))) + u" ";
  // Lone characters go, one pass per character from U+0020 up (for the
  // blank: three blanks become one). Only characters present can match.
  std::bitset<256> present;
  for (const char16_t c : text) present.set(c);  // every OCR character is below U+0100
  for (char16_t c = 0x20; c <= 0xFF; ++c)
    if (present.test(c)) text = ReplaceW(text, UnicodeString{u' ', c, u' '}, u" ");
  return ToUtf8(TrimBlanks(RemoveMoreThenOneBlanks(text)));
}

TStrings& GetAbbreviationList(const UnicodeString& Content, int32_t MinLength,
                              bool UsePointAtEnd, TStrings& ResultList) {
  if (Content.empty()) return ResultList;
  const UnicodeString mark = UsePointAtEnd ? u"." : u"";
  UnicodeString skeleton = ApplyCharset(UnicodeString(kConsonants), Content);
  if (skeleton.empty() || skeleton[0] != Content[0]) skeleton.insert(0, 1, Content[0]);
  TStringList transliterations;
  transliterations.SetText(UnicodeString(kTransliterations));
  const UnicodeString spelled = ReplaceEachElementWEx(Content, transliterations, false);

  // Unsorted, duplicates accepted; IndexOf ignores case, not accents.
  TStringList candidates;
  const int32_t length = static_cast<int32_t>(Content.size());
  UnicodeString prefix;  // the last prefix of the loop, whatever MinLength
  for (int32_t i = 1; i <= length - 1; ++i) {
    prefix = Content.substr(0, static_cast<size_t>(i));
    if (i < MinLength) continue;
    const UnicodeString spelledPrefix = spelled.substr(0, static_cast<size_t>(i));
    const bool prefixNotBlank = IsNotEmptyW(prefix, true);
    if (i == static_cast<int32_t>(skeleton.size()) && prefixNotBlank) candidates.Add(skeleton + mark);
    if (prefixNotBlank) candidates.Add(prefix + mark);
    if (spelledPrefix != prefix && IsNotEmptyW(spelledPrefix, true) &&
        candidates.IndexOf(spelledPrefix + mark) < 0)
      candidates.Add(spelledPrefix + mark);
  }
  if (static_cast<int32_t>(skeleton.size()) > length - 1 && IsNotEmptyW(prefix, true) &&
      candidates.IndexOf(skeleton + mark) < 0)
    ResultList.Add(skeleton + mark);
  for (int32_t i = candidates.Count() - 1; i >= 0; --i) ResultList.Add(candidates.Strings(i));
  return ResultList;
}

TStrings& FindSpacedWritingWords(const UnicodeString& Content, const TStrings* SearchWords,
                                 TStrings& FoundWords) {
  const auto judge = [&](const UnicodeString& run) {
    if (SearchWords == nullptr || SearchWords->Count() == 0) {
      FoundWords.Add(run);
      return;
    }
    for (int32_t i = 0; i < SearchWords->Count(); ++i) {
      const UnicodeString& word = SearchWords->Strings(i);
      if (word.empty()) continue;  // no threshold for an empty word
      const double threshold = 100.0 - 300.0 / static_cast<double>(word.size());
      if (TkxMath::GetDamerauLevenshteinAccuracy(run, word) >= threshold) {
        FoundWords.Add(word);
        return;
      }
    }
  };
  TStringList pieces;
  SplitStringW(RemoveMoreThenOneBlanks(Content), u" ", pieces);
  UnicodeString run;
  for (int32_t i = 0; i < pieces.Count(); ++i) {
    const UnicodeString& piece = pieces.Strings(i);
    if (piece.size() == 1) {
      run += piece;
    } else if (piece.size() >= 2) {
      if (run.size() > 2) judge(run);
      run.clear();
    }
  }
  // A run that ends the text is judged as well.
  if (run.size() > 2) judge(run);
  return FoundWords;
}

int32_t GetLengthIgnoreLetters(const UnicodeString& Content,
                               const UnicodeString& CommaSeparatedLetters, bool TrimBefore) {
  const UnicodeString text = TrimBefore ? UnicodeString(TrimBlanks(Content)) : Content;
  const UnicodeString commas(static_cast<size_t>(GetStrCountW(CommaSeparatedLetters, u",")), u',');
  return static_cast<int32_t>(ReplaceEachElementW(text, CommaSeparatedLetters, commas, false).size());
}

}  // namespace TkxStrings
