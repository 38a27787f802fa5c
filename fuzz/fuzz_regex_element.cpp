// One parenthesised element of every match, with an arbitrary pattern,
// text and element number: the operation answers or raises the toolkit's
// exceptions ("elementNo not found...", the engine's ERegExpr), never
// crashes, and never drops an entry of the list it was given.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_RegEx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int32_t element = in.ConsumeIntegralInRange<int32_t>(-2, 6);
  const bool narrow = in.ConsumeBool();
  const std::string earlier = in.ConsumeRandomLengthString(16);
  const std::string fragment = in.ConsumeRandomLengthString(64);
  const std::string content = in.ConsumeRemainingBytesAsString();
  TStringList results;
  results.Add(ToUtf16(earlier));
  try {
    if (narrow)
      TkxStrings::GetFromRegularExpressionEx(fragment, content, element, 0, 0, results);
    else
      TkxStrings::GetFromRegularExpressionEx(ToUtf16(fragment), ToUtf16(content), element, 0, 0,
                                             results);
  } catch (const Exception&) {
    // no such element, a pattern that does not compile, or a limit
  }
  if (results.Count() < 1) std::abort();
  return 0;
}
