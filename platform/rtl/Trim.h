// platform/rtl/Trim.h — the platform's trim: every unit at or below U+0020
// removed at both ends (blanks, tabs, line ends and other control units).
// The view points into Text.
//   TrimBlanks(u"\t a b \r\n") == u"a b"
#pragma once

#include <string_view>

inline std::u16string_view TrimBlanks(std::u16string_view Text) {
  size_t begin = 0, end = Text.size();
  while (begin < end && Text[begin] <= u' ') ++begin;
  while (end > begin && Text[end - 1] <= u' ') --end;
  return Text.substr(begin, end - begin);
}
