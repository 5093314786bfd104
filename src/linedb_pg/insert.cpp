// Rows added by their key, one batch one transaction; refused rows are found by halving the
// batch and set aside, unless every row is refused alike, which is about the table.
#include <libpq-fe.h>

#include <algorithm>
#include <string>

#include "linedb_pg/db_reason.h"
#include "linedb_pg/pg_line_db.h"
#include "linedb_pg/statement.h"
#include "model/say.h"

namespace ctrlprog {
namespace {

const char* const kInsert =
    "INSERT INTO ctrlprog_rows (journal, journal_row, station, time, port, file, frame, result, "
    "cycle_ms, serial, attempt, checked) VALUES ";
constexpr int kParamsPerRow = 12;

// One INSERT of some rows, keyed on the journal and its row: its text and parameters.
struct InsertStatement {
  std::string sql = kInsert;
  std::vector<std::string> numbers;
  std::vector<const char*> params;

  explicit InsertStatement(const std::vector<const JournalRow*>& rows) {
    const size_t n = rows.size();
    numbers.reserve(n * 3);
    params.reserve(n * kParamsPerRow);
    for (const JournalRow* r : rows) {
      numbers.push_back(std::to_string(r->journalRow));
      numbers.push_back(r->cycleMs ? std::to_string(*r->cycleMs) : std::string());
      numbers.push_back(std::to_string(r->attempt));
    }
    for (size_t i = 0; i < n; ++i) {
      const JournalRow& r = *rows[i];
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
      params.insert(
          params.end(),
          {r.journal.c_str(), numbers[i * 3].c_str(), r.station.c_str(), r.time.c_str(),
           r.port.c_str(), r.file.c_str(), r.frame.c_str(), r.result.c_str(),
           r.cycleMs ? numbers[i * 3 + 1].c_str() : nullptr, named ? r.serial.c_str() : nullptr,
           named && r.attempt > 0 ? numbers[i * 3 + 2].c_str() : nullptr,
           r.checked.empty() ? nullptr : r.checked.c_str()});
    }
    sql += " ON CONFLICT (journal, journal_row) DO NOTHING";
  }
};

// The field of `row` that holds a NUL byte, which the server's text cannot hold and which
// would reach it cut short; or nothing.
const char* FieldWithNul(const JournalRow& row) {
  const std::pair<const char*, const std::string*> fields[] = {
      {"journal", &row.journal}, {"station", &row.station}, {"time", &row.time},
      {"port", &row.port},       {"file", &row.file},       {"frame", &row.frame},
      {"result", &row.result},   {"serial", &row.serial},   {"checked", &row.checked}};
  for (const auto& [name, value] : fields) {
    if (value->find('\0') != std::string::npos) return name;
  }
  return nullptr;
}

}  // namespace

InsertOutcome PgLineDb::Insert(const std::vector<JournalRow>& rows) {
  BeginCall();
  if (rows.empty()) return {};
  if (auto connected = ConnectNow(); !connected.ok()) return {connected, {}};
  InsertOutcome outcome;
  std::vector<size_t> sent;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (const char* field = FieldWithNul(rows[i])) {
      outcome.refused.emplace_back(i, std::string("its ") + field +
                                          " holds a NUL byte, which the line database cannot hold");
    } else {
      sent.push_back(i);
    }
  }
  if (sent.empty()) return outcome;
  const size_t before = outcome.refused.size();
  Fault fault = Fault::Said;  // Row once any row was refused for its values
  Call lost;
  // One statement is one transaction: the whole batch is stored, or none of it.
  if (!InsertSplit(rows, sent, outcome, fault, lost)) {
    return {Failed(LineDbStatus::Unavailable, lost), {}};
  }
  // Every row refused alone, for the same reason the server gives of no row's values (a
  // privilege, a column, a rule of its own): that is the table, not the rows.
  const auto& refused = outcome.refused;
  const bool alike = fault != Fault::Row && refused.size() - before == sent.size() &&
                     std::all_of(refused.begin() + static_cast<ptrdiff_t>(before), refused.end(),
                                 [&](const auto& r) { return r.second == refused[before].second; });
  if (alike) {
    return {{LineDbStatus::Unavailable,
             WithServerWords(Say("the line database refuses every row alike, which is about its "
                                 "table, not the rows; none is set aside, and they are tried "
                                 "again later"),
                             refused[before].second)},
            {}};
  }
  return outcome;
}

bool PgLineDb::InsertSplit(const std::vector<JournalRow>& rows, const std::vector<size_t>& which,
                           InsertOutcome& outcome, Fault& fault, Call& lost) {
  std::vector<const JournalRow*> some;
  some.reserve(which.size());
  for (const size_t i : which) some.push_back(&rows[i]);
  const InsertStatement statement(some);
  Call call = RunHere(statement.sql, statement.params);
  if (call.ok()) return true;
  if (call.fault == Fault::Wait) {
    lost = std::move(call);
    return false;
  }
  if (which.size() == 1) {
    if (call.fault == Fault::Row) fault = Fault::Row;
    outcome.refused.emplace_back(which.front(), call.message);
    return true;
  }
  // Halves until each refused row stands alone; the rest are stored.
  const auto middle = which.begin() + static_cast<ptrdiff_t>(which.size() / 2);
  return InsertSplit(rows, {which.begin(), middle}, outcome, fault, lost) &&
         InsertSplit(rows, {middle, which.end()}, outcome, fault, lost);
}

}  // namespace ctrlprog
