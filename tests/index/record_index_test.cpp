// The record's index against records written by hand: it answers as a read of the whole record
// does, for every shape of record, and stays true to the record when rows came without it, when
// it is damaged or another record's, and when the record is kept in a file per period.
#include "index/record_index.h"

#include <gtest/gtest.h>

#include <fstream>

#include "files/record_periods.h"
#include "linedb/record_time.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

const std::string kFrame =
    "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
const std::string kJournal = "0123456789abcdef0123456789abcdef";

struct Row {
  std::string time, station, port, result, serial;
  int attempt;
};

// One row in a shape of 7, 9, 11 or 12 fields, with its CR LF.
std::string Line(const Row& r, int fields, int number) {
  std::string out =
      r.time + "," + r.station + "," + r.port + ",/srv/a.asv," + kFrame + "," + r.result + ",400";
  if (fields >= 9) out += "," + kJournal + "," + std::to_string(number);
  if (fields >= 11)
    out += "," + r.serial + "," + (r.serial.empty() ? "" : std::to_string(r.attempt));
  if (fields >= 12) out += ",record";
  return out + "\r\n";
}

std::string Header(int fields) {
  const char* names[] = {"time,station,port,file,frame,result,cycle_ms", ",journal,journal_row",
                         ",serial,attempt", ",checked"};
  std::string h = names[0];
  if (fields >= 9) h += names[1];
  if (fields >= 11) h += names[2];
  if (fields >= 12) h += names[3];
  return h + "\r\n";
}

void Append(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// A shift of boards: passes, fails, a rework passed twice, an unscanned board, a lost link.
std::vector<Row> Shift(int hour, const std::string& station = "line3") {
  const std::string t = "2026-12-07T" + std::to_string(10 + hour) + ":";
  return {
      {t + "05:00.000+08:00", station, "/dev/ttyUSB0", "PASS", "A1", 1},
      {t + "06:00.000+08:00", station, "/dev/ttyUSB1", "FAIL", "A2", 1},
      {t + "07:00.000+08:00", station, "/dev/ttyUSB1", "UNCONFIRMED", "A2", 2},
      {t + "20:00.000+08:00", station, "/dev/ttyUSB1", "PASS", "A2", 3},
      {t + "21:00.000+08:00", station, "/dev/ttyUSB0", "PASS", "", 0},
      {t + "31:00.000+08:00", station, "/dev/ttyUSB0", "LOST", "", 0},
      {t + "44:00.000+08:00", "line4", "/dev/ttyUSB0", "PASS", "A1", 2},
      {t + "50:00.000+08:00", station, "/dev/ttyUSB0", "FAIL", "B" + std::to_string(hour), 1},
      // A rework that failed after its pass, and an attempt number below the highest seen.
      {t + "55:00.000+08:00", station, "/dev/ttyUSB1", "FAIL", "A1", 3},
      {t + "56:00.000+08:00", station, "/dev/ttyUSB1", "UNCONFIRMED", "A2", 1},
  };
}

std::string RecordOf(const std::vector<Row>& rows, int fields) {
  std::string out = Header(fields);
  int n = 0;
  for (const Row& r : rows) out += Line(r, fields, ++n);
  return out;
}

std::unique_ptr<RecordIndex> Open(const std::string& record, const std::string& index = {}) {
  auto opened = RecordIndex::Open(index.empty() ? IndexPathOf(record) : index, RecordFiles(record));
  if (auto* why = std::get_if<std::string>(&opened)) ADD_FAILURE() << *why;
  return std::get<0>(std::move(opened));
}

// What a book read from the whole record says of `serial`, and what the index says.
void ExpectSameBoard(const std::string& record, RecordIndex& index, const std::string& serial) {
  SCOPED_TRACE(serial);
  UnitBook whole;
  whole.ReadRecord(record);
  const UnitBook::Past* want = whole.Find(serial);
  auto got = index.Look(serial);
  ASSERT_TRUE(std::holds_alternative<std::optional<UnitBook::Past>>(got));
  const auto& past = std::get<std::optional<UnitBook::Past>>(got);
  ASSERT_EQ(past.has_value(), want != nullptr);
  if (!want) return;
  EXPECT_EQ(past->attempts, want->attempts);
  EXPECT_EQ(past->passed, want->passed);
  EXPECT_EQ(past->passedMs, want->passedMs);
  EXPECT_EQ(past->station, want->station);
  EXPECT_EQ(past->port, want->port);
}

const char* kSerials[] = {"A1", "A2", "B0", "B1", "C9", ""};

TEST(RecordIndex, AnswersForEachBoardAsTheWholeRecordReadDoesInEveryShape) {
  const struct {
    const char* name;
    int fields;
    std::string tail;  // after the rows: a torn row, a row set aside
  } shapes[] = {
      {"7 fields", 7, ""},
      {"9 fields", 9, ""},
      {"11 fields", 11, ""},
      {"12 fields", 12, ""},
      {"a torn row at the end", 11, "2026-12-07T12:00:00.000+08:00,line3,/dev/tty"},
      {"rows set aside", 12,
       "2026-12-07T12:00:00.000+08:00,line3,p,f,XX,PASS,1,,,C9,1,record\r\n"
       "no time,line3,p,f," +
           kFrame + ",PASS,4,\r\n"},
  };
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.name);
    testing::TempDir dir;
    const std::string record = dir.Path("record.csv");
    std::vector<Row> rows = Shift(0);
    for (const Row& r : Shift(1)) rows.push_back(r);
    Append(record, RecordOf(rows, shape.fields) + shape.tail);
    auto index = Open(record);
    ASSERT_TRUE(index);
    for (const char* serial : kSerials) ExpectSameBoard(record, *index, serial);
  }
}

// The report's lines and its warnings from the whole record, and from the index.
struct Report {
  std::vector<ReportLine> lines;
  std::vector<std::pair<std::string, int>> overlapping;
};

Report FromRecord(const std::vector<std::string>& files, std::optional<int64_t> since,
                  std::optional<int64_t> until) {
  LineTally tally;
  std::vector<JournalSpan> spans;
  std::map<std::pair<std::string, std::string>, JournalSpan> journals;
  for (const std::string& file : files) {
    ForEachJournalRow(file, [&](const JournalRow& r) {
      const int64_t at = *EpochMs(r.time);
      if ((since && at < *since) || (until && at >= *until)) return;
      JournalSpan& span = journals[{r.station, r.journal}];
      if (span.journal.empty()) span = {r.station, r.journal, at, at};
      span.first = std::min(span.first, at);
      span.last = std::max(span.last, at);
      tally.Add(r);
    });
  }
  for (auto& [key, span] : journals) spans.push_back(span);
  return {tally.Lines(true), StationsWritingAtOnce(spans)};
}

Report FromIndex(RecordIndex& index, std::optional<int64_t> since, std::optional<int64_t> until) {
  LineTally tally;
  std::vector<JournalSpan> spans;
  EXPECT_EQ(index.Count(since, until, tally, spans), std::nullopt);
  return {tally.Lines(true), StationsWritingAtOnce(spans)};
}

void ExpectSameReport(const Report& want, const Report& got) {
  ASSERT_EQ(got.lines.size(), want.lines.size());
  for (size_t i = 0; i < want.lines.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got.lines[i].hour, want.lines[i].hour);
    EXPECT_EQ(got.lines[i].station, want.lines[i].station);
    EXPECT_EQ(got.lines[i].port, want.lines[i].port);
    EXPECT_EQ(got.lines[i].counts, want.lines[i].counts);
    EXPECT_EQ(got.lines[i].passedMoreThanOnce, want.lines[i].passedMoreThanOnce);
  }
  EXPECT_EQ(got.overlapping, want.overlapping);
}

// A generated record of two stations' journals written at once, over several hours.
std::string Generated(int boards) {
  std::string out = Header(12);
  for (int i = 0; i < boards; ++i) {
    char time[64];
    std::snprintf(time, sizeof time, "2026-12-07T%02d:%02d:%02d.%03d+08:00", 8 + i / 600,
                  (i / 10) % 60, (i * 7) % 60, i % 1000);
    const std::string serial = "S" + std::to_string(i % 150);  // boards come back
    const char* result = i % 5 == 0 ? "FAIL" : i % 13 == 0 ? "LOST" : "PASS";
    out += Line({time, i % 3 ? "line3" : "line4", i % 2 ? "/dev/ttyUSB1" : "/dev/ttyUSB0", result,
                 i % 11 == 0 ? "" : serial, 1 + i / 150},
                12, i + 1);
  }
  return out;
}

TEST(RecordIndex, TracesAndReportsAsTheWholeRecordReadDoes) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  Append(record, Generated(2000));
  auto index = Open(record);
  ASSERT_TRUE(index);
  for (const char* serial : {"S0", "S7", "S149", "S150"}) {
    SCOPED_TRACE(serial);
    const std::vector<TraceRow> want = TraceOfRecord(record, serial);
    auto got = index->Trace(serial);
    ASSERT_TRUE(std::holds_alternative<std::vector<TraceRow>>(got));
    const auto& rows = std::get<0>(got);
    ASSERT_EQ(rows.size(), want.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(std::tie(rows[i].ms, rows[i].station, rows[i].port, rows[i].file, rows[i].frame,
                         rows[i].result, rows[i].attempt, rows[i].journal, rows[i].journalRow),
                std::tie(want[i].ms, want[i].station, want[i].port, want[i].file, want[i].frame,
                         want[i].result, want[i].attempt, want[i].journal, want[i].journalRow));
    }
  }
  const int64_t nine = *EpochMs("2026-12-07T09:00:00.000+08:00");
  const struct {
    const char* name;
    std::optional<int64_t> since, until;
  } periods[] = {{"all", {}, {}},
                 {"since nine", nine, {}},
                 {"until nine", {}, nine},
                 {"a quarter", nine + kQuarterMs, nine + 2 * kQuarterMs}};
  for (const auto& p : periods) {
    SCOPED_TRACE(p.name);
    ExpectSameReport(FromRecord({record}, p.since, p.until), FromIndex(*index, p.since, p.until));
  }
}

TEST(RecordIndex, IsBuiltOnceThenReadFromWhereItStopped) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  Append(record, RecordOf(Shift(0), 12));
  EXPECT_TRUE(Open(record)->Rebuilt());
  // Rows stored while no index was kept (a crash before it read them): read on the next open,
  // and counted once, into the same quarters as the rows before them.
  std::string more;
  int n = 10;
  for (const Row& r : Shift(0)) more += Line(r, 12, ++n);
  Append(record, more);
  auto index = Open(record);
  EXPECT_FALSE(index->Rebuilt());
  for (const char* serial : kSerials) ExpectSameBoard(record, *index, serial);
  ExpectSameReport(FromRecord({record}, {}, {}), FromIndex(*index, {}, {}));
  // And as rows are stored, on the same connection.
  Append(record, Line({"2026-12-07T13:00:00.000+08:00", "line3", "p", "PASS", "C9", 1}, 12, 99));
  ASSERT_EQ(index->CatchUp(RecordFiles(record)), std::nullopt);
  ExpectSameBoard(record, *index, "C9");
  ExpectSameReport(FromRecord({record}, {}, {}), FromIndex(*index, {}, {}));
}

TEST(RecordIndex, IsBuiltAgainWhenDamagedOrAnotherRecords) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  Append(record, RecordOf(Shift(0), 12));
  const std::string other = dir.Path("other.csv");
  Append(other, RecordOf(Shift(1, "line9"), 11));
  Open(record).reset();
  Open(other).reset();

  const struct {
    const char* name;
    std::function<void()> spoil;
  } cases[] = {
      {"garbage",
       [&] { std::ofstream(IndexPathOf(record), std::ios::binary) << std::string(9000, 'x'); }},
      {"cut short", [&] { std::filesystem::resize_file(IndexPathOf(record), 3000); }},
      {"the other record's index",
       [&] {
         std::filesystem::copy_file(IndexPathOf(other), IndexPathOf(record),
                                    std::filesystem::copy_options::overwrite_existing);
         std::filesystem::rename(other, dir.Path("kept.csv"));
         std::filesystem::copy_file(record, other);
       }},
      {"the record rewritten under it",
       [&] {
         std::filesystem::remove(record);
         Append(record, RecordOf(Shift(2), 12));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Open(record).reset();
    for (const char* suffix : {"-wal", "-shm"})
      std::filesystem::remove(IndexPathOf(record) + suffix);
    c.spoil();
    auto index = Open(record);
    ASSERT_TRUE(index);
    EXPECT_TRUE(index->Rebuilt());
    for (const char* serial : kSerials) ExpectSameBoard(record, *index, serial);
    ExpectSameReport(FromRecord({record}, {}, {}), FromIndex(*index, {}, {}));
  }
}

TEST(RecordIndex, KeepsABoardsHistoryOverTheFilesOfARotatedRecord) {
  testing::TempDir dir;
  const std::string record = dir.Path("record.csv");
  const auto november = *EpochMs("2026-11-20T10:00:00.000+08:00");
  const std::string last =
      PeriodFile(record, RecordRotation::Monthly,
                 std::chrono::system_clock::time_point(std::chrono::milliseconds(november)));
  EXPECT_EQ(std::filesystem::path(last).filename(), "record-2026-11.csv");
  Append(last, RecordOf({{"2026-11-20T10:00:00.000+08:00", "line3", "p0", "PASS", "A7", 1}}, 12));
  Open(record).reset();
  Append(dir.Path("record-2026-12.csv"), RecordOf(Shift(0), 12));
  auto index = Open(record);
  ASSERT_TRUE(index);
  auto looked = index->Look("A7");
  const auto& past = std::get<std::optional<UnitBook::Past>>(looked);
  ASSERT_TRUE(past && past->passed);
  EXPECT_EQ(past->port, "p0");
  const std::vector<std::string> files = RecordFiles(record);
  ASSERT_EQ(files.size(), 2u);
  ExpectSameReport(FromRecord(files, {}, {}), FromIndex(*index, {}, {}));
  EXPECT_EQ(std::get<0>(index->Trace("A1")).size(), 3u);  // of both files
}

}  // namespace
}  // namespace ctrlprog
