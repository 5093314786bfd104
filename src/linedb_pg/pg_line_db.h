#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "linedb/journal.h"
#include "linedb/line_db.h"
#include "linedb_pg/fault.h"
#include "linedb_pg/pg_address.h"
#include "report/line_tally.h"
#include "report/unit_trace.h"

struct pg_conn;

namespace ctrlprog {

struct Call;  // one statement's end (statement.h)

// The line's PostgreSQL database through libpq's asynchronous calls: host names looked up on
// our own deadline, a connection within its timeout (5 s unless the address sets
// connect_timeout), TCP keepalives and tcp_user_timeout, and each statement within its deadline,
// after which the connection is dropped (a row it may have stored is kept once by its key).
// Values go only as query parameters. Failures are told apart by where they come from (FaultOf):
// a lost or busy server means wait; what the server says about an INSERT is about its rows,
// unless every row alone is refused for the same reason, which is about the table.
class PgLineDb : public LineDb {
 public:
  struct Deadlines {
    std::chrono::milliseconds connect{5000};  // unless the address sets connect_timeout
    std::chrono::milliseconds statement{10000};
    // The whole of one call (look-up, connect, checks and statements); zero: no bound but theirs.
    std::chrono::milliseconds call{0};
  };
  explicit PgLineDb(std::string uri);
  PgLineDb(std::string uri, Deadlines deadlines);
  ~PgLineDb() override;
  PgLineDb(const PgLineDb&) = delete;
  PgLineDb& operator=(const PgLineDb&) = delete;

  // Whether `uri` parses as libpq takes it and its settings have values libpq takes, naming the
  // one that does not.
  static LineDbResult CheckUri(const std::string& uri);
  // `uri` with its password (if any) masked: safe to print.
  static std::string Masked(const std::string& uri);
  // Whether `uri` holds a password.
  static bool HoldsPassword(const std::string& uri);
  // Which database `uri` names (host, port, database), whoever connects: one word.
  static std::string Identity(const std::string& uri);
  // The database's name alone, for a page a person reads: no host, port or other setting.
  static std::string DatabaseName(const std::string& uri);

  LineDbResult Connect() override;
  void Disconnect() override;
  InsertOutcome Insert(const std::vector<JournalRow>& rows) override;
  // Every result from `since` up to `until` (UTC ISO times, or empty), counted into `tally`
  // from the sums kept with the rows (and the rows of the quarter hours the period cuts), so a
  // year's report is not a year's rows; summed by the report's hours (`utc` or local) where
  // they are whole hours apart, else by the quarter hour.
  LineDbResult Count(const std::string& since, const std::string& until, bool utc,
                     LineTally& tally);
  // Every row naming the board `serial`, in time order; without `full`, without the file and
  // frame (which a station may not read).
  LineDbResult History(const std::string& serial, bool full, std::vector<TraceRow>& out);

  // When each station's journals wrote, from `since` up to `until`.
  LineDbResult Spans(const std::string& since, const std::string& until,
                     std::vector<JournalSpan>& out);

  // For reports: the table is read, never made or written, and the role needs no INSERT.
  void ForReading() { writes_ = false; }

  // Where the server's notices go (each once, in our words); any thread.
  void OnNotice(std::function<void(const std::string&)> notice) { notice_ = std::move(notice); }
  void Abort() override { abort_ = true; }

 private:
  // A call begins: its end, from Deadlines::call.
  void BeginCall();
  LineDbResult ConnectNow();
  // One statement within its deadline and the call's; a connection left busy by one that did
  // not end is dropped, so the next call connects afresh.
  Call RunHere(const std::string& sql, const std::vector<const char*>& params = {});
  // The settings libpq is given: ours, the address's, and each host name looked up here by
  // `deadline`.
  LineDbResult LibpqSettings(std::vector<std::pair<std::string, std::string>>& out,
                             std::chrono::steady_clock::time_point deadline);
  // Until the connection started is made, refused or lost, or `deadline`.
  LineDbResult Poll(std::chrono::steady_clock::time_point deadline,
                    std::chrono::milliseconds timeout);
  LineDbResult CheckTable();
  // Adds the columns that name a row's board to a table made before rows named it.
  LineDbResult AddUnitColumns();
  // Whether the sums reports read are kept with the rows; made (and filled from the rows) where
  // this station may, as packaging/line-db.sql makes them.
  LineDbResult CheckSums();
  // The report's counts of a period by `bucket` ("1 hour" or "15 minutes") from `origin`: whole
  // quarter hours from their sums, the quarters the period cuts from the rows.
  LineDbResult CountPeriod(const std::string& since, const std::string& until, const char* bucket,
                           const std::string& origin, std::vector<QuarterCounts>& out);
  // The same into `tally` by UTC hours, from the hour sums where the period holds whole hours;
  // WrongShape (no message), counting nothing, where the line database keeps no hour sums (a table
  // not yet upgraded) or the report's hours are not whole UTC hours.
  LineDbResult CountByHours(const std::string& since, const std::string& until, bool utc,
                            LineTally& tally);
  // The same, with the session's lock timeout set: WrongShape also where the hour sums are held.
  LineDbResult CountHours(const std::string& since, const std::string& until, bool utc,
                          LineTally& tally);
  // Whether this role may add rows, on a connection that takes writes.
  LineDbResult CheckRights();
  // Sends the rows `which` of `rows` in one statement, and where the server refuses it, in
  // halves until each refused row stands alone; false (with why) when the server was lost.
  // `fault` becomes Row once a row is refused for its values.
  bool InsertSplit(const std::vector<JournalRow>& rows, const std::vector<size_t>& which,
                   InsertOutcome& outcome, Fault& fault, Call& lost);

  std::string uri_;
  std::optional<PgAddress> address_;  // parsed once; none when it does not parse
  Deadlines deadlines_;
  std::chrono::steady_clock::time_point callEnd_ = std::chrono::steady_clock::time_point::max();
  pg_conn* conn_ = nullptr;
  std::function<void(const std::string&)> notice_;
  std::atomic<bool> abort_{false};
  bool writes_ = true;
};

}  // namespace ctrlprog
