#include "cli/tick_scheduler.h"

#include <algorithm>

#include "model/protocol.h"

namespace ctrlprog {
namespace {

constexpr std::chrono::milliseconds kTick{kTickMs};
// Ticks due this close together are served in one wake-up.
constexpr std::chrono::microseconds kTogether{1000};

}  // namespace

TickScheduler::TickScheduler() {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Fire(); });
}

void TickScheduler::Start(Key key, std::function<void()> tick) {
  Stop(key);
  entries_.push_back({key, std::chrono::steady_clock::now() + kTick, std::move(tick)});
  Arm();
}

void TickScheduler::Stop(Key key) {
  std::erase_if(entries_, [key](const Entry& e) { return e.key == key; });
  Arm();
}

void TickScheduler::Fire() {
  const TimePoint now = std::chrono::steady_clock::now();
  std::vector<Key> due;
  for (const Entry& e : entries_) {
    if (e.due <= now + kTogether) due.push_back(e.key);
  }
  for (Key key : due) {
    // A tick may stop or restart its own timer, or another's: look each one up afresh.
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [key](const Entry& e) { return e.key == key; });
    if (it == entries_.end() || it->due > now + kTogether) continue;
    it->due += kTick;  // stay on the grid
    if (it->due <= now) it->due = now + kTick;
    const std::function<void()> tick = it->tick;
    tick();
  }
  Arm();
}

void TickScheduler::Arm() {
  if (entries_.empty()) {
    timer_.stop();
    return;
  }
  const TimePoint next =
      std::min_element(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
        return a.due < b.due;
      })->due;
  const auto wait =
      std::chrono::ceil<std::chrono::milliseconds>(next - std::chrono::steady_clock::now());
  timer_.start(std::max<int>(0, static_cast<int>(wait.count())));
}

}  // namespace ctrlprog
