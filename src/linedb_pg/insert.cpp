// Rows added by their key, one batch one transaction; a refused row is found and set aside.
#include <libpq-fe.h>

#include <string>

#include "linedb_pg/pg_line_db.h"
#include "linedb_pg/statement.h"

namespace ctrlprog {
namespace {

const char* const kInsert =
    "INSERT INTO ctrlprog_rows (journal, journal_row, station, time, port, file, frame, result, "
    "cycle_ms, serial, attempt) VALUES ";
constexpr int kParamsPerRow = 11;

// One INSERT of `rows`, keyed on the journal and its row.
Call InsertRows(pg_conn* conn, const JournalRow* rows, size_t n, std::chrono::milliseconds within,
                const std::atomic<bool>& abort) {
  std::string sql = kInsert;
  std::vector<std::string> numbers;
  std::vector<const char*> params;
  numbers.reserve(n * 3);
  params.reserve(n * kParamsPerRow);
  for (size_t i = 0; i < n; ++i) {
    numbers.push_back(std::to_string(rows[i].journalRow));
    numbers.push_back(rows[i].cycleMs ? std::to_string(*rows[i].cycleMs) : std::string());
    numbers.push_back(std::to_string(rows[i].attempt));
  }
  for (size_t i = 0; i < n; ++i) {
    const JournalRow& r = rows[i];
    std::string values = "(";
    for (int p = 1; p <= kParamsPerRow; ++p) {
      values += (p > 1 ? ",$" : "$") + std::to_string(i * kParamsPerRow + static_cast<size_t>(p));
      if (p == 2) values += "::bigint";
      if (p == 4) values += "::timestamptz";
      if (p == 9 || p == 11) values += "::integer";
    }
    sql += (i > 0 ? "," : "") + values + ")";
    // A row without a scanned board has no serial and no attempt: NULL, not empty.
    const bool named = !r.serial.empty();
    params.insert(params.end(), {r.journal.c_str(), numbers[i * 3].c_str(), r.station.c_str(),
                                 r.time.c_str(), r.port.c_str(), r.file.c_str(), r.frame.c_str(),
                                 r.result.c_str(), r.cycleMs ? numbers[i * 3 + 1].c_str() : nullptr,
                                 named ? r.serial.c_str() : nullptr,
                                 named && r.attempt > 0 ? numbers[i * 3 + 2].c_str() : nullptr});
  }
  sql += " ON CONFLICT (journal, journal_row) DO NOTHING";
  return Run(conn, sql, params, within, abort);
}

}  // namespace

InsertOutcome PgLineDb::Insert(const std::vector<JournalRow>& rows) {
  if (rows.empty()) return {};
  if (auto connected = Connect(); !connected.ok()) return {connected, {}};
  // One statement is one transaction: the whole batch is stored, or none of it.
  const Call batch = InsertRows(conn_, rows.data(), rows.size(), deadlines_.statement, abort_);
  if (batch.ok()) return {};
  if (batch.fault == Fault::Row) return InsertEach(rows);
  Disconnect();
  return {{LineDbStatus::Unavailable, "the line database did not take the rows: " + batch.message},
          {}};
}

InsertOutcome PgLineDb::InsertEach(const std::vector<JournalRow>& rows) {
  // A row the server refuses is found by sending each alone; the others are stored.
  InsertOutcome outcome;
  for (size_t i = 0; i < rows.size(); ++i) {
    const Call one = InsertRows(conn_, &rows[i], 1, deadlines_.statement, abort_);
    if (one.ok()) continue;
    if (one.fault != Fault::Row) {
      Disconnect();
      return {
          {LineDbStatus::Unavailable, "the line database did not take the rows: " + one.message},
          {}};
    }
    outcome.refused.emplace_back(i, one.message);
  }
  return outcome;
}

}  // namespace ctrlprog
