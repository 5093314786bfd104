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
  Other,       // any other failure
};

// The one place that reads Qt's serial error codes. `device` is the path being opened, so that
// the two meanings Qt folds into PermissionError (no access, locked by another) can be told
// apart; `isOpen` tells a failure of the open line from one of opening.
PortFault ClassifyPortError(QSerialPort::SerialPortError error, const std::string& device,
                            bool isOpen);

// Our error number for a failed open.
int CommErrorFor(PortFault fault);

}  // namespace ctrlprog
