// The line parsers of the services and hosts files: any line, any name. A
// name or address is trimmed, holds no blank or tab, and is part of the line;
// a port is read without running past the line.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/rtl/Text.h"
#include "platform/rtl/CaseMapping.h"
#include "system/kxToolsEvo2_Process.h"

namespace {

void CheckWord(const UnicodeString& Line, const UnicodeString& Word) {
  if (Word.find_first_of(u" \t") != UnicodeString::npos) std::abort();
  if (!Word.empty() && (Word.front() <= u' ' || Word.back() <= u' ')) std::abort();
  if (Line.find(Word) == UnicodeString::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const UnicodeString name = ToUtf16(in.ConsumeRandomLengthString(16));
  const UnicodeString line = ToUtf16(in.ConsumeRemainingBytesAsString());
  (void)TkxTools::detail::ServicesLinePort(line, name);
  CheckWord(line, TkxTools::detail::ServicesLineName(line));
  if (const auto address = TkxTools::detail::HostsLineAddress(line, UpperText(name))) CheckWord(line, *address);
  return 0;
}
