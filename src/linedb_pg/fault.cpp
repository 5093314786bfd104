#include "linedb_pg/fault.h"

#include <algorithm>

namespace ctrlprog {

Fault FaultOf(std::string_view sqlstate) {
  const std::string_view group = sqlstate.substr(0, std::min<size_t>(2, sqlstate.size()));
  if (group == "22" || group == "23") return Fault::Row;
  if (sqlstate.empty() || group == "08" || group == "53" || group == "40" || group == "58" ||
      sqlstate.starts_with("57P") || sqlstate == "57014") {
    return Fault::Wait;
  }
  return Fault::Refused;
}

}  // namespace ctrlprog
