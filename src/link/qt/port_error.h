#pragma once

#include <QSerialPort>
#include <string>

namespace ctrlprog {

// What a QSerialPort error means for us.
enum class PortFault {
  None,        // nothing to do
  NoSuchPort,  // 8002: absent, not a terminal, or no access
  Busy,        // 8005: locked or held by another opener
  LineLost,    // the device went away or the line failed: close the port
  OutputFull,  // the device stopped taking bytes: the line is still there
  Other,       // any other failure
};

// The one place that reads Qt's serial error codes. `device` is the path being opened, so that
// the two meanings Qt folds into PermissionError (no access, locked by another) can be told
// apart; `isOpen` tells a failure of the open line from one of opening; `handle`, the open
// line's descriptor, tells a write that would block from a line that hung up.
PortFault ClassifyPortError(QSerialPort::SerialPortError error, const std::string& device,
                            bool isOpen, int handle = -1);

// Takes an exclusive advisory lock on the open line, so a second opener is refused whatever
// name it used and whoever it runs as. Our error number: kCommOk, or kCommPortBusy.
int LockLine(int handle);

// The device a path names once its symbolic links are resolved (the path itself when it cannot
// be resolved), so that one device has one name and one lock.
std::string CanonicalDevice(const std::string& path);

// Our error number for a failed open.
int CommErrorFor(PortFault fault);

}  // namespace ctrlprog
