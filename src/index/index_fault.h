#pragma once

#include <string>

struct sqlite3;

namespace ctrlprog {

// What went wrong with the index, by SQLite's result code.
enum class IndexFault {
  None,
  Damaged,  // not a database, or a damaged one: rebuilt from the record
  Busy,     // another program held it past the wait
  Failed,   // anything else: the disk, the memory, a bug
};
IndexFault FaultOf(int sqliteCode);

// The last error of `db` (or `code`) as the operator is told it: a reason chosen by its code, in
// the operator's language, and the code.
std::string IndexError(sqlite3* db, int code);

}  // namespace ctrlprog
