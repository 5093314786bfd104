// What the server's SQLSTATE means for a station: a row's values, a wait, or what the server
// says of the statement (the rows or the table, told apart by sending each row alone).
#include "linedb_pg/fault.h"

#include <gtest/gtest.h>

namespace ctrlprog {
namespace {

TEST(FaultOf, TellsTheConnectionAndTheServersStateFromWhatIsSaidOfTheStatement) {
  const struct {
    const char* sqlstate;
    Fault fault;
  } cases[] = {
      {"22P02", Fault::Row},   // invalid text representation
      {"22001", Fault::Row},   // string data right truncation
      {"22021", Fault::Row},   // a byte sequence not valid in the encoding
      {"23505", Fault::Row},   // unique violation
      {"23514", Fault::Row},   // check violation
      {"", Fault::Wait},       // no answer from the server at all
      {"XX", Fault::Wait},     // not a SQLSTATE: not the server's word
      {"08006", Fault::Wait},  // connection failure
      {"08001", Fault::Wait},  // could not connect
      {"08P01", Fault::Wait},  // protocol violation
      {"53300", Fault::Wait},  // too many connections
      {"53100", Fault::Wait},  // disk full
      {"57P01", Fault::Wait},  // admin shutdown
      {"57P03", Fault::Wait},  // cannot connect now (starting up)
      {"57014", Fault::Wait},  // query cancelled (a statement deadline)
      {"58030", Fault::Wait},  // I/O error
      {"40001", Fault::Wait},  // serialization failure
      {"40P01", Fault::Wait},  // deadlock
      {"P0001", Fault::Said},  // a trigger's RAISE: about the rows, or the table
      {"54000", Fault::Said},  // program limit exceeded (an index row too large)
      {"42501", Fault::Said},  // insufficient privilege
      {"42703", Fault::Said},  // no such column
      {"42P01", Fault::Said},  // no such table
      {"28P01", Fault::Said},  // wrong password
      {"3D000", Fault::Said},  // no such database
      {"57000", Fault::Said},  // operator intervention, not a shutdown
      {"XX000", Fault::Said},  // internal error
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FaultOf(c.sqlstate), c.fault) << '"' << c.sqlstate << '"';
  }
}

}  // namespace
}  // namespace ctrlprog
