// `ctrlprog-cli forward` and `ctrlprog-cli report`: the line database seen from the console.
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/encode_command.h"
#include "cli/program_command.h"
#include "linedb/forwarder.h"
#include "linedb/journal.h"
#include "linedb/line_db.h"

namespace ctrlprog {
namespace {

int Refuse(const std::string& message) {
  std::fprintf(stderr, "ctrlprog-cli: %s\n", message.c_str());
  return kExitBadInput;
}

// The yield of a record file, as the line database would give it for the same rows.
void YieldOfRecord(const std::string& path, std::optional<int64_t> since,
                   std::optional<int64_t> until, std::vector<YieldRow>& out) {
  std::map<std::pair<std::string, std::string>, YieldRow> rows;
  uint64_t offset = 0;
  int64_t number = 0;
  for (;;) {
    const JournalChunk chunk = ReadJournal(path, offset, number, UINT64_MAX, 10000);
    for (const JournalProblem& p : chunk.problems) {
      std::fprintf(stderr, "ctrlprog-cli: row %lld of %s was skipped: %s\n",
                   static_cast<long long>(p.number), path.c_str(), p.reason.c_str());
    }
    for (const JournalRow& r : chunk.rows) {
      const bool board = r.result == "PASS" || r.result == "FAIL" || r.result == "UNCONFIRMED";
      const auto at = EpochMs(r.time);
      if (!board || !at || (since && *at < *since) || (until && *at >= *until)) continue;
      YieldRow& y = rows[{r.station, UtcHour(r.time)}];
      y.station = r.station;
      y.hour = UtcHour(r.time);
      ++y.boards;
      (r.result == "PASS" ? y.passes : y.fails) += 1;
    }
    if (chunk.endOffset == offset) break;
    offset = chunk.endOffset;
    number = chunk.lastNumber;
  }
  for (auto& [key, row] : rows) out.push_back(row);
}

std::string UtcIso(int64_t ms) {
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm utc{};
  ::gmtime_r(&seconds, &utc);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(ms % 1000));
  return text;
}

}  // namespace

int RunForward(const std::string& journal, const std::string& lineDb) {
  LineDb probe(lineDb);
  if (const LineDbResult r = probe.Connect(); !r.ok()) return Refuse(r.message);
  probe.Disconnect();
  LineForwarder forwarder({journal, lineDb, 500}, [](const std::string& news) {
    std::fprintf(stderr, "ctrlprog-cli: %s\n", news.c_str());
  });
  // Until the server has every row; a server lost meanwhile ends it with the rows still waiting.
  if (!forwarder.Flush(600'000)) {
    std::fprintf(stderr, "ctrlprog-cli: line record: %lld rows waiting\n",
                 static_cast<long long>(forwarder.Waiting()));
    return kExitPortFailed;
  }
  return kExitOk;
}

int RunReport(const ReportOptions& o) {
  std::optional<int64_t> since, until;
  if (o.since && !(since = EpochMs(*o.since))) return Refuse("--since: no time: " + *o.since);
  if (o.until && !(until = EpochMs(*o.until))) return Refuse("--until: no time: " + *o.until);
  std::vector<YieldRow> rows;
  if (o.lineDb) {
    LineDb db(*o.lineDb);
    const LineDbResult r = db.Yield(since ? UtcIso(*since) : std::string(),
                                    until ? UtcIso(*until) : std::string(), rows);
    if (!r.ok()) return Refuse(r.message);
  } else {
    YieldOfRecord(*o.record, since, until, rows);
  }
  if (o.json) {
    for (const YieldRow& y : rows) {
      nlohmann::ordered_json j;
      j["station"] = y.station;
      j["hour"] = y.hour;
      j["boards"] = y.boards;
      j["passes"] = y.passes;
      j["fails"] = y.fails;
      j["yield"] = y.boards ? static_cast<double>(y.passes) / static_cast<double>(y.boards) : 0.0;
      std::fputs((j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n").c_str(),
                 stdout);
    }
  } else {
    std::printf("%-20s %-18s %8s %8s %8s %7s\n", "station", "hour (UTC)", "boards", "passes",
                "fails", "yield");
    for (const YieldRow& y : rows) {
      const double pct =
          y.boards ? 100.0 * static_cast<double>(y.passes) / static_cast<double>(y.boards) : 0.0;
      std::printf("%-20s %-18s %8lld %8lld %8lld %6.1f%%\n", y.station.c_str(), y.hour.c_str(),
                  static_cast<long long>(y.boards), static_cast<long long>(y.passes),
                  static_cast<long long>(y.fails), pct);
    }
  }
  return kExitOk;
}

}  // namespace ctrlprog
