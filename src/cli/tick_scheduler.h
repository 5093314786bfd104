#pragma once

#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

namespace ctrlprog {

// `Timer1` for every link of one console run, on one Qt timer: each link keeps its own 200 ms
// grid (starting afresh whenever it is enabled), and links whose ticks fall due together are
// served in one wake-up, so many ports cost hardly more than one.
class TickScheduler {
 public:
  using Key = const void*;

  TickScheduler();

  // Ticks `key` every 200 ms from now on, replacing any grid it had.
  void Start(Key key, std::function<void()> tick);
  void Stop(Key key);

 private:
  using TimePoint = std::chrono::steady_clock::time_point;
  struct Entry {
    Key key;
    TimePoint due;
    std::function<void()> tick;
  };
  void Fire();
  void Arm();

  std::vector<Entry> entries_;
  QTimer timer_;
};

}  // namespace ctrlprog
