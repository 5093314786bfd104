#pragma once

#include <libpq-fe.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "linedb_pg/fault.h"

namespace ctrlprog {

using SteadyClock = std::chrono::steady_clock;
using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// One statement's end: its result, or how it failed.
struct Call {
  Result result{nullptr, &PQclear};
  Fault fault = Fault::Wait;
  std::string message;
  bool ok() const { return result != nullptr; }
};

// "N s", rounded up.
std::string Seconds(std::chrono::milliseconds ms);

// Waits until the connection's socket is ready, the deadline passes or `abort` is set: whether
// it is ready.
bool WaitOn(pg_conn* conn, bool forWrite, SteadyClock::time_point deadline,
            const std::atomic<bool>& abort);

// One statement (several, without parameters) within `within`; values only as parameters.
Call Run(pg_conn* conn, const std::string& sql, const std::vector<const char*>& params,
         std::chrono::milliseconds within, const std::atomic<bool>& abort);

// A report's query, its rows from `since` up to `until` ($1 and $2; empty for no bound).
Call RunBetween(pg_conn* conn, const char* sql, const std::string& since, const std::string& until,
                std::chrono::milliseconds within, const std::atomic<bool>& abort);

}  // namespace ctrlprog
