// File-name masks against a plain recursive matcher over the same
// upper-cased code points; the real matcher must agree on every name and
// mask, and must not take exponential time on runs of "*".
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/file/Mask.h"
#include "platform/rtl/Text.h"

namespace {

// Memoised, so the reference itself stays polynomial.
bool Reference(const std::u32string& name, const std::u32string& mask, size_t n, size_t m,
               std::basic_string<int8_t>& memo) {
  int8_t& slot = memo[n * (mask.size() + 1) + m];
  if (slot >= 0) return slot != 0;
  bool result;
  if (m == mask.size())
    result = n == name.size();
  else if (mask[m] == U'*')
    result = Reference(name, mask, n, m + 1, memo) || (n < name.size() && Reference(name, mask, n + 1, m, memo));
  else
    result = n < name.size() && (mask[m] == U'?' || mask[m] == name[n]) &&
             Reference(name, mask, n + 1, m + 1, memo);
  slot = result ? 1 : 0;
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::u16string mask = ToUtf16(in.ConsumeRandomLengthString(64));
  const std::u16string name = ToUtf16(in.ConsumeRemainingBytesAsString());
  const std::u32string n = kx::platform::UpperCodePoints(name);
  const std::u32string m = kx::platform::UpperCodePoints(mask);
  std::basic_string<int8_t> memo((n.size() + 1) * (m.size() + 1), -1);
  const bool want = mask == u"*.*" || Reference(n, m, 0, 0, memo);
  if (kx::platform::MatchesMask(name, mask) != want) std::abort();
  return 0;
}
