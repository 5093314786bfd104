#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "linedb/journal.h"
#include "linedb/line_db.h"
#include "report/line_tally.h"
#include "report/unit_trace.h"

struct pg_conn;

namespace ctrlprog {

// The line's PostgreSQL database through libpq's asynchronous calls: a connection within its
// timeout (5 s unless the address sets connect_timeout), TCP keepalives and tcp_user_timeout,
// and each statement within its deadline, after which the connection is dropped (a row it may
// have stored is kept once by its key). Values go only as query parameters. Failures are told
// apart by SQLSTATE: a row's values (classes 22, 23) set that row aside; a lost or busy server
// (08, 53, 57P, a timeout) means wait.
class PgLineDb : public LineDb {
 public:
  struct Deadlines {
    std::chrono::milliseconds connect{5000};  // unless the address sets connect_timeout
    std::chrono::milliseconds statement{10000};
  };
  explicit PgLineDb(std::string uri) : uri_(std::move(uri)) {}
  PgLineDb(std::string uri, Deadlines deadlines) : uri_(std::move(uri)), deadlines_(deadlines) {}
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

  LineDbResult Connect() override;
  void Disconnect() override;
  InsertOutcome Insert(const std::vector<JournalRow>& rows) override;
  // Every result from `since` up to `until` (UTC ISO times, or empty), counted into `tally` by
  // the quarter hour: the server sums, so a month's report is not a month's rows.
  LineDbResult Count(const std::string& since, const std::string& until, LineTally& tally);
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
  LineDbResult CheckTable();
  // Adds the columns that name a row's board to a table made before rows named it.
  LineDbResult AddUnitColumns();
  // Whether this role may add rows, on a connection that takes writes.
  LineDbResult CheckRights();
  InsertOutcome InsertEach(const std::vector<JournalRow>& rows);

  std::string uri_;
  Deadlines deadlines_;
  pg_conn* conn_ = nullptr;
  std::function<void(const std::string&)> notice_;
  std::atomic<bool> abort_{false};
  bool writes_ = true;
};

}  // namespace ctrlprog
