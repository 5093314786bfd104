#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ctrlprog {

// A simulated board as the host sees it over the line: it answers a poll "8" with 0x55, takes
// the 26-byte frame (in as many pieces as it arrives), checks it and acknowledges it with 0x55.
class BoardDevice {
 public:
  struct Options {
    long boards = 0;     // boards to program before going quiet; 0 for no limit
    bool answer = true;  // answer polls at all
    bool ack = true;     // acknowledge good frames
    long ackLimit = 0;   // acknowledge only this many; 0 for no limit
  };

  explicit BoardDevice(Options options) : options_(options) {}

  // Takes bytes from the host at time `now` (seconds); returns the bytes to send back and adds
  // a line to `report` for each thing worth telling.
  std::vector<uint8_t> Receive(std::span<const uint8_t> bytes, double now,
                               std::vector<std::string>& report);
  // Drops a frame that stopped arriving part way.
  void Tick(double now, std::vector<std::string>& report);

  long Programmed() const { return programmed_; }
  bool Done() const { return options_.boards > 0 && programmed_ >= options_.boards; }
  // Arrival times of every poll byte.
  const std::vector<double>& PollTimes() const { return pollTimes_; }

 private:
  void FrameComplete(std::vector<uint8_t>& reply, std::vector<std::string>& report);

  Options options_;
  bool collecting_ = false;
  std::vector<uint8_t> frame_;
  double lastByte_ = 0;
  long programmed_ = 0;
  std::vector<double> pollTimes_;
};

// The frame's fields in the units they were chosen in, one line each.
std::vector<std::string> DescribeFrame(std::span<const uint8_t> frame);

}  // namespace ctrlprog
