#include "platform/file/Mask.h"

#include <string>

#include "platform/rtl/CaseMapping.h"

namespace kx::platform {

std::u32string UpperCodePoints(std::u16string_view Text) {
  const UnicodeString upper = UpperText(Text);
  std::u32string out;
  out.reserve(upper.size());
  for (size_t i = 0; i < upper.size(); ++i) {
    char32_t c = upper[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < upper.size() && upper[i + 1] >= 0xDC00 &&
        upper[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (upper[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

bool HasWildcards(std::u16string_view Text) {
  return Text.find_first_of(u"*?") != std::u16string_view::npos;
}

bool MatchesMask(std::u16string_view Name, std::u16string_view Mask) {
  if (Mask == u"*.*") return true;
  const std::u32string name = UpperCodePoints(Name);
  const std::u32string mask = UpperCodePoints(Mask);
  // Greedy matching that returns to the last "*" on a mismatch and lets it
  // take one character more: O(name x mask) at worst, no recursion.
  size_t n = 0, m = 0;
  size_t star = std::u32string::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == U'*') {
      star = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
      ++n;
      ++m;
    } else if (star != std::u32string::npos) {
      m = star + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == U'*') ++m;
  return m == mask.size();
}

}  // namespace kx::platform
