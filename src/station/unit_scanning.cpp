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

// The record's index as the gates ask it. An index that could not be opened (held by another
// program, a record file it cannot read) is opened again at the next scan; until it opens, no
// board is taken for new, each is refused with why. Why is told once as it stops answering,
// not with every board it refuses.
class RecordHistory : public BoardHistory {
 public:
  // A lookup runs on the front end's thread: it waits for another program's lock on the index
  // this long at most, then refuses the board and asks again at the next scan.
  static constexpr std::chrono::milliseconds kWait{1000};

  RecordHistory(std::string recordPath, std::function<void(const std::string&)> tell,
                const RecordIndex::Progress& progress)
      : recordPath_(std::move(recordPath)), tell_(std::move(tell)) {
    if (auto why = Open(progress)) Told(*why);
  }
  std::variant<std::optional<UnitBook::Past>, std::string> Look(
      const std::string& serial) override {
    if (!index_) {
      if (auto why = Open({})) return Told(*why);
    }
    auto looked = index_->Look(serial);
    if (const auto* why = std::get_if<std::string>(&looked)) return Told(*why);
    failing_ = false;
    return looked;
  }

 private:
  std::optional<std::string> Open(const RecordIndex::Progress& progress) {
    auto opened = RecordIndex::Open(IndexPathOf(recordPath_), RecordFiles(recordPath_), progress,
                                    true, kWait);
    if (auto* why = std::get_if<std::string>(&opened)) return *why;
    index_ = std::move(std::get<std::unique_ptr<RecordIndex>>(opened));
    // A rotating record begins a new file as each period begins: each lookup lists them.
    index_->ListFilesWith([path = recordPath_] { return RecordFiles(path); });
    // A lookup runs on the front end's thread: rows added by the thousand are read a second's
    // worth at a time, and the board refused meanwhile.
    index_->ReadAtMost(std::chrono::seconds(1));
    return std::nullopt;
  }
  std::string Told(const std::string& why) {
    if (!std::exchange(failing_, true) && tell_) tell_(why);
    return why;
  }

  std::string recordPath_;
  std::function<void(const std::string&)> tell_;
  std::unique_ptr<RecordIndex> index_;
  bool failing_ = false;
};

}  // namespace

UnitScanning::UnitScanning(Options options, std::function<void(const std::string&)> indexProblem)
    : options_(std::move(options)) {
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
    history_ = std::make_unique<RecordHistory>(options_.recordPath, std::move(indexProblem),
                                               options_.indexProgress);
    book_.UseHistory(history_.get());
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
