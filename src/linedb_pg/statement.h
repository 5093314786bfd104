#pragma once

#include <libpq-fe.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "linedb/line_db.h"
#include "linedb_pg/fault.h"

namespace ctrlprog {

using SteadyClock = std::chrono::steady_clock;
using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// One statement's end: its result, or how it failed.
struct Call {
  Result result{nullptr, &PQclear};
  Fault fault = Fault::Wait;
  DbReason reason = DbReason::Lost;
  std::string told;     // why it failed, for the operator (DbReasonText)
  std::string message;  // what the server or libpq said, as it said it (with the SQLSTATE)
  bool ok() const { return result != nullptr; }
};

// A failed call as a result of `status`: its reason, and the server's words on a line of their own.
LineDbResult Failed(LineDbStatus status, const Call& call);

// Unavailable where the call may be tried again, else `otherwise`.
inline LineDbResult Failed(const Call& call, LineDbStatus otherwise) {
  return Failed(call.fault == Fault::Wait ? LineDbStatus::Unavailable : otherwise, call);
}

// "N s", rounded up.
std::string Seconds(std::chrono::milliseconds ms);

// Waits until the connection's socket is ready, the deadline passes or `abort` is set: whether
// it is ready.
bool WaitOn(pg_conn* conn, bool forWrite, SteadyClock::time_point deadline,
            const std::atomic<bool>& abort);

// How long a statement may take: `within`, and never past `end` (the end of the whole call).
struct Bound {
  std::chrono::milliseconds within;
  SteadyClock::time_point end = SteadyClock::time_point::max();
  SteadyClock::time_point Deadline() const {
    const auto now = SteadyClock::now();
    return end - now < within ? end : now + within;
  }
};

// One statement (several, without parameters) within its bound; values only as parameters. A
// statement that ended as Wait leaves the connection in no state to be used again.
Call Run(pg_conn* conn, const std::string& sql, const std::vector<const char*>& params, Bound bound,
         const std::atomic<bool>& abort);

}  // namespace ctrlprog
