#include "record/record_writer.h"

#include <filesystem>
#include <vector>

#include "model/say.h"
#include "model/utf8.h"

namespace ctrlprog {

RecordWriter::RecordWriter(std::unique_ptr<ProductionRecord> record)
    : record_(std::move(record)), thread_([this] { Run(); }) {}

RecordWriter::~RecordWriter() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void RecordWriter::Submit(RecordRow row) {
  {
    const std::lock_guard lock(mutex_);
    if (!failure_.empty()) {
      ++dropped_;
      return;
    }
    queue_.push_back(std::move(row));
  }
  wake_.notify_one();
}

SinkState RecordWriter::State() const {
  const std::lock_guard lock(mutex_);
  if (!failure_.empty()) return SinkState::Failed;
  return queue_.empty() && inFlight_ == 0 ? SinkState::Ready : SinkState::Busy;
}

std::string RecordWriter::Failure() const {
  const std::lock_guard lock(mutex_);
  if (failure_.empty() || dropped_ == 0) return failure_;
  return failure_ + " " + std::to_string(dropped_) + " later event(s) were not recorded either.";
}

void RecordWriter::Rotate(std::string recordPath, RecordRotation rotation) {
  const std::lock_guard lock(mutex_);
  rotatedPath_ = std::move(recordPath);
  rotation_ = rotation;
}

void RecordWriter::OnStored(StoredRowsListener* listener) {
  const std::lock_guard lock(listenerMutex_);
  onStored_ = listener;
}

long RecordWriter::RowsWritten() const {
  const std::lock_guard lock(mutex_);
  return written_;
}

std::optional<std::string> RecordWriter::Drain(std::chrono::milliseconds bound) {
  std::unique_lock lock(mutex_);
  const auto settled = [this] { return (queue_.empty() && inFlight_ == 0) || !failure_.empty(); };
  if (!settled_.wait_for(lock, bound, settled)) {
    // Another program's lock is not waited out: the rows it holds up fail, and are said.
    record_->GiveUpWaiting();
    if (!settled_.wait_for(lock, bound, settled)) {
      return Say(
          "The production record %1 did not take its last %2 events in time; they were "
          "not recorded.",
          {EscapeNonUtf8(record_->Path()), std::to_string(queue_.size() + inFlight_)});
    }
  }
  if (failure_.empty()) {
    // Stored; the listeners (the index, the forwarder) get a while to hear of the last rows, so
    // the forwarder sends them before the run ends. Rows they did not hear of are still in the
    // record, read at the next start: nothing to say.
    settled_.wait_for(lock, bound, [this] { return !telling_ || !queue_.empty(); });
    return std::nullopt;
  }
  lock.unlock();
  return Failure();
}

std::string RecordWriter::NextPeriod(const std::string& path, const RecordRow& row) {
  if (path == record_->Path()) return {};
  // What the last period's file holds is on the disk before rows go to the next.
  if (const auto error = record_->Sync()) {
    return RecordFailureMessage(record_->Path(), *error, row.result, row.port);
  }
  auto opened = ProductionRecord::Open(path);
  if (const auto* error = std::get_if<FileError>(&opened)) {
    return RecordFailureMessage(path, *error, row.result, row.port);
  }
  const std::lock_guard lock(mutex_);
  record_ = std::move(std::get<std::unique_ptr<ProductionRecord>>(opened));
  return {};
}

void RecordWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return !queue_.empty() || stopping_; });
    if (queue_.empty() && stopping_) return;
    std::vector<RecordRow> batch(std::make_move_iterator(queue_.begin()),
                                 std::make_move_iterator(queue_.end()));
    queue_.clear();
    inFlight_ = batch.size();
    const RecordRotation rotation = rotation_;
    const std::string rotatedPath = rotatedPath_;
    lock.unlock();

    // Each row whole, then one flush to the disk for the batch.
    std::string failure;
    size_t stored = 0;
    for (; stored < batch.size(); ++stored) {
      if (rotation != RecordRotation::None) {
        failure = NextPeriod(PeriodFile(rotatedPath, rotation, batch[stored].time), batch[stored]);
        if (!failure.empty()) break;
      }
      if (const auto error = record_->Append(batch[stored])) {
        failure =
            RecordFailureMessage(record_->Path(), *error, batch[stored].result, batch[stored].port);
        break;
      }
    }
    if (failure.empty()) {
      if (const auto error = record_->Sync()) {
        failure =
            RecordFailureMessage(record_->Path(), *error, batch.back().result, batch.back().port);
        stored = 0;  // written but perhaps not on the disk
      }
    }

    // The batch is on the disk (or failed) before anyone is told: a listener that is slow
    // (an index another program holds) never makes stored rows look unwritten to Drain.
    lock.lock();
    inFlight_ = 0;
    written_ += static_cast<long>(stored);
    if (!failure.empty()) {
      // The failed row is in the message; those after it in the batch, and any queued since,
      // are lost with it.
      failure_ = failure;
      dropped_ += static_cast<long>(batch.size() - std::min(batch.size(), stored + 1)) +
                  static_cast<long>(queue_.size());
      queue_.clear();
    }
    settled_.notify_all();
    if (!failure_.empty()) {
      // Failed for good: nothing more is written; wait only to be stopped.
      wake_.wait(lock, [this] { return stopping_; });
      return;
    }
    const std::string path = record_->Path();
    telling_ = true;
    lock.unlock();
    {
      // Under its own lock, so a listener taken off is never called after.
      const std::lock_guard listening(listenerMutex_);
      std::error_code ec;
      const auto size = std::filesystem::file_size(path, ec);
      if (onStored_ && !ec) onStored_->StoredUpTo(size);
    }
    lock.lock();
    telling_ = false;
    settled_.notify_all();
  }
}

}  // namespace ctrlprog
