// The table as this program writes it: made where missing, upgraded where it may be, and the
// rights to add rows.
#include <libpq-fe.h>

#include <algorithm>
#include <map>
#include <span>
#include <string_view>

#include "linedb_pg/db_reason.h"
#include "linedb_pg/line_db_schema.h"
#include "linedb_pg/pg_line_db.h"
#include "linedb_pg/statement.h"
#include "model/say.h"

namespace ctrlprog {
namespace {

// The statements of packaging/line-db.sql between "-- The `part` begins." and its end: the
// table where it is missing, the upgrade of one made before rows named their board, or the
// sums kept with the rows.
std::string SqlPart(const std::string& part) {
  const std::string sql = kLineDbSql;
  const std::string begin = "-- The " + part + " begins.", end = "-- The " + part + " ends.";
  const size_t from = sql.find(begin), to = sql.find(end);
  return from == std::string::npos || to == std::string::npos
             ? std::string()
             : sql.substr(from + begin.size(), to - from - begin.size());
}

// The columns this program writes, with their types.
using Column = std::pair<std::string_view, std::string_view>;
constexpr Column kColumns[] = {
    {"journal", "text"},     {"journal_row", "bigint"},
    {"station", "text"},     {"time", "timestamp with time zone"},
    {"port", "text"},        {"file", "text"},
    {"frame", "text"},       {"result", "text"},
    {"cycle_ms", "integer"},
};

// The columns that name a row's board, which a table made before rows did lacks.
constexpr Column kUnitColumns[] = {
    {"serial", "text"},
    {"attempt", "integer"},
    {"checked", "text"},
};

bool OurColumn(std::string_view name) {
  const auto named = [name](const auto& column) { return column.first == name; };
  return std::any_of(std::begin(kColumns), std::end(kColumns), named) ||
         std::any_of(std::begin(kUnitColumns), std::end(kUnitColumns), named);
}

// What keeps the table's columns (name, type, whether a value is needed) from taking our rows;
// empty when nothing does. `unnamed`: it has every column but those naming a row's board.
std::string ColumnProblem(const PGresult* shape, bool& unnamed) {
  std::map<std::string, std::string> found;
  std::string problem;
  for (int i = 0; i < PQntuples(shape); ++i) {
    const std::string name = PQgetvalue(shape, i, 0);
    found[name] = PQgetvalue(shape, i, 1);
    const bool required = std::string_view(PQgetvalue(shape, i, 2)) == "true";
    if (required && !OurColumn(name) && problem.empty()) {
      problem = Say("its column %1 needs a value this program does not write", {name});
    }
  }
  if (found.contains("row_no") && !found.contains("journal")) {
    problem =
        Say("it has the older shape, keyed on (station, row_no): upgrade it with "
            "packaging/line-db.sql");
  }
  // Each column we write, of its type; only the pair naming a board may be missing (a table made
  // before rows named it, upgraded where this station may).
  unnamed = false;
  const auto check = [&](std::string_view name, std::string_view type, bool mayLack) {
    if (!problem.empty()) return;
    const auto f = found.find(std::string(name));
    if (f == found.end()) {
      if (mayLack) {
        unnamed = true;
      } else {
        problem = Say("it has no column %1", {name});
      }
    } else if (f->second != type) {
      problem = Say("its column %1 is %2, not %3", {f->first, f->second, type});
    }
  };
  for (const auto& [name, type] : kColumns) check(name, type, false);
  for (const auto& [name, type] : kUnitColumns) check(name, type, true);
  if (found.empty()) problem = Say("it is missing");
  return problem;
}

}  // namespace

LineDbResult PgLineDb::CheckTable() {
  const auto run = [this](const std::string& sql) { return RunHere(sql); };
  const std::string columns =
      "SELECT a.attname::text, format_type(a.atttypid, a.atttypmod), "
      "(a.attnotnull AND NOT a.atthasdef)::text FROM pg_attribute a "
      "WHERE a.attrelid = to_regclass('ctrlprog_rows') AND a.attnum > 0 AND NOT a.attisdropped";
  Call shape = run(columns);
  if (shape.ok() && PQntuples(shape.result.get()) == 0 && writes_) {
    // Missing: made here where this station may, as packaging/line-db.sql makes it.
    Call made = run(SqlPart("table"));
    if (!made.ok()) {
      return {made.fault == Fault::Wait ? LineDbStatus::Unavailable : LineDbStatus::WrongShape,
              WithServerWords(Say("the table ctrlprog_rows is missing and this station cannot "
                                  "create it (run packaging/line-db.sql)"),
                              made.message)};
    }
    shape = run(columns);
  }
  if (!shape.ok()) {
    return Failed(shape, LineDbStatus::Rejected);
  }
  bool unnamed = false;
  std::string problem = ColumnProblem(shape.result.get(), unnamed);
  if (problem.empty() && unnamed) {
    if (LineDbResult added = AddUnitColumns(); !added.ok()) return added;
  }
  if (problem.empty()) {
    Call key =
        run("SELECT count(*) FROM pg_index i WHERE i.indrelid = to_regclass('ctrlprog_rows') "
            "AND i.indisunique AND i.indpred IS NULL AND i.indexprs IS NULL AND i.indnkeyatts = 2 "
            "AND ARRAY(SELECT a.attname::text FROM pg_attribute a WHERE a.attrelid = i.indrelid "
            "AND a.attnum IN (i.indkey[0], i.indkey[1]) ORDER BY 1) = ARRAY['journal', "
            "'journal_row']");
    if (!key.ok()) return Failed(LineDbStatus::Unavailable, key);
    if (std::string_view(PQgetvalue(key.result.get(), 0, 0)) == "0") {
      problem = Say("it has no unique key on (journal, journal_row)");
    }
  }
  if (!problem.empty()) {
    return {LineDbStatus::WrongShape,
            Say("the table ctrlprog_rows in the line database is not as this program writes it: "
                "%1 (see packaging/line-db.sql)",
                {problem})};
  }
  if (LineDbResult sums = CheckSums(); !sums.ok()) return sums;
  return writes_ ? CheckRights() : LineDbResult{};
}

LineDbResult PgLineDb::CheckSums() {
  // Reports read the sums, and rows added without them would leave them behind for good.
  const char* kept =
      "SELECT (to_regclass('ctrlprog_quarters') IS NOT NULL AND "
      "to_regclass('ctrlprog_passes') IS NOT NULL AND to_regclass('ctrlprog_repasses') IS NOT "
      "NULL AND to_regclass('ctrlprog_journal_days') IS NOT NULL AND (SELECT count(*) FROM "
      "pg_trigger WHERE tgrelid = to_regclass('ctrlprog_rows') "
      "AND tgenabled <> 'D' AND tgname IN ('ctrlprog_rows_sums_insert', "
      "'ctrlprog_rows_sums_delete', 'ctrlprog_rows_sums_update', 'ctrlprog_rows_sums_truncate')) "
      "= 4)::text, (obj_description(to_regclass('ctrlprog_hours'), 'pg_class') IS NOT DISTINCT "
      "FROM 'filled from ctrlprog_quarters')::text";
  const Call found = RunHere(kept);
  if (!found.ok()) return Failed(LineDbStatus::Unavailable, found);
  if (std::string_view(PQgetvalue(found.result.get(), 0, 0)) == "true") {
    // Sums kept before the hours were: the hour sums are filled from every quarter hour, which
    // holds the table's rows still for as long as that takes, so their owner does it, at a time
    // of their choosing; reports read the quarter hours meanwhile.
    if (!writes_ || std::string_view(PQgetvalue(found.result.get(), 0, 1)) == "true") return {};
    if (notice_) {
      notice_(
          Say("the table ctrlprog_rows has no hour sums: a report over a long period is slower "
              "until its owner runs packaging/line-db.sql"));
    }
    return {};
  }
  const std::string hint =
      Say("the table ctrlprog_rows in the line database has no sums kept with it, which reports "
          "read: upgrade it with packaging/line-db.sql, run as its owner");
  if (!writes_) return {LineDbStatus::WrongShape, hint};
  // Made here where this station may (a table it made itself), and filled once from its rows.
  const Call made = RunHere(SqlPart("summing"));
  if (made.ok()) {
    if (notice_) notice_(Say("the table ctrlprog_rows now has its sums kept with it"));
    return {};
  }
  if (made.fault == Fault::Wait) return Failed(LineDbStatus::Unavailable, made);
  return {LineDbStatus::WrongShape, WithServerWords(hint, made.message)};
}

LineDbResult PgLineDb::AddUnitColumns() {
  const std::string hint =
      Say("the table ctrlprog_rows in the line database has no columns serial and attempt: "
          "upgrade it with packaging/line-db.sql, run as its owner");
  if (!writes_) return {LineDbStatus::WrongShape, hint};
  // A table made before rows named their board: upgraded here where this station may (one it
  // made itself); otherwise its owner runs the upgrade.
  const Call upgraded = RunHere(SqlPart("upgrade"));
  if (upgraded.ok()) {
    if (notice_) notice_(Say("the table ctrlprog_rows now has the columns serial and attempt"));
    return {};
  }
  if (upgraded.fault == Fault::Wait) return Failed(LineDbStatus::Unavailable, upgraded);
  return {LineDbStatus::WrongShape, WithServerWords(hint, upgraded.message)};
}

LineDbResult PgLineDb::CheckRights() {
  // Exactly the rights the INSERT needs: each column it writes, and SELECT on the key, which
  // ON CONFLICT reads to tell a row already there.
  std::string written;
  for (const auto& columns :
       {std::span<const Column>(kColumns), std::span<const Column>(kUnitColumns)}) {
    for (const auto& [name, type] : columns) {
      written += (written.empty() ? "'" : ", '") + std::string(name) + "'";
    }
  }
  Call rights = RunHere(
      "SELECT (SELECT bool_and(has_column_privilege(to_regclass('ctrlprog_rows'), c, 'INSERT')) "
      "FROM unnest(ARRAY[" +
      written +
      "]) c)::text, (has_column_privilege(to_regclass('ctrlprog_rows'), 'journal', 'SELECT') AND "
      "has_column_privilege(to_regclass('ctrlprog_rows'), 'journal_row', 'SELECT'))::text, "
      "current_setting('transaction_read_only'), current_user::text");
  if (!rights.ok()) return Failed(LineDbStatus::Unavailable, rights);
  const auto value = [&rights](int column) {
    return std::string_view(PQgetvalue(rights.result.get(), 0, column));
  };
  const std::string role(value(3));
  if (value(0) != "true") {
    return {LineDbStatus::Rejected, Say("the line database's role %1 may not add rows to "
                                        "ctrlprog_rows (make it a member of ctrlprog_station)",
                                        {role})};
  }
  if (value(1) != "true") {
    return {LineDbStatus::Rejected,
            Say("the line database's role %1 may not add rows to ctrlprog_rows as this program "
                "adds them: a row already there is told by its key, which needs SELECT on "
                "(journal, journal_row) too (make it a member of ctrlprog_station)",
                {role})};
  }
  if (value(2) == "on") {
    return {LineDbStatus::Rejected,
            Say("the line database takes no writes on this connection (a standby, or "
                "default_transaction_read_only)")};
  }
  return {};
}

}  // namespace ctrlprog
