// The 8-bit list's readers of Text, CommaText and DelimitedText on arbitrary
// bytes, zero bytes included. Whatever the input, reading must end, must not
// keep what ends an item inside one (a line break in a line, a zero byte in a
// delimited item), and what the list writes must read back as the same items.
//
// Input: byte 0 picks the delimiter, byte 1 the quote character, bit 0 of
// byte 2 StrictDelimiter; the rest is the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/kxAnsiStringList.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool SameItems(const TAnsiStringList& a, const TAnsiStringList& b) {
  if (a.Count() != b.Count()) return false;
  for (int32_t i = 0; i < a.Count(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

bool AnyItemHolds(const TAnsiStringList& list, const std::string& units) {
  for (int32_t i = 0; i < list.Count(); ++i)
    if (list[i].find_first_of(units) != std::string::npos) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const char delimiter = static_cast<char>(data[0]);
  const char quote = static_cast<char>(data[1]);
  const bool strict = (data[2] & 1) != 0;
  const std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
  const std::string zero(1, '\0');

  TAnsiStringList parsed;
  TAnsiStringList again;

  parsed.SetText(text);
  Check(!AnyItemHolds(parsed, "\r\n"));
  again.SetText(parsed.Text());
  Check(SameItems(parsed, again));

  parsed.SetCommaText(text);
  Check(!AnyItemHolds(parsed, zero));
  Check(parsed.Count() <= static_cast<int32_t>(text.size()) + 1);
  again.SetCommaText(parsed.CommaText());
  Check(SameItems(parsed, again));

  for (auto* list : {&parsed, &again}) {
    list->SetDelimiter(delimiter);
    list->SetQuoteChar(quote);
    list->SetStrictDelimiter(strict);
  }
  parsed.SetDelimitedText(text);
  Check(!AnyItemHolds(parsed, zero));
  Check(parsed.Count() <= static_cast<int32_t>(text.size()) + 1);
  // Writing and reading agree when the two characters are distinct and
  // neither a blank nor a control character (which reading skips).
  const auto printable = [](char c) { return static_cast<unsigned char>(c) > 0x20; };
  if (delimiter != quote && printable(delimiter) && printable(quote)) {
    again.SetDelimitedText(parsed.DelimitedText());
    Check(SameItems(parsed, again));
  }
  return 0;
}
