#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/json_lines.h"
#include "link/link_event.h"
#include "link/tally.h"

namespace ctrlprog {

// What `ctrlprog-cli program` prints on stdout: one line per log line or per event, written and
// flushed at once, so a supervising script sees each board as it happens.
class ProgramOutput {
 public:
  ProgramOutput(bool json, bool showPort) : json_(json), showPort_(showPort) {}

  // Text mode: "HH:MM:SS.mmm text", or "HH:MM:SS.mmm PORT text" when several ports run, in the
  // log's words. JSON mode: one object per event.
  void Event(const std::string& port, const LinkEvent& event);
  void Summary(const std::string& port, const Tally& tally, double seconds,
               const std::optional<LineRecordTotals>& line = std::nullopt,
               const std::optional<BoardCounts>& boards = std::nullopt);
  // A scanned serial refused: JSON on stdout, else a line on stderr.
  // The line database cannot answer for the board `serial`: it is held.
  void ScanUnchecked(const std::string& port, const std::string& serial);
  void ScanRefused(const std::string& port, const std::string& serial, const std::string& reason);
  // "line record: N rows waiting": JSON on stdout, text on stderr.
  void LineRecord(int64_t waiting);

  // 0, or the errno of the first line that could not be written; nothing is written after it.
  int Error() const { return error_; }

 private:
  void Write(const std::string& line);

  bool json_;
  bool showPort_;
  int error_ = 0;
};

}  // namespace ctrlprog
