#include <poll.h>

#include <cerrno>

#include "linedb_pg/socket_wait.h"

namespace ctrlprog {

bool WaitForSocket(int socket, bool forWrite, int ms) {
  pollfd fd{socket, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
  const int n = ::poll(&fd, 1, ms);
  return n > 0 || (n < 0 && errno != EINTR);
}

}  // namespace ctrlprog
