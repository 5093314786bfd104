#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>

#include "link/link.h"
#include "scan/serial_pattern.h"

namespace ctrlprog {

class BoardHistory;

// What is known of each board by its serial: how many attempts it had, and where and when it
// passed, if it did; from the record at start, then from every result of the run.
class UnitBook {
 public:
  struct Past {
    int attempts = 0;
    bool passed = false;
    int64_t passedMs = 0;  // when it passed (UTC milliseconds), and where
    std::string station, port;
  };
  // Learns every board the record at `path` names (rows without a serial name none).
  void ReadRecord(const std::string& path);
  void Learn(const std::string& serial, int attempt, bool passed, int64_t ms,
             std::string_view station, std::string_view port);
  // Learns from one row of a record or of the line database: a board's result, under its
  // serial; any other row (unscanned, lost, restored) teaches nothing.
  void LearnRow(const std::string& serial, int64_t attempt, const std::string& result,
                std::string_view time, std::string_view station, std::string_view port);
  const Past* Find(const std::string& serial) const;
  // What is known of `serial`, from this run and from `history` where one is given: null for a
  // board never seen, or why it cannot be told.
  std::variant<const Past*, std::string> Look(const std::string& serial);
  // Where boards seen before this run are looked up, instead of a record read whole.
  void UseHistory(BoardHistory* history) { history_ = history; }
  // Boards in hand: scanned on a port and without a result yet, so no other port takes them.
  void Hold(const std::string& serial, const std::string& port) { held_[serial] = port; }
  void Release(const std::string& serial) { held_.erase(serial); }
  // The port that holds the board `serial`, or null.
  const std::string* HeldOn(const std::string& serial) const;

 private:
  std::map<std::string, Past, std::less<>> units_;
  std::map<std::string, std::string, std::less<>> held_;
  BoardHistory* history_ = nullptr;
};

// The boards of the record, asked one at a time.
class BoardHistory {
 public:
  virtual ~BoardHistory() = default;
  // What the record says of the board `serial`: nothing when it names none, or why it cannot
  // be told.
  virtual std::variant<std::optional<UnitBook::Past>, std::string> Look(
      const std::string& serial) = 0;
};

// Where and when a board passed, as a refusal says it: "at 10:18 on STATION PORT", the time in
// local time as the operator reads it (with its date when not today).
std::string Where(const UnitBook::Past& past);

// Where else a board may have passed: the line's database, asked as each serial is scanned.
class PassRegister {
 public:
  virtual ~PassRegister() = default;
  // Asks what is known of the board `serial`; `answer` is called later, on the asker's thread,
  // with it, or with nothing when the register could not be asked.
  virtual void Ask(const std::string& serial,
                   std::function<void(std::optional<UnitBook::Past>)> answer) = 0;
};

// How a board's serial was checked, as its rows name it: against the line database, or against
// this station's record alone (no line database, or one that could not be asked by a station
// started to go on without it).
inline constexpr std::string_view kCheckedByLine = "line";
inline constexpr std::string_view kCheckedByRecord = "record";

struct ScanRules {
  const SerialPattern* pattern = nullptr;  // a serial must match it whole, where given
  std::string patternText;
  bool rework = false;  // a board that already passed may be programmed again
  // Where the line database cannot answer for a board: false holds the board until it does;
  // true lets the record alone decide, and the board's rows say so.
  bool lineOptional = false;
};

// No scan, no board: a port touches a board only while it holds a scanned serial without a
// result. Before a scan it sends no poll; a result uses the serial up (a PASS for good, a FAIL
// or UNCONFIRMED until the same serial is scanned again for its next attempt).
class UnitGate {
 public:
  // Asks `link` before every poll and hears its events; `station` names where a PASS happened.
  UnitGate(Link& link, UnitBook& book, ScanRules rules, std::string station);

  // Why the last serial offered was refused, in a word a front end can show large.
  enum class Refusal { None, NotASerial, Busy, OnAnotherPort, AlreadyPassed, Unchecked };
  Refusal LastRefusal() const { return lastRefusal_; }

  // Takes a scanned serial for the next board, or says why not. With a register, a serial the
  // record lets through is held (no poll) until the register answers, and refused then through
  // `onLateRefusal` if it passed elsewhere.
  std::optional<std::string> Offer(std::string_view scanned);
  // Whether the port waits for a scan.
  bool Waiting() const { return serial_.empty(); }
  // Whether a scanned serial waits for the register's answer.
  bool Checking() const { return checking_; }
  // Whether the register could not answer for the serial held (it did not answer within
  // kAnswerWithin, or could not be asked): the board stays held and it is asked again.
  bool LineUnreachable() const { return checking_ && unreachable_; }
  // Whether this station goes on without the line database, its record alone deciding.
  bool LineOptional() const { return rules_.lineOptional; }
  // How the serial held was checked (kCheckedByLine or kCheckedByRecord); empty while checking.
  const std::string& CheckedBy() const { return checkedBy_; }
  const std::string& Serial() const { return serial_; }
  int Attempt() const { return attempt_; }

  void SetRegister(PassRegister* remote) { register_ = remote; }
  // A serial the register refused after Offer took it: the serial and why.
  std::function<void(const std::string&, const std::string&)> onLateRefusal;
  // The serial was taken or let go: the port's look may change.
  std::function<void()> onChanged;

  // How long the register has to answer before the board is shown as not checked, and how
  // often it is asked again while it cannot answer.
  static constexpr std::chrono::milliseconds kAnswerWithin{2000};
  static constexpr std::chrono::milliseconds kAskAgainAfter{1000};

  // This run's boards on this port (distinct serials, each counted at its first attempt), those
  // that passed on their first attempt, and the attempts.
  long Boards() const { return static_cast<long>(boards_.size()); }
  long FirstPass() const { return firstPass_; }
  long Attempts() const { return attempts_; }
  // The counts from zero again (the board held, if any, keeps its serial).
  void ResetCounts();

 private:
  void OnEvent(const LinkEvent& event);
  void Take(const std::string& serial, int attempts, std::string_view checkedBy);
  void Ask();
  // Every answer of the register, or its silence past kAnswerWithin, comes through here.
  void Answered(const std::string& serial, const std::optional<UnitBook::Past>& remote);
  // Before every tick: asks again, or notices the register's silence.
  void Watch();
  void Let(std::string_view why);

  Link& link_;
  UnitBook& book_;
  ScanRules rules_;
  std::string station_;
  std::string serial_;
  int attempt_ = 0;
  std::string checkedBy_;
  Refusal lastRefusal_ = Refusal::None;
  bool checking_ = false;
  int localAttempts_ = 0;  // the record's attempts of the serial being checked
  bool asking_ = false;    // a question is out
  int questions_ = 0;      // asked so far: the last is the one out
  bool unreachable_ = false;
  SteadyClock::time_point askedAt_{};
  PassRegister* register_ = nullptr;
  std::shared_ptr<int> life_ = std::make_shared<int>(0);  // answers after the gate went are lost
  std::set<std::string> boards_;
  long firstPass_ = 0;
  long attempts_ = 0;
};

}  // namespace ctrlprog
