#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "linedb/journal.h"

namespace ctrlprog {

// What the rows of one place and time say about its boards.
struct ResultCounts {
  int64_t passes = 0, fails = 0, unconfirmed = 0, lost = 0;
  int64_t unnamed = 0;    // results of boards without a serial: each counts as a board
  int64_t named = 0;      // first attempts of scanned boards
  int64_t firstPass = 0;  // scanned boards that passed at their first attempt

  int64_t Attempts() const { return passes + fails + unconfirmed; }
  int64_t Boards() const { return unnamed + named; }
  ResultCounts& operator+=(const ResultCounts& other);
  bool operator==(const ResultCounts&) const = default;
};

// What one row of a record counts for (nothing, for a restored link).
ResultCounts CountsOf(const JournalRow& row);

// A quarter of an hour of one port of one station: the finest a report needs, since every
// time zone's offset is a whole number of quarter hours. The line database sums its rows into
// these, so a report of a month is not a month of rows.
struct QuarterCounts {
  std::string station, port;
  int64_t startMs = 0;  // UTC, a multiple of kQuarterMs
  ResultCounts counts;
};
inline constexpr int64_t kQuarterMs = int64_t{15} * 60 * 1000;

// One line of a report: a station's hour, one of its ports' hours, or the whole.
struct ReportLine {
  enum class Scope { Station, Port, Total };
  Scope scope = Scope::Station;
  int64_t hourMs = 0;  // when the hour began (UTC milliseconds); 0 for the total
  std::string hour;    // "2026-12-07T21:00+08:00" local, "2026-12-07T13:00Z" in UTC
  std::string station, port;
  ResultCounts counts;
  // The total only: scanned boards with more than one PASS row in the period (programmed again:
  // reworked, or at a station that went on without the line database), for a reconciliation.
  int64_t passedMoreThanOnce = 0;
};

// The rows of a record or of the line database counted per station, port and hour.
class LineTally {
 public:
  // Counts one row of a record (one whose time is no record time counts for nothing).
  void Add(const JournalRow& row);
  void Add(const QuarterCounts& quarter);
  // Boards the line database counted with more than one PASS row in the period.
  void AddPassedMoreThanOnce(int64_t boards) { passedAgain_ += boards; }

  // The same, counted straight from what the line database sums.
  void Add(std::string_view station, std::string_view port, int64_t startMs,
           const ResultCounts& counts);
  void Reserve(size_t quarters) { quarters_.reserve(quarters_.size() + quarters); }

  // Per station and hour, each followed by its ports that hour, then the total: hours in local
  // time, or in UTC.
  std::vector<ReportLine> Lines(bool utc) const;
  // The same lines one by one, each given in the same object refilled: a year of a line is
  // close to a million lines, which need not all be held at once.
  void EachLine(bool utc, const std::function<void(const ReportLine&)>& each) const;

 private:
  // A year of a line is a few hundred thousand quarter hours: each station and port is kept once,
  // by number, and the quarters in a list, put in order and merged when it has grown past a
  // million entries and twice what it held when last merged, and when the lines are made.
  struct Key {
    uint32_t station, port;
    int64_t startMs;
    bool operator==(const Key&) const = default;
    bool operator<(const Key& o) const {
      return station != o.station ? station < o.station
             : port != o.port     ? port < o.port
                                  : startMs < o.startMs;
    }
  };
  struct Quarter {
    Key key;
    ResultCounts counts;
  };
  // A quarter in its place among the lines: names by their order, the hour it falls in.
  struct Part {
    uint32_t station, port;
    int64_t hourMs;
    uint32_t hour;  // its name in hourNames_
    ResultCounts counts;
  };
  uint32_t IdOf(std::string_view name, uint32_t& last);
  void Compact();
  // The quarters as `parts_`, in the lines' order (kept until the next Add).
  void Arrange(bool utc) const;

  std::vector<std::string> names_;  // stations and ports, by their number
  std::unordered_map<std::string, uint32_t> ids_;
  uint32_t lastStation_ = UINT32_MAX, lastPort_ = UINT32_MAX;
  std::vector<Quarter> quarters_;
  size_t compacted_ = 0;
  mutable std::vector<Part> parts_;
  mutable std::vector<std::string> hourNames_;
  mutable int arranged_ = -1;  // for which hours parts_ is arranged: utc, local, or -1 none
  std::map<std::string, int64_t, std::less<>> passesOf_;  // PASS rows of each scanned board
  int64_t passedAgain_ = 0;
};

// When the hour holding `ms` began, and its name: local with its offset, or UTC.
int64_t HourOf(int64_t ms, bool utc, std::string& name);

}  // namespace ctrlprog

namespace ctrlprog {
// `part` of `whole` as a percentage with one decimal ("90.0%"), the same in every locale; "-"
// when `whole` is 0.
std::string PercentText(int64_t part, int64_t whole);
}  // namespace ctrlprog
