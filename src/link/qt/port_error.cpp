#include "link/qt/port_error.h"

#include "link/qt/port_platform.h"
#include "link/serial_port.h"

namespace ctrlprog {

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
      // holds it; the platform tells which.
      return PermissionFault(device);
    case QSerialPort::OpenError:
      return PortFault::Busy;  // already open through this port
    default:
      // A path that is no terminal (a plain file, a folder, /dev/null) is not a usable port.
      if (!device.empty() && !IsSerialLine(device)) return PortFault::NoSuchPort;
      return PortFault::Other;
  }
}

OpenCause OpenCauseOf(QSerialPort::SerialPortError error, PortFault fault) {
  switch (fault) {
    case PortFault::None:
      return OpenCause::None;
    case PortFault::Busy:
      return OpenCause::Busy;
    case PortFault::TooManyFiles:
      return OpenCause::TooManyFiles;
    case PortFault::NoSuchPort:
      if (error == QSerialPort::DeviceNotFoundError) return OpenCause::NoSuchDevice;
      if (error == QSerialPort::PermissionError) return OpenCause::NoAccess;
      return OpenCause::NotSerial;
    default:
      return OpenCause::Other;
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
    default:  // too many open files, among others, is no message box of the window's
      return kCommOtherError;
  }
}

}  // namespace ctrlprog
