// Access lists and addresses from outside: GetIPListFromStr over any text,
// then IsIPInRange for another. Every entry holds exactly 8 parts, and
// every entry of a known type matches its own address text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "environment/kxNet_IP.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  const UnicodeString list = ToUtf16(input.substr(0, split));
  const UnicodeString ip = split == std::string::npos ? UnicodeString() : ToUtf16(input.substr(split + 1));

  TkxIPRanges ranges;
  if (!TkxNet::GetIPListFromStr(list, ranges)) std::abort();
  size_t checked = 0;
  for (const TkxIPAddress& entry : ranges) {
    if (entry.OctetArray.size() != 8) std::abort();
    if (entry.IPType != kxIPUnknown && checked++ < 16 &&
        !TkxNet::IsIPInRange(entry.Address, ranges)) {
      std::abort();
    }
  }
  const TkxIPAddress address = TkxNet::GetIPFromStr(ip);
  if (address.OctetArray.size() != 8) std::abort();
  if (TkxNet::IsIPInRange(ip, ranges) && address.IPType == kxIPUnknown) std::abort();
  return 0;
}
