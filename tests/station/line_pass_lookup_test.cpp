// The line database asked whether a scanned board passed elsewhere, when it cannot be asked: the
// answer comes (nothing known, so the record decides) and the next questions go unasked.
#include "station/line_pass_lookup.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace ctrlprog {
namespace {

TEST(LinePassLookup, AServerThatCannotBeAskedAnswersNothingKnownAndIsRested) {
  std::mutex mutex;
  std::condition_variable posted;
  std::deque<std::function<void()>> toRun;  // what would run on the front end's thread
  LinePassLookup lookup("host=/nonexistent-ctrlprog-socket dbname=ctrlprog_line",
                        [&](std::function<void()> done) {
                          std::lock_guard lock(mutex);
                          toRun.push_back(std::move(done));
                          posted.notify_all();
                        });
  EXPECT_FALSE(lookup.Resting());
  std::vector<std::optional<UnitBook::Past>> answers;
  for (const char* serial : {"SN-1", "SN-2"}) {
    lookup.Ask(serial,
               [&answers](std::optional<UnitBook::Past> known) { answers.push_back(known); });
  }
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(posted.wait_for(lock, std::chrono::seconds(10), [&] { return toRun.size() == 2; }));
  }
  for (auto& run : toRun) run();
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0], std::nullopt);
  EXPECT_EQ(answers[1], std::nullopt);
  EXPECT_TRUE(lookup.Resting()) << "a server that did not answer is not asked again at once";
}

}  // namespace
}  // namespace ctrlprog
