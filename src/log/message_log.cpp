#include "log/message_log.h"

#include <limits>
#include <string>

#include "model/protocol.h"
#include "model/utf8.h"

namespace ctrlprog {

std::optional<Rgb> ColourForCode(int32_t code) {
  switch (code) {
    case kColourGreen:
      return Rgb{0, 255, 0};
    case kColourRed:
      return Rgb{255, 0, 0};
    case kColourBlue:
      return Rgb{0, 0, 255};
    case kColourDarkGreen:
      return Rgb{0, 128, 0};
    default:
      return std::nullopt;
  }
}

void MessageLog::Reset() {
  ui_.SetLogText("");
  marks_.clear();
  lngMarkTop_ = 0;
  length_ = 0;
  dropped_ = 0;
}

void MessageLog::ReceiveDisplay(std::string_view strAdd, int32_t intColor) {
  std::string line(strAdd);
  line += '\r';
  const int64_t added = CountCodePoints(line);
  // Marks are 32-bit; a log that outgrew them would need years of running. Refuse the line
  // rather than store a wrapped offset.
  if (lngMarkTop_ > std::numeric_limits<int32_t>::max() - 2 ||
      length_ - dropped_ + added > std::numeric_limits<int32_t>::max()) {
    return;
  }
  lngMarkTop_ += 2;
  marks_.emplace_back(length_, intColor);
  ui_.AppendLog(line, ColourForCode(intColor));
  length_ += added;
  if (keep_ > 0 && marks_.size() > keep_) {
    // The view dropped its oldest line: so do the marks, and the rest now count from the next.
    marks_.pop_front();
    dropped_ = marks_.front().first;
    lngMarkTop_ -= 2;
  }
}

std::vector<int32_t> MessageLog::lngLineMark() const {
  std::vector<int32_t> marks = {0};
  marks.reserve(marks_.size() * 2 + 1);
  for (const auto& [start, colour] : marks_) {
    marks.push_back(static_cast<int32_t>(start - dropped_));
    marks.push_back(colour);
  }
  return marks;
}

}  // namespace ctrlprog
