#include "report/line_tally.h"

#include <cstdio>
#include <ctime>

#include "files/file_system.h"
#include "linedb/record_time.h"

namespace ctrlprog {
namespace {

constexpr int64_t kHourMs = int64_t{60} * 60 * 1000;

int64_t FloorTo(int64_t ms, int64_t step) {
  const int64_t q = ms / step;
  return (q * step > ms ? q - 1 : q) * step;
}

}  // namespace

ResultCounts CountsOf(const JournalRow& row) {
  ResultCounts c;
  const bool board = row.result == "PASS" || row.result == "FAIL" || row.result == "UNCONFIRMED";
  if (row.result == "PASS") c.passes = 1;
  if (row.result == "FAIL") c.fails = 1;
  if (row.result == "UNCONFIRMED") c.unconfirmed = 1;
  if (row.result == "LOST") c.lost = 1;
  if (board && row.serial.empty()) c.unnamed = 1;
  if (board && !row.serial.empty() && row.attempt == 1) {
    c.named = 1;
    c.firstPass = c.passes;
  }
  return c;
}

ResultCounts& ResultCounts::operator+=(const ResultCounts& o) {
  passes += o.passes;
  fails += o.fails;
  unconfirmed += o.unconfirmed;
  lost += o.lost;
  unnamed += o.unnamed;
  named += o.named;
  firstPass += o.firstPass;
  return *this;
}

int64_t HourOf(int64_t ms, bool utc, std::string& name) {
  char text[64];
  if (utc) {
    const int64_t start = FloorTo(ms, kHourMs);
    name = UtcIso(start).substr(0, 13) + ":00Z";
    return start;
  }
  long offsetMinutes = 0;
  const tm local = LocalTime(static_cast<time_t>(FloorTo(ms, 1000) / 1000), offsetMinutes);
  const long offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:00%c%02ld:%02ld", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, offsetMinutes < 0 ? '-' : '+',
                offset / 60, offset % 60);
  name = text;
  return FloorTo(ms, 1000) - (local.tm_min * 60 + local.tm_sec) * int64_t{1000};
}

void LineTally::Add(const JournalRow& row) {
  const auto at = EpochMs(row.time);
  if (!at) return;
  const ResultCounts counts = CountsOf(row);
  if (counts == ResultCounts{}) return;  // a restored link counts for nothing here
  quarters_[{row.station, row.port, FloorTo(*at, kQuarterMs)}] += counts;
  if (counts.passes && !row.serial.empty()) ++passesOf_[row.serial];
}

void LineTally::Add(const QuarterCounts& quarter) {
  quarters_[{quarter.station, quarter.port, FloorTo(quarter.startMs, kQuarterMs)}] +=
      quarter.counts;
}

std::vector<ReportLine> LineTally::Lines(bool utc) const {
  // station, hour, then "" for the station's own line before each of its ports
  std::map<std::tuple<std::string, int64_t, std::string>, ReportLine> lines;
  ReportLine total{ReportLine::Scope::Total, 0, {}, {}, {}, {}};
  for (const auto& [key, counts] : quarters_) {
    const auto& [station, port, startMs] = key;
    std::string hour;
    const int64_t hourMs = HourOf(startMs, utc, hour);
    ReportLine& own = lines[{station, hourMs, std::string()}];
    own = {ReportLine::Scope::Station, hourMs, hour, station, {}, own.counts};
    own.counts += counts;
    ReportLine& ofPort = lines[{station, hourMs, "\x01" + port}];
    ofPort = {ReportLine::Scope::Port, hourMs, hour, station, port, ofPort.counts};
    ofPort.counts += counts;
    total.counts += counts;
  }
  std::vector<ReportLine> out;
  out.reserve(lines.size() + 1);
  for (auto& [key, line] : lines) out.push_back(std::move(line));
  total.passedMoreThanOnce = passedAgain_;
  for (const auto& [serial, passes] : passesOf_) total.passedMoreThanOnce += passes > 1 ? 1 : 0;
  if (!quarters_.empty()) out.push_back(std::move(total));
  return out;
}

}  // namespace ctrlprog

namespace ctrlprog {
std::string PercentText(int64_t part, int64_t whole) {
  if (whole <= 0) return "-";
  const int64_t tenths = (part * 1000 + whole / 2) / whole;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "%";
}
}  // namespace ctrlprog
