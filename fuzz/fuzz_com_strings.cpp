// Com strings from outside (the tagged message protocol's answers): parsed
// both ways, the type and the lookups; and the block-by-block completeness
// test of the receive over a split of the same bytes into blocks, which must
// agree with the test of the whole text at every step.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "environment/kxComTools.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const AnsiString text(reinterpret_cast<const char*>(data + 1), size - 1);
  AnsiString type;
  TComResExt records;
  if (TkxComTools::ParseComAnswer(text, type, records, true)) {
    for (const TComPart& p : records) {
      // Every record is found by the name it came with.
      if (!TkxComTools::ComParamExists(records, p.OrgParam)) std::abort();
      TkxComTools::GetComParamSize(records, p.OrgParam);
      TkxComTools::GetComParamExt(records, p.Value.substr(0, 16), "d");
    }
    TkxComTools::GetFreeComParam(records);
  }
  if (TkxComTools::ParseComAnswer(text, type, records, false)) {
    for (size_t i = 0; i < records.size(); ++i)
      if (records[i].Param != std::to_string(i)) std::abort();
  }
  TkxComTools::GetComType(text);
  TComRes raw{text};
  TkxComTools::GetComListParamExt(raw, text.substr(0, 8), "d");

  // The split: block lengths from the first byte's bits, cut at zero bytes
  // as the receive cuts them.
  TkxComTools::detail::AnswerCompleteness complete;
  std::string received;
  size_t at = 0, step = data[0] % 13 + 1;
  while (at < text.size()) {
    const size_t n = std::min(step, text.size() - at);
    const size_t from = received.size();
    const std::string block = text.substr(at, n);
    received.append(block.substr(0, block.find('\0')));
    at += n;
    step = step * 7 % 29 + 1;
    const bool incremental = complete.Add(received, from);
    if (incremental != TkxComTools::detail::IsCompleteAnswer(received)) std::abort();
    if (incremental) break;
  }
  return 0;
}
