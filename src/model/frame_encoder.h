#pragma once

#include <array>
#include <cstdint>
#include <variant>

#include "model/parameter_set.h"
#include "model/protocol.h"

namespace ctrlprog {

// The block written to the device: header 02 0F, fifteen data bytes, their XOR, eight zeros.
using ParameterFrame = std::array<uint8_t, kFrameSize>;

// Scale (and offset) of the two current bytes, chosen by the board type's value.
struct BoardScale {
  double scale = 0.0;
  double offset = 0.0;
  bool subtractOffset = false;  // board 1 has no offset at all, not a zero one
};
BoardScale ScaleForBoard(double p0);

// A value that rounded outside 0..255.
struct FrameOverflow {
  int byteIndex = 0;
  double value = 0.0;
};

using EncodeResult = std::variant<ParameterFrame, FrameOverflow>;

// Encodes a set of sixteen texts into the frame, or reports the first byte that overflowed.
[[nodiscard]] EncodeResult EncodeFrame(const ParameterSet& strParam);

}  // namespace ctrlprog
