// platform/process/Arguments.h — a command line taken apart into arguments,
// the one rule for every text that names a program and its arguments
// (program starts, desktop entries, shell commands).
//
// Arguments are separated by runs of units at or below U+0020; a double
// quote switches between quoted and unquoted text and is dropped; inside
// quotes blanks do not separate. A pair of quotes with nothing between
// them, standing alone, is an empty argument.
//   SplitArguments(u"\"C:\\my prog\" -a  \"b c\"d") == {u"C:\\my prog", u"-a", u"b cd"}
//   SplitArguments(u"x \"\" y") == {u"x", u"", u"y"}
#pragma once

#include <string_view>
#include <vector>

#include "platform/rtl/Text.h"

namespace kx::platform {

std::vector<UnicodeString> SplitArguments(std::u16string_view CommandLine);

}  // namespace kx::platform
