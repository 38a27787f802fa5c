#include "platform/rtl/CaseMapping.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>

namespace {

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

struct Mapping {
  UChar32 (*map)(UChar32);
  char16_t asciiFrom;   // "a" for upper case, "A" for lower case
  int asciiDelta;       // added to an ASCII letter in range
  std::array<char16_t, 256> latin1;  // U+0000..U+00FF, mapped once: no ICU call for them
};

Mapping MakeMapping(UChar32 (*map)(UChar32), char16_t asciiFrom, int asciiDelta) {
  Mapping m{map, asciiFrom, asciiDelta, {}};
  for (UChar32 c = 0; c < 256; ++c) {
    const UChar32 mapped = map(c);
    m.latin1[c] = static_cast<char16_t>(mapped <= 0xFFFF ? mapped : c);
  }
  return m;
}

UChar32 IcuUpper(UChar32 c) { return u_toupper(c); }
UChar32 IcuLower(UChar32 c) { return u_tolower(c); }

const Mapping& UpperMapping() {
  static const Mapping m = MakeMapping(IcuUpper, u'a', -32);
  return m;
}

const Mapping& LowerMapping() {
  static const Mapping m = MakeMapping(IcuLower, u'A', 32);
  return m;
}

// Maps the code point at p[i] (a surrogate pair counts as one) and answers the
// number of units it took. A mapping that would need a different number of
// units leaves the code point as it is; a lone surrogate passes unchanged.
size_t MapOne(const Mapping& m, char16_t* p, size_t i, size_t n) {
  const char16_t u = p[i];
  if (u < 0x100) {
    p[i] = m.latin1[u];
  } else if (IsHigh(u)) {
    if (i + 1 < n && IsLow(p[i + 1])) {
      const UChar32 c = 0x10000 + ((UChar32(u) - 0xD800) << 10) + (UChar32(p[i + 1]) - 0xDC00);
      const UChar32 mapped = m.map(c);
      if (mapped >= 0x10000 && mapped <= 0x10FFFF) {
        p[i] = static_cast<char16_t>(0xD800 + ((mapped - 0x10000) >> 10));
        p[i + 1] = static_cast<char16_t>(0xDC00 + ((mapped - 0x10000) & 0x3FF));
      }
      return 2;
    }
  } else if (!IsLow(u)) {
    const UChar32 mapped = m.map(u);
    if (mapped < 0x10000 && !(mapped >= 0xD800 && mapped <= 0xDFFF)) p[i] = static_cast<char16_t>(mapped);
  }
  return 1;
}

UnicodeString MapText(std::u16string_view S, const Mapping& m) {
  UnicodeString out(S);
  char16_t* p = out.data();
  const size_t n = out.size();
  // ASCII fast path: a block of plain ASCII units is mapped without a branch
  // per unit (the fixed-size loops become vector code); any other block goes
  // code point by code point.
  constexpr size_t kBlock = 16;
  size_t i = 0;
  while (i < n) {
    const size_t end = std::min(n, i + kBlock);
    if (end - i == kBlock) {
      char16_t any = 0;
      for (size_t k = 0; k < kBlock; ++k) any |= p[i + k];
      if (any < 0x80) {
        for (size_t k = 0; k < kBlock; ++k) {
          const char16_t u = p[i + k];
          p[i + k] = static_cast<char16_t>(u + (char16_t(u - m.asciiFrom) < 26 ? m.asciiDelta : 0));
        }
        i = end;
        continue;
      }
    }
    while (i < end) i += MapOne(m, p, i, n);
  }
  return out;
}

}  // namespace

UnicodeString UpperText(std::u16string_view S) { return MapText(S, UpperMapping()); }

UnicodeString LowerText(std::u16string_view S) { return MapText(S, LowerMapping()); }

namespace {

template <class Char>
Char AsciiUpperUnit(Char c) {
  return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - 32) : c;
}

template <class Char>
Char AsciiLowerUnit(Char c) {
  return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c + 32) : c;
}

template <class Char, Char (*Map)(Char)>
std::basic_string<Char> MapAscii(std::basic_string_view<Char> Text) {
  std::basic_string<Char> out(Text);
  for (Char& c : out) c = Map(c);
  return out;
}

template <class Char>
bool SameAscii(std::basic_string_view<Char> A, std::basic_string_view<Char> B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (AsciiUpperUnit(A[i]) != AsciiUpperUnit(B[i])) return false;
  return true;
}

}  // namespace

std::string AsciiUpper(std::string_view Text) { return MapAscii<char, AsciiUpperUnit<char>>(Text); }
std::string AsciiLower(std::string_view Text) { return MapAscii<char, AsciiLowerUnit<char>>(Text); }

UnicodeString AsciiUpper(std::u16string_view Text) {
  return MapAscii<char16_t, AsciiUpperUnit<char16_t>>(Text);
}

UnicodeString AsciiLower(std::u16string_view Text) {
  return MapAscii<char16_t, AsciiLowerUnit<char16_t>>(Text);
}

bool SameTextAscii(std::string_view A, std::string_view B) { return SameAscii(A, B); }
bool SameTextAscii(std::u16string_view A, std::u16string_view B) { return SameAscii(A, B); }
