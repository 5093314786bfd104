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
    auto opened = RecordIndex::Open(IndexPathOf(recordPath_), files, {}, false);
    if (auto* index = std::get_if<std::unique_ptr<RecordIndex>>(&opened)) {
      index_ = std::move(*index);
    }
  } else if (index_->CatchUp(files)) {
    // The record is the journal of truth: the next open reads what this one could not.
    index_.reset();
  }
  if (next_) next_->StoredUpTo(recordSize);
}

}  // namespace ctrlprog
