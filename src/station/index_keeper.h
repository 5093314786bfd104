#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "record/stored_rows_listener.h"

namespace ctrlprog {

class RecordIndex;

// Keeps the record's index up to date as rows reach the disk, on the writer's thread, then tells
// the next listener (the forwarder), if any. An index that is not there is left to be built at
// its next use (a scan, a trace, a report), so a long record never holds the writer up here; nor
// does an index another program holds: the keeper waits for it no longer than kWait, and what it
// could not read in is read at the next batch or by the next lookup, which catches up first.
class IndexKeeper : public StoredRowsListener {
 public:
  // The longest the writer waits for another program's lock on the index, per statement.
  static constexpr std::chrono::milliseconds kWait{100};

  explicit IndexKeeper(std::string recordPath, StoredRowsListener* next = nullptr);
  ~IndexKeeper() override;
  void StoredUpTo(uint64_t recordSize) override;

 private:
  std::string recordPath_;
  StoredRowsListener* next_;
  std::unique_ptr<RecordIndex> index_;
};

}  // namespace ctrlprog
