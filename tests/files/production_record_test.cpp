#include "files/production_record.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "files/record_rows.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

using testing::TempDir;

using testing::RowsOf;

TEST(ProductionRecord, WritesRfc4180RowsUnderOneHeader) {
  TempDir dir;
  const std::string path = dir.Path("record, 文件.csv");
  const RecordRow row{std::chrono::system_clock::now(),
                      "station-1",
                      "/dev/ttyUSB0",
                      "/srv/sets/a,\"b\" 文件.asv",
                      "02 0F",
                      "PASS",
                      412,
                      {},
                      0,
                      {}};
  for (int run = 0; run < 2; ++run) {  // two programs, one after the other
    auto opened = ProductionRecord::Open(path);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<ProductionRecord>>(opened));
    auto& record = *std::get<std::unique_ptr<ProductionRecord>>(opened);
    ASSERT_EQ(record.Append(row), std::nullopt);
    RecordRow lost = row;
    lost.result = "LOST";
    lost.cycleMs.reset();
    ASSERT_EQ(record.Append(lost), std::nullopt);
  }
  const std::vector<std::string> rows = RowsOf(TempDir::Read(path));
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0],
            "time,station,port,file,frame,result,cycle_ms,journal,journal_row,serial,attempt,"
            "checked");
  const std::regex pass(
      R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,station-1,/dev/ttyUSB0,)"
      R"("/srv/sets/a,""b"" 文件\.asv",02 0F,PASS,412,([0-9a-f]{32}),1,,,)");
  std::smatch first, second;
  ASSERT_TRUE(std::regex_match(rows[1], first, pass)) << rows[1];
  ASSERT_TRUE(std::regex_match(rows[3], second, pass)) << rows[3];
  EXPECT_TRUE(rows[2].ends_with(",LOST,," + first[1].str() + ",2,,,")) << rows[2];
  EXPECT_NE(first[1], second[1]) << "each program that opens the record starts its own journal";
}

TEST(ProductionRecord, RowsNameTheirBoardAndARecordOfAnOlderShapeKeepsItsShape) {
  struct Case {
    const char* what;
    std::string before;  // the file as the program finds it
    std::string header;  // its first line after
    std::string tail;    // how the new row ends
  };
  const std::string journalHeader(kJournalRecordHeader);
  const Case cases[] = {
      {"new", "", std::string(kRecordHeader), ",SN-0042,3,line"},
      {"rows name their check", std::string(kRecordHeader), std::string(kRecordHeader),
       ",SN-0042,3,line"},
      {"rows name their board", std::string(kUnitRecordHeader), std::string(kUnitRecordHeader),
       ",SN-0042,3"},
      {"rows name their journal", journalHeader, journalHeader, ",1"},
      {"written before journals", std::string(kOldRecordHeader), std::string(kOldRecordHeader),
       ",1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string path =
        c.before.empty() ? dir.Path("record.csv") : dir.Write("record.csv", c.before);
    auto opened = ProductionRecord::Open(path);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<ProductionRecord>>(opened));
    auto& record = *std::get<std::unique_ptr<ProductionRecord>>(opened);
    EXPECT_EQ(record.Shape() >= RecordShape::Units, c.tail != ",1");
    const RecordRow row{std::chrono::system_clock::now(),
                        "s",
                        "/dev/ttyUSB0",
                        "",
                        "02",
                        "PASS",
                        400,
                        "SN-0042",
                        3,
                        "line"};
    ASSERT_EQ(record.Append(row), std::nullopt);
    const std::string text = TempDir::Read(path);
    EXPECT_TRUE(text.starts_with(c.header));
    EXPECT_TRUE(text.ends_with(c.tail + "\r\n")) << text;
  }
}

TEST(ProductionRecord, IsRefusedAtOpeningWhenItCannotBeWritten) {
  TempDir dir;
  for (const std::string& path : {dir.path().string(), dir.Path("missing/record.csv")}) {
    auto opened = ProductionRecord::Open(path);
    ASSERT_TRUE(std::holds_alternative<FileError>(opened)) << path;
    EXPECT_NE(RecordOpenFailureMessage(path, std::get<FileError>(opened)).find(path),
              std::string::npos);
  }
}

}  // namespace
}  // namespace ctrlprog
