// Which socket a scanned serial goes to, driven by hand: the sockets' states are set, the clock
// given.
#include "ui/scan_order.h"

#include <gtest/gtest.h>

namespace ctrlprog {
namespace {

using Kind = ScanOrder::Read::Kind;
using State = ScanOrder::State;
constexpr State kFree{true, true, true}, kBusy{true, true, false}, kLost{true, false, true},
    kStopped{false, false, true};

struct Step {
  const char* line;
  Kind kind;
  size_t socket;
  std::vector<State> before = {};  // the sockets' states from this step on, where given
  int afterMs = 0;                 // since the step before
};

struct Case {
  const char* what;
  std::vector<State> states;
  std::vector<Step> steps;
};

TEST(ScanOrder, GivesEachSerialToTheNextSocketInTurnThatRuns) {
  const Case cases[] = {
      {"in turn, round again, a busy socket's serial waits for it",
       {kFree, kFree, kFree},
       {{"A", Kind::Offer, 0},
        {"B", Kind::Offer, 1},
        {"C", Kind::Offer, 2},
        {"D", Kind::Queued, 0, {kBusy, kBusy, kBusy}},
        {"E", Kind::Queued, 1},
        {"F", Kind::Offer, 2, {kBusy, kBusy, kFree}}}},
      {"stopped and lost sockets are passed over",
       {kFree, kLost, kStopped, kFree},
       {{"A", Kind::Offer, 0}, {"B", Kind::Offer, 3}, {"C", Kind::Offer, 0}}},
      {"every running socket lost: the serial waits for the first",
       {kStopped, kLost, kLost},
       {{"A", Kind::Queued, 1}, {"B", Kind::Queued, 2}}},
      {"nothing runs", {kStopped, kStopped}, {{"A", Kind::Nowhere, 0}}},
      {"a label chooses the socket: its number or a name",
       {kFree, kFree, kFree},
       {{"#3", Kind::Chosen, 2},
        {"A", Kind::Offer, 2},
        {"ttyUSB1", Kind::Chosen, 1},
        {" B\r\n", Kind::Offer, 1}}},
      {"a double read is one scan; a second later it is another, for the board's own socket",
       {kFree, kFree},
       {{"A", Kind::Offer, 0},
        {"A", Kind::Repeat, 0, {}, 999},
        {"A", Kind::Repeat, 0, {}, 999},
        {"A", Kind::Offer, 0, {}, 1000},
        {"B", Kind::Offer, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<State> states = c.states;
    ScanOrder order(states.size(), [&states](size_t i) { return states[i]; });
    order.SetLabels(1, {"ttyUSB1", "/dev/ttyUSB1"});
    auto now = ScanOrder::Clock::time_point{} + std::chrono::hours(1);
    for (const Step& step : c.steps) {
      SCOPED_TRACE(step.line);
      if (!step.before.empty()) states = step.before;
      now += std::chrono::milliseconds(step.afterMs);
      const ScanOrder::Read read = order.Scanned(step.line, now);
      EXPECT_EQ(read.kind, step.kind);
      if (read.kind != Kind::Nowhere && read.kind != Kind::Repeat) {
        EXPECT_EQ(read.socket, step.socket);
      }
      if (read.kind == Kind::Offer) order.Taken(read.socket);
    }
  }
}

TEST(ScanOrder, AWaitingSerialIsDueOnlyOnceItsSocketIsFreeAndOnLine) {
  std::vector<State> states = {kBusy};
  ScanOrder order(1, [&states](size_t i) { return states[i]; });
  ASSERT_EQ(order.Scanned("A", {}).kind, Kind::Queued);
  ASSERT_EQ(order.Scanned("B", {}).kind, Kind::Queued);
  for (const State s : {kBusy, kLost, kStopped}) {
    states = {s};
    EXPECT_EQ(order.Due(0), std::nullopt);
  }
  states = {kFree};
  EXPECT_EQ(order.Due(0), "A");
  EXPECT_EQ(order.Due(0), "B");
  EXPECT_EQ(order.Due(0), std::nullopt);
  ASSERT_EQ(order.Scanned("C", {}).kind, Kind::Offer) << "nothing waits before it";
}

// A board stays in its socket: a serial scanned again (its next attempt after FAIL, or a second
// scan of a serial that waits for a busy socket) belongs to the socket that had it, not to the
// socket whose turn it is.
TEST(ScanOrder, ASerialScannedAgainGoesBackToTheSocketThatHadIt) {
  struct Again {
    const char* what;
    size_t sockets;
    std::vector<const char*> first;  // scanned a second apart, each taken where offered
    std::vector<State> then;         // the sockets' states when the serial is scanned again
    const char* again;
    size_t expected;
  };
  const Again cases[] = {
      {"a failed board's retry, three sockets", 3, {"A", "B"}, {kFree, kBusy, kFree}, "A", 0},
      {"a failed board's retry, four sockets", 4, {"A", "B"}, {kFree, kFree, kFree, kFree}, "A", 0},
      {"a failed board's retry after a full round",
       3,
       {"A", "B", "C"},
       {kBusy, kFree, kBusy},
       "B",
       1},
      {"a waiting serial scanned again", 2, {"A", "B", "C"}, {kBusy, kFree}, "C", 0},
  };
  for (const Again& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<State> states(c.sockets, kFree);
    ScanOrder order(c.sockets, [&states](size_t i) { return states[i]; });
    auto now = ScanOrder::Clock::time_point{} + std::chrono::hours(1);
    for (const char* serial : c.first) {
      now += std::chrono::seconds(2);
      const ScanOrder::Read read = order.Scanned(serial, now);
      if (read.kind == Kind::Offer) {
        order.Taken(read.socket);
        states[read.socket] = kBusy;
      }
    }
    states = c.then;
    now += std::chrono::seconds(2);
    const ScanOrder::Read read = order.Scanned(c.again, now);
    EXPECT_NE(read.kind, Kind::Nowhere);
    EXPECT_EQ(read.socket, c.expected);
  }
}

}  // namespace
}  // namespace ctrlprog
