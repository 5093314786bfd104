// The index held by another program (an engineer's sqlite3 shell in a transaction, a backup):
// the record's writer does not wait on it, so boards are not held back and a row on the disk is
// never said to be lost.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>

#include "files/record_periods.h"
#include "index/record_index.h"
#include "record/record_writer.h"
#include "station/index_keeper.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

TEST(IndexKeeperLocked, ARowReachesTheDiskAndIsSaidStoredWithoutWaitingForTheIndex) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  auto opened = ProductionRecord::Open(record);
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<ProductionRecord>>(opened));
  RecordWriter writer(std::move(std::get<std::unique_ptr<ProductionRecord>>(opened)));
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<RecordIndex>>(
      RecordIndex::Open(IndexPathOf(record), RecordFiles(record))));
  IndexKeeper keeper(record);
  writer.OnStored(&keeper);
  const std::string frame =
      "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
  // The keeper's connection opened on a first batch, before the index is taken.
  writer.Submit({std::chrono::system_clock::now(), "line3", "p0", "", frame, "FAIL", 400, "SN-1", 1,
                 "record"});
  ASSERT_EQ(writer.Drain(), std::nullopt);

  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(IndexPathOf(record).c_str(), &other), SQLITE_OK);
  // The writer says a batch is stored before the keeper has read it in: the other program waits
  // for the keeper's short transaction, as any program sharing the index does.
  sqlite3_busy_timeout(other, 5000);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  for (int board = 2; board <= 3; ++board) {
    SCOPED_TRACE(board);
    const auto start = std::chrono::steady_clock::now();
    writer.Submit({std::chrono::system_clock::now(), "line3", "p0", "", frame, "PASS", 400,
                   "SN-" + std::to_string(board), 1, "record"});
    EXPECT_EQ(writer.Drain(), std::nullopt) << "the row is on the disk";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  writer.OnStored(nullptr);
}

}  // namespace
}  // namespace ctrlprog
