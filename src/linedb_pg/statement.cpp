// One statement within its deadline, on a non-blocking connection.
#include "linedb_pg/statement.h"

#include <algorithm>

#include "linedb_pg/pg_message.h"
#include "linedb_pg/socket_wait.h"

namespace ctrlprog {
namespace {

constexpr int kSliceMs = 100;  // how often a wait looks whether it was aborted

}  // namespace

std::string Seconds(std::chrono::milliseconds ms) {
  return std::to_string((ms.count() + 999) / 1000) + " s";
}

bool WaitOn(pg_conn* conn, bool forWrite, SteadyClock::time_point deadline,
            const std::atomic<bool>& abort) {
  for (;;) {
    if (abort) return false;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (left.count() <= 0) return false;
    if (WaitForSocket(PQsocket(conn), forWrite,
                      static_cast<int>(std::min<int64_t>(left.count(), kSliceMs)))) {
      return true;
    }
  }
}

Call Run(pg_conn* conn, const std::string& sql, const std::vector<const char*>& params, Bound bound,
         const std::atomic<bool>& abort) {
  Call call;
  const auto deadline = bound.Deadline();
  const auto within = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
  const auto lost = [&](const std::string& why) {
    call.result.reset();
    call.fault = Fault::Wait;
    call.message = why;
    return std::move(call);
  };
  // Without parameters, as a simple query, which may hold several statements.
  const int sent = params.empty()
                       ? PQsendQuery(conn, sql.c_str())
                       : PQsendQueryParams(conn, sql.c_str(), static_cast<int>(params.size()),
                                           nullptr, params.data(), nullptr, nullptr, 0);
  if (!sent) {
    return lost(Clean(PQerrorMessage(conn)));
  }
  const auto late = [&] { return lost(abort ? "stopped" : "no answer within " + Seconds(within)); };
  for (int flushed; (flushed = PQflush(conn)) != 0;) {
    if (flushed < 0) return lost(Clean(PQerrorMessage(conn)));
    if (!WaitOn(conn, true, deadline, abort)) return late();
  }
  for (;;) {
    while (PQisBusy(conn)) {
      if (!WaitOn(conn, false, deadline, abort)) return late();
      if (!PQconsumeInput(conn)) return lost(Clean(PQerrorMessage(conn)));
    }
    PGresult* next = PQgetResult(conn);
    if (!next) break;
    // The first error is the one to tell; otherwise the last result.
    const ExecStatusType status = PQresultStatus(next);
    const bool good = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!good && call.message.empty()) {
      const char* state = PQresultErrorField(next, PG_DIAG_SQLSTATE);
      const char* primary = PQresultErrorField(next, PG_DIAG_MESSAGE_PRIMARY);
      call.fault = FaultOf(state ? state : "");
      call.message = primary ? primary : Clean(PQresultErrorMessage(next));
      if (state) call.message += std::string(" (SQLSTATE ") + state + ")";
    }
    if (good && call.message.empty())
      call.result.reset(next);
    else
      PQclear(next);
  }
  if (!call.message.empty()) call.result.reset();
  if (!call.ok() && call.message.empty()) return lost(Clean(PQerrorMessage(conn)));
  return call;
}

}  // namespace ctrlprog
