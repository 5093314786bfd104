#include "link/open_cause.h"

#include "model/say.h"

namespace ctrlprog {

std::string OpenCauseAdvice(OpenCause cause) {
  switch (cause) {
    case OpenCause::None:
      return {};
    case OpenCause::NoPortNamed:
      return Say("no port chosen — choose one in the port box");
    case OpenCause::OutOfRange:
      return Say("the port number does not fit 16 bits (-32768 to 32767)");
    case OpenCause::NoSuchDevice:
      return Say("no such device — plug the adapter in");
    case OpenCause::NoAccess:
      return Say("permission denied — install the package's device rule or join the dialout group");
    case OpenCause::Busy:
      return Say("held by another program");
    case OpenCause::TooManyFiles:
      return Say("too many open files — close other programs and try again");
    case OpenCause::NotSerial:
      return Say("not a serial port — choose another one");
    case OpenCause::Other:
      break;
  }
  return Say("the port cannot be opened — check the adapter and try again");
}

}  // namespace ctrlprog
