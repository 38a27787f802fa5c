// Dates in OCR text: any UTF-16 text with each country code, the plain and
// the hashed finding, and every cleaning of what was found. Nothing raises,
// the two findings agree, and the cleanings keep to what was found.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/HashedStringList.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "text/kxStrings_Dates.h"

namespace {
const char16_t* const kCountries[] = {u"de", u"fr", u"en", u"us", u"it", u"es", u"", u" De "};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const UnicodeString country = kCountries[in.ConsumeIntegralInRange<size_t>(0, 7)];
  const bool withoutNames = in.ConsumeBool();
  const auto future = static_cast<TFUTURE_TYPE>(in.ConsumeIntegralInRange<int>(0, 2));
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  UnicodeString content(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < content.size(); ++i)
    content[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                       (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));

  TStringList found;
  THashedStringList hashed;
  TkxStrings::GetAllDatesW(content, country, withoutNames, found);
  TkxStrings::GetAllDatesW(content, country, withoutNames, hashed);
  if (found.Count() != hashed.Count()) std::abort();

  const TDateTimes dates = TkxStrings::GetCleanDates(future, found);
  TStringList clean;
  TkxStrings::GetCleanDateWideStringList(future, found, clean);
  THashedStringList cleanHashed;
  TkxStrings::GetCleanDateHashedStringList(future, hashed, cleanHashed);
  if (static_cast<int32_t>(dates.size()) > found.Count() || clean.Count() > found.Count() ||
      cleanHashed.Count() > hashed.Count())
    std::abort();
  TkxStrings::GetNewestDate(future, found);
  TkxStrings::GetOldestDate(future, found);
  TkxStrings::GetNewestDate(future, true, hashed);
  TkxStrings::GetNewestDate(future, false, hashed);
  return 0;
}
