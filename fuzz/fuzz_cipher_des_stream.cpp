// DecStream over any bytes, from any position, with and without the
// position flag and the CRC: it either rejects the input with EInputError
// or writes at most as many bytes as it read, never reading or writing
// outside the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Stream.h"
#include "system/internal/kxDES.h"

using namespace kxInternal;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  TDES des;
  des.CipherMode = static_cast<TCipherMode>(data[0] & 3);
  des.EncDecNoPosFlage = (data[0] & 4) != 0;
  des.CrcCaclFlage = (data[0] & 8) != 0;
  des.InitialiseString("fuzz key");
  des.LoadIVString("fuzz iv");

  MemoryStream input, output;
  input.WriteBuffer(data + 2, static_cast<int64_t>(size - 2));
  input.SetPosition(data[1] % (static_cast<int64_t>(size) - 1));
  const int64_t available = des.EncDecNoPosFlage ? input.Size() - input.Position() : input.Size();
  try {
    des.DecStream(input, output);
    if (output.Size() > available) std::abort();
  } catch (const EInputError&) {
  }
  return 0;
}
