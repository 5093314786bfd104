// The line's report and one board's history, as they read a record: every shape of record alike,
// each result counted apart, boards and first passes from scanned rows, and a page that stands
// on its own.
#include "report/line_tally.h"

#include <gtest/gtest.h>

#include "linedb/journal.h"
#include "linedb/record_time.h"
#include "report/report_page.h"
#include "report/unit_trace.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

const std::string kFrame =
    "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
const std::string kJournal = "0123456789abcdef0123456789abcdef";

struct Row {
  const char* time;
  const char* station;
  const char* port;
  const char* result;
  const char* serial;
  int attempt;
};

// The same rows written in each shape a record has had: before rows had a journal, before rows
// named their board, and now (with the serial and attempt given, or empty).
std::string Record(const std::vector<Row>& rows, int fields) {
  std::string out = fields == 7   ? "time,station,port,file,frame,result,cycle_ms\r\n"
                    : fields == 9 ? "time,station,port,file,frame,result,cycle_ms,journal,"
                                    "journal_row\r\n"
                                  : "time,station,port,file,frame,result,cycle_ms,journal,"
                                    "journal_row,serial,attempt\r\n";
  int n = 0;
  for (const Row& r : rows) {
    out += std::string(r.time) + "," + r.station + "," + r.port + ",/srv/a.asv," + kFrame + "," +
           r.result + ",400";
    if (fields >= 9) out += "," + kJournal + "," + std::to_string(++n);
    if (fields >= 11) {
      out += std::string(",") + r.serial + "," + (*r.serial ? std::to_string(r.attempt) : "");
    }
    out += "\r\n";
  }
  return out;
}

LineTally TallyOf(const std::string& path) {
  LineTally tally;
  ForEachJournalRow(path, [&tally](const JournalRow& row) { tally.Add(row); });
  return tally;
}

const std::vector<Row> kShift = {
    {"2026-12-07T21:05:00.000+08:00", "line3", "/dev/ttyUSB0", "PASS", "A1", 1},
    {"2026-12-07T21:06:00.000+08:00", "line3", "/dev/ttyUSB1", "FAIL", "A2", 1},
    {"2026-12-07T21:07:00.000+08:00", "line3", "/dev/ttyUSB1", "UNCONFIRMED", "A2", 2},
    {"2026-12-07T21:08:00.000+08:00", "line3", "/dev/ttyUSB1", "LOST", "", 0},
    {"2026-12-07T21:09:00.000+08:00", "line3", "/dev/ttyUSB1", "RESTORED", "", 0},
    {"2026-12-07T22:10:00.000+08:00", "line3", "/dev/ttyUSB1", "PASS", "A2", 3},
    {"2026-12-07T22:11:00.000+08:00", "line4", "/dev/ttyUSB0", "PASS", "B1", 1},
};

TEST(LineTally, EveryShapeOfRecordIsCountedAlikeAndScannedRowsAddBoards) {
  testing::TempDir dir;
  std::vector<std::vector<ReportLine>> unscanned;
  for (const int fields : {7, 9, 11}) {
    std::vector<Row> rows = kShift;
    for (Row& r : rows) r.serial = "";
    const std::string path = dir.Write(std::to_string(fields) + ".csv", Record(rows, fields));
    unscanned.push_back(TallyOf(path).Lines(true));
  }
  ASSERT_EQ(unscanned[0].size(), 8u);  // 3 station-hours, 4 port-hours, the total
  for (const auto& lines : unscanned) {
    ASSERT_EQ(lines.size(), unscanned[0].size());
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].hour, unscanned[0][i].hour);
      EXPECT_EQ(lines[i].port, unscanned[0][i].port);
      EXPECT_EQ(lines[i].counts, unscanned[0][i].counts) << i;
    }
  }
  // Unscanned, each result is a board; scanned, a board is its first attempt.
  const ResultCounts total = unscanned[0].back().counts;
  EXPECT_EQ(total, (ResultCounts{3, 1, 1, 1, 5, 0, 0}));
  const auto scanned = TallyOf(dir.Write("scanned.csv", Record(kShift, 11))).Lines(true);
  EXPECT_EQ(scanned.back().counts, (ResultCounts{3, 1, 1, 1, 0, 3, 2}));
  EXPECT_EQ(scanned.back().counts.Boards(), 3);
  EXPECT_EQ(scanned.back().counts.Attempts(), 5);
}

TEST(LineTally, EachStationHourComesBeforeItsPortsAndTheTotalIsLast) {
  testing::TempDir dir;
  const auto lines = TallyOf(dir.Write("r.csv", Record(kShift, 11))).Lines(true);
  const struct {
    ReportLine::Scope scope;
    const char *hour, *station, *port;
    int64_t attempts, lost;
  } expected[] = {
      {ReportLine::Scope::Station, "2026-12-07T13:00Z", "line3", "", 3, 1},
      {ReportLine::Scope::Port, "2026-12-07T13:00Z", "line3", "/dev/ttyUSB0", 1, 0},
      {ReportLine::Scope::Port, "2026-12-07T13:00Z", "line3", "/dev/ttyUSB1", 2, 1},
      {ReportLine::Scope::Station, "2026-12-07T14:00Z", "line3", "", 1, 0},
      {ReportLine::Scope::Port, "2026-12-07T14:00Z", "line3", "/dev/ttyUSB1", 1, 0},
      {ReportLine::Scope::Station, "2026-12-07T14:00Z", "line4", "", 1, 0},
      {ReportLine::Scope::Port, "2026-12-07T14:00Z", "line4", "/dev/ttyUSB0", 1, 0},
      {ReportLine::Scope::Total, "", "", "", 5, 1},
  };
  ASSERT_EQ(lines.size(), std::size(expected));
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].scope, expected[i].scope) << i;
    EXPECT_EQ(lines[i].hour, expected[i].hour) << i;
    EXPECT_EQ(lines[i].station, expected[i].station) << i;
    EXPECT_EQ(lines[i].port, expected[i].port) << i;
    EXPECT_EQ(lines[i].counts.Attempts(), expected[i].attempts) << i;
    EXPECT_EQ(lines[i].counts.lost, expected[i].lost) << i;
  }
}

TEST(LineTally, TheServersQuarterHoursGiveWhatTheRowsGive) {
  testing::TempDir dir;
  const std::string path = dir.Write("r.csv", Record(kShift, 11));
  LineTally quarters;
  // As the server sums them: each row alone in its quarter hour.
  ForEachJournalRow(path, [&quarters](const JournalRow& row) {
    LineTally one;
    one.Add(row);
    for (const ReportLine& l : one.Lines(true)) {
      if (l.scope == ReportLine::Scope::Port) {
        const int64_t at = *EpochMs(row.time);
        quarters.Add(QuarterCounts{l.station, l.port, at - at % kQuarterMs, l.counts});
      }
    }
  });
  const auto fromRows = TallyOf(path).Lines(false);
  const auto fromQuarters = quarters.Lines(false);
  ASSERT_EQ(fromRows.size(), fromQuarters.size());
  for (size_t i = 0; i < fromRows.size(); ++i) {
    EXPECT_EQ(fromRows[i].hour, fromQuarters[i].hour);
    EXPECT_EQ(fromRows[i].counts, fromQuarters[i].counts);
  }
}

TEST(LineTally, TheTotalCountsScannedBoardsThatPassedMoreThanOnce) {
  struct Case {
    const char* what;
    std::vector<Row> rows;
    int64_t again;
  };
  const Case cases[] = {
      {"each board passed once", kShift, 0},
      {"one board passed at two stations",
       {{"2026-12-07T21:05:00.000+08:00", "line3", "/dev/ttyUSB0", "PASS", "A1", 1},
        {"2026-12-07T21:06:00.000+08:00", "line4", "/dev/ttyUSB0", "PASS", "A1", 1},
        {"2026-12-07T21:07:00.000+08:00", "line4", "/dev/ttyUSB0", "PASS", "A2", 1}},
       1},
      {"unscanned boards are no board twice",
       {{"2026-12-07T21:05:00.000+08:00", "line3", "/dev/ttyUSB0", "PASS", "", 0},
        {"2026-12-07T21:06:00.000+08:00", "line3", "/dev/ttyUSB0", "PASS", "", 0}},
       0},
      {"a failure and its pass, and a rework",
       {{"2026-12-07T21:05:00.000+08:00", "line3", "/dev/ttyUSB0", "FAIL", "A1", 1},
        {"2026-12-07T21:06:00.000+08:00", "line3", "/dev/ttyUSB0", "PASS", "A1", 2},
        {"2026-12-07T21:07:00.000+08:00", "line3", "/dev/ttyUSB0", "PASS", "A1", 3}},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    const std::vector<ReportLine> lines =
        TallyOf(dir.Write("record.csv", Record(c.rows, 11))).Lines(true);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().scope, ReportLine::Scope::Total);
    EXPECT_EQ(lines.back().passedMoreThanOnce, c.again);
  }
}

TEST(LineTally, PercentagesHaveOneDecimalInEveryLocale) {
  const struct {
    int64_t part, whole;
    const char* text;
  } cases[] = {{9, 10, "90.0%"}, {2, 3, "66.7%"},   {1, 3, "33.3%"}, {1, 0, "-"},
               {5, 5, "100.0%"}, {1, 2000, "0.1%"}, {0, 7, "0.0%"}};
  for (const auto& c : cases) EXPECT_EQ(PercentText(c.part, c.whole), c.text);
}

TEST(UnitTrace, OneBoardsRowsComeInTimeOrderFromAnyJournal) {
  testing::TempDir dir;
  std::vector<Row> rows = kShift;
  std::swap(rows[1], rows[5]);  // written out of order, as two programs sharing a record do
  const auto trace = TraceOfRecord(dir.Write("r.csv", Record(rows, 11)), "A2");
  ASSERT_EQ(trace.size(), 3u);
  EXPECT_EQ(trace[0].result, "FAIL");
  EXPECT_EQ(trace[1].result, "UNCONFIRMED");
  EXPECT_EQ(trace[2].result, "PASS");
  EXPECT_EQ(trace[2].attempt, 3);
  EXPECT_EQ(trace[2].port, "/dev/ttyUSB1");
  EXPECT_EQ(trace[2].frame, kFrame);
  EXPECT_TRUE(TraceOfRecord(dir.Write("old.csv", Record(kShift, 9)), "A2").empty());
}

TEST(ReportPage, StandsOnItsOwnAndEscapesEveryName) {
  testing::TempDir dir;
  std::vector<Row> rows = kShift;
  rows[0].station = "<script>x</script>&";
  const auto lines = TallyOf(dir.Write("r.csv", Record(rows, 11))).Lines(true);
  const std::string page = ReportPage(lines, {"Record \"r.csv\"", "", "now", true});
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_NE(page.find("&lt;script&gt;x&lt;/script&gt;&amp;"), std::string::npos);
  EXPECT_EQ(page.find("src="), std::string::npos);
  EXPECT_EQ(page.find("href="), std::string::npos);
  // The only address is SVG's namespace, which is a name and never fetched.
  std::string rest = page;
  for (size_t at; (at = rest.find("http://www.w3.org/2000/svg")) != std::string::npos;) {
    rest.erase(at, 26);
  }
  EXPECT_EQ(rest.find("://"), std::string::npos);
  // A chart for each station, and one of first-pass yield with its points.
  size_t charts = 0;
  for (size_t at = 0; (at = page.find("<figure>", at)) != std::string::npos; ++at) ++charts;
  EXPECT_EQ(charts, 4u);  // three stations, and the yield
  EXPECT_EQ(page.find("No board was scanned"), std::string::npos);
  EXPECT_NE(page.find("<polyline class=\"fpy\""), std::string::npos);
  const auto unscanned = TallyOf(dir.Write("u.csv", Record(kShift, 9))).Lines(true);
  EXPECT_NE(ReportPage(unscanned, {}).find("No board was scanned"), std::string::npos);
}

}  // namespace
}  // namespace ctrlprog
