// The forwarder against a fake line database that keeps rows by their key as the server does:
// each row exactly once whatever happens to the journal or the state file, a refused row set
// aside while every other row goes on, a lost server that loses nothing, and a restart that
// sends only what is new.
#include "linedb/forwarder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "files/production_record.h"
#include "support/temp_dir.h"

namespace ctrlprog {
namespace {

using testing::TempDir;
const std::string kFrame =
    "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";

// Keeps rows by (journal, row) as the table's key does, and counts what it was sent.
class FakeLineDb : public LineDb {
 public:
  LineDbResult Connect() override { return available ? LineDbResult{} : Down(); }
  void Disconnect() override {}
  InsertOutcome Insert(const std::vector<JournalRow>& rows) override {
    ++inserts;
    if (hang) {
      std::unique_lock lock(mutex_);
      entered_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return aborted_; });
      return {Down(), {}};
    }
    if (!available) return {Down(), {}};
    InsertOutcome outcome;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (refuse && refuse(rows[i])) {
        outcome.refused.emplace_back(i, refusal);
        continue;
      }
      ++sent;
      table.emplace(std::make_pair(rows[i].journal, rows[i].journalRow), rows[i]);
    }
    return outcome;
  }
  void Abort() override {
    const std::lock_guard lock(mutex_);
    aborted_ = true;
    changed_.notify_all();
  }
  void AwaitInsert() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return entered_; });
  }

  static LineDbResult Down() { return {LineDbStatus::Unavailable, "cannot be reached"}; }
  std::atomic<bool> available{true};
  bool hang = false;
  std::function<bool(const JournalRow&)> refuse;
  std::string refusal = "value too long (SQLSTATE 22001)";
  std::map<std::pair<std::string, int64_t>, JournalRow> table;
  int sent = 0;  // rows handed over, counting those sent again
  std::atomic<int> inserts{0};

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool entered_ = false;
  bool aborted_ = false;
};

// One program appending `boards` rows to the record at `path`, as a station does.
void Program(const std::string& path, int boards, const std::string& station = "line3",
             const std::string& port = "/dev/ttyUSB0") {
  auto opened = ProductionRecord::Open(path);
  auto& record = *std::get<std::unique_ptr<ProductionRecord>>(opened);
  for (int i = 0; i < boards; ++i) {
    ASSERT_EQ(record.Append({std::chrono::system_clock::now(),
                             station,
                             port,
                             "",
                             kFrame,
                             i % 5 ? "PASS" : "FAIL",
                             400 + i,
                             {},
                             0,
                             {}}),
              std::nullopt);
  }
}

// Forwards until nothing is left, as many passes as it takes.
void ForwardAll(LineForwarder& forwarder) {
  for (int pass = 0; forwarder.RunPass() != LineForwarder::Pass::Idle; ++pass) {
    ASSERT_LT(pass, 1000);
  }
}

struct Line {
  TempDir dir;
  std::string journal = dir.Path("record.csv");
  FakeLineDb db;
  std::vector<std::string> news;
  std::unique_ptr<LineForwarder> forwarder;
  LineForwarder& Start(size_t batch = 500) {
    forwarder =
        std::make_unique<LineForwarder>(LineForwarder::Options{journal, "db", batch}, db,
                                        [this](const std::string& n) { news.push_back(n); });
    return *forwarder;
  }
};

TEST(LineForwarder, EveryRowOfEveryJournalArrivesExactlyOnceWhateverHappensToTheFiles) {
  const struct {
    const char* what;
    std::function<void(Line&)> between;  // between a first forwarding and a second
    int rows;                            // rows the server must hold in the end
  } cases[] = {
      {"a new record per shift, same station",
       [](Line& l) {
         l.journal = l.dir.Path("day2.csv");
         Program(l.journal, 3);
       },
       2 + 3},
      {"a second program on the same record", [](Line& l) { Program(l.journal, 3); }, 2 + 3},
      {"truncated while stopped, then written on",
       [](Line& l) {
         std::filesystem::resize_file(l.journal, std::filesystem::file_size(l.journal) - 300);
         Program(l.journal, 4);
       },
       2 + 4},
      {"emptied, then written on",
       [](Line& l) {
         std::filesystem::resize_file(l.journal, 0);
         Program(l.journal, 4);
       },
       2 + 4},
      {"rotated: renamed away and begun anew",
       [](Line& l) {
         std::filesystem::rename(l.journal, l.journal + ".1");
         Program(l.journal, 4);
       },
       2 + 4},
      {"its state file deleted", [](Line& l) { std::filesystem::remove(l.journal + ".forwarded"); },
       2},
      {"one row deleted by hand",
       [](Line& l) {
         std::string text = TempDir::Read(l.journal);
         const size_t first = text.find("\r\n") + 2;  // the first row, after the header
         text.erase(first, text.find("\r\n", first) + 2 - first);
         std::ofstream(l.journal, std::ios::binary | std::ios::trunc) << text;
         Program(l.journal, 1);
       },
       2 + 1},
      {"a cloned PC: another journal under the same station name",
       [](Line& l) {
         const std::string other = l.dir.Path("clone.csv");
         Program(other, 5);
         FakeLineDb& db = l.db;
         LineForwarder clone({other, "db", 500}, db, nullptr);
         ForwardAll(clone);
       },
       2 + 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Line line;
    Program(line.journal, 2);
    ForwardAll(line.Start());
    ASSERT_EQ(line.db.table.size(), 2u);
    line.forwarder.reset();
    c.between(line);
    ForwardAll(line.Start());
    EXPECT_EQ(line.db.table.size(), static_cast<size_t>(c.rows));
    EXPECT_EQ(line.forwarder->Waiting(), 0);
  }
}

TEST(LineForwarder, ARestartSendsOnlyTheNewRows) {
  Line line;
  Program(line.journal, 10000);
  ForwardAll(line.Start());
  ASSERT_EQ(line.db.sent, 10000);
  line.forwarder.reset();
  Program(line.journal, 3);
  LineForwarder& again = line.Start();
  EXPECT_EQ(again.Waiting(), 3) << "rows the server confirmed are not waiting";
  ForwardAll(again);
  EXPECT_EQ(line.db.sent, 10003) << "only the three new rows went again";
  EXPECT_EQ(line.db.table.size(), 10003u);
}

TEST(LineForwarder, ARowTheServerRefusesIsSetAsideOnceAndTheRestGoOn) {
  Line line;
  Program(line.journal, 4);
  Program(line.journal, 1, "line3", "/dev/refused");
  Program(line.journal, 4);
  line.db.refuse = [](const JournalRow& r) { return r.port == "/dev/refused"; };
  LineForwarder& forwarder = line.Start(3);
  ForwardAll(forwarder);
  EXPECT_EQ(line.db.table.size(), 8u);
  EXPECT_EQ(forwarder.SetAside(), 1);
  EXPECT_EQ(forwarder.Waiting(), 0);
  const std::string aside = TempDir::Read(LineForwarder::SetAsidePath(line.journal));
  EXPECT_NE(
      aside.find(
          "5,the line database refused it; the server said: value too long (SQLSTATE 22001),\""),
      std::string::npos)
      << aside;
  EXPECT_NE(aside.find("/dev/refused"), std::string::npos);

  // Read again from the start (no state file): the row is not set aside twice.
  line.forwarder.reset();
  std::filesystem::remove(LineForwarder::StatePath(line.journal));
  ForwardAll(line.Start());
  EXPECT_EQ(line.forwarder->SetAside(), 1);
  EXPECT_EQ(TempDir::Read(LineForwarder::SetAsidePath(line.journal)), aside);
}

TEST(LineForwarder, ARowSetAsideWithAReasonOfCommasAndQuotesIsKnownAgainAtTheNextRun) {
  Line line;
  Program(line.journal, 2);
  Program(line.journal, 1, "line3", "/dev/\"refused\",2");
  line.db.refuse = [](const JournalRow& r) { return r.port.find("refused") != std::string::npos; };
  line.db.refusal = "new row violates check constraints \"a\",\"b\" (SQLSTATE 23514)";
  ForwardAll(line.Start());
  ASSERT_EQ(line.forwarder->SetAside(), 1);
  line.forwarder.reset();
  std::filesystem::remove(LineForwarder::StatePath(line.journal));
  line.db.refuse = nullptr;  // a server that would take it now is not asked again
  ForwardAll(line.Start());
  EXPECT_EQ(line.forwarder->SetAside(), 1);
  EXPECT_EQ(line.db.table.size(), 2u);
}

TEST(LineForwarder, RowsThatCannotBeTakenAreSetAsideBeforeTheyAreSent) {
  Line line;
  Program(line.journal, 2);
  Program(line.journal, 1, std::string(10000, 's'));  // a 10 kB station name
  {
    std::ofstream out(line.journal, std::ios::binary | std::ios::app);
    out << "2026-02-31T10:00:00.000+08:00,line3,/dev/ttyUSB0,," << kFrame
        << ",PASS,1,0123456789abcdef0123456789abcdef,1\r\n";
  }
  Program(line.journal, 3);
  ForwardAll(line.Start());
  EXPECT_EQ(line.db.table.size(), 5u);
  EXPECT_EQ(line.forwarder->SetAside(), 2);
}

TEST(LineForwarder, ALostServerLosesNothingAndWaitingIsExact) {
  Line line;
  Program(line.journal, 0);  // the header alone: nothing for the server
  line.db.available = false;
  LineForwarder& forwarder = line.Start();
  EXPECT_EQ(forwarder.RunPass(), LineForwarder::Pass::Sent);
  EXPECT_EQ(forwarder.RunPass(), LineForwarder::Pass::Idle);
  EXPECT_TRUE(line.news.empty()) << "no word of a server not asked";
  Program(line.journal, 3);
  EXPECT_EQ(forwarder.RunPass(), LineForwarder::Pass::Unavailable);
  EXPECT_EQ(forwarder.Waiting(), 3);
  Program(line.journal, 2);
  forwarder.StoredUpTo(std::filesystem::file_size(line.journal));
  EXPECT_EQ(forwarder.Waiting(), 5) << "counted as the writer stores them, server or not";
  EXPECT_EQ(forwarder.RunPass(), LineForwarder::Pass::Unavailable);
  EXPECT_EQ(line.news, std::vector<std::string>{"line record: cannot be reached"}) << "said once";
  line.db.available = true;
  ForwardAll(forwarder);
  EXPECT_EQ(forwarder.Waiting(), 0);
  EXPECT_EQ(line.db.table.size(), 5u);
  EXPECT_EQ(line.news.back(), "line record: the line database is reachable again");
}

// Rows of the oldest shape, keyed by their place in the record.
void ProgramOldShape(const std::string& path, int rows) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  if (std::filesystem::file_size(path) == 0) out << kOldRecordHeader;
  for (int i = 0; i < rows; ++i) {
    out << "2026-12-07T21:30:05.123+08:00,line3,/dev/ttyUSB0,," << kFrame << ",PASS,400\r\n";
  }
}

TEST(LineForwarder, AStateFileWhoseRowCountIsWrongIsNotTrusted) {
  for (const int off : {-10, +10}) {
    SCOPED_TRACE(off);
    Line line;
    std::ofstream(line.journal, std::ios::binary);
    ProgramOldShape(line.journal, 100);
    ForwardAll(line.Start());
    ASSERT_EQ(line.db.table.size(), 100u);
    line.forwarder.reset();
    // "offset rows hash database", the row count changed by hand.
    const std::string state = LineForwarder::StatePath(line.journal);
    std::istringstream fields(TempDir::Read(state));
    uint64_t offset = 0;
    int64_t rows = 0;
    std::string hash, database;
    fields >> offset >> rows >> hash >> database;
    ASSERT_EQ(rows, 100);
    std::ofstream(state, std::ios::binary | std::ios::trunc)
        << offset << ' ' << rows + off << ' ' << hash << ' ' << database << '\n';
    ProgramOldShape(line.journal, 10);
    ForwardAll(line.Start());
    EXPECT_EQ(line.db.table.size(), 110u) << "each row once, under its own place";
    EXPECT_EQ(line.db.table.rbegin()->first.second, 110);
  }
}

TEST(LineForwarder, ALongTailWithoutALineEndIsLookedAtOnce) {
  Line line;
  Program(line.journal, 2);
  const uint64_t end = std::filesystem::file_size(line.journal);
  std::ofstream(line.journal, std::ios::binary | std::ios::app) << std::string(1 << 20, '\0');
  LineForwarder& forwarder = line.Start();
  ForwardAll(forwarder);
  ASSERT_EQ(line.db.table.size(), 2u);
  // A whole row planted in the tail without changing the file's size is not seen: the tail is
  // not read again while nothing is written.
  const std::string planted = "2026-12-07T21:30:05.123+08:00,line3,/dev/ttyUSB9,," + kFrame +
                              ",PASS,1,0123456789abcdef0123456789abcdef,1,,\r\n";
  {
    std::fstream io(line.journal, std::ios::binary | std::ios::in | std::ios::out);
    io.seekp(static_cast<std::streamoff>(end));
    io << planted;
  }
  EXPECT_EQ(forwarder.RunPass(), LineForwarder::Pass::Idle);
  EXPECT_EQ(line.db.table.size(), 2u);
  // Once more is written, it is read.
  Program(line.journal, 1);
  ForwardAll(forwarder);
  EXPECT_EQ(line.db.table.size(), 4u);
}

TEST(LineForwarder, OnlyRowsSetAsideFromThisRecordAreCountedOrPassedOver) {
  Line other;
  Program(other.journal, 1, "line3", "/dev/refused");
  other.db.refuse = [](const JournalRow& r) { return r.port == "/dev/refused"; };
  ForwardAll(other.Start());
  ASSERT_EQ(other.forwarder->SetAside(), 1);

  Line line;
  Program(line.journal, 2);
  // Another record's set-aside rows, this record's rows without the record's name (as an older
  // version or a hand wrote them), and lines that are none.
  std::string first = TempDir::Read(line.journal);
  first = first.substr(first.find("\r\n") + 2);
  first = first.substr(0, first.find("\r\n"));
  std::string quoted;
  for (const char c : first) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  std::ofstream(LineForwarder::SetAsidePath(line.journal), std::ios::binary)
      << TempDir::Read(LineForwarder::SetAsidePath(other.journal)) << "1,planted,\"" << quoted
      << "\"\r\n"
      << "garbage\r\n1,x,y\r\n,,,\r\n";
  LineForwarder& forwarder = line.Start();
  EXPECT_EQ(forwarder.SetAside(), 0);
  ForwardAll(forwarder);
  EXPECT_EQ(line.db.table.size(), 2u) << "a planted line holds up no row";
}

TEST(LineForwarder, AtTheEndRowsWaitingAreTriedAtOnceWhateverThePause) {
  Line line;
  Program(line.journal, 3);
  line.db.available = false;
  LineForwarder& forwarder = line.Start();
  forwarder.Start();
  while (line.db.inserts == 0) std::this_thread::yield();  // the first try failed
  line.db.available = true;  // back, while the forwarder pauses after its failure
  EXPECT_TRUE(forwarder.Flush(std::chrono::seconds(20)));
  EXPECT_EQ(line.db.table.size(), 3u);
  forwarder.Stop();
}

TEST(LineForwarder, StoppingEndsAWaitOnTheServerAtOnce) {
  Line line;
  Program(line.journal, 3);
  line.db.hang = true;  // a server that never answers
  LineForwarder& forwarder = line.Start();
  forwarder.Start();
  line.db.AwaitInsert();
  forwarder.Stop();  // returns only once the thread has ended
  EXPECT_EQ(forwarder.Waiting(), 3) << "the rows stay in the journal for the next run";
}

}  // namespace
}  // namespace ctrlprog
