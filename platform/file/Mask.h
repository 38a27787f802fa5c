// platform/file/Mask.h — the file-name masks of directory searches.
//
// "*" matches any run of characters (none included), "?" exactly one
// character (a code point, so one emoji); every other character matches
// itself without regard to case (simple upper-case mapping per code point).
// "*.*" matches every name, also one without a dot, as on the original
// platform. A mask without "*" and "?" is no mask: searches look such a name
// up directly, case-sensitively, as the file system does.
//   MatchesMask(u"Report.PDF", u"*.pdf") == true
//   MatchesMask(u"readme", u"*.*") == true;  MatchesMask(u"ab", u"a?b") == false
#pragma once

#include <string>
#include <string_view>

namespace kx::platform {

bool HasWildcards(std::u16string_view Text);
bool MatchesMask(std::u16string_view Name, std::u16string_view Mask);

// Text as code points, each upper-cased (a lone surrogate stands for
// itself): the form in which masks compare, and by which directory
// listings are ordered.
std::u32string UpperCodePoints(std::u16string_view Text);

}  // namespace kx::platform
