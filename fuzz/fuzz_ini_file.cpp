// INI files (data link files, default start parameters): whatever bytes a
// file holds, reading must end without a crash, as UTF-8 and as UTF-16 with
// either byte-order mark. Every key the file defines must be found, and a
// lookup must agree with ValueExists.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/rtl/IniFile.h"
#include "platform/rtl/Trim.h"

namespace {

void Check(std::string_view Bytes, const UnicodeString& Text) {
  const TMemIniFile ini = TMemIniFile::FromBytes(Bytes);
  // A value never begins or ends with a control unit: trimmed.
  const UnicodeString absent = u"\x01absent\x01";
  UnicodeString section;
  bool inSection = false;
  size_t p = 0;
  while (p <= Text.size()) {
    size_t end = Text.find_first_of(u"\r\n", p);
    if (end == UnicodeString::npos) end = Text.size();
    const std::u16string_view line = TrimBlanks(std::u16string_view(Text).substr(p, end - p));
    p = end + 1;
    if (line.empty() || line[0] == u';') continue;
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
      section = UnicodeString(TrimBlanks(line.substr(1, line.size() - 2)));
      inSection = true;
      continue;
    }
    const size_t eq = line.find(u'=');
    if (!inSection || eq == std::u16string_view::npos) continue;
    const UnicodeString key(TrimBlanks(line.substr(0, eq)));
    if (key.empty()) continue;
    if (!ini.ValueExists(section, key)) std::abort();
    if (ini.ReadString(section, key, absent) == absent) std::abort();
    (void)ini.ReadInteger(section, key, 0);
    (void)ini.ReadInt64(section, key, 0);
    (void)ini.ReadBool(section, key, false);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (size < 2 || !((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF)))
    if (!(size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF))
      Check(bytes, ToUtf16(bytes));

  // The same bytes as UTF-16 text behind each byte-order mark.
  UnicodeString text;
  for (size_t i = 0; i + 1 < size; i += 2)
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  Check("\xFF\xFE" + std::string(bytes), text);
  UnicodeString swapped;
  for (size_t i = 0; i + 1 < size; i += 2)
    swapped.push_back(static_cast<char16_t>((data[i] << 8) | data[i + 1]));
  Check("\xFE\xFF" + std::string(bytes), swapped);
  return 0;
}
