// Connecting within a deadline, and telling a refusal from a server not reached.
#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>

#include "linedb_pg/address_setting.h"
#include "linedb_pg/pg_line_db.h"
#include "linedb_pg/pg_message.h"
#include "linedb_pg/statement.h"

namespace ctrlprog {
namespace {

void NoticeThunk(void* self, const char* message) {
  const auto* notice = static_cast<const std::function<void(const std::string&)>*>(self);
  if (*notice) (*notice)("the line database says: " + Clean(message));
}

}  // namespace

PgLineDb::~PgLineDb() {
  Disconnect();
}

void PgLineDb::Disconnect() {
  if (conn_) PQfinish(conn_);  // non-blocking by now: never waits for a hung server
  conn_ = nullptr;
}

LineDbResult PgLineDb::Connect() {
  if (conn_ && PQstatus(conn_) == CONNECTION_OK) return {};
  Disconnect();
  if (auto checked = CheckUri(uri_); !checked.ok()) return checked;
  // Our defaults come before the address, so whatever it sets wins.
  const char* keywords[] = {
      "connect_timeout",  "keepalives",       "keepalives_idle", "keepalives_interval",
      "keepalives_count", "tcp_user_timeout", "dbname",          nullptr};
  const char* values[] = {"5", "1", "10", "5", "3", "15000", uri_.c_str(), nullptr};
  conn_ = PQconnectStartParams(keywords, values, 1);
  if (!conn_) return {LineDbStatus::Unavailable, "the line database: out of memory"};
  PQsetErrorVerbosity(conn_, PQERRORS_VERBOSE);  // so every server error carries its SQLSTATE
  PQsetNoticeProcessor(conn_, &NoticeThunk, &notice_);
  if (PQstatus(conn_) == CONNECTION_BAD) {  // no host found, or what CheckUri let through
    const std::string why = Clean(PQerrorMessage(conn_));
    Disconnect();
    return {LineDbStatus::Unavailable, "the line database cannot be reached: " + why};
  }
  const std::string timeoutSetting = Setting(uri_, "connect_timeout");
  const auto timeout =
      timeoutSetting.empty() || std::atoi(timeoutSetting.c_str()) <= 0
          ? deadlines_.connect
          : std::chrono::milliseconds(1000 * std::max(2, std::atoi(timeoutSetting.c_str())));
  const auto deadline = SteadyClock::now() + timeout;
  PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
  ConnStatusType before = CONNECTION_STARTED;
  while (polling != PGRES_POLLING_OK) {
    if (polling == PGRES_POLLING_FAILED) {
      const std::string raw = PQerrorMessage(conn_);
      const bool needsPassword = PQconnectionNeedsPassword(conn_) != 0;
      Disconnect();
      std::string state;
      SqlStateAt(raw, &state);
      const std::string why = Clean(raw.c_str());
      const std::string sslmode = Setting(uri_, "sslmode");
      const bool tlsDemanded =
          sslmode == "require" || sslmode == "verify-ca" || sslmode == "verify-full";
      // Refused: the server said why (by SQLSTATE), asked for a password we lack, would not
      // speak TLS we demand, or did not suit target_session_attrs once we were in.
      const bool refused =
          needsPassword || (!state.empty() && FaultOf(state) != Fault::Wait) ||
          (state.empty() &&
           ((before == CONNECTION_SSL_STARTUP && tlsDemanded) || before == CONNECTION_AUTH_OK ||
            before == CONNECTION_CHECK_WRITABLE || before == CONNECTION_CHECK_TARGET ||
            before == CONNECTION_CHECK_STANDBY || before == CONNECTION_CONSUME));
      if (refused)
        return {LineDbStatus::Rejected, "the line database refused this station: " + why};
      return {LineDbStatus::Unavailable, "the line database cannot be reached: " + why};
    }
    if (!WaitOn(conn_, polling == PGRES_POLLING_WRITING, deadline, abort_)) {
      Disconnect();
      return {LineDbStatus::Unavailable,
              abort_ ? "the line database: stopped"
                     : "the line database did not answer within " + Seconds(timeout)};
    }
    before = PQstatus(conn_);
    polling = PQconnectPoll(conn_);
  }
  PQsetnonblocking(conn_, 1);
  if (auto table = CheckTable(); !table.ok()) {
    Disconnect();
    return table;
  }
  return {};
}

}  // namespace ctrlprog
