// Numbers and currencies in OCR text: any UTF-16 text. Nothing raises; every
// number starts with a digit, holds at most 201 units and only digits and the
// allowed signs; every currency entry is non-empty and without blanks, and
// the caller's earlier entries are never dropped unless they become empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_Mining.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool withPoint = (data[0] & 1) != 0;
  const bool withComma = (data[0] & 2) != 0;
  UnicodeString content((size - 1) / 2, u'\0');
  for (size_t i = 0; i < content.size(); ++i)
    content[i] = static_cast<char16_t>(data[1 + 2 * i] | (data[2 + 2 * i] << 8));

  TStringList numbers;
  TkxStrings::GetAllNumbers(content, withPoint, withComma, numbers);
  for (int32_t i = 0; i < numbers.Count(); ++i) {
    const UnicodeString& n = numbers.Strings(i);
    if (n.empty() || n.size() > 201 || n[0] < u'0' || n[0] > u'9') std::abort();
    for (char16_t c : n)
      if (!((c >= u'0' && c <= u'9') || (withPoint && c == u'.') || (withComma && c == u',')))
        std::abort();
  }

  TStringList currencies;
  currencies.Add(u"EURO");
  TkxStrings::GetAllCurrencies(content, currencies);
  if (currencies.Count() < 1 || currencies.Strings(0) != u"EUR") std::abort();
  for (int32_t i = 0; i < currencies.Count(); ++i) {
    const UnicodeString& c = currencies.Strings(i);
    if (c.empty() || c.find(u' ') != UnicodeString::npos) std::abort();
  }
  return 0;
}
