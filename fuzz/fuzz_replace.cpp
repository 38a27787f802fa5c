// Replacing with arbitrary texts: every input must end, in bounded memory.
// FastReplaceA repeats its passes while the search text occurs, and a rule
// can recreate it with every pass; the bounds of FastReplaceA stop that. The
// one-pass forms (ReplaceW, ReplaceA with IgnoreCase) and the comma-text
// replacing must not fail either; the latter may raise its count error only.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_Replace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string from = in.ConsumeRandomLengthString(16);
  const std::string to = in.ConsumeRandomLengthString(16);
  const bool ignoreCase = in.ConsumeBool();
  const std::string source = in.ConsumeRemainingBytesAsString();

  const std::string result = TkxStrings::FastReplaceA(source, from, to);
  // Bounded memory: at most 16 times the source, times the growth of the one
  // pass that crosses that bound.
  const size_t growth = from.empty() ? 1 : to.size() / from.size() + 1;
  if (result.size() > 16 * source.size() * growth + source.size()) std::abort();
  // Without an occurrence nothing changes.
  if (!from.empty() && source.find(from) == std::string::npos && result != source) std::abort();

  const std::string once = TkxStrings::ReplaceA(source, from, to, true);
  if (!from.empty() && once.size() > source.size() / from.size() * to.size() + source.size())
    std::abort();

  const UnicodeString source16 = ToUtf16(source);
  const UnicodeString from16 = ToUtf16(from);
  const UnicodeString to16 = ToUtf16(to);
  TkxStrings::ReplaceW(source16, from16, to16, ignoreCase);
  TkxStrings::RemoveMoreThenOn(source16, from16, ignoreCase ? 2 : 0);
  try {
    TkxStrings::ReplaceEachElementW(source16, from16, to16, ignoreCase);
    TkxStrings::ReplaceEachElement(source, from, to, ignoreCase);
  } catch (const Exception&) {
    // the lists' counts differ
  }
  return 0;
}
