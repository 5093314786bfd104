#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "linedb/journal.h"

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

}  // namespace ctrlprog
