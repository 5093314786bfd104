#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "log/log_view.h"

namespace ctrlprog {

// Colour codes of log lines: 1 green, 2 red, 3 blue; any other code leaves a line uncoloured.
std::optional<Rgb> ColourForCode(int32_t code);

// The append-only status log shown in `rtfReceive`. Beside the text it keeps, per line, where
// the line starts and its colour code, so every line's colour can be told from the marks alone.
class MessageLog {
 public:
  explicit MessageLog(LogView& ui) : ui_(ui) {}

  // Empties the log, as at start-up.
  void Reset();

  // Appends `strAdd` plus a carriage return as one line in colour `intColor`. Only the new line
  // is coloured: earlier lines already carry their colours, so an append costs the same however
  // long the log has grown.
  void ReceiveDisplay(std::string_view strAdd, int32_t intColor);

  // Pairs (start offset, colour code) at indices (2k-1, 2k) for line k; index 0 unused.
  const std::vector<int32_t>& lngLineMark() const { return lngLineMark_; }
  int32_t lngMarkTop() const { return lngMarkTop_; }

 private:
  LogView& ui_;
  std::vector<int32_t> lngLineMark_ = {0};
  int32_t lngMarkTop_ = 0;
  int64_t length_ = 0;  // characters in the log; it only grows, so it is counted here
};

}  // namespace ctrlprog
