#include "station/line_pass_lookup.h"

#include "files/production_record.h"

namespace ctrlprog {

LinePassLookup::LinePassLookup(std::string uri, std::function<void(std::function<void()>)> post)
    : db_(std::move(uri),
          PgLineDb::Deadlines{std::chrono::milliseconds(2000), std::chrono::milliseconds(2000),
                              std::chrono::milliseconds(2000)}),
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

bool LinePassLookup::Resting() {
  std::lock_guard lock(mutex_);
  return std::chrono::steady_clock::now() < restUntil_;
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
    // The reply is shared, not copied into the posted function: that function may be destroyed
    // here after the front end's thread ran it, and only a shared owner orders the two.
    auto reply = std::make_shared<Reply>(Reply{std::move(answer), std::move(known)});
    post_([reply] { reply->answer(reply->known); });
  }
}

std::optional<UnitBook::Past> LinePassLookup::Lookup(const std::string& serial) {
  std::vector<TraceRow> rows;
  if (const LineDbResult r = db_.History(serial, false, rows); !r.ok()) {
    // A question that timed out may still be running on the connection: drop it, so the next
    // question starts on a connection of its own instead of behind this one.
    db_.Disconnect();
    std::lock_guard lock(mutex_);
    restUntil_ = std::chrono::steady_clock::now() + kRestAfterFailure;
    return std::nullopt;
  }
  // What the line database knows, read by the same rule as the record.
  UnitBook book;
  for (const TraceRow& row : rows) {
    const auto at = std::chrono::system_clock::time_point(std::chrono::milliseconds(row.ms));
    book.LearnRow(serial, row.attempt, row.result, RecordTime(at), row.station, row.port);
  }
  const UnitBook::Past* past = book.Find(serial);
  return past ? *past : UnitBook::Past{};
}

}  // namespace ctrlprog
