// environment/kxNet_IP.h — TkxNet: the local machine's IPv4 addresses,
// address patterns and access lists, the local host, free ports.
//
// An address pattern is split into up to 8 numbered parts: IPv4 parts at
// "." and read as decimal, IPv6 parts at ":" and read as hexadecimal (the
// number readers of TkxConversion, so "$1F" or "0x1F" read as well). A part
// "*", a part that does not read as a number (or not as a 32-bit one) and a
// position beyond the last part are -1, which stands for any value; an empty
// part is 0 and is not expanded ("::1" is 0, 0, 1, not eight groups).
#pragma once

#include <cstdint>

#include "platform/rtl/StringList.h"
#include "platform/rtl/Text.h"
#include "system/kxTypes_Records.h"

namespace TkxNet {

// Appends the IPv4 addresses of the computer's host name, as the name
// lookup gives them (IPv4 only, in its order, each once), in dotted form;
// true when there was at least one. False, appending nothing, when the name
// cannot be read or looked up. On Debian the host name commonly resolves to
// 127.0.1.1 through the hosts file: that is the answer.
bool GetLocalIP(TStrings& IPList);
// The first address GetLocalIP gives; "127.0.0.1" when there is none.
UnicodeString GetSingleLocalIP();

// Address: IP trimmed of blanks and control characters. IPType: kxIPv6
// when IP holds ":", else kxIPv4 when it holds ".", else kxIPUnknown (whose
// parts are all -1). OctetArray: exactly 8 parts.
//   GetIPFromStr(u" 192.168.1.* ") gives 192, 168, 1, -1, -1, -1, -1, -1
//   GetIPFromStr(u"fe80:0:0:0:1:2:3:4") gives 65152, 0, 0, 0, 1, 2, 3, 4
TkxIPAddress GetIPFromStr(const UnicodeString& IP);

// IPList emptied, then one entry per piece of List (trimmed), pieces being
// separated by ",", ";" or CR LF (a lone LF separates nothing); an empty
// piece gives an entry of type kxIPUnknown. Always true.
//   GetIPListFromStr(u"10.0.0.*; 192.168", l) gives two kxIPv4 entries
bool GetIPListFromStr(const UnicodeString& List, TkxIPRanges& IPList);

// Whether IP matches an entry of IPList of its own type: at each of the 8
// positions the entry holds -1 or the address's value (so -1 in the address
// matches only -1 or "any"). Entries of type kxIPUnknown are passed over;
// an address of type kxIPUnknown (a host name, an empty text) is in no range.
bool IsIPInRange(const UnicodeString& IP, const TkxIPRanges& IPList);

// IP is exactly "127.0.0.1", "::1", "0:0:0:0:0:0:0:1" or
// "0000:0000:0000:0000:0000:0000:0000:0001", or "localhost" in any case. No
// trimming, no other forms.
bool IsLocalHost(const UnicodeString& IP);

// Whether a server could listen on Port now (platform/net/listen_probe.h):
// false for a port in use and for a Port outside 0..65535; 0 is true.
bool PortIsFree(int32_t Port);

}  // namespace TkxNet
