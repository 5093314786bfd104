#include "linedb_pg/fault.h"

namespace ctrlprog {

Diagnosis Diagnose(std::string_view sqlstate) {
  using enum DbReason;
  if (sqlstate.size() != 5) return {Fault::Wait, Lost};  // not the server's word: no answer
  const std::string_view group = sqlstate.substr(0, 2);
  // 08 connection, 53 resources, 57P shutting down or starting, 57014 cancelled (a deadline),
  // 58 the server's own I/O, 40 a conflict with another transaction (serialization, deadlock),
  // 55P03 a lock held by another session: nothing wrong with what was sent.
  if (group == "08") return {Fault::Wait, ConnectionFault};
  if (sqlstate == "53300") return {Fault::Wait, TooManyConnections};
  if (sqlstate == "53100") return {Fault::Wait, DiskFull};
  if (group == "53") return {Fault::Wait, ShortOfResources};
  if (group == "58") return {Fault::Wait, ServerIo};
  if (group == "40") return {Fault::Wait, Conflict};
  if (sqlstate == "55P03") return {Fault::Wait, LockBusy};
  if (sqlstate == "57P03") return {Fault::Wait, StartingUp};
  if (sqlstate.starts_with("57P")) return {Fault::Wait, ShuttingDown};
  if (sqlstate == "57014") return {Fault::Wait, Cancelled};
  if (group == "22" || group == "23") return {Fault::Row, RowValues};
  if (sqlstate == "28P01") return {Fault::Said, WrongPassword};
  if (group == "28") return {Fault::Said, NotLetIn};
  if (sqlstate == "3D000") return {Fault::Said, NoDatabase};
  if (sqlstate == "42501") return {Fault::Said, NoRights};
  if (sqlstate == "42P01") return {Fault::Said, NoTable};
  if (sqlstate == "42703") return {Fault::Said, NoColumn};
  return {Fault::Said, ServerSaid};
}

}  // namespace ctrlprog
