#include "station/unit_scanning.h"

#include "station/line_pass_lookup.h"

namespace ctrlprog {
namespace {

// A pattern the matcher refused (the front ends check first, so only by mistake): it lets no
// serial through rather than every one.
class RefusedPattern : public SerialPattern {
 public:
  explicit RefusedPattern(std::string text) : SerialPattern(std::move(text)) {}
  bool Matches(std::string_view) const override { return false; }
};

}  // namespace

UnitScanning::UnitScanning(Options options) : options_(std::move(options)) {
  if (options_.pattern) {
    auto compiled = SerialPattern::Compile(*options_.pattern);
    if (auto* p = std::get_if<std::unique_ptr<SerialPattern>>(&compiled)) {
      pattern_ = std::move(*p);
    } else {
      pattern_ = std::make_unique<RefusedPattern>(*options_.pattern);
    }
  }
  if (!options_.recordPath.empty()) book_.ReadRecord(options_.recordPath);
  if (options_.lineDb && options_.post) {
    lookup_ = std::make_unique<LinePassLookup>(*options_.lineDb, options_.post);
  }
}

UnitScanning::~UnitScanning() = default;

std::optional<std::string> UnitScanning::PatternProblem(const std::string& pattern) {
  auto compiled = SerialPattern::Compile(pattern);
  if (auto* why = std::get_if<std::string>(&compiled)) return *why;
  return std::nullopt;
}

std::unique_ptr<UnitGate> UnitScanning::GateFor(Link& link) {
  auto gate = std::make_unique<UnitGate>(link, book_,
                                         ScanRules{pattern_.get(), options_.pattern.value_or(""),
                                                   options_.rework, options_.lineOptional},
                                         options_.station);
  gate->SetRegister(lookup_.get());
  return gate;
}

}  // namespace ctrlprog
