#include "station/index_keeper.h"

#include <filesystem>

#include "files/record_periods.h"
#include "index/record_index.h"

namespace ctrlprog {

IndexKeeper::IndexKeeper(std::string recordPath, StoredRowsListener* next)
    : recordPath_(std::move(recordPath)), next_(next) {}

IndexKeeper::~IndexKeeper() = default;

void IndexKeeper::StoredUpTo(uint64_t recordSize) {
  const std::vector<std::string> files = RecordFiles(recordPath_);
  if (!index_) {
    // Opened here, on the writer's thread: a connection is used on one thread only.
    auto opened = RecordIndex::Open(IndexPathOf(recordPath_), files, {}, false, kWait);
    if (auto* index = std::get_if<std::unique_ptr<RecordIndex>>(&opened)) {
      // Its reading is bounded too: the writer's rows do not wait on a backlog, read a piece with
      // each batch, the rest at the next lookup.
      index_ = std::move(*index);
    }
  } else {
    // The record is the journal of truth: a batch not read in now is read from the checkpoint
    // on at the next one, or by the next lookup. A connection held up by another program's lock
    // is kept; one that failed otherwise is opened afresh.
    if (index_->CatchUp(files) && !index_->Held()) index_.reset();
  }
  if (next_) next_->StoredUpTo(recordSize);
}

}  // namespace ctrlprog
