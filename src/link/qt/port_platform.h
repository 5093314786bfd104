#pragma once

// What the port adapter asks of the platform, with one implementation per platform chosen by the
// build (port_platform_posix.cpp, port_platform_win.cpp). No Qt here.

#include <string>

#include "link/qt/port_fault.h"

namespace ctrlprog {

// What a refused open of `device` means: we may not open it at all (8002), or another program
// holds it (8005).
PortFault PermissionFault(const std::string& device);

// Whether `device` is a serial line at all: /dev/null or a plain file is not.
bool IsSerialLine(const std::string& device);

// True when the open line reports a hang-up, as a vanished device does; a full output queue
// does not. `descriptor` is the line's, or -1 where the platform has none to ask.
bool LineHungUp(int descriptor);

// Takes an exclusive lock on the open line, so a second opener is refused whatever name it used
// and whoever it runs as. Our error number: kCommOk, or kCommPortBusy.
int LockLine(int descriptor);

// A claim on a device for the length of a transfer, across the close and reopen of polling: an
// exclusive lock on a file named after the device in the run-time lock folder, which every
// opener of ours takes before the device itself, whatever name it used and whoever it runs as.
class DeviceClaim {
 public:
  DeviceClaim() = default;
  ~DeviceClaim() { Release(); }
  DeviceClaim(const DeviceClaim&) = delete;
  DeviceClaim& operator=(const DeviceClaim&) = delete;

  // Claims `device` (its canonical name): None, Busy when another opener holds it, or
  // TooManyFiles. Where no lock folder can be written there is no claim, and the lock on the
  // open line alone keeps a second opener out.
  PortFault Take(const std::string& device);
  void Release();
  // The device claimed, or empty.
  const std::string& Device() const { return device_; }

 private:
  int fd_ = -1;
  std::string device_;
};

// The device a path names once its links are resolved, so one device has one name and one lock.
std::string CanonicalDevice(const std::string& path);

// The line's descriptor as these functions take it, from the handle QSerialPort gives.
inline int LineDescriptor(int handle) {
  return handle;
}
inline int LineDescriptor(void*) {
  return -1;
}

}  // namespace ctrlprog
