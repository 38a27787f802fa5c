// The configuration-string reader on arbitrary bytes, then every lookup on
// what it read and the writer on that list. Reading may fail (false and a
// reason), writing may refuse a name XML cannot take (an exception and the
// same reason in Message); nothing may crash, and what the writer wrote must
// read again. The first byte picks the flags.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "system/kxConfigTools.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const std::string config(reinterpret_cast<const char*>(data + 1), size - 1);

  TkxConfigTools tools;
  tools.ChangeProtection = (flags & 1) != 0;
  tools.AllowMultiParams = (flags & 2) != 0;
  if (!tools.ParseConfigString(config) && tools.Message.empty()) std::abort();

  // Lookups on every parameter read.
  const TkxConfigList read = tools.ConfigList;
  for (size_t i = 0; i < read.size(); ++i) {
    const TkxConfigPart& part = read[i];
    if (!part.Active) continue;
    if (!tools.ConfigParamExists(part.Param)) std::abort();
    tools.GetConfigParam(part.Param);
    tools.GetConfigParam(part.Param, Variant::FromInteger(1));
    tools.GetConfigParamListId(part.Param);
    for (const TkxAttribute& a : part.Attributes)
      tools.GetAttribute(static_cast<int32_t>(i), a.Name, Variant(), (flags & 4) != 0);
    TkxConfigList below;
    tools.GetConfigList(part.Param, below, (flags & 8) != 0);
    TStringList names;
    tools.GetNodeElements(part.Param, names, (flags & 16) != 0);
  }
  TStringList top;
  tools.GetNodeElements(u"", top, false);

  // The writer on what was read; its output reads again.
  std::string written;
  try {
    written = tools.BuiltConfigString(tools.RootNodeName.empty() ? u"kxConfig" : tools.RootNodeName,
                                      (flags & 32) != 0, (flags & 64) != 0, (flags & 128) != 0);
  } catch (const Exception& e) {
    if (tools.Message != e.Message) std::abort();
    return 0;
  }
  TkxConfigTools again;
  UnicodeString root;
  if (!again.ParseConfigString(written, root, false)) std::abort();
  return 0;
}
