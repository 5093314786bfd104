#include "model/frame_encoder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "model/parameter_table.h"
#include "support/worked_sets.h"

namespace ctrlprog {
namespace {

using testing::FrameOf;
using testing::WorkedSets;

TEST(EncodeFrame, ReproducesTheWorkedFramesByteForByte) {
  for (const auto& set : WorkedSets()) {
    const EncodeResult r = EncodeFrame(set.texts);
    ASSERT_TRUE(std::holds_alternative<ParameterFrame>(r)) << set.texts[0];
    EXPECT_EQ(std::get<ParameterFrame>(r), FrameOf(set)) << set.texts[0];
  }
}

TEST(ScaleForBoard, PicksScaleAndOffsetByBoardValue) {
  struct Case {
    double p0;
    uint64_t scaleBits;
    double offset;
    bool subtract;
  };
  const Case cases[] = {
      {1, 0x3FF2599ED7C6FBD3, 0.0, false},
      {2, std::bit_cast<uint64_t>(0.0056 / 2 * 204.8), 0.5, true},
      {3, std::bit_cast<uint64_t>(0.0056 / 2 * 204.8), 0.5, true},
      {4, std::bit_cast<uint64_t>(0.0056 / 3 * 204.8), 1.5, true},
      {0, std::bit_cast<uint64_t>(0.0056 / 2 * 204.8), 0.5, true},  // not 1 and below 4
      {9, std::bit_cast<uint64_t>(0.0056 / 3 * 204.8), 1.5, true},
  };
  for (const auto& c : cases) {
    const BoardScale b = ScaleForBoard(c.p0);
    EXPECT_EQ(std::bit_cast<uint64_t>(b.scale), c.scaleBits) << c.p0;
    EXPECT_EQ(b.offset, c.offset) << c.p0;
    EXPECT_EQ(b.subtractOffset, c.subtract) << c.p0;
  }
  EXPECT_NEAR(ScaleForBoard(2).scale, 0.57344, 1e-12);
  EXPECT_NEAR(ScaleForBoard(4).scale, 0.3822933, 1e-7);
}

TEST(EncodeFrame, EncodesEveryChoiceOfEveryListUnderEachBoard) {
  const auto& table = ParameterTable();
  for (const std::string& board : table[0].choices) {
    for (int index = 1; index < kParameterCount; ++index) {
      for (const std::string& choice : table[static_cast<size_t>(index)].choices) {
        ParameterSet set = WorkedSets()[0].texts;
        set[0] = board;
        set[static_cast<size_t>(index)] = choice;
        const EncodeResult r = EncodeFrame(set);
        EXPECT_TRUE(std::holds_alternative<ParameterFrame>(r)) << board << " " << choice;
      }
    }
  }
}

TEST(EncodeFrame, CheckByteCoversBytesTwoToSixteenOnly) {
  for (const auto& set : WorkedSets()) {
    const ParameterFrame f = std::get<ParameterFrame>(EncodeFrame(set.texts));
    uint8_t x = 0;
    for (int i = 2; i <= 16; ++i) x ^= f[static_cast<size_t>(i)];
    EXPECT_EQ(f[17], x);
    for (int i = 18; i < kFrameSize; ++i) EXPECT_EQ(f[static_cast<size_t>(i)], 0);
  }
}

TEST(EncodeFrame, RoundsHalvesToEvenAndReportsOverflowByByte) {
  struct Case {
    int index;
    std::string text;
    int byteIndex;  // byte the text feeds
    int expected;   // its value, or -1 for an overflow
  };
  const Case cases[] = {
      {6, "2.5", 7, 2},                             // exact half goes down to even
      {6, "3.5", 7, 4},                             // and up to even
      {6, "255.4", 7, 255},                         // the top of the range
      {6, "255.5", 7, -1},                          // rounds to 256
      {6, "-0.5", 7, 0},                            // rounds to -0, which is 0
      {6, "-0.6", 7, -1},   {14, "85", 15, 255},    // 85 * 3
      {14, "86", 15, -1},   {10, "25.6", 11, -1},   // 256
      {13, "1E3", 14, -1},  {13, "1E999", 14, -1},  // infinity
      {1, "300", 2, -1},
  };
  for (const auto& c : cases) {
    ParameterSet set = WorkedSets()[0].texts;
    set[static_cast<size_t>(c.index)] = c.text;
    const EncodeResult r = EncodeFrame(set);
    if (c.expected < 0) {
      ASSERT_TRUE(std::holds_alternative<FrameOverflow>(r)) << c.text;
      EXPECT_EQ(std::get<FrameOverflow>(r).byteIndex, c.byteIndex) << c.text;
    } else {
      ASSERT_TRUE(std::holds_alternative<ParameterFrame>(r)) << c.text;
      EXPECT_EQ(std::get<ParameterFrame>(r)[static_cast<size_t>(c.byteIndex)], c.expected)
          << c.text;
    }
  }
}

TEST(EncodeFrame, StopsAtTheFirstOverflowingByte) {
  ParameterSet set = WorkedSets()[0].texts;
  set[3] = "999";   // byte 4
  set[15] = "999";  // byte 16
  EXPECT_EQ(std::get<FrameOverflow>(EncodeFrame(set)).byteIndex, 4);
}

}  // namespace
}  // namespace ctrlprog
