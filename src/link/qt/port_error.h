#pragma once

#include <QSerialPort>
#include <string>

#include "link/open_cause.h"
#include "link/qt/port_fault.h"

namespace ctrlprog {

// The one place that reads Qt's serial error codes. `device` is the path being opened, so that
// the two meanings Qt folds into PermissionError (no access, locked by another) can be told
// apart; `isOpen` tells a failure of the open line from one of opening; `handle`, the open
// line's descriptor, tells a write that would block from a line that hung up.
PortFault ClassifyPortError(QSerialPort::SerialPortError error, const std::string& device,
                            bool isOpen, int handle = -1);

// Why an open failed, for the operator: Qt's code where it tells more than our fault (an absent
// device and a path that is no terminal are both NoSuchPort to the form).
OpenCause OpenCauseOf(QSerialPort::SerialPortError error, PortFault fault);

// Our error number for a failed open.
int CommErrorFor(PortFault fault);

}  // namespace ctrlprog
