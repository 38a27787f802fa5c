// The regular-expression engine with an arbitrary pattern and text: every
// input either raises ERegExpr (a pattern that does not compile, a search
// that stops on a limit) or answers matches that lie inside the text, in
// order, each as the text has it. No crash, no hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/regex/RegExpr.h"
#include "platform/rtl/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t patternBytes = std::min<size_t>(data[0], size - 1);
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const UnicodeString pattern = ToUtf16(bytes.substr(0, patternBytes));
  const UnicodeString text = ToUtf16(bytes.substr(patternBytes));
  TRegExpr r;
  r.SetExpression(pattern);
  try {
    size_t next = 0;  // where the next match may start, 0-based
    for (bool more = r.Exec(text); more; more = r.ExecNext()) {
      const int32_t pos = r.MatchPos();
      const int32_t len = r.MatchLen();
      if (pos < 1 || len < 0 || static_cast<size_t>(pos - 1) < next ||
          static_cast<size_t>(pos - 1) + static_cast<size_t>(len) > text.size())
        std::abort();
      if (r.Match() != text.substr(static_cast<size_t>(pos - 1), static_cast<size_t>(len)))
        std::abort();
      next = static_cast<size_t>(pos - 1) + static_cast<size_t>(len) + (len == 0 ? 1 : 0);
    }
  } catch (const ERegExpr&) {
    // not compiled, or a limit
  }
  return 0;
}
