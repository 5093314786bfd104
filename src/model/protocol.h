#pragma once

// The board's protocol in one place: what goes over the line, how the frame is framed and
// checked, the handshake's timing and the log's colour codes. The link, the encoder, the
// simulated board and the tests all take them from here.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

namespace ctrlprog {

// Host to device: the poll, sent as the one-character text "8".
inline constexpr char kPollText[] = "8";
inline constexpr uint8_t kPollByte = '8';
// Device to host: "ready for the frame" and "frame acknowledged" are both this byte.
inline constexpr uint8_t kReadyByte = 0x55;

// The frame: a two-byte header, fifteen data bytes (2..16), their XOR at 17, eight zeros.
inline constexpr int kFrameSize = 26;
inline constexpr std::array<uint8_t, 2> kFrameHeader = {0x02, 0x0F};
inline constexpr size_t kFirstDataByte = 2;
inline constexpr size_t kLastDataByte = 16;
inline constexpr size_t kCheckByte = 17;

// XOR of the data bytes 2..16 of a frame (at least 17 bytes long).
inline constexpr uint8_t CheckByteOf(std::span<const uint8_t> frame) {
  uint8_t check = 0;
  for (size_t i = kFirstDataByte; i <= kLastDataByte; ++i) check ^= frame[i];
  return check;
}

// Board 1's current scale and the speed percentages' factor, kept to the last bit the boards'
// firmware expects.
inline constexpr double kBoard1Scale = 0.0056 * 204.8;
inline constexpr double kSpeedFactor = 0x1.06BE573820F57p+7;
static_assert(std::bit_cast<uint64_t>(kBoard1Scale) == 0x3FF2599ED7C6FBD3);
static_assert(std::bit_cast<uint64_t>(kSpeedFactor) == 0x40606BE573820F57);

// `Timer1`: the handshake's tick.
inline constexpr int kTickMs = 200;
// A frame left unacknowledged fails on the tick that takes the counter past this.
inline constexpr int kTickLimit = 10;

// Colour codes of log lines.
inline constexpr int32_t kColourGreen = 1;
inline constexpr int32_t kColourRed = 2;
inline constexpr int32_t kColourBlue = 3;
// The dark green of "Comm Restored", a line of this program's own: the specified green is too
// pale to read on the log's white (1.4:1); this one reads at 5.1:1. Its code is its RGB value,
// far from the specified ones.
inline constexpr int32_t kColourDarkGreen = 0x008000;

}  // namespace ctrlprog
