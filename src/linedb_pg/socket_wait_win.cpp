#include <winsock2.h>

#include "linedb_pg/socket_wait.h"

namespace ctrlprog {

bool WaitForSocket(int socket, bool forWrite, int ms) {
  WSAPOLLFD fd{static_cast<SOCKET>(socket), static_cast<short>(forWrite ? POLLWRNORM : POLLRDNORM),
               0};
  return ::WSAPoll(&fd, 1, ms) != 0;
}

}  // namespace ctrlprog
