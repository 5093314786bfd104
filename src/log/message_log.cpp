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
    default:
      return std::nullopt;
  }
}

void MessageLog::Reset() {
  ui_.SetLogText("");
  lngLineMark_.assign(1, 0);
  lngMarkTop_ = 0;
  length_ = 0;
}

void MessageLog::ReceiveDisplay(std::string_view strAdd, int32_t intColor) {
  std::string line(strAdd);
  line += '\r';
  const int64_t added = CountCodePoints(line);
  // Marks are 32-bit; a log that outgrew them would need years of running. Refuse the line
  // rather than store a wrapped offset.
  if (lngMarkTop_ > std::numeric_limits<int32_t>::max() - 2 ||
      length_ + added > std::numeric_limits<int32_t>::max()) {
    return;
  }
  lngMarkTop_ += 2;
  lngLineMark_.resize(static_cast<size_t>(lngMarkTop_) + 1);
  lngLineMark_[static_cast<size_t>(lngMarkTop_) - 1] = static_cast<int32_t>(length_);
  lngLineMark_[static_cast<size_t>(lngMarkTop_)] = intColor;
  ui_.AppendLog(line, ColourForCode(intColor));
  length_ += added;
}

}  // namespace ctrlprog
