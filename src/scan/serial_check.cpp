#include "scan/serial_check.h"

#include "model/say.h"
#include "model/utf8.h"

namespace ctrlprog {

std::optional<std::string> SerialRefusal(std::string_view serial, const std::regex* pattern,
                                         std::string_view patternText) {
  if (serial.empty()) return Say("the serial is empty");
  if (serial.size() > kMaxSerialLength) {
    return Say("the serial has %1 characters, more than %2",
               {std::to_string(serial.size()), std::to_string(kMaxSerialLength)});
  }
  for (const char c : serial) {
    if (c < 0x20 || c > 0x7E) {
      return Say("the serial holds %1, which is not a printable character",
                 {EscapeName(std::string(1, c))});
    }
  }
  if (pattern && !std::regex_match(serial.begin(), serial.end(), *pattern)) {
    return Say("the serial does not match the pattern %1", {patternText});
  }
  return std::nullopt;
}

std::string_view TrimScan(std::string_view line) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!line.empty() && blank(line.front())) line.remove_prefix(1);
  while (!line.empty() && blank(line.back())) line.remove_suffix(1);
  return line;
}

}  // namespace ctrlprog
