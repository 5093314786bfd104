#include "station/line_pass_lookup.h"

#include <algorithm>

#include "files/production_record.h"

namespace ctrlprog {

LinePassLookup::LinePassLookup(std::string uri, std::function<void(std::function<void()>)> post)
    : db_(std::move(uri),
          PgLineDb::Deadlines{std::chrono::milliseconds(2000), std::chrono::milliseconds(2000)}),
      post_(std::move(post)) {
  db_.ForReading();
  worker_ = std::thread([this] { Work(); });
}

LinePassLookup::~LinePassLookup() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  db_.Abort();
  wake_.notify_all();
  worker_.join();
}

void LinePassLookup::Ask(const std::string& serial,
                         std::function<void(std::optional<UnitBook::Past>)> answer) {
  {
    std::lock_guard lock(mutex_);
    asked_.emplace_back(serial, std::move(answer));
  }
  wake_.notify_all();
}

void LinePassLookup::Work() {
  for (;;) {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stopping_ || !asked_.empty(); });
    if (stopping_) return;
    auto [serial, answer] = std::move(asked_.front());
    asked_.pop_front();
    const bool resting = std::chrono::steady_clock::now() < restUntil_;
    lock.unlock();
    std::optional<UnitBook::Past> known;
    if (!resting) known = Lookup(serial);
    post_([answer = std::move(answer), known] { answer(known); });
  }
}

std::optional<UnitBook::Past> LinePassLookup::Lookup(const std::string& serial) {
  std::vector<TraceRow> rows;
  if (const LineDbResult r = db_.History(serial, false, rows); !r.ok()) {
    std::lock_guard lock(mutex_);
    restUntil_ = std::chrono::steady_clock::now() + kRestAfterFailure;
    return std::nullopt;
  }
  UnitBook::Past past;
  for (const TraceRow& row : rows) {
    past.attempts = std::max(past.attempts, static_cast<int>(row.attempt));
    if (row.result == "PASS") {
      const auto at = std::chrono::system_clock::time_point(std::chrono::milliseconds(row.ms));
      past.passed = Where(RecordTime(at), row.station, row.port);
    }
  }
  return past;
}

}  // namespace ctrlprog
