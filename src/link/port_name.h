#pragma once

#include <string>
#include <string_view>

namespace ctrlprog {

enum class Platform { Linux, Windows };

// The platform this program was built for.
Platform BuildPlatform();

// The device a port box text names.
struct PortDevice {
  int error = 0;       // kCommOverflow when the number does not fit 16 bits
  std::string device;  // empty when the text names no port
};

// A number N >= 1 (read by the Val rule, rounded half to even to 16 bits) is the platform's
// N-th serial port: COMN, or /dev/ttyS(N-1). 0 or less names no port. A text that begins with
// "/" (after blanks) is a device path taken as it stands, e.g. /dev/ttyUSB0.
[[nodiscard]] PortDevice DeviceForPortText(std::string_view text,
                                           Platform platform = BuildPlatform());

}  // namespace ctrlprog
