#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "link/qt/port_platform.h"
#include "link/serial_port.h"

namespace ctrlprog {

PortFault PermissionFault(const std::string& device) {
  // A device we may read and write that still refuses us is held: its lock file, or busy.
  return ::access(device.c_str(), R_OK | W_OK) == 0 ? PortFault::Busy : PortFault::NoSuchPort;
}

bool IsSerialLine(const std::string& device) {
  // A terminal we can open: /dev/null, /dev/zero or a /dev/tty with no terminal behind it are
  // character devices but no serial line.
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  const bool terminal = ::isatty(fd) == 1;
  ::close(fd);
  return terminal;
}

bool LineHungUp(int descriptor) {
  if (descriptor < 0) return true;
  pollfd pfd{descriptor, POLLOUT, 0};
  if (::poll(&pfd, 1, 0) < 0) return true;
  return (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

int LockLine(int descriptor) {
  if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) return kCommOk;
  // EWOULDBLOCK: another opener holds it. Any other failure: we cannot tell, so treat the line
  // as held rather than share it.
  return kCommPortBusy;
}

std::string CanonicalDevice(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

}  // namespace ctrlprog
