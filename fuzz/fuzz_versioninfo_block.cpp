// Version blocks: whatever bytes a block holds, parsing ends without a
// crash, every entry lies inside the block, and replacing an entry's text
// writes only inside that entry's own space: the block keeps its size, the
// entry reads back as the text cut to its space, and every other entry and
// the translations read back as before.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/versioninfo/VersionBlock.h"

using namespace kx::platform::versioninfo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string block(reinterpret_cast<const char*>(data), size);
  const auto parsed = ParseVersionBlock(block);
  if (!parsed) return 0;
  for (const StringTable& table : parsed->Tables) {
    for (const StringEntry& entry : table.Entries)
      if (entry.ValueOffset + 2 * entry.Space > block.size()) std::abort();
  }
  if (parsed->Tables.empty() || parsed->Tables[0].Entries.empty()) return 0;

  const StringEntry& target = parsed->Tables[0].Entries[0];
  const std::u16string text = u"replacement text of some length";
  std::string changed = block;
  ReplaceText(changed, target, text);
  if (changed.size() != block.size()) std::abort();
  const auto again = ParseVersionBlock(changed);
  if (!again || again->Translations != parsed->Translations ||
      again->Tables.size() != parsed->Tables.size())
    std::abort();
  const std::u16string_view want =
      std::u16string_view(text).substr(0, target.Space == 0 ? 0 : target.Space - 1);
  for (size_t t = 0; t < parsed->Tables.size(); ++t) {
    const auto& before = parsed->Tables[t].Entries;
    const auto& after = again->Tables[t].Entries;
    if (before.size() != after.size()) std::abort();
    for (size_t e = 0; e < before.size(); ++e) {
      if (before[e].NodeOffset == target.NodeOffset) {
        if (target.Space > 0 && after[e].Text != want) std::abort();
      } else if (after[e].Text != before[e].Text || after[e].Key != before[e].Key) {
        std::abort();
      }
    }
  }
  return 0;
}
