// What reports and traces read from the server: sums by the quarter hour, a board's history,
// each journal's span.
#include <libpq-fe.h>

#include <cstdlib>

#include "linedb_pg/pg_line_db.h"
#include "linedb_pg/statement.h"

namespace ctrlprog {
namespace {

// A report's bounds as $1 and $2: rows from `since` up to `until` (empty for no bound).
std::vector<const char*> Between(const std::string& since, const std::string& until) {
  return {since.empty() ? nullptr : since.c_str(), until.empty() ? nullptr : until.c_str()};
}

}  // namespace

LineDbResult PgLineDb::Count(const std::string& since, const std::string& until, LineTally& tally) {
  BeginCall();
  if (auto connected = ConnectNow(); !connected.ok()) return connected;
  const char* sql =
      "SELECT station, port, (floor(extract(epoch FROM time) / 900) * 900000)::bigint, "
      "count(*) FILTER (WHERE result = 'PASS'), count(*) FILTER (WHERE result = 'FAIL'), "
      "count(*) FILTER (WHERE result = 'UNCONFIRMED'), count(*) FILTER (WHERE result = 'LOST'), "
      "count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED') AND serial IS NULL), "
      "count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED') AND serial IS NOT NULL "
      "AND attempt = 1), "
      "count(*) FILTER (WHERE result = 'PASS' AND serial IS NOT NULL AND attempt = 1) "
      "FROM ctrlprog_rows WHERE result <> 'RESTORED' "
      "AND ($1::timestamptz IS NULL OR time >= $1::timestamptz) "
      "AND ($2::timestamptz IS NULL OR time < $2::timestamptz) GROUP BY 1, 2, 3";
  const Call r = RunHere(sql, Between(since, until));
  if (!r.ok())
    return {LineDbStatus::Unavailable, "the line database did not answer the report: " + r.message};
  const auto number = [&r](int row, int column) {
    return std::atoll(PQgetvalue(r.result.get(), row, column));
  };
  for (int i = 0; i < PQntuples(r.result.get()); ++i) {
    tally.Add(QuarterCounts{PQgetvalue(r.result.get(), i, 0), PQgetvalue(r.result.get(), i, 1),
                            number(i, 2),
                            ResultCounts{number(i, 3), number(i, 4), number(i, 5), number(i, 6),
                                         number(i, 7), number(i, 8), number(i, 9)}});
  }
  const Call again = RunHere(
      "SELECT count(*) FROM (SELECT serial FROM ctrlprog_rows WHERE result = 'PASS' "
      "AND serial IS NOT NULL AND ($1::timestamptz IS NULL OR time >= $1::timestamptz) "
      "AND ($2::timestamptz IS NULL OR time < $2::timestamptz) GROUP BY serial "
      "HAVING count(*) > 1) AS passed_again",
      Between(since, until));
  if (!again.ok()) {
    return {LineDbStatus::Unavailable,
            "the line database did not answer the report: " + again.message};
  }
  tally.AddPassedMoreThanOnce(std::atoll(PQgetvalue(again.result.get(), 0, 0)));
  return {};
}

LineDbResult PgLineDb::History(const std::string& serial, bool full, std::vector<TraceRow>& out) {
  BeginCall();
  if (auto connected = ConnectNow(); !connected.ok()) return connected;
  const std::string sql =
      std::string("SELECT (extract(epoch FROM time) * 1000)::bigint, station, port, ") +
      (full ? "file, frame" : "'', ''") +
      ", result, coalesce(attempt, 0), journal, journal_row FROM ctrlprog_rows WHERE serial = $1 "
      "ORDER BY time, journal, journal_row";
  const Call r = RunHere(sql, {serial.c_str()});
  if (!r.ok()) {
    return {r.fault == Fault::Wait ? LineDbStatus::Unavailable : LineDbStatus::Rejected,
            "the line database did not answer: " + r.message};
  }
  const PGresult* rows = r.result.get();
  for (int i = 0; i < PQntuples(rows); ++i) {
    out.push_back({std::atoll(PQgetvalue(rows, i, 0)), PQgetvalue(rows, i, 1),
                   PQgetvalue(rows, i, 2), PQgetvalue(rows, i, 3), PQgetvalue(rows, i, 4),
                   PQgetvalue(rows, i, 5), std::atoll(PQgetvalue(rows, i, 6)),
                   PQgetvalue(rows, i, 7), std::atoll(PQgetvalue(rows, i, 8))});
  }
  return {};
}

LineDbResult PgLineDb::Spans(const std::string& since, const std::string& until,
                             std::vector<JournalSpan>& out) {
  BeginCall();
  if (auto connected = ConnectNow(); !connected.ok()) return connected;
  const char* sql =
      "SELECT station, journal, (extract(epoch FROM min(time)) * 1000)::bigint, "
      "(extract(epoch FROM max(time)) * 1000)::bigint FROM ctrlprog_rows "
      "WHERE ($1::timestamptz IS NULL OR time >= $1::timestamptz) "
      "AND ($2::timestamptz IS NULL OR time < $2::timestamptz) GROUP BY 1, 2";
  const Call r = RunHere(sql, Between(since, until));
  if (!r.ok()) return {LineDbStatus::Unavailable, "the line database did not answer: " + r.message};
  for (int i = 0; i < PQntuples(r.result.get()); ++i) {
    out.push_back({PQgetvalue(r.result.get(), i, 0), PQgetvalue(r.result.get(), i, 1),
                   std::atoll(PQgetvalue(r.result.get(), i, 2)),
                   std::atoll(PQgetvalue(r.result.get(), i, 3))});
  }
  return {};
}

}  // namespace ctrlprog
