// URL texts from outside: the query and path decoders of the server side.
// PercentDecode, DecodeUrlPart and ParseUrlParams run on the raw bytes;
// PercentDecode must also undo PercentEncode for any text the codec carries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "environment/kxNet_Url.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const AnsiString text(reinterpret_cast<const char*>(data), size);
  (void)TkxNet::PercentDecode(text);
  if (TkxNet::DecodeUrlPart(text).size() > text.size()) std::abort();
  const UnicodeString wide = ToUtf16(text);
  if (TkxNet::PercentDecode(TkxNet::PercentEncode(wide)) != wide) std::abort();
  try {
    TkxEncoding encoding = kxENC_None;
    const TkxUrlParams params = TkxNet::ParseUrlParams(text, encoding);
    for (const TkxUrlParam& p : params) {
      if (!TkxNet::UrlParamExists(p.Param, params) && p.Param == UpperText(p.Param)) std::abort();
    }
  } catch (const Exception&) {
  }
  return 0;
}
