// The journal as the forwarder and the report read it: whole rows only, each with its key, bad
// ones named with the row as it stands, and a torn row that costs no other.
#include "linedb/journal.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

const std::string kFrame =
    "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
const std::string kJournal = "0123456789abcdef0123456789abcdef";

std::string Row(const std::string& time, const std::string& tail) {
  return time + ",line3,/dev/ttyUSB0,," + kFrame + "," + tail + "\r\n";
}

TEST(Journal, ARecordWhoseLinesEndInLfAloneIsSaidToBeUnreadable) {
  testing::TempDir dir;
  const std::string row = Row("2026-12-07T21:30:05.123+08:00", "PASS,400");
  const struct {
    const char* what;
    std::string bytes;
    bool refused;
  } cases[] = {
      {"as written", "time,station,port,file,frame,result,cycle_ms\r\n" + row, false},
      {"empty", "", false},
      {"a torn first row, no line end yet", "time,station,po", false},
      {"converted to LF",
       "time,station,port,file,frame,result,cycle_ms\n" + row.substr(0, row.size() - 2) + "\n",
       true},
      {"the older shape's first row, converted", row.substr(0, row.size() - 2) + "\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir.Write("record.csv", c.bytes);
    EXPECT_EQ(LineEndProblem(path).has_value(), c.refused);
  }
}

TEST(Journal, ReadsRowsOfBothShapesWithTheirKeysAndSetsTheBadOnesApart) {
  testing::TempDir dir;
  const std::string path = dir.Write(
      "journal.csv",
      "time,station,port,file,frame,result,cycle_ms\r\n" +  // written before rows had a journal
          Row("2026-12-07T21:30:05.123+08:00", "PASS,612") +
          "2026-12-07T21:30:06.000+08:00,line3,/dev/ttyUSB0,,02 0F,PASS,1\r\n" +
          Row("2026-12-07T21:30:07.000+08:00", "PASS,612," + kJournal + ",1") +
          Row("2026-02-31T21:30:07.000+08:00", "PASS,612," + kJournal + ",2") +
          Row("2026-12-07T21:30:08.000+08:00", "PASS,99999999999," + kJournal + ",3") +
          Row("2026-12-07T21:30:09.000+08:00", "LOST,," + kJournal + ",4") +
          Row("2026-12-07T21:30:09.000+08:00", "PASS,1,NOT-AN-ID,5") +
          "2026-12-07T21:31:41.000+08:00,line3,/dev/ttyUSB0,," + kFrame + ",PA");  // no CR LF yet
  const std::string old = OldJournalId(path);
  ASSERT_EQ(old.size(), 32u);
  const JournalChunk all = ReadJournal(path, {}, UINT64_MAX, 100, old);
  ASSERT_EQ(all.rows.size(), 3u);
  EXPECT_EQ(all.rows[0].journal, old);
  EXPECT_EQ(all.rows[0].journalRow, 1);
  EXPECT_EQ(all.rows[0].cycleMs, 612);
  EXPECT_EQ(all.rows[1].journal, kJournal);
  EXPECT_EQ(all.rows[1].journalRow, 1);
  EXPECT_EQ(all.rows[1].number, 3);
  EXPECT_EQ(all.rows[2].journalRow, 4);
  EXPECT_EQ(all.rows[2].cycleMs, std::nullopt);
  const std::vector<std::pair<int64_t, std::string>> problems = {
      {2, "the frame is not 26 bytes"},
      {4, "the time \"2026-02-31T21:30:07.000+08:00\" is no record time"},
      {5, "cycle_ms 99999999999 is out of range"},
      {7, "its journal \"NOT-AN-ID\" and row \"5\" are none"},
  };
  ASSERT_EQ(all.problems.size(), problems.size());
  for (size_t i = 0; i < problems.size(); ++i) {
    EXPECT_EQ(all.problems[i].number, problems[i].first);
    EXPECT_EQ(all.problems[i].why.English(), problems[i].second);
    EXPECT_FALSE(all.problems[i].line.empty());
  }
  EXPECT_EQ(all.lastNumber, 7) << "the row still being written is not read";
  EXPECT_EQ(CountRows(path, {}, UINT64_MAX).rows, 7);
  EXPECT_EQ(CountRows(path, {}, UINT64_MAX).offset, all.endOffset);

  // From where a read ended, in batches of one, the same rows with the same numbers.
  const JournalChunk first = ReadJournal(path, {}, UINT64_MAX, 1, old);
  const JournalChunk rest =
      ReadJournal(path, {first.endOffset, first.lastNumber}, UINT64_MAX, 100, old);
  EXPECT_EQ(first.rows.size() + rest.rows.size(), 3u);
  EXPECT_EQ(rest.rows.back().journalRow, 4);
  EXPECT_EQ(LineHashBefore(path, rest.endOffset), rest.lastLineHash);
  // Only as far as the record says is on its disk.
  EXPECT_TRUE(ReadJournal(path, {first.endOffset, 1}, first.endOffset, 100, old).rows.empty());
}

TEST(Journal, ARowTornInsideAQuotedFieldCostsNoOtherRow) {
  testing::TempDir dir;
  std::string text = "time,station,port,file,frame,result,cycle_ms,journal,journal_row\r\n";
  text += Row("2026-12-07T21:30:05.123+08:00", "PASS,612," + kJournal + ",1");
  text += "2026-12-07T21:30:06.000+08:00,line3,/dev/ttyUSB0,\"/srv/a,b";  // a power cut
  text += "\r\n";  // closed off by the next program's first row
  for (int i = 2; i <= 7; ++i) {
    text += Row("2026-12-07T21:30:07.000+08:00", "PASS,612," + kJournal + "," + std::to_string(i));
  }
  const std::string path = dir.Write("journal.csv", text);
  const JournalChunk all = ReadJournal(path, {}, UINT64_MAX, 100, OldJournalId(path));
  EXPECT_EQ(all.rows.size(), 7u);
  ASSERT_EQ(all.problems.size(), 1u);
  EXPECT_EQ(all.problems[0].number, 2);
}

TEST(Journal, AStationWritingTwoJournalsAtOnceIsFoundAndOneAfterAnotherIsNot) {
  const std::vector<JournalSpan> spans = {
      {"line3", "a", 0, 100},    {"line3", "b", 200, 300},  // a new record each shift
      {"cloned", "c", 0, 100},   {"cloned", "d", 50, 150},
      {"cloned", "e", 140, 160}, {"alone", "f", 0, 1000},
  };
  EXPECT_EQ(StationsWritingAtOnce(spans),
            (std::vector<std::pair<std::string, int>>{{"cloned", 3}}));
}

}  // namespace
}  // namespace ctrlprog

namespace ctrlprog {
namespace {

TEST(Journal, EveryShapeOfRowIsReadAlikeAndOnlyTheNewestNamesItsBoard) {
  const std::string frame =
      "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
  const std::string journal = "0123456789abcdef0123456789abcdef";
  const std::string common = "2026-12-07T21:30:05.123+08:00,line3,/dev/ttyUSB0,/a.asv," + frame;
  const struct {
    const char* shape;
    std::string row;
    const char* serial;
    int64_t attempt;
  } cases[] = {
      {"before rows had a journal", common + ",PASS,612", "", 0},
      {"before rows named their board", common + ",PASS,612," + journal + ",1", "", 0},
      {"unscanned", common + ",PASS,612," + journal + ",1,,", "", 0},
      {"scanned", common + ",PASS,612," + journal + ",1,SN-0042,3", "SN-0042", 3},
  };
  testing::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shape);
    const std::string path =
        dir.Write("r.csv", "time,station,port,file,frame,result,cycle_ms\r\n" + c.row + "\r\n");
    const JournalChunk chunk = ReadJournal(path, {}, UINT64_MAX, 10, OldJournalId(path));
    ASSERT_EQ(chunk.rows.size(), 1u);
    ASSERT_TRUE(chunk.problems.empty()) << chunk.problems[0].why.English();
    const JournalRow& r = chunk.rows[0];
    EXPECT_EQ(r.time, "2026-12-07T21:30:05.123+08:00");
    EXPECT_EQ(r.station, "line3");
    EXPECT_EQ(r.port, "/dev/ttyUSB0");
    EXPECT_EQ(r.file, "/a.asv");
    EXPECT_EQ(r.frame, frame);
    EXPECT_EQ(r.result, "PASS");
    EXPECT_EQ(r.cycleMs, 612);
    EXPECT_EQ(r.serial, c.serial);
    EXPECT_EQ(r.attempt, c.attempt);
  }
  // A board's name the server would not take is set apart before it is sent.
  for (const std::string& tail : std::vector<std::string>{",SN-1,", ",SN-1,x", ",SN-1,0",
                                                          "," + std::string(65, 'x') + ",1"}) {
    SCOPED_TRACE(tail);
    const std::string path =
        dir.Write("bad.csv", "time,station,port,file,frame,result,cycle_ms\r\n" + common +
                                 ",PASS,612," + journal + ",1" + tail + "\r\n");
    const JournalChunk chunk = ReadJournal(path, {}, UINT64_MAX, 10, OldJournalId(path));
    EXPECT_TRUE(chunk.rows.empty());
    EXPECT_EQ(chunk.problems.size(), 1u);
  }
}

}  // namespace
}  // namespace ctrlprog
