#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace ctrlprog {

// A pattern a scanned serial must match whole, as the operator wrote it. It is matched in time
// linear in the serial, whatever the pattern: a pattern that would backtrack without end on a
// mis-scan must never hold the event loop. The engine is chosen by the build
// (serial_pattern_re2.cpp, or serial_pattern_std.cpp where RE2 is not at hand).
class SerialPattern {
 public:
  // The pattern compiled once, or why the engine refuses it.
  static std::variant<std::unique_ptr<SerialPattern>, std::string> Compile(const std::string& text);
  virtual ~SerialPattern() = default;
  virtual bool Matches(std::string_view serial) const = 0;
  const std::string& Text() const { return text_; }

 protected:
  explicit SerialPattern(std::string text) : text_(std::move(text)) {}

 private:
  std::string text_;
};

}  // namespace ctrlprog
