// What the operator is told beyond the log's four lines: the tally, a lost and a restored line,
// and the events a production record is written from.
#include <gtest/gtest.h>

#include "link/link_test_fixture.h"

namespace ctrlprog {
namespace {

using testing::LinkTest;
using Lines = std::vector<std::string>;
constexpr Rgb kRed{255, 0, 0};
// Dark enough to read on the log's white: contrast at least 4.5:1.
constexpr Rgb kDarkGreen{0, 128, 0};

class LinkEventsTest : public LinkTest {
 protected:
  LinkEventsTest() {
    // The time of day jumps back an hour at once: durations come from the steady clock.
    link().clock = [this] {
      return Clock::time_point(std::chrono::milliseconds(now - (now > 300 ? 3'600'000 : 0)));
    };
    link().steadyClock = [this] { return SteadyClock::time_point(std::chrono::milliseconds(now)); };
    link().AddListener([this](const LinkEvent& e) { events.push_back(e); });
    form.cmdFileSend_Click();
    link().ForceTickCount(0);
  }
  // One tick, 200 ms after the last.
  std::string Step() {
    now += 200;
    return Tick();
  }
  std::vector<LinkEventKind> Kinds() const {
    std::vector<LinkEventKind> kinds;
    for (const LinkEvent& e : events) kinds.push_back(e.kind);
    return kinds;
  }
  long now = 0;
  std::vector<LinkEvent> events;
};

TEST_F(LinkEventsTest, CountsBoardsAndSaysALostLineOnceAndItsReturn) {
  using K = LinkEventKind;
  Step();  // "8"
  Ready();
  Step();  // frame
  now += 50;
  Ready();
  Step();  // "Transmit Finished"
  EXPECT_EQ(link().tally().Programmed(), 1);
  ASSERT_TRUE(link().tally().Last());
  EXPECT_TRUE(link().tally().Last()->passed());
  // From the ready byte at 200 ms to the result at 650, though the time of day went back.
  EXPECT_EQ(events.back().cycleMs, 450);
  EXPECT_EQ(events.back().port, "1");
  EXPECT_EQ(events.back().frame, link().Frame());

  for (int i = 0; i < 8; ++i) Step();  // the ordinary close on every fourth tick is no loss
  EXPECT_EQ(link().LinkCondition(), Link::Condition::Waiting);

  port.LoseLine();  // the adapter closed the port: the line failed
  port.openErrors.assign(6, kCommNoSuchPort);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Step(), "");
  EXPECT_EQ(link().LinkCondition(), Link::Condition::Lost);
  for (int i = 0; i < 4 && Step() != "8"; ++i) {
  }  // it opens again
  EXPECT_EQ(link().LinkCondition(), Link::Condition::Waiting);

  port.Close();  // a polling tick that cannot reopen it is a loss too
  port.openErrors.assign(2, kCommOtherError);
  for (int i = 0; i < 8 && Step() != "8"; ++i) {
  }

  Ready();  // a board that answers and never acknowledges
  for (int i = 0; i < 12 && LogLines().back() != "Transmit Fail!"; ++i) Step();

  EXPECT_EQ(LogLines(), (Lines{"Transmit Started", "Transmit Finished", "Comm Lost",
                               "Comm Restored", "Comm Lost", "Comm Restored", "Transmit Fail!"}));
  EXPECT_EQ(Kinds(), (std::vector<K>{K::Started, K::Passed, K::Lost, K::Restored, K::Lost,
                                     K::Restored, K::Failed}));
  // "Comm Lost" in red, "Comm Restored" in a green that reads; every other line stays blue.
  const std::string text = ui.LogText();
  EXPECT_EQ(ui.LogColours()[text.find("Comm Lost")], kRed);
  EXPECT_EQ(ui.LogColours()[text.find("Comm Restored")], kDarkGreen);
  EXPECT_EQ(link().tally().LinesLost(), 2);
  EXPECT_EQ(link().tally().Failed(), 1);
  EXPECT_FALSE(link().tally().Last()->passed());

  link().ResetTally();
  EXPECT_EQ(link().tally().Programmed() + link().tally().Failed() + link().tally().LinesLost(), 0);
  EXPECT_TRUE(link().tally().Last());  // the badge stays until the next result

  form.cmdFileSend_Click();
  EXPECT_EQ(link().LinkCondition(), Link::Condition::Stopped);
  EXPECT_EQ(events.back().kind, K::Closed);
}

TEST_F(LinkEventsTest, StopReportsTheBoardItCutShortBeforeCommIsClosed) {
  using K = LinkEventKind;
  struct Case {
    TransferState stoppedIn;
    std::vector<K> kinds;  // after "Started"
    Lines log;             // after "Transmit Started"
    long programmed, failed;
  };
  const Case cases[] = {
      {Polling, {K::Closed}, {"Comm is Closed"}, 0, 0},
      {ReadyToSend, {K::Closed}, {"Comm is Closed"}, 0, 0},  // no frame went out
      // The frame is out and unanswered: the board may hold the set, or not.
      {AwaitingAck, {K::Unconfirmed, K::Closed}, {"Comm is Closed"}, 0, 1},
      // Acknowledged: programmed, though no tick has said so yet.
      {Acknowledged, {K::Passed, K::Closed}, {"Transmit Finished", "Comm is Closed"}, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.stoppedIn));
    link().ResetTally();
    if (link().State() == Closed) form.cmdFileSend_Click();
    Step();  // "8"
    if (c.stoppedIn != Polling) Ready();
    if (c.stoppedIn >= AwaitingAck) Step();  // the frame
    if (c.stoppedIn == Acknowledged) Ready();
    events.clear();
    ui.SetLogText("");
    form.cmdFileSend_Click();
    EXPECT_EQ(Kinds(), c.kinds);
    EXPECT_EQ(LogLines(), c.log);
    EXPECT_EQ(link().tally().Programmed(), c.programmed);
    EXPECT_EQ(link().tally().Failed(), c.failed);
    if (c.kinds.size() > 1) {
      EXPECT_EQ(events.front().frame, link().Frame());
      EXPECT_TRUE(events.front().cycleMs);
    }
  }
}

TEST_F(LinkEventsTest, ARecordBehindHoldsThePollNeverTheFrameAndAFailedOneStopsTheNextBoard) {
  GateVerdict verdict;
  link().AddGate([&] { return verdict; });
  verdict.kind = GateVerdict::Kind::Hold;  // the last board's row is still being written
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(Step(), "") << "no poll while an earlier row is not safe, tick " << i;
  }
  EXPECT_EQ(LogLines().back(), "Transmit Started") << "holding is no failure";
  verdict.kind = GateVerdict::Kind::Open;
  while (Step() != "8") {
  }
  Ready();
  // A board that answered runs the handshake as ever, however long the record takes.
  const uint8_t countAtFrame = link().TickCount();
  verdict.kind = GateVerdict::Kind::Hold;
  EXPECT_EQ(Step(), "frame");
  int ticks = 0;
  while (LogLines().back() != "Transmit Fail!") {
    ASSERT_LT(++ticks, 12);
    EXPECT_EQ(Step(), "");
  }
  EXPECT_EQ(ticks + 1, 11 - countAtFrame) << "the whole acknowledgement window";
  verdict.kind = GateVerdict::Kind::Open;
  while (Step() != "8") {
  }
  Ready();
  EXPECT_EQ(Step(), "frame");
  Ready();
  Step();  // "Transmit Finished"
  verdict = {GateVerdict::Kind::Shut, "the record is full"};
  events.clear();
  EXPECT_EQ(Step(), "");
  EXPECT_EQ(link().State(), Closed);
  EXPECT_FALSE(ui.TimerEnabled());
  EXPECT_EQ(ui.messages, Lines{"the record is full"});
  EXPECT_EQ(LogLines().back(), "Comm is Closed");
  EXPECT_EQ(Kinds(),
            (std::vector<LinkEventKind>{LinkEventKind::Closed, LinkEventKind::RecordFailed}));
  EXPECT_EQ(events.back().reason, "the record is full");
  const size_t writes = port.writes.size();
  Ready();
  Step();
  EXPECT_EQ(port.writes.size(), writes) << "no board after the record stopped working";
}

TEST_F(LinkEventsTest, AStartThatNeverOpenedIsRefusedWithItsReasonAndNotClosed) {
  form.cmdFileSend_Click();  // stop the fixture's transfer
  events.clear();
  port.openErrors.assign(1, kCommPortBusy);
  form.cmdFileSend_Click();
  ASSERT_EQ(Kinds(), std::vector<LinkEventKind>{LinkEventKind::Refused});
  EXPECT_EQ(events[0].reason, "held by another program");
  EXPECT_EQ(LogLines().back(), "Comm is Closed");  // the window's log says what it always said
}

}  // namespace
}  // namespace ctrlprog
