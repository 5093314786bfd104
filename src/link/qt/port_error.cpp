#include "link/qt/port_error.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "link/serial_port.h"

namespace ctrlprog {
namespace {

bool Accessible(const std::string& device) {
  return ::access(device.c_str(), R_OK | W_OK) == 0;
}

// A terminal we can open: /dev/null, /dev/zero or a /dev/tty with no terminal behind it are
// character devices but no serial line.
bool IsTerminal(const std::string& device) {
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  const bool terminal = ::isatty(fd) == 1;
  ::close(fd);
  return terminal;
}

// True when the line reports a hang-up or an error, as a vanished device does; a full output
// queue reports neither.
bool LineHungUp(int handle) {
  if (handle < 0) return true;
  pollfd pfd{handle, POLLOUT, 0};
  if (::poll(&pfd, 1, 0) < 0) return true;
  return (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace

PortFault ClassifyPortError(QSerialPort::SerialPortError error, const std::string& device,
                            bool isOpen, int handle) {
  switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
      return PortFault::None;
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
      // A write that would block: the device stopped reading but is still there.
      if (isOpen && !LineHungUp(handle)) return PortFault::OutputFull;
      [[fallthrough]];
    case QSerialPort::ReadError:
    case QSerialPort::UnknownError:
      // Qt 6.4 repeats ReadError in a busy loop once the far end is gone; only closing stops it.
      if (isOpen) return PortFault::LineLost;
      break;
    default:
      break;
  }
  if (isOpen) return PortFault::Other;
  switch (error) {
    case QSerialPort::DeviceNotFoundError:
      return PortFault::NoSuchPort;
    case QSerialPort::PermissionError:
      // Qt says PermissionError both when we may not open the device and when another opener
      // holds its lock or it is busy.
      return Accessible(device) ? PortFault::Busy : PortFault::NoSuchPort;
    case QSerialPort::OpenError:
      return PortFault::Busy;  // already open through this port
    default:
      // A path that is no terminal (a plain file, a folder, /dev/null) is not a usable port.
      if (!device.empty() && !IsTerminal(device)) return PortFault::NoSuchPort;
      return PortFault::Other;
  }
}

int LockLine(int handle) {
  if (::flock(handle, LOCK_EX | LOCK_NB) == 0) return kCommOk;
  // EWOULDBLOCK: another opener holds it. Any other failure: we cannot tell, so treat the line
  // as held rather than share it.
  return kCommPortBusy;
}

std::string CanonicalDevice(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

int CommErrorFor(PortFault fault) {
  switch (fault) {
    case PortFault::None:
      return kCommOk;
    case PortFault::NoSuchPort:
      return kCommNoSuchPort;
    case PortFault::Busy:
      return kCommPortBusy;
    default:
      return kCommOtherError;
  }
}

}  // namespace ctrlprog
