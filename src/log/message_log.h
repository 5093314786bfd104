#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "log/log_view.h"

namespace ctrlprog {

// Colour codes of log lines: 1 green, 2 red, 3 blue; any other code leaves a line uncoloured.
std::optional<Rgb> ColourForCode(int32_t code);

// The append-only status log shown in `rtfReceive`. Beside the text it keeps, per line, where
// the line starts and its colour code, so every line's colour can be told from the marks alone.
// A view that keeps only its newest lines has the marks of the same lines, counted from the
// start of the text it shows.
class MessageLog {
 public:
  explicit MessageLog(LogView& ui) : ui_(ui), keep_(ui.LogLineLimit()) {}

  // Empties the log, as at start-up.
  void Reset();

  // Appends `strAdd` plus a carriage return as one line in colour `intColor`. Only the new line
  // is coloured: earlier lines already carry their colours, so an append costs the same however
  // long the log has grown.
  void ReceiveDisplay(std::string_view strAdd, int32_t intColor);

  // Pairs (start offset, colour code) at indices (2k-1, 2k) for line k of the text shown;
  // index 0 unused.
  std::vector<int32_t> lngLineMark() const;
  int32_t lngMarkTop() const { return lngMarkTop_; }

 private:
  LogView& ui_;
  size_t keep_;  // lines the view keeps; 0 for all
  // (start, colour) of each line shown, the start counted from the first line ever logged.
  std::deque<std::pair<int64_t, int32_t>> marks_;
  int32_t lngMarkTop_ = 0;
  int64_t length_ = 0;   // characters logged since the start; it only grows, so it is counted
  int64_t dropped_ = 0;  // of which the view no longer shows these, from its top
};

}  // namespace ctrlprog
