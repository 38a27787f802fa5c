// File-name masks against a plain recursive matcher over code points,
// case folded the same way; the real matcher must agree on every name and
// mask, and must not take exponential time on runs of "*".
#include <fuzzer/FuzzedDataProvider.h>
#include <unicode/uchar.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/file/Mask.h"
#include "platform/rtl/Text.h"

namespace {

std::u32string Folded(std::u16string_view text) {
  std::u32string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    out.push_back(static_cast<char32_t>(u_toupper(static_cast<UChar32>(c))));
  }
  return out;
}

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
  const std::u32string n = Folded(name), m = Folded(mask);
  std::basic_string<int8_t> memo((n.size() + 1) * (m.size() + 1), -1);
  const bool want = mask == u"*.*" || Reference(n, m, 0, 0, memo);
  if (kx::platform::MatchesMask(name, mask) != want) std::abort();
  return 0;
}
