// OCR text and loose matching on outside input: arbitrary bytes. Nothing
// raises; PrepareOCRText answers valid UTF-8 of the allowed characters only,
// with single blanks and no blank at either end; every abbreviation is
// non-blank and ends with the end mark; every run found without search words
// has more than two characters and no blank.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Trim.h"
#include "text/kxStrings_OCR.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t flags = data[0];
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::string ocr = TkxStrings::PrepareOCRText(bytes);
  if (!IsValidUtf8(ocr)) std::abort();
  if (!ocr.empty() && (ocr.front() == ' ' || ocr.back() == ' ')) std::abort();
  if (ocr.find("  ") != std::string::npos) std::abort();
  const std::u16string_view allowed =
      u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\u00E4\u00F6\u00FC\u00C4\u00D6\u00DC\u00DF ";
  for (char16_t c : ToUtf16(ocr))
    if (allowed.find(c) == std::u16string_view::npos) std::abort();

  const UnicodeString text = ToUtf16(bytes);
  const bool point = (flags & 1) != 0;
  TStringList abbreviations;
  TkxStrings::GetAbbreviationList(text, flags >> 4, point, abbreviations);
  for (int32_t i = 0; i < abbreviations.Count(); ++i) {
    const UnicodeString& a = abbreviations.Strings(i);
    if (TrimBlanks(a).empty() || (point && a.back() != u'.')) std::abort();
  }

  TStringList found;
  TkxStrings::FindSpacedWritingWords(text, nullptr, found);
  for (int32_t i = 0; i < found.Count(); ++i)
    if (found.Strings(i).size() <= 2 || found.Strings(i).find(u' ') != UnicodeString::npos)
      std::abort();
  TStringList search, matched;
  search.Add(u"RECHNUNG");
  search.Add(u"");
  TkxStrings::FindSpacedWritingWords(text, &search, matched);
  for (int32_t i = 0; i < matched.Count(); ++i)
    if (matched.Strings(i) != u"RECHNUNG") std::abort();
  return 0;
}
