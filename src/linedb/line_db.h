#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "linedb/journal.h"

struct pg_conn;

namespace ctrlprog {

// How a call to the line database ended, in our own terms.
enum class LineDbStatus {
  Ok,
  BadOptions,   // the address does not parse, or one of its settings has no valid value
  Rejected,     // the server refused this station: credentials, role, database, TLS, privilege
  WrongShape,   // the table lacks our columns or our key, or is missing and cannot be made
  Unavailable,  // no answer in time, lost, shutting down or busy: tried again later
};

struct LineDbResult {
  LineDbStatus status = LineDbStatus::Ok;
  std::string message;  // for the operator; never holds a password
  bool ok() const { return status == LineDbStatus::Ok; }
  // What no retry can mend: refused at start-up.
  bool final() const {
    return status == LineDbStatus::BadOptions || status == LineDbStatus::Rejected ||
           status == LineDbStatus::WrongShape;
  }
};

// What became of a batch of rows: every row is stored or refused, or (Unavailable) nothing is
// known and the batch is tried again later.
struct InsertOutcome {
  LineDbResult result;
  std::vector<std::pair<size_t, std::string>> refused;  // a row's index in the batch, and why
};

// The line's database as the forwarder uses it: connect and check, then add rows by their key,
// each batch in one transaction, a row already there left as it is. Every call ends within its
// deadline.
class LineDb {
 public:
  virtual ~LineDb() = default;
  // Connects (if not connected) and checks the table; creates it where it is missing and we may.
  virtual LineDbResult Connect() = 0;
  virtual void Disconnect() = 0;
  virtual InsertOutcome Insert(const std::vector<JournalRow>& rows) = 0;
  // Ends any wait at once, from another thread; every call after it fails as Unavailable.
  virtual void Abort() {}
};

// Per station and UTC hour: boards (PASS, FAIL, UNCONFIRMED), passes and fails.
struct YieldRow {
  std::string station, hour;
  int64_t boards = 0, passes = 0, fails = 0;
};

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
  // The yield per station and hour, from `since` up to `until` (UTC ISO times, or empty).
  LineDbResult Yield(const std::string& since, const std::string& until,
                     std::vector<YieldRow>& out);

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
  InsertOutcome InsertEach(const std::vector<JournalRow>& rows);

  std::string uri_;
  Deadlines deadlines_;
  pg_conn* conn_ = nullptr;
  std::function<void(const std::string&)> notice_;
  std::atomic<bool> abort_{false};
  bool writes_ = true;
};

}  // namespace ctrlprog
