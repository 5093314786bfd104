#pragma once

#include <chrono>
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
};

inline constexpr std::string_view kRecordHeader =
    "time,station,port,file,frame,result,cycle_ms\r\n";

// Local date and time with milliseconds and UTC offset: 2026-12-07T21:30:05.123+08:00.
std::string RecordTime(std::chrono::system_clock::time_point time);
// A CSV field as RFC 4180 has it: quoted when it holds a comma, a double quote or a line break;
// bytes that are not UTF-8 are written as \xFF.
std::string CsvField(std::string_view text);
// The whole row with its CR LF.
std::string FormatRecordRow(const RecordRow& row);
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
  const std::string& Path() const { return path_; }

 private:
  ProductionRecord(std::string path, std::unique_ptr<AppendOnlyFile> file);
  std::string path_;
  std::unique_ptr<AppendOnlyFile> file_;
};

// What the operator is told when a row could not be written.
std::string RecordFailureMessage(const std::string& path, FileError error, std::string_view result);
// What the operator is told when the record cannot be opened at start-up.
std::string RecordOpenFailureMessage(const std::string& path, FileError error);

}  // namespace ctrlprog
