#include "platform/process/Arguments.h"

namespace kx::platform {

std::vector<UnicodeString> SplitArguments(std::u16string_view CommandLine) {
  std::vector<UnicodeString> arguments;
  size_t i = 0;
  const size_t n = CommandLine.size();
  while (true) {
    while (i < n && CommandLine[i] <= u' ') ++i;
    if (i >= n) break;
    UnicodeString argument;
    bool quoted = false;
    for (; i < n && (quoted || CommandLine[i] > u' '); ++i) {
      if (CommandLine[i] == u'"')
        quoted = !quoted;
      else
        argument.push_back(CommandLine[i]);
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace kx::platform
