#include "link/qt/port_platform.h"
#include "link/serial_port.h"

namespace ctrlprog {

PortFault PermissionFault(const std::string&) {
  // Windows opens a COM port exclusively and refuses a second opener with "access denied":
  // another program holds it.
  return PortFault::Busy;
}

bool IsSerialLine(const std::string&) {
  return true;  // COM names are all Qt takes here; a missing one is DeviceNotFoundError
}

bool LineHungUp(int) {
  // Windows reports a removed adapter as a resource error, not as a full queue.
  return true;
}

int LockLine(int) {
  return kCommOk;  // the open itself was exclusive
}

// Windows opens a COM port exclusively, and a program holds it until it closes it: the claim
// names the device and holds nothing more.
PortFault DeviceClaim::Take(const std::string& device) {
  device_ = device;
  return PortFault::None;
}

void DeviceClaim::Release() {
  device_.clear();
}

std::string CanonicalDevice(const std::string& path) {
  // "COM10" and above need the \\.\ prefix, which QSerialPort adds to names starting with
  // "COM" (QSerialPortInfoPrivate::portNameToSystemLocation in qserialportinfo_win.cpp).
  return path;
}

}  // namespace ctrlprog
