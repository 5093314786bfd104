#pragma once

#include <string_view>

namespace ctrlprog {

// What a failed call means for us, from where the fault comes from.
enum class Fault {
  // The row's own values (data exceptions, integrity): that row is set aside, even alone.
  Row,
  // The connection or the server's state (lost, busy, short of resources, shutting down, a
  // conflict with another transaction, no answer in time): nothing is wrong with what was sent;
  // try again later.
  Wait,
  // Anything else the server says about a statement. Of an INSERT: the rows or the table, told
  // apart by sending each row alone; of anything else: what no retry mends.
  Said,
};

// Why a call to the line database failed, in our own terms: each has one sentence for the
// operator (DbReasonText), whatever language libpq and the server speak.
enum class DbReason {
  // What the server's SQLSTATE says.
  WrongPassword,       // 28P01
  NotLetIn,            // 28000: no such role, or not from this host
  NoDatabase,          // 3D000
  NoRights,            // 42501
  NoReadRights,        // 42501 for a report or a trace, which read only
  NoTable,             // 42P01
  NoColumn,            // 42703
  ShuttingDown,        // 57P01, 57P02, 57P04, 57P05
  StartingUp,          // 57P03
  TooManyConnections,  // 53300
  DiskFull,            // 53100
  ShortOfResources,    // the rest of 53
  ServerIo,            // 58
  Cancelled,           // 57014
  Conflict,            // 40
  LockBusy,            // 55P03: a lock another session holds, not had in time
  ConnectionFault,     // 08
  RowValues,           // 22, 23
  ServerSaid,          // any other SQLSTATE
  // Our own causes, where the server said nothing.
  NoSuchHost,         // %1 the host name
  NoNameServer,       // %1 the host name: the name servers cannot be asked
  ResolverSilent,     // %1 the host name: no answer by the deadline
  ConnectLate,        // %1 how long it was given
  StatementLate,      // %1 how long it was given
  Lost,               // the connection went while a statement ran
  NotReached,         // the connection failed before the server spoke
  Refused,            // refused at login, the server gave no code
  NeedsPassword,      // the server asks for a password and none was given
  NoTls,              // sslmode demands TLS the server does not speak
  WrongKindOfServer,  // target_session_attrs not met
  Stopped,            // the station is stopping
  OutOfMemory,
};

struct Diagnosis {
  Fault fault;
  DbReason reason;
};

// The one place that reads a SQLSTATE. Empty or malformed (no answer from the server at all) is
// a wait, lost.
Diagnosis Diagnose(std::string_view sqlstate);
inline Fault FaultOf(std::string_view sqlstate) {
  return Diagnose(sqlstate).fault;
}

}  // namespace ctrlprog
