#include "scan/unit_gate.h"

#include <utility>

#include "files/production_record.h"
#include "linedb/journal.h"
#include "linedb/record_time.h"
#include "model/say.h"
#include "model/utf8.h"
#include "scan/serial_check.h"

namespace ctrlprog {
namespace {

bool EndsBoard(LinkEventKind kind) {
  return kind == LinkEventKind::Passed || kind == LinkEventKind::Failed ||
         kind == LinkEventKind::Unconfirmed;
}

std::string AlreadyPassed(std::string_view serial, const UnitBook::Past& past) {
  return Say(
      "board %1 already passed %2; scan another board, or ask the engineer to allow a rework",
      {serial, Where(past)});
}

int64_t MsOf(Clock::time_point time) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

}  // namespace

std::string Where(const UnitBook::Past& past) {
  return Say("at %1 on %2 %3", {LocalClockTime(past.passedMs, MsOf(Clock::now())),
                                EscapeName(past.station), EscapeName(past.port)});
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
  Learn(serial, static_cast<int>(attempt), result == "PASS", EpochMs(std::string(time)).value_or(0),
        station, port);
}

std::variant<const UnitBook::Past*, std::string> UnitBook::Look(const std::string& serial) {
  const auto known = units_.find(serial);
  // A pass is for good; a board not passed yet may have passed since on another station
  // writing the same record, so the record is asked again.
  if (known != units_.end() && (known->second.passed || !history_)) return &known->second;
  if (!history_) return nullptr;
  auto looked = history_->Look(serial);
  if (auto* why = std::get_if<std::string>(&looked)) return *why;
  const auto& past = std::get<std::optional<Past>>(looked);
  if (known == units_.end()) {
    if (!past) return nullptr;
    // Kept for the run: this board's later results are learnt on top of it.
    return &(units_[serial] = *past);
  }
  // What this run learnt and the record has not taken yet still counts.
  Past& kept = known->second;
  if (past) {
    kept.attempts = std::max(kept.attempts, past->attempts);
    if (past->passed) kept = Past{kept.attempts, true, past->passedMs, past->station, past->port};
  }
  return &kept;
}

void UnitBook::Learn(const std::string& serial, int attempt, bool passed, int64_t ms,
                     std::string_view station, std::string_view port) {
  // The record is not asked here: `attempt` already counts its attempts (the board was looked
  // up as it was scanned), and the next scan of it asks the record again.
  Past& past = units_[serial];
  past.attempts = std::max(past.attempts, attempt);
  if (!passed) return;
  past.passed = true;
  past.passedMs = ms;
  past.station = station;
  past.port = port;
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
  link_.RequireNamedBoard();
  link_.AddGate([this] {
    Watch();
    return serial_.empty() || checking_ ? GateVerdict{GateVerdict::Kind::Hold, {}} : GateVerdict{};
  });
  link_.AddListener([this](const LinkEvent& event) { OnEvent(event); });
}

std::optional<std::string> UnitGate::Offer(std::string_view scanned) {
  const std::string_view serial = TrimScan(scanned);
  const auto refuse = [this](Refusal why, std::string reason) {
    lastRefusal_ = why;
    return std::optional<std::string>(std::move(reason));
  };
  if (auto refusal = SerialRefusal(serial, rules_.pattern, rules_.patternText)) {
    return refuse(Refusal::NotASerial, *refusal);
  }
  if (!serial_.empty()) {
    return refuse(Refusal::Busy, Say("board %1 on this port has no result yet", {serial_}));
  }
  if (const std::string* port = book_.HeldOn(std::string(serial))) {
    return refuse(Refusal::OnAnotherPort,
                  Say("board %1 is on %2 and has no result yet", {serial, EscapeName(*port)}));
  }
  const auto looked = book_.Look(std::string(serial));
  if (const auto* why = std::get_if<std::string>(&looked)) {
    // No answer is no pass: the board is not taken.
    return refuse(
        Refusal::Unchecked,
        Say("board %1 cannot be checked against this station's record: %2", {serial, *why}));
  }
  const UnitBook::Past* past = std::get<const UnitBook::Past*>(looked);
  if (past && past->passed && !rules_.rework) {
    return refuse(Refusal::AlreadyPassed, AlreadyPassed(serial, *past));
  }
  lastRefusal_ = Refusal::None;
  const int attempts = past ? past->attempts : 0;
  if (!register_) {
    Take(std::string(serial), attempts, kCheckedByRecord);
    return std::nullopt;
  }
  // Held until the line database says whether this board passed at another station.
  serial_ = serial;
  checking_ = true;
  unreachable_ = false;
  localAttempts_ = attempts;
  book_.Hold(serial_, link_.PortName());
  Ask();
  if (onChanged) onChanged();
  return std::nullopt;
}

void UnitGate::Ask() {
  asking_ = true;
  askedAt_ = link_.steadyClock();
  std::weak_ptr<int> alive = life_;
  register_->Ask(serial_, [this, alive, name = serial_, question = ++questions_](auto remote) {
    if (!alive.lock()) return;
    // The answer to an earlier question (one the gate stopped waiting for) leaves the one out
    // now to its own deadline.
    if (question == questions_) asking_ = false;
    Answered(name, remote);
  });
}

void UnitGate::Watch() {
  if (!checking_) return;
  const auto now = link_.steadyClock();
  if (asking_ && !unreachable_ && now - askedAt_ >= kAnswerWithin) Answered(serial_, std::nullopt);
  if (checking_ && !asking_ && unreachable_ && now - askedAt_ >= kAskAgainAfter) Ask();
}

void UnitGate::Take(const std::string& serial, int attempts, std::string_view checkedBy) {
  serial_ = serial;
  book_.Hold(serial_, link_.PortName());
  checking_ = false;
  unreachable_ = false;
  attempt_ = attempts + 1;
  checkedBy_ = checkedBy;
  link_.SetUnit(serial_, attempt_, checkedBy_);
  if (onChanged) onChanged();
}

void UnitGate::Let(std::string_view why) {
  const std::string serial = std::exchange(serial_, {});
  book_.Release(serial);
  checking_ = false;
  unreachable_ = false;
  if (onLateRefusal) onLateRefusal(serial, std::string(why));
  if (onChanged) onChanged();
}

void UnitGate::Answered(const std::string& serial, const std::optional<UnitBook::Past>& remote) {
  if (!checking_ || serial != serial_) return;
  if (!remote) {
    // No answer is no pass: the board is held and asked for again, unless this station was
    // started to go on with its record alone.
    if (rules_.lineOptional) {
      Take(serial, localAttempts_, kCheckedByRecord);
      return;
    }
    if (!std::exchange(unreachable_, true) && onChanged) onChanged();
    return;
  }
  if (remote->passed && !rules_.rework) {
    lastRefusal_ = Refusal::AlreadyPassed;
    Let(AlreadyPassed(serial, *remote));
    return;
  }
  Take(serial, std::max(localAttempts_, remote->attempts), kCheckedByLine);
}

void UnitGate::ResetCounts() {
  boards_.clear();
  firstPass_ = 0;
  attempts_ = 0;
  if (onChanged) onChanged();
}

void UnitGate::OnEvent(const LinkEvent& event) {
  if (!EndsBoard(event.kind) || serial_.empty() || checking_) return;
  const bool passed = event.kind == LinkEventKind::Passed;
  book_.Learn(serial_, attempt_, passed, MsOf(event.time), station_, event.port);
  if (attempt_ == 1) boards_.insert(serial_);
  ++attempts_;
  if (passed && attempt_ == 1) ++firstPass_;
  book_.Release(serial_);
  serial_.clear();
  attempt_ = 0;
  checkedBy_.clear();
  link_.SetUnit({}, 0, {});
  if (onChanged) onChanged();
}

}  // namespace ctrlprog
