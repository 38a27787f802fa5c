// Cipher strings from outside (logon strings, locked scripts, query data):
// DecString in both string forms and all four modes over any bytes must
// either raise the component's errors or give a text; and any bytes must
// survive EncString followed by DecString.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "system/internal/kxDES.h"

using namespace kxInternal;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const TCipherMode mode = static_cast<TCipherMode>(data[0] & 3);
  const TStringMode form = (data[0] & 4) != 0 ? smNormal : smEncode;
  const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);

  TDES des;
  des.CipherMode = mode;
  des.StringMode = form;
  des.InitialiseString("fuzz key");
  des.LoadIVString("fuzz iv");
  std::string out;
  try {
    des.DecString(input, out);
    if (out.size() >= input.size() && !input.empty()) std::abort();  // unpadding always removes a byte
  } catch (const EConvertError&) {
  } catch (const EInputError&) {
  }

  std::string cipher, back;
  des.LoadIVString("fuzz iv");
  des.EncString(input, cipher);
  des.LoadIVString("fuzz iv");
  des.DecString(cipher, back);
  if (back != input) std::abort();
  return 0;
}
