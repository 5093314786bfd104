#include <gtest/gtest.h>

#include "link/link_test_fixture.h"

namespace ctrlprog {
namespace {

using testing::LinkTest;
using Lines = std::vector<std::string>;

class TransferTest : public LinkTest {
 protected:
  TransferTest() {
    form.cmdFileSend_Click();
    EXPECT_EQ(link().State(), Polling);
    link().ForceTickCount(0);
  }
};

TEST_F(TransferTest, RunsTheWorkedCycleRowByRow) {
  enum Step { kTick, kReady };
  struct Row {
    Step step;
    std::string written;
    int progress;  // -1: the step does not set it
    TransferState state;
    int counter;
    bool portOpen;
  };
  const Row rows[] = {
      {kTick, "8", 0, Polling, 1, true},          {kReady, "", -1, ReadyToSend, 1, true},
      {kTick, "frame", 50, AwaitingAck, 2, true}, {kTick, "", 75, AwaitingAck, 3, true},
      {kReady, "", -1, Acknowledged, 3, true},    {kTick, "", 100, Polling, 4, true},
      {kTick, "", 0, Polling, 1, false},          {kTick, "8", 0, Polling, 2, true},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(++n));
    ui.progressHistory.clear();
    if (r.step == kTick) {
      EXPECT_EQ(Tick(), r.written);
    } else {
      Ready();
    }
    if (r.progress >= 0) {
      EXPECT_EQ(ui.progressHistory, std::vector<int>{r.progress});
    }
    EXPECT_EQ(link().State(), r.state);
    EXPECT_EQ(link().TickCount(), r.counter);
    EXPECT_EQ(port.IsOpen(), r.portOpen);
  }
  EXPECT_EQ(LogLines(), (Lines{"Transmit Started", "Transmit Finished"}));
  EXPECT_EQ(ui.LogColours().back(), (Rgb{0, 0, 255}));
}

TEST_F(TransferTest, PollsThreeTicksInFourWithoutEverTimingOutWhenNoDeviceAnswers) {
  std::string pattern;
  for (int i = 0; i < 41; ++i) pattern += Tick() == "8" ? '8' : '.';
  EXPECT_EQ(pattern, "8888.888.888.888.888.888.888.888.888.888.");
  EXPECT_EQ(LogLines(), Lines{"Transmit Started"});
  for (int p : ui.progressHistory) EXPECT_EQ(p, 0);
  EXPECT_EQ(port.closes, 10);
}

TEST_F(TransferTest, FailsWithinNineTicksWithoutAcknowledgementAndPollsAgain) {
  // Wherever the polling cycle stands when the device answers.
  for (int ticksBefore = 1; ticksBefore <= 4; ++ticksBefore) {
    SCOPED_TRACE("answered after tick " + std::to_string(ticksBefore));
    for (int i = 0; i < ticksBefore; ++i) Tick();
    Ready();
    ASSERT_EQ(Tick(), "frame");
    ui.timerHistory.clear();
    const size_t linesBefore = LogLines().size();
    int ticks = 0;
    while (LogLines().size() == linesBefore && ticks < 20) {
      EXPECT_EQ(Tick(), "");
      ++ticks;
    }
    EXPECT_EQ(LogLines().back(), "Transmit Fail!");
    EXPECT_GE(ticks, 6);
    EXPECT_LE(ticks, 9);
    EXPECT_EQ(link().State(), Polling);
    EXPECT_EQ(link().TickCount(), 0);
    EXPECT_EQ(ui.timerHistory, (std::vector<bool>{false, true}));  // restarted afresh
    EXPECT_TRUE(ui.TimerEnabled());
    EXPECT_EQ(Tick(), "8");
    link().ForceTickCount(0);
  }
}

TEST_F(TransferTest, AcknowledgementBeforeTheNextTickGoesStraightToOneHundred) {
  Tick();
  Ready();
  Tick();
  Ready();
  Tick();
  EXPECT_EQ(ui.progressHistory, (std::vector<int>{0, 0, 50, 100}));
  EXPECT_EQ(LogLines().back(), "Transmit Finished");
}

TEST_F(TransferTest, OnlyAChunkStartingWithTheReadyByteCounts) {
  struct Case {
    TransferState state;
    std::vector<uint8_t> chunk;
    int event;
    TransferState after;
  };
  const Case cases[] = {
      {Polling, {0x55}, kCommEvReceive, ReadyToSend},
      {Polling, {0x55, 0x00}, kCommEvReceive, ReadyToSend},
      {Polling, {0x00, 0x55}, kCommEvReceive, Polling},
      {Polling, {'8'}, kCommEvReceive, Polling},
      {Polling, {}, kCommEvReceive, Polling},  // a notification with nothing to read
      {Polling, {0x55}, 1, Polling},           // another event code
      {ReadyToSend, {0x55}, kCommEvReceive, ReadyToSend},
      {AwaitingAck, {0x55}, kCommEvReceive, Acknowledged},
      {AwaitingAck, {0xAA, 0x55}, kCommEvReceive, AwaitingAck},
      {Acknowledged, {0x55}, kCommEvReceive, Acknowledged},
      {Closed, {0x55}, kCommEvReceive, Closed},
  };
  for (const Case& c : cases) {
    link().ForceState(c.state);
    port.Deliver(c.chunk, c.event);
    EXPECT_EQ(link().State(), c.after)
        << "state " << static_cast<int>(c.state) << ", " << c.chunk.size();
    port.ReadAll();
  }
}

TEST_F(TransferTest, ASuccessAtTheCounterLimitIsNotAlsoReportedAsAFailure) {
  Tick();
  Ready();
  Tick();  // frame
  link().ForceTickCount(10);
  Ready();
  ui.timerHistory.clear();
  Tick();
  EXPECT_EQ(LogLines(), (Lines{"Transmit Started", "Transmit Finished"}));
  EXPECT_EQ(link().TickCount(), 0);
  EXPECT_EQ(link().State(), Polling);
  EXPECT_EQ(ui.timerHistory, (std::vector<bool>{false, true}));
}

TEST_F(TransferTest, BlinksTheLabelOnEveryTick) {
  std::string blink;
  for (int i = 0; i < 4; ++i) {
    Tick();
    blink += ui.IsEnabled(Control::Label1_0) ? 'E' : 'd';
  }
  EXPECT_EQ(blink, "dEdE");
}

TEST_F(TransferTest, SendsTheFrameBuiltAtStartEvenWhenTheListsChangeAfterwards) {
  ui.FillAll(std::vector<std::string>(testing::WorkedSets()[2].texts.begin(),
                                      testing::WorkedSets()[2].texts.end()));
  Tick();
  Ready();
  Tick();
  const ParameterFrame started = testing::FrameOf(testing::WorkedSets()[0]);
  EXPECT_EQ(port.writes.back(), std::vector<uint8_t>(started.begin(), started.end()));
}

TEST_F(TransferTest, SurvivesPortFailuresDuringTicksAndRecovers) {
  port.writeError = kCommOtherError;
  Tick();  // the write fails
  Ready();
  Tick();  // so does the frame; the cycle goes on to its limit
  port.writeError = kCommOk;
  for (int i = 0; i < 9 && LogLines().back() != "Transmit Fail!"; ++i) Tick();
  EXPECT_EQ(LogLines().back(), "Transmit Fail!");

  // The device vanished: closing, then every re-open fails; nothing is written meanwhile.
  port.Close();
  port.openErrors.assign(12, kCommNoSuchPort);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(Tick(), "");
  port.openErrors.clear();
  EXPECT_EQ(link().State(), Polling);
  EXPECT_TRUE(ui.messages.empty());
  // It is back.
  std::string pattern;
  for (int i = 0; i < 4; ++i) pattern += Tick() == "8" ? '8' : '.';
  EXPECT_NE(pattern.find('8'), std::string::npos);
}

}  // namespace
}  // namespace ctrlprog
