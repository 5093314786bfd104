#include "model/frame_encoder.h"

#include <optional>

#include "model/protocol.h"
#include "model/val.h"

namespace ctrlprog {
namespace {

// Rounds half to even into a byte, or nothing when the result leaves 0..255.
std::optional<uint8_t> ToByte(double x) {
  const double r = RoundHalfEven(x);
  if (!(r >= 0.0 && r <= 255.0)) return std::nullopt;  // also catches NaN
  return static_cast<uint8_t>(r);
}

}  // namespace

BoardScale ScaleForBoard(double p0) {
  // Divided first, then multiplied: the order decides the last bit the board sees.
  if (p0 == 1) return {kBoard1Scale, 0.0, false};
  if (p0 < 4) return {0.0056 / 2 * 204.8, 0.5, true};
  return {0.0056 / 3 * 204.8, 1.5, true};
}

EncodeResult EncodeFrame(const ParameterSet& strParam) {
  std::array<double, kParameterCount> p{};
  for (size_t i = 0; i < p.size(); ++i) p[i] = Val(strParam[i]);

  const BoardScale b = ScaleForBoard(p[0]);
  auto current = [&](double x) { return b.subtractOffset ? x - b.offset : x; };

  // Values for bytes 2..16, each evaluated left to right as the device's units are defined.
  const std::array<double, 15> values = {
      current(p[1] * b.scale),
      current(p[2] * b.scale * 208 / 128),
      p[3] / 13.5 * 51.2,
      p[4] / 13.5 * 51.2,
      p[5] * 208 / 100,
      p[6],
      p[7] * kSpeedFactor / 100,
      p[8] * kSpeedFactor / 100,
      p[9] * kSpeedFactor / 100,
      p[10] * 10,
      p[11] * 10,
      p[12],
      p[13],
      p[14] * 3,
      p[15] * 208 / 100,
  };

  ParameterFrame frame{};
  frame[0] = kFrameHeader[0];
  frame[1] = kFrameHeader[1];
  for (size_t i = 0; i < values.size(); ++i) {
    const std::optional<uint8_t> byte = ToByte(values[i]);
    if (!byte) return FrameOverflow{static_cast<int>(i + kFirstDataByte), values[i]};
    frame[i + kFirstDataByte] = *byte;
  }
  frame[kCheckByte] = CheckByteOf(frame);
  return frame;
}

}  // namespace ctrlprog
