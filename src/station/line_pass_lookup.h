#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "linedb_pg/pg_line_db.h"
#include "scan/unit_gate.h"

namespace ctrlprog {

// The line database asked, on a thread of its own, whether a scanned board passed at any
// station: a hung or lost server never holds the front end up. Each question ends within its
// deadlines; after a server that did not answer, the questions of the next few seconds are
// answered "not asked" at once (the gate holds the board and asks again), so a hung server is
// not asked again and again while it cannot answer.
class LinePassLookup : public PassRegister {
 public:
  // `post` runs a function on the front end's thread (its event loop).
  LinePassLookup(std::string uri, std::function<void(std::function<void()>)> post);
  ~LinePassLookup() override;
  LinePassLookup(const LinePassLookup&) = delete;
  LinePassLookup& operator=(const LinePassLookup&) = delete;

  void Ask(const std::string& serial,
           std::function<void(std::optional<UnitBook::Past>)> answer) override;

  // Whether questions go unasked now, after a server that did not answer.
  bool Resting();

  // How long questions go unasked after a server that did not answer.
  static constexpr std::chrono::seconds kRestAfterFailure{3};

 private:
  void Work();
  std::optional<UnitBook::Past> Lookup(const std::string& serial);

  struct Reply {
    std::function<void(std::optional<UnitBook::Past>)> answer;
    std::optional<UnitBook::Past> known;
  };

  PgLineDb db_;
  std::function<void(std::function<void()>)> post_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::pair<std::string, std::function<void(std::optional<UnitBook::Past>)>>> asked_;
  bool stopping_ = false;
  std::chrono::steady_clock::time_point restUntil_{};
  std::thread worker_;
};

}  // namespace ctrlprog
