// platform/rtl/Trim.h — the trims of text. Each answers a view into Text.
//
// TrimBlanks is the platform's trim and the toolkit's: every unit at or below
// U+0020 removed at both ends (blanks, tabs, line ends and other control
// units), nothing else, so U+00A0 and U+0085 stay. The 8-bit form removes
// every byte at or below 0x20; bytes from 0x80 up (UTF-8 sequences, raw
// bytes) always stay.
//   TrimBlanks(u"\t a b \r\n") == u"a b";  TrimBlanks(u"\u00A0a") == u"\u00A0a"
//
// The other two serve rules that name their own set:
// - TrimSpacesAndTabs: blanks and tabs only, for lines of a format that
//   keeps other control characters as data (HTTP's optional white space, the
//   indentation of registry files).
// - TrimWhiteSpace: control units (U+0000..U+001F, U+007F..U+009F) and every
//   Unicode white space (U+0020, U+00A0, U+1680, U+2000..U+200A, U+2028,
//   U+2029, U+202F, U+3000), for the names whose rules trim every white
//   space, not only blanks (configuration paths, document field names).
//     TrimWhiteSpace(u"\u3000a\u00A0") == u"a"
//
// The Left and Right forms trim one end only, for rules that name one end (a
// header's name before its separator, its value after it, the end of a line).
//   TrimSpacesAndTabsLeft(" a ") == "a ";  TrimBlanksRight(" a\r\n") == " a"
#pragma once

#include <string_view>

namespace kx::platform::detail {

template <class Char, class Pred>
std::basic_string_view<Char> TrimLeftIf(std::basic_string_view<Char> Text, Pred trimmed) {
  size_t begin = 0;
  while (begin < Text.size() && trimmed(Text[begin])) ++begin;
  return Text.substr(begin);
}

template <class Char, class Pred>
std::basic_string_view<Char> TrimRightIf(std::basic_string_view<Char> Text, Pred trimmed) {
  size_t end = Text.size();
  while (end > 0 && trimmed(Text[end - 1])) --end;
  return Text.substr(0, end);
}

template <class Char, class Pred>
std::basic_string_view<Char> TrimIf(std::basic_string_view<Char> Text, Pred trimmed) {
  return TrimRightIf(TrimLeftIf(Text, trimmed), trimmed);
}

constexpr bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= 0x20; }
constexpr bool IsSpaceOrTabByte(char c) { return c == ' ' || c == '\t'; }

constexpr bool IsWhiteSpaceUnit(char16_t c) {
  return c <= 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x00A0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x3000;
}

}  // namespace kx::platform::detail

inline std::u16string_view TrimBlanks(std::u16string_view Text) {
  return kx::platform::detail::TrimIf(Text, [](char16_t c) { return c <= 0x20; });
}

inline std::string_view TrimBlanks(std::string_view Text) {
  return kx::platform::detail::TrimIf(Text, kx::platform::detail::IsBlankByte);
}

inline std::string_view TrimBlanksRight(std::string_view Text) {
  return kx::platform::detail::TrimRightIf(Text, kx::platform::detail::IsBlankByte);
}

inline std::u16string_view TrimSpacesAndTabs(std::u16string_view Text) {
  return kx::platform::detail::TrimIf(Text, [](char16_t c) { return c == u' ' || c == u'\t'; });
}

inline std::string_view TrimSpacesAndTabs(std::string_view Text) {
  return kx::platform::detail::TrimIf(Text, kx::platform::detail::IsSpaceOrTabByte);
}

inline std::string_view TrimSpacesAndTabsLeft(std::string_view Text) {
  return kx::platform::detail::TrimLeftIf(Text, kx::platform::detail::IsSpaceOrTabByte);
}

inline std::string_view TrimSpacesAndTabsRight(std::string_view Text) {
  return kx::platform::detail::TrimRightIf(Text, kx::platform::detail::IsSpaceOrTabByte);
}

inline std::u16string_view TrimWhiteSpace(std::u16string_view Text) {
  return kx::platform::detail::TrimIf(Text, kx::platform::detail::IsWhiteSpaceUnit);
}
