#include "scan/unit_gate.h"

#include "files/production_record.h"
#include "linedb/journal.h"
#include "model/say.h"
#include "model/utf8.h"
#include "scan/serial_check.h"

namespace ctrlprog {
namespace {

bool EndsBoard(LinkEventKind kind) {
  return kind == LinkEventKind::Passed || kind == LinkEventKind::Failed ||
         kind == LinkEventKind::Unconfirmed;
}

std::string AlreadyPassed(std::string_view serial, std::string_view where) {
  return Say(
      "board %1 already passed %2; scan another board, or start with --rework to program it "
      "again",
      {serial, where});
}

}  // namespace

std::string Where(std::string_view time, std::string_view station, std::string_view port) {
  return Say("at %1 on %2 %3", {time, EscapeName(station), EscapeName(port)});
}

void UnitBook::ReadRecord(const std::string& path) {
  ForEachJournalRow(path, [this](const JournalRow& row) {
    LearnRow(row.serial, row.attempt, row.result, row.time, row.station, row.port);
  });
}

void UnitBook::LearnRow(const std::string& serial, int64_t attempt, const std::string& result,
                        std::string_view time, std::string_view station, std::string_view port) {
  if (serial.empty() || attempt < 1) return;
  if (result != "PASS" && result != "FAIL" && result != "UNCONFIRMED") return;
  Learn(serial, static_cast<int>(attempt), result == "PASS", Where(time, station, port));
}

void UnitBook::Learn(const std::string& serial, int attempt, bool passed,
                     const std::string& where) {
  Past& past = units_[serial];
  past.attempts = std::max(past.attempts, attempt);
  if (passed) past.passed = where;
}

const UnitBook::Past* UnitBook::Find(const std::string& serial) const {
  const auto it = units_.find(serial);
  return it == units_.end() ? nullptr : &it->second;
}

const std::string* UnitBook::HeldOn(const std::string& serial) const {
  const auto it = held_.find(serial);
  return it == held_.end() ? nullptr : &it->second;
}

UnitGate::UnitGate(Link& link, UnitBook& book, ScanRules rules, std::string station)
    : link_(link), book_(book), rules_(std::move(rules)), station_(std::move(station)) {
  link_.AddGate([this] {
    return serial_.empty() || checking_ ? GateVerdict{GateVerdict::Kind::Hold, {}} : GateVerdict{};
  });
  link_.AddListener([this](const LinkEvent& event) { OnEvent(event); });
}

std::optional<std::string> UnitGate::Offer(std::string_view scanned) {
  const std::string_view serial = TrimScan(scanned);
  if (auto refusal = SerialRefusal(serial, rules_.pattern, rules_.patternText)) return refusal;
  if (!serial_.empty()) {
    return Say("board %1 on this port has no result yet", {serial_});
  }
  if (const std::string* port = book_.HeldOn(std::string(serial))) {
    return Say("board %1 is on %2 and has no result yet", {serial, EscapeName(*port)});
  }
  const UnitBook::Past* past = book_.Find(std::string(serial));
  if (past && !past->passed.empty() && !rules_.rework) {
    return AlreadyPassed(serial, past->passed);
  }
  const int attempts = past ? past->attempts : 0;
  if (!register_) {
    Take(std::string(serial), attempts);
    return std::nullopt;
  }
  // Held until the line database says whether this board passed at another station.
  serial_ = serial;
  checking_ = true;
  book_.Hold(serial_, link_.PortName());
  std::weak_ptr<int> alive = life_;
  register_->Ask(serial_, [this, alive, name = serial_, attempts](auto remote) {
    if (alive.lock()) Answered(name, attempts, remote);
  });
  return std::nullopt;
}

void UnitGate::Take(const std::string& serial, int attempts) {
  serial_ = serial;
  book_.Hold(serial_, link_.PortName());
  checking_ = false;
  attempt_ = attempts + 1;
  link_.SetUnit(serial_, attempt_);
  if (onChanged) onChanged();
}

void UnitGate::Answered(const std::string& serial, int localAttempts,
                        const std::optional<UnitBook::Past>& remote) {
  if (!checking_ || serial != serial_) return;
  if (remote && !remote->passed.empty() && !rules_.rework) {
    book_.Release(serial_);
    serial_.clear();
    checking_ = false;
    if (onLateRefusal) onLateRefusal(serial, AlreadyPassed(serial, remote->passed));
    if (onChanged) onChanged();
    return;
  }
  Take(serial, std::max(localAttempts, remote ? remote->attempts : 0));
}

void UnitGate::ResetCounts() {
  boards_.clear();
  firstPass_ = 0;
  attempts_ = 0;
  if (onChanged) onChanged();
}

void UnitGate::OnEvent(const LinkEvent& event) {
  if (!EndsBoard(event.kind) || serial_.empty()) return;
  const bool passed = event.kind == LinkEventKind::Passed;
  book_.Learn(serial_, attempt_, passed, Where(RecordTime(event.time), station_, event.port));
  boards_.insert(serial_);
  ++attempts_;
  if (passed && attempt_ == 1) ++firstPass_;
  book_.Release(serial_);
  serial_.clear();
  attempt_ = 0;
  link_.SetUnit({}, 0);
  if (onChanged) onChanged();
}

}  // namespace ctrlprog
