#include <regex>

#include "scan/serial_pattern.h"

namespace ctrlprog {
namespace {

// For builds without RE2 (the cross-built Windows core, which has no front end to take a
// pattern from an operator): the standard library's engine, which may backtrack.
class StdSerialPattern : public SerialPattern {
 public:
  StdSerialPattern(std::string text, std::regex re)
      : SerialPattern(std::move(text)), re_(std::move(re)) {}
  bool Matches(std::string_view serial) const override {
    return std::regex_match(serial.begin(), serial.end(), re_);
  }

 private:
  std::regex re_;
};

}  // namespace

std::variant<std::unique_ptr<SerialPattern>, std::string> SerialPattern::Compile(
    const std::string& text) {
  try {
    std::regex re(text);
    return std::unique_ptr<SerialPattern>(new StdSerialPattern(text, std::move(re)));
  } catch (const std::regex_error& e) {
    return std::string(e.what());
  }
}

}  // namespace ctrlprog
