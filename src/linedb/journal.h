#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ctrlprog {

// One row of the production record as the line database takes it. Its key is its journal and
// its number there: written in the row by the program that appended it, or, for a row of a
// record written before rows named their journal, derived from the record's first row and the
// row's place in the record.
struct JournalRow {
  int64_t number = 0;  // its place in the file: 1 for the first row after the header
  std::string journal;
  int64_t journalRow = 0;
  std::string time, station, port, file, frame, result;
  std::optional<int64_t> cycleMs;
  std::string serial;  // the board's scanned serial; empty in older rows and unscanned ones
  int64_t attempt = 0;
  std::string checked;  // how the serial was checked ("line", "record"); empty in older rows
  std::string line;     // as it stands in the journal, without its CR LF
  uint64_t offset = 0;  // where that line begins in the file
};

// A row that could not be read or will not be taken: its place, why, and the row as it stands,
// so it can be set aside and looked at; never sent half-read.
// Why a row is none: an English format (%1, %2 where its values go) and its values, so a file
// keeps it in English and the console says it whole in the operator's language.
struct RowReason {
  std::string format;
  std::vector<std::string> args;
  std::string English() const;
  std::string Said() const;
  friend bool operator==(const RowReason&, const RowReason&) = default;
};

struct JournalProblem {
  int64_t number = 0;
  RowReason why;
  std::string line;
};

// What one read of the journal found, and where the next read starts.
struct JournalChunk {
  std::vector<JournalRow> rows;
  std::vector<JournalProblem> problems;
  int64_t lastNumber = 0;     // the number of the last whole row read (good or bad)
  uint64_t endOffset = 0;     // just past it
  uint64_t lastLineHash = 0;  // of that row, to find the same place again
};

// Where a read starts: the offset just past a row, and how many rows lie before it.
struct JournalPlace {
  uint64_t offset = 0;
  int64_t rows = 0;
};

// Reads whole rows (those ending in CR LF; a row ends at every CR LF, so a torn one costs no
// other) of the journal at `path` from `from`, up to `limit` bytes of the file and at most
// `maxRows` rows. The header row is passed over. Rows of the older shape are named by
// `oldJournal` (OldJournalId of the file). A file that cannot be read gives no rows.
JournalChunk ReadJournal(const std::string& path, JournalPlace from, uint64_t limit, size_t maxRows,
                         const std::string& oldJournal);

// Every whole row of the journal at `path`, in file order, each given to `row`; the rows that
// cannot be read go to `problem`, where one is given.
void ForEachJournalRow(const std::string& path, const std::function<void(const JournalRow&)>& row,
                       const std::function<void(const JournalProblem&)>& problem = {});

// The journal of the rows of the older shape in the file at `path`: 128 bits of a hash of its
// first row, which never changes once written; empty while it has none.
std::string OldJournalId(const std::string& path);

// Splits one CSV row (without its CR LF) into fields, as RFC 4180 has them; nothing when a
// quote is left open.
std::optional<std::vector<std::string>> SplitCsvRow(std::string_view line);

// A hash of one row's bytes (without its CR LF): the forwarder's check that a place in the
// journal still holds the row it confirmed there.
uint64_t LineHash(std::string_view line);
// The hash of the row that ends just before `offset` in the file at `path` (0 at the start).
std::optional<uint64_t> LineHashBefore(const std::string& path, uint64_t offset);

// Why the file at `path` cannot be read as a journal although it holds lines: its lines end in
// LF alone (converted by an editor or a copy), so no row would be found. Nothing when its rows
// end in CR LF, or it has none.
std::optional<std::string> LineEndProblem(const std::string& path);

// Counts the rows (lines ending in CR LF, the header not counted) of the file at `path` from
// `from` up to `to`: the place just past the last whole row before `to`.
JournalPlace CountRows(const std::string& path, JournalPlace from, uint64_t to);

// Checks one row's fields as the server will take them: a real calendar time, a 26-byte frame,
// a known result, cycle_ms within an integer, names of a sane length.
std::optional<RowReason> CheckRow(const JournalRow& row);

// When a station's rows of one journal came, first and last (milliseconds since 1970).
struct JournalSpan {
  std::string station, journal;
  int64_t first = 0, last = 0;
};
// For each station with rows of two or more journals written at the same time (a PC cloned from
// another's image, or two programs under one station name), how many journals overlap.
std::vector<std::pair<std::string, int>> StationsWritingAtOnce(std::vector<JournalSpan> spans);

// The longest station name a row may carry (bytes).
inline constexpr size_t kMaxStationBytes = 200;
// The longest serial a row may carry (bytes), as the line database takes it.
inline constexpr size_t kMaxSerialBytes = 64;

}  // namespace ctrlprog
