#include "devsim/board_device.h"

#include <gtest/gtest.h>

#include "support/worked_sets.h"

namespace ctrlprog {
namespace {

std::vector<uint8_t> Frame() {
  const ParameterFrame f = testing::FrameOf(testing::WorkedSets()[1]);
  return {f.begin(), f.end()};
}

struct Sim {
  explicit Sim(BoardDevice::Options o = {}) : device(o) {}
  std::vector<uint8_t> Send(std::vector<uint8_t> bytes, double now = 0) {
    return device.Receive(bytes, now, report);
  }
  BoardDevice device;
  std::vector<std::string> report;
};

TEST(BoardDevice, AnswersAPollTakesTheFrameInPiecesAndAcknowledges) {
  Sim sim;
  EXPECT_EQ(sim.Send({'8'}), std::vector<uint8_t>{0x55});
  const auto frame = Frame();
  EXPECT_TRUE(sim.Send({frame.begin(), frame.begin() + 5}).empty());
  EXPECT_EQ(sim.Send({frame.begin() + 5, frame.end()}), std::vector<uint8_t>{0x55});
  EXPECT_EQ(sim.device.Programmed(), 1);
  EXPECT_NE(std::find(sim.report.begin(), sim.report.end(), "  speeds 100 %, 70 %, 45 %"),
            sim.report.end());
}

TEST(BoardDevice, RefusesFramesWithABadHeaderOrCheckByte) {
  for (size_t corrupt : {0u, 1u, 17u}) {
    Sim sim;
    sim.Send({'8'});
    auto frame = Frame();
    frame[corrupt] ^= 0x01;
    EXPECT_TRUE(sim.Send(frame).empty()) << corrupt;
    EXPECT_EQ(sim.device.Programmed(), 0);
  }
}

TEST(BoardDevice, AnswersAgainWhenTheHostMissedTheAnswer) {
  Sim sim;
  sim.Send({'8'});
  EXPECT_EQ(sim.Send({'8'}), std::vector<uint8_t>{0x55});
  EXPECT_EQ(sim.Send(Frame()), std::vector<uint8_t>{0x55});
}

TEST(BoardDevice, DropsAFrameThatStopsArriving) {
  Sim sim;
  sim.Send({'8'}, 0);
  sim.Send({0x02, 0x0F}, 0.1);
  sim.device.Tick(1.5, sim.report);
  EXPECT_EQ(sim.Send({'8'}, 1.6), std::vector<uint8_t>{0x55});
}

TEST(BoardDevice, HonoursItsOptions) {
  Sim quiet({.boards = 0, .answer = false, .ack = true});
  EXPECT_TRUE(quiet.Send({'8', '8'}).empty());
  EXPECT_EQ(quiet.device.PollTimes().size(), 2u);

  Sim noAck({.boards = 0, .answer = true, .ack = false});
  noAck.Send({'8'});
  EXPECT_TRUE(noAck.Send(Frame()).empty());

  Sim ackOne({.boards = 0, .answer = true, .ack = true, .ackLimit = 1});
  std::string acks;
  for (int i = 0; i < 3; ++i) {
    ackOne.Send({'8'});
    acks += ackOne.Send(Frame()).empty() ? '.' : 'A';
  }
  EXPECT_EQ(acks, "A..");

  Sim one({.boards = 1, .answer = true, .ack = true});
  one.Send({'8'});
  one.Send(Frame());
  EXPECT_TRUE(one.device.Done());
  EXPECT_TRUE(one.Send({'8'}).empty());
}

}  // namespace
}  // namespace ctrlprog
