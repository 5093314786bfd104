#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "linedb/journal.h"

namespace ctrlprog {

// One row of one board's history, wherever it was read from.
struct TraceRow {
  int64_t ms = 0;  // when (UTC milliseconds)
  std::string station, port, file, frame, result;
  int64_t attempt = 0;
  std::string journal;  // with its row, the order of rows of the same millisecond
  int64_t journalRow = 0;
};

// Every row of the record at `path` that names the board `serial`, in time order; a row that
// cannot be read is told to `skipped`.
std::vector<TraceRow> TraceOfRecord(const std::string& path, const std::string& serial,
                                    const std::function<void(const JournalProblem&)>& skipped = {});

// In time order, rows of one instant in their journal's order.
void SortTrace(std::vector<TraceRow>& rows);

}  // namespace ctrlprog
