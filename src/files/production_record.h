#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "files/file_error.h"

namespace ctrlprog {

class AppendOnlyFile;

// One row of the production record: which board event happened when, where, with which set.
struct RecordRow {
  std::chrono::system_clock::time_point time;
  std::string station;  // the host name
  std::string port;     // the device opened
  std::string file;     // the parameter file the lists hold, or empty
  std::string frame;    // the 26 bytes sent, hexadecimal, space-separated
  std::string result;   // PASS, FAIL, UNCONFIRMED, LOST or RESTORED
  std::optional<long> cycleMs;
  std::string serial;   // the board's scanned serial, or empty
  int attempt = 0;      // the attempt on that board, 0 where boards are not scanned
  std::string checked;  // how the serial was checked: "line", "record", or empty
};

// Every program that opens the record starts a journal of its own in it: a random 128-bit id,
// written in each of its rows with the row's number in that journal, so that every row is named
// apart from any other of any station, whatever happens to the file later.
inline constexpr std::string_view kRecordHeader =
    "time,station,port,file,frame,result,cycle_ms,journal,journal_row,serial,attempt,checked\r\n";
// The header of records written before rows named how their serial was checked.
inline constexpr std::string_view kUnitRecordHeader =
    "time,station,port,file,frame,result,cycle_ms,journal,journal_row,serial,attempt\r\n";
// The header of records written before rows named their board.
inline constexpr std::string_view kJournalRecordHeader =
    "time,station,port,file,frame,result,cycle_ms,journal,journal_row\r\n";
// The header of records written before rows named their journal.
inline constexpr std::string_view kOldRecordHeader =
    "time,station,port,file,frame,result,cycle_ms\r\n";

// Local date and time with milliseconds and UTC offset: 2026-12-07T21:30:05.123+08:00.
std::string RecordTime(std::chrono::system_clock::time_point time);
// A CSV field as RFC 4180 has it: quoted when it holds a comma or a double quote; bytes that are
// not UTF-8, and control characters, are written as \xFF, so no field holds a line break and a
// reader can find every row at its CR LF.
std::string CsvField(std::string_view text);
// The shapes of the record, oldest first: each adds columns at the end of the one before.
enum class RecordShape {
  Journals,  // rows name their journal
  Units,     // and the board's serial and attempt
  Checks,    // and how the serial was checked
};
// The shape of the record whose first bytes are `head` (a new or empty record takes the newest).
RecordShape ShapeOfRecord(std::string_view head);
// The whole row with its CR LF, as row `journalRow` of the journal `journal`, in `shape`.
std::string FormatRecordRow(const RecordRow& row, std::string_view journal, int64_t journalRow,
                            RecordShape shape = RecordShape::Checks);
// A new journal's id: 128 random bits, 32 lower-case hexadecimal digits.
std::string NewJournalId();
// This station's name for the record.
std::string StationName();

// A CSV file that rows are appended to, each whole under an exclusive lock, so several programs
// can share one file without torn or interleaved rows; Sync puts what was appended on the disk.
class ProductionRecord {
 public:
  // Opens (or creates) the file; writes the header when the file is new or empty. Anything but
  // a regular file is refused.
  [[nodiscard]] static std::variant<std::unique_ptr<ProductionRecord>, FileError> Open(
      const std::string& path);
  // The same on a file opened elsewhere (a measurement's slow disk).
  [[nodiscard]] static std::variant<std::unique_ptr<ProductionRecord>, FileError> Open(
      const std::string& path, std::unique_ptr<AppendOnlyFile> file);
  ~ProductionRecord();
  ProductionRecord(const ProductionRecord&) = delete;
  ProductionRecord& operator=(const ProductionRecord&) = delete;

  [[nodiscard]] std::optional<FileError> Append(const RecordRow& row);
  [[nodiscard]] std::optional<FileError> Sync();
  // Ends a wait for the file's lock now, from any thread; later appends fail at once.
  void GiveUpWaiting();
  const std::string& Path() const { return path_; }
  // This program's journal in the record.
  const std::string& Journal() const { return journal_; }
  // The shape its rows are written in: a record begun in an older one keeps it, so its header
  // stays true.
  RecordShape Shape() const { return shape_; }

 private:
  ProductionRecord(std::string path, std::unique_ptr<AppendOnlyFile> file);
  std::string path_;
  std::unique_ptr<AppendOnlyFile> file_;
  std::string journal_ = NewJournalId();
  int64_t rows_ = 0;  // rows of this journal written
  RecordShape shape_ = RecordShape::Checks;
};

// What the operator is told when a row (of a board or line on `port`) could not be written.
std::string RecordFailureMessage(const std::string& path, FileError error, std::string_view result,
                                 std::string_view port);
// What the operator is told when the record cannot be opened at start-up.
std::string RecordOpenFailureMessage(const std::string& path, FileError error);

}  // namespace ctrlprog
