#include "text/kxStrings_CharClass.h"

#include <algorithm>

namespace TkxStrings {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsHigh(char16_t c) {
  if (IsDigit(c) || (c >= u'A' && c <= u'Z')) return true;
  switch (c) {
    case u'!': case u'"': case u'%': case u'&': case u'(': case u')': case u'?':
    case u'b': case u'd': case u'f': case u'h': case u'i': case u'j': case u'k':
    case u'l': case u't': case u'y':
    case u'\u00A7': case u'\u00C4': case u'\u00D6': case u'\u00DC':
    case u'\u00E4': case u'\u00F6': case u'\u00FC':
      return true;
    default:
      return false;
  }
}

bool IsLow(char16_t c) {
  switch (c) {
    case u',': case u';': case u'g': case u'j': case u'p': case u'q':
      return true;
    default:
      return false;
  }
}

}  // namespace

bool IsNumeric(const AnsiString& Txt, bool AllowBlanks) {
  return std::all_of(Txt.begin(), Txt.end(), [AllowBlanks](char c) {
    return (c >= '0' && c <= '9') || (AllowBlanks && c == ' ');
  });
}

bool IsNumeric(const UnicodeString& Txt, bool AllowBlanks, bool AllowNumRelChars) {
  const bool related = AllowBlanks && AllowNumRelChars;
  return std::all_of(Txt.begin(), Txt.end(), [&](char16_t c) {
    if (IsDigit(c)) return true;
    if (!AllowBlanks) return false;
    if (c == u' ') return true;
    return related && (c == u'+' || c == u',' || c == u'-' || c == u'.');
  });
}

bool ContainsNumbers(const UnicodeString& Txt) {
  return std::any_of(Txt.begin(), Txt.end(), IsDigit);
}

bool VerifySimpleFormat(const UnicodeString& Format, const UnicodeString& Str) {
  if (Format.size() != Str.size()) return false;
  for (size_t i = 0; i < Format.size(); ++i) {
    const char16_t f = Format[i];
    const char16_t s = Str[i];
    if (f == s || f == u'$' || (f == u'#' && IsDigit(s))) continue;
    return false;
  }
  return true;
}

bool VerifySimpleFormat(const AnsiString& Format, const AnsiString& Str) {
  return VerifySimpleFormat(ToUtf16(Format), ToUtf16(Str));
}

int32_t ContainHighAndLowChars(const UnicodeString& Content) {
  bool high = false;
  bool low = false;
  for (const char16_t c : Content) {
    high = high || IsHigh(c);
    low = low || IsLow(c);
    if (high && low) return 3;
  }
  return low ? 2 : (high ? 1 : 0);
}

int32_t ContainHighAndLowChars(const AnsiString& Content) {
  UnicodeString text = ToUtf16(Content);
  // The codec carries an undecodable byte b as U+DC00+b; read it as Latin-1.
  for (char16_t& c : text)
    if (c >= 0xDC80 && c <= 0xDCFF) c = static_cast<char16_t>(c - 0xDC00);
  return ContainHighAndLowChars(text);
}

}  // namespace TkxStrings
