#pragma once

#include <string_view>

namespace ctrlprog {

// What a failed call means for us, from the server's SQLSTATE.
enum class Fault {
  Row,      // this row's values: set it aside (data exceptions, integrity)
  Wait,     // the server is lost, busy, shutting down, or did not answer: try again later
  Refused,  // credentials, database, privileges, a missing object: what no retry mends
};

// The one place that reads a SQLSTATE; empty (no answer from the server) means Wait.
Fault FaultOf(std::string_view sqlstate);

}  // namespace ctrlprog
