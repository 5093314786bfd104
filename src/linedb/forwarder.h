#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>

#include "linedb/journal.h"
#include "linedb/line_db.h"
#include "record/stored_rows_listener.h"

namespace ctrlprog {

// Feeds the line database from the local journal. The journal is the record of truth: the
// forwarder reads its whole rows past the last one the server confirmed and inserts them in
// batches, one transaction each, keyed on each row's journal and number there, so a row sent
// twice is stored once. After each commit the confirmed place goes to a state file beside the
// journal (replaced in one step), with a hash of the row before it, so a journal truncated,
// emptied or replaced since is read again from its start instead of trusted. A row that cannot
// be read or that the server refuses is set aside in a file beside the journal with its number
// and the reason, and every other row goes on. A server that cannot be reached is tried again
// with a growing pause, 1 s up to 30 s; programming goes on meanwhile.
class LineForwarder : public StoredRowsListener {
 public:
  struct Options {
    std::string journal;   // the CSV record
    std::string database;  // which database (PgLineDb::Identity): another starts afresh
    size_t batch = 500;    // rows a transaction
  };
  // What the forwarder wants the operator to know; called from the thread that forwards.
  using Report = std::function<void(const std::string&)>;
  enum class Pass { Sent, Idle, Unavailable };

  // Reads the state file; forwards nothing yet.
  LineForwarder(Options options, LineDb& db, Report report);
  ~LineForwarder() override;
  LineForwarder(const LineForwarder&) = delete;
  LineForwarder& operator=(const LineForwarder&) = delete;

  // One read, insert and confirm, on the caller's thread.
  Pass RunPass();
  // Passes on a thread of its own from now on; the first thing it does is to connect, and
  // what that found is Verdict().
  void Start();
  // Ends the thread within a fraction of a second, whatever the server does; rows not confirmed
  // stay in the journal for the next run.
  void Stop();
  // The first connection's outcome once the thread has it.
  std::optional<LineDbResult> Verdict() const;

  void StoredUpTo(uint64_t journalSize) override;
  // Rows in the journal (on the disk) the server has not confirmed and that are not set aside.
  int64_t Waiting() const { return waiting_; }
  // Rows set aside: in the set-aside file, and since start-up.
  int64_t SetAside() const { return setAside_; }
  // Waits until no row is waiting, for at most `within` and only while the server is reachable;
  // whether it got there.
  bool Flush(std::chrono::milliseconds within);

  // The state file and the set-aside file beside `journal`.
  static std::string StatePath(const std::string& journal);
  static std::string SetAsidePath(const std::string& journal);

 private:
  void Run();
  void LoadState();
  void SaveState();
  void LoadSetAside();
  // Why a row is set aside: in English for the set-aside file, and said to the operator.
  struct Why {
    std::string english, said;
  };
  void PutAside(int64_t number, const Why& why, const std::string& line);
  // Starts again from the journal's first row (its keys keep what was sent once), saying why:
  // the journal is `shorter` than what was forwarded, or no longer holds those rows.
  void Restart(bool shorter);
  void Count(uint64_t upTo);

  Options options_;
  LineDb& db_;
  Report report_;
  std::string oldJournal_;  // the id of rows of the older shape
  JournalPlace confirmed_;  // the rows the server confirmed (or set aside)
  uint64_t confirmedHash_ = 0;
  std::atomic<bool> reachable_{true};
  std::unordered_set<uint64_t> asideLines_;  // hashes of the rows already set aside

  mutable std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::optional<uint64_t> storedUpTo_;  // bytes on the disk, as the writer said
  JournalPlace counted_;                // how far rows are counted
  uint64_t countedTo_ = 0;              // how far bytes were looked at for them
  std::optional<uint64_t> idleAt_;      // the journal's end when a pass last found no row
  std::atomic<int64_t> waiting_{0};
  std::atomic<int64_t> setAside_{0};
  std::optional<LineDbResult> verdict_;
  bool stopping_ = false;
  bool kicked_ = false;
  bool tryNow_ = false;       // at exit: try the server now, not after the pause
  uint64_t passesBegun_ = 0;  // passes begun, and the number of the last one done
  uint64_t passDone_ = 0;
  std::thread thread_;
};

}  // namespace ctrlprog
