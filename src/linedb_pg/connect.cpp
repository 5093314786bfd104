// Connecting within a deadline, host names looked up on it too, and telling a refusal from a
// server not reached.
#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>

#include "linedb_pg/db_reason.h"
#include "linedb_pg/host_lookup.h"
#include "linedb_pg/pg_line_db.h"
#include "linedb_pg/pg_message.h"
#include "linedb_pg/statement.h"
#include "model/say.h"

namespace ctrlprog {
namespace {

using SettingList = std::vector<std::pair<std::string, std::string>>;
constexpr size_t kAddressesPerHost = 4;  // tried in turn, as libpq tries a name's addresses

void NoticeThunk(void* self, const char* message) {
  const auto* notice = static_cast<const std::function<void(const std::string&)>*>(self);
  if (*notice) (*notice)(Say("the line database sent a notice") + "\n" + Clean(message));
}

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> items;
  for (size_t from = 0;;) {
    const size_t comma = list.find(',', from);
    items.push_back(list.substr(from, comma - from));
    if (comma == std::string::npos) return items;
    from = comma + 1;
  }
}

std::string Join(const std::vector<std::string>& items) {
  std::string list;
  for (size_t i = 0; i < items.size(); ++i) list += (i ? "," : "") + items[i];
  return list;
}

// The address's setting, else what libpq would take from the environment.
std::string SettingOrEnvironment(const PgAddress& address, const char* keyword, const char* env) {
  std::string value = address.Get(keyword);
  if (value.empty()) {
    if (const char* set = std::getenv(env)) value = set;
  }
  return value;
}

void Put(SettingList& settings, const std::string& keyword, const std::string& value) {
  settings.erase(std::remove_if(settings.begin(), settings.end(),
                                [&](const auto& s) { return s.first == keyword; }),
                 settings.end());
  settings.emplace_back(keyword, value);
}

}  // namespace

PgLineDb::PgLineDb(std::string uri) : PgLineDb(std::move(uri), Deadlines{}) {}

PgLineDb::PgLineDb(std::string uri, Deadlines deadlines)
    : uri_(std::move(uri)), address_(PgAddress::Parse(uri_, nullptr)), deadlines_(deadlines) {}

PgLineDb::~PgLineDb() {
  Disconnect();
}

void PgLineDb::Disconnect() {
  if (conn_) PQfinish(conn_);  // non-blocking by now: never waits for a hung server
  conn_ = nullptr;
}

void PgLineDb::BeginCall() {
  callEnd_ = deadlines_.call.count() > 0 ? SteadyClock::now() + deadlines_.call
                                         : SteadyClock::time_point::max();
}

LineDbResult PgLineDb::Connect() {
  BeginCall();
  return ConnectNow();
}

LineDbResult PgLineDb::LibpqSettings(SettingList& out, SteadyClock::time_point deadline) {
  // Our defaults come first, so whatever the address sets wins.
  out = {{"connect_timeout", "5"},     {"keepalives", "1"},       {"keepalives_idle", "10"},
         {"keepalives_interval", "5"}, {"keepalives_count", "3"}, {"tcp_user_timeout", "15000"}};
  for (const auto& setting : address_->Settings()) Put(out, setting.first, setting.second);
  // libpq looks host names up with a call nothing interrupts: looked up here on our deadline,
  // and given to it as hostaddr, with host kept for TLS and the password file.
  const std::string hosts = SettingOrEnvironment(*address_, "host", "PGHOST");
  if (hosts.empty() || !SettingOrEnvironment(*address_, "hostaddr", "PGHOSTADDR").empty())
    return {};
  const std::vector<std::string> ports = Split(SettingOrEnvironment(*address_, "port", "PGPORT"));
  std::vector<std::string> host, hostaddr, port;
  DbReason missing = DbReason::NoSuchHost;
  std::string missingName;
  const std::vector<std::string> names = Split(hosts);
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    const std::string& itsPort = ports.size() == names.size() ? ports[i] : ports.front();
    if (name.empty() || name.front() == '/' || name.front() == '@') {  // a Unix socket
      host.push_back(name), hostaddr.emplace_back(), port.push_back(itsPort);
      continue;
    }
    const HostLookup found = LookUpHost(name, deadline, abort_);
    if (found.outcome == HostLookup::Outcome::Stopped) {
      return Told(LineDbStatus::Unavailable, DbReason::Stopped);
    }
    if (found.outcome == HostLookup::Outcome::Late) {
      return Told(LineDbStatus::Unavailable, DbReason::ResolverSilent, {}, {name});
    }
    if (found.outcome != HostLookup::Outcome::Found) {
      missing = found.outcome == HostLookup::Outcome::NoSuchHost ? DbReason::NoSuchHost
                                                                 : DbReason::NoNameServer;
      missingName = name;
    }
    for (size_t a = 0; a < std::min(found.addresses.size(), kAddressesPerHost); ++a) {
      host.push_back(name), hostaddr.push_back(found.addresses[a]), port.push_back(itsPort);
    }
  }
  if (host.empty()) {
    return Told(LineDbStatus::Unavailable, missing, {}, {missingName});
  }
  Put(out, "host", Join(host));
  Put(out, "hostaddr", Join(hostaddr));
  if (!ports.front().empty()) Put(out, "port", Join(port));
  return {};
}

LineDbResult PgLineDb::ConnectNow() {
  if (conn_ && PQstatus(conn_) == CONNECTION_OK) return {};
  Disconnect();
  if (auto checked = CheckUri(uri_); !checked.ok()) return checked;
  const std::string timeoutSetting = address_->Get("connect_timeout");
  const auto timeout =
      timeoutSetting.empty() || std::atoi(timeoutSetting.c_str()) <= 0
          ? deadlines_.connect
          : std::chrono::milliseconds(1000 * std::max(2, std::atoi(timeoutSetting.c_str())));
  const auto deadline = Bound{timeout, callEnd_}.Deadline();
  SettingList settings;
  if (auto looked = LibpqSettings(settings, deadline); !looked.ok()) return looked;
  std::vector<const char*> keywords, values;
  for (const auto& [k, v] : settings) keywords.push_back(k.c_str()), values.push_back(v.c_str());
  keywords.push_back(nullptr), values.push_back(nullptr);
  conn_ = PQconnectStartParams(keywords.data(), values.data(), 0);
  if (!conn_) return Told(LineDbStatus::Unavailable, DbReason::OutOfMemory);
  PQsetErrorVerbosity(conn_, PQERRORS_VERBOSE);  // so every server error carries its SQLSTATE
  PQsetNoticeProcessor(conn_, &NoticeThunk, &notice_);
  if (auto polled = Poll(deadline, timeout); !polled.ok()) {
    Disconnect();
    return polled;
  }
  PQsetnonblocking(conn_, 1);
  // The server gives up on a statement a second after we do, so one we dropped holds no locks
  // long after it (our own deadline comes first: a hung server cancels nothing).
  const std::string limit = std::to_string(deadlines_.statement.count() + 1000);
  if (const Call set = RunHere("SET statement_timeout = " + limit); !set.ok() && !conn_) {
    return Failed(LineDbStatus::Unavailable, set);
  }
  if (auto table = CheckTable(); !table.ok()) {
    Disconnect();
    return table;
  }
  return {};
}

LineDbResult PgLineDb::Poll(SteadyClock::time_point deadline, std::chrono::milliseconds timeout) {
  const std::string password = address_->Get("password");
  const auto said = [&](const std::string& raw) {
    return WithoutSecret(Clean(raw.c_str()), password);
  };
  if (PQstatus(conn_) == CONNECTION_BAD) {  // what CheckUri let through
    return Told(LineDbStatus::Unavailable, DbReason::NotReached, said(PQerrorMessage(conn_)));
  }
  PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
  ConnStatusType before = CONNECTION_STARTED;
  while (polling != PGRES_POLLING_OK) {
    if (polling == PGRES_POLLING_FAILED) {
      const std::string raw = PQerrorMessage(conn_);
      std::string state;
      SqlStateAt(raw, &state);
      const std::string sslmode = address_->Get("sslmode");
      const bool tlsDemanded =
          sslmode == "require" || sslmode == "verify-ca" || sslmode == "verify-full";
      // Refused: the server said why (by SQLSTATE), asked for a password we lack, would not
      // speak TLS we demand, or did not suit target_session_attrs once we were in. The reason
      // comes from those codes and states alone; libpq's words follow for the engineer.
      DbReason reason = DbReason::NotReached;
      bool refused = true;
      if (!state.empty()) {
        const Diagnosis diagnosis = Diagnose(state);
        reason = diagnosis.reason;
        refused = diagnosis.fault != Fault::Wait;
      } else if (PQconnectionNeedsPassword(conn_) != 0) {
        reason = DbReason::NeedsPassword;
      } else if (before == CONNECTION_SSL_STARTUP && tlsDemanded) {
        reason = DbReason::NoTls;
      } else if (before == CONNECTION_CHECK_WRITABLE || before == CONNECTION_CHECK_TARGET ||
                 before == CONNECTION_CHECK_STANDBY || before == CONNECTION_CONSUME) {
        reason = DbReason::WrongKindOfServer;
      } else if (before == CONNECTION_AUTH_OK) {
        reason = DbReason::Refused;
      } else {
        refused = false;
      }
      return Told(refused ? LineDbStatus::Rejected : LineDbStatus::Unavailable, reason, said(raw));
    }
    if (!WaitOn(conn_, polling == PGRES_POLLING_WRITING, deadline, abort_)) {
      return abort_
                 ? Told(LineDbStatus::Unavailable, DbReason::Stopped)
                 : Told(LineDbStatus::Unavailable, DbReason::ConnectLate, {}, {Seconds(timeout)});
    }
    before = PQstatus(conn_);
    polling = PQconnectPoll(conn_);
  }
  return {};
}

Call PgLineDb::RunHere(const std::string& sql, const std::vector<const char*>& params) {
  Call call = Run(conn_, sql, params, Bound{deadlines_.statement, callEnd_}, abort_);
  // A lock not had in time ends that statement alone; any other wait leaves the connection in
  // doubt.
  if (!call.ok() && call.fault == Fault::Wait && call.reason != DbReason::LockBusy) Disconnect();
  if (!call.ok()) call.message = WithoutSecret(call.message, address_->Get("password"));
  // A report or a trace reads only: its role is a reader's.
  if (!call.ok() && !writes_ && call.reason == DbReason::NoRights) {
    call.reason = DbReason::NoReadRights;
    call.told = DbReasonText(call.reason);
  }
  return call;
}

}  // namespace ctrlprog
