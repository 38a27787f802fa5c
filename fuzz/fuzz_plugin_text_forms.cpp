// The host's field, cell and row text forms: whatever the text, the
// hand-over object stays consistent (each column's values and cells equally
// long, no row above the limit) and memory stays bounded by that limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "export/kxPluginTools.h"
#include "platform/rtl/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const UnicodeString text = ToUtf16(std::string(reinterpret_cast<const char*>(data), size));
  TkxPluginTools tools;
  const size_t fieldsBefore = tools.Fields.size();
  if (tools.AddField(text) && tools.Fields.size() != fieldsBefore + 1) std::abort();
  if (tools.GetFieldName(text).size() > text.size()) std::abort();
  tools.AddTableField(text);
  tools.AddTableRow(text);
  for (const TkxTableRecord& column : tools.Table) {
    if (column.Values.size() != column.Cells.size()) std::abort();
    if (column.Values.size() > static_cast<size_t>(TkxPluginTools::MaxTableRow) + 1) std::abort();
  }
  if (tools.TableRows.size() > static_cast<size_t>(TkxPluginTools::MaxTableRow) + 1) std::abort();
  return 0;
}
