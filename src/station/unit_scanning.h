#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "scan/unit_gate.h"

namespace ctrlprog {

class LinePassLookup;

// What the gates of every port of one program share: the boards its record knows, the rules a
// serial is checked by, and the line database, asked whether a board passed elsewhere.
class UnitScanning {
 public:
  struct Options {
    std::optional<std::string> pattern;  // checked beforehand with PatternProblem
    bool rework = false;
    std::string station;
    std::string recordPath;  // the record whose boards are known; empty for none
    std::optional<std::string> lineDb;
    // Runs a function on the front end's thread: the line database's answers come there.
    std::function<void(std::function<void()>)> post;
    // Where the line database cannot answer for a board, the record alone decides (and the
    // board's rows say so) instead of holding the board until it answers.
    bool lineOptional = false;
    // Told how far the first start on a long record has read it into its index (bytes).
    std::function<void(uint64_t done, uint64_t total)> indexProgress;
  };
  // `indexProblem` is told once why the record's index cannot answer for the boards scanned (it
  // could not be opened, or cannot catch up with the record), each time it stops answering.
  explicit UnitScanning(Options options,
                        std::function<void(const std::string& why)> indexProblem = {});
  ~UnitScanning();
  UnitScanning(const UnitScanning&) = delete;
  UnitScanning& operator=(const UnitScanning&) = delete;

  // Why `pattern` is no regular expression the matcher takes, or nothing.
  static std::optional<std::string> PatternProblem(const std::string& pattern);

  // The gate of one more port, on `link`.
  std::unique_ptr<UnitGate> GateFor(Link& link);

 private:
  Options options_;
  UnitBook book_;
  std::unique_ptr<BoardHistory> history_;  // the record's index, or why it cannot answer
  std::unique_ptr<SerialPattern> pattern_;
  std::unique_ptr<LinePassLookup> lookup_;
};

}  // namespace ctrlprog
