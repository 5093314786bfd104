#include "index/record_index.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>
#include <tuple>
#include <utility>

#include "files/file_system.h"
#include "index/index_fault.h"
#include "linedb/record_time.h"
#include "model/say.h"
#include "model/utf8.h"

namespace ctrlprog {
namespace {

// Changed whenever the tables change: an index of another version is rebuilt.
constexpr int kSchemaVersion = 2;
constexpr size_t kRowsPerTransaction = 20000;
constexpr uint64_t kCheckpointAfter = uint64_t{4} << 20;  // bytes of the record read

constexpr const char* kSchema = R"(
CREATE TABLE files(id INTEGER PRIMARY KEY, name TEXT UNIQUE NOT NULL, first_id TEXT NOT NULL,
  old_journal TEXT NOT NULL, offset INTEGER NOT NULL, rows INTEGER NOT NULL,
  last_hash INTEGER NOT NULL);
CREATE TABLE boards(serial TEXT PRIMARY KEY, attempts INTEGER NOT NULL, passes INTEGER NOT NULL,
  passed_ms INTEGER, station TEXT, port TEXT) WITHOUT ROWID;
CREATE INDEX boards_passed_again ON boards(serial) WHERE passes > 1;
CREATE TABLE rows(serial TEXT NOT NULL, file INTEGER NOT NULL, offset INTEGER NOT NULL,
  number INTEGER NOT NULL, ms INTEGER NOT NULL, pass INTEGER NOT NULL,
  PRIMARY KEY(serial, file, offset)) WITHOUT ROWID;
CREATE TABLE quarters(station TEXT NOT NULL, port TEXT NOT NULL, start_ms INTEGER NOT NULL,
  passes INTEGER, fails INTEGER, unconfirmed INTEGER, lost INTEGER, unnamed INTEGER,
  named INTEGER, first_pass INTEGER, PRIMARY KEY(start_ms, station, port)) WITHOUT ROWID;
CREATE TABLE spans(station TEXT NOT NULL, journal TEXT NOT NULL, start_ms INTEGER NOT NULL,
  first_ms INTEGER NOT NULL, last_ms INTEGER NOT NULL,
  PRIMARY KEY(start_ms, station, journal)) WITHOUT ROWID;
CREATE TABLE problems(file INTEGER NOT NULL, number INTEGER NOT NULL, format TEXT NOT NULL,
  args TEXT NOT NULL, PRIMARY KEY(file, number)) WITHOUT ROWID;
)";

int64_t QuarterOf(int64_t ms) {
  const int64_t q = ms / kQuarterMs;
  return (q * kQuarterMs > ms ? q - 1 : q) * kQuarterMs;
}

// A row's reason's values in one column, each as its length, ':' and its bytes (a value may
// hold any byte).
std::string JoinedArgs(const RowReason& why) {
  std::string joined;
  for (const std::string& arg : why.args) joined += std::to_string(arg.size()) + ":" + arg;
  return joined;
}
std::vector<std::string> SplitArgs(const std::string& joined) {
  std::vector<std::string> args;
  for (size_t at = 0; at < joined.size();) {
    const size_t colon = joined.find(':', at);
    if (colon == std::string::npos) break;
    const size_t size = std::strtoull(joined.c_str() + at, nullptr, 10);
    args.push_back(joined.substr(colon + 1, size));
    at = colon + 1 + size;
  }
  return args;
}

// A record file by its name alone: the index goes where the record goes.
std::string NameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// One prepared statement, finalized with its scope.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { code_ = sqlite3_prepare_v2(db, sql, -1, &s_, nullptr); }
  ~Statement() { sqlite3_finalize(s_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  Statement& Bind(int i, int64_t v) {
    if (s_) sqlite3_bind_int64(s_, i, v);
    return *this;
  }
  Statement& Bind(int i, const std::string& v) {
    if (s_) sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  // SQLITE_ROW while there is a row, then SQLITE_DONE or an error (kept in Code()).
  int Step() {
    if (!s_) return code_;
    const int r = sqlite3_step(s_);
    if (r != SQLITE_ROW && r != SQLITE_DONE) code_ = r;
    return r;
  }
  // Runs it once and makes it ready for the next values.
  int Run() {
    const int r = Step();
    if (s_) {
      sqlite3_reset(s_);
      sqlite3_clear_bindings(s_);
    }
    return r == SQLITE_ROW ? SQLITE_DONE : r;
  }
  // Ready to be run again, its values kept (a statement left mid-way holds the file's lock).
  void Reset() {
    if (s_) sqlite3_reset(s_);
  }
  int64_t Int(int i) const { return sqlite3_column_int64(s_, i); }
  std::string Text(int i) const {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s_, i));
    return t ? std::string(t, static_cast<size_t>(sqlite3_column_bytes(s_, i))) : std::string();
  }
  int Code() const { return code_; }

 private:
  sqlite3_stmt* s_ = nullptr;
  int code_ = SQLITE_OK;
};

int Exec(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

struct FileState {
  int64_t id = 0;
  std::string firstId, oldJournal;
  JournalPlace place;
  uint64_t lastHash = 0;
};

std::optional<FileState> StateOf(sqlite3* db, const std::string& name, int& code) {
  Statement q(
      db, "SELECT id, first_id, old_journal, offset, rows, last_hash FROM files WHERE name = ?");
  q.Bind(1, name);
  code = SQLITE_OK;
  if (q.Step() != SQLITE_ROW) {
    code = q.Code();
    return std::nullopt;
  }
  return FileState{q.Int(0),
                   q.Text(1),
                   q.Text(2),
                   {static_cast<uint64_t>(q.Int(3)), q.Int(4)},
                   static_cast<uint64_t>(q.Int(5))};
}

// Another file of the record the index read that begins with the same row as the file `name`
// (`firstRow`, its OldJournalId): each file of a record begins its own journal, so one that
// does not is a copy.
std::optional<std::string> CopyOf(sqlite3* db, const std::string& name, const std::string& firstRow,
                                  int& code) {
  code = SQLITE_OK;
  if (firstRow.empty()) return std::nullopt;
  // A file first seen with its header alone has its first row only as first_id.
  Statement q(db,
              "SELECT name FROM files WHERE (old_journal = ?1 OR first_id = ?1) AND name <> ?2");
  q.Bind(1, firstRow).Bind(2, name);
  if (q.Step() == SQLITE_ROW) return q.Text(0);
  code = q.Code();
  return std::nullopt;
}

uint64_t SizeOf(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : size;
}

// Why the rows of the record file `path`, to be read from `offset`, cannot be read: a file that
// cannot be opened, or whose lines end in LF alone, would otherwise look empty, and the boards
// that passed in it new.
std::optional<std::string> Unreadable(const std::string& path, uint64_t offset) {
  std::string head;
  std::optional<std::string> why;
  if (const auto error = ReadFileHead(path, 1, head)) {
    why = Describe(*error);
  } else if (offset == 0 && LineEndProblem(path)) {
    // Rows read from a place past the first were found as rows: its lines end in CR LF.
    why =
        Say("its lines end in LF alone, not in CR LF as the record writes them (was it "
            "converted?), so none of its rows can be read");
  }
  if (!why) return std::nullopt;
  return Say("the record file %1 cannot be read: %2", {EscapeName(path), *why});
}

}  // namespace

std::string IndexPathOf(const std::string& recordPath) {
  return recordPath + ".index";
}

std::variant<std::unique_ptr<RecordIndex>, std::string> RecordIndex::Open(
    const std::string& indexPath, const std::vector<std::string>& files, const Progress& progress,
    bool create, std::chrono::milliseconds busyWait) {
  // Another program opening or building it at the same moment can answer "busy" at once (SQLite
  // does not wait where waiting could deadlock): tried again until the wait has passed.
  const auto until = std::chrono::steady_clock::now() + busyWait;
  std::string why;
  for (bool damagedOnce = false;;) {
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(
        indexPath.c_str(), &db, SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0), nullptr);
    std::unique_ptr<RecordIndex> index(new RecordIndex(db));
    if (opened != SQLITE_OK)
      return Say("the index %1 cannot be opened: %2",
                 {EscapeName(indexPath), IndexError(db, opened)});
    // The open as a whole waits no longer than one statement may.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    sqlite3_busy_timeout(db, static_cast<int>(std::max<int64_t>(left.count(), 1)));
    // An open that may not make the index is the writer's, whose rows do not wait on a long read:
    // a backlog is read a piece at a time from the start.
    if (!create) index->ReadAtMost(busyWait);
    std::optional<std::string> failed = index->Prepare();
    if (!failed) failed = index->Verify(files);
    if (!failed) failed = index->CatchUp(files, progress);
    if (!failed) {
      sqlite3_busy_timeout(db, static_cast<int>(busyWait.count()));
      return index;
    }
    why = *failed;
    const IndexFault fault = FaultOf(sqlite3_errcode(db));
    index.reset();
    if (fault == IndexFault::Busy && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    if (fault != IndexFault::Damaged || std::exchange(damagedOnce, true)) break;
    // Damaged: it is only derived, so it goes, and is built again from the record.
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
      std::error_code ec;
      std::filesystem::remove(indexPath + suffix, ec);
    }
  }
  return Say("the index %1 cannot be used: %2", {EscapeName(indexPath), why});
}

RecordIndex::~RecordIndex() {
  sqlite3_close_v2(db_);
}

bool RecordIndex::Held() const {
  return FaultOf(sqlite3_errcode(db_)) == IndexFault::Busy;
}

std::optional<std::string> RecordIndex::Prepare() {
  int code = Exec(db_, "PRAGMA journal_mode=WAL");
  if (code == SQLITE_OK) code = Exec(db_, "PRAGMA synchronous=NORMAL");
  // The log of a build is cut back once its pages are in the index: a program ended in the middle
  // of its work leaves the next start no long log to read.
  if (code == SQLITE_OK) code = Exec(db_, "PRAGMA journal_size_limit=4194304");
  if (code != SQLITE_OK) return IndexError(db_, code);
  Statement version(db_, "PRAGMA user_version");
  if (version.Step() != SQLITE_ROW) return IndexError(db_, version.Code());
  if (version.Int(0) == kSchemaVersion) return std::nullopt;
  version.Reset();
  code = Exec(db_, "BEGIN IMMEDIATE");
  if (code != SQLITE_OK) return IndexError(db_, code);
  // Asked again under the lock: another program may have made it meanwhile.
  if (version.Step() != SQLITE_ROW) {
    const std::string why = IndexError(db_, version.Code());
    Exec(db_, "ROLLBACK");
    return why;
  }
  if (version.Int(0) == kSchemaVersion) {
    version.Reset();
    code = Exec(db_, "COMMIT");
    return code == SQLITE_OK ? std::nullopt : std::optional(IndexError(db_, code));
  }
  version.Reset();
  // New, or of another version: made again, empty.
  rebuilt_ = true;
  for (const char* table : {"files", "boards", "rows", "quarters", "spans", "problems"}) {
    Exec(db_, ("DROP TABLE IF EXISTS " + std::string(table)).c_str());
  }
  code = Exec(db_, kSchema);
  if (code == SQLITE_OK) {
    code = Exec(db_, ("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
  }
  if (code == SQLITE_OK) code = Exec(db_, "COMMIT");
  if (code != SQLITE_OK) {
    const std::string why = IndexError(db_, code);
    Exec(db_, "ROLLBACK");
    return why;
  }
  return std::nullopt;
}

std::optional<std::string> RecordIndex::Clear() {
  rebuilt_ = true;
  for (const char* table : {"files", "boards", "rows", "quarters", "spans", "problems"}) {
    if (const int code = Exec(db_, ("DELETE FROM " + std::string(table)).c_str());
        code != SQLITE_OK) {
      return IndexError(db_, code);
    }
  }
  return std::nullopt;
}

std::optional<std::string> RecordIndex::Verify(const std::vector<std::string>& files) {
  std::map<std::string, std::string> byName;
  for (const std::string& f : files) byName[NameOf(f)] = f;
  int code = Exec(db_, "BEGIN IMMEDIATE");
  if (code != SQLITE_OK) return IndexError(db_, code);
  bool other = false;
  {
    Statement q(db_, "SELECT name, first_id, offset, last_hash FROM files");
    while (!other && q.Step() == SQLITE_ROW) {
      const auto it = byName.find(q.Text(0));
      if (it == byName.end()) {
        other = true;  // a file this index read is not one of the record's
        break;
      }
      const auto offset = static_cast<uint64_t>(q.Int(2));
      // The same file still, with the rows the index read where it read them. Its first row is
      // read for the newest file only, the one rows are added to: a year of daily files costs
      // each start a few hundred bytes a file, not a block.
      other = SizeOf(it->second) < offset ||
              LineHashBefore(it->second, offset) != static_cast<uint64_t>(q.Int(3)) ||
              (it->second == files.back() && !q.Text(1).empty() &&
               OldJournalId(it->second) != q.Text(1));
    }
    code = q.Code();
  }
  std::optional<std::string> failed;
  if (FaultOf(code) != IndexFault::None) failed = IndexError(db_, code);
  if (!failed && other) failed = Clear();
  code = Exec(db_, failed ? "ROLLBACK" : "COMMIT");
  if (!failed && code != SQLITE_OK) failed = IndexError(db_, code);
  return failed;
}

std::optional<std::string> RecordIndex::CatchUp(const std::vector<std::string>& files,
                                                const Progress& progress) {
  files_ = files;
  behind_ = false;
  const auto now = std::chrono::steady_clock::now();
  readUntil_ = budget_ == std::chrono::milliseconds::max()
                   ? std::chrono::steady_clock::time_point::max()
                   : now + budget_;
  uint64_t total = 0;
  std::vector<uint64_t> sizes;
  for (const std::string& f : files) {
    int code = SQLITE_OK;
    const auto state = StateOf(db_, NameOf(f), code);
    if (FaultOf(code) != IndexFault::None) return IndexError(db_, code);
    sizes.push_back(SizeOf(f));
    if (state && sizes.back() < state->place.offset) {
      // Cut back under the index: what it read there may be gone, so it is checked again (and
      // read again from the start where it is not the same).
      if (auto failed = Verify(files)) return failed;
      return CatchUp(files, progress);
    }
    const uint64_t from = state ? state->place.offset : 0;
    total += sizes.back() > from ? sizes.back() - from : 0;
  }
  uint64_t done = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    int code = SQLITE_OK;
    auto state = StateOf(db_, NameOf(files[i]), code);
    if (FaultOf(code) != IndexFault::None) return IndexError(db_, code);
    if (state && state->place.offset == sizes[i]) continue;  // read to its end already
    if (!state && sizes[i] == 0) continue;                   // nothing to read yet
    if (auto why = Unreadable(files[i], state ? state->place.offset : 0)) return why;
    if (!state) {
      const std::string firstRow = OldJournalId(files[i]);
      if (auto copy = CopyOf(db_, NameOf(files[i]), firstRow, code)) {
        return Say(
            "the record file %1 begins with the same row as %2: it is a copy, not a "
            "period of its own, and its boards would be counted twice",
            {EscapeName(files[i]), EscapeName(*copy)});
      }
      if (FaultOf(code) != IndexFault::None) return IndexError(db_, code);
      // One statement, so two programs adding the same file at once add it once.
      Statement add(db_,
                    "INSERT INTO files(name, first_id, old_journal, offset, rows, last_hash) "
                    "VALUES (?, '', ?, 0, 0, 0) ON CONFLICT(name) DO NOTHING");
      add.Bind(1, NameOf(files[i])).Bind(2, firstRow);
      if ((code = add.Run()) != SQLITE_DONE) return IndexError(db_, code);
      state = StateOf(db_, NameOf(files[i]), code);
      if (!state) return IndexError(db_, code == SQLITE_OK ? SQLITE_INTERNAL : code);
    }
    const uint64_t from = state->place.offset;
    if (auto failed = Index(files[i], state->id, state->place, done, total, progress)) {
      return failed;
    }
    if (behind_) return std::nullopt;  // the rest at the next catch-up
    done += sizes[i] > from ? sizes[i] - from : 0;
  }
  if (progress) progress(total, total);
  // After a build, its log goes at once, not when the last connection closes (if it does).
  if (total > kCheckpointAfter) Exec(db_, "PRAGMA wal_checkpoint(TRUNCATE)");
  return std::nullopt;
}

namespace {

// The rows of one chunk into the index's tables: boards, their rows, the quarter sums, when
// each journal wrote, and the rows that could not be read. SQLITE_DONE, or the code that failed.
int StoreChunk(sqlite3* db, const JournalChunk& chunk, int64_t fileId) {
  int code = SQLITE_DONE;
  Statement board(db,
                  "INSERT INTO boards(serial, attempts, passes, passed_ms, station, port) "
                  "VALUES (?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(serial) DO UPDATE SET "
                  "attempts = max(attempts, excluded.attempts), "
                  "passes = passes + excluded.passes, "
                  "passed_ms = iif(excluded.passes > 0, excluded.passed_ms, passed_ms), "
                  "station = iif(excluded.passes > 0, excluded.station, station), "
                  "port = iif(excluded.passes > 0, excluded.port, port)");
  Statement row(db,
                "INSERT OR REPLACE INTO rows(serial, file, offset, number, ms, pass) "
                "VALUES (?, ?, ?, ?, ?, ?)");
  std::map<std::tuple<std::string, std::string, int64_t>, ResultCounts> quarters;
  std::map<std::tuple<std::string, std::string, int64_t>, std::pair<int64_t, int64_t>> spans;
  for (const JournalRow& r : chunk.rows) {
    const int64_t ms = EpochMs(r.time).value_or(0);
    const bool pass = r.result == "PASS";
    const bool result = pass || r.result == "FAIL" || r.result == "UNCONFIRMED";
    if (!r.serial.empty() && r.attempt >= 1 && result) {
      board.Bind(1, r.serial).Bind(2, r.attempt).Bind(3, pass ? 1 : 0);
      if (pass) board.Bind(4, ms).Bind(5, r.station).Bind(6, r.port);
      if ((code = board.Run()) != SQLITE_DONE) return code;
    }
    if (!r.serial.empty()) {
      row.Bind(1, r.serial).Bind(2, fileId).Bind(3, static_cast<int64_t>(r.offset));
      row.Bind(4, r.number).Bind(5, ms).Bind(6, pass ? 1 : 0);
      if ((code = row.Run()) != SQLITE_DONE) return code;
    }
    if (const auto at = EpochMs(r.time)) {
      const int64_t quarter = QuarterOf(*at);
      if (const ResultCounts counts = CountsOf(r); counts != ResultCounts{}) {
        quarters[{r.station, r.port, quarter}] += counts;
      }
      auto [span, fresh] = spans.try_emplace({r.station, r.journal, quarter}, *at, *at);
      span->second.first = std::min(span->second.first, *at);
      span->second.second = std::max(span->second.second, *at);
    }
  }
  Statement quarter(db,
                    "INSERT INTO quarters VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10) "
                    "ON CONFLICT DO UPDATE SET passes = passes + ?4, fails = fails + ?5, "
                    "unconfirmed = unconfirmed + ?6, lost = lost + ?7, unnamed = unnamed + ?8, "
                    "named = named + ?9, first_pass = first_pass + ?10");
  for (const auto& [key, c] : quarters) {
    quarter.Bind(1, std::get<0>(key)).Bind(2, std::get<1>(key)).Bind(3, std::get<2>(key));
    quarter.Bind(4, c.passes).Bind(5, c.fails).Bind(6, c.unconfirmed).Bind(7, c.lost);
    quarter.Bind(8, c.unnamed).Bind(9, c.named).Bind(10, c.firstPass);
    if ((code = quarter.Run()) != SQLITE_DONE) return code;
  }
  Statement span(db,
                 "INSERT INTO spans VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT DO UPDATE SET "
                 "first_ms = min(first_ms, ?4), last_ms = max(last_ms, ?5)");
  for (const auto& [key, times] : spans) {
    span.Bind(1, std::get<0>(key)).Bind(2, std::get<1>(key)).Bind(3, std::get<2>(key));
    span.Bind(4, times.first).Bind(5, times.second);
    if ((code = span.Run()) != SQLITE_DONE) return code;
  }
  Statement problem(db, "INSERT OR REPLACE INTO problems VALUES (?, ?, ?, ?)");
  for (const JournalProblem& p : chunk.problems) {
    problem.Bind(1, fileId).Bind(2, p.number).Bind(3, p.why.format).Bind(4, JoinedArgs(p.why));
    if ((code = problem.Run()) != SQLITE_DONE) return code;
  }
  return SQLITE_DONE;
}

}  // namespace

std::optional<std::string> RecordIndex::Index(const std::string& file, int64_t fileId,
                                              JournalPlace from, uint64_t doneBefore,
                                              uint64_t total, const Progress& progress) {
  const uint64_t start = from.offset;
  for (;;) {
    int code = Exec(db_, "BEGIN IMMEDIATE");
    if (code != SQLITE_OK) return IndexError(db_, code);
    const auto fail = [this](int failed) {
      std::string why = IndexError(db_, failed);
      Exec(db_, "ROLLBACK");
      return why;
    };
    // Read again under the lock: another program may have read further meanwhile.
    {
      Statement q(db_, "SELECT offset, rows, old_journal FROM files WHERE id = ?");
      q.Bind(1, fileId);
      if (q.Step() != SQLITE_ROW) return fail(q.Code() == SQLITE_OK ? SQLITE_INTERNAL : q.Code());
      from = {static_cast<uint64_t>(q.Int(0)), q.Int(1)};
      const std::string oldJournal = q.Text(2);
      const JournalChunk chunk =
          ReadJournal(file, from, UINT64_MAX, kRowsPerTransaction, oldJournal);
      if (chunk.endOffset == from.offset) {
        Exec(db_, "ROLLBACK");
        return std::nullopt;
      }
      if ((code = StoreChunk(db_, chunk, fileId)) != SQLITE_DONE) return fail(code);
      Statement checkpoint(db_,
                           "UPDATE files SET offset = ?, rows = ?, last_hash = ?, "
                           "first_id = iif(first_id = '', ?, first_id) WHERE id = ?");
      checkpoint.Bind(1, static_cast<int64_t>(chunk.endOffset)).Bind(2, chunk.lastNumber);
      checkpoint.Bind(3, static_cast<int64_t>(chunk.lastLineHash));
      checkpoint.Bind(4, OldJournalId(file)).Bind(5, fileId);
      if ((code = checkpoint.Run()) != SQLITE_DONE) return fail(code);
      if ((code = Exec(db_, "COMMIT")) != SQLITE_OK) return fail(code);
      if (progress) progress(doneBefore + (chunk.endOffset - start), total);
      if (std::chrono::steady_clock::now() >= readUntil_) {
        behind_ = true;
        return std::nullopt;
      }
    }
  }
}

std::variant<std::optional<UnitBook::Past>, std::string> RecordIndex::Look(
    const std::string& serial) {
  // Rows another program (or this one's writer) stored since are read first: an index behind
  // its record would take a board that passed there for new. With nothing stored since, this
  // costs a look at each file's size.
  if (auto behind = CatchUp(listFiles_ ? listFiles_() : files_)) {
    return Say("the index cannot be brought up to date with the record: %1", {*behind});
  }
  if (behind_) {
    // Many rows added at once (by another program): read a piece at each lookup, on the
    // operator's thread, never for long; the board is refused until the index has them all.
    return Say(
        "the index is still reading the rows added to the record: scan the board again in a "
        "moment");
  }
  Statement q(db_,
              "SELECT attempts, passes, passed_ms, station, port FROM boards WHERE serial = ?");
  q.Bind(1, serial);
  if (q.Step() != SQLITE_ROW) {
    if (FaultOf(q.Code()) != IndexFault::None) return IndexError(db_, q.Code());
    return std::optional<UnitBook::Past>();
  }
  UnitBook::Past past;
  past.attempts = static_cast<int>(q.Int(0));
  past.passed = q.Int(1) > 0;
  if (past.passed) {
    past.passedMs = q.Int(2);
    past.station = q.Text(3);
    past.port = q.Text(4);
  }
  return std::optional(past);
}

std::variant<std::vector<TraceRow>, std::string> RecordIndex::Trace(const std::string& serial) {
  std::vector<TraceRow> rows;
  Statement q(db_,
              "SELECT f.name, f.old_journal, r.offset, r.number FROM rows r JOIN files f "
              "ON f.id = r.file WHERE r.serial = ? ORDER BY f.id, r.offset");
  q.Bind(1, serial);
  while (q.Step() == SQLITE_ROW) {
    const auto path = std::find_if(files_.begin(), files_.end(),
                                   [&](const std::string& f) { return NameOf(f) == q.Text(0); });
    if (path == files_.end())
      return Say("the record file %1 is not at hand", {EscapeName(q.Text(0))});
    // Just that row, where the index found it.
    const JournalChunk chunk = ReadJournal(*path, {static_cast<uint64_t>(q.Int(2)), q.Int(3) - 1},
                                           UINT64_MAX, 1, q.Text(1));
    if (chunk.rows.size() != 1 || chunk.rows[0].serial != serial) {
      return Say("the record %1 changed under its index", {EscapeName(*path)});
    }
    const JournalRow& r = chunk.rows[0];
    const auto at = EpochMs(r.time);
    if (!at) continue;  // as a read of the whole record passes it over
    rows.push_back(
        {*at, r.station, r.port, r.file, r.frame, r.result, r.attempt, r.journal, r.journalRow});
  }
  if (FaultOf(q.Code()) != IndexFault::None) return IndexError(db_, q.Code());
  SortTrace(rows);
  return rows;
}

std::optional<std::string> RecordIndex::Count(std::optional<int64_t> since,
                                              std::optional<int64_t> until, LineTally& tally,
                                              std::vector<JournalSpan>& spans) {
  const int64_t from = since.value_or(INT64_MIN), to = until.value_or(INT64_MAX);
  Statement q(db_,
              "SELECT station, port, start_ms, passes, fails, unconfirmed, lost, unnamed, named, "
              "first_pass FROM quarters WHERE start_ms >= ? AND start_ms < ?");
  q.Bind(1, from).Bind(2, to);
  while (q.Step() == SQLITE_ROW) {
    QuarterCounts c{q.Text(0), q.Text(1), q.Int(2), {}};
    c.counts = {q.Int(3), q.Int(4), q.Int(5), q.Int(6), q.Int(7), q.Int(8), q.Int(9)};
    tally.Add(c);
  }
  if (FaultOf(q.Code()) != IndexFault::None) return IndexError(db_, q.Code());
  Statement s(db_,
              "SELECT station, journal, min(first_ms), max(last_ms) FROM spans "
              "WHERE start_ms >= ? AND start_ms < ? GROUP BY station, journal");
  s.Bind(1, from).Bind(2, to);
  while (s.Step() == SQLITE_ROW) spans.push_back({s.Text(0), s.Text(1), s.Int(2), s.Int(3)});
  if (FaultOf(s.Code()) != IndexFault::None) return IndexError(db_, s.Code());
  // Boards with two PASS rows or more in the record, then those with two in the period.
  Statement again(
      db_,
      "SELECT count(*) FROM boards b WHERE b.passes > 1 AND (SELECT count(*) FROM "
      "rows r WHERE r.serial = b.serial AND r.pass = 1 AND r.ms >= ? AND r.ms < ?) > 1");
  again.Bind(1, from).Bind(2, to);
  if (again.Step() != SQLITE_ROW) return IndexError(db_, again.Code());
  tally.AddPassedMoreThanOnce(again.Int(0));
  return std::nullopt;
}

std::variant<std::vector<std::pair<std::string, JournalProblem>>, std::string>
RecordIndex::Problems() {
  std::vector<std::pair<std::string, JournalProblem>> found;
  Statement q(db_,
              "SELECT f.name, p.number, p.format, p.args FROM problems p JOIN files f ON f.id = "
              "p.file ORDER BY f.id, p.number");
  while (q.Step() == SQLITE_ROW) {
    found.push_back({q.Text(0), {q.Int(1), {q.Text(2), SplitArgs(q.Text(3))}, {}}});
  }
  if (FaultOf(q.Code()) != IndexFault::None) return IndexError(db_, q.Code());
  return found;
}

}  // namespace ctrlprog
