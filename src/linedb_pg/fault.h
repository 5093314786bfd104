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

// The one place that reads a SQLSTATE. Empty (no answer from the server at all) is Wait.
Fault FaultOf(std::string_view sqlstate);

}  // namespace ctrlprog
