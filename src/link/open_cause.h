#pragma once

#include <string>

namespace ctrlprog {

// Why a port did not open, as the operator needs to act on it. The port adapter decides it from
// the platform's code; front ends choose their advice by it, never by the words of an error.
enum class OpenCause {
  None,          // it opened
  NoPortNamed,   // the port box names no port
  OutOfRange,    // the port number does not fit 16 bits
  NoSuchDevice,  // nothing at that path: the adapter is unplugged
  NoAccess,      // the device is there, but this user may not open it
  Busy,          // another program holds it
  TooManyFiles,  // no descriptor left to open it with
  NotSerial,     // the path is no serial line
  Other,         // anything else
};

// What the operator should do, in the operator's language.
std::string OpenCauseAdvice(OpenCause cause);

}  // namespace ctrlprog
