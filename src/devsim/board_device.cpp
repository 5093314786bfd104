#include "devsim/board_device.h"

#include <cstdio>

#include "model/frame_encoder.h"
#include "model/hex.h"
#include "model/protocol.h"

namespace ctrlprog {
namespace {

constexpr double kFrameTimeout = 1.0;

std::string Format(const char* fmt, double a, double b = 0, double c = 0) {
  char buf[160];
  std::snprintf(buf, sizeof buf, fmt, a, b, c);
  return buf;
}

}  // namespace

std::vector<uint8_t> BoardDevice::Receive(std::span<const uint8_t> bytes, double now,
                                          std::vector<std::string>& report) {
  std::vector<uint8_t> reply;
  for (uint8_t b : bytes) {
    lastByte_ = now;
    if (b == kPollByte && frame_.empty()) {
      pollTimes_.push_back(now);
      // A poll while waiting for the frame means the host missed the answer: answer again.
      if (options_.answer && !Done()) {
        reply.push_back(kReadyByte);
        if (!collecting_) report.push_back("poll answered");
        collecting_ = true;
      }
      continue;
    }
    if (!collecting_) {
      report.push_back("ignored byte " + ToHex(std::span(&b, 1)));
      continue;
    }
    frame_.push_back(b);
    if (frame_.size() == kFrameSize) FrameComplete(reply, report);
  }
  return reply;
}

void BoardDevice::Tick(double now, std::vector<std::string>& report) {
  if (collecting_ && !frame_.empty() && now - lastByte_ > kFrameTimeout) {
    report.push_back("incomplete frame dropped: " + ToHex(frame_));
    frame_.clear();
    collecting_ = false;
  }
}

void BoardDevice::FrameComplete(std::vector<uint8_t>& reply, std::vector<std::string>& report) {
  const bool headerOk = frame_[0] == kFrameHeader[0] && frame_[1] == kFrameHeader[1];
  const bool checkOk = frame_[kCheckByte] == CheckByteOf(frame_);
  report.push_back("frame " + ToHex(frame_));
  if (!headerOk || !checkOk) {
    report.push_back(!headerOk ? "bad header: not acknowledged"
                               : "bad check byte: not acknowledged");
  } else {
    for (const std::string& line : DescribeFrame(frame_)) report.push_back("  " + line);
    ++programmed_;
    if (options_.ack && (options_.ackLimit == 0 || programmed_ <= options_.ackLimit)) {
      reply.push_back(kReadyByte);
      report.push_back("board " + std::to_string(programmed_) + " programmed, acknowledged");
    } else {
      report.push_back("board " + std::to_string(programmed_) + " programmed, not acknowledged");
    }
  }
  frame_.clear();
  collecting_ = false;
}

std::vector<std::string> DescribeFrame(std::span<const uint8_t> f) {
  // The board type is not in the frame, so the two currents are shown for each board scale.
  const double k = kSpeedFactor;
  std::vector<std::string> out;
  const BoardScale b1 = ScaleForBoard(1), b2 = ScaleForBoard(2), b4 = ScaleForBoard(4);
  auto phase = [&](const BoardScale& s) { return (f[2] + s.offset) / s.scale; };
  auto rated = [&](const BoardScale& s) { return (f[3] + s.offset) * 128 / 208 / s.scale; };
  out.push_back(Format("phase current %.1f A (board 1), %.1f A (boards 2, 3), %.1f A (board 4)",
                       phase(b1), phase(b2), phase(b4)));
  out.push_back(Format("rated current %.1f A (board 1), %.1f A (boards 2, 3), %.1f A (board 4)",
                       rated(b1), rated(b2), rated(b4)));
  out.push_back(
      Format("limit voltage %.1f V, tolerance %.1f V", f[4] * 13.5 / 51.2, f[5] * 13.5 / 51.2));
  out.push_back(Format("limit speed %.0f %%, 3-speed mode %.0f", f[6] * 100 / 208.0, f[7]));
  out.push_back(
      Format("speeds %.0f %%, %.0f %%, %.0f %%", f[8] * 100 / k, f[9] * 100 / k, f[10] * 100 / k));
  out.push_back(Format("block time %.1f s, auto cruising time %.1f s", f[11] / 10.0, f[12] / 10.0));
  out.push_back(Format("slip current charge mode %.0f, indicate mode %.0f, EBS level %.0f", f[13],
                       f[14], f[15] / 3.0));
  out.push_back(Format("converse speed %.0f %%", f[16] * 100 / 208.0));
  return out;
}

}  // namespace ctrlprog
