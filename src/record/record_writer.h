#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "files/production_record.h"
#include "files/record_periods.h"
#include "record/record_sink.h"
#include "record/stored_rows_listener.h"

namespace ctrlprog {

// How long the end of a run waits for the record to take its last rows before it stops
// waiting for a lock another program holds.
inline constexpr std::chrono::milliseconds kRecordDrainWait{1000};

// The production record, written on a thread of its own: rows handed over on the event loop are
// queued, then appended whole and flushed to the disk in batches, so a slow disk costs no tick.
// The first row that cannot be written fails the writer for good; rows after it are dropped and
// counted, and the failure names the record, the reason and what was lost.
class RecordWriter : public RecordSink {
 public:
  explicit RecordWriter(std::unique_ptr<ProductionRecord> record);
  // Stores what is queued, then stops the thread.
  ~RecordWriter() override;
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;

  void Submit(RecordRow row) override;
  SinkState State() const override;
  std::string Failure() const override;

  // Waits until every row handed over so far is stored or the writer failed; returns the
  // failure, if any. After `bound` the writer stops waiting for the file's lock (the rows it
  // holds then fail), and after `bound` once more the rows still unwritten are said lost. Rows
  // stored are never said lost: the listener gets up to `bound` more to hear of them, unsaid.
  std::optional<std::string> Drain(std::chrono::milliseconds bound = kRecordDrainWait);
  const std::string& Path() const { return record_->Path(); }
  // From now on each row goes to the file of its period beside `recordPath` (PeriodFile), a new
  // one begun as a period begins.
  void Rotate(std::string recordPath, RecordRotation rotation);
  // Rows stored since start-up.
  long RowsWritten() const;
  // Told on the writer's thread after each batch is on the disk, with the file's size then;
  // nullptr for nobody. It must outlive the writer or be taken off first.
  void OnStored(StoredRowsListener* listener);

 private:
  void Run();
  // Goes on in the file `path` where that is not the one written now; why not, or nothing.
  std::string NextPeriod(const std::string& path, const RecordRow& row);

  // The file written now, changed on the writer's thread under `mutex_` as a period begins.
  std::unique_ptr<ProductionRecord> record_;
  std::string rotatedPath_;
  RecordRotation rotation_ = RecordRotation::None;
  mutable std::mutex mutex_;
  std::condition_variable wake_;     // rows queued, or stop
  std::condition_variable settled_;  // the queue emptied, or the writer failed
  std::deque<RecordRow> queue_;
  size_t inFlight_ = 0;   // rows taken off the queue and not yet stored
  bool telling_ = false;  // the listener hears of a stored batch
  long written_ = 0;
  long dropped_ = 0;
  std::string failure_;
  bool stopping_ = false;
  std::mutex listenerMutex_;  // held while the listener is called or changed
  StoredRowsListener* onStored_ = nullptr;
  std::thread thread_;
};

}  // namespace ctrlprog
