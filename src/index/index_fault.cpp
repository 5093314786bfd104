#include "index/index_fault.h"

#include <sqlite3.h>

#include <string>

#include "model/say.h"

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
  // Chosen by SQLite's code and said whole in the operator's language; the code itself, a
  // number, follows for whoever looks further (SQLite's own words are English only).
  if (db && sqlite3_errcode(db) == code) code = sqlite3_extended_errcode(db);
  const std::string number = std::to_string(code);
  switch (code & 0xff) {
    case SQLITE_CANTOPEN:
      return Say("the file cannot be opened or made there (SQLite %1)", {number});
    case SQLITE_FULL:
      return Say("the disk is full (SQLite %1)", {number});
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return Say("this user may not write it (SQLite %1)", {number});
    case SQLITE_IOERR:
      return Say("the disk could not read or write it (SQLite %1)", {number});
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return Say("another program holds it (SQLite %1)", {number});
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return Say("it is damaged (SQLite %1)", {number});
    case SQLITE_NOMEM:
      return Say("there is no memory left (SQLite %1)", {number});
    default:
      return Say("SQLite failed (SQLite %1)", {number});
  }
}

}  // namespace ctrlprog
