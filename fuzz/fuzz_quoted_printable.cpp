// Both quoted-printable decoders on arbitrary text: they must not fail and
// never make the text longer. And arbitrary bytes, encoded with every byte as
// a code (hexadecimal letters in either case) and soft line breaks of the
// three kinds between them, must decode to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/kxStrings_Convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (TkxStrings::ReplaceQuotedPrintable(text).size() > text.size()) std::abort();
  if (TkxStrings::ReplaceQuotedPrintableSimple(text).size() > text.size()) std::abort();

  static const char kUpper[] = "0123456789ABCDEF";
  static const char kLower[] = "0123456789abcdef";
  static const char* const kSoftBreaks[] = {"=\r\n", "=\n", "=\r"};
  std::string encoded;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t b = data[i];
    const char* digits = (b + i) % 3 == 0 ? kLower : kUpper;
    encoded += '=';
    encoded += digits[b >> 4];
    encoded += digits[b & 0xF];
    if (b % 7 == 0) encoded += kSoftBreaks[b % 3];
  }
  if (TkxStrings::ReplaceQuotedPrintable(encoded) != text) std::abort();
  return 0;
}
