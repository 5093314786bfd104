// `ctrlprog-cli forward` and `ctrlprog-cli report`: the line database seen from the console.
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/encode_command.h"
#include "cli/program_command.h"
#include "files/file_system.h"
#include "linedb/forwarder.h"
#include "linedb/journal.h"
#include "linedb/pg/pg_line_db.h"
#include "linedb/record_time.h"
#include "model/utf8.h"

namespace ctrlprog {
namespace {

int Refuse(const std::string& message) {
  std::fprintf(stderr, "ctrlprog-cli: %s\n", message.c_str());
  return kExitBadInput;
}

// Refuses a record that is missing or not a regular file, with the reason.
std::optional<std::string> RecordProblem(const std::string& path) {
  std::string head;
  if (const auto error = ReadFileHead(path, 0, head)) {
    return "the record " + EscapeName(path) + " cannot be read: " + Describe(*error);
  }
  return std::nullopt;
}

// The yield of a record file, as the line database would give it for the same rows.
void YieldOfRecord(const std::string& path, std::optional<int64_t> since,
                   std::optional<int64_t> until, std::vector<YieldRow>& out,
                   std::vector<JournalSpan>& spans) {
  std::map<std::pair<std::string, std::string>, YieldRow> rows;
  std::map<std::pair<std::string, std::string>, JournalSpan> journals;
  JournalPlace place;
  const std::string oldJournal = OldJournalId(path);
  for (;;) {
    const JournalChunk chunk = ReadJournal(path, place, UINT64_MAX, 10000, oldJournal);
    for (const JournalProblem& p : chunk.problems) {
      std::fprintf(stderr, "ctrlprog-cli: row %lld of %s was skipped: %s\n",
                   static_cast<long long>(p.number), EscapeName(path).c_str(),
                   EscapeName(p.reason).c_str());
    }
    for (const JournalRow& r : chunk.rows) {
      const bool board = r.result == "PASS" || r.result == "FAIL" || r.result == "UNCONFIRMED";
      const auto at = EpochMs(r.time);
      if (!at || (since && *at < *since) || (until && *at >= *until)) continue;
      JournalSpan& span = journals[{r.station, r.journal}];
      if (span.journal.empty()) span = {r.station, r.journal, *at, *at};
      span.first = std::min(span.first, *at);
      span.last = std::max(span.last, *at);
      if (!board) continue;
      YieldRow& y = rows[{r.station, UtcHour(r.time)}];
      y.station = r.station;
      y.hour = UtcHour(r.time);
      ++y.boards;
      (r.result == "PASS" ? y.passes : y.fails) += 1;
    }
    if (chunk.endOffset == place.offset) break;
    place = {chunk.endOffset, chunk.lastNumber};
  }
  for (auto& [key, row] : rows) out.push_back(row);
  for (auto& [key, span] : journals) spans.push_back(span);
}

void Tell(const std::string& news) {
  std::fprintf(stderr, "ctrlprog-cli: %s\n", news.c_str());
}

}  // namespace

int RunForward(const std::string& journal, const std::string& lineDb) {
  if (const auto problem = RecordProblem(journal)) return Refuse(*problem);
  if (PgLineDb::HoldsPassword(lineDb)) {
    Tell(
        "line record: the line database's address holds a password, which every user of this "
        "computer can read in the process list: use PGPASSWORD, ~/.pgpass or PGPASSFILE instead");
  }
  if (const LineDbResult parsed = PgLineDb::CheckUri(lineDb); !parsed.ok()) {
    return Refuse(parsed.message);
  }
  PgLineDb db(lineDb);
  db.OnNotice([](const std::string& notice) { Tell("line record: " + notice); });
  if (const LineDbResult r = db.Connect(); !r.ok()) {
    if (r.final()) return Refuse(r.message);
    Tell("line record: " + r.message);
    return kExitPortFailed;
  }
  LineForwarder forwarder({journal, PgLineDb::Identity(lineDb), 500}, db, Tell);
  // Until the server has every row; a server lost meanwhile ends it, within the deadlines, with
  // the rows still waiting in the journal.
  for (LineForwarder::Pass pass; (pass = forwarder.RunPass()) != LineForwarder::Pass::Idle;) {
    if (pass == LineForwarder::Pass::Unavailable) {
      Tell("line record: " + std::to_string(forwarder.Waiting()) +
           " rows waiting; run this again once the line database is back");
      return kExitPortFailed;
    }
  }
  if (forwarder.SetAside() > 0) {
    Tell("line record: " + std::to_string(forwarder.SetAside()) + " rows set aside in " +
         EscapeName(LineForwarder::SetAsidePath(journal)) + ", each with the reason");
  }
  return kExitOk;
}

int RunReport(const ReportOptions& o) {
  std::optional<int64_t> since, until;
  if (o.since && !(since = EpochMs(*o.since))) return Refuse("--since: no time: " + *o.since);
  if (o.until && !(until = EpochMs(*o.until))) return Refuse("--until: no time: " + *o.until);
  std::vector<YieldRow> rows;
  std::vector<JournalSpan> spans;
  if (o.record) {
    if (const auto problem = RecordProblem(*o.record)) return Refuse(*problem);
  }
  if (o.lineDb) {
    PgLineDb db(*o.lineDb);
    db.ForReading();
    const LineDbResult r = db.Yield(since ? UtcIso(*since) : std::string(),
                                    until ? UtcIso(*until) : std::string(), rows);
    if (!r.ok()) return Refuse(r.message);
    if (const LineDbResult s = db.Spans(since ? UtcIso(*since) : std::string(),
                                        until ? UtcIso(*until) : std::string(), spans);
        !s.ok()) {
      return Refuse(s.message);
    }
  } else {
    YieldOfRecord(*o.record, since, until, rows, spans);
  }
  for (const auto& [station, journals] : StationsWritingAtOnce(spans)) {
    Tell("station " + EscapeName(station) + " has rows from " + std::to_string(journals) +
         " journals written at the same time: a PC cloned from another's image, or two programs "
         "under one station name");
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
