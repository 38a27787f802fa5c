// The command-line splitter: no argument keeps a double quote, and an
// argument list written back with every argument quoted splits into the same
// list again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/process/Arguments.h"
#include "platform/rtl/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const UnicodeString line = ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::vector<UnicodeString> arguments = kx::platform::SplitArguments(line);
  UnicodeString again;
  for (const UnicodeString& argument : arguments) {
    if (argument.find(u'"') != UnicodeString::npos) std::abort();
    again += u"\"" + argument + u"\" ";
  }
  if (kx::platform::SplitArguments(again) != arguments) std::abort();
  return 0;
}
