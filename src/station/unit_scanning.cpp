#include "station/unit_scanning.h"

#include <utility>

#include "files/record_periods.h"
#include "index/record_index.h"
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

// An index that could not be opened: no board is taken for new, each is refused with why.
class UnusableHistory : public BoardHistory {
 public:
  explicit UnusableHistory(std::string why) : why_(std::move(why)) {}
  std::variant<std::optional<UnitBook::Past>, std::string> Look(const std::string&) override {
    return why_;
  }

 private:
  std::string why_;
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
  if (!options_.recordPath.empty()) {
    // The boards of the record are asked of its index, one at a time, as they are scanned.
    auto opened = RecordIndex::Open(IndexPathOf(options_.recordPath),
                                    RecordFiles(options_.recordPath), options_.indexProgress);
    if (auto* index = std::get_if<std::unique_ptr<RecordIndex>>(&opened)) {
      index_ = std::move(*index);
      book_.UseHistory(index_.get());
    } else {
      unusable_ = std::make_unique<UnusableHistory>(std::get<std::string>(opened));
      book_.UseHistory(unusable_.get());
    }
  }
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
