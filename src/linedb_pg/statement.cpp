// One statement within its deadline, on a non-blocking connection.
#include "linedb_pg/statement.h"

#include <algorithm>

#include "linedb_pg/db_reason.h"
#include "linedb_pg/pg_message.h"
#include "linedb_pg/socket_wait.h"
#include "model/say.h"

namespace ctrlprog {
namespace {

constexpr int kSliceMs = 100;  // how often a wait looks whether it was aborted

}  // namespace

LineDbResult Failed(LineDbStatus status, const Call& call) {
  return {status, WithServerWords(call.told, call.message)};
}

std::string Seconds(std::chrono::milliseconds ms) {
  return Say("%1 s", {std::to_string((ms.count() + 999) / 1000)});
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
  const auto lost = [&](std::string told, const std::string& words) {
    call.result.reset();
    call.fault = Fault::Wait;
    call.told = std::move(told);
    call.message = words;
    return std::move(call);
  };
  const auto dropped = [&] {
    return lost(DbReasonText(DbReason::Lost), Clean(PQerrorMessage(conn)));
  };
  // Without parameters, as a simple query, which may hold several statements.
  const int sent = params.empty()
                       ? PQsendQuery(conn, sql.c_str())
                       : PQsendQueryParams(conn, sql.c_str(), static_cast<int>(params.size()),
                                           nullptr, params.data(), nullptr, nullptr, 0);
  if (!sent) return dropped();
  const auto late = [&] {
    return lost(abort ? DbReasonText(DbReason::Stopped)
                      : DbReasonText(DbReason::StatementLate, {Seconds(within)}),
                {});
  };
  for (int flushed; (flushed = PQflush(conn)) != 0;) {
    if (flushed < 0) return dropped();
    if (!WaitOn(conn, true, deadline, abort)) return late();
  }
  for (;;) {
    while (PQisBusy(conn)) {
      if (!WaitOn(conn, false, deadline, abort)) return late();
      if (!PQconsumeInput(conn)) return dropped();
    }
    PGresult* next = PQgetResult(conn);
    if (!next) break;
    // The first error is the one to tell; otherwise the last result.
    const ExecStatusType status = PQresultStatus(next);
    const bool good = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!good && call.message.empty()) {
      const char* state = PQresultErrorField(next, PG_DIAG_SQLSTATE);
      const char* primary = PQresultErrorField(next, PG_DIAG_MESSAGE_PRIMARY);
      const Diagnosis diagnosis = Diagnose(state ? state : "");
      call.fault = diagnosis.fault;
      call.reason = diagnosis.reason;
      call.told = DbReasonText(diagnosis.reason);
      call.message = primary ? primary : Clean(PQresultErrorMessage(next));
      if (state) call.message += std::string(" (SQLSTATE ") + state + ")";
    }
    if (good && call.message.empty())
      call.result.reset(next);
    else
      PQclear(next);
  }
  if (!call.message.empty()) call.result.reset();
  if (!call.ok() && call.message.empty()) return dropped();
  return call;
}

}  // namespace ctrlprog
