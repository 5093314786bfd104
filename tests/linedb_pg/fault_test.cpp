// What the server's SQLSTATE means for a station: a row to set aside, a wait, or a refusal.
#include "linedb_pg/fault.h"

#include <gtest/gtest.h>

namespace ctrlprog {
namespace {

TEST(FaultOf, TellsRowsFromWaitsFromRefusalsBySqlState) {
  const struct {
    const char* sqlstate;
    Fault fault;
  } cases[] = {
      {"22P02", Fault::Row},      // invalid text representation
      {"22001", Fault::Row},      // string data right truncation
      {"23505", Fault::Row},      // unique violation
      {"23514", Fault::Row},      // check violation
      {"", Fault::Wait},          // no answer from the server at all
      {"08006", Fault::Wait},     // connection failure
      {"08001", Fault::Wait},     // could not connect
      {"53300", Fault::Wait},     // too many connections
      {"53100", Fault::Wait},     // disk full
      {"57P01", Fault::Wait},     // admin shutdown
      {"57P03", Fault::Wait},     // cannot connect now (starting up)
      {"57014", Fault::Wait},     // query cancelled (our statement deadline)
      {"58030", Fault::Wait},     // I/O error
      {"40001", Fault::Wait},     // serialization failure
      {"40P01", Fault::Wait},     // deadlock
      {"28P01", Fault::Refused},  // wrong password
      {"3D000", Fault::Refused},  // no such database
      {"42501", Fault::Refused},  // insufficient privilege
      {"42P01", Fault::Refused},  // no such table
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FaultOf(c.sqlstate), c.fault) << '"' << c.sqlstate << '"';
  }
}

}  // namespace
}  // namespace ctrlprog
