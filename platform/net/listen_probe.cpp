#include "platform/net/listen_probe.h"

#include <errno.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/os/LastError.h"

namespace kx::platform::net {

bool CanListenOn(int32_t Port) {
  if (Port < 0 || Port > 65535) {
    SetLastOSError(EINVAL);
    return false;
  }
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return FailWithErrno();
  const int on = 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(static_cast<uint16_t>(Port));
  const bool ok = ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                  ::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                  ::listen(s, 1) == 0;
  if (!ok) FailWithErrno();
  ::close(s);
  return ok;
}

}  // namespace kx::platform::net
