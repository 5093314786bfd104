#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "linedb/line_db.h"
#include "record/record_sink.h"

namespace ctrlprog {

// Feeds the line database from the local journal, on a thread of its own. The journal is the
// record of truth: the forwarder reads its whole rows past the last one the server confirmed,
// inserts them in batches, one transaction each, keyed on (station, row number), and after each
// commit puts the confirmed position in a small state file beside the journal (replaced in one
// step). A crash after a commit and before the state file sends rows again, which the key keeps
// single; a crash before the commit loses nothing. A server that cannot be reached is tried again
// with a growing pause, 1 s up to 30 s; programming goes on meanwhile.
//
// As a sink it never holds a frame and never fails: Submit only says a row is on its way.
class LineForwarder : public RecordSink {
 public:
  struct Options {
    std::string journal;  // the CSV record
    std::string uri;      // the line database
    size_t batch = 500;   // rows a transaction
  };
  // Called from the forwarder's thread with what it wants the operator to know.
  using Report = std::function<void(const std::string&)>;

  LineForwarder(Options options, Report report);
  ~LineForwarder() override;
  LineForwarder(const LineForwarder&) = delete;
  LineForwarder& operator=(const LineForwarder&) = delete;

  void Submit(RecordRow row) override;
  SinkState State() const override { return SinkState::Ready; }
  std::string Failure() const override { return {}; }

  // Rows of the journal up to where it is safely stored: forwarded only once synced.
  void StoredUpTo(uint64_t journalSize);
  // Rows in the journal not yet confirmed by the server.
  int64_t Waiting() const { return waiting_; }
  // Waits until every row is forwarded, for at most `ms`; whether it got there.
  bool Flush(int ms);
  // The state file beside `journal`.
  static std::string StatePath(const std::string& journal);

 private:
  void Run();
  // One pass: read, insert, confirm. Whether anything went to the server.
  bool Pass();
  void LoadState();
  void SaveState();

  Options options_;
  Report report_;
  LineDb db_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  bool stopping_ = false;
  bool kicked_ = false;
  // Bytes of the journal on the disk, as the writer said; without a writer, all of it.
  std::optional<uint64_t> storedUpTo_;
  int64_t confirmedRow_ = 0;
  uint64_t confirmedOffset_ = 0;
  std::atomic<int64_t> waiting_{0};
  bool reachable_ = true;
  std::thread thread_;
};

}  // namespace ctrlprog
