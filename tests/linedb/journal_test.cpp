// The journal as the forwarder and the report read it: whole rows only, each with its number,
// bad ones named and skipped, and times turned into UTC hours the way the server does it.
#include "linedb/journal.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

TEST(Journal, TimesBecomeUtcHoursAsTheServerCountsThem) {
  const struct {
    std::string time, hour;
    std::optional<int64_t> ms;
  } cases[] = {
      {"2026-12-07T21:30:05.123+08:00", "2026-12-07T13:00Z", 1796650205123},
      {"2026-12-08T01:10:00.000+08:00", "2026-12-07T17:00Z", 1796663400000},
      {"2026-12-31T23:59:59.999-05:00", "2027-01-01T04:00Z", 1798779599999},
      {"2024-02-29T00:00:00.000+00:00", "2024-02-29T00:00Z", 1709164800000},
      {"2026-12-07T13:30Z", "", 1796650200000},  // a report's bound, not a record time
      {"yesterday", "", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UtcHour(c.time), c.hour) << c.time;
    EXPECT_EQ(EpochMs(c.time), c.ms) << c.time;
  }
}

TEST(Journal, ReadsWholeRowsWithTheirNumbersAndNamesTheBadOnes) {
  testing::TempDir dir;
  const std::string frame =
      "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
  const std::string path =
      dir.Write("journal.csv",
                "time,station,port,file,frame,result,cycle_ms\r\n"
                "2026-12-07T21:30:05.123+08:00,line3,/dev/ttyUSB0,\"/srv/a,b.asv\"," +
                    frame +
                    ",PASS,612\r\n"
                    "2026-12-07T21:30:06.000+08:00,line3,/dev/ttyUSB0,,02 0F,PASS,1\r\n"
                    "2026-12-07T21:30:07.000+08:00,line3,/dev/ttyUSB0,,\r\n"
                    "2026-12-07T21:31:40.002+08:00,line3,/dev/ttyUSB0,," +
                    frame +
                    ",LOST,\r\n"
                    "2026-12-07T21:31:41.000+08:00,line3,/dev/ttyUSB0,," +
                    frame + ",PA");  // being written
  const JournalChunk all = ReadJournal(path, 0, 0, UINT64_MAX, 100);
  ASSERT_EQ(all.rows.size(), 2u);
  EXPECT_EQ(all.rows[0].number, 1);
  EXPECT_EQ(all.rows[0].file, "/srv/a,b.asv");
  EXPECT_EQ(all.rows[0].cycleMs, 612);
  EXPECT_EQ(all.rows[1].number, 4);
  EXPECT_EQ(all.rows[1].cycleMs, std::nullopt);
  ASSERT_EQ(all.problems.size(), 2u);
  EXPECT_EQ(all.problems[0].number, 2);
  EXPECT_EQ(all.problems[0].reason, "the frame is not 26 bytes");
  EXPECT_EQ(all.problems[1].number, 3);
  EXPECT_EQ(all.lastNumber, 4) << "the row still being written is not read";

  // From where a read ended, in batches of one, the same rows with the same numbers.
  const JournalChunk first = ReadJournal(path, 0, 0, UINT64_MAX, 1);
  const JournalChunk rest = ReadJournal(path, first.endOffset, first.lastNumber, UINT64_MAX, 100);
  EXPECT_EQ(first.rows.size() + rest.rows.size(), 2u);
  EXPECT_EQ(rest.rows.back().number, 4);
  // Only as far as the record says is on its disk.
  EXPECT_TRUE(ReadJournal(path, first.endOffset, 1, first.endOffset, 100).rows.empty());
}

}  // namespace
}  // namespace ctrlprog
