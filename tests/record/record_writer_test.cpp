// The record's writer thread, on a file that the test controls: rows leave the event loop at
// once, a slow disk holds frames instead of ticks, and the first failure is final.
#include "record/record_writer.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "files/file_system.h"
#include "linedb/journal.h"
#include "linedb/record_time.h"
#include "link/link_test_fixture.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

// An append-only file in memory whose flush waits until the test lets it go, and whose appends
// fail once told to.
class HeldFile : public AppendOnlyFile {
 public:
  std::optional<FileError> WriteIfEmpty(std::string_view header) override {
    if (text.empty()) text = header;
    return std::nullopt;
  }
  std::optional<FileError> Append(std::string_view data) override {
    const std::lock_guard lock(mutex);
    if (failWith) return failWith;
    text += data;
    return std::nullopt;
  }
  std::optional<FileError> Sync() override {
    std::unique_lock lock(mutex);
    released.wait(lock, [this] { return open; });
    return std::nullopt;
  }
  void Let(bool go) {
    {
      const std::lock_guard lock(mutex);
      open = go;
    }
    released.notify_all();
  }

  std::mutex mutex;
  std::condition_variable released;
  bool open = true;
  std::optional<FileError> failWith;
  std::string text;
};

RecordRow Row(std::string result) {
  return {std::chrono::system_clock::now(),
          "station-1",
          "/dev/ttyUSB0",
          "",
          "02 0F",
          std::move(result),
          12,
          {},
          0,
          {}};
}

TEST(RecordWriter, TakesRowsAtOnceHoldsFramesWhileBehindAndFailsForGood) {
  auto owned = std::make_unique<HeldFile>();
  HeldFile& file = *owned;
  auto opened = ProductionRecord::Open("held.csv", std::move(owned));
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<ProductionRecord>>(opened));
  RecordWriter writer(std::move(std::get<std::unique_ptr<ProductionRecord>>(opened)));
  EXPECT_EQ(writer.State(), SinkState::Ready);

  file.Let(false);  // the disk takes its time
  writer.Submit(Row("PASS"));
  writer.Submit(Row("FAIL"));
  EXPECT_EQ(writer.State(), SinkState::Busy) << "behind: the next frame waits, the tick does not";
  file.Let(true);
  EXPECT_EQ(writer.Drain(), std::nullopt);
  EXPECT_EQ(writer.State(), SinkState::Ready);
  EXPECT_EQ(writer.RowsWritten(), 2);

  file.failWith = FileError::NoSpace;
  writer.Submit(Row("PASS"));
  const auto failure = writer.Drain();
  ASSERT_TRUE(failure);
  EXPECT_EQ(*failure,
            "The production record held.csv could not be written: the disk is full. The last "
            "board on /dev/ttyUSB0 was programmed but not recorded. The transfer was stopped.");
  EXPECT_EQ(writer.State(), SinkState::Failed);
  file.failWith.reset();
  writer.Submit(Row("UNCONFIRMED"));  // after the failure nothing more is written
  EXPECT_EQ(writer.Drain(), *failure + " 1 later event(s) were not recorded either.");
  EXPECT_EQ(writer.RowsWritten(), 2);
}

// The real record gate at the form: while a board's row is not on the disk, no port polls, so
// no new board is engaged; once it is, polling goes on.
class RecordGateAtTheForm : public testing::LinkTest {
 protected:
  RecordGateAtTheForm() {
    auto owned = std::make_unique<HeldFile>();
    file = owned.get();
    auto opened = ProductionRecord::Open("held.csv", std::move(owned));
    writer = std::make_unique<RecordWriter>(
        std::move(std::get<std::unique_ptr<ProductionRecord>>(opened)));
    form.AttachRecord(*writer, "station-1");
    form.cmdFileSend_Click();
  }
  HeldFile* file = nullptr;
  std::unique_ptr<RecordWriter> writer;
};

TEST_F(RecordGateAtTheForm, HoldsThePollUntilTheLastBoardsRowIsSafe) {
  ASSERT_EQ(Tick(), "8");
  Ready();
  ASSERT_EQ(Tick(), "frame");
  file->Let(false);  // the disk takes its time with this board's row
  Ready();
  for (int i = 0; i < 10; ++i) EXPECT_NE(Tick(), "8") << "tick " << i;
  EXPECT_EQ(writer->State(), SinkState::Busy);
  file->Let(true);
  ASSERT_EQ(writer->Drain(), std::nullopt);
  std::string wrote;
  for (int i = 0; i < 10 && wrote.empty(); ++i) wrote = Tick();
  EXPECT_EQ(wrote, "8") << "polling goes on once the row is stored";
  EXPECT_NE(file->text.find(",PASS,"), std::string::npos);
}

// A file whose lock another program holds for good: an append waits until told to give up.
class ForeverLockedFile : public HeldFile {
 public:
  std::optional<FileError> Append(std::string_view) override {
    while (!GivenUp().load()) std::this_thread::yield();
    return FileError::Locked;
  }
};

TEST(RecordWriter, DrainAtTheEndGivesUpAnotherProgramsLockAndSaysSo) {
  auto opened = ProductionRecord::Open("locked.csv", std::make_unique<ForeverLockedFile>());
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<ProductionRecord>>(opened));
  RecordWriter writer(std::move(std::get<std::unique_ptr<ProductionRecord>>(opened)));
  writer.Submit(Row("PASS"));
  // Without giving up this waits for ever: the test's time limit ends it.
  const auto failure = writer.Drain(std::chrono::milliseconds(20));
  ASSERT_TRUE(failure);
  EXPECT_EQ(*failure,
            "The production record locked.csv could not be written: another program held its "
            "lock for more than 2 s. The last board on /dev/ttyUSB0 was programmed but not "
            "recorded. The transfer was stopped.");
}

// Rows of three months go to three files beside the record's name, each a whole record.
TEST(RecordWriter, BeginsAFileForEachPeriodOfAMonthlyRecord) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  auto opened = ProductionRecord::Open(dir.Path("record-2026-10.csv"));
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<ProductionRecord>>(opened));
  RecordWriter writer(std::move(std::get<std::unique_ptr<ProductionRecord>>(opened)));
  writer.Rotate(record, RecordRotation::Monthly);
  // The middle of each month, whatever the time zone.
  for (const char* time : {"2026-10-15T12:00:00.000+00:00", "2026-11-15T12:00:00.000+00:00",
                           "2026-11-16T12:00:00.000+00:00", "2026-12-15T12:00:00.000+00:00"}) {
    RecordRow row = Row("PASS");
    row.frame = "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
    row.time = std::chrono::system_clock::time_point(std::chrono::milliseconds(*EpochMs(time)));
    writer.Submit(row);
  }
  ASSERT_EQ(writer.Drain(), std::nullopt);
  const struct {
    const char* file;
    size_t rows;
  } files[] = {{"record-2026-10.csv", 1}, {"record-2026-11.csv", 2}, {"record-2026-12.csv", 1}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.file);
    size_t rows = 0;
    ForEachJournalRow(
        dir.Path(f.file), [&rows](const JournalRow&) { ++rows; },
        [](const JournalProblem& p) { ADD_FAILURE() << p.why.English(); });
    EXPECT_EQ(rows, f.rows);
  }
  EXPECT_FALSE(std::filesystem::exists(record));
}

}  // namespace
}  // namespace ctrlprog
