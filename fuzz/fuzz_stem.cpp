// Stemming and stop-list files on outside input. The first byte picks a
// language code (the fourteen of each column and an unlisted one) and the
// flags; the rest is the text, and also the contents of a stop-list file.
// Nothing raises but the file error; every word handed back is lower-case
// ASCII letters, digits or "_" (the text is flattened before stemming);
// deleting stop words never makes a text longer.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_Stem.h"

namespace {

bool IsWordUnit(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_';
}

void CheckWords(const TStringList& words) {
  for (int32_t i = 0; i < words.Count(); ++i)
    for (char16_t c : words.Strings(i))
      if (!IsWordUnit(c)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char16_t* const kCodes[] = {u"en", u"fr", u"sp", u"es", u"it", u"hu", u"da", u"fi",
                                           u"no", u"po", u"pt", u"ro", u"ru", u"sw", u"sv", u"de",
                                           u"xx"};
  const UnicodeString code = kCodes[(data[0] & 0x1F) % std::size(kCodes)];
  const bool flag = (data[0] & 0x20) != 0;
  const int32_t minSize = data[0] >> 6;
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const UnicodeString text = ToUtf16(bytes);

  TStringList wide, ansi;
  TkxStrings::StemStringW(text, u"", code, flag, flag, minSize, wide, false);
  CheckWords(wide);
  TkxStrings::StemStringUseCacheW(text, code, flag, !flag, minSize, ansi, flag);
  CheckWords(ansi);
  const UnicodeString single = TkxStrings::StemStringW(text, code, flag, flag, minSize);
  for (char16_t c : single)
    if (!IsWordUnit(c) && c != u'\r' && c != u'\n') std::abort();

  static const std::string path = "/tmp/fuzz_stem." + std::to_string(::getpid()) + ".txt";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  const UnicodeString content = u"the " + text + u" a and a the";
  if (TkxStrings::DeleteStopWords(content, ToUtf16(path)).size() > content.size()) std::abort();
  return 0;
}
