#include "report/line_tally.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <tuple>

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

uint32_t LineTally::IdOf(std::string_view name, uint32_t& last) {
  // Rows of one station and port come in runs: the name found last in its place is asked first.
  if (last < names_.size() && names_[last] == name) return last;
  const auto [it, added] =
      ids_.try_emplace(std::string(name), static_cast<uint32_t>(names_.size()));
  if (added) names_.push_back(it->first);
  return last = it->second;
}

void LineTally::Add(std::string_view station, std::string_view port, int64_t startMs,
                    const ResultCounts& counts) {
  const uint32_t stationId = IdOf(station, lastStation_);
  quarters_.push_back({{stationId, IdOf(port, lastPort_), FloorTo(startMs, kQuarterMs)}, counts});
  arranged_ = -1;
  if (quarters_.size() >= 2 * std::max<size_t>(compacted_, size_t{1} << 20)) Compact();
}

void LineTally::Compact() {
  std::sort(quarters_.begin(), quarters_.end(),
            [](const Quarter& a, const Quarter& b) { return a.key < b.key; });
  size_t kept = 0;
  for (size_t i = 0; i < quarters_.size(); ++i) {
    if (kept > 0 && quarters_[kept - 1].key == quarters_[i].key) {
      quarters_[kept - 1].counts += quarters_[i].counts;
    } else {
      quarters_[kept++] = quarters_[i];
    }
  }
  quarters_.resize(kept);
  compacted_ = kept;
}

void LineTally::Add(const JournalRow& row) {
  const auto at = EpochMs(row.time);
  if (!at) return;
  const ResultCounts counts = CountsOf(row);
  if (counts == ResultCounts{}) return;  // a restored link counts for nothing here
  Add(row.station, row.port, *at, counts);
  if (counts.passes && !row.serial.empty()) ++passesOf_[row.serial];
}

void LineTally::Add(const QuarterCounts& quarter) {
  Add(quarter.station, quarter.port, quarter.startMs, quarter.counts);
}

std::vector<ReportLine> LineTally::Lines(bool utc) const {
  std::vector<ReportLine> out;
  EachLine(utc, [&out](const ReportLine& line) { out.push_back(line); });
  return out;
}

void LineTally::Arrange(bool utc) const {
  if (arranged_ == (utc ? 1 : 0)) return;
  // Names in the order of their bytes.
  std::vector<uint32_t> byName(names_.size()), rank(names_.size());
  for (uint32_t i = 0; i < byName.size(); ++i) byName[i] = i;
  std::sort(byName.begin(), byName.end(),
            [this](uint32_t a, uint32_t b) { return names_[a] < names_[b]; });
  for (uint32_t i = 0; i < byName.size(); ++i) rank[byName[i]] = i;
  // Each quarter in its hour (a few thousand hours a year, each named once).
  std::unordered_map<int64_t, std::pair<int64_t, uint32_t>> hours;
  hourNames_.clear();
  parts_.clear();
  parts_.reserve(quarters_.size());
  for (const auto& [key, counts] : quarters_) {
    auto [it, added] = hours.try_emplace(key.startMs);
    if (added) {
      std::string name;
      it->second = {HourOf(key.startMs, utc, name), static_cast<uint32_t>(hourNames_.size())};
      hourNames_.push_back(std::move(name));
    }
    parts_.push_back(
        {rank[key.station], rank[key.port], it->second.first, it->second.second, counts});
  }
  std::sort(parts_.begin(), parts_.end(), [](const Part& a, const Part& b) {
    return std::tie(a.station, a.hourMs, a.port) < std::tie(b.station, b.hourMs, b.port);
  });
  // From here on a part names its station and port by number again.
  for (Part& part : parts_) {
    part.station = byName[part.station];
    part.port = byName[part.port];
  }
  arranged_ = utc ? 1 : 0;
}

void LineTally::EachLine(bool utc, const std::function<void(const ReportLine&)>& each) const {
  Arrange(utc);
  const std::vector<Part>& parts = parts_;
  // Per station and hour, its own line (the sum of its ports') and then one per port.
  ReportLine line, total{ReportLine::Scope::Total, 0, {}, {}, {}, {}};
  for (size_t i = 0, end = 0; i < parts.size(); i = end) {
    const Part& first = parts[i];
    line.scope = ReportLine::Scope::Station;  // refilled in place: no text made anew
    line.hourMs = first.hourMs;
    line.hour.assign(hourNames_[first.hour]);
    line.station.assign(names_[first.station]);
    line.port.clear();
    line.counts = {};
    for (end = i; end < parts.size() && parts[end].station == first.station &&
                  parts[end].hourMs == first.hourMs;
         ++end) {
      line.counts += parts[end].counts;
    }
    each(line);
    total.counts += line.counts;
    line.scope = ReportLine::Scope::Port;
    for (size_t j = i; j < end; ++j) {
      if (j == i || parts[j - 1].port != parts[j].port) {
        line.port.assign(names_[parts[j].port]);
        line.counts = {};
      }
      line.counts += parts[j].counts;
      if (j + 1 == end || parts[j + 1].port != parts[j].port) each(line);
    }
  }
  total.passedMoreThanOnce = passedAgain_;
  for (const auto& [serial, passes] : passesOf_) total.passedMoreThanOnce += passes > 1 ? 1 : 0;
  if (!quarters_.empty()) each(total);
}

}  // namespace ctrlprog

namespace ctrlprog {
std::string PercentText(int64_t part, int64_t whole) {
  if (whole <= 0) return "-";
  const int64_t tenths = (part * 1000 + whole / 2) / whole;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "%";
}
}  // namespace ctrlprog
