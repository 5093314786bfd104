#include "linedb_pg/fault.h"

namespace ctrlprog {

Fault FaultOf(std::string_view sqlstate) {
  if (sqlstate.size() != 5) return Fault::Wait;  // not the server's word: no answer
  const std::string_view group = sqlstate.substr(0, 2);
  // 08 connection, 53 resources, 57P shutting down or starting, 57014 cancelled (a deadline),
  // 58 the server's own I/O, 40 a conflict with another transaction (serialization, deadlock).
  if (group == "08" || group == "53" || group == "58" || group == "40" ||
      sqlstate.starts_with("57P") || sqlstate == "57014") {
    return Fault::Wait;
  }
  if (group == "22" || group == "23") return Fault::Row;
  return Fault::Said;
}

}  // namespace ctrlprog
