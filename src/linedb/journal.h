#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ctrlprog {

// One row of the production record as the line database takes it, with its number in the
// journal (1 for the first row after the header).
struct JournalRow {
  int64_t number = 0;
  std::string time, station, port, file, frame, result;
  std::optional<int64_t> cycleMs;
};

// A row that could not be read: reported with its number and skipped, never sent half-read.
struct JournalProblem {
  int64_t number = 0;
  std::string reason;
};

// What one read of the journal found, and where the next read starts.
struct JournalChunk {
  std::vector<JournalRow> rows;
  std::vector<JournalProblem> problems;
  int64_t lastNumber = 0;  // the number of the last whole row read (good or bad)
  uint64_t endOffset = 0;  // just past it
};

// Reads whole rows (those ending in CR LF) of the journal at `path`, from `offset`, whose row
// before it had the number `lastNumber`, up to `limit` bytes of the file and at most `maxRows`
// rows. The header row is passed over. A file that cannot be read gives no rows.
JournalChunk ReadJournal(const std::string& path, uint64_t offset, int64_t lastNumber,
                         uint64_t limit, size_t maxRows);

// Checks one row's fields: the time, a 26-byte frame, a known result, a number for cycle_ms.
std::optional<std::string> CheckRow(const JournalRow& row);

// Milliseconds since 1970 of a time as the record writes it, or as an operator types it for a
// report: 2026-12-07T21:30:05.123+08:00, 2026-12-07T13:30Z, 2026-12-07T13:30:05 (UTC when no
// offset is given).
std::optional<int64_t> EpochMs(const std::string& time);

// The UTC hour of a record time ("2026-12-07T21:30:05.123+08:00" → "2026-12-07T13:00Z"), or
// empty for a time that does not parse.
std::string UtcHour(const std::string& recordTime);

}  // namespace ctrlprog
