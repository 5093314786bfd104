#include "station/unit_scanning.h"

#include "station/line_pass_lookup.h"

namespace ctrlprog {

UnitScanning::UnitScanning(Options options) : options_(std::move(options)) {
  if (options_.pattern) pattern_.emplace(*options_.pattern);
  if (!options_.recordPath.empty()) book_.ReadRecord(options_.recordPath);
  if (options_.lineDb && options_.post) {
    lookup_ = std::make_unique<LinePassLookup>(*options_.lineDb, options_.post);
  }
}

UnitScanning::~UnitScanning() = default;

std::optional<std::string> UnitScanning::PatternProblem(const std::string& pattern) {
  try {
    std::regex check(pattern);
  } catch (const std::regex_error& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

std::unique_ptr<UnitGate> UnitScanning::GateFor(Link& link) {
  auto gate = std::make_unique<UnitGate>(
      link, book_,
      ScanRules{pattern_ ? &*pattern_ : nullptr, options_.pattern.value_or(""), options_.rework,
                options_.lineOptional},
      options_.station);
  gate->SetRegister(lookup_.get());
  return gate;
}

}  // namespace ctrlprog
