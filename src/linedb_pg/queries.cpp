// What reports and traces read from the server: the sums kept with the rows (by the quarter
// hour, boards passed again, journals by the day), a board's history, each journal's span.
#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <optional>
#include <set>
#include <string_view>

#include "linedb/record_time.h"
#include "linedb_pg/pg_line_db.h"
#include "linedb_pg/statement.h"

namespace ctrlprog {
namespace {

// A report's bounds as $1 and $2: rows from `since` up to `until` (empty for no bound).
std::vector<const char*> Between(const std::string& since, const std::string& until) {
  return {since.empty() ? nullptr : since.c_str(), until.empty() ? nullptr : until.c_str()};
}

int64_t FloorTo(int64_t ms, int64_t step) {
  const int64_t q = ms / step;
  return (q * step > ms ? q - 1 : q) * step;
}

// A period split where the sums can answer: whole steps (quarter hours, days) from the sums,
// and the pieces before the first and after the last whole step from the rows. Each bound as
// a query parameter, empty for none; an edge with an empty bound holds no row.
struct SplitPeriod {
  std::string wholeFrom, wholeTo;  // the whole steps: from the first's start to the last's end
  std::string headFrom, headTo;    // rows before the first whole step
  std::string tailFrom, tailTo;    // rows after the last whole step

  SplitPeriod(const std::string& since, const std::string& until, int64_t step) {
    const std::optional<int64_t> lo = EpochMs(since), hi = EpochMs(until);
    // Without a bound, the whole steps reach as far as the rows do.
    const int64_t first = lo ? FloorTo(*lo + step - 1, step) : INT64_MIN;
    const int64_t last = hi ? FloorTo(*hi, step) : INT64_MAX;
    if (lo) {
      wholeFrom = UtcIso(first);
      headFrom = UtcIso(*lo);
      headTo = UtcIso(std::min(first, hi.value_or(first)));
    }
    if (hi) {
      wholeTo = UtcIso(last);
      tailFrom = UtcIso(std::max({last, first, lo.value_or(last)}));
      tailTo = UtcIso(*hi);
    }
  }
  std::vector<const char*> Params() const {
    std::vector<const char*> out;
    for (const std::string* p : {&wholeFrom, &wholeTo, &headFrom, &headTo, &tailFrom, &tailTo})
      out.push_back(p->empty() ? nullptr : p->c_str());
    return out;
  }
};

// The quarter hours of whole steps from the sums, and of the pieces at the edges from the rows,
// added up into buckets of $7 from $8 (hours where the report's hours begin, or quarters).
const char* const kCountSql =
    "WITH q AS (SELECT start, station, port, passes, fails, unconfirmed, lost, unnamed, named, "
    "first_pass FROM ctrlprog_quarters WHERE ($1::timestamptz IS NULL OR start >= $1) "
    "AND ($2::timestamptz IS NULL OR start < $2) "
    "UNION ALL SELECT date_bin('15 minutes', time, 'epoch'), station, port, "
    "count(*) FILTER (WHERE result = 'PASS'), count(*) FILTER (WHERE result = 'FAIL'), "
    "count(*) FILTER (WHERE result = 'UNCONFIRMED'), count(*) FILTER (WHERE result = 'LOST'), "
    "count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED') AND serial IS NULL), "
    "count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED') AND serial IS NOT NULL "
    "AND attempt = 1), "
    "count(*) FILTER (WHERE result = 'PASS' AND serial IS NOT NULL AND attempt = 1) "
    "FROM ctrlprog_rows WHERE result <> 'RESTORED' AND ((time >= $3::timestamptz AND time < "
    "$4::timestamptz) OR (time >= $5::timestamptz AND time < $6::timestamptz)) GROUP BY 1, 2, 3) "
    "SELECT station, port, (extract(epoch FROM date_bin($7::interval, start, $8::timestamptz)) "
    "* 1000)::bigint, sum(passes), sum(fails), sum(unconfirmed), sum(lost), sum(unnamed), "
    "sum(named), sum(first_pass) FROM q GROUP BY 1, 2, 3 "
    "HAVING sum(passes) + sum(fails) + sum(unconfirmed) + sum(lost) > 0";

constexpr int64_t kHourMs = int64_t{3600} * 1000;

// Where this report's hours begin within a UTC hour (ms): 0 in UTC and in zones a whole number
// of hours off it; 30 minutes in India.
int64_t HourShiftMs(bool utc, const std::string& since) {
  if (utc) return 0;
  const auto at = since.empty() ? std::nullopt : EpochMs(since);
  const int64_t ms = at ? *at
                        : std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
  std::string name;
  return ((HourOf(ms, false, name) % kHourMs) + kHourMs) % kHourMs;
}

// The hours the hour sums hold in a period (a few thousand a year).
const char* const kHoursHeldSql =
    "SELECT DISTINCT (date_part('epoch', start) * 1000)::bigint FROM ctrlprog_hours "
    "WHERE ($1::timestamptz IS NULL OR start >= $1) AND ($2::timestamptz IS NULL OR start < $2)";

// Whole UTC hours from the hour sums, in no particular order: the tally orders them. (An hour's
// start in seconds is a whole number a double holds exactly, and cheaper than a numeric.)
const char* const kHoursSql =
    "SELECT station, port, (date_part('epoch', start) * 1000)::bigint, passes, fails, "
    "unconfirmed, lost, unnamed, named, first_pass FROM ctrlprog_hours "
    "WHERE ($1::timestamptz IS NULL OR start >= $1) AND ($2::timestamptz IS NULL OR start < $2) "
    "AND passes + fails + unconfirmed + lost > 0";

// Whether the hour sums are there, filled, kept by the triggers' function (a line-db.sql from
// before them, run again, puts back one that does not keep them) and readable by this role: not
// true, without an error, where there is no such table or function.
const char* const kHoursKeptSql =
    "SELECT (obj_description(to_regclass('ctrlprog_hours'), 'pg_class') IS NOT DISTINCT FROM "
    "'filled from ctrlprog_quarters' AND has_table_privilege(to_regclass('ctrlprog_hours'), "
    "'SELECT') AND (SELECT position('INSERT INTO ctrlprog_hours' IN prosrc) > 0 FROM pg_proc "
    "WHERE oid = to_regprocedure('ctrlprog_keep_sums()')))::text";

// Each row of (station, port, start in ms, and the seven counts), to `take`.
template <typename Take>
void EachCount(const PGresult* r, Take take) {
  const auto number = [r](int row, int column) {
    const char* text = PQgetvalue(r, row, column);
    int64_t n = 0;
    std::from_chars(text, text + PQgetlength(r, row, column), n);
    return n;
  };
  for (int i = 0; i < PQntuples(r); ++i) {
    take(std::string_view(PQgetvalue(r, i, 0), static_cast<size_t>(PQgetlength(r, i, 0))),
         std::string_view(PQgetvalue(r, i, 1), static_cast<size_t>(PQgetlength(r, i, 1))),
         number(i, 2),
         ResultCounts{number(i, 3), number(i, 4), number(i, 5), number(i, 6), number(i, 7),
                      number(i, 8), number(i, 9)});
  }
}

// Whether `start` is where one of the report's hours begins, and that hour has no other offset
// at its last quarter (clocks that moved by whole hours, or not at all).
bool WholeHour(int64_t start, bool utc) {
  std::string name;
  return HourOf(start, utc, name) == start &&
         HourOf(start + kHourMs - kQuarterMs, utc, name) == start;
}

// Whether each UTC hour (its start in ms, in the first column of `r`) is one of the report's.
bool WholeHoursIn(const PGresult* r, bool utc) {
  for (int i = 0; i < PQntuples(r); ++i) {
    if (!WholeHour(std::atoll(PQgetvalue(r, i, 0)), utc)) return false;
  }
  return true;
}

// Whether every start counted is where one of the report's hours begins.
bool WholeHours(const std::vector<QuarterCounts>& counted, bool utc) {
  std::set<int64_t> starts;
  for (const QuarterCounts& c : counted) starts.insert(c.startMs);
  return std::all_of(starts.begin(), starts.end(),
                     [utc](int64_t start) { return WholeHour(start, utc); });
}

}  // namespace

LineDbResult PgLineDb::CountPeriod(const std::string& since, const std::string& until,
                                   const char* bucket, const std::string& origin,
                                   std::vector<QuarterCounts>& out) {
  const SplitPeriod period(since, until, kQuarterMs);  // its texts outlive the parameters
  std::vector<const char*> params = period.Params();
  params.push_back(bucket);
  params.push_back(origin.c_str());
  const Call r = RunHere(kCountSql, params);
  if (!r.ok()) return Failed(LineDbStatus::Unavailable, r);
  EachCount(r.result.get(), [&out](std::string_view station, std::string_view port, int64_t start,
                                   const ResultCounts& counts) {
    out.push_back({std::string(station), std::string(port), start, counts});
  });
  return {};
}

LineDbResult PgLineDb::CountByHours(const std::string& since, const std::string& until, bool utc,
                                    LineTally& tally) {
  // The upgrade holds the hour sums while it fills them: then the quarter hours answer.
  if (const Call set = RunHere("SET lock_timeout = 1000"); !set.ok()) {
    return Failed(LineDbStatus::Unavailable, set);
  }
  LineDbResult counted = CountHours(since, until, utc, tally);
  if (const Call reset = RunHere("RESET lock_timeout"); !reset.ok() && counted.ok()) {
    return Failed(LineDbStatus::Unavailable, reset);
  }
  return counted;
}

LineDbResult PgLineDb::CountHours(const std::string& since, const std::string& until, bool utc,
                                  LineTally& tally) {
  const auto failed = [](const Call& r) {
    return r.reason == DbReason::LockBusy ? LineDbResult{LineDbStatus::WrongShape, {}}
                                          : Failed(LineDbStatus::Unavailable, r);
  };
  const Call kept = RunHere(kHoursKeptSql);
  if (!kept.ok()) return failed(kept);
  if (std::string_view(PQgetvalue(kept.result.get(), 0, 0)) != "true") {
    return {LineDbStatus::WrongShape, {}};
  }
  // Only where every hour the period's rows fall in is one of the report's hours.
  const SplitPeriod hours(since, until, kHourMs);
  const std::optional<int64_t> lo = EpochMs(since);
  const std::string from = lo ? UtcIso(FloorTo(*lo, kHourMs)) : std::string();
  const Call held = RunHere(kHoursHeldSql, {from.empty() ? nullptr : from.c_str(),
                                            until.empty() ? nullptr : until.c_str()});
  if (!held.ok()) return failed(held);
  if (!WholeHoursIn(held.result.get(), utc)) {
    return {LineDbStatus::WrongShape, {}};
  }
  // Whole hours from their sums, the hours the period cuts from the quarters and rows.
  const Call r = RunHere(kHoursSql, {hours.wholeFrom.empty() ? nullptr : hours.wholeFrom.c_str(),
                                     hours.wholeTo.empty() ? nullptr : hours.wholeTo.c_str()});
  if (!r.ok()) return failed(r);
  tally.Reserve(static_cast<size_t>(PQntuples(r.result.get())));
  EachCount(r.result.get(),
            [&tally](std::string_view station, std::string_view port, int64_t start,
                     const ResultCounts& counts) { tally.Add(station, port, start, counts); });
  std::vector<QuarterCounts> edges;
  for (const auto& [edgeFrom, edgeTo] :
       {std::pair{hours.headFrom, hours.headTo}, {hours.tailFrom, hours.tailTo}}) {
    if (edgeFrom.empty() || edgeTo.empty() || edgeFrom >= edgeTo) continue;
    if (LineDbResult piece = CountPeriod(edgeFrom, edgeTo, "1 hour", UtcIso(0), edges); !piece.ok())
      return piece;
  }
  for (const QuarterCounts& edge : edges) tally.Add(edge);
  return {};
}

LineDbResult PgLineDb::Count(const std::string& since, const std::string& until, bool utc,
                             LineTally& tally) {
  BeginCall();
  if (auto connected = ConnectNow(); !connected.ok()) return connected;
  // Hours summed on the server where each falls within one of the report's hours; where the
  // clocks moved by other than whole hours in the period, quarter hours, as the sums hold them.
  const int64_t shift = HourShiftMs(utc, since);
  std::vector<QuarterCounts> counted;
  bool counting = true;
  if (shift == 0) {
    LineDbResult byHours = CountByHours(since, until, utc, tally);
    if (!byHours.ok() && byHours.status != LineDbStatus::WrongShape) return byHours;
    counting = !byHours.ok();
  }
  const std::string origin = UtcIso(shift);
  for (const char* bucket : {"1 hour", "15 minutes"}) {
    if (!counting) break;
    counted.clear();
    if (LineDbResult r = CountPeriod(since, until, bucket, origin, counted); !r.ok()) return r;
    if (std::string_view(bucket) == "1 hour" && !WholeHours(counted, utc)) continue;
    break;
  }
  for (const QuarterCounts& quarter : counted) tally.Add(quarter);
  // Boards with more than one PASS row in the period: among those with more than one at all,
  // whose PASS rows the sums keep apart.
  const Call again = RunHere(
      "SELECT count(*) FROM (SELECT serial FROM ctrlprog_repasses "
      "WHERE ($1::timestamptz IS NULL OR time >= $1::timestamptz) "
      "AND ($2::timestamptz IS NULL OR time < $2::timestamptz) GROUP BY serial "
      "HAVING count(*) > 1) AS passed_again",
      Between(since, until));
  if (!again.ok()) {
    return Failed(LineDbStatus::Unavailable, again);
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
    return Failed(r, LineDbStatus::Rejected);
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
  // Whole days from the sums, the pieces of days at the edges from the rows.
  const SplitPeriod period(since, until, int64_t{24} * kHourMs);
  const char* sql =
      "SELECT station, journal, (extract(epoch FROM min(first)) * 1000)::bigint, "
      "(extract(epoch FROM max(last)) * 1000)::bigint FROM ("
      "SELECT station, journal, first, last FROM ctrlprog_journal_days "
      "WHERE ($1::timestamptz IS NULL OR start >= $1) AND ($2::timestamptz IS NULL OR start < $2) "
      "UNION ALL SELECT station, journal, min(time), max(time) FROM ctrlprog_rows "
      "WHERE (time >= $3::timestamptz AND time < $4::timestamptz) "
      "OR (time >= $5::timestamptz AND time < $6::timestamptz) GROUP BY 1, 2) AS d GROUP BY 1, 2";
  const Call r = RunHere(sql, period.Params());
  if (!r.ok()) return Failed(LineDbStatus::Unavailable, r);
  for (int i = 0; i < PQntuples(r.result.get()); ++i) {
    out.push_back({PQgetvalue(r.result.get(), i, 0), PQgetvalue(r.result.get(), i, 1),
                   std::atoll(PQgetvalue(r.result.get(), i, 2)),
                   std::atoll(PQgetvalue(r.result.get(), i, 3))});
  }
  return {};
}

}  // namespace ctrlprog
