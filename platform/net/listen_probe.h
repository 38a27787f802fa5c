// platform/net/listen_probe.h — whether a TCP port can be listened on.
#pragma once

#include <cstdint>

namespace kx::platform::net {

// Opens an IPv4 socket with SO_REUSEADDR, binds it to every address on
// Port, listens and closes it again; true when all of that succeeds. A port
// that a listener holds (over IPv4, or over IPv6 for both families) is
// taken; one that only a server's connections still in TIME_WAIT name is
// free, as a server that sets SO_REUSEADDR (as servers do) finds it. Port 0 binds a port the
// system picks (true); a Port outside 0..65535 is false, never cut to 16
// bits. A failing call leaves its errno in the last OS error
// (platform/os/LastError.h).
bool CanListenOn(int32_t Port);

}  // namespace kx::platform::net
