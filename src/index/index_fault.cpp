#include "index/index_fault.h"

#include <sqlite3.h>

namespace ctrlprog {

IndexFault FaultOf(int sqliteCode) {
  switch (sqliteCode & 0xff) {  // the primary code of an extended one
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return IndexFault::None;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return IndexFault::Damaged;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return IndexFault::Busy;
    default:
      return IndexFault::Failed;
  }
}

std::string IndexError(sqlite3* db, int code) {
  std::string text = sqlite3_errstr(code);
  if (db && sqlite3_errcode(db) == code) text += std::string(" (") + sqlite3_errmsg(db) + ")";
  return text;
}

}  // namespace ctrlprog
