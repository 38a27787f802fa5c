// The SQL injection guard: whatever the value, it answers or raises its one
// exception; without conversion an answer is the value itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "environment/kxSQL.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  const bool convert = (Data[0] & 1) != 0;
  const auto type = static_cast<TkxSQLQueryType>((Data[0] >> 1) % 4);
  const UnicodeString in = ToUtf16(std::string_view(reinterpret_cast<const char*>(Data + 1), Size - 1));
  try {
    const UnicodeString out = TkxSQL::SecureSQL(in, convert, type);
    if ((!convert || type != kxSQT_SELECT) && out != in) abort();
  } catch (const Exception& e) {
    if (e.Message != u"possible SQL injection attack detected!") abort();
  }
  return 0;
}
