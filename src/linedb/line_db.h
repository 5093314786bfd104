#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "linedb/journal.h"

struct pg_conn;

namespace ctrlprog {

// How a call to the line database ended.
enum class LineDbStatus {
  Ok,
  BadUri,       // the connection string does not parse
  Rejected,     // the server refused us: credentials, role or database
  Unreachable,  // no server answered (down, unknown host, network): tried again later
  WrongShape,   // the table is there but not as this program writes it, or cannot be made
  Failed,       // a statement failed
};

struct LineDbResult {
  LineDbStatus status = LineDbStatus::Ok;
  std::string message;  // for the operator; never holds a password
  bool ok() const { return status == LineDbStatus::Ok; }
};

// Per station and UTC hour: boards (PASS, FAIL, UNCONFIRMED), passes and fails.
struct YieldRow {
  std::string station, hour;
  int64_t boards = 0, passes = 0, fails = 0;
};

// The line's PostgreSQL database, through libpq: the table of every station's rows, keyed on
// (station, row number), written one batch a transaction with ON CONFLICT DO NOTHING so that a
// row sent twice is stored once. Values go only as query parameters.
class LineDb {
 public:
  explicit LineDb(std::string uri) : uri_(std::move(uri)) {}
  ~LineDb();
  LineDb(const LineDb&) = delete;
  LineDb& operator=(const LineDb&) = delete;

  // Whether `uri` parses as libpq takes it (a URI or a keyword string).
  static LineDbResult CheckUri(const std::string& uri);
  // Which database `uri` names (host, port, database), whoever connects: one word.
  static std::string Identity(const std::string& uri);

  // Connects; creates the table where it is missing and we may; checks its shape.
  LineDbResult Connect();
  bool Connected() const;
  void Disconnect();
  // Stores `rows` in one transaction; rows already there are left as they are.
  LineDbResult Insert(const std::vector<JournalRow>& rows);
  // The yield per station and hour, from `since` up to `until` (record times, or empty).
  LineDbResult Yield(const std::string& since, const std::string& until,
                     std::vector<YieldRow>& out);

 private:
  LineDbResult Fail(LineDbStatus status, const std::string& what);

  std::string uri_;
  pg_conn* conn_ = nullptr;
};

}  // namespace ctrlprog
