#include "environment/kxNet_IP.h"

#include <limits>

#include "platform/net/listen_probe.h"
#include "platform/net/name_lookup.h"
#include "platform/os/System.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Trim.h"
#include "text/kxConversion.h"

namespace TkxNet {

namespace {

constexpr size_t kParts = 8;

// A number read from a part, or -1 when it does not fit 32 bits.
int32_t Part(int64_t Value) {
  return Value < std::numeric_limits<int32_t>::min() || Value > std::numeric_limits<int32_t>::max()
             ? -1
             : static_cast<int32_t>(Value);
}

}  // namespace

bool GetLocalIP(TStrings& IPList) {
  try {
    const std::string host = kx::platform::HostName();
    if (host.empty()) return false;
    const kx::platform::net::HostLookup found =
        kx::platform::net::LookupHost(host, kx::platform::net::AddressOrder::IPv4Only);
    if (!found.Found()) return false;
    for (const std::string& address : found.Addresses) IPList.Add(ToUtf16(address));
    return true;
  } catch (...) {
    return false;
  }
}

UnicodeString GetSingleLocalIP() {
  TStringList list;
  return GetLocalIP(list) && list.Count() > 0 ? list.Strings(0) : UnicodeString(u"127.0.0.1");
}

TkxIPAddress GetIPFromStr(const UnicodeString& IP) {
  TkxIPAddress result;
  result.Address = UnicodeString(TrimBlanks(IP));
  result.IPType = IP.find(u':') != UnicodeString::npos   ? kxIPv6
                  : IP.find(u'.') != UnicodeString::npos ? kxIPv4
                                                         : kxIPUnknown;
  result.OctetArray.assign(kParts, -1);
  UnicodeString text = result.Address;
  for (char16_t& c : text) {
    if (c == u':') c = u'.';
  }
  text += u'.';
  size_t start = 0;
  for (size_t i = 0; i < kParts; ++i) {
    const size_t dot = text.find(u'.', start);
    if (dot == UnicodeString::npos) break;
    const UnicodeString part = text.substr(start, dot - start);
    start = dot + 1;
    if (part == u"*") continue;
    if (result.IPType == kxIPv4) {
      result.OctetArray[i] = Part(TkxConversion::StrToInt(part, -1));
    } else if (result.IPType == kxIPv6) {
      result.OctetArray[i] = Part(TkxConversion::HexToInt(part, -1));
    }
  }
  return result;
}

bool GetIPListFromStr(const UnicodeString& List, TkxIPRanges& IPList) {
  IPList.clear();
  UnicodeString text;
  const std::u16string_view trimmed = TrimBlanks(List);
  text.reserve(trimmed.size() + 1);
  for (size_t i = 0; i < trimmed.size(); ++i) {
    if (trimmed[i] == u';') {
      text += u',';
    } else if (trimmed[i] == u'\r' && i + 1 < trimmed.size() && trimmed[i + 1] == u'\n') {
      text += u',';
      ++i;
    } else {
      text += trimmed[i];
    }
  }
  if (!text.empty()) text += u',';
  size_t start = 0;
  for (size_t comma = text.find(u','); comma != UnicodeString::npos;
       start = comma + 1, comma = text.find(u',', start)) {
    IPList.push_back(GetIPFromStr(text.substr(start, comma - start)));
  }
  return true;
}

bool IsIPInRange(const UnicodeString& IP, const TkxIPRanges& IPList) {
  const TkxIPAddress address = GetIPFromStr(IP);
  if (address.IPType == kxIPUnknown) return false;
  for (const TkxIPAddress& entry : IPList) {
    if (entry.IPType == kxIPUnknown || entry.IPType != address.IPType) continue;
    bool match = true;
    for (size_t i = 0; i < kParts && match; ++i) {
      // An entry made elsewhere may hold fewer parts: the missing ones are "any".
      const int32_t want = i < entry.OctetArray.size() ? entry.OctetArray[i] : -1;
      match = want == -1 || want == address.OctetArray[i];
    }
    if (match) return true;
  }
  return false;
}

bool IsLocalHost(const UnicodeString& IP) {
  return IP == u"127.0.0.1" || IP == u"::1" || IP == u"0:0:0:0:0:0:0:1" ||
         IP == u"0000:0000:0000:0000:0000:0000:0000:0001" || LowerText(IP) == u"localhost";
}

bool PortIsFree(int32_t Port) { return kx::platform::net::CanListenOn(Port); }

}  // namespace TkxNet
