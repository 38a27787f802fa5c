// Multipart bodies from outside (the product's HTTP services hand request
// bodies to ParseMultiPartData). The first byte chooses whether content
// types are lower-cased; the rest is the body. The parse must end, never
// raise, and cut every part from the body itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "environment/kxNet_Multipart.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const AnsiString body(reinterpret_cast<const char*>(data + 1), size - 1);
  TMultiParts parts;
  const bool complete = TkxNet::ParseMultiPartData(body, parts, (data[0] & 1) != 0);
  for (const TMultiPart& part : parts) {
    if (part.Data.size() > body.size()) std::abort();
    if (!part.Data.empty() && body.find(part.Data) == std::string::npos) std::abort();
    if (complete && TkxNet::GetMultiPartId(parts, part.Name) < 0) std::abort();
    (void)TkxNet::GetMultiPartHeaderValue(part, u"content-type", u"");
  }
  return 0;
}
