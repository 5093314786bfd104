#include "link/qt/port_error.h"

#include <sys/stat.h>
#include <unistd.h>

#include "link/serial_port.h"

namespace ctrlprog {
namespace {

bool Accessible(const std::string& device) {
  return ::access(device.c_str(), R_OK | W_OK) == 0;
}

bool IsCharacterDevice(const std::string& device) {
  struct stat st {};
  return ::stat(device.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

}  // namespace

PortFault ClassifyPortError(QSerialPort::SerialPortError error, const std::string& device,
                            bool isOpen) {
  switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
      return PortFault::None;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
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
      // A path that exists but is no terminal (a plain file, a folder) is not a usable port.
      if (!device.empty() && !IsCharacterDevice(device)) return PortFault::NoSuchPort;
      return PortFault::Other;
  }
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
