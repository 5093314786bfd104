#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/record_periods.h"

namespace ctrlprog {

struct ProgramOptions {
  std::vector<std::string> ports;  // one link each, all in this process
  std::string file;
  std::optional<long> count;                       // stop after this many boards on every port
  std::optional<double> timeoutSec;                // give up after this long
  bool json = false;                               // JSON Lines on stdout instead of text
  std::optional<std::string> record;               // the production record to append to
  std::optional<std::string> lineDb;               // the line database the record is forwarded to
  RecordRotation rotation = RecordRotation::None;  // a new record file each day or month
  std::optional<std::string> station;              // this station's name (default: the host name)
  bool scan = false;                               // no scan, no board: serials on standard input
  std::optional<std::string> serialPattern;        // a serial must match it whole
  bool rework = false;                             // a board that passed may be programmed again
  bool lineOptional = false;  // the record alone checks a board the line database cannot answer for
};

// `ctrlprog-cli forward`: sends what the journal holds past the last confirmed row to the line
// database, then ends.
int RunForward(const std::string& journal, const std::string& lineDb);

// `ctrlprog-cli report`: boards, passes, fails and yield per station and hour, from the line
// database or a record.
struct ReportOptions {
  std::optional<std::string> lineDb, record, since, until;
  std::optional<std::string> html;  // the page's path
  bool json = false;
  bool utc = false;
};
int RunReport(const ReportOptions& options);

// `ctrlprog-cli trace SERIAL`: every attempt of one board, from a record or the line database.
struct TraceOptions {
  std::string serial;
  std::optional<std::string> lineDb, record;
  bool json = false;
};
int RunTrace(const TraceOptions& options);

// `ctrlprog-cli program`: programs boards on every port through the same logic the window uses,
// printing the log as it grows. Needs a QCoreApplication.
int RunProgram(const ProgramOptions& options);

// `ctrlprog-cli ports [--json]`: the serial ports the platform detects, with their identity.
int RunPorts(bool json);

}  // namespace ctrlprog
