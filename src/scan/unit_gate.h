#pragma once

#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <string_view>

#include "link/link.h"

namespace ctrlprog {

// What is known of each board by its serial: how many attempts it had, and where and when it
// passed, if it did; from the record at start, then from every result of the run.
class UnitBook {
 public:
  struct Past {
    int attempts = 0;
    std::string passed;  // "at TIME on STATION PORT", or empty
  };
  // Learns every board the record at `path` names (rows without a serial name none).
  void ReadRecord(const std::string& path);
  void Learn(const std::string& serial, int attempt, bool passed, const std::string& where);
  const Past* Find(const std::string& serial) const;

 private:
  std::map<std::string, Past, std::less<>> units_;
};

struct ScanRules {
  const std::regex* pattern = nullptr;  // a serial must match it whole, where given
  std::string patternText;
  bool rework = false;  // a board that already passed may be programmed again
};

// No scan, no board: a port touches a board only while it holds a scanned serial without a
// result. Before a scan it sends no poll; a result uses the serial up (a PASS for good, a FAIL
// or UNCONFIRMED until the same serial is scanned again for its next attempt).
class UnitGate {
 public:
  // Asks `link` before every poll and hears its events; `station` names where a PASS happened.
  UnitGate(Link& link, UnitBook& book, ScanRules rules, std::string station);

  // Takes a scanned serial for the next board, or says why not.
  std::optional<std::string> Offer(std::string_view scanned);
  // Whether the port waits for a scan.
  bool Waiting() const { return serial_.empty(); }
  const std::string& Serial() const { return serial_; }

  // This run's boards on this port (distinct serials), those that passed on their first
  // attempt, and the attempts.
  long Boards() const { return static_cast<long>(boards_.size()); }
  long FirstPass() const { return firstPass_; }
  long Attempts() const { return attempts_; }

 private:
  void OnEvent(const LinkEvent& event);

  Link& link_;
  UnitBook& book_;
  ScanRules rules_;
  std::string station_;
  std::string serial_;
  int attempt_ = 0;
  std::set<std::string> boards_;
  long firstPass_ = 0;
  long attempts_ = 0;
};

}  // namespace ctrlprog
