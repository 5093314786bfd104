// The record's index kept up to date by the writer's thread as rows reach the disk: a board
// passed a moment ago is known to a connection that read nothing itself.
#include "station/index_keeper.h"

#include <gtest/gtest.h>

#include "files/record_periods.h"
#include "index/record_index.h"
#include "record/record_writer.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

TEST(IndexKeeper, PutsEachStoredBatchInTheIndexAsItReachesTheDisk) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  auto opened = ProductionRecord::Open(record);
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<ProductionRecord>>(opened));
  RecordWriter writer(std::move(std::get<std::unique_ptr<ProductionRecord>>(opened)));
  auto index = RecordIndex::Open(IndexPathOf(record), RecordFiles(record));
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<RecordIndex>>(index));
  RecordIndex& reader = *std::get<0>(index);
  IndexKeeper keeper(record);
  writer.OnStored(&keeper);

  const std::string frame =
      "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
  for (int attempt = 1; attempt <= 2; ++attempt) {
    SCOPED_TRACE(attempt);
    writer.Submit({std::chrono::system_clock::now(), "line3", "/dev/ttyUSB0", "", frame,
                   attempt == 1 ? "FAIL" : "PASS", 400, "SN-K", attempt, "record"});
    ASSERT_EQ(writer.Drain(), std::nullopt);
    // The reader's own connection read nothing since it opened.
    auto looked = reader.Look("SN-K");
    const auto& past = std::get<std::optional<UnitBook::Past>>(looked);
    ASSERT_TRUE(past.has_value());
    EXPECT_EQ(past->attempts, attempt);
    EXPECT_EQ(past->passed, attempt == 2);
  }
  writer.OnStored(nullptr);
}

}  // namespace
}  // namespace ctrlprog
