#include <re2/re2.h>

#include "scan/serial_pattern.h"

namespace ctrlprog {
namespace {

// RE2 keeps no backtracking state: every match is linear in the serial's length.
class Re2SerialPattern : public SerialPattern {
 public:
  Re2SerialPattern(std::string text, std::unique_ptr<re2::RE2> re)
      : SerialPattern(std::move(text)), re_(std::move(re)) {}
  bool Matches(std::string_view serial) const override {
    return re2::RE2::FullMatch(re2::StringPiece(serial.data(), serial.size()), *re_);
  }

 private:
  std::unique_ptr<re2::RE2> re_;
};

}  // namespace

std::variant<std::unique_ptr<SerialPattern>, std::string> SerialPattern::Compile(
    const std::string& text) {
  re2::RE2::Options options;
  options.set_log_errors(false);  // the refusal is said once, by the caller
  auto re = std::make_unique<re2::RE2>(text, options);
  if (!re->ok()) return re->error();
  return std::unique_ptr<SerialPattern>(new Re2SerialPattern(text, std::move(re)));
}

}  // namespace ctrlprog
