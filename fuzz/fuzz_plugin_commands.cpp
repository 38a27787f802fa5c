// Command sequences fed to the command entry in-process: each input line is
// "number<TAB>text". No command may crash, answer anything but 0 or -1,
// or write ErrorText on 0. The export run (600) is left out: it writes
// files wherever the settings point.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "export/kxExport.h"
#include "export/kxPluginState.h"
#include "platform/rtl/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kx::plugin::ResetPluginState();
  const std::string input(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  int calls = 0;
  while (start <= input.size() && calls++ < 64) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    const std::string line = input.substr(start, end - start);
    start = end + 1;
    const size_t tab = line.find('\t');
    int32_t command = 0;
    // Kept below 1000 digit by digit: a long run of digits must not overflow.
    for (char c : line.substr(0, tab)) command = (command * 10 + (c & 0x0F) % 10) % 1000;
    if (command == 600) continue;  // the export run writes files where the text says
    const UnicodeString text = tab == std::string::npos ? UnicodeString() : ToUtf16(line.substr(tab + 1));
    // Room for the longest answer (the configuration string) and a guard.
    std::vector<char16_t> buffer(text.size() + 65536, u'\xA5A5');
    std::copy(text.begin(), text.end(), buffer.begin());
    buffer[text.size()] = 0;
    std::vector<char16_t> error(4096, u'\xA5A5');
    error[0] = u'S';
    error[1] = 0;
    const int32_t rc = kx::plugin::WideExport(command, buffer.data(), 0, error.data());
    if (rc != 0 && rc != -1) std::abort();
    if (rc == 0 && (error[0] != u'S' || error[1] != 0)) std::abort();
  }
  kx::plugin::ResetPluginState();
  return 0;
}
