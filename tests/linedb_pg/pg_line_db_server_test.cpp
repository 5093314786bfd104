// PgLineDb against a real PostgreSQL 15 that the test starts (scripts/pg-server): a call that
// ran out of time drops its connection, so the next call connects afresh and is answered.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "linedb_pg/pg_line_db.h"

namespace ctrlprog {
namespace {

using std::chrono::milliseconds;

class PgServer : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ctrlprog-pg-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::filesystem::permissions(dir_, std::filesystem::perms::all);
    ::setenv("PGPASSWORD", "secret", 1);
    const std::string start = std::string(CTRLPROG_PG_SERVER) + " start " + dir_ + "/pg";
    ASSERT_EQ(std::system((start + " >/dev/null").c_str()), 0) << "no PostgreSQL server";
  }
  void TearDown() override {
    std::system((std::string(CTRLPROG_PG_SERVER) + " stop " + dir_ + "/pg immediate").c_str());
    std::filesystem::remove_all(dir_);
  }
  std::string Address(const std::string& user) const {
    return "host=" + dir_ + "/pg dbname=ctrlprog_line user=" + user;
  }
  std::string dir_;
};

TEST_F(PgServer, ALookupThatRanOutOfTimeDropsItsConnectionAndTheNextIsAnswered) {
  PgLineDb db(Address("reader"), {milliseconds(2000), milliseconds(2000), milliseconds(2000)});
  db.ForReading();
  std::vector<TraceRow> rows;
  ASSERT_TRUE(db.History("SN-1", false, rows).ok());

  // Another session holds the table: the next question gets no answer within its deadline.
  PGconn* holder = PQconnectdb(Address("postgres").c_str());
  ASSERT_EQ(PQstatus(holder), CONNECTION_OK) << PQerrorMessage(holder);
  PQclear(PQexec(holder, "BEGIN; LOCK TABLE ctrlprog_rows IN ACCESS EXCLUSIVE MODE"));
  const auto asked = std::chrono::steady_clock::now();
  const LineDbResult late = db.History("SN-1", false, rows);
  const auto took = std::chrono::steady_clock::now() - asked;
  EXPECT_EQ(late.status, LineDbStatus::Unavailable) << late.message;
  EXPECT_LT(took, milliseconds(3000)) << "the whole call is bounded by its 2 s";

  PQclear(PQexec(holder, "ROLLBACK"));
  PQfinish(holder);
  const LineDbResult again = db.History("SN-1", false, rows);
  EXPECT_TRUE(again.ok()) << again.message;
}

}  // namespace
}  // namespace ctrlprog
