// Query texts from outside (the server side reads every request query with
// DecodeUrlParams). The first byte picks a form: the raw text, the text
// behind "encoding=<name>&" for each of the seven encodings, or the text
// enciphered under the real pass key of an enciphered encoding, so that the
// inner query reader is reached as well. Any input either raises an
// Exception or gives a list; a plain query gives one entry per "&" piece.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "system/internal/kxBase64.h"
#include "system/internal/kxCipherSecrets.h"
#include "system/internal/kxCipherToolsEvo3.h"

using namespace kxInternal;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* const kNames[] = {"none", "base64", "strong", "mega", "dcw", "service", "internal", "b64"};
  const unsigned form = data[0] % 16;
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string query;
  if (form == 0) {
    query = rest;
  } else if (form < 9) {
    query = std::string("encoding=") + kNames[form - 1] + "&" + rest;
  } else {
    const AnsiString id = secrets::DefaultKeyString();
    const char* name = form % 3 == 0 ? "mega" : (form % 3 == 1 ? "service" : "internal");
    const AnsiString key = form % 3 == 0   ? secrets::PassKeyMega(id)
                           : form % 3 == 1 ? secrets::PassKeyService(id)
                                           : secrets::PassKeyInternal(id);
    query = std::string("encoding=") + name + "&data=" +
            TkxBase64::StrToBase64(TkxCipher::EncodeString(rest, key), false);
  }
  TkxCipherEncoding encoding = kxCIPHENC_None;
  try {
    const TkxCipherUrlParams params = TkxCipher::DecodeUrlParams(query, encoding);
    const bool enciphered =
        encoding == kxCIPHENC_Mega || encoding == kxCIPHENC_Service || encoding == kxCIPHENC_Internal;
    if (!enciphered && !query.empty() &&
        params.size() != static_cast<size_t>(std::count(query.begin(), query.end(), '&')) + 1)
      std::abort();
  } catch (const Exception&) {
  }
  return 0;
}
