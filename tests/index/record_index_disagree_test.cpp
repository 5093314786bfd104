// The index where it and the record disagree: rows it has not read yet, a period file it cannot
// read rows from, two programs opening it at once. A board that passed in the record must never
// be answered for as new.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "files/record_periods.h"
#include "index/record_index.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

const std::string kHeader =
    "time,station,port,file,frame,result,cycle_ms,journal,journal_row,serial,attempt,checked";

const std::string kRest =
    ",line3,p0,/srv/a.asv,02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 "
    "00 00,PASS,400,0123456789abcdef0123456789abcdef,";

std::string Pass(const std::string& time, const std::string& serial, int number) {
  return time + kRest + std::to_string(number) + "," + serial + ",1,record";
}

void Append(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// Passed, or cannot tell: anything but "never seen".
void ExpectNotNew(RecordIndex& index, const std::string& serial) {
  auto looked = index.Look(serial);
  if (std::holds_alternative<std::string>(looked)) return;  // refused: fails closed
  const auto& past = std::get<std::optional<UnitBook::Past>>(looked);
  ASSERT_TRUE(past) << serial << " passed in the record but the index has never seen it";
  EXPECT_TRUE(past->passed) << serial;
}

// Another station on the same record (an older version, or one killed between its row and its
// index update) appended a PASS after this index was opened.
TEST(RecordIndexDisagree, ARowAppendedByAnotherProgramIsNotAnsweredAsNew) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  Append(record, kHeader + "\r\n" + Pass("2026-12-08T10:00:00.000+00:00", "A1", 1) + "\r\n");
  auto opened = RecordIndex::Open(IndexPathOf(record), RecordFiles(record));
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<RecordIndex>>(opened));
  auto& index = *std::get<0>(opened);
  Append(record, Pass("2026-12-08T10:01:00.000+00:00", "Z9", 2) + "\r\n");
  ExpectNotNew(index, "Z9");
}

// Rows appended while another program holds the index: the index cannot catch up, so it cannot
// answer, rather than answer from before them.
TEST(RecordIndexDisagree, AnIndexBehindItsRecordThatCannotCatchUpDoesNotAnswer) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  Append(record, kHeader + "\r\n" + Pass("2026-12-08T10:00:00.000+00:00", "A1", 1) + "\r\n");
  auto opened = RecordIndex::Open(IndexPathOf(record), RecordFiles(record), {}, true,
                                  std::chrono::milliseconds(50));
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<RecordIndex>>(opened));
  auto& index = *std::get<0>(opened);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(IndexPathOf(record).c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_TRUE(std::holds_alternative<std::optional<UnitBook::Past>>(index.Look("A1")))
      << "nothing appended: answered from the index as it is";
  Append(record, Pass("2026-12-08T10:01:00.000+00:00", "Z9", 2) + "\r\n");
  EXPECT_TRUE(std::holds_alternative<std::string>(index.Look("Z9")));
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  ExpectNotNew(index, "Z9");
}

// Rows appended by the ten thousand (another program): a lookup reads a piece within its budget
// and refuses meanwhile, never answering as new, and answers once it has them all.
TEST(RecordIndexDisagree, ABacklogIsReadAPieceAtEachLookupAndRefusedMeanwhile) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  Append(record, kHeader + "\r\n" + Pass("2026-12-08T10:00:00.000+00:00", "A1", 1) + "\r\n");
  auto opened = RecordIndex::Open(IndexPathOf(record), RecordFiles(record));
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<RecordIndex>>(opened));
  auto& index = *std::get<0>(opened);
  index.ReadAtMost(std::chrono::milliseconds(0));
  std::string rows;
  for (int i = 2; i <= 50000; ++i) {
    rows += Pass("2026-12-08T11:00:00.000+00:00", "B" + std::to_string(i), i) + "\r\n";
  }
  Append(record, rows);
  int refused = 0;
  for (;;) {
    auto looked = index.Look("B50000");
    if (std::holds_alternative<std::string>(looked)) {
      ASSERT_TRUE(index.Behind()) << std::get<std::string>(looked);
      ASSERT_LT(++refused, 10) << "the backlog is not read on";
      continue;
    }
    const auto& past = std::get<std::optional<UnitBook::Past>>(looked);
    ASSERT_TRUE(past && past->passed) << "B50000 passed in the record";
    break;
  }
  EXPECT_GE(refused, 2) << "the lookups read the whole backlog at once";
}

// The writer's own open (one that may not make the index) reads a backlog within its wait too,
// leaving the rest for later, rather than holding the writer's rows behind it.
TEST(RecordIndexDisagree, TheWritersOpenReadsABacklogAPieceAtATime) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  Append(record, kHeader + "\r\n" + Pass("2026-12-08T10:00:00.000+00:00", "A1", 1) + "\r\n");
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<RecordIndex>>(
      RecordIndex::Open(IndexPathOf(record), RecordFiles(record))));
  std::string rows;
  for (int i = 2; i <= 50000; ++i) {
    rows += Pass("2026-12-08T11:00:00.000+00:00", "B" + std::to_string(i), i) + "\r\n";
  }
  Append(record, rows);
  auto opened = RecordIndex::Open(IndexPathOf(record), RecordFiles(record), {}, false,
                                  std::chrono::milliseconds(1));
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<RecordIndex>>(opened));
  EXPECT_TRUE(std::get<0>(opened)->Behind()) << "the whole backlog was read at the open";
}

// A record this station began holds its header alone when the index first sees it: a copy made
// later is still known for one.
TEST(RecordIndexDisagree, ACopyOfARecordBegunHereIsRefused) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  Append(record, kHeader + "\r\n");
  {
    auto opened = RecordIndex::Open(IndexPathOf(record), RecordFiles(record));
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<RecordIndex>>(opened));
    Append(record, Pass("2026-12-08T10:00:00.000+00:00", "A1", 1) + "\r\n");
    ExpectNotNew(*std::get<0>(opened), "A1");
  }
  std::filesystem::copy_file(record, dir.Path("record-2026-12-08.csv"));
  auto opened = RecordIndex::Open(IndexPathOf(record), RecordFiles(record));
  ASSERT_TRUE(std::holds_alternative<std::string>(opened));
  EXPECT_NE(std::get<std::string>(opened).find("copy"), std::string::npos)
      << std::get<std::string>(opened);
}

// A dated copy of a record that is not rotated (cp rec.csv rec-2026-12-08.csv) is no period of
// its own: its boards would count twice.
TEST(RecordIndexDisagree, ACopyOfTheRecordBesideItIsRefused) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  const std::string rows =
      kHeader + "\r\n" + Pass("2026-12-08T10:00:00.000+00:00", "A1", 1) + "\r\n";
  Append(record, rows);
  Append(dir.Path("record-2026-12-08.csv"), rows);
  auto opened = RecordIndex::Open(IndexPathOf(record), RecordFiles(record));
  ASSERT_TRUE(std::holds_alternative<std::string>(opened));
  EXPECT_NE(std::get<std::string>(opened).find("record-2026-12-08.csv"), std::string::npos);
}

// The record cut back to a row before the index's checkpoint, then written on past it by
// another program (same first row, longer than before): what the index read there is gone.
TEST(RecordIndexDisagree, ARecordCutBackAndWrittenOnIsReadAgain) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  const std::string first =
      kHeader + "\r\n" + Pass("2026-12-08T10:00:00.000+00:00", "A1", 1) + "\r\n";
  Append(record, first + Pass("2026-12-08T10:01:00.000+00:00", "Z9", 2) + "\r\n");
  (void)RecordIndex::Open(IndexPathOf(record), RecordFiles(record));
  std::filesystem::resize_file(record, first.size());
  std::string fail = Pass("2026-12-08T10:02:00.000+00:00", "Z9", 2) + "\r\n";
  fail.replace(fail.find(",PASS,"), 6, ",FAIL,");
  Append(record, fail + Pass("2026-12-08T10:03:00.000+00:00", "B2", 3) + "\r\n");
  auto opened = RecordIndex::Open(IndexPathOf(record), RecordFiles(record));
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<RecordIndex>>(opened));
  auto& index = *std::get<0>(opened);
  EXPECT_TRUE(index.Rebuilt());
  auto looked = index.Look("Z9");
  ASSERT_TRUE(std::holds_alternative<std::optional<UnitBook::Past>>(looked));
  const auto& past = std::get<std::optional<UnitBook::Past>>(looked);
  ASSERT_TRUE(past);
  EXPECT_FALSE(past->passed) << "the record now holds only a FAIL of Z9";
}

// Two stations on one record and one index: a board failed here, then passed on the other
// station (whose writer put the PASS in the shared index). This station must not try it again.
TEST(RecordIndexDisagree, ABoardPassedByAnotherStationAfterItFailedHereIsRefused) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  Append(record, kHeader + "\r\n" + Pass("2026-12-08T10:00:00.000+00:00", "A1", 1) + "\r\n");
  auto mine = RecordIndex::Open(IndexPathOf(record), RecordFiles(record));
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<RecordIndex>>(mine));
  UnitBook book;
  book.UseHistory(std::get<0>(mine).get());
  std::string fail = Pass("2026-12-08T10:01:00.000+00:00", "SN-Q", 2) + "\r\n";
  fail.replace(fail.find(",PASS,"), 6, ",FAIL,");
  Append(record, fail);  // this station's FAIL, learnt as its result came
  book.Learn("SN-Q", 1, false, 0, "line3", "p0");
  std::string other = Pass("2026-12-08T10:02:00.000+00:00", "SN-Q", 3) + "\r\n";
  other.replace(other.find(",1,record"), 9, ",2,record");
  Append(record, other);  // the other station's PASS, and its index update
  auto theirs = RecordIndex::Open(IndexPathOf(record), RecordFiles(record));
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<RecordIndex>>(theirs));
  auto looked = book.Look("SN-Q");
  if (std::holds_alternative<std::string>(looked)) return;  // refused: fails closed
  const UnitBook::Past* past = std::get<const UnitBook::Past*>(looked);
  ASSERT_NE(past, nullptr);
  EXPECT_TRUE(past->passed) << "SN-Q passed on the other station; the index knows it";
  EXPECT_EQ(past->attempts, 2);
}

// Last month's file saved by an editor with LF line ends: its boards must not be forgotten.
TEST(RecordIndexDisagree, APeriodFileWithLfEndsIsNotTakenAsEmpty) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  Append(dir.Path("record-2026-11.csv"),
         kHeader + "\n" + Pass("2026-11-20T10:00:00.000+00:00", "A7", 1) + "\n");
  Append(dir.Path("record-2026-12.csv"),
         kHeader + "\r\n" + Pass("2026-12-08T10:00:00.000+00:00", "A1", 1) + "\r\n");
  auto opened = RecordIndex::Open(IndexPathOf(record), RecordFiles(record));
  if (std::holds_alternative<std::string>(opened)) return;  // refused: fails closed
  ExpectNotNew(*std::get<0>(opened), "A7");
}

// Two stations (or a station and a report) started at the same moment on one record.
TEST(RecordIndexDisagree, TwoProgramsOpeningAtOnceBothGetTheIndex) {
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    testing::TempDir dir;
    const std::string record = dir.Path("record.csv");
    std::string rows = kHeader + "\r\n";
    for (int i = 1; i <= 200; ++i)
      rows += Pass("2026-12-08T10:00:00.000+00:00", "S" + std::to_string(i), i) + "\r\n";
    Append(record, rows);
    if (round % 2) (void)RecordIndex::Open(IndexPathOf(record), {});  // an index already there
    std::string why[2];
    std::thread t[2];
    for (int k = 0; k < 2; ++k) {
      t[k] = std::thread([&, k] {
        auto opened = RecordIndex::Open(IndexPathOf(record), RecordFiles(record));
        if (auto* w = std::get_if<std::string>(&opened)) why[k] = *w;
      });
    }
    for (auto& th : t) th.join();
    EXPECT_EQ(why[0], "");
    EXPECT_EQ(why[1], "");
  }
}

}  // namespace
}  // namespace ctrlprog
