// Comma and delimited text of string lists: whatever the input, reading it
// must end, and the text written from the parsed list must read back as the
// same items. Both kinds of list are fed: UTF-16 (the bytes decoded by the
// codec) and 8-bit (the raw bytes, so bytes above 0x7F reach the parser).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"

namespace {

template <class S>
bool SameItems(const TStringListT<S>& a, const TStringListT<S>& b) {
  if (a.Count() != b.Count()) return false;
  for (int32_t i = 0; i < a.Count(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

template <class S>
void CheckRoundTrips(const S& text, uint8_t mode) {
  TStringListT<S> parsed;
  TStringListT<S> again;
  parsed.SetCommaText(text);
  again.SetCommaText(parsed.CommaText());
  if (!SameItems(parsed, again)) std::abort();

  // Strict delimiting with a delimiter and quote char that the mode picks;
  // both printable and distinct, as a caller would set them.
  static const char kDelimiters[] = {',', ';', '|', '\t'};
  static const char kQuotes[] = {'"', '\''};
  for (auto* list : {&parsed, &again}) {
    list->SetStrictDelimiter(true);
    list->SetDelimiter(static_cast<typename S::value_type>(kDelimiters[mode & 3]));
    list->SetQuoteChar(static_cast<typename S::value_type>(kQuotes[(mode >> 2) & 1]));
  }
  parsed.SetDelimitedText(text);
  again.SetDelimitedText(parsed.DelimitedText());
  if (!SameItems(parsed, again)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  CheckRoundTrips(ToUtf16(bytes), mode);
  CheckRoundTrips(bytes, mode);
  return 0;
}
