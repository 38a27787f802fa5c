// The date readers on hostile text (dates arrive in document XML and JSON,
// registry values and URL parameters): whatever the input, no crash, no
// sanitizer report, no exception from the readers that promise none, only
// EConvertError from those that raise, and every value the format-list
// readers give lies in the calendar. (Time stamps and the milliseconds of an
// ISO time are taken as written, so those may lie beyond it.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"
#include "system/internal/kxInternalDateTime.h"
#include "system/kxDateTime.h"

namespace {

const TDateTime kDefault(-1e9);

// A value a reader gave is the default or a date that decodes.
void CheckValue(TDateTime value) {
  if (value == kDefault) return;
  uint16_t y, m, d, h, n, s, z;
  try {
    DecodeDateTime(value, y, m, d, h, n, s, z);
  } catch (...) {
    std::abort();
  }
}

template <class F>
void OnlyConvertErrors(F f) {
  try {
    f();
  } catch (const EConvertError&) {
  } catch (...) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const UnicodeString text = ToUtf16(bytes);
  try {
    const std::vector<UnicodeString> dates = {u"yyyy-mm-dd", u"yyyymmdd", u"dd.mm.yyyy",
                                              u"mm/dd/yy", u""};
    const std::vector<UnicodeString> times = {u"hh:nn:ss", u"hhnnss", u"hh.nn"};
    CheckValue(TkxDateTime::StrToDateExt(text, dates, kDefault));
    CheckValue(TkxDateTime::StrToDateExt(text, std::vector<AnsiString>{"dd-mm-yyyy"}, kDefault));
    CheckValue(kxInternal::TkxDateTime::StrToDateExt(text, dates, kDefault));
    CheckValue(TkxDateTime::StrToTimeExt(text, times, kDefault));
    CheckValue(TkxDateTime::StrToDateTimeExt(text, dates, times, kDefault));
    TkxDateTime::ISO8601ToDateTime(text, false);
    TTimeStamp stamp;
    TkxDateTime::StrToTimeStamp(text, stamp);
    kxInternal::TkxDateTime::StrToTimeStamp(text, stamp);
  } catch (...) {
    std::abort();  // none of these may raise
  }
  OnlyConvertErrors([&] { TkxDateTime::TimeStampStrToDateTime(text); });
  OnlyConvertErrors([&] {
    const TDateTime raised = TkxDateTime::ISO8601ToDateTime(text, true);
    if (raised != TkxDateTime::ISO8601ToDateTime(text, false)) std::abort();
  });
  OnlyConvertErrors([&] { TkxDateTime::StrToDateTime_YYYYMMDDHHNNSS(text); });
  OnlyConvertErrors([&] { kxInternal::TkxDateTime::StrToDateTime_YYYYMMDD(text); });
  return 0;
}
