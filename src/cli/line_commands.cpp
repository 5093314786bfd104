// `ctrlprog-cli forward` and `ctrlprog-cli report`: the line database seen from the console.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/encode_command.h"
#include "cli/program_command.h"
#include "cli/report_output.h"
#include "files/file_system.h"
#include "files/production_record.h"
#include "files/record_periods.h"
#include "index/record_index.h"
#include "linedb/forwarder.h"
#include "linedb/journal.h"
#include "linedb/record_time.h"
#include "linedb_pg/pg_line_db.h"
#include "model/say.h"
#include "model/utf8.h"
#include "report/line_tally.h"
#include "report/report_page.h"
#include "report/report_words.h"
#include "report/unit_trace.h"

namespace ctrlprog {
namespace {

int Refuse(const std::string& message) {
  std::fprintf(stderr, "ctrlprog-cli: %s\n", message.c_str());
  return kExitBadInput;
}

// Refuses a record that is missing, not a regular file, or whose lines no row can be found in,
// with the reason.
std::optional<std::string> RecordProblem(const std::string& path) {
  std::string head;
  if (const auto error = ReadFileHead(path, 0, head)) {
    return Say("the record %1 cannot be read: %2", {EscapeName(path), Describe(*error)});
  }
  if (const auto problem = LineEndProblem(path)) {
    return Say("the record %1 cannot be read: %2", {EscapeName(path), *problem});
  }
  return std::nullopt;
}

// A row of the record at `path` that could not be read, and why: said, and passed over.
void SaySkipped(const std::string& path, const JournalProblem& p) {
  const std::string said =
      Say("row %1 of %2 was skipped: %3",
          {std::to_string(p.number), EscapeName(path), EscapeName(p.why.Said())});
  std::fprintf(stderr, "ctrlprog-cli: %s\n", said.c_str());
}

// Every row of a record from `since` up to `until` counted into `tally`, and when each of its
// journals wrote; the rows that cannot be read are said and skipped.
void CountRecord(const std::string& path, std::optional<int64_t> since,
                 std::optional<int64_t> until, LineTally& tally, std::vector<JournalSpan>& spans) {
  std::map<std::pair<std::string, std::string>, JournalSpan> journals;
  ForEachJournalRow(
      path,
      [&](const JournalRow& r) {
        const auto at = EpochMs(r.time);
        if (!at || (since && *at < *since) || (until && *at >= *until)) return;
        JournalSpan& span = journals[{r.station, r.journal}];
        if (span.journal.empty()) span = {r.station, r.journal, *at, *at};
        span.first = std::min(span.first, *at);
        span.last = std::max(span.last, *at);
        tally.Add(r);
      },
      [&path](const JournalProblem& p) { SaySkipped(path, p); });
  for (auto& [key, span] : journals) spans.push_back(span);
}

void Tell(const std::string& news) {
  std::fprintf(stderr, "ctrlprog-cli: %s\n", news.c_str());
}

// Every file of the record at `path` (its periods' files too), or why one cannot be read.
std::variant<std::vector<std::string>, std::string> FilesOfRecord(const std::string& path) {
  std::vector<std::string> files = RecordFiles(path);
  if (files.empty()) files.push_back(path);
  std::map<std::string, std::string> firstRows;  // each file's first row, hashed
  for (const std::string& file : files) {
    if (auto problem = RecordProblem(file)) return *problem;
    // Each file of a record begins a journal of its own: one that begins with another's first
    // row is a copy of it (a backup beside the record), whose boards would be counted twice.
    const std::string first = files.size() > 1 ? OldJournalId(file) : std::string();
    if (first.empty()) continue;
    if (const auto [copied, added] = firstRows.try_emplace(first, file); !added) {
      return Say(
          "the record file %1 begins with the same row as %2: it is a copy, not a "
          "period of its own, and its boards would be counted twice",
          {EscapeName(file), EscapeName(copied->second)});
    }
  }
  return files;
}

// The record's index, brought up to date (built, the first time, with its progress said); why
// it cannot be, else.
std::variant<std::unique_ptr<RecordIndex>, std::string> IndexOf(
    const std::string& path, const std::vector<std::string>& files) {
  int said = -1;
  return RecordIndex::Open(IndexPathOf(path), files, [&](uint64_t done, uint64_t total) {
    if (total < RecordIndex::kWorthShowing) return;
    const int tenths = static_cast<int>(done * 10 / total);
    if (tenths == said || (said < 0 && tenths == 10)) return;
    said = tenths;
    Tell(Say("indexing the record %1: %2%", {EscapeName(path), std::to_string(tenths * 10)}));
  });
}

// The rows of the record that could not be read, said as a read of the whole record says them.
std::optional<std::string> SaySkippedRows(RecordIndex& index,
                                          const std::vector<std::string>& files) {
  auto problems = index.Problems();
  if (auto* why = std::get_if<std::string>(&problems)) return *why;
  for (const auto& named : std::get<0>(problems)) {
    const std::string& name = named.first;
    const auto file = std::find_if(files.begin(), files.end(), [&name](const std::string& f) {
      return std::filesystem::path(f).filename().string() == name;
    });
    SaySkipped(file == files.end() ? name : *file, named.second);
  }
  return std::nullopt;
}

bool OnQuarter(std::optional<int64_t> ms) {
  return !ms || *ms % kQuarterMs == 0;
}

// The report's counts from the record's index: from its quarter-hour sums where the period
// starts and ends on quarter hours, else from the rows of every file.
std::optional<std::string> CountRecordFiles(const std::string& path, std::optional<int64_t> since,
                                            std::optional<int64_t> until, LineTally& tally,
                                            std::vector<JournalSpan>& spans) {
  auto files = FilesOfRecord(path);
  if (auto* problem = std::get_if<std::string>(&files)) return *problem;
  const auto& list = std::get<0>(files);
  if (!OnQuarter(since) || !OnQuarter(until)) {
    for (const std::string& file : list) CountRecord(file, since, until, tally, spans);
    return std::nullopt;
  }
  auto opened = IndexOf(path, list);
  if (auto* why = std::get_if<std::string>(&opened)) {
    // The record answers for itself, only slower: a folder this user may not write to.
    Tell(Say("%1; the record is read whole", {*why}));
    for (const std::string& file : list) CountRecord(file, since, until, tally, spans);
    return std::nullopt;
  }
  RecordIndex& index = *std::get<0>(opened);
  if (auto failed = SaySkippedRows(index, list)) return failed;
  return index.Count(since, until, tally, spans);
}

}  // namespace

int RunForward(const std::string& journal, const std::string& lineDb) {
  if (const auto problem = RecordProblem(journal)) return Refuse(*problem);
  if (PgLineDb::HoldsPassword(lineDb)) {
    Tell(
        Say("line record: the line database's address holds a password, which every user of "
            "this computer can read in the process list: use PGPASSWORD, ~/.pgpass or "
            "PGPASSFILE instead"));
  }
  if (const LineDbResult parsed = PgLineDb::CheckUri(lineDb); !parsed.ok()) {
    return Refuse(parsed.message);
  }
  PgLineDb db(lineDb);
  db.OnNotice([](const std::string& notice) { Tell(Say("line record: %1", {notice})); });
  if (const LineDbResult r = db.Connect(); !r.ok()) {
    if (r.final()) return Refuse(r.message);
    Tell(Say("line record: %1", {r.message}));
    return kExitPortFailed;
  }
  LineForwarder forwarder({journal, PgLineDb::Identity(lineDb), 500}, db, Tell);
  // Until the server has every row; a server lost meanwhile ends it, within the deadlines, with
  // the rows still waiting in the journal.
  for (LineForwarder::Pass pass; (pass = forwarder.RunPass()) != LineForwarder::Pass::Idle;) {
    if (pass == LineForwarder::Pass::Unavailable) {
      Tell(Say("line record: %1 rows waiting; run this again once the line database is back",
               {std::to_string(forwarder.Waiting())}));
      return kExitPortFailed;
    }
  }
  if (forwarder.SetAside() > 0) {
    Tell(Say(
        "line record: %1 rows set aside in %2, each with the reason",
        {std::to_string(forwarder.SetAside()), EscapeName(LineForwarder::SetAsidePath(journal))}));
  }
  return kExitOk;
}

namespace {

void PrintJson(const nlohmann::ordered_json& j) {
  std::fputs((j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n").c_str(),
             stdout);
}

// Rows of cells printed in columns as wide as their widest cell (a Chinese character takes two
// columns); the columns from `firstNumber` on are numbers, right-aligned.
void PrintColumns(const std::vector<std::vector<std::string>>& rows, size_t firstNumber) {
  std::vector<int> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], DisplayWidth(row[i]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) line += ' ';
      line += Padded(row[i], widths[i], i >= firstNumber);
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::printf("%s\n", line.c_str());
  }
}

int WritePage(const ReportOptions& o, const std::vector<ReportLine>& lines) {
  PageHeading heading;
  // The database by its name only: its address and settings are no business of the page's
  // readers.
  heading.source = o.record ? Say("Record %1", {EscapeName(*o.record)})
                            : Say("Line database %1", {PgLineDb::DatabaseName(*o.lineDb)});
  if (o.since && o.until) {
    heading.period = Say("from %1 until %2", {TimeSaid(*o.since), TimeSaid(*o.until)});
  } else if (o.since) {
    heading.period = Say("since %1", {TimeSaid(*o.since)});
  } else if (o.until) {
    heading.period = Say("until %1", {TimeSaid(*o.until)});
  }
  const std::string now = RecordTime(std::chrono::system_clock::now());
  heading.made = TimeSaid(now.substr(0, 16) + now.substr(23));  // to the minute, with its offset
  heading.utc = o.utc;
  if (const auto error = ReplaceFileContents(*o.html, ReportPage(lines, heading))) {
    Tell(Say("the report %1 cannot be written: %2", {EscapeName(*o.html), Describe(*error)}));
    return kExitPortFailed;
  }
  Tell(Say("the report is in %1", {EscapeName(*o.html)}));
  return kExitOk;
}

}  // namespace

int RunReport(const ReportOptions& o) {
  std::optional<int64_t> since, until;
  if (o.since && !(since = EpochMs(*o.since)))
    return Refuse(Say("--since: no time: %1", {*o.since}));
  if (o.until && !(until = EpochMs(*o.until)))
    return Refuse(Say("--until: no time: %1", {*o.until}));
  LineTally tally;
  std::vector<JournalSpan> spans;
  if (o.lineDb) {
    PgLineDb db(*o.lineDb);
    db.ForReading();
    const std::string from = since ? UtcIso(*since) : std::string();
    const std::string to = until ? UtcIso(*until) : std::string();
    if (const LineDbResult r = db.Count(from, to, o.utc, tally); !r.ok()) return Refuse(r.message);
    if (const LineDbResult s = db.Spans(from, to, spans); !s.ok()) return Refuse(s.message);
  } else if (auto failed = CountRecordFiles(*o.record, since, until, tally, spans)) {
    return Refuse(*failed);
  }
  for (const auto& [station, journals] : StationsWritingAtOnce(spans)) {
    Tell(
        Say("station %1 has rows from %2 journals written at the same time: a PC cloned from "
            "another's image, or two programs under one station name",
            {EscapeName(station), std::to_string(journals)}));
  }
  if (o.html) return WritePage(o, tally.Lines(o.utc));
  if (o.json) {
    PrintReportJson(tally, o.utc, stdout);
  } else {
    PrintReportTable(tally, o.utc, stdout);
  }
  return kExitOk;
}

int RunTrace(const TraceOptions& o) {
  std::vector<TraceRow> rows;
  if (o.record) {
    auto files = FilesOfRecord(*o.record);
    if (auto* problem = std::get_if<std::string>(&files)) return Refuse(*problem);
    auto opened = IndexOf(*o.record, std::get<0>(files));
    if (auto* why = std::get_if<std::string>(&opened)) {
      // The record answers for itself, only slower: a folder this user may not write to.
      Tell(Say("%1; the record is read whole", {*why}));
    } else if (auto failed = SaySkippedRows(*std::get<0>(opened), std::get<0>(files))) {
      return Refuse(*failed);
    }
    if (const bool whole = std::holds_alternative<std::string>(opened); whole || o.serial.empty()) {
      // No serial names the unscanned boards: the index keeps no place of theirs.
      for (const std::string& file : std::get<0>(files)) {
        const auto skipped = [&](const JournalProblem& p) {
          if (whole) SaySkipped(file, p);
        };
        for (TraceRow& row : TraceOfRecord(file, o.serial, skipped)) rows.push_back(std::move(row));
      }
      SortTrace(rows);
    } else {
      auto traced = std::get<0>(opened)->Trace(o.serial);
      if (auto* why = std::get_if<std::string>(&traced)) return Refuse(*why);
      rows = std::move(std::get<0>(traced));
    }
  } else {
    PgLineDb db(*o.lineDb);
    db.ForReading();
    if (const LineDbResult r = db.History(o.serial, true, rows); !r.ok()) return Refuse(r.message);
  }
  std::vector<std::vector<std::string>> table = {{Say("time"), Say("station"), Say("port"),
                                                  Say("result"), Say("try"), Say("frame"),
                                                  Say("file")}};
  for (const TraceRow& r : rows) {
    const std::string time =
        RecordTime(std::chrono::system_clock::time_point(std::chrono::milliseconds(r.ms)));
    if (o.json) {
      nlohmann::ordered_json j;
      j["time"] = time;
      j["station"] = r.station;
      j["port"] = r.port;
      j["file"] = r.file;
      j["frame"] = r.frame;
      j["result"] = r.result;
      j["attempt"] = r.attempt;
      PrintJson(j);
    } else {
      table.push_back({TimeSaid(time), r.station, r.port, ResultWordSaid(r.result),
                       std::to_string(r.attempt), r.frame, r.file});
    }
  }
  if (!o.json && !rows.empty()) PrintColumns(table, 7);
  if (rows.empty()) {
    Tell(Say("no row names the board %1", {EscapeName(o.serial)}));
    return kExitPortFailed;
  }
  return kExitOk;
}

}  // namespace ctrlprog
