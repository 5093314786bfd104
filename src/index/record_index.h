#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "linedb/journal.h"
#include "report/line_tally.h"
#include "report/unit_trace.h"
#include "scan/unit_gate.h"

struct sqlite3;

namespace ctrlprog {

// What the station derives from its record, kept in a file beside it (RECORD.index) so that
// neither its start nor its memory grows with the record: each board's attempts and pass, the
// quarter-hour sums of the report, the place of each board's rows, and the rows that could not
// be read. The record stays the journal of truth: the index is rebuilt from it whenever it is
// missing, damaged, of another schema or of another record, and brought up to date from the
// rows past its checkpoint at every open and after every batch the writer stores.
class RecordIndex : public BoardHistory {
 public:
  // How far a build has read: bytes of the record files, of all of them.
  using Progress = std::function<void(uint64_t done, uint64_t total)>;
  // A read shorter than this (bytes; about a second) is not worth a progress line or bar.
  static constexpr uint64_t kWorthShowing = uint64_t{16} << 20;

  // How long a statement waits for another program's lock before it gives up.
  static constexpr std::chrono::milliseconds kBusyWait{5000};

  // Opens the index at `indexPath` over the record files `files` (oldest first) and brings it up
  // to date, telling `progress` while it reads; why not, when it cannot (or, unless `create`,
  // when there is none). Each wait for another program's lock, and the open as a whole while
  // another program opens or builds it at the same moment, is bounded by `busyWait`; without
  // `create`, so is each catch-up's reading (ReadAtMost).
  [[nodiscard]] static std::variant<std::unique_ptr<RecordIndex>, std::string> Open(
      const std::string& indexPath, const std::vector<std::string>& files,
      const Progress& progress = {}, bool create = true,
      std::chrono::milliseconds busyWait = kBusyWait);
  ~RecordIndex() override;
  RecordIndex(const RecordIndex&) = delete;
  RecordIndex& operator=(const RecordIndex&) = delete;

  // Reads the rows stored since the last call into the index (a file the list does not hold
  // yet is taken as the newest); why not, when it cannot: a record file that cannot be read, or
  // the index held by another program past the wait.
  std::optional<std::string> CatchUp(const std::vector<std::string>& files, const Progress& = {});
  // How long one catch-up may read before it stops where it got to (its thread has other work:
  // the writer's rows, the operator's next scan); unbounded where none is set. Behind() says
  // whether the last one stopped short.
  void ReadAtMost(std::chrono::milliseconds budget) { budget_ = budget; }
  bool Behind() const { return behind_; }
  // Where each lookup finds the record's files (a new period's file is begun as the record
  // rotates); the files last given where none is set.
  void ListFilesWith(std::function<std::vector<std::string>()> list) {
    listFiles_ = std::move(list);
  }
  // Whether the last thing that failed did for another program's lock on the index.
  bool Held() const;
  // Whether the last open had to read the record from its start (the index was missing, damaged,
  // of another schema or of another record).
  bool Rebuilt() const { return rebuilt_; }

  // What the record says of `serial`, once the rows stored since are read: an index behind its
  // record that cannot catch up (the record unreadable, the index held) cannot answer.
  std::variant<std::optional<UnitBook::Past>, std::string> Look(const std::string& serial) override;

  // Every row naming `serial`, in time order, as TraceOfRecord gives them.
  std::variant<std::vector<TraceRow>, std::string> Trace(const std::string& serial);
  // The sums of the quarters from `since` up to `until` (multiples of kQuarterMs), with the
  // boards that passed more than once then, and when each journal wrote.
  std::optional<std::string> Count(std::optional<int64_t> since, std::optional<int64_t> until,
                                   LineTally& tally, std::vector<JournalSpan>& spans);
  // The rows of the record that could not be read: the file they are in, and where and why.
  std::variant<std::vector<std::pair<std::string, JournalProblem>>, std::string> Problems();

 private:
  explicit RecordIndex(sqlite3* db) : db_(db) {}
  std::optional<std::string> Prepare();
  std::optional<std::string> Verify(const std::vector<std::string>& files);
  std::optional<std::string> Clear();
  std::optional<std::string> Index(const std::string& file, int64_t fileId, JournalPlace from,
                                   uint64_t doneBefore, uint64_t total, const Progress& progress);

  sqlite3* db_;
  std::vector<std::string> files_;  // the record's files, as last given
  std::function<std::vector<std::string>()> listFiles_;
  bool rebuilt_ = false;
  std::chrono::milliseconds budget_ = std::chrono::milliseconds::max();
  std::chrono::steady_clock::time_point readUntil_ = std::chrono::steady_clock::time_point::max();
  bool behind_ = false;
};

// The index of the record at `recordPath`: RECORD.index beside it.
std::string IndexPathOf(const std::string& recordPath);

}  // namespace ctrlprog
