#include "link/port_name.h"

#include "link/serial_port.h"
#include "model/val.h"

namespace ctrlprog {

PortDevice DeviceForPortText(std::string_view text, Platform platform) {
  const size_t first = text.find_first_not_of(' ');
  if (first != std::string_view::npos && text[first] == '/') {
    std::string_view path = text.substr(first);
    while (!path.empty() && path.back() == ' ') path.remove_suffix(1);
    return {kCommOk, std::string(path)};
  }
  const double n = RoundHalfEven(Val(text));
  if (!(n >= -32768.0 && n <= 32767.0)) return {kCommOverflow, {}};
  if (n < 1) return {kCommOk, {}};
  const int number = static_cast<int>(n);
  if (platform == Platform::Windows) return {kCommOk, "COM" + std::to_string(number)};
  return {kCommOk, "/dev/ttyS" + std::to_string(number - 1)};
}

}  // namespace ctrlprog
