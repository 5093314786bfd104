// What the operator is told beyond the log's four lines: the tally, a lost and a restored line,
// and the events a production record is written from.
#include <gtest/gtest.h>

#include "link/link_test_fixture.h"

namespace ctrlprog {
namespace {

using testing::LinkTest;
using Lines = std::vector<std::string>;
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};

class LinkEventsTest : public LinkTest {
 protected:
  LinkEventsTest() {
    link().clock = [this] { return Clock::time_point(std::chrono::milliseconds(now)); };
    link().AddListener([this](const LinkEvent& e) -> std::optional<std::string> {
      events.push_back(e);
      return std::nullopt;
    });
    form.cmdFileSend_Click();
    link().bytTickCount = 0;
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
  EXPECT_TRUE(link().tally().Last()->passed);
  EXPECT_EQ(events.back().cycleMs, 450);  // from the ready byte at 200 ms to the result at 650
  EXPECT_EQ(events.back().port, "1");
  EXPECT_EQ(events.back().frame, link().bytFrame);

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
  // "Comm Lost" in red, "Comm Restored" in green; every other line stays blue.
  const std::string text = ui.LogText();
  EXPECT_EQ(ui.LogColours()[text.find("Comm Lost")], kRed);
  EXPECT_EQ(ui.LogColours()[text.find("Comm Restored")], kGreen);
  EXPECT_EQ(link().tally().LinesLost(), 2);
  EXPECT_EQ(link().tally().Failed(), 1);
  EXPECT_FALSE(link().tally().Last()->passed);

  link().ResetTally();
  EXPECT_EQ(link().tally().Programmed() + link().tally().Failed() + link().tally().LinesLost(), 0);
  EXPECT_TRUE(link().tally().Last());  // the badge stays until the next result

  form.cmdFileSend_Click();
  EXPECT_EQ(link().LinkCondition(), Link::Condition::Stopped);
  EXPECT_EQ(events.back().kind, K::Closed);
}

TEST_F(LinkEventsTest, AListenerThatFailsStopsTheTransferBeforeTheNextBoardAndSaysWhy) {
  link().AddListener([](const LinkEvent& e) -> std::optional<std::string> {
    if (e.kind == LinkEventKind::Passed) return "the record is full";
    return std::nullopt;
  });
  Step();
  Ready();
  Step();
  Ready();
  Step();
  EXPECT_EQ(link().intCommFlag, Closed);
  EXPECT_FALSE(ui.TimerEnabled());
  EXPECT_EQ(ui.messages, Lines{"the record is full"});
  EXPECT_EQ(LogLines().back(), "Comm is Closed");
  const size_t writes = port.writes.size();
  Ready();
  Step();
  EXPECT_EQ(port.writes.size(), writes) << "no board after the record stopped working";
}

}  // namespace
}  // namespace ctrlprog
