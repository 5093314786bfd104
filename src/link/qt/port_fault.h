#pragma once

namespace ctrlprog {

// What a serial port error means for us.
enum class PortFault {
  None,          // nothing to do
  NoSuchPort,    // 8002: absent, not a terminal, or no access
  Busy,          // 8005: locked or held by another opener
  LineLost,      // the device went away or the line failed: close the port
  OutputFull,    // the device stopped taking bytes: the line is still there
  TooManyFiles,  // this program, or the system, has no descriptor left to open it with
  Other,         // any other failure
};

}  // namespace ctrlprog
