// The number readers of the text toolkit on hostile text: whatever the input,
// no crash, no sanitizer report, and no exception while RaiseException is off.
// Beyond that, the separator analysis must keep its promise: a text that
// passes it converts unless its value is out of range, and the three
// operations agree on which texts pass.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/Currency.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"
#include "text/kxConversion.h"
#include "text/kxStrToFloatConverter.h"

namespace {

// A value no text converts to, so a Default coming back is recognisable.
constexpr double kDefault = -7.25e300;

void CheckConverter(const UnicodeString& text, bool replace) {
  namespace C = TkxStrToFloatConverter;
  const bool passes = C::CheckFloatString(text, replace);
  const double value = C::StrToFloat(text, kDefault, false, replace);
  const Currency sentinel = Currency::FromRaw(INT64_MIN + 1);
  const Currency money = C::StrToCurrency(text, sentinel, false, replace);
  if (!passes && (value != kDefault || money != sentinel)) std::abort();
  if (passes && std::isnan(value)) std::abort();
  // Counting the digits tells whether a passing text can be out of range.
  // (With replacements, the look-alikes count as digits.)
  static const std::u16string kLookAlikes = u"|!iIOosS";
  size_t digits = 0;
  for (char16_t c : text)
    if ((c >= u'0' && c <= u'9') || (replace && kLookAlikes.find(c) != std::u16string::npos)) ++digits;
  if (passes && digits < 15 && (value == kDefault || money == sentinel)) std::abort();

  // Raising must agree with the non-raising result.
  bool raised = false;
  try {
    C::StrToFloat(text, 0, true, replace);
  } catch (const EConvertError&) {
    raised = true;
  }
  if (raised != (value == kDefault)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const UnicodeString text = ToUtf16(std::string(reinterpret_cast<const char*>(data), size));

  const int64_t i = TkxConversion::StrToInt(text, -3);
  (void)i;
  (void)TkxConversion::HexToInt(text, -3);
  const double r = TkxConversion::StrToReal(text, false, 0.0);
  if (std::isnan(r)) std::abort();
  const double f = TkxConversion::StrToFloat(text, false, 0.0);
  if (std::isnan(f)) std::abort();
  (void)TkxConversion::StrToBool(text);

  CheckConverter(text, false);
  CheckConverter(text, true);
  return 0;
}
