// The record's index kept up to date by the writer's thread as rows reach the disk: a batch is
// in the index before anyone asks, and one the keeper could not read in (another program held
// the index) is read in with the next.
#include "station/index_keeper.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <condition_variable>
#include <mutex>

#include "files/record_periods.h"
#include "index/record_index.h"
#include "record/record_writer.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

const std::string kFrame =
    "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";

// Told after the keeper has done with each batch.
class Batches : public StoredRowsListener {
 public:
  void StoredUpTo(uint64_t) override {
    const std::lock_guard lock(mutex_);
    ++seen_;
    done_.notify_all();
  }
  void WaitFor(int batches) {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return seen_ >= batches; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  int seen_ = 0;
};

// What the index holds of `serial`, read straight from its file: "attempts/passes", or "none".
std::string InIndex(const std::string& record, const std::string& serial) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(IndexPathOf(record).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* q = nullptr;
  sqlite3_prepare_v2(db, "SELECT attempts, passes FROM boards WHERE serial = ?", -1, &q, nullptr);
  sqlite3_bind_text(q, 1, serial.c_str(), -1, SQLITE_TRANSIENT);
  std::string found = "none";
  if (sqlite3_step(q) == SQLITE_ROW) {
    found =
        std::to_string(sqlite3_column_int(q, 0)) + "/" + std::to_string(sqlite3_column_int(q, 1));
  }
  sqlite3_finalize(q);
  sqlite3_close(db);
  return found;
}

struct Station {
  explicit Station(const std::string& record)
      : writer(std::get<std::unique_ptr<ProductionRecord>>(ProductionRecord::Open(record))),
        keeper(record, &batches) {
    EXPECT_TRUE(std::holds_alternative<std::unique_ptr<RecordIndex>>(
        RecordIndex::Open(IndexPathOf(record), RecordFiles(record))));
    writer.OnStored(&keeper);
  }
  ~Station() { writer.OnStored(nullptr); }
  void Store(const std::string& serial, int attempt, const char* result) {
    writer.Submit({std::chrono::system_clock::now(), "line3", "p0", "", kFrame, result, 400, serial,
                   attempt, "record"});
    EXPECT_EQ(writer.Drain(), std::nullopt);
    batches.WaitFor(++stored);
  }
  Batches batches;
  RecordWriter writer;
  IndexKeeper keeper;
  int stored = 0;
};

TEST(IndexKeeper, PutsEachStoredBatchInTheIndexAsItReachesTheDisk) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  Station station(record);
  station.Store("SN-K", 1, "FAIL");
  EXPECT_EQ(InIndex(record, "SN-K"), "1/0");
  station.Store("SN-K", 2, "PASS");
  EXPECT_EQ(InIndex(record, "SN-K"), "2/1");
}

TEST(IndexKeeper, ReadsInWithTheNextBatchWhatAnotherProgramsLockKeptOut) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  Station station(record);
  station.Store("SN-1", 1, "PASS");  // the keeper's connection opened
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(IndexPathOf(record).c_str(), &other), SQLITE_OK);
  sqlite3_busy_timeout(other, 5000);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  station.Store("SN-2", 1, "PASS");
  ASSERT_EQ(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  EXPECT_EQ(InIndex(record, "SN-2"), "none") << "the keeper waited out the other program";
  station.Store("SN-3", 1, "PASS");
  EXPECT_EQ(InIndex(record, "SN-2"), "1/1");
  EXPECT_EQ(InIndex(record, "SN-3"), "1/1");
}

}  // namespace
}  // namespace ctrlprog
